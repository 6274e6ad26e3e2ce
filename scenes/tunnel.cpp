// The eighth scene: the tunnel of picture bands.
#include "scenes/tunnel.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/clock.h"
#include "base/trig.h"
#include "display/display.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"

namespace {

constexpr size_t kTextureBytes = kTunnelTexels * sizeof(uint32_t);
constexpr int kBandWidth = 220;
constexpr double kInverseTwoPi = 0.15915494307111402;

// The ten bands: x = rate * g, a = trunc(speed * e). Band 5's a is e itself
// and band 8's 2e, both exact in double.
struct BandMotion {
  double rate;
  double speed;
};
constexpr BandMotion kBands[10] = {{1.1, 1.44}, {1.2, 1.3},  {1.3, 1.21}, {1.4, 1.14}, {1.5, 1.0},
                                   {1.6, 0.92}, {1.7, 0.83}, {1.8, 2.0},  {1.9, 0.4},  {1.0, 2.3}};

// Unlike the other scenes' pictures, the tunnel's keeps the palette's raw
// 6-bit components, so ten overlapping bands stay mostly below 256.
void indexed_to_raw_rgb(uint32_t* pixels, const uint8_t* indices, const uint8_t* palette, int count) {
  for (int i = 0; i < count; i++) {
    const uint8_t* c = palette + 3 * indices[i];
    pixels[i] = static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[2];
  }
}

}  // namespace

int32_t tunnel_angle(int32_t x, int32_t y, int32_t full) {
  if (x == 0) return y > 0 ? 3 * full / 4 : full / 4;
  if (y == 0) return x > 0 ? 0 : full / 2;
  double ratio = static_cast<double>(std::abs(y)) / std::abs(x);
  int32_t r = static_cast<int32_t>(full * trig_atan(ratio) * kInverseTwoPi);
  if (x > 0) return y < 0 ? r : full - r;
  return y < 0 ? full / 2 - r : full / 2 + r;
}

void build_tunnel_table(uint32_t* table, double squeeze) {
  for (int j = 0; j < kFrameHeight; j++)
    for (int k = 0; k < kFrameWidth; k++) {
      int32_t a = k - kFrameWidth / 2, b = j - kFrameHeight / 2;
      double r = std::sqrt(static_cast<double>(a * a + b * b));
      uint32_t u = static_cast<uint32_t>(std::sqrt(r / squeeze) * 30);
      uint32_t v = static_cast<uint32_t>(tunnel_angle(a, b, 256));
      table[j * kFrameWidth + k] = ((u + 256 * v) % 65536) * 4;
    }
}

PictureBand picture_band(double x, int32_t a) {
  return {static_cast<int32_t>(trig_cos(3.3 * x) * 55 + 60),
          static_cast<int32_t>(trig_sin(0.01 * a) * 100 + 100),
          static_cast<int32_t>(trig_sin(2.1 * x) * 10 + 10)};
}

void lay_picture_band(uint32_t* texture, const uint32_t* picture, const PictureBand& band) {
  if (band.count < 1) return;
  uint32_t step = 65280 / band.count;  // 8.8 picture rows per band row
  uint32_t h = 0;
  for (int32_t i = 0; i < band.count; i++, h += step) {
    const uint32_t* src = picture + ((h >> 8) & 255) * 256;
    uint32_t* dst = texture + ((band.row + i) & 255) * 256 + band.column;
    for (int p = 0; p < kBandWidth; p++) dst[p] += src[p];
  }
}

void add_picture_band(uint32_t* texture, const uint32_t* picture, double x, int32_t a) {
  lay_picture_band(texture, picture, picture_band(x, a));
}

bool tunnel_open(TunnelScene& s) {
  if (!s.memory.take_each(s.indices, kTunnelTexels, s.texture, kTunnelTexels, s.picture, kTunnelTexels,
                          s.table, kFramePixels, s.frame, kFramePixels))
    return false;
  uint8_t palette[768];
  load_picture(PIC_TUNNEL, s.indices, kTunnelTexels, palette);
  indexed_to_raw_rgb(s.picture, s.indices, palette, kTunnelTexels);
  build_tunnel_table(s.table, kTunnelSqueeze);
  return true;
}

void tunnel_close(TunnelScene& s) { s.memory.release(); }

void tunnel_map_frame(TunnelScene& s) {
  const unsigned char* texels = reinterpret_cast<const unsigned char*>(s.texture);
  for (int i = 0; i < kFramePixels; i++) std::memcpy(&s.frame[i], texels + s.table[i], sizeof(uint32_t));
}

void tunnel_build_bands(TunnelScene& s, uint32_t e) {
  std::memset(s.texture, 0, kTextureBytes);
  double g = e * 0.007;
  for (const BandMotion& m : kBands)
    add_picture_band(s.texture, s.picture, m.rate * g, static_cast<int32_t>(m.speed * e));
}

int scene_tunnel() {
  TunnelScene s{};
  if (!tunnel_open(s)) return kSceneNoMemory;
  uint32_t t0 = show_ticks();
  // A show started after the seventh scene's limit never ran that scene: its
  // minute counts from the limit, where a whole show starts it, so the show
  // ends on the same tick (the embedded music always outlasts the limit).
  const uint32_t nominal_start = kSceneStartTick[kSceneTunnel];
  if (show_clock_first_tick() > nominal_start) t0 = nominal_start;
  // The scene's own time, not the show's: poll first, then the clock. Each
  // frame shows the texture built in the previous one, so the first is black.
  while (!display_poll_escape() && show_ticks() - t0 <= kTunnelTicks - 1) {
    uint32_t e = show_ticks() - t0;
    tunnel_map_frame(s);
    display_present(s.frame);
    tunnel_build_bands(s, e);
  }
  tunnel_close(s);
  return scene_closing_poll();
}
