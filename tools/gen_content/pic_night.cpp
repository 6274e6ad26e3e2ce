// The big night pictures: the swirled panorama, the title with its standing
// stone, the spruce, the frost ferns, the Milky Way and the ice cave.
#include <algorithm>
#include <cmath>

#include "tools/gen_content/noise.h"
#include "tools/gen_content/picture_builders.h"
#include "tools/gen_content/quantize.h"
#include "tools/gen_content/scenery.h"

namespace {

// The standing stone of the title: its first and last inside column on row y.
// Pointed at the top, widening slowly to the ground, edges a little uneven.
void stone_span(int y, int& left, int& right) {
  float w = y < 24 ? 2.0f + y * 0.8f : 21.2f + (y - 24) * 0.085f;
  float wobble_l = (value_noise(y * 0.09f, 1.0f, 901) - 0.5f) * 3.0f;
  float wobble_r = (value_noise(y * 0.09f, 2.0f, 902) - 0.5f) * 3.0f;
  left = static_cast<int>(std::lround(160.0f - w + wobble_l));
  right = static_cast<int>(std::lround(159.0f + w + wobble_r));
}

// The spruce of the second silhouette: half width of the crown on row y
// (seven tiers of drooping branches), a trunk and a snow mound below.
float spruce_half_width(int y) {
  if (y >= 188) return 48.0f - (199 - y) * 2.2f;  // snow mound
  if (y >= 176) return 7.0f;                      // trunk
  const int tiers = 7;
  float t = static_cast<float>(y) / 176.0f;
  float tier = t * tiers;
  int j = static_cast<int>(tier);
  float within = tier - j;
  float reach = 6.0f + 70.0f * (j + within) / tiers;
  // Branch tips droop: each tier flares fast at its bottom, and single
  // branches stick out a little further than their neighbours.
  float flare = 0.3f + 0.7f * std::pow(within, 0.6f);
  float twigs = 0.85f + 0.3f * value_noise(y * 0.45f, 3.0f, 55);
  return 1.5f + reach * flare * twigs;
}

Image night_backdrop(int w, int h, int horizon, uint32_t seed) {
  Image img(w, h);
  const Rgb stops[4] = {tint::kNight, tint::kIndigo, tint::kDusk, hex(0x6a4a9a)};
  const float at[4] = {0.0f, 0.5f, 0.85f, 1.0f};
  sky_gradient(img, 0, horizon, stops, at, 4);
  add_stars(img, seed, 0.012f, horizon);
  return img;
}

}  // namespace

Picture make_swirl() {
  Image img = night_backdrop(320, 400, 300, 11);
  add_aurora(img, {150, 45, 45, 0.55f, 0.010f, 21, tint::kAuroraTeal, tint::kViolet}, 0, 300);
  add_aurora(img, {232, 36, 75, 1.0f, 0.013f, 22, tint::kAuroraGreen, tint::kAuroraPink}, 0, 300);
  add_glow_disc(img, 160, 201, 15, hex(0xf4f0e0), hex(0x8070c0), 22);
  add_ridge(img, 282, 60, 0.012f, 31, hex(0x2a2f66), hex(0xa8b8f0), 0.35f, hex(0x6a4a9a), -1);
  add_ridge(img, 301, 26, 0.02f, 32, hex(0x101438), hex(0x7080c0), 0.0f, tint::kNight, -1);
  // The frozen lake mirrors the sky, darker and broken into streaks.
  for (int y = 301; y < 400; y++) {
    float depth = (y - 300) / 100.0f;
    for (int x = 0; x < 320; x++) {
      int sx = std::clamp(x + static_cast<int>((value_noise(x * 0.02f, y * 0.6f, 41) - 0.5f) * 10 * depth), 0, 319);
      int sy = std::clamp(600 - y, 0, 299);
      Rgb mirror = img.at(sx, sy) * (0.55f - 0.25f * depth);
      float streak = value_noise(x * 0.01f, y * 0.9f, 42);
      Rgb ice = mix(hex(0x1a2456), hex(0x6a80c8), streak * 0.5f);
      img.at(x, y) = mix(mirror + hex(0x0a1030), ice, 0.25f + 0.3f * streak * depth);
    }
  }
  clamp_image(img);
  return quantize(img, 1.0f);
}

