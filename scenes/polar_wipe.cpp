// Polar wipe and swirl, the opening scene (show ticks 0 to 2,940).
#include "scenes/polar_wipe.h"

#include <cmath>

#include "base/clock.h"
#include "base/trig.h"
#include "display/display.h"
#include "scenes/polar_maps.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"

namespace {

// 255.5 angle steps per turn: the last step, 255, is half as wide as the
// others and takes the rays just below the negative x axis.
constexpr double kWipeAngleScale = 40.66408795997926;
// The PolarLookup turns once in 255 steps (pi / 255 per half step).
constexpr double kLookupAngleUnit = 0.012319971190548208;
// Radius step 1 is one pixel; the centre is the picture pixel (160, 201),
// which W shows at the frame's centre (160, 100).
constexpr PolarGrid kSwirlGrid = {1.0, kLookupAngleUnit, 160.0, 201.0, 320};

enum SectorLevel : uint8_t { kSectorDark = 0, kSectorHalf = 1, kSectorFull = 2 };

// Sets entries of the mask that are still dark to level: for b in
// [from, to), the entries b + h + spacing * c for every c, modulo 256.
void mark_sectors(uint8_t* sector_mask, int64_t from, int64_t to, int64_t h, int spacing, SectorLevel level) {
  // b and b + 256 mark the same entries: a wider range changes nothing more.
  if (to > from + 256) to = from + 256;
  for (int64_t b = from; b < to; b++)
    for (int c = 0; c < 256 / spacing; c++) {
      uint8_t& entry = sector_mask[(b + h + spacing * c) & 255];
      if (entry == kSectorDark) entry = level;
    }
}

void clear_sectors(uint8_t* sector_mask) {
  for (int a = 0; a < 256; a++) sector_mask[a] = kSectorDark;
}

uint32_t at_level(uint32_t p, uint8_t level) {
  return level == kSectorFull ? p : level == kSectorHalf ? half_brightness(p) : 0;
}

void load_pictures(PolarWipe& w) {
  uint8_t palette[768] = {};
  load_picture(PIC_SWIRL, w.indices, kSwirlPixels, palette);
  indexed_to_rgb32(w.swirl, w.indices, palette, kSwirlPixels);
  w.swirl[kSwirlPixels] = 0;
  load_picture(PIC_SECTOR, w.indices, kSwirlPixels, palette);
  indexed_to_rgb32(w.sector, w.indices, palette, kFramePixels);
}

void build_maps(PolarWipe& w) {
  fill_frame_map(w.maps->radius, [](int x, int y) { return truncated_byte(std::sqrt(x * x + y * y)); });
  fill_frame_map(w.maps->angle, [](int x, int y) { return polar_angle(x, y, kWipeAngleScale); });
  fill_polar_lookup(w.lookup, kSwirlGrid);
  // Radii past 199 reach above and below the picture: those samples are black.
  clip_polar_lookup(w.lookup, kSwirlPixels, kSwirlPixels);
}

void build_swirl_tables(SwirlTables& swirl_tables, uint32_t e, const SwirlMotion& m) {
  int64_t turn = 128 + (255 * static_cast<int64_t>(e)) / 1000;
  for (int l = 0; l < 256; l++) {
    double s = 0.02 * l;
    double ripple = trig_sin(7 * s - 2 * m.P);
    swirl_tables.warp.angle_shift[l] =
        truncated_byte(turn + m.Q * trig_sin(3 * s + m.Q) * 0.06666666666666667);
    swirl_tables.warp.radius_shift[l] = truncated_byte(0.5 * m.Q * ripple + 0.5 * m.Q);
    swirl_tables.brightness[l] = truncated_byte(255 - 2.5 * m.Q + 2.2 * m.Q * ripple);
  }
}

// The wobble rises with e to the middle of the swirl and dies away by its end.
void advance_motion(uint32_t e, SwirlMotion* m) {
  m->P = e * 0.06666666666666667;
  if (e <= 499) {
    m->Q = m->P;
  } else {
    double falling = (1000 - static_cast<int64_t>(e)) * 0.06666666666666667;
    m->Q = falling < 0 ? 0.0 : falling;
  }
}

// Phases 1 and 2 and the swirl; false when a closing poll between the
// phases sees Escape.
bool run_phases(PolarWipe& w) {
  while (frame_goes_on(kSectorWipeLimit)) {
    render_sector_wipe(w, show_ticks());
    display_present(w.frame);
  }
  if (scene_closing_poll() == kSceneEndsShow) return false;

  while (frame_goes_on(kSpiralSpreadLimit)) {
    render_spiral_spread(w, show_ticks());
    display_present(w.frame);
  }
  if (scene_closing_poll() == kSceneEndsShow) return false;

  // W holds the screen while the clock reaches the swirl; Escape is not
  // looked at during the wait, which sleeps rather than spins.
  display_present(swirl_window(w));
  while (show_ticks() < kSwirlStart) show_clock_doze(kSwirlStart);

  // The limit is tested on the previous frame's elapsed ticks, so the frame
  // just past it is still drawn.
  SwirlMotion motion = {0.0, 0.0};
  uint32_t e = 0;
  while (display_poll_escape() == 0 && e <= kSwirlLastTick) {
    e = show_ticks() - kSwirlStart;
    render_swirl(w, &motion, e);
    display_present(w.frame);
  }
  display_present(swirl_window(w));
  return true;
}

}  // namespace

