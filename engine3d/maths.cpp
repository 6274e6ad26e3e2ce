#include "engine3d/maths.h"

#include <cmath>
#include <cstring>

#include "base/trig.h"

namespace {

// The show's trigonometry is exact rather than fast, and objects turn by
// whole 1/1,024 turns, a few hundred different angles a frame: the sine and
// cosine of each angle met are kept, keyed by the angle itself (any int32:
// nothing is folded, so every value is what the functions give).
struct AngleTrig {
  int32_t angle;
  bool known;
  double sine, cosine;
};
AngleTrig angle_trig[1024];

void sine_and_cosine(int32_t angle, double* sine, double* cosine) {
  AngleTrig& e = angle_trig[static_cast<uint32_t>(angle) & 1023];
  if (!e.known || e.angle != angle) {
    const double radians = angle * kRadiansPerObjectAngle;
    e = {angle, true, trig_sin(radians), trig_cos(radians)};
  }
  *sine = e.sine;
  *cosine = e.cosine;
}

}  // namespace

void rotation_from_angles(int32_t a, int32_t b, int32_t c) {
  double sA, cA, sB, cB, sC, cC;
  sine_and_cosine(a, &sA, &cA);
  sine_and_cosine(b, &sB, &cB);
  sine_and_cosine(c, &sC, &cC);
  double* m = engine.matrix;
  m[0] = cB * cC - sA * sB * sC;
  m[1] = cA * sC;
  m[2] = -sB * cC - sA * cB * sC;
  m[3] = -cB * sC - sA * sB * cC;
  m[4] = cA * cC;
  m[5] = sB * sC - sA * cB * cC;
  m[6] = cA * sB;
  m[7] = sA;
  m[8] = cA * cB;
}

void vec_normalize(Vec3d& v) {
  const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len > 0.001) {
    const double k = 1.0 / len;
    v.x *= k;
    v.y *= k;
    v.z *= k;
  } else {
    v = {1.0, 0.0, 0.0};
  }
}

void vec_cross(const Vec3d& v, const Vec3d& w, Vec3d& out) {
  const Vec3d r = {v.y * w.z - v.z * w.y, v.z * w.x - v.x * w.z, v.x * w.y - v.y * w.x};
  out = r;
}

void axis_angle_matrix(Vec3d& axis, double angle, double out[9]) {
  vec_normalize(axis);
  const double h = angle * 0.5, s = trig_sin(h), c = trig_cos(h);
  const double x = axis.x * s, y = axis.y * s, z = axis.z * s;
  out[0] = 1 - 2 * (y * y + z * z);
  out[1] = 2 * (x * y - z * c);
  out[2] = 2 * (x * z + y * c);
  out[3] = 2 * (x * y + z * c);
  out[4] = 1 - 2 * (x * x + z * z);
  out[5] = 2 * (y * z - x * c);
  out[6] = 2 * (x * z - y * c);
  out[7] = 2 * (y * z + x * c);
  out[8] = 1 - 2 * (x * x + y * y);
}

void mat_multiply(const double p[9], const double q[9], double out[9]) {
  double t[9];
  for (int r = 0; r < 3; r++)
    for (int i = 0; i < 3; i++)
      t[r * 3 + i] = p[r * 3] * q[i] + p[r * 3 + 1] * q[3 + i] + p[r * 3 + 2] * q[6 + i];
  std::memcpy(out, t, sizeof t);
}

void camera_matrix(double dx, double dy, double dz, double roll) {
  Vec3d f = {-dx, -dy, -dz};
  vec_normalize(f);
  Vec3d r, u;
  vec_cross(f, {0.0, 0.0, -1.0}, r);
  vec_normalize(r);
  vec_cross(f, r, u);
  vec_normalize(u);
  double* m = engine.matrix;
  const double rows[9] = {r.x, r.y, r.z, u.x, u.y, u.z, f.x, f.y, f.z};
  std::memcpy(m, rows, sizeof rows);
  double t[9];
  axis_angle_matrix(f, roll, t);
  mat_multiply(m, t, m);
}

// A transformed coordinate outside the 32-bit range is a caller's fault;
// clamping keeps the conversion defined instead of undefined.
static int32_t to_int32(double v) {
  if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(v);
}

void transform_points(int n, const Point3* src, Point3* dst) {
  const double* m = engine.matrix;
  for (int i = n - 1; i >= 0; i--) {
    const double x = src[i].x, y = src[i].y, z = src[i].z;
    dst[i] = {to_int32(m[0] * x + m[1] * y + m[2] * z), to_int32(m[3] * x + m[4] * y + m[5] * z),
              to_int32(m[6] * x + m[7] * y + m[8] * z)};
  }
}

void rotate_points(int n, const Point3* src, Point3* dst, int32_t a, int32_t b, int32_t c) {
  rotation_from_angles(a, b, c);
  transform_points(n, src, dst);
}

void translate_points(int n, Point3* p, int32_t dx, int32_t dy, int32_t dz) {
  for (int i = 0; i < n; i++) {
    p[i].x = static_cast<int32_t>(static_cast<uint32_t>(p[i].x) + static_cast<uint32_t>(dx));
    p[i].y = static_cast<int32_t>(static_cast<uint32_t>(p[i].y) + static_cast<uint32_t>(dy));
    p[i].z = static_cast<int32_t>(static_cast<uint32_t>(p[i].z) + static_cast<uint32_t>(dz));
  }
}