namespace {

// Snow field lit from the moon on the left, with drifts, and the stone's
// long shadow falling to the right.
void title_snow(Image& img) {
  for (int y = 150; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float drift = fbm(x * 0.02f, y * 0.12f, 4, 0.5f, 44);
      float t = (y - 150) / 50.0f;
      img.at(x, y) = mix(hex(0x5a6ab0), hex(0xc8d4f8), 0.3f + 0.5f * drift * (0.4f + 0.6f * t));
    }
  for (int y = 184; y < 200; y++)
    for (int x = 160; x < 320; x++) {
      float along = (x - 160) / 160.0f;
      float width = 7.0f + 4.0f * along;
      float centre = 199.0f - 8.0f * along;
      float inside = std::clamp(width - std::fabs(y - centre), 0.0f, 1.0f) * (1.0f - along);
      img.at(x, y) = img.at(x, y) * (1.0f - 0.45f * inside);
    }
}

// The stone: blue-grey ice rock, lit on the left, cracked.
void title_stone(Image& img) {
  for (int y = 0; y < 200; y++) {
    int l, r;
    stone_span(y, l, r);
    for (int x = l; x <= r; x++) {
      float across = static_cast<float>(x - l) / static_cast<float>(std::max(1, r - l));
      float light = 1.0f - across * 0.75f;
      float grain = fbm(x * 0.12f, y * 0.05f, 4, 0.55f, 45);
      float crack = std::fabs(fbm(x * 0.05f, y * 0.03f, 3, 0.5f, 46) - 0.5f) < 0.012f ? 0.75f : 1.0f;
      Rgb c = mix(hex(0x222a58), hex(0x8ea0d8), light * (0.55f + 0.45f * grain)) * crack;
      if (x == l) c = mix(c, hex(0xd0e0ff), 0.6f);
      img.at(x, y) = c;
    }
  }
}

// The title, carved down the stone and glowing with the aurora's colours:
// the font's smoothed 32-pixel letters shrunk to 24 pixels with coverage.
void title_letters(Image& img) {
  const char* title = "TUNDRIX";
  Image glow(320, 200);
  for (int i = 0; i < 7; i++) {
    Rgb c = mix(hex(0x70ffc0), hex(0xe070ff), i / 6.0f);
    std::vector<uint8_t> bits = glyph_bitmap(title[i], 4);
    int ox = 149, oy = 27 + i * 24;
    for (int y = 0; y < 24; y++)
      for (int x = 0; x < 24; x++) {
        int hits = 0;
        for (int sy = 0; sy < 4; sy++)
          for (int sx = 0; sx < 4; sx++) hits += bits[((y * 4 + sy) / 3) * 32 + (x * 4 + sx) / 3];
        if (!hits) continue;
        float a = hits / 16.0f;
        img.at(ox + x, oy + y) = mix(img.at(ox + x, oy + y), c, a);
        for (int dy = -3; dy <= 3; dy++)
          for (int dx = -3; dx <= 3; dx++)
            if (glow.inside(ox + x + dx, oy + y + dy))
              glow.at(ox + x + dx, oy + y + dy) = glow.at(ox + x + dx, oy + y + dy) + c * (0.012f * a);
      }
  }
  for (size_t i = 0; i < img.px.size(); i++) img.px[i] = img.px[i] + glow.px[i];
}

}  // namespace

Picture make_title() {
  Image img = night_backdrop(320, 200, 150, 12);
  add_aurora(img, {95, 28, 55, 0.9f, 0.011f, 23, tint::kAuroraGreen, tint::kViolet}, 0, 150);
  add_glow_disc(img, 58, 38, 11, hex(0xf8f4e4), hex(0x7060b0), 16);
  add_ridge(img, 150, 22, 0.015f, 33, hex(0x262a60), hex(0x9aa8e0), 0.3f, hex(0x6a4a9a), -1);
  title_snow(img);
  title_stone(img);
  title_letters(img);
  clamp_image(img);
  return quantize(img, 1.0f);
}

Picture make_silhouette_mask() {
  Picture p(320, 200, 0);
  for (int y = 0; y < 200; y++) {
    int l, r;
    stone_span(y, l, r);
    for (int x = l; x <= r; x++) p.set(x, y, 1);
  }
  p.set_colour(0, hex(0x000000));
  p.set_colour(1, hex(0xffffff));
  return p;
}

