#include "tools/gen_icon/icon.h"

#include <algorithm>
#include <cmath>

#include "tools/gen_content/noise.h"
#include "tools/gen_content/raster.h"

namespace {

constexpr float kSin60 = 0.8660254f;
// Samples per pixel along each axis: 64 coverage levels for every edge.
constexpr int kSamples = 8;

// What one size can carry, in pixels of that size.
struct Style {
  float size;
  float margin;  // transparent border around the tile, whole pixels
  float corner;  // the tile's corner radius
  float radius;  // centre to the tip of an arm
  float arm;     // arm width; an even count of pixels at the small sizes
  int branches;  // pairs of side branches on each arm
  bool core;     // a light core in bluer edges, as the scene draws its flake
};

Style style_for(int size) {
  Style s;
  s.size = static_cast<float>(size);
  s.margin = std::max(1.0f, std::round(s.size / 32));
  s.corner = 0.19f * s.size;
  s.radius = 0.40f * s.size;
  // The centre sits on a pixel corner, so an even width keeps the upright
  // arms on whole pixel columns where a blurred pixel would show most.
  s.arm = std::max(2.0f, 2 * std::round(s.size * 0.024f));
  s.branches = size <= 16 ? 0 : size <= 32 ? 1 : size <= 64 ? 2 : 3;
  s.core = size >= 64;
  return s;
}

struct Segment {
  float ax, ay, bx, by, half_width;
};

// The snowflake has the symmetry of a hexagon with arms straight up and down,
// so a point folded into the quarter right of and above the centre meets the
// same shape; only the arms at 90, 30 and -30 degrees (with their branches)
// reach into that quarter.
struct Flake {
  std::vector<Segment> segments;
  float plate;  // apothem of the hexagonal plate in the middle
};

Flake make_flake(const Style& s, float width_scale) {
  Flake f;
  const float arm_dirs[3][2] = {{0.0f, 1.0f}, {kSin60, 0.5f}, {kSin60, -0.5f}};
  float length = s.radius - s.arm / 2;
  for (const auto& d : arm_dirs) {
    f.segments.push_back({0, 0, d[0] * length, d[1] * length, s.arm * width_scale / 2});
    for (int b = 1; b <= s.branches; b++) {
      float t = 0.25f + 0.65f * b / (s.branches + 1);
      float branch = s.radius * (0.36f - 0.28f * t);
      float bx = d[0] * s.radius * t, by = d[1] * s.radius * t;
      float half = std::max(0.75f, s.arm * 0.35f) * width_scale;
      for (float side : {-1.0f, 1.0f}) {
        // The arm's direction turned 60 degrees either way.
        float rx = d[0] * 0.5f - side * d[1] * kSin60, ry = side * d[0] * kSin60 + d[1] * 0.5f;
        f.segments.push_back({bx, by, bx + rx * branch, by + ry * branch, half});
      }
    }
  }
  // Below 48 pixels a plate would only blot the middle.
  f.plate = (s.size < 48 ? s.arm / 2 : 0.19f * s.radius) * width_scale;
  return f;
}

bool near_segment(const Segment& g, float x, float y) {
  float dx = g.bx - g.ax, dy = g.by - g.ay;
  float px = x - g.ax, py = y - g.ay;
  float t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
  float ex = px - t * dx, ey = py - t * dy;
  return ex * ex + ey * ey < g.half_width * g.half_width;
}

// (x, y) relative to the centre, y up, folded into x >= 0, y >= 0.
bool in_flake(const Flake& f, float x, float y) {
  if (y <= f.plate && kSin60 * x + 0.5f * y <= f.plate) return true;
  for (const Segment& g : f.segments)
    if (near_segment(g, x, y)) return true;
  return false;
}

// Signed distance to the tile's rounded square, negative inside.
float tile_distance(const Style& s, float x, float y) {
  float half = s.size / 2 - s.margin;
  float qx = std::fabs(x - s.size / 2) - (half - s.corner);
  float qy = std::fabs(y - s.size / 2) - (half - s.corner);
  float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
  return outside + std::min(std::max(qx, qy), 0.0f) - s.corner;
}

// The night sky of the show: deep blue above, violet below, a curtain of
// aurora whose bright lower edge arcs behind the snowflake, and a glow of
// moonlight around the flake.
Rgb sky(const Style& s, float x, float y) {
  float nx = x / s.size, ny = y / s.size;
  Rgb c = mix(hex(0x080c2e), hex(0x33206e), std::clamp(ny, 0.0f, 1.0f));
  float edge = 0.52f + 0.09f * std::sin(nx * 5.0f + 0.6f);
  float above = edge - ny;
  float curtain = above >= 0 ? std::exp(-above / 0.2f) : std::exp(-(above * above) / 0.0015f);
  float ray = fbm(nx * 16.0f + ny * 2.0f, ny * 0.7f, 3, 0.5f, 28);
  curtain *= 0.2f + 1.3f * ray * ray;
  Rgb light = mix(hex(0x3cf0b4), hex(0x4c5cf0), std::clamp(above / 0.35f, 0.0f, 1.0f));
  c = c + light * ((s.size < 32 ? 0.3f : 0.55f) * curtain);
  float r = std::hypot(nx - 0.5f, ny - 0.5f) / 0.36f;
  float glow = s.size < 32 ? 0.0f : 0.3f;
  return c + hex(0x3048b0) * (glow * std::exp(-r * r));
}

struct Star {
  float x, y, radius;
};

// A few stars in the sky around the flake, where a size has room for them,
// none touching the flake or another star.
std::vector<Star> make_stars(const Style& s, const Flake& flake) {
  std::vector<Star> stars;
  if (s.size < 64) return stars;
  Rng rng(29);
  for (int tries = 0; tries < 40; tries++) {
    float x = rng.range(0.1f, 0.9f) * s.size, y = rng.range(0.08f, 0.75f) * s.size;
    float radius = rng.range(0.004f, 0.009f) * s.size;
    bool clear = true;
    for (float ox = -1; ox <= 1; ox++)
      for (float oy = -1; oy <= 1; oy++) {
        float px = x + ox * 0.05f * s.size, py = y + oy * 0.05f * s.size;
        clear = clear && !in_flake(flake, std::fabs(px - s.size / 2), std::fabs(s.size / 2 - py));
      }
    for (const Star& other : stars) clear = clear && std::hypot(x - other.x, y - other.y) > 0.1f * s.size;
    if (clear) stars.push_back({x, y, radius});
  }
  return stars;
}

float starlight(const std::vector<Star>& stars, float x, float y) {
  float light = 0;
  for (const Star& star : stars) {
    float dx = (x - star.x) / star.radius, dy = (y - star.y) / star.radius;
    light += std::exp(-(dx * dx + dy * dy));
  }
  return light;
}

// The flake's colour at relative distance d from the centre (1 at a tip):
// white in the middle, ice blue, a touch of violet at the tips.
Rgb ice(float d) {
  Rgb c = mix(hex(0xf6fcff), hex(0xa8dcff), std::clamp(d * 1.3f, 0.0f, 1.0f));
  return mix(c, hex(0x9c9cff), std::clamp((d - 0.7f) * 2.5f, 0.0f, 1.0f));
}

struct Painter {
  Style style;
  Flake outer, inner;
  std::vector<Star> stars;

