// Pictures that steer effects: the snowflake on black, the wipe's
// transition strip, the two threshold maps and the font.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "tools/gen_content/glyphs.h"
#include "tools/gen_content/noise.h"
#include "tools/gen_content/picture_builders.h"
#include "tools/gen_content/quantize.h"
#include "tools/gen_content/scenery.h"

namespace {

constexpr float kPi = 3.14159265f;

// Threshold maps: ranks the field's values and spreads them over `levels`
// equal-area steps from lo to hi (rounded), so every step occurs.
Picture threshold_picture(const std::vector<float>& field, int width, int height, int levels, int lo, int hi) {
  Picture p(width, height);
  std::vector<int> order(field.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return field[a] < field[b]; });
  size_t n = order.size();
  for (size_t rank = 0; rank < n; rank++) {
    int level = static_cast<int>(rank * static_cast<size_t>(levels) / n);
    int value = lo + static_cast<int>(std::lround(static_cast<double>(level) * (hi - lo) / (levels - 1)));
    p.pixels[order[rank]] = static_cast<uint8_t>(value);
  }
  // A grey ramp, so the map can be looked at; the show reads indices only.
  for (int i = 0; i < 256; i++) p.set_colour(i, mix(hex(0x000010), hex(0xd8f0ff), i / 255.0f));
  return p;
}

// A six-armed snowflake of the given radius into a mask: arms with pairs
// of side branches, a hexagonal plate in the middle.
void snowflake(Mask& mask, float cx, float cy, float radius, float turn, float width, uint32_t seed) {
  std::vector<Vec2> plate;
  for (int k = 0; k < 6; k++) {
    float a = turn + k * kPi / 3;
    plate.push_back({cx + std::cos(a) * radius * 0.22f, cy + std::sin(a) * radius * 0.22f});
  }
  mask_polygon(mask, plate);
  int branches = radius > 30 ? 4 : 2;
  for (int k = 0; k < 6; k++) {
    float a = turn + k * kPi / 3 + kPi / 6;
    float ca = std::cos(a), sa = std::sin(a);
    mask_line(mask, cx, cy, cx + ca * radius, cy + sa * radius, width);
    for (int b = 1; b <= branches; b++) {
      float t = 0.25f + 0.65f * b / (branches + 1);
      float len = radius * (0.42f - 0.3f * t) * (0.8f + 0.4f * hash01(seed, b));
      float bx = cx + ca * radius * t, by = cy + sa * radius * t;
      for (int side = -1; side <= 1; side += 2) {
        float ba = a + side * kPi / 3;
        mask_line(mask, bx, by, bx + std::cos(ba) * len, by + std::sin(ba) * len, width * 0.75f);
      }
    }
  }
}

}  // namespace

Picture make_sector() {
  Image img(320, 200);
  Mask flake(320, 200);
  snowflake(flake, 160, 100, 92, 0.0f, 6.0f, 91);
  Mask inner(320, 200);
  snowflake(inner, 160, 100, 88, 0.0f, 2.5f, 91);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float d = std::hypot(x - 160.0f, y - 100.0f) / 92.0f;
      float a = flake.at(x, y);
      if (a <= 0) continue;
      Rgb body = mix(hex(0xf0fcff), hex(0x40a0f0), std::clamp(d, 0.0f, 1.0f));
      body = mix(body, hex(0x8050e0), std::clamp((d - 0.6f) * 1.5f, 0.0f, 1.0f));
      Rgb edge = body * 0.45f;
      Rgb c = mix(edge, body, 0.4f + 0.6f * inner.at(x, y));
      img.at(x, y) = c * a;
    }
  // A ring of small crystals around it.
  Rng rng(92);
  for (int i = 0; i < 12; i++) {
    float a = i * kPi / 6 + kPi / 12;
    float r = rng.range(112, 140) * (i % 2 ? 1.0f : 0.8f);
    Mask m(320, 200);
    float size = rng.range(7, 13);
    float turn = rng.range(0, 1);
    snowflake(m, 160 + std::cos(a) * r * 1.35f, 100 + std::sin(a) * r * 0.75f, size, turn, 1.6f, 93 + i);
    for (size_t k = 0; k < img.px.size(); k++)
      if (m.a[k] > 0) img.px[k] = mix(img.px[k], hex(0xa8d8ff), m.a[k]);
  }
  clamp_image(img);
  // Pure black stays index 0, empty for the scene; every other pixel takes
  // one of the other entries, none of which is black.
  std::vector<uint8_t> lit(img.px.size());
  for (size_t k = 0; k < img.px.size(); k++) lit[k] = std::max({img.px[k].r, img.px[k].g, img.px[k].b}) > 0.02f;
  Picture p(320, 200, 0);
  build_palette(img, p, 1, 255, &lit);
  for (int i = 1; i < 256; i++)
    if (p.palette[i * 3] + p.palette[i * 3 + 1] + p.palette[i * 3 + 2] == 0) p.palette[i * 3 + 2] = 1;
  map_to_palette(img, p, 1, 255, 0.8f, &lit);
  return p;
}

