// The pictures the 3D scenes and warps wrap around things: the dark ring
// map, the three object textures, the mandala seen through the hyperbolic
// warp, the replayed object's two maps and the tunnel's band picture.
#include <algorithm>
#include <cmath>

#include "tools/gen_content/noise.h"
#include "tools/gen_content/picture_builders.h"
#include "tools/gen_content/quantize.h"
#include "tools/gen_content/scenery.h"

namespace {

constexpr float kPi = 3.14159265f;

// 0 below from, 1 above to, a smooth step between.
float ease(float from, float to, float x) {
  float t = std::clamp((x - from) / (to - from), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

// Caps every palette component at limit (6-bit).
void cap_palette(Picture& p, int limit) {
  for (uint8_t& c : p.palette) c = static_cast<uint8_t>(std::min<int>(c, limit));
}

// Distance to the nearest and second-nearest of a tiled set of cell centres.
void voronoi(float x, float y, int cells, float size, uint32_t seed, float& d1, float& d2, int& id) {
  float cell = size / cells;
  int cx = static_cast<int>(x / cell), cy = static_cast<int>(y / cell);
  d1 = d2 = 1e9f;
  id = 0;
  for (int j = -1; j <= 1; j++)
    for (int i = -1; i <= 1; i++) {
      int gx = cx + i, gy = cy + j;
      int wx = (gx % cells + cells) % cells, wy = (gy % cells + cells) % cells;
      float px = (gx + 0.15f + 0.7f * hash01(wx, wy, seed)) * cell;
      float py = (gy + 0.15f + 0.7f * hash01(wx, wy, seed + 1)) * cell;
      float d = std::hypot(x - px, y - py);
      if (d < d1) {
        d2 = d1;
        d1 = d;
        id = wy * cells + wx;
      } else if (d < d2) {
        d2 = d;
      }
    }
}

Picture cracked_ice() {
  Image img(256, 256);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      float d1, d2;
      int id;
      voronoi(x, y, 7, 256, 141, d1, d2, id);
      float edge = d2 - d1;
      float tone = hash01(id, 0, 142);
      Rgb c = mix(hex(0x2050c0), hex(0x90e8ff), 0.3f + 0.6f * tone);
      c = mix(c, hex(0x102060), std::clamp(d1 / 40.0f, 0.0f, 0.5f));
      c = c * (0.8f + 0.35f * fbm(x * 0.05f, y * 0.05f, 3, 0.5f, 143));
      if (edge < 3.5f) c = mix(hex(0xffffff), c, edge / 3.5f);
      // Small trapped bubbles.
      if (hash01(x / 3, y / 3, 144) < 0.012f) c = mix(c, hex(0xe0f8ff), 0.7f);
      img.at(x, y) = c;
    }
  clamp_image(img);
  return quantize(img, 1.0f);
}

Picture aurora_ribbons() {
  Image img(256, 256);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      float wave = y + 14 * std::sin(x * 2 * kPi / 128) + 6 * std::sin(x * 2 * kPi / 51 + 1);
      float band = wave / 64.0f;
      float within = band - std::floor(band);
      float glow = std::pow(std::sin(within * kPi), 0.7f);
      float rays = 0.6f + 0.4f * fbm(x * 0.12f, band * 3, 3, 0.5f, 151);
      Rgb c = aurora_cycle(band * 0.25f + 0.05f) * (glow * rays);
      c = c + hex(0x101848) * (1 - glow);
      img.at(x, y) = c;
    }
  clamp_image(img);
  return quantize(img, 1.0f);
}

Picture sun_runes() {
  Image img(256, 256);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      float dx = x - 128.0f, dy = y - 128.0f;
      float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
      Rgb c = mix(hex(0xfff0b0), hex(0xff9040), std::clamp(r / 50.0f, 0.0f, 1.0f));
      c = mix(c, hex(0xc03060), std::clamp((r - 50) / 60.0f, 0.0f, 1.0f));
      c = mix(c, hex(0x401040), std::clamp((r - 110) / 70.0f, 0.0f, 1.0f));
      float rays = 0.5f + 0.5f * std::cos(a * 16);
      c = c * (0.75f + 0.3f * rays * std::clamp(r / 40.0f, 0.0f, 1.0f));
      // Two rings of rune-like ticks.
      for (float ring : {62.0f, 96.0f}) {
        if (std::fabs(r - ring) < 7) {
          int slot = static_cast<int>((a + kPi) / (2 * kPi) * 36);
          float mark = hash01(slot, static_cast<uint32_t>(ring), 161);
          float phase = (a + kPi) / (2 * kPi) * 36 - slot;
          bool stroke = std::fabs(phase - 0.5f) < 0.12f || (mark > 0.5f && std::fabs(r - ring - (phase - 0.5f) * 10) < 1.2f);
          c = stroke ? hex(0xfff8e0) : c * 0.6f;
        }
      }
      img.at(x, y) = c;
    }
  clamp_image(img);
  return quantize(img, 1.0f);
}