Picture make_second_silhouette() {
  Image img(320, 200, hex(0x241446));
  std::vector<uint8_t> inside(320 * 200, 0);
  Rng rng(77);
  for (int y = 0; y < 200; y++) {
    float hw = spruce_half_width(y);
    float jag_l = (value_noise(y * 0.5f, 1.0f, 51) - 0.5f) * std::min(12.0f, hw * 0.35f) + (hash01(y, 1, 51) - 0.5f) * 2;
    float jag_r = (value_noise(y * 0.5f, 2.0f, 51) - 0.5f) * std::min(12.0f, hw * 0.35f) + (hash01(y, 2, 51) - 0.5f) * 2;
    int l = static_cast<int>(std::lround(160 - hw + jag_l));
    int r = static_cast<int>(std::lround(159 + hw + jag_r));
    if (r < l) r = l;
    for (int x = l; x <= r; x++) {
      inside[y * 320 + x] = 1;
      float across = (x - 160.0f) / std::max(1.0f, hw);
      Rgb c;
      if (y >= 188) {
        c = mix(hex(0x9fb0e8), hex(0xf0f6ff), 0.5f + 0.5f * fbm(x * 0.1f, y * 0.2f, 3, 0.5f, 52) - 0.3f * across);
      } else if (y >= 176) {
        c = mix(hex(0x3a2418), hex(0x7a4a2a), 0.5f - 0.4f * across);
      } else {
        float tier = y / 176.0f * 7;
        float within = tier - std::floor(tier);
        float needles = fbm(x * 0.3f, y * 0.5f, 3, 0.6f, 53);
        c = mix(hex(0x0a3a38), hex(0x2a8a70), (0.7f - 0.45f * across) * (0.5f + 0.5f * needles));
        // Snow lies on the upper side of every tier.
        float snow = within < 0.35f ? (0.35f - within) / 0.35f : 0.0f;
        snow *= 0.6f + 0.6f * fbm(x * 0.15f, y * 0.3f, 3, 0.5f, 54);
        c = mix(c, mix(hex(0xe8f0ff), hex(0x90a8e0), std::max(0.0f, across)), std::clamp(snow, 0.0f, 1.0f));
      }
      img.at(x, y) = c;
    }
  }
  // A few warm lanterns hang in the branches.
  for (int i = 0; i < 14; i++) {
    int y = 24 + rng.below(150);
    float hw = spruce_half_width(y) * 0.8f;
    int x = 160 + static_cast<int>(rng.range(-hw, hw));
    Rgb c = i % 3 ? tint::kEmber : tint::kAuroraPink;
    for (int dy = -2; dy <= 2; dy++)
      for (int dx = -2; dx <= 2; dx++) {
        if (!img.inside(x + dx, y + dy) || !inside[(y + dy) * 320 + x + dx]) continue;
        float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
        img.at(x + dx, y + dy) = mix(img.at(x + dx, y + dy), d < 1.2f ? hex(0xfff0c0) : c, std::max(0.0f, 1.0f - d / 2.6f));
      }
  }
  clamp_image(img);
  Picture p(320, 200, 0);
  p.set_colour(0, hex(0x241446));
  build_palette(img, p, 1, 255, &inside);
  map_to_palette(img, p, 1, 255, 1.0f, &inside);
  return p;
}

namespace {

// One frost fern: a stem with alternating side shoots, each a smaller fern.
void frost_fern(Mask& mask, float x, float y, float angle, float length, float width, int depth, Rng& rng) {
  float ex = x + std::cos(angle) * length, ey = y + std::sin(angle) * length;
  mask_line(mask, x, y, ex, ey, width);
  if (depth == 0) return;
  int shoots = 5 + rng.below(3);
  for (int i = 1; i <= shoots; i++) {
    float t = static_cast<float>(i) / (shoots + 1);
    float side = i % 2 ? 1.0f : -1.0f;
    float bx = x + (ex - x) * t, by = y + (ey - y) * t;
    frost_fern(mask, bx, by, angle + side * rng.range(0.8f, 1.1f), length * (0.45f - 0.25f * t), width * 0.6f,
               depth - 1, rng);
  }
}

}  // namespace

