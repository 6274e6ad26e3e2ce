#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <random>

#include "base/trig.h"

namespace {

// The double nearest a 113-bit result: correct except where the exact value
// lies within 2^-60 or so of a half-way point, which random arguments do not hit.
double nearest(__float128 v) { return static_cast<double>(v); }

bool same(double a, double b) { return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b)); }

}  // namespace

// Each function gives the double nearest the exact value on random arguments
// from the tiny to far beyond the show's angles (the library's sine is off by
// one ulp on about one argument in 700, so this is a real check).
TEST(Trig, RoundsCorrectlyOverTheRanges) {
  std::mt19937_64 g(19);
  for (double range : {1e-6, 0.78, 3.2, 40.0, 1e3, 1e6, 1e11}) {
    std::uniform_real_distribution<double> d(-range, range);
    int wrong_sin = 0, wrong_cos = 0, wrong_atan = 0, wrong_atan2 = 0;
    for (int i = 0; i < 40000; i++) {
      double x = d(g), y = d(g);
      wrong_sin += trig_sin(x) != nearest(sinq(x));
      wrong_cos += trig_cos(x) != nearest(cosq(x));
      wrong_atan += trig_atan(x) != nearest(atanq(x));
      wrong_atan2 += trig_atan2(y, x) != nearest(atan2q(y, x));
    }
    EXPECT_EQ(wrong_sin, 0) << range;
    EXPECT_EQ(wrong_cos, 0) << range;
    EXPECT_EQ(wrong_atan, 0) << range;
    EXPECT_EQ(wrong_atan2, 0) << range;
  }
}

// Near multiples of pi / 2 the reduced argument is small and the sine or
// cosine far below one: the reduction must keep its relative precision.
TEST(Trig, KeepsPrecisionNearMultiplesOfHalfPi) {
  for (int k = 1; k < 2000; k++) {
    double x = k * 1.5707963267948966;
    for (double t : {std::nextafter(x, 0.0), x, std::nextafter(x, 1e9)}) {
      EXPECT_EQ(trig_sin(t), nearest(sinq(t))) << t;
      EXPECT_EQ(trig_cos(t), nearest(cosq(t))) << t;
    }
  }
}

TEST(Trig, ZerosInfinitiesAndNaNs) {
  const double inf = INFINITY;
  EXPECT_TRUE(same(trig_sin(-0.0), -0.0));
  EXPECT_TRUE(same(trig_cos(-0.0), 1.0));
  EXPECT_TRUE(std::isnan(trig_sin(inf)));
  EXPECT_TRUE(std::isnan(trig_cos(-inf)));
  EXPECT_TRUE(std::isnan(trig_sin(NAN)));
  EXPECT_TRUE(same(trig_atan(-0.0), -0.0));
  EXPECT_TRUE(same(trig_atan(5e-324), 5e-324));
  EXPECT_TRUE(same(trig_atan(-inf), -M_PI_2));
  EXPECT_TRUE(same(trig_atan(1e300), M_PI_2));
  // The C standard's table for atan2, against the library's own answers.
  const double values[] = {0.0, -0.0, 1.0, -1.0, 5e-324, 1e300, -1e300, inf, -inf};
  for (double y : values)
    for (double x : values) EXPECT_TRUE(same(trig_atan2(y, x), std::atan2(y, x))) << y << " " << x;
  EXPECT_TRUE(std::isnan(trig_atan2(NAN, 1.0)));
}

// Integer points as the polar maps use them: every angle of a 640 x 400 grid.
TEST(Trig, Atan2OfThePolarGrid) {
  int wrong = 0;
  for (int y = -200; y < 200; y++)
    for (int x = -320; x < 320; x++) wrong += trig_atan2(y, x) != nearest(atan2q(y, x));
  EXPECT_EQ(wrong, 0);
}
