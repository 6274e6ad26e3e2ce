// The five gallery pictures: the low sun over the tundra (a rendered height
// field), the cabin (pixelled), ice spheres on a frozen lake (ray traced),
// icebergs under the moon (pixelled) and the aurora over the forest.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/gen_content/noise.h"
#include "tools/gen_content/picture_builders.h"
#include "tools/gen_content/quantize.h"
#include "tools/gen_content/raytrace.h"
#include "tools/gen_content/scenery.h"

namespace {

constexpr float kPi = 3.14159265f;

float tundra_height(float x, float z) {
  float hills = fbm(x * 0.005f, z * 0.005f, 4, 0.5f, 201);
  float ridge = 1.0f - std::fabs(2 * fbm(x * 0.0026f + 3, z * 0.0026f, 4, 0.45f, 202) - 1);
  float far = std::clamp((z - 300) / 900.0f, 0.0f, 1.0f);
  // Wind-carved ripples in the snow close by.
  float ripples = std::sin(x * 0.22f + z * 0.05f + fbm(x * 0.02f, z * 0.02f, 2, 0.5f, 205) * 8) *
                  std::clamp(1 - z / 400, 0.0f, 1.0f);
  return hills * 90 + ridge * ridge * 420 * far + ripples * 1.2f;
}

// Height-field landscape rendered column by column from near to far, lit
// from behind by the sun on the horizon: slopes facing us lie in blue
// shadow, ridges catch a golden rim.
Picture low_sun() {
  Image img(320, 200);
  const int horizon = 96;
  const float sun_x = 204, sun_y = horizon - 16;
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float t = std::clamp((horizon - y) / 96.0f, 0.0f, 1.0f);
      Rgb c = mix(hex(0xffa878), hex(0x7a5aa8), std::pow(t, 0.5f));
      c = mix(c, hex(0x1a1c58), std::clamp((t - 0.45f) * 1.8f, 0.0f, 1.0f));
      float sun = std::hypot(x - sun_x, (y - sun_y) * 1.8f);
      c = c + tint::kSunGold * (0.8f * std::exp(-sun / 34.0f));
      img.at(x, y) = c;
    }
  add_stars(img, 204, 0.004f, 30, 0.6f);
  add_glow_disc(img, sun_x, sun_y, 10, hex(0xfff6d8), hex(0xffa060), 12);
  const float cam_h = 105, scale = 130;
  const float sun_dir[3] = {0.25f, 0.18f, 0.95f};
  for (int x = 0; x < 320; x++) {
    float dir = (x - 160) / 160.0f;
    int drawn = 200;
    for (float z = 10; z < 2400; z *= 1.01f) {
      float wx = dir * z, wz = z;
      float h = tundra_height(wx, wz);
      int sy = static_cast<int>(horizon + (cam_h - h) * scale / z);
      if (sy >= drawn) continue;
      float e = 1.5f + z * 0.004f;
      float dx = (tundra_height(wx + e, wz) - tundra_height(wx - e, wz)) / (2 * e);
      float dz = (tundra_height(wx, wz + e) - tundra_height(wx, wz - e)) / (2 * e);
      float n[3] = {-dx, 1, -dz};
      float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      float lit = std::max(0.0f, (n[0] * sun_dir[0] + n[1] * sun_dir[1] + n[2] * sun_dir[2]) / len);
      float rim = std::clamp(lit * 1.6f - 0.1f, 0.0f, 1.0f);
      float facing_us = std::clamp(dz / len * 2.5f, 0.0f, 1.0f);
      Rgb snow = mix(hex(0x8a84d0), hex(0x34357e), facing_us);
      snow = mix(snow, hex(0xffd0a0), rim);
      float fog = std::clamp(z / 2400.0f, 0.0f, 1.0f);
      Rgb c = mix(snow, hex(0xe0a0a8), std::pow(fog, 0.8f) * 0.85f);
      for (int y = std::max(0, sy); y < drawn; y++) img.at(x, y) = c;
      drawn = std::max(0, sy);
      if (drawn == 0) break;
    }
  }
  clamp_image(img);
  return quantize(img, 1.0f);
}

// The pixelled cabin is drawn shape by shape; every shape also writes its
// tag, so that dark outlines can be traced where two shapes meet.
struct Drawing {
  Image img{320, 200};
  std::vector<uint8_t> tag = std::vector<uint8_t>(320 * 200, 0);