Picture make_late_texture() {
  Image img(320, 200);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float n = fbm(x * 0.01f, y * 0.015f, 4, 0.5f, 61);
      img.at(x, y) = mix(hex(0x1a1060), hex(0x2a60a8), n * 0.8f + y / 400.0f);
    }
  Rng rng(62);
  Mask ferns(320, 200);
  for (int i = 0; i < 11; i++) {
    float x = rng.range(0, 320), y = i < 6 ? 205.0f : rng.range(-10, 60);
    float angle = i < 6 ? rng.range(-2.4f, -0.7f) : rng.range(0.6f, 2.5f);
    frost_fern(ferns, x, y, angle, rng.range(90, 150), 2.6f, 3, rng);
  }
  Mask halo(320, 200);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float sum = 0;
      for (int d = -3; d <= 3; d++) {
        if (x + d >= 0 && x + d < 320) sum += ferns.at(x + d, y);
        if (y + d >= 0 && y + d < 200) sum += ferns.at(x, y + d);
      }
      halo.at(x, y) = std::min(1.0f, sum / 6.0f);
    }
  paint(img, halo, hex(0x9a60e0), 0.6f);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float a = ferns.at(x, y);
      if (a > 0) img.at(x, y) = mix(img.at(x, y), mix(hex(0x80e8ff), hex(0xffffff), hash01(x, y, 63) * 0.6f), a);
    }
  clamp_image(img);
  return quantize(img, 1.0f);
}

Picture make_final() {
  Image img(320, 200);
  const Rgb stops[3] = {hex(0x02030c), hex(0x0a0c2a), hex(0x1c1848)};
  const float at[3] = {0.0f, 0.6f, 1.0f};
  sky_gradient(img, 0, 175, stops, at, 3);
  // The Milky Way runs across the sky, with dark dust lanes along it.
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float along = (x * 0.94f + y * 0.34f) / 340.0f;
      float across = (-x * 0.34f + y * 0.94f) - (20.0f + 60.0f * along);
      float band = std::exp(-across * across / (2 * 28.0f * 28.0f));
      float cloud = fbm(x * 0.025f, y * 0.025f, 5, 0.55f, 71);
      float dust = std::clamp((fbm(x * 0.04f + 7, y * 0.05f, 4, 0.5f, 72) - 0.45f) * 3.0f, 0.0f, 1.0f);
      float glow = band * (0.35f + 0.9f * cloud) * (1.0f - 0.8f * dust * std::exp(-across * across / 300.0f));
      Rgb hue = mix(hex(0x6a50c0), hex(0xd090d0), cloud);
      hue = mix(hue, hex(0x60c0d0), std::clamp((fbm(x * 0.02f, y * 0.02f, 3, 0.5f, 73) - 0.5f) * 2.5f, 0.0f, 1.0f));
      img.at(x, y) = img.at(x, y) + hue * (glow * 0.55f);
      // Stars gather in the band.
      float h = hash01(x, y, 74);
      if (h < 0.004f + 0.05f * band * cloud) {
        float b = hash01(x, y, 75);
        img.at(x, y) = img.at(x, y) + hex(0xe8f0ff) * (0.3f + 0.8f * b * b);
      }
    }
  add_stars(img, 76, 0.006f, 175, 0.9f);
  // Low tundra hills with a few spruces against the sky, and a tent with
  // a fire inside, the one warm light under the stars.
  for (int x = 0; x < 320; x++) {
    float top = 176 - 12 * fbm(x * 0.008f, 0.3f, 3, 0.5f, 77);
    for (int y = static_cast<int>(top); y < 200; y++)
      img.at(x, y) = mix(hex(0x161c48), hex(0x070a1c), std::clamp((y - top) / 20.0f, 0.0f, 1.0f));
  }
  Rng rng(78);
  for (int i = 0; i < 9; i++) {
    float x = i < 5 ? 8 + i * 17 + rng.range(0, 10) : 250 + (i - 5) * 17 + rng.range(0, 8);
    float h = rng.range(12, 30);
    Mask m(320, 200);
    mask_polygon(m, spruce_outline(x, 176 - 12 * fbm(x * 0.008f, 0.3f, 3, 0.5f, 77) + 2, h));
    paint(img, m, hex(0x04060f));
  }
  const float tx = 176, tb = 178 - 12 * fbm(tx * 0.008f, 0.3f, 3, 0.5f, 77);
  for (int y = 150; y < 200; y++)
    for (int x = 120; x < 240; x++) {
      float d = std::hypot((x - tx) / 2.2f, y - tb + 3);
      img.at(x, y) = img.at(x, y) + tint::kEmber * (0.35f * std::exp(-d / 9.0f));
    }
  Mask tent(320, 200), door(320, 200), poles(320, 200);
  mask_polygon(tent, {{tx, tb - 20}, {tx + 12, tb}, {tx - 12, tb}});
  mask_polygon(door, {{tx, tb - 9}, {tx + 3.5f, tb}, {tx - 3.5f, tb}});
  mask_line(poles, tx - 3, tb - 25, tx + 1, tb - 18, 1.0f);
  mask_line(poles, tx + 3, tb - 25, tx - 1, tb - 18, 1.0f);
  paint(img, tent, hex(0x3a2a40));
  paint(img, poles, hex(0x2a1a20));
  paint(img, door, hex(0xffb050));
  clamp_image(img);
  return quantize(img, 1.0f);
}

