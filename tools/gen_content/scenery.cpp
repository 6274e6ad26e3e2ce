#include "tools/gen_content/scenery.h"

#include <algorithm>
#include <cmath>

#include "tools/gen_content/noise.h"

void sky_gradient(Image& image, int y0, int y1, const Rgb* stops, const float* at, int count) {
  for (int y = 0; y < image.height; y++) {
    float t = y1 > y0 ? std::clamp(static_cast<float>(y - y0) / static_cast<float>(y1 - y0), 0.0f, 1.0f) : 0.0f;
    Rgb c = stops[count - 1];
    for (int i = 0; i + 1 < count; i++)
      if (t <= at[i + 1]) {
        float span = at[i + 1] - at[i];
        c = mix(stops[i], stops[i + 1], span > 0 ? (t - at[i]) / span : 0.0f);
        break;
      }
    for (int x = 0; x < image.width; x++) image.at(x, y) = c;
  }
}

void add_stars(Image& image, uint32_t seed, float density, int limit, float brightness) {
  for (int y = 0; y < std::min(limit, image.height); y++)
    for (int x = 0; x < image.width; x++) {
      float h = hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed);
      if (h >= density) continue;
      float b = hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed + 7);
      float tone = hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed + 13);
      Rgb colour = tone < 0.2f ? hex(0xffe0c0) : tone < 0.5f ? hex(0xc0d8ff) : hex(0xffffff);
      float level = (0.25f + 0.75f * b * b) * brightness;
      image.at(x, y) = image.at(x, y) + colour * level;
      if (b > 0.93f) {  // a bright one: a small cross
        const int dx[4] = {-1, 1, 0, 0}, dy[4] = {0, 0, -1, 1};
        for (int k = 0; k < 4; k++)
          if (image.inside(x + dx[k], y + dy[k]) && y + dy[k] < limit)
            image.at(x + dx[k], y + dy[k]) = image.at(x + dx[k], y + dy[k]) + colour * (level * 0.4f);
      }
    }
}

void add_aurora(Image& image, const Aurora& a, int y0, int y1) {
  for (int x = 0; x < image.width; x++) {
    float fx = static_cast<float>(x) * a.x_scale;
    float edge = a.base + a.wave * (fbm(fx, 0.5f, 4, 0.5f, a.seed) - 0.5f) * 2.0f;
    // Rays: fine vertical streaks whose strength drifts along the curtain.
    float rays = 0.35f + 0.65f * std::pow(fbm(fx * 9.0f, 3.7f, 3, 0.6f, a.seed + 31), 1.6f) * 1.6f;
    float fold = 0.4f + 0.6f * fbm(fx * 2.0f, 9.1f, 3, 0.5f, a.seed + 57);
    for (int y = std::max(0, y0); y <= std::min(y1, image.height - 1); y++) {
      float d = edge - static_cast<float>(y);  // > 0 above the edge
      float glow;
      if (d >= 0)
        glow = std::exp(-d / a.height) * (1.0f - std::exp(-(d + 2.0f) / 3.0f));
      else
        glow = std::exp(-(d * d) / 6.0f) * 0.6f;
      if (glow <= 0.002f) continue;
      float up = std::clamp(d / (a.height * 1.6f), 0.0f, 1.0f);
      Rgb colour = mix(a.low, a.high, up);
      image.at(x, y) = image.at(x, y) + colour * (glow * rays * fold * a.strength);
    }
  }
}

void add_glow_disc(Image& image, float cx, float cy, float radius, Rgb core, Rgb halo, float halo_size) {
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++) {
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      Rgb& p = image.at(x, y);
      float h = std::exp(-std::max(0.0f, d - radius) / halo_size);
      p = p + halo * (h * 0.6f);
      float disc = std::clamp(radius - d + 0.5f, 0.0f, 1.0f);
      if (disc > 0) p = mix(p, core, disc);
    }
}

float ridge_row(float x, float base, float amplitude, float scale, uint32_t seed) {
  float n = fbm(x * scale, 0.0f, 5, 0.5f, seed);
  float ridged = 1.0f - std::fabs(2.0f * n - 1.0f);
  return base - amplitude * ridged;
}

