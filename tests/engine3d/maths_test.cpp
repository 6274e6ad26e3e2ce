#include "engine3d/maths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

void expect_matrix(const double* want, const char* what) {
  for (int i = 0; i < 9; i++) EXPECT_NEAR(engine.matrix[i], want[i], 1e-9) << what << " m" << i;
}

const double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

TEST(Maths, RotationFromAngles) {
  struct Case {
    int a, b, c;
    double m[9];
  } cases[] = {
      {0, 0, 0, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
      {1024, 0, 0, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
      {0, -2048, 3072, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
      {256, 0, 0, {1, 0, 0, 0, 0, -1, 0, 1, 0}},
      {0, 256, 0, {0, 0, -1, 0, 1, 0, 1, 0, 0}},
      {0, 0, 256, {0, 1, 0, -1, 0, 0, 0, 0, 1}},
  };
  for (const Case& k : cases) {
    rotation_from_angles(k.a, k.b, k.c);
    expect_matrix(k.m, "angles");
  }
  // The composition order: about y first, then x, then z.
  rotation_from_angles(100, 200, 300);
  const double A = 100 * M_PI / 512, B = 200 * M_PI / 512, C = 300 * M_PI / 512;
  const double rz[9] = {cos(C), sin(C), 0, -sin(C), cos(C), 0, 0, 0, 1};
  const double rx[9] = {1, 0, 0, 0, cos(A), -sin(A), 0, sin(A), cos(A)};
  const double ry[9] = {cos(B), 0, -sin(B), 0, 1, 0, sin(B), 0, cos(B)};
  double t[9];
  mat_multiply(rz, rx, t);
  mat_multiply(t, ry, t);
  expect_matrix(t, "Rz Rx Ry");
}

TEST(Maths, NormalizeAndCross) {
  struct Case {
    Vec3d in, out;
  } cases[] = {
      {{0, 0, 0}, {1, 0, 0}},
      {{0.001, 0, 0}, {1, 0, 0}},
      {{0, 0, -0.001}, {1, 0, 0}},
      {{0, 0.0011, 0}, {0, 1, 0}},
      {{3, 0, -4}, {0.6, 0, -0.8}},
  };
  for (Case k : cases) {
    vec_normalize(k.in);
    EXPECT_NEAR(k.in.x, k.out.x, 1e-12);
    EXPECT_NEAR(k.in.y, k.out.y, 1e-12);
    EXPECT_NEAR(k.in.z, k.out.z, 1e-12);
  }
  Vec3d v = {1, 0, 0}, w = {0, 1, 0};
  vec_cross(v, w, v);  // the output may be an input
  EXPECT_EQ(v.x, 0);
  EXPECT_EQ(v.y, 0);
  EXPECT_EQ(v.z, 1);
}

TEST(Maths, AxisAngleMatchesAngles) {
  Vec3d axis = {0, 0, 5};
  double m[9];
  axis_angle_matrix(axis, M_PI / 2, m);
  EXPECT_NEAR(axis.z, 1, 1e-12);  // normalised in place
  const double want[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 9; i++) EXPECT_NEAR(m[i], want[i], 1e-12) << i;
}

TEST(Maths, CameraMatrix) {
  camera_matrix(0, 0, -8000, 0);
  expect_matrix(kIdentity, "looking down -z");
  // Parallel to the up vector: R falls back to (1, 0, 0), U = F x R.
  camera_matrix(0, 0, 8000, 0);
  const double up[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
  expect_matrix(up, "looking along +z");
  // Eye on the target: F (1, 0, 0), R (0, 1, 0), U (0, 0, 1).
  camera_matrix(0, 0, 0, 0);
  const double zero[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
  expect_matrix(zero, "zero direction");
  // The default world camera looks along +x: the target comes out at -z.
  camera_matrix(128, 0, 0, 0);
  std::vector<Point3> p = {{1000, 0, 0}, {0, 0, 1000}};
  transform_points(2, p.data(), p.data());
  EXPECT_EQ(p[0].x, 0);
  EXPECT_EQ(p[0].y, 0);
  EXPECT_EQ(p[0].z, -1000);
  EXPECT_EQ(p[1].y, 1000);  // world +z is up on screen (view +y)
  // A half-turn roll (1024 units of 1/2048) flips x and y.
  camera_matrix(0, 0, -1, 1024 * kRadiansPerRollUnit);
  const double rolled[9] = {-1, 0, 0, 0, -1, 0, 0, 0, 1};
  expect_matrix(rolled, "rolled");
}

TEST(Maths, TransformTruncatesAndAliases) {
  const double scale[9] = {0.29, 0, 0, 0, -0.29, 0, 0, 0, 1};
  std::copy(scale, scale + 9, engine.matrix);
  Point3 src[3] = {{10, 10, 7}, {-10, -10, -7}, {1, 1, 1}};
  Point3 dst[3];
  transform_points(3, src, dst);
  EXPECT_EQ(dst[0].x, 2);
  EXPECT_EQ(dst[0].y, -2);
  EXPECT_EQ(dst[1].x, -2);
  EXPECT_EQ(dst[1].y, 2);
  EXPECT_EQ(dst[1].z, -7);
  rotate_points(3, src, dst, 37, -500, 900);
  Point3 same[3] = {src[0], src[1], src[2]};
  transform_points(3, same, same);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(same[i].x, dst[i].x);
    EXPECT_EQ(same[i].y, dst[i].y);
    EXPECT_EQ(same[i].z, dst[i].z);
  }
  Point3 untouched = {5, 6, 7};
  transform_points(0, &untouched, &untouched);
  EXPECT_EQ(untouched.x, 5);
}

TEST(Maths, TranslateWraps) {
  Point3 p[2] = {{INT32_MAX, 0, -5}, {1, 2, 3}};
  translate_points(2, p, 1, -2, 5);
  EXPECT_EQ(p[0].x, INT32_MIN);
  EXPECT_EQ(p[0].z, 0);
  EXPECT_EQ(p[1].x, 2);
  EXPECT_EQ(p[1].y, 0);
}

}  // namespace
