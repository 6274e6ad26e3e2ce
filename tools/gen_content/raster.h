// The small paint library every picture generator draws with: an indexed
// picture with a 6-bit palette, a floating-point colour image for rendered
// scenes, and the few primitives the pictures need.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
  float r, g, b;  // 0..1 each; values above 1 are clipped when quantised
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
// Linear blend: t = 0 gives a, t = 1 gives b.
inline Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }
// A colour from 8-bit-style hex 0xRRGGBB.
Rgb hex(uint32_t rgb);

// Palette indices, row-major, plus 256 entries of 6-bit r, g, b.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  std::array<uint8_t, 768> palette{};

  Picture() = default;
  Picture(int w, int h, uint8_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // Writes one pixel; coordinates outside the picture are ignored.
  void set(int x, int y, uint8_t v) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y) * width + x] = v;
  }
  // Sets palette entry i from a colour (0..1 per channel, rounded to 6 bits).
  void set_colour(int i, Rgb c);
};

// A floating-point colour image for rendered pictures.
struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> px;

  Image() = default;
  Image(int w, int h, Rgb fill = {0, 0, 0}) : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
  Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
  Rgb at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// A coverage mask the size of a picture, 0..1 per pixel (anti-aliased
// shapes are drawn into masks, then composed onto images).
struct Mask {
  int width = 0, height = 0;
  std::vector<float> a;
  Mask(int w, int h) : width(w), height(h), a(static_cast<size_t>(w) * h, 0.0f) {}
  float at(int x, int y) const { return a[static_cast<size_t>(y) * width + x]; }
  float& at(int x, int y) { return a[static_cast<size_t>(y) * width + x]; }
};

struct Vec2 {
  float x, y;
};

// Fills a polygon (any winding, even-odd rule) into the mask with 4x4
// supersampling; coverage adds up to at most 1.
void mask_polygon(Mask& mask, const std::vector<Vec2>& points);
// A line of the given width with round ends.
void mask_line(Mask& mask, float x0, float y0, float x1, float y1, float width);
// Paints colour over the image where the mask covers it (alpha = coverage).
void paint(Image& image, const Mask& mask, Rgb colour, float opacity = 1.0f);

// Fills a rectangle of an indexed picture; parts outside are ignored.
void fill_rect(Picture& p, int x, int y, int w, int h, uint8_t v);

// The glyph of a character as a (8 * scale)^2 bitmap, diagonals smoothed by
// pixel doubling with edge rounding when scale is 2 or 4.
std::vector<uint8_t> glyph_bitmap(int code, int scale);

// Ordered-dither threshold for a pixel, -0.5..0.5 (8x8 Bayer matrix).
float bayer8(int x, int y);