Picture make_transition() {
  // Index 1 lets the old picture through, 2 the new one; the band between
  // is a drift of snowflakes over a jagged wall of ice.
  Picture p(320, 400, 1);
  fill_rect(p, 0, 200, 320, 200, 2);
  Image shade(320, 400);
  std::vector<uint8_t> drawn(320 * 400, 0);
  auto ink = [&](const Mask& m, Rgb c) {
    for (size_t k = 0; k < m.a.size(); k++)
      if (m.a[k] >= 0.5f) {
        shade.px[k] = c;
        drawn[k] = 1;
      }
  };
  // The ice wall: rows ~170..230 with jagged top and bottom edges, faceted.
  Mask wall(320, 400);
  std::vector<Vec2> outline;
  Rng rng(101);
  for (int x = 0; x <= 320; x += 10) outline.push_back({static_cast<float>(x), 178 - rng.range(0, 26)});
  for (int x = 320; x >= 0; x -= 10) outline.push_back({static_cast<float>(x), 222 + rng.range(0, 26)});
  mask_polygon(wall, outline);
  for (size_t k = 0; k < wall.a.size(); k++)
    if (wall.a[k] >= 0.5f) {
      int x = static_cast<int>(k % 320), y = static_cast<int>(k / 320);
      // Shards: a lattice of triangles, each lit on its own.
      float a = x / 22.0f + y / 13.0f, b = -x / 22.0f + y / 13.0f + 100;
      float fa = std::floor(a), fb = std::floor(b);
      uint32_t upper = (a - fa) + (b - fb) < 1.0f;
      float facet = hash01(static_cast<uint32_t>(fa), static_cast<uint32_t>(fb) * 2 + upper, 102);
      shade.px[k] = mix(hex(0x3a70d0), hex(0xf0faff), facet);
      drawn[k] = 1;
    }
  // Snowflakes thin out away from the wall, above and below.
  for (int i = 0; i < 70; i++) {
    // Draws are made one per statement: argument order is unspecified in C++.
    float reach = rng.range(30, 110);
    reach *= std::sqrt(rng.unit());
    float y = i % 2 ? 180 - reach : 220 + reach;
    float r = rng.range(4, 12) * (1.0f - std::fabs(y - 200) / 160.0f) + 3;
    float x = rng.range(0, 320);
    float turn = rng.range(0, 1);
    float tone = rng.unit();
    Mask m(320, 400);
    snowflake(m, x, y, r, turn, std::max(1.2f, r / 6), 103 + i);
    ink(m, mix(hex(0xa0d0ff), hex(0xffffff), tone));
  }
  build_palette(shade, p, 3, 253, &drawn);
  map_to_palette(shade, p, 3, 253, 0.5f, &drawn);
  for (size_t k = 0; k < drawn.size(); k++)
    if (!drawn[k]) p.pixels[k] = k < 200 * 320 ? 1 : 2;
  // Indices 1 and 2 are never seen; their colours only tell them apart on a contact sheet.
  p.set_colour(0, hex(0x000000));
  p.set_colour(1, hex(0x182058));
  p.set_colour(2, hex(0x5a3a80));
  return p;
}

Picture make_threshold() {
  // Frost grows out from the middle along six arms, with a crystalline grain.
  std::vector<float> field(320 * 200);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float dx = x - 160.0f, dy = (y - 100.0f) * 1.2f;
      float r = std::hypot(dx, dy);
      float arm = std::pow(std::fabs(std::cos(3 * std::atan2(dy, dx))), 6.0f);
      float grain = fbm(x * 0.06f, y * 0.06f, 4, 0.55f, 111);
      field[y * 320 + x] = r * (1.0f - 0.35f * arm) + 40.0f * grain + 6.0f * hash01(x, y, 112);
    }
  return threshold_picture(field, 320, 200, 64, 1, 235);
}

Picture make_fade_threshold() {
  // A five-armed spiral: the outer parts of the arms go first.
  std::vector<float> field(320 * 200);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      float dx = x - 160.0f, dy = (y - 100.0f) * 1.2f;
      float r = std::hypot(dx, dy);
      float a = std::atan2(dy, dx);
      float arms = 0.5f + 0.5f * std::sin(5 * a + r * 0.045f);
      field[y * 320 + x] = r + 55.0f * arms + 10.0f * fbm(x * 0.08f, y * 0.08f, 3, 0.5f, 121);
    }
  return threshold_picture(field, 320, 200, 61, 0, 222);
}

Picture make_font() {
  // Glyph pixels are index 13; a soft shadow (index 1) and the background
  // (index 0) are there for looks only.
  Picture p(320, 200, 0);
  for (int code = kGlyphFirst; code <= kGlyphLast; code++) {
    int cell = code - kGlyphFirst;
    int cx = (cell % 10) * 32, cy = (cell / 10) * 32;
    std::vector<uint8_t> bits = glyph_bitmap(code, 4);
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 32; x++)
        if (bits[y * 32 + x] && x + 2 < 32 && y + 2 < 32 && !bits[(y + 2) * 32 + x + 2]) p.set(cx + x + 2, cy + y + 2, 1);
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 32; x++)
        if (bits[y * 32 + x]) p.set(cx + x, cy + y, 13);
  }
  p.set_colour(0, hex(0x101438));
  p.set_colour(1, hex(0x06081c));
  p.set_colour(13, hex(0xe8f4ff));
  return p;
}
