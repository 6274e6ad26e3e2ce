#include "tools/gen_content/raster.h"

#include <algorithm>
#include <cmath>

#include "tools/gen_content/glyphs.h"

Rgb hex(uint32_t rgb) {
  return {static_cast<float>(rgb >> 16 & 255) / 255.0f, static_cast<float>(rgb >> 8 & 255) / 255.0f,
          static_cast<float>(rgb & 255) / 255.0f};
}

namespace {
uint8_t to6(float v) {
  float c = std::clamp(v, 0.0f, 1.0f) * 63.0f + 0.5f;
  return static_cast<uint8_t>(c);
}
}  // namespace

void Picture::set_colour(int i, Rgb c) {
  palette[i * 3] = to6(c.r);
  palette[i * 3 + 1] = to6(c.g);
  palette[i * 3 + 2] = to6(c.b);
}

namespace {

// Even-odd test of one sample point against the polygon.
bool inside_polygon(const std::vector<Vec2>& pts, float x, float y) {
  bool in = false;
  size_t n = pts.size();
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    const Vec2& a = pts[i];
    const Vec2& b = pts[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

void bounds(const std::vector<Vec2>& pts, int w, int h, int& x0, int& y0, int& x1, int& y1) {
  float minx = 1e9f, miny = 1e9f, maxx = -1e9f, maxy = -1e9f;
  for (const Vec2& p : pts) {
    minx = std::min(minx, p.x);
    maxx = std::max(maxx, p.x);
    miny = std::min(miny, p.y);
    maxy = std::max(maxy, p.y);
  }
  x0 = std::max(0, static_cast<int>(std::floor(minx)));
  y0 = std::max(0, static_cast<int>(std::floor(miny)));
  x1 = std::min(w - 1, static_cast<int>(std::ceil(maxx)));
  y1 = std::min(h - 1, static_cast<int>(std::ceil(maxy)));
}

}  // namespace

void mask_polygon(Mask& mask, const std::vector<Vec2>& points) {
  if (points.size() < 3) return;
  int x0, y0, x1, y1;
  bounds(points, mask.width, mask.height, x0, y0, x1, y1);
  for (int y = y0; y <= y1; y++)
    for (int x = x0; x <= x1; x++) {
      int hits = 0;
      for (int sy = 0; sy < 4; sy++)
        for (int sx = 0; sx < 4; sx++)
          hits += inside_polygon(points, x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
      if (hits) mask.at(x, y) = std::min(1.0f, mask.at(x, y) + hits / 16.0f);
    }
}

void mask_line(Mask& mask, float x0, float y0, float x1, float y1, float width) {
  float r = width / 2;
  int bx0 = std::max(0, static_cast<int>(std::min(x0, x1) - r - 2));
  int bx1 = std::min(mask.width - 1, static_cast<int>(std::max(x0, x1) + r + 2));
  int by0 = std::max(0, static_cast<int>(std::min(y0, y1) - r - 2));
  int by1 = std::min(mask.height - 1, static_cast<int>(std::max(y0, y1) + r + 2));
  float dx = x1 - x0, dy = y1 - y0;
  float len2 = dx * dx + dy * dy;
  for (int y = by0; y <= by1; y++)
    for (int x = bx0; x <= bx1; x++) {
      float px = x + 0.5f - x0, py = y + 0.5f - y0;
      float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
      float d = std::hypot(px - t * dx, py - t * dy);
      float c = std::clamp(r - d + 0.5f, 0.0f, 1.0f);
      mask.at(x, y) = std::max(mask.at(x, y), c);
    }
}

void paint(Image& image, const Mask& mask, Rgb colour, float opacity) {
  for (size_t i = 0; i < image.px.size(); i++) {
    float a = mask.a[i] * opacity;
    if (a > 0) image.px[i] = mix(image.px[i], colour, a);
  }
}

void fill_rect(Picture& p, int x, int y, int w, int h, uint8_t v) {
  for (int yy = y; yy < y + h; yy++)
    for (int xx = x; xx < x + w; xx++) p.set(xx, yy, v);
}

namespace {

// One pixel-doubling pass that rounds off stair steps: a new sub-pixel takes
// the colour of two agreeing neighbours (the classic edge-smoothing rule).
std::vector<uint8_t> double_smooth(const std::vector<uint8_t>& src, int size) {
  int out = size * 2;
  std::vector<uint8_t> dst(static_cast<size_t>(out) * out);
  auto get = [&](int x, int y) -> uint8_t {
    return x < 0 || y < 0 || x >= size || y >= size ? 0 : src[y * size + x];
  };
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      uint8_t p = get(x, y), a = get(x, y - 1), b = get(x + 1, y), c = get(x - 1, y), d = get(x, y + 1);
      uint8_t e0 = p, e1 = p, e2 = p, e3 = p;
      if (c == a && c != d && a != b) e0 = a;
      if (a == b && a != c && b != d) e1 = b;
      if (d == c && d != b && c != a) e2 = c;
      if (b == d && b != a && d != c) e3 = d;
      dst[(2 * y) * out + 2 * x] = e0;
      dst[(2 * y) * out + 2 * x + 1] = e1;
      dst[(2 * y + 1) * out + 2 * x] = e2;
      dst[(2 * y + 1) * out + 2 * x + 1] = e3;
    }
  return dst;
}

}  // namespace

std::vector<uint8_t> glyph_bitmap(int code, int scale) {
  const Glyph8& glyph = glyph_for(code);
  std::vector<uint8_t> bits(64);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++) bits[y * 8 + x] = glyph_ink(glyph, x, y);
  int size = 8;
  while (size < 8 * scale && (scale == 2 || scale == 4)) {
    bits = double_smooth(bits, size);
    size *= 2;
  }
  if (size == 8 * scale) return bits;
  // Other scales: plain blocks.
  std::vector<uint8_t> out(static_cast<size_t>(64) * scale * scale);
  int s = 8 * scale;
  for (int y = 0; y < s; y++)
    for (int x = 0; x < s; x++) out[y * s + x] = bits[(y / scale) * 8 + x / scale];
  return out;
}

float bayer8(int x, int y) {
  static const uint8_t m[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                  {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                  {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                  {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
  return (m[y & 7][x & 7] + 0.5f) / 64.0f - 0.5f;
}