bool polar_wipe_open(PolarWipe& w) {
  if (!w.memory.take_each(w.indices, kSwirlPixels, w.lookup, kPolarSteps * kPolarSteps, w.frame, kFramePixels,
                          w.swirl, kSwirlPixels + 1, w.sector, kFramePixels, w.maps, 1))
    return false;
  load_pictures(w);
  build_maps(w);
  return true;
}

void polar_wipe_close(PolarWipe& w) { w.memory.release(); }

const uint32_t* swirl_window(const PolarWipe& w) { return w.swirl + kSwirlWindowOffset; }

void render_sector_wipe(PolarWipe& w, uint32_t t) {
  double g = (t >> 1) * 0.125;
  for (int l = 0; l < 256; l++)
    w.wave[l] = static_cast<int32_t>(3 * g + g * trig_sin(g + l * 0.098173964264677));

  int64_t h = t >> 1;  // rotation
  int64_t s = t >> 4;  // sector width
  clear_sectors(w.sector_mask);
  mark_sectors(w.sector_mask, 2, s, h, 64, kSectorFull);
  mark_sectors(w.sector_mask, 0, s + 2, h, 64, kSectorHalf);
  mark_sectors(w.sector_mask, 0, 4, h, 16, kSectorHalf);  // spokes

  const PolarMaps& maps = *w.maps;
  for (int m = 0; m < kFramePixels; m++) {
    uint8_t a = maps.angle[m];
    bool inside = w.wave[a] > maps.radius[m];
    w.frame[m] = inside ? at_level(w.sector[m], w.sector_mask[a]) : 0;
  }
}

void render_spiral_spread(PolarWipe& w, uint32_t t) {
  // Signed: a phase 1 cut short by Escape can start this one before tick
  // 1,200, and then there are no arms yet.
  int64_t h = static_cast<int64_t>(t) - 1200;
  int64_t n = h / 16;
  clear_sectors(w.sector_mask);
  mark_sectors(w.sector_mask, 2, n - 2, h, 32, kSectorFull);
  mark_sectors(w.sector_mask, 0, n, h, 32, kSectorHalf);

  const PolarMaps& maps = *w.maps;
  const uint32_t* window = swirl_window(w);
  for (int m = 0; m < kFramePixels; m++) {
    uint8_t arm = w.sector_mask[(maps.angle[m] - maps.radius[m] - 1) & 255];
    uint32_t b = w.sector[m];
    uint32_t a = window[m];
    w.frame[m] = arm == kSectorFull ? a : arm == kSectorHalf ? half_brightness(a) + half_brightness(b) : b;
  }
}

void render_swirl(PolarWipe& w, SwirlMotion* motion, uint32_t e) {
  build_swirl_tables(w.swirl_tables, e, *motion);
  advance_motion(e, motion);
  const PolarMaps& maps = *w.maps;
  for (int m = 0; m < kFramePixels; m++) {
    uint32_t p = w.swirl[warped_offset(maps, w.swirl_tables.warp, w.lookup, m)];
    w.frame[m] = scale_channels(p, w.swirl_tables.brightness[maps.radius[m]]);
  }
}

int scene_polar_wipe() {
  PolarWipe w{};
  if (!polar_wipe_open(w)) return kSceneNoMemory;
  bool finished = run_phases(w);
  polar_wipe_close(w);
  return finished ? scene_closing_poll() : kSceneEndsShow;
}
