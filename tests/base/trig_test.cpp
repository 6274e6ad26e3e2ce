// The show's trigonometry against MPFR: every result is the double nearest
// the exact value, the quicker steps hand on what they cannot decide, and the
// wide step decides it right, over the show's ranges, the whole double range,
// and arguments built or searched to lie near half-way points between doubles.
#include "base/trig.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <random>
#include <string>

#include "base/trig_wide.h"
#include "tests/base/trig_oracle.h"

namespace {

using F = TrigFunction;

// The quick step comes within 2^-71 of the exact value and gives up within
// 2^-62 of a half-way point; the full series comes within 2^-104 and gives
// up within 2^-90. So a case within 2^-63 of a half-way point must go past
// the quick step, and one within 2^-91 on to the wide step.
constexpr double kPastQuick = 0x1p-63;
constexpr double kPastSeries = 0x1p-91;

double call(F f, double x, double y = 0.0) {
  switch (f) {
    case F::sin: return trig_sin(x);
    case F::cos: return trig_cos(x);
    case F::atan: return trig_atan(x);
    case F::atan2: return trig_atan2(y, x);
  }
  return NAN;
}

double call_wide(F f, double x, double y = 0.0) {
  switch (f) {
    case F::sin: return trig_wide_sin(x);
    case F::cos: return trig_wide_cos(x);
    case F::atan: return trig_wide_atan2(x, 1.0);
    case F::atan2: return trig_wide_atan2(y, x);
  }
  return NAN;
}

TrigStep step_of(F f, double x, double y = 0.0) {
  switch (f) {
    case F::sin: return trig_sin_step(x);
    case F::cos: return trig_cos_step(x);
    case F::atan: return trig_atan2_step(x, 1.0);
    case F::atan2: return trig_atan2_step(y, x);
  }
  return TrigStep::quick;
}

const char* name(F f) {
  switch (f) {
    case F::sin: return "sin";
    case F::cos: return "cos";
    case F::atan: return "atan";
    case F::atan2: return "atan2";
  }
  return "?";
}

std::string hex(double v) {
  char s[40];
  std::snprintf(s, sizeof s, "%a", v);
  return s;
}

std::string case_text(F f, double x, double y) {
  return std::string(name(f)) + "(" + (f == F::atan2 ? hex(y) + ", " : "") + hex(x) + ")";
}

bool same(double a, double b) {
  return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b));
}

// A case near a half-way point: the right double from the public function and
// from the wide step alone, decided by a step that may decide it. Returns the
// step.
TrigStep expect_hard_case(F f, double x, double y = 0.0) {
  const double exact = exact_double(f, x, y), distance = relative_halfway_distance(f, x, y);
  const TrigStep step = step_of(f, x, y);
  const std::string text = case_text(f, x, y) + " " + hex(distance) + " from half-way";
  EXPECT_TRUE(same(call(f, x, y), exact)) << text << ": " << hex(call(f, x, y)) << ", not " << hex(exact);
  EXPECT_TRUE(same(call_wide(f, x, y), exact)) << text << " (wide step)";
  if (distance < kPastQuick) {
    EXPECT_NE(step, TrigStep::quick) << text;
  }
  if (distance < kPastSeries) {
    EXPECT_EQ(step, TrigStep::wide) << text;
  }
  return step;
}

// How many of n results differ from the nearest double.
template <typename Draw>
int wrong_results(F f, int n, Draw draw) {
  int wrong = 0;
  for (int i = 0; i < n; i++) {
    double x, y = 0.0;
    draw(&x, &y);
    wrong += !same(call(f, x, y), exact_double(f, x, y));
  }
  return wrong;
}

// Any finite double but zero, drawn from its bits.
double any_double(std::mt19937_64& g) {
  for (;;) {
    const uint64_t bits = g();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d) && d != 0.0) return d;
  }
}

}  // namespace

// Failures name the step.
void PrintTo(TrigStep s, std::ostream* os) {
  *os << (s == TrigStep::quick ? "quick" : s == TrigStep::series ? "series" : "wide");
}

