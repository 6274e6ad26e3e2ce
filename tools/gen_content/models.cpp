// Four shapes with the counts the scenes were tuned for: a polar star and a
// twisted crystal (130/256 and 202/400, both genus 0: V - E + F = 2), a
// trefoil knot tube (128/256, a torus: V - E + F = 0) and a spiral horn
// (202/400). Texture coordinates run 0..255..0 around closed directions
// (a mirrored wrap), because the fillers interpolate them affinely and a
// jump from 255 to 0 inside one face would smear the whole texture across it.
#include "tools/gen_content/models.h"

#include "engine3d/object_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxCoordinate = 3300.0;

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 unit(V3 a) {
  double l = std::sqrt(dot(a, a));
  return l > 0 ? a * (1.0 / l) : V3{1, 0, 0};
}

// 0, ..., 255, ..., back towards 0 as i runs once around n steps.
uint8_t mirrored(int i, int n) {
  double t = 1.0 - std::fabs(2.0 * i / n - 1.0);
  return static_cast<uint8_t>(std::lround(std::min(255.0, t * 255.0)));
}

uint8_t along(int i, int n) { return static_cast<uint8_t>(std::lround(255.0 * i / n)); }

void add_vertex(Mesh& m, V3 p, uint8_t u, uint8_t v) { m.vertices.push_back({p.x, p.y, p.z, u, v}); }
void add_face(Mesh& m, int a, int b, int c) { m.faces.insert(m.faces.end(), {a, b, c}); }

// A closed surface of `rings` rings of `segments` vertices between two poles:
// vertex 0 is the first pole, then ring after ring, then the second pole.
// point(i, k) gives ring i, segment k; the poles are given separately.
Mesh pole_grid(int rings, int segments, V3 first_pole, V3 last_pole, const std::function<V3(int, int)>& point) {
  Mesh m;
  add_vertex(m, first_pole, 128, 0);
  for (int i = 0; i < rings; i++)
    for (int k = 0; k < segments; k++) add_vertex(m, point(i, k), mirrored(k, segments), along(i + 1, rings + 1));
  add_vertex(m, last_pole, 128, 255);
  auto at = [&](int i, int k) { return 1 + i * segments + (k % segments); };
  int last = 1 + rings * segments;
  for (int k = 0; k < segments; k++) add_face(m, 0, at(0, k + 1), at(0, k));
  for (int i = 0; i + 1 < rings; i++)
    for (int k = 0; k < segments; k++) {
      add_face(m, at(i, k), at(i, k + 1), at(i + 1, k + 1));
      add_face(m, at(i, k), at(i + 1, k + 1), at(i + 1, k));
    }
  for (int k = 0; k < segments; k++) add_face(m, last, at(rings - 1, k), at(rings - 1, k + 1));
  return m;
}

// A tube around a closed curve: `steps` cross-sections of `sides` vertices.
Mesh closed_tube(int steps, int sides, const std::function<V3(int, int)>& point) {
  Mesh m;
  for (int i = 0; i < steps; i++)
    for (int k = 0; k < sides; k++) add_vertex(m, point(i, k), mirrored(i, steps), mirrored(k, sides));
  auto at = [&](int i, int k) { return (i % steps) * sides + (k % sides); };
  for (int i = 0; i < steps; i++)
    for (int k = 0; k < sides; k++) {
      add_face(m, at(i, k), at(i + 1, k), at(i + 1, k + 1));
      add_face(m, at(i, k), at(i + 1, k + 1), at(i, k + 1));
    }
  return m;
}

double signed_volume(const Mesh& m) {
  double volume = 0;
  for (size_t f = 0; f < m.faces.size(); f += 3) {
    const MeshVertex& a = m.vertices[m.faces[f]];
    const MeshVertex& b = m.vertices[m.faces[f + 1]];
    const MeshVertex& c = m.vertices[m.faces[f + 2]];
    volume += dot(V3{a.x, a.y, a.z}, cross(V3{b.x, b.y, b.z}, V3{c.x, c.y, c.z})) / 6.0;
  }
  return volume;
}

// Centres the bounding box on the origin, scales the largest coordinate to
// kMaxCoordinate and winds every face outward.
void finish(Mesh& m) {
  double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
  for (const MeshVertex& v : m.vertices) {
    const double c[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; k++) {
      lo[k] = std::min(lo[k], c[k]);
      hi[k] = std::max(hi[k], c[k]);
    }
  }
  double extent = 0;
  for (int k = 0; k < 3; k++) extent = std::max(extent, (hi[k] - lo[k]) / 2);
  double scale = kMaxCoordinate / extent;
  for (MeshVertex& v : m.vertices) {
    v.x = (v.x - (lo[0] + hi[0]) / 2) * scale;
    v.y = (v.y - (lo[1] + hi[1]) / 2) * scale;
    v.z = (v.z - (lo[2] + hi[2]) / 2) * scale;
  }
  if (signed_volume(m) < 0)
    for (size_t f = 0; f < m.faces.size(); f += 3) std::swap(m.faces[f + 1], m.faces[f + 2]);
}

// Model A: an eight-pointed polar star, thick in the middle, with a ridge
// along every point.
Mesh polar_star() {
  const double z[8] = {1.0, 0.8, 0.5, 0.16, -0.16, -0.5, -0.8, -1.0};
  const double size[8] = {0.14, 0.38, 0.68, 1.0, 1.0, 0.68, 0.38, 0.14};
  return pole_grid(8, 16, {0, 0, 1.85}, {0, 0, -1.85}, [&](int i, int k) {
    double a = 2 * kPi * k / 16;
    double r = (k % 2 ? 1.05 : 3.2) * size[i] * (k % 4 == 0 ? 1.0 : 0.82 + 0.18 * (k % 2));
    return V3{r * std::cos(a), r * std::sin(a), z[i] * 1.5};
  });
}

