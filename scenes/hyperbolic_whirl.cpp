// Hyperbolic whirl, the sixth scene (until show tick 14,191).
#include "scenes/hyperbolic_whirl.h"

#include <cmath>
#include <cstring>

#include "base/clock.h"
#include "base/trig.h"
#include "display/display.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"

namespace {

// 255 / 2 pi: angle steps 0 to 255 over one turn.
constexpr double kWhirlAngleScale = 40.58451048843331;
// A radius step is two thirds of a source pixel, one turn is 256 angle steps
// (pi / 256 per half step).
constexpr PolarGrid kWhirlGrid = {0.6666666666666666, 0.01227184630308513, 128.0, 128.0, kWarpSourceWidth};

constexpr int32_t kGrowTicks = 250;
constexpr int32_t kShrinkStart = 750;

void load_pictures(HyperbolicWhirl& w) {
  uint8_t palette[768] = {};
  load_picture(PIC_STILL, w.indices, 65536, palette);
  indexed_to_rgb32(w.still, w.indices, palette, kFramePixels);
  load_picture(PIC_WARP_SOURCE, w.indices, 65536, palette);
  indexed_to_rgb32(w.source, w.indices, palette, kWarpSourcePixels);
}

void build_maps(HyperbolicWhirl& w) {
  // The distance squeezes x to 5/6 but the angle does not: the X of the
  // pattern lies on the squeezed diagonals, the bands on plain pixel angles.
  fill_frame_map(w.maps->radius, [](int x, int y) {
    double xs = x * kSqueezeX;
    return truncated_byte(std::sqrt(std::fabs(xs * xs - y * y)));
  });
  fill_frame_map(w.maps->angle, [](int x, int y) { return polar_angle(x, y, kWhirlAngleScale); });
  fill_polar_lookup(w.lookup, kWhirlGrid);
}

// The warp over pixels whose distance lies in [low, high]; the others get
// rest, or keep what the frame holds when rest is null.
void warp_distances(HyperbolicWhirl& w, const WhirlTables& t, int shift, int low, int high,
                    const uint32_t* rest) {
  const PolarMaps& maps = *w.maps;
  for (int m = 0; m < kFramePixels; m++) {
    int d = maps.radius[m];
    if (d >= low && d <= high) {
      uint32_t o = w.source[warped_offset(maps, t.warp, w.lookup, m) + shift];
      w.frame[m] = scale_channels(o, t.brightness[maps.angle[m]]);
    } else if (rest) {
      w.frame[m] = rest[m];
    }
  }
}

}  // namespace

bool hyperbolic_whirl_open(HyperbolicWhirl& w) {
  w.tables = {};
  if (!w.memory.take_each(w.lookup, kPolarSteps * kPolarSteps, w.frame, kFramePixels, w.source,
                          kWarpSourcePixels, w.indices, 65536, w.maps, 1, w.still, kFramePixels))
    return false;
  load_pictures(w);
  build_maps(w);
  return true;
}

void hyperbolic_whirl_close(HyperbolicWhirl& w) { w.memory.release(); }

int whirl_shift(double P) { return static_cast<int>(trig_sin(P * 0.7462686567164178) * 30) + 256; }

void build_whirl_tables(WhirlTables* t, double P) {
  // w is summed step by step, not multiplied, and the tables follow its
  // rounding.
  double w = 0.0;
  for (int e = 0; e < 256; e++) {
    t->warp.angle_shift[e] = truncated_byte(P + 128 + 5 * trig_sin(P + 3 * w));
    t->warp.radius_shift[e] = truncated_byte(10 + 8 * trig_cos(10 * w - 3 * P));
    t->brightness[e] = truncated_byte(128 + 57 * trig_cos(5 * w - 3 * P));
    w += 0.02;
  }
}

void render_hyperbolic_whirl(HyperbolicWhirl& w, const WhirlTables& t, int32_t n, int shift) {
  if (n < 0) {
    std::memcpy(w.frame, w.still, kFrameBytes);
  } else if (n < kGrowTicks) {
    warp_distances(w, t, shift, 0, n, nullptr);
  } else if (n < kShrinkStart) {
    warp_distances(w, t, shift, 0, 255, nullptr);
  } else {
    int32_t k = n - kShrinkStart;
    warp_distances(w, t, shift, (k < 255 ? k : 255) + 1, 255, w.still);
  }
}

int scene_hyperbolic_whirl() {
  HyperbolicWhirl w{};
  if (!hyperbolic_whirl_open(w)) return kSceneNoMemory;
  for (;;) {
    // The phase comes from a reading taken before the poll; the frame's
    // position in the scene from a fresh one after the limit test.
    double P = show_ticks() * 0.02;
    if (!frame_goes_on(kHyperbolicWhirlLimit)) break;
    int32_t n = static_cast<int32_t>(show_ticks() - kWhirlGrowStart);
    render_hyperbolic_whirl(w, w.tables, n, whirl_shift(P));
    display_present(w.frame);
    build_whirl_tables(&w.tables, P);
  }
  hyperbolic_whirl_close(w);
  return scene_closing_poll();
}
