// Vector and matrix maths: the engine-wide current matrix, built from an
// object's angles or a camera's view, and the point-array operations.
// Reads and writes: engine.matrix (every set-up overwrites it; every
// transform reads it).
#pragma once
#include <cstdint>

#include "engine3d/engine.h"

struct Vec3d {
  double x, y, z;
};

// Rz(c) * Rx(a) * Ry(b), angles in 1/1024 turn; writes the current matrix.
void rotation_from_angles(int32_t a, int32_t b, int32_t c);
// Rows R, U, F of a camera looking along (dx, dy, dz) with up (0, 0, -1),
// then rolled by roll radians about F; writes the current matrix.
void camera_matrix(double dx, double dy, double dz, double roll);
// Normalises axis in place, then fills out with the rotation by angle
// radians about it.
void axis_angle_matrix(Vec3d& axis, double angle, double out[9]);
// Unit vector, or exactly (1, 0, 0) when the length is at most 0.001.
void vec_normalize(Vec3d& v);
// out = v x w; out may be v or w.
void vec_cross(const Vec3d& v, const Vec3d& w, Vec3d& out);
// out = p * q; out may be p or q.
void mat_multiply(const double p[9], const double q[9], double out[9]);
// dst[i] = current matrix * src[i], truncated toward zero (clamped to 32
// bits when out of range), last point first;
// src and dst may be the same array. n < 1 does nothing.
void transform_points(int n, const Point3* src, Point3* dst);
// rotation_from_angles(a, b, c), then transform_points.
void rotate_points(int n, const Point3* src, Point3* dst, int32_t a, int32_t b, int32_t c);
// Adds (dx, dy, dz) to every point, wrapping in 32 bits.
void translate_points(int n, Point3* p, int32_t dx, int32_t dy, int32_t dz);