  void fill(const std::vector<Vec2>& shape, Rgb colour, uint8_t id) {
    Mask m(320, 200);
    mask_polygon(m, shape);
    for (size_t k = 0; k < m.a.size(); k++)
      if (m.a[k] >= 0.5f) {
        img.px[k] = colour;
        tag[k] = id;
      }
  }
};

float far_hill(float x) { return 118 - 22 * std::sin(x / 320.0f * kPi * 1.2f + 0.3f); }

void cabin_hills(Drawing& d) {
  for (int layer = 0; layer < 2; layer++)
    for (int x = 0; x < 320; x++) {
      float top = layer == 0 ? far_hill(static_cast<float>(x)) : 150 - 10 * std::sin(x / 90.0f);
      for (int y = static_cast<int>(top); y < 200; y++) {
        float shade = std::clamp((y - top) / 60.0f, 0.0f, 1.0f);
        d.img.at(x, y) = layer == 0 ? mix(hex(0xb8c4f0), hex(0x6a78c0), shade) : mix(hex(0xe8f0ff), hex(0x8a98d8), shade);
        d.tag[y * 320 + x] = static_cast<uint8_t>(1 + layer);
      }
    }
}

void cabin_spruces(Drawing& d) {
  Rng rng(213);
  for (int i = 0; i < 9; i++) {
    float x = i < 5 ? 10 + i * 22 + rng.range(0, 8) : 230 + (i - 5) * 24 + rng.range(0, 8);
    float base = far_hill(x) + 4;
    float h = rng.range(26, 44);
    for (int tier = 0; tier < 3; tier++) {
      float ty = base - h + tier * h * 0.28f;
      float w = h * (0.18f + tier * 0.1f);
      uint8_t id = static_cast<uint8_t>(10 + i);
      d.fill({{x, ty}, {x + w, ty + h * 0.42f}, {x - w, ty + h * 0.42f}}, hex(0x14403a), id);
      d.fill({{x, ty}, {x + w * 0.55f, ty + h * 0.2f}, {x - w * 0.55f, ty + h * 0.2f}}, hex(0xdfe8ff), id);
    }
  }
}

// Log walls, a chimney, a snowed roof, two warm windows and a door.
void cabin_house(Drawing& d) {
  d.fill({{118, 112}, {206, 112}, {206, 152}, {118, 152}}, hex(0x5a3420), 30);
  for (int y = 114; y < 152; y += 5)
    for (int x = 118; x < 206; x++) d.img.at(x, y) = hex(0x3a2014);
  d.fill({{182, 82}, {192, 82}, {192, 104}, {182, 104}}, hex(0x4a4a60), 31);
  d.fill({{108, 114}, {162, 80}, {216, 114}}, hex(0x2a1a20), 32);
  d.fill({{106, 112}, {162, 76}, {218, 112}, {212, 114}, {162, 84}, {112, 114}}, hex(0xf0f6ff), 33);
  for (int w = 0; w < 2; w++) {
    float wx = w ? 176 : 132;
    d.fill({{wx, 122}, {wx + 18, 122}, {wx + 18, 140}, {wx, 140}}, hex(0xffc050), static_cast<uint8_t>(34 + w));
    for (int y = 122; y < 140; y++) d.img.at(static_cast<int>(wx + 9), y) = hex(0x3a2014);
    for (int x = static_cast<int>(wx); x < wx + 18; x++) d.img.at(x, 131) = hex(0x3a2014);
    // Warm light spills onto the snow in front.
    for (int y = 152; y < 200; y++)
      for (int x = 0; x < 320; x++) {
        float dist = std::hypot((x - wx - 9) / 1.8f, (y - 152) * 1.2f);
        d.img.at(x, y) = d.img.at(x, y) + tint::kEmber * (0.35f * std::exp(-dist / 16.0f));
      }
  }
  d.fill({{154, 128}, {168, 128}, {168, 152}, {154, 152}}, hex(0x2a160c), 36);
}

void cabin_smoke(Image& img) {
  for (int y = 0; y < 84; y++)
    for (int x = 170; x < 250; x++) {
      float rise = (84 - y) / 84.0f;
      float cx = 187 + rise * 34 + 5 * std::sin(rise * 7);
      float width = 3 + rise * 14;
      float body = std::exp(-std::pow((x - cx) / width, 2.0f));
      float billow = fbm(x * 0.08f, y * 0.08f + rise * 2, 3, 0.5f, 214);
      float a = body * (0.3f + 0.9f * billow) * (1 - rise * 0.7f);
      img.at(x, y) = mix(img.at(x, y), hex(0xa8b0d8), std::clamp(a, 0.0f, 0.9f));
    }
}