// Rune-like strokes in 10-pixel cells, 12 rows high: a stave and the twigs
// that the cell's hash (and the line's) picks.
bool rune_ink(int x, int row, uint32_t line) {
  if (row < 0 || row >= 12) return false;
  int cell = x / 10, cx = x % 10;
  if (cx == 0 || cx == 9) return false;
  uint32_t shape = hash32(static_cast<uint32_t>(cell), line, 191);
  if (cx == 4 || cx == 5) return true;  // the stave
  float t = row / 11.0f;
  float left = (cx - 1) / 3.0f, right = (8 - cx) / 3.0f;  // 0..1 out from the stave
  bool twig_a = (shape & 1) && cx < 4 && std::fabs(t - (0.1f + 0.3f * left)) < 0.09f;
  bool twig_b = (shape & 2) && cx > 5 && std::fabs(t - (0.1f + 0.3f * right)) < 0.09f;
  bool twig_c = (shape & 4) && cx > 5 && std::fabs(t - (0.9f - 0.35f * right)) < 0.09f;
  bool twig_d = (shape & 8) && cx < 4 && std::fabs(t - (0.55f - 0.3f * left)) < 0.09f;
  return twig_a || twig_b || twig_c || twig_d;
}

// The ring's map is a mirror ball. Both its users read mostly its middle:
// the objects' vertex normals are averages over sharp corners, so short,
// and land within radius 60 of the ball's 121; the whirl turns the disk of
// radius 85. So the ball reflects the night behind the viewer, deep blue and
// dark, crossed by narrow bright things at the cap (the glow over the
// horizon, three aurora curtains, the moon, moonlit snow) and cut by the
// black forest edge; on the objects these flash as highlights between dark
// gaps, in the whirl they turn into coloured ribbons on a dark ground.
Rgb ring_environment(float rx, float ry, float rz) {
  float elevation = std::asin(std::clamp(ry, -1.0f, 1.0f));
  float azimuth = std::atan2(rx, rz);
  Rgb c;
  if (elevation > 0.05f) {
    c = mix(hex(0x202878), hex(0x070924), std::min(1.0f, (elevation - 0.05f) * 2.2f));
    float glow = std::exp(-std::pow((elevation - 0.12f) / 0.06f, 2.0f));
    c = c + hex(0x40c0ff) * (glow * 1.4f);
    // Three curtains of aurora, bright at the cap, with the dark sky between.
    for (int k = 0; k < 3; k++) {
      float height = 0.38f + 0.36f * k + 0.1f * std::sin(azimuth * (2 + k) + 0.7f * k);
      float curtain = std::exp(-std::pow((elevation - height) / 0.085f, 2.0f));
      float rays = 0.4f + 0.6f * fbm(azimuth * 9 + 20 + 7 * k, 0.5f, 3, 0.5f, 131);
      Rgb hue = k == 1 ? tint::kAuroraTeal : k == 2 ? tint::kAuroraPink : tint::kAuroraGreen;
      c = c + hue * (curtain * rays * 1.7f);
    }
    float moon = std::exp(-(std::pow(azimuth - 0.35f, 2.0f) + std::pow(elevation - 0.55f, 2.0f)) / 0.012f);
    c = c + hex(0xfff8f0) * (3.0f * moon);
  } else if (elevation > -0.05f) {
    // The forest edge: the dark gap between sky and snow.
    float trees = fbm(azimuth * 30, 0.5f, 2, 0.5f, 133);
    c = hex(0x02030e) + hex(0x0c1038) * (trees * 0.5f);
  } else {
    float snow = fbm(azimuth * 4 + 40, elevation * 8, 3, 0.5f, 132);
    float glare = std::exp((elevation + 0.05f) * 7.0f);  // brightest under the trees
    c = mix(hex(0x182060), hex(0xc0d8ff), glare) * (0.6f + 0.6f * snow);
  }
  return c;
}