// Random arguments from the tiny to far beyond the show's angles, and from
// all over the double range (the C library's sine is off by one ulp on about
// one argument in 700, so this is a real check).
TEST(Trig, RoundsCorrectlyOverTheRanges) {
  std::mt19937_64 g(19);
  for (double range : {1e-6, 0.78, 3.2, 40.0, 1e3, 1e6, 1e11, 1e300}) {
    std::uniform_real_distribution<double> d(-range, range);
    auto one = [&](double* x, double*) { *x = d(g); };
    auto two = [&](double* x, double* y) { *x = d(g), *y = d(g); };
    EXPECT_EQ(wrong_results(F::sin, 10000, one), 0) << range;
    EXPECT_EQ(wrong_results(F::cos, 10000, one), 0) << range;
    EXPECT_EQ(wrong_results(F::atan, 10000, one), 0) << range;
    EXPECT_EQ(wrong_results(F::atan2, 10000, two), 0) << range;
  }
  auto one = [&](double* x, double*) { *x = any_double(g); };
  auto two = [&](double* x, double* y) { *x = any_double(g), *y = any_double(g); };
  EXPECT_EQ(wrong_results(F::sin, 10000, one), 0);
  EXPECT_EQ(wrong_results(F::cos, 10000, one), 0);
  EXPECT_EQ(wrong_results(F::atan, 10000, one), 0);
  EXPECT_EQ(wrong_results(F::atan2, 10000, two), 0);
}