// Model B: a five-pointed crystal column with pointed ends, twisted by
// three quarters of a turn from end to end.
Mesh twisted_crystal() {
  return pole_grid(20, 10, {0, 3.4, 0}, {0, -3.4, 0}, [](int i, int k) {
    double t = (i + 1) / 21.0;
    double y = (0.5 - t) * 6.2;
    double taper = std::min(1.0, (1.0 - std::fabs(2 * t - 1)) * 2.6);
    double bulge = 1.0 + 0.25 * std::sin(kPi * t);
    double a = 2 * kPi * k / 10 + t * kPi * 1.5;
    double r = (k % 2 ? 0.55 : 1.25) * taper * bulge;
    return V3{r * std::cos(a), y, r * std::sin(a)};
  });
}

// Model C: a trefoil knot swept with a square section that rolls along it.
Mesh trefoil_knot() {
  auto curve = [](double t) {
    return V3{std::sin(t) + 2 * std::sin(2 * t), std::cos(t) - 2 * std::cos(2 * t), -std::sin(3 * t)};
  };
  return closed_tube(32, 4, [&](int i, int k) {
    double t = 2 * kPi * i / 32;
    double h = 1e-4;
    V3 p = curve(t);
    V3 d1 = (curve(t + h) - curve(t - h)) * (0.5 / h);
    V3 d2 = (curve(t + h) - p * 2.0 + curve(t - h)) * (1.0 / (h * h));
    V3 tangent = unit(d1);
    V3 binormal = unit(cross(d1, d2));
    V3 normal = cross(binormal, tangent);
    double a = 2 * kPi * k / 4 + kPi / 4 + t;  // the section rolls once around the knot
    return p + (normal * std::cos(a) + binormal * std::sin(a)) * 0.55;
  });
}

// Model D: a horn that spirals once and a quarter around its axis while it
// widens, ribbed by an eight-sided section that turns along it.
Mesh spiral_horn() {
  auto centre = [](double t) {
    double a = t * 2.5 * kPi;
    double reach = 0.35 + 1.6 * t;
    return V3{reach * std::cos(a), 2.6 * (t - 0.5) * 1.4, reach * std::sin(a)};
  };
  auto frame = [&](double t, V3& tangent, V3& side, V3& up) {
    double h = 1e-4;
    tangent = unit(centre(t + h) - centre(t - h));
    side = unit(cross(tangent, V3{0, 1, 0}));
    up = cross(side, tangent);
  };
  const int rings = 25;
  auto point = [&](int i, int k) {
    double t = (i + 0.5) / rings;
    V3 tangent, side, up;
    frame(t, tangent, side, up);
    double radius = 0.08 + 0.62 * std::pow(t, 1.2);
    double a = 2 * kPi * k / 8 + t * kPi;
    double rib = k % 2 ? 0.82 : 1.0;
    return centre(t) + (side * std::cos(a) + up * std::sin(a)) * (radius * rib);
  };
  V3 tangent0, s0, u0, tangent1, s1, u1;
  frame(0.02, tangent0, s0, u0);
  frame(0.98, tangent1, s1, u1);
  V3 tip = centre(0.0) - tangent0 * 0.15;
  V3 mouth = centre(1.0) + tangent1 * 0.12;
  return pole_grid(rings, 8, tip, mouth, point);
}

// Every directed edge once, its reverse once: closed and consistently wound.
bool closed(const Mesh& m) {
  size_t n = m.vertices.size();
  std::vector<int> count(n * n, 0);
  for (size_t f = 0; f < m.faces.size(); f += 3)
    for (int e = 0; e < 3; e++) count[m.faces[f + e] * n + m.faces[f + (e + 1) % 3]]++;
  for (size_t a = 0; a < n; a++)
    for (size_t b = 0; b < n; b++)
      if (count[a * n + b] > 1 || count[a * n + b] != count[b * n + a]) return false;
  return true;
}

}  // namespace

Mesh model_mesh(ModelId model) {
  Mesh m;
  switch (model) {
    case MODEL_A: m = polar_star(); break;
    case MODEL_B: m = twisted_crystal(); break;
    case MODEL_C: m = trefoil_knot(); break;
    case MODEL_D: m = spiral_horn(); break;
    case MODEL_COUNT: break;
  }
  finish(m);
  if (!closed(m)) {
    std::fprintf(stderr, "gen_content: model %d is not a closed surface\n", static_cast<int>(model));
    std::exit(1);
  }
  return m;
}

std::vector<uint8_t> model_object_data(ModelId model) {
  Mesh m = model_mesh(model);
  const size_t v = m.vertices.size(), f = m.faces.size() / 3;
  std::vector<uint8_t> out(object_data_bytes(v, f, true));
  object_data_store16(&out[0], static_cast<int>(v));
  object_data_store16(&out[2], static_cast<int>(f));
  uint8_t* p = &out[kObjectDataHeaderBytes];
  for (const MeshVertex& mv : m.vertices) {
    object_data_store16(p, static_cast<int>(std::lround(mv.x)));
    object_data_store16(p + 2, static_cast<int>(std::lround(mv.y)));
    object_data_store16(p + 4, static_cast<int>(std::lround(mv.z)));
    p += 6;
  }
  for (int index : m.faces) object_data_store16(p, index), p += 2;
  for (const MeshVertex& mv : m.vertices) *p++ = mv.u, *p++ = mv.v;
  return out;
}