Picture make_still() {
  Image img = night_backdrop(320, 200, 140, 13);
  add_aurora(img, {100, 30, 50, 1.0f, 0.014f, 24, tint::kAuroraGreen, tint::kAuroraPink}, 0, 140);
  add_ridge(img, 140, 40, 0.014f, 34, hex(0x262a60), hex(0xa8b8f0), 0.25f, hex(0x6a4a9a), 1);
  for (int y = 140; y < 200; y++)
    for (int x = 0; x < 320; x++)
      if (img.at(x, y).b < 0.05f || y > 150)
        img.at(x, y) = mix(hex(0x4a5aa0), hex(0xb0c0f0), fbm(x * 0.03f, y * 0.1f, 3, 0.5f, 81) * (y - 130) / 70.0f);
  // The ice cave around the view: an opening with a ragged rim; the walls
  // are layered ice, translucent cyan near the light, deep blue inside.
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float dx = (x - 168.0f) / 128.0f, dy = (y - 112.0f) / 82.0f;
      float rim = 1.0f + 0.12f * (fbm(std::atan2(dy, dx) * 3.0f + 10, 0.5f, 4, 0.5f, 82) - 0.5f) * 2.0f;
      float d = std::sqrt(dx * dx + dy * dy) / rim;
      if (d < 1.0f) continue;
      float depth = std::clamp((d - 1.0f) * 1.8f, 0.0f, 1.0f);
      float warp = fbm(x * 0.015f, y * 0.03f, 4, 0.5f, 83);
      float layers = 0.5f + 0.5f * std::sin(d * 26.0f + warp * 16.0f) * (0.4f + 0.6f * fbm(x * 0.03f, y * 0.03f, 3, 0.5f, 87));
      float bubbles = hash01(x / 2, y / 2, 85) < 0.006f ? 0.2f : 0.0f;
      Rgb deep = mix(hex(0x0c1a5a), hex(0x1e3c98), layers);
      Rgb near = mix(hex(0x4aa8e8), hex(0xb8f4ff), layers);
      Rgb c = mix(near, deep, std::pow(depth, 0.7f)) + hex(0xffffff) * bubbles;
      if (d < 1.025f) c = mix(c, hex(0xf0ffff), 0.7f);
      // The floor of the cave: packed snow.
      if (dy > 0.55f) c = mix(c, mix(hex(0x8090d8), hex(0xd8e4ff), fbm(x * 0.05f, y * 0.1f, 3, 0.5f, 86)), std::clamp((dy - 0.55f) * 2.0f, 0.0f, 0.85f));
      img.at(x, y) = c;
    }
  Rng rng(84);
  for (int i = 0; i < 26; i++) {
    float x = 50 + rng.range(0, 240);
    float dx = (x - 168.0f) / 128.0f;
    if (std::fabs(dx) > 0.95f) continue;
    float roof = 112 - 82 * std::sqrt(1 - dx * dx);
    float len = rng.range(8, 34), w = rng.range(2, 5);
    Mask m(320, 200);
    mask_polygon(m, {{x - w, roof - 2}, {x + w, roof - 2}, {x + rng.range(-1, 1), roof + len}});
    for (int y = 0; y < 200; y++)
      for (int xx = 0; xx < 320; xx++) {
        float a = m.at(xx, y);
        if (a <= 0) continue;
        float across = (xx - (x - w)) / (2 * w);
        img.at(xx, y) = mix(img.at(xx, y), mix(hex(0xe0fcff), hex(0x4a80c0), across), a);
      }
  }
  clamp_image(img);
  return quantize(img, 1.0f);
}