// Darkens the pixels of tagged shapes (tag 10 and up) that touch another tag.
void outline_shapes(Drawing& d) {
  for (int y = 1; y < 199; y++)
    for (int x = 1; x < 319; x++) {
      uint8_t c = d.tag[y * 320 + x];
      if (c < 10) continue;
      if (d.tag[y * 320 + x - 1] != c || d.tag[y * 320 + x + 1] != c || d.tag[(y - 1) * 320 + x] != c ||
          d.tag[(y + 1) * 320 + x] != c)
        d.img.at(x, y) = d.img.at(x, y) * 0.3f;
    }
}

// Pixelled cabin in the snow: shapes with dark outlines, 40 colours, dithered.
Picture cabin() {
  Drawing d;
  const Rgb stops[3] = {hex(0x060820), hex(0x182060), hex(0x3a3a88)};
  const float at[3] = {0.0f, 0.6f, 1.0f};
  sky_gradient(d.img, 0, 130, stops, at, 3);
  add_stars(d.img, 211, 0.01f, 130);
  add_aurora(d.img, {70, 20, 40, 0.55f, 0.012f, 212, tint::kAuroraGreen, tint::kViolet}, 0, 130);
  add_glow_disc(d.img, 262, 34, 12, hex(0xfff8e8), hex(0x5060b0), 18);
  cabin_hills(d);
  cabin_spruces(d);
  cabin_house(d);
  cabin_smoke(d.img);
  outline_shapes(d);
  for (int i = 0; i < 9; i++) {  // footprints to the door
    int fx = static_cast<int>(161 + (i % 2 ? 4 : -4) + i * 2.5f), fy = 158 + i * 5;
    for (int k = -1; k <= 1; k++) d.img.at(fx + k, fy) = hex(0x8090d0);
  }
  clamp_image(d.img);
  Picture p(320, 200);
  build_palette(d.img, p, 0, 40);
  map_to_palette(d.img, p, 0, 40, 1.6f);
  return p;
}

// Ray-traced ice spheres and a crystal on a frozen lake under the aurora.
Picture ice_spheres() {
  Scene scene;
  scene.spheres = {{{0.0f, 1.0f, 0.0f}, 1.0f, hex(0xb0e8ff), 0.1f, 1.0f},
                   {{-1.95f, 0.62f, 0.7f}, 0.62f, hex(0xd890ff), 0.15f, 0.8f},
                   {{1.75f, 0.5f, -0.4f}, 0.5f, hex(0x90ffd0), 0.15f, 0.8f},
                   {{0.85f, 0.26f, -1.7f}, 0.26f, hex(0xffc080), 0.2f, 0.6f}};
  Image img(320, 200);
  Camera cam{{0.0f, 1.25f, -4.8f}, {0.0f, 0.85f, 0.0f}, 0.8f};
  render(scene, cam, img);
  clamp_image(img);
  return quantize(img, 1.0f);
}