Rgb ring_mirror(float x, float y) {
  constexpr float kBall = 121.0f;  // normals are at most 121 long
  float nx = (x - 128) / kBall, ny = (128 - y) / kBall;
  float r2 = nx * nx + ny * ny;
  if (r2 > 1) return hex(0x04061c);
  float nz = std::sqrt(1 - r2);
  Rgb c = ring_environment(2 * nz * nx, 2 * nz * ny, 2 * nz * nz - 1);
  // A lamp behind the viewer: faces turned to the camera carry the brightest
  // highlight, the one that makes a solid read as polished.
  float r = std::sqrt(r2);
  float lamp = std::clamp((0.19f - r) / 0.03f, 0.0f, 1.0f);
  float halo = std::exp(-r2 / 0.02f);
  return c * (1 - lamp) + hex(0xa0e8ff) * (lamp * 1.4f) + hex(0x4080ff) * (halo * 0.5f);
}

}  // namespace

Picture make_ring_texture() {
  // Components stop at 27 of 63: the trails add about sixteen frames of it.
  // Drawn as full range and scaled down, so its highlights reach the cap.
  Image img(256, 256);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) img.at(x, y) = ring_mirror(x + 0.5f, y + 0.5f) * (27.0f / 63.0f);
  clamp_image(img);
  Picture p = quantize(img, 1.0f);
  cap_palette(p, 27);
  return p;
}

Picture make_object_texture(int number) {
  if (number == 0) return cracked_ice();
  if (number == 1) return aurora_ribbons();
  return sun_runes();
}

Picture make_warp_source() {
  Image img(256, 256);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      float dx = x - 128.0f, dy = y - 128.0f;
      float r = std::hypot(dx, dy);
      float a = std::atan2(dy, dx) + kPi;
      float wedge = 2 * kPi / 12;
      float fa = std::fabs(std::fmod(a, wedge) - wedge / 2);  // mirrored twelve times
      float px = r * std::cos(fa), py = r * std::sin(fa);
      float n = fbm(px * 0.05f, py * 0.05f, 4, 0.55f, 171);
      float petals = 0.5f + 0.5f * std::cos(r * 0.18f - n * 6);
      Rgb c = aurora_cycle(r / 90.0f + n * 0.5f) * (0.35f + 0.75f * petals);
      if (std::fabs(std::fmod(r + n * 10, 22.0f) - 11) < 1.0f) c = mix(c, hex(0xf0f8ff), 0.8f);
      img.at(x, y) = c;
    }
  clamp_image(img);
  return quantize(img, 1.0f);
}

Picture make_env_texture() {
  // Sixteen colours only: the replayed object adds this map's index to the
  // main texture's level times 16, so indices 0..15 are all it may use.
  // They are kept below 45 of 63 so that its trails never overflow.
  Image img(320, 200);
  Picture p(320, 200, 0);
  for (int i = 0; i < 16; i++) {
    float t = i / 15.0f;
    Rgb c = t < 0.5f ? mix(hex(0x080a28), hex(0x5a4ab0), t * 2) : mix(hex(0x5a4ab0), hex(0xf0f8ff), (t - 0.5f) * 2);
    if (i == 9 || i == 10) c = mix(c, tint::kAuroraGreen, 0.5f);
    // The scene scales these by up to 126/128 and 5/13 and lets trails add
    // them up about sixteen times: 44 keeps every channel of that sum in a byte.
    p.set_colour(i, c * (44.0f / 63.0f));
  }
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      Rgb c = night_reflection(x + 0.5f, y * 256.0f / 200.0f + 0.5f, 256);
      img.at(x, y) = c * 1.5f + hex(0x080818);
    }
  clamp_image(img);
  map_to_palette(img, p, 0, 16, 1.5f);
  return p;
}