  // One sample; false outside the tile.
  bool sample(float x, float y, Rgb& out) const {
    float edge = tile_distance(style, x, y);
    if (edge >= 0) return false;
    float fx = std::fabs(x - style.size / 2), fy = std::fabs(style.size / 2 - y);
    float d = std::hypot(fx, fy) / style.radius;
    if (d <= 1.0f && in_flake(outer, fx, fy)) {
      out = ice(d);
      if (style.core && !in_flake(inner, fx, fy)) out = mix(out, hex(0x5c84e0), 0.4f);
      return true;
    }
    out = sky(style, x, y) + hex(0xe8f0ff) * starlight(stars, x, y);
    // A lighter rim along the top keeps the tile's outline on dark panels.
    float rim = std::max(1.0f, style.size / 64);
    if (edge > -rim) out = mix(out, hex(0x8898f0), 0.45f * (1 - y / style.size));
    return true;
  }
};

uint8_t to_byte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

}  // namespace

std::vector<uint8_t> draw_icon(int size) {
  Painter p{style_for(size), {}, {}, {}};
  p.outer = make_flake(p.style, 1.0f);
  p.inner = make_flake(p.style, 0.4f);
  p.stars = make_stars(p.style, p.outer);
  std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      Rgb sum{0, 0, 0};
      int covered = 0;
      for (int sy = 0; sy < kSamples; sy++)
        for (int sx = 0; sx < kSamples; sx++) {
          Rgb c;
          if (!p.sample(x + (sx + 0.5f) / kSamples, y + (sy + 0.5f) / kSamples, c)) continue;
          sum = sum + c;
          covered++;
        }
      uint8_t* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
      if (covered) {
        Rgb c = sum * (1.0f / covered);
        out[0] = to_byte(c.r);
        out[1] = to_byte(c.g);
        out[2] = to_byte(c.b);
      }
      out[3] = to_byte(static_cast<float>(covered) / (kSamples * kSamples));
    }
  return rgba;
}