// Near multiples of pi / 2 the reduced argument is small and the sine or
// cosine far below one: both reductions must keep its relative precision.
// The last argument is the double nearest a multiple of pi / 2 of them all.
TEST(Trig, KeepsPrecisionNearMultiplesOfHalfPi) {
  for (int k = 1; k < 2000; k++) {
    const double x = k * 1.5707963267948966;
    for (double t : {std::nextafter(x, 0.0), x, std::nextafter(x, 1e9)})
      for (F f : {F::sin, F::cos}) {
        EXPECT_EQ(call(f, t), exact_double(f, t)) << case_text(f, t, 0);
        EXPECT_EQ(call_wide(f, t), exact_double(f, t)) << case_text(f, t, 0);
      }
  }
  const double closest = std::ldexp(6381956970095103.0, 797);
  EXPECT_EQ(trig_sin(closest), exact_double(F::sin, closest));
  EXPECT_EQ(trig_cos(closest), exact_double(F::cos, closest));
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

// Ratios far below one: 2^-1001 is a normal double however small the
// operands' ratio is against their sizes; 1.5 2^-1074 lies on the half-way
// point between the two smallest subnormals and its arctangent just below
// it, so it rounds down, not up to even.
TEST(Trig, Atan2OfTinyRatios) {
  EXPECT_EQ(trig_atan2(0x1p-500, 0x1p501), 0x1p-1001);
  EXPECT_EQ(trig_atan2(-0x1p-500, 0x1p501), -0x1p-1001);
  EXPECT_EQ(trig_atan2(0x3p-1074, 2.0), 0x1p-1074);
  EXPECT_EQ(trig_atan2(0x5p-1074, 2.0), 0x2p-1074);
  EXPECT_EQ(trig_atan2(0x1p-1074, 0x1p-1), 0x2p-1074);
  EXPECT_EQ(trig_atan2(0x1p-1074, 0x1p1), 0.0);
  EXPECT_EQ(trig_atan2(0x1p-1074, -0x1p1000), M_PI);
  std::mt19937_64 g(23);
  std::uniform_real_distribution<double> fraction(0.5, 1.0);
  std::uniform_int_distribution<int> exponent(-1074, 1023);
  auto tiny = [&](double* x, double* y) {
    *y = std::ldexp(fraction(g), exponent(g) / 2 - 540);
    *x = std::ldexp(fraction(g), exponent(g) / 2 + 500);
  };
  EXPECT_EQ(wrong_results(F::atan2, 20000, tiny), 0);
}

// Integer points as the tunnel and the polar maps know them: every angle of
// a 640 x 400 grid.
TEST(Trig, Atan2OfThePolarGrid) {
  int wrong = 0;
  for (int y = -200; y < 200; y++)
    for (int x = -320; x < 320; x++) wrong += !same(trig_atan2(y, x), exact_double(F::atan2, x, y));
  EXPECT_EQ(wrong, 0);
}

// Arguments from the show's ranges whose results lie 2^-26 to 2^-35 of a
// last place from a half-way point (the comments give each distance): the
// hardest of 2^29 random arguments per function, sines and cosines to 3,000
// radians, arctangents to 128, found by `build/tests/base/trig_search
// 536870912 24` (tests/base/trig_search.cpp). The quick step cannot decide
// them, and would round some of them wrong.
TEST(Trig, HardCasesOfTheShowsRanges) {
  struct Case {
    F f;
    double x;
  };
  const Case cases[] = {
      {TrigFunction::sin, 0x1.ee844dfff8a35p+10},  // 2^-31.5
      {TrigFunction::sin, 0x1.739f00d73d1d6p+2},   // 2^-28.6
      {TrigFunction::sin, 0x1.916a01351da5p+10},   // 2^-27.5
      {TrigFunction::sin, 0x1.9dc32ed1d6b8dp-2},   // 2^-27.3
      {TrigFunction::sin, 0x1.a4b2b4c54cbb5p-3},   // 2^-27.3
      {TrigFunction::sin, 0x1.dc57470cc27eap+0},   // 2^-27.3
      {TrigFunction::sin, 0x1.bcd6d3c45d9f8p+10},  // 2^-27.2
      {TrigFunction::sin, 0x1.b45591f28ac27p+1},   // 2^-27.2
      {TrigFunction::sin, 0x1.3ad397f66f22dp+9},   // 2^-26.7
      {TrigFunction::sin, 0x1.4a4592657af5bp-1},   // 2^-26.7
      {TrigFunction::sin, 0x1.b6680a997eee1p+10},  // 2^-26.6
      {TrigFunction::sin, 0x1.a94f9e0b72a4ap+9},   // 2^-26.5
      {TrigFunction::cos, 0x1.e4bed9e3ebce7p+2},   // 2^-31.8
      {TrigFunction::cos, 0x1.11e0035606d8p+11},   // 2^-30.7
      {TrigFunction::cos, 0x1.60b8f936db1ebp-1},   // 2^-29.0
      {TrigFunction::cos, 0x1.8c6520383a953p+2},   // 2^-28.5
      {TrigFunction::cos, 0x1.6054eef56c3b9p+10},  // 2^-28.1
      {TrigFunction::cos, 0x1.479de17a4b714p+11},  // 2^-27.5
      {TrigFunction::cos, 0x1.5eae501021d89p+10},  // 2^-27.4
      {TrigFunction::cos, 0x1.51155475d362ep+11},  // 2^-27.3
      {TrigFunction::cos, 0x1.3a1dcc70e0cffp+11},  // 2^-27.2
      {TrigFunction::cos, 0x1.47734ae698fadp+11},  // 2^-26.5
      {TrigFunction::cos, 0x1.913a11efc93c5p+2},   // 2^-26.3
      {TrigFunction::cos, 0x1.ea07d17bec4d7p+2},   // 2^-26.2
      {TrigFunction::atan, 0x1.bf28e0279cba4p+5},  // 2^-34.6
      {TrigFunction::atan, 0x1.eb87ecf348239p+6},  // 2^-29.5
      {TrigFunction::atan, 0x1.f3ff20b94c168p-1},  // 2^-29.3
      {TrigFunction::atan, 0x1.cceb9858c7453p+0},  // 2^-29.3
      {TrigFunction::atan, 0x1.6ab14d02cccb2p+6},  // 2^-28.9
      {TrigFunction::atan, 0x1.a30f95b5318bdp+6},  // 2^-28.3
      {TrigFunction::atan, 0x1.11c0befd1f599p+0},  // 2^-28.3
      {TrigFunction::atan, 0x1.67d33ad9fdfp-2},    // 2^-28.2
      {TrigFunction::atan, 0x1.336e576bc2fcep+5},  // 2^-27.7
      {TrigFunction::atan, 0x1.c8fd663065503p+0},  // 2^-27.1
      {TrigFunction::atan, 0x1.df82de7462a89p+3},  // 2^-27.0
      {TrigFunction::atan, 0x1.7fe22e5650a75p+4},  // 2^-27.0
  };
  for (const Case& c : cases) EXPECT_NE(expect_hard_case(c.f, c.x), TrigStep::quick);
}

namespace {

// x with x - f(x) = c for f = sin or atan (Newton's method, 200 bits).
double solve_for_difference(F f, mpfr_t c) {
  mpfr_t x, v, d;
  mpfr_inits2(200, x, v, d, static_cast<mpfr_ptr>(nullptr));
  // x - f(x) is x^3 / 6 or x^3 / 3 to begin with.
  mpfr_mul_ui(x, c, f == F::sin ? 6 : 3, MPFR_RNDN);
  mpfr_cbrt(x, x, MPFR_RNDN);
  for (int i = 0; i < 8; i++) {
    // v = x - f(x) - c, d = 1 - f'(x)
    if (f == F::sin) {
      mpfr_sin(v, x, MPFR_RNDN);
      mpfr_cos(d, x, MPFR_RNDN);
      mpfr_ui_sub(d, 1, d, MPFR_RNDN);
    } else {
      mpfr_atan(v, x, MPFR_RNDN);
      mpfr_sqr(d, x, MPFR_RNDN);
      mpfr_add_ui(d, d, 1, MPFR_RNDN);
      mpfr_ui_div(d, 1, d, MPFR_RNDN);
      mpfr_ui_sub(d, 1, d, MPFR_RNDN);
    }
    mpfr_sub(v, x, v, MPFR_RNDN);
    mpfr_sub(v, v, c, MPFR_RNDN);
    mpfr_div(v, v, d, MPFR_RNDN);
    mpfr_sub(x, x, v, MPFR_RNDN);
  }
  const double r = mpfr_get_d(x, MPFR_RNDN);
  mpfr_clears(x, v, d, static_cast<mpfr_ptr>(nullptr));
  return r;
}

// The simplest fraction y / x with y and x below 2^53 nearest t (its
// continued fraction cut before the terms outgrow 53 bits), for 1 <= t < 2.
void nearest_fraction(mpfr_t t, double* y, double* x) {
  uint64_t h = 1, h0 = 0, k = 0, k0 = 1;
  mpfr_t r, a;
  mpfr_inits2(400, r, a, static_cast<mpfr_ptr>(nullptr));
  mpfr_set(r, t, MPFR_RNDN);
  for (;;) {
    mpfr_floor(a, r);
    const double term = mpfr_get_d(a, MPFR_RNDN);
    const double hn = term * h + h0, kn = term * k + k0;
    if (hn >= 0x1p53 || kn >= 0x1p53) break;
    h0 = h, k0 = k, h = uint64_t(hn), k = uint64_t(kn);
    mpfr_sub(r, r, a, MPFR_RNDN);
    if (mpfr_zero_p(r)) break;
    mpfr_ui_div(r, 1, r, MPFR_RNDN);
  }
  mpfr_clears(r, a, static_cast<mpfr_ptr>(nullptr));
  *y = double(h);
  *x = double(k);
}

// A point (x, y) at an angle within about 2^-106 of m, for 0 < m < pi / 2:
// the fraction nearest tan(m) scaled into 1 to 2, with the point's scale and
// the power of two between y and x put back.
void point_at(mpfr_t m, int scale, double* y, double* x) {
  mpfr_t t;
  mpfr_init2(t, 400);
  mpfr_tan(t, m, MPFR_RNDN);
  const long shift = 1 - mpfr_get_exp(t);
  mpfr_mul_2si(t, t, shift, MPFR_RNDN);
  nearest_fraction(t, y, x);
  mpfr_clear(t);
  *y = std::ldexp(*y, scale);
  *x = std::ldexp(*x, scale + int(shift));
}

// A half-way point of the given last place: (k + 1/2) 2^place.
void halfway_point(mpfr_t m, double k, int place) {
  mpfr_set_d(m, k, MPFR_RNDN);
  mpfr_add_d(m, m, 0.5, MPFR_RNDN);
  mpfr_mul_2si(m, m, place, MPFR_RNDN);
}

}  // namespace

// Arguments built to lie near half-way points. Small sines and arctangents:
// x - f(x) is about x^3 / 6 or x^3 / 3, which changes by only 2^-40 of a last
// place from one double to the next near 2^-20; the double nearest a solution
// of x - f(x) = (j + 1/2) 2^-72 therefore has f(x) that near a half-way
// point. Cosines near 2^-22 change as slowly: the double nearest
// acos(1 - (j + 1/2) 2^-53). Angles of points: y / x the fraction of 53-bit
// numbers nearest tan(m) for a half-way point m, in every quadrant, down to
// subnormal angles; there m is a fraction of small numbers that y / x meets
// exactly, and only the arctangent's own bend, 2^-2000 of m below it, says
// that it rounds down.
TEST(Trig, ArgumentsBuiltNearHalfwayPoints) {
  std::mt19937_64 g(29);
  mpfr_t m;
  mpfr_init2(m, 200);
  int wide = 0, cases = 0;
  auto check = [&](F f, double x, double y = 0.0) {
    EXPECT_LT(relative_halfway_distance(f, x, y), 0x1p-80) << case_text(f, x, y) << " is not a hard case";
    wide += expect_hard_case(f, x, y) == TrigStep::wide;
    cases++;
  };
  for (int i = 0; i < 24; i++) {
    halfway_point(m, double(700 + g() % 4700), -72);
    check(F::sin, solve_for_difference(F::sin, m));
    halfway_point(m, double(1400 + g() % 9500), -72);
    const double t = solve_for_difference(F::atan, m);
    check(F::atan, i & 1 ? -t : t);
    halfway_point(m, double(256 + g() % 768), -53);
    mpfr_ui_sub(m, 1, m, MPFR_RNDN);
    mpfr_acos(m, m, MPFR_RNDN);
    const double c = mpfr_get_d(m, MPFR_RNDN);
    check(F::cos, i & 2 ? -c : c);
  }
  // Half-way points of 2^-2 to 2^-1, of 1 to pi / 2, of 2^-600 and of the
  // subnormals on the right; of 2 to 3 on the left (the point then sits at
  // the angle pi - m); below the x axis for every other one.
  struct Kind {
    int place;
    double first, count;
    bool left;
  };
  const Kind kinds[] = {{-54, 0x1p52, 0x1p52, false},
                        {-52, 0x1p52, 0x1.243f6a8885a3p51, false},
                        {-652, 0x1p52, 0x1p52, false},
                        {-1074, 1.0, 60000.0, false},
                        {-51, 0x1p52, 0x1p51, true}};
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 60; i++) {
    const Kind& kind = kinds[i % 5];
    halfway_point(m, std::floor(kind.first + unit(g) * kind.count), kind.place);
    if (kind.left) {
      mpfr_t pi;
      mpfr_init2(pi, 200);
      mpfr_const_pi(pi, MPFR_RNDN);
      mpfr_sub(m, pi, m, MPFR_RNDN);
      mpfr_clear(pi);
    }
    double y, x;
    point_at(m, kind.place == -1074 ? -1074 : int(g() % 400) - 200, &y, &x);
    check(F::atan2, kind.left ? -x : x, i & 1 ? -y : y);
  }
  mpfr_clear(m);
  // Nearly all of them are closer than the full series can decide.
  EXPECT_GT(wide, cases / 2);
}

// The wide step alone over every exponent of the arguments and of their
// ratios, against MPFR.
TEST(TrigWide, AgreesOverEveryExponent) {
  std::mt19937_64 g(31);
  std::uniform_real_distribution<double> fraction(0.5, 1.0);
  int wrong = 0;
  for (int e = -1073; e <= 1024; e += 3) {
    const double x = std::ldexp(fraction(g), e), y = std::ldexp(fraction(g), int(g() % 2098) - 1073);
    wrong += !same(trig_wide_sin(x), exact_double(F::sin, x));
    wrong += !same(trig_wide_cos(-x), exact_double(F::cos, -x));
    wrong += !same(trig_wide_atan2(-y, x), exact_double(F::atan2, x, -y));
    wrong += !same(trig_wide_atan2(y, -x), exact_double(F::atan2, -x, y));
    wrong += !same(trig_wide_atan2(x, 1.0), exact_double(F::atan, x));
  }
  EXPECT_EQ(wrong, 0);
}