// Icebergs in a calm sea with the moon's path on the water.
Picture icebergs() {
  Image img(320, 200);
  const int horizon = 120;
  const Rgb stops[3] = {hex(0x04061a), hex(0x1a2058), hex(0x4a4a98)};
  const float at[3] = {0.0f, 0.65f, 1.0f};
  sky_gradient(img, 0, horizon, stops, at, 3);
  add_stars(img, 221, 0.01f, horizon);
  add_glow_disc(img, 110, 48, 20, hex(0xfff8e8), hex(0x6070c0), 26);
  for (int y = horizon; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float depth = (y - horizon) / 80.0f;
      float wave = value_noise(x * 0.05f / (0.2f + depth), y * 0.9f, 222);
      Rgb c = mix(hex(0x1a2058), hex(0x060a24), depth * 0.7f);
      float path = std::exp(-std::pow((x - 110) / (10 + 40 * depth), 2.0f));
      if (wave > 0.62f) c = c + hex(0xfff0d0) * (path * 0.9f) + hex(0x3040a0) * 0.3f;
      img.at(x, y) = c;
    }
  Rng rng(223);
  const float bergs[4][3] = {{238, 78, 50}, {48, 44, 28}, {162, 26, 13}, {300, 24, 17}};
  for (const auto& b : bergs) {
    float cx = b[0], w = b[1], h = b[2];
    std::vector<Vec2> outline;
    const int n = 8;
    for (int i = 0; i <= n; i++) {
      float t = static_cast<float>(i) / n;
      float peak = i == 0 || i == n ? 0.0f : std::pow(std::sin(t * kPi), 0.6f) * h * rng.range(0.65f, 1.1f);
      outline.push_back({cx - w / 2 + t * w + rng.range(-2, 2) * (i > 0 && i < n), horizon - peak});
    }
    // Facets: a fan of triangles from a point inside, each split once more,
    // lit from the moon's side (upper left).
    Vec2 core{cx - w * 0.12f, horizon - h * 0.35f};
    std::vector<std::array<Vec2, 3>> facets;
    for (int i = 0; i < n; i++) {
      Vec2 a = outline[i], c = outline[i + 1];
      Vec2 m{(a.x + c.x) / 2 + rng.range(-3, 3), (a.y + c.y) / 2 + rng.range(-3, 3)};
      facets.push_back({core, a, m});
      facets.push_back({core, m, c});
    }
    facets.push_back({core, outline[n], outline[0]});
    for (const auto& f : facets) {
      Mask m(320, 200);
      mask_polygon(m, {f[0], f[1], f[2]});
      float nx = (f[1].x + f[2].x) / 2 - core.x, ny = (f[1].y + f[2].y) / 2 - core.y;
      float len = std::hypot(nx, ny) + 1e-3f;
      float lit = std::clamp(0.55f + 0.45f * (-nx * 0.7f - ny * 0.7f) / len + rng.range(-0.12f, 0.12f), 0.05f, 1.0f);
      Rgb c = mix(hex(0x2a4898), hex(0xf4fcff), lit);
      paint(img, m, c);
      // The mirror image in the water, darker and broken by ripples.
      for (int y = 0; y <= horizon; y++)
        for (int x = 0; x < 320; x++) {
          float a = m.at(x, y);
          int ry = 2 * horizon - y;
          if (a <= 0 || ry >= 200) continue;
          float ripple = value_noise(x * 0.2f, ry * 0.8f, 224);
          if (ripple > 0.35f) img.at(x, ry) = mix(img.at(x, ry), c * 0.45f, a * 0.8f);
        }
    }
  }
  clamp_image(img);
  Picture p(320, 200);
  build_palette(img, p, 0, 64);
  map_to_palette(img, p, 0, 64, 1.4f);
  return p;
}

Picture aurora_forest() {
  Image img(320, 200);
  const int horizon = 138;
  const Rgb stops[3] = {hex(0x04051a), hex(0x0e1440), hex(0x242a68)};
  const float at[3] = {0.0f, 0.7f, 1.0f};
  sky_gradient(img, 0, horizon, stops, at, 3);
  add_stars(img, 231, 0.01f, horizon, 0.8f);
  add_aurora(img, {118, 40, 80, 1.3f, 0.009f, 232, tint::kAuroraGreen, tint::kAuroraPink}, 0, horizon);
  add_aurora(img, {70, 30, 40, 0.7f, 0.015f, 233, tint::kAuroraTeal, tint::kViolet}, 0, horizon);
  // The lake mirrors the sky.
  for (int y = horizon; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      int sy = std::clamp(2 * horizon - y, 0, horizon - 1);
      float ripple = (value_noise(x * 0.03f, y * 0.7f, 234) - 0.5f) * 6;
      int sx = std::clamp(static_cast<int>(x + ripple), 0, 319);
      img.at(x, y) = img.at(sx, sy) * 0.6f + hex(0x040818);
    }
  // Spruce silhouettes along the shore, and their mirror images.
  Rng rng(235);
  for (int i = 0; i < 44; i++) {
    float x = rng.range(-10, 330);
    float h = rng.range(10, 46) * (std::fabs(x - 160) > 70 ? 1.0f : 0.55f);
    std::vector<Vec2> tree = spruce_outline(x, horizon + 1, h);
    Mask m(320, 200);
    mask_polygon(m, tree);
    paint(img, m, hex(0x03040e));
    for (int y = 0; y < horizon; y++)
      for (int xx = 0; xx < 320; xx++) {
        int ry = 2 * horizon - y + 1;
        if (m.at(xx, y) > 0 && ry < 200) img.at(xx, ry) = mix(img.at(xx, ry), hex(0x05081a), m.at(xx, y) * 0.9f);
      }
  }
  clamp_image(img);
  return quantize(img, 1.0f);
}

}  // namespace

Picture make_gallery(int number) {
  switch (number) {
    case 1: return low_sun();
    case 2: return cabin();
    case 3: return ice_spheres();
    case 4: return icebergs();
    default: return aurora_forest();
  }
}
