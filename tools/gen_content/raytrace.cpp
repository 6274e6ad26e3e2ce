#include "tools/gen_content/raytrace.h"

#include <algorithm>
#include <cmath>

#include "tools/gen_content/noise.h"
#include "tools/gen_content/scenery.h"

namespace {

V3f operator+(V3f a, V3f b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3f operator-(V3f a, V3f b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3f operator*(V3f a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float dot(V3f a, V3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3f cross(V3f a, V3f b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3f unit(V3f a) { return a * (1.0f / std::sqrt(dot(a, a))); }
V3f reflect(V3f d, V3f n) { return d - n * (2 * dot(d, n)); }

const V3f kMoon = unit({-0.42f, 0.27f, 0.87f});

// False for total internal reflection.
bool refract(V3f d, V3f n, float eta, V3f& out) {
  float c = -dot(d, n);
  float k = 1 - eta * eta * (1 - c * c);
  if (k < 0) return false;
  out = unit(d * eta + n * (eta * c - std::sqrt(k)));
  return true;
}

Rgb sky(V3f d) {
  float elevation = std::asin(std::clamp(d.y, -1.0f, 1.0f));
  float azimuth = std::atan2(d.x, d.z);
  Rgb c = mix(hex(0x3a3080), hex(0x04061a), std::clamp(elevation * 2.2f, 0.0f, 1.0f));
  float edge = 0.22f + 0.08f * std::sin(azimuth * 5) + 0.05f * std::sin(azimuth * 11 + 1);
  float above = elevation - edge;
  float glow = above > 0 ? std::exp(-above / 0.25f) : std::exp(-above * above / 0.0008f);
  float rays = 0.45f + 0.55f * fbm(azimuth * 30 + 50, 0.5f, 3, 0.6f, 241);
  c = c + mix(tint::kAuroraGreen, tint::kAuroraPink, std::clamp(above * 2.5f, 0.0f, 1.0f)) * (glow * rays * 0.8f);
  float star = hash01(static_cast<uint32_t>((azimuth + 4) * 420), static_cast<uint32_t>((elevation + 2) * 420), 242);
  if (star < 0.007f && elevation > 0.02f) c = c + hex(0xe0e8ff) * (0.25f + 100 * star);
  float moon = dot(d, kMoon);
  if (moon > 0.9992f) return hex(0xfff8e8);
  c = c + hex(0x8080c0) * (0.25f * std::exp((moon - 1) / 0.01f));
  return c;
}

bool hit_sphere(const Sphere& s, V3f o, V3f d, float& t) {
  V3f oc = o - s.centre;
  float b = dot(oc, d), c = dot(oc, oc) - s.radius * s.radius;
  float disc = b * b - c;
  if (disc < 0) return false;
  float q = std::sqrt(disc);
  t = -b - q;
  if (t < 1e-3f) t = -b + q;
  return t > 1e-3f;
}

bool shadowed(const Scene& scene, V3f p) {
  float t;
  for (const Sphere& s : scene.spheres)
    if (hit_sphere(s, p, kMoon, t)) return true;
  return false;
}

Rgb trace(const Scene& scene, V3f o, V3f d, int depth);

Rgb shade_sphere(const Scene& scene, const Sphere& s, V3f p, V3f d, int depth) {
  V3f n = unit(p - s.centre);
  float cosi = std::max(0.0f, -dot(d, n));
  float fresnel = 0.04f + 0.96f * std::pow(1 - cosi, 5.0f);
  float mirror = std::clamp(fresnel + s.reflectivity, 0.0f, 1.0f);
  Rgb reflected = depth > 0 ? trace(scene, p, reflect(d, n), depth - 1) : sky(reflect(d, n));
  Rgb through = s.tint * 0.3f;
  V3f inside;
  float t;
  // A ray refracted into the sphere leaves it again; should rounding make it
  // miss the far side, the sphere keeps its plain tint rather than trace from
  // an undefined point.
  if (depth > 0 && refract(d, n, 1.0f / 1.31f, inside) && hit_sphere(s, p + inside * 1e-3f, inside, t)) {
    V3f exit = p + inside * t;
    V3f n2 = unit(s.centre - exit);
    V3f out;
    if (!refract(inside, n2, 1.31f, out)) out = reflect(inside, n2);
    through = trace(scene, exit, out, depth - 1) * s.tint;
  }
  through = mix(s.tint * 0.45f, through, s.clarity);
  float specular = std::pow(std::max(0.0f, dot(reflect(d, n), kMoon)), 60.0f);
  return mix(through, reflected, mirror) + hex(0xffffff) * specular;
}

Rgb shade_lake(const Scene& scene, V3f p, V3f d, int depth) {
  float cracks = std::fabs(fbm(p.x * 0.7f, p.z * 0.7f, 4, 0.5f, 243) - 0.5f);
  float snow = std::clamp((fbm(p.x * 0.25f, p.z * 0.25f, 4, 0.5f, 244) - 0.55f) * 4, 0.0f, 1.0f);
  Rgb base = mix(hex(0x16286a), hex(0x3a5aa8), fbm(p.x * 0.3f, p.z * 0.3f, 3, 0.5f, 245));
  if (cracks < 0.012f) base = hex(0x8ab8f0);
  Rgb reflected = depth > 0 ? trace(scene, p, reflect(d, {0, 1, 0}), depth - 1) : sky(reflect(d, {0, 1, 0}));
  Rgb c = mix(base, reflected, 0.45f * (1 - snow));
  c = mix(c, hex(0xb0c0f0), snow);
  if (shadowed(scene, p)) c = c * 0.6f;
  float far = std::clamp(std::hypot(p.x, p.z) / 40.0f, 0.0f, 1.0f);
  return mix(c, hex(0x2a2a70), far * 0.6f);
}

Rgb trace(const Scene& scene, V3f o, V3f d, int depth) {
  float best = 1e9f;
  const Sphere* hit = nullptr;
  for (const Sphere& s : scene.spheres) {
    float t;
    if (hit_sphere(s, o, d, t) && t < best) {
      best = t;
      hit = &s;
    }
  }
  float plane = d.y < -1e-4f ? -o.y / d.y : 1e9f;
  if (plane > 1e-3f && plane < best && plane < 200) return shade_lake(scene, o + d * plane, d, depth);
  if (hit) return shade_sphere(scene, *hit, o + d * best, d, depth);
  return sky(d);
}

}  // namespace

void render(const Scene& scene, const Camera& camera, Image& image) {
  V3f forward = unit(camera.target - camera.eye);
  V3f right = unit(cross({0, 1, 0}, forward));
  V3f up = cross(forward, right);
  float aspect = static_cast<float>(image.height) / image.width;
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++) {
      float sx = ((x + 0.5f) / image.width * 2 - 1) * camera.zoom;
      float sy = (1 - (y + 0.5f) / image.height * 2) * camera.zoom * aspect;
      V3f d = unit(forward + right * sx + up * sy);
      image.at(x, y) = trace(scene, camera.eye, d, 3);
    }
}