void add_ridge(Image& image, float base, float amplitude, float scale, uint32_t seed, Rgb rock, Rgb snow,
               float haze, Rgb haze_colour, float light_dir) {
  // The ridge line comes from 1-D noise; the faces below it from a 2-D
  // field whose slope towards the light decides lit snow or shaded rock.
  auto field = [&](float x, float y) {
    float n = fbm(x * scale * 2.5f, y * scale * 4.0f, 4, 0.5f, seed + 3);
    return 1.0f - std::fabs(2.0f * n - 1.0f);
  };
  for (int x = 0; x < image.width; x++) {
    float top = ridge_row(static_cast<float>(x), base, amplitude, scale, seed);
    float edge_slope = ridge_row(x + 1.5f, base, amplitude, scale, seed) - ridge_row(x - 1.5f, base, amplitude, scale, seed);
    for (int y = std::max(0, static_cast<int>(std::floor(top))); y < image.height; y++) {
      float depth = static_cast<float>(y) - top;
      float cover = std::clamp(depth + 0.5f, 0.0f, 1.0f);
      float fx = static_cast<float>(x), fy = static_cast<float>(y);
      float gx = field(fx + 1, fy) - field(fx - 1, fy);
      float near_edge = std::exp(-depth / 10.0f);
      float slope = gx * 6.0f * (1 - near_edge) - edge_slope * 0.35f * near_edge;
      float lit = std::clamp(0.5f - slope * light_dir, 0.0f, 1.0f);
      float snowy = std::clamp((field(fx, fy) - 0.35f) * 3.0f + lit - 0.4f, 0.0f, 1.0f);
      Rgb c = mix(rock * (0.7f + 0.5f * lit), snow * (0.45f + 0.55f * lit), snowy);
      c = mix(c, haze_colour, haze);
      image.at(x, y) = mix(image.at(x, y), c, cover);
    }
  }
}

void clamp_image(Image& image) {
  for (Rgb& p : image.px) {
    p.r = std::clamp(p.r, 0.0f, 1.0f);
    p.g = std::clamp(p.g, 0.0f, 1.0f);
    p.b = std::clamp(p.b, 0.0f, 1.0f);
  }
}

Rgb aurora_cycle(float t) {
  const Rgb stops[5] = {tint::kAuroraGreen, tint::kAuroraTeal, tint::kViolet, tint::kAuroraPink, tint::kAuroraGreen};
  t = t - std::floor(t);
  float s = t * 4;
  int i = std::min(3, static_cast<int>(s));
  return mix(stops[i], stops[i + 1], s - i);
}

Rgb night_reflection(float x, float y, float size) {
  float nx = (x - size / 2) / (size / 2 * 0.95f), ny = (size / 2 - y) / (size / 2 * 0.95f);
  float r2 = nx * nx + ny * ny;
  float outside = 1.0f;
  if (r2 > 1) {  // beyond the ball the rim fades into the night
    float r = std::sqrt(r2);
    outside = std::max(0.25f, 1.0f - (r - 1.0f) * 4.0f);
    nx /= r;
    ny /= r;
    r2 = 1;
  }
  float nz = std::sqrt(1 - r2);
  // Reflection of a view straight into the ball.
  float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
  float elevation = std::asin(std::clamp(ry, -1.0f, 1.0f));
  float azimuth = std::atan2(rx, -rz);
  Rgb c;
  if (elevation > 0) {
    c = mix(hex(0x2a2a70), tint::kNight, std::min(1.0f, elevation * 1.4f));
    float curtain = std::exp(-std::pow((elevation - 0.35f - 0.15f * std::sin(azimuth * 3)) / 0.12f, 2.0f));
    float rays = 0.5f + 0.5f * fbm(azimuth * 6 + 20, 0.5f, 3, 0.5f, 131);
    c = c + mix(tint::kAuroraGreen, tint::kViolet, std::clamp(elevation * 1.5f, 0.0f, 1.0f)) * (curtain * rays * 0.9f);
    float moon = std::exp(-(std::pow(azimuth + 0.8f, 2.0f) + std::pow(elevation - 0.6f, 2.0f)) / 0.004f);
    c = c + hex(0xfff4e0) * moon;
  } else {
    float snow = fbm(azimuth * 4 + 40, elevation * 8, 3, 0.5f, 132);
    c = mix(hex(0x6070b8), hex(0x141a48), std::min(1.0f, -elevation * 1.6f)) * (0.8f + 0.4f * snow);
  }
  return c * outside;
}

std::vector<Vec2> spruce_outline(float x, float base, float h) {
  const int tiers = 5;
  std::vector<Vec2> tree{{x, base - h}};
  for (int t = 1; t <= tiers; t++) {
    float ty = base - h + h * t / (tiers + 0.5f);
    float w = h * 0.06f + h * 0.24f * t / tiers;
    tree.push_back({x + w, ty});
    tree.push_back({x + w * 0.35f, ty - h * 0.05f});
  }
  tree.push_back({x + 1, base});
  tree.push_back({x - 1, base});
  for (int t = tiers; t >= 1; t--) {
    float ty = base - h + h * t / (tiers + 0.5f);
    float w = h * 0.06f + h * 0.24f * t / tiers;
    tree.push_back({x - w * 0.35f, ty - h * 0.05f});
    tree.push_back({x - w, ty});
  }
  return tree;
}