Picture make_main_texture() {
  // Indices 0..63 carry a brightness; the scene keeps index / 4 as one of
  // sixteen levels, coloured by palette entries 0, 4, ..., 60.
  Picture p(320, 200, 0);
  for (int i = 0; i < 64; i++) {
    float t = i / 63.0f;
    Rgb c = t < 0.5f ? mix(hex(0x201040), hex(0x3090c0), t * 2) : mix(hex(0x3090c0), hex(0xfff0c0), (t - 0.5f) * 2);
    p.set_colour(i, c);
  }
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      // Hexagonal scales, bevelled, with a fine frost grain.
      float sx = x / 18.0f, sy = y / 15.6f;
      int row = static_cast<int>(std::floor(sy));
      float best = 1e9f;
      for (int j = -1; j <= 1; j++)
        for (int i = -1; i <= 1; i++) {
          int cy = row + j;
          float cx = std::floor(sx - (cy % 2 ? 0.5f : 0.0f)) + i + (cy % 2 ? 0.5f : 0.0f) + 0.5f;
          float d = std::hypot(sx - cx, (sy - (cy + 0.5f)) * 1.15f);
          best = std::min(best, d);
        }
      float dome = std::clamp(1.0f - best * 1.5f, 0.0f, 1.0f);
      float grain = fbm(x * 0.1f, y * 0.1f, 3, 0.5f, 181);
      float v = std::clamp(0.15f + 0.75f * dome + 0.2f * grain + bayer8(x, y) * 0.03f, 0.0f, 0.999f);
      // Three bands of runes ring the scales.
      for (int band : {44, 100, 156}) {
        int dy = y - band;
        if (dy < -9 || dy > 9) continue;
        v = std::abs(dy) == 9 ? 0.9f : 0.12f + 0.05f * grain;
        if (rune_ink(x, dy + 6, static_cast<uint32_t>(band))) v = 0.97f;
      }
      p.pixels[y * 320 + x] = static_cast<uint8_t>(v * 64);
    }
  return p;
}

Picture make_tunnel() {
  // The scene lays ten squeezed copies of this picture on one another and
  // adds their raw 6-bit colours in 8-bit channels: one band alone is dim, the
  // light comes from bands overlapping (two or three deep on most of the
  // screen), and a channel that passes 255 carries into its neighbour. So the
  // light sits where overlapping bands disagree.
  // - Columns are depth, and every band reads the same column (give or take
  //   20): they carry an even light, dark at the far end that the screen
  //   barely shows, with violet and teal rings glowing around it.
  // - Rows are angle, and overlapping bands mostly read different rows: the
  //   colour changes there, aurora green against pink around one grey, so
  //   where bands pile up their sum turns white instead of one channel
  //   passing 255.
  // - Bands that set out together keep reading the same rows for a while
  //   (all ten do in the scene's first seconds): each band's leading rows are
  //   its dimmest.
  Image img(256, 256);
  const Rgb teal = hex(0x40d0d0);
  for (int y = 0; y < 256; y++) {
    float lead = 0.58f + 0.22f * ease(40, 100, y) + 0.2f * ease(125, 160, y);
    for (int x = 0; x < 256; x++) {
      float sway = fbm(x * 0.01f, y * 0.03f, 2, 0.5f, 251) - 0.5f;
      float aurora = std::sin(y * 2 * kPi / 43 + sway * 3);  // -1 green .. 1 pink
      Rgb wall = {1 + 0.15f * aurora, 1 - 0.25f * aurora, 1 + 0.15f * aurora};
      Rgb core = mix(mix(tint::kNight, tint::kViolet, ease(30, 70, x)), teal, ease(60, 100, x));
      core = core * (1 / std::max(core.r, std::max(core.g, core.b)));
      float rings = ease(40, 70, x) * (1 - ease(110, 140, x));
      float ring = std::pow(0.5f + 0.5f * std::cos(x * 2 * kPi / 18), 4.0f);
      float depth = std::min(1.0f, ease(20, 150, x) * (1 - 0.3f * rings) + 0.5f * rings * ring);
      // Faint ribs along the rays, 18 rows apart: finer ones flicker as the
      // bands stretch from one frame to the next.
      float rib = 1 + 0.08f * std::sin(y * 2 * kPi / 18 + 2 * fbm(x * 0.03f, y * 0.1f, 2, 0.5f, 252));
      // The carries climb steeply with the light: at 0.6 the worst frame
      // carries in 0.7% of the texels, at 0.615 in more than 1%.
      img.at(x, y) = mix(core, wall, ease(75, 125, x)) * (0.6f * depth * rib * lead);
    }
  }
  clamp_image(img);
  return quantize(img, 1.0f);
}
