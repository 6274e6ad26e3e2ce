#include "base/trig.h"

#include <cmath>

#include "base/trig_wide.h"

// The double-double steps need each operation rounded to double on its own
// (cmake/float_contract.cmake): no x87 intermediates, no fast-math.
#if defined(__FAST_MATH__) || (defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0)
#error "build with the floating-point contract of cmake/float_contract.cmake"
#endif

namespace {

// An unevaluated sum hi + lo with |lo| at most half an ulp of hi: about 106
// bits, enough that rounding hi + lo gives the correctly rounded result
// except when the exact value lies within about 2^-100 of a half-way point.
struct DD {
  double hi, lo;
};

// The helpers are forced inline: as calls they cost the show's trigonometry
// a third of its time.
[[gnu::always_inline]] inline DD two_sum(double a, double b) {
  double s = a + b, bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

[[gnu::always_inline]] inline DD fast_two_sum(double a, double b) {
  double s = a + b;
  return {s, b - (s - a)};
}

// Veltkamp's split into two halves of 26 bits, so their products are exact.
[[gnu::always_inline]] inline DD split(double a) {
  double t = 134217729.0 * a;
  double hi = t - (t - a);
  return {hi, a - hi};
}

[[gnu::always_inline]] inline DD two_prod(double a, double b) {
  double p = a * b;
  DD x = split(a), y = split(b);
  return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

[[gnu::always_inline]] inline DD add(DD a, DD b) {
  DD s = two_sum(a.hi, b.hi), t = two_sum(a.lo, b.lo);
  s.lo += t.hi;
  s = fast_two_sum(s.hi, s.lo);
  s.lo += t.lo;
  return fast_two_sum(s.hi, s.lo);
}

[[gnu::always_inline]] inline DD neg(DD a) { return {-a.hi, -a.lo}; }

[[gnu::always_inline]] inline DD mul(DD a, DD b) {
  DD p = two_prod(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return fast_two_sum(p.hi, p.lo);
}

DD div(DD a, DD b) {
  double q1 = a.hi / b.hi;
  DD r = add(a, neg(mul(b, {q1, 0.0})));
  double q2 = r.hi / b.hi;
  r = add(r, neg(mul(b, {q2, 0.0})));
  double q3 = r.hi / b.hi;
  return add(fast_two_sum(q1, q2), {q3, 0.0});
}

// Horner's rule in r2 over terms[0..n-1] (terms[0] the constant).
DD series(const DD* terms, int n, DD r2) {
  DD p = terms[n - 1];
  for (int i = n - 2; i >= 0; i--) p = add(mul(p, r2), terms[i]);
  return p;
}

// (-1)^j / (2j + 1)!, j = 0 to 13
constexpr DD kSinTerms[] = {{0x1.0000000000000p+0, 0x0.0p+0},
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149}};
// (-1)^j / (2j)!, j = 0 to 13
constexpr DD kCosTerms[] = {{0x1.0000000000000p+0, 0x0.0p+0},
    {-0x1.0000000000000p-1, 0x0.0p+0},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd16540p-143}};
// (-1)^j / (2j + 1), j = 0 to 14
constexpr DD kAtanTerms[] = {{0x1.0000000000000p+0, 0x0.0p+0},
    {-0x1.5555555555555p-2, -0x1.5555555555555p-56},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {-0x1.2492492492492p-3, -0x1.2492492492492p-57},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {-0x1.745d1745d1746p-4, 0x1.745d1745d1746p-59},
    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {-0x1.1111111111111p-4, -0x1.1111111111111p-60},
    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {-0x1.af286bca1af28p-5, -0x1.af286bca1af28p-59},
    {0x1.8618618618618p-5, 0x1.8618618618618p-59},
    {-0x1.642c8590b2164p-5, -0x1.642c8590b2164p-60},
    {0x1.47ae147ae147bp-5, -0x1.eb851eb851eb8p-61},
    {-0x1.2f684bda12f68p-5, -0x1.2f684bda12f68p-59},
    {0x1.1a7b9611a7b96p-5, 0x1.1a7b9611a7b96p-61}};
// atan(j / 8), j = 0 to 8
constexpr DD kAtanEighths[] = {{0x0.0p+0, 0x0.0p+0},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55}};


// pi / 2 in four parts (212 bits): k pi / 2 stays exact to far below an ulp
// of the reduced argument for every k the range allows.
constexpr double kHalfPi[4] = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54, -0x1.f1976b7ed8fbcp-110,
                               0x1.4cf98e804177dp-164};
constexpr DD kHalfPiDD = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr DD kPiDD = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// Larger arguments go straight to the wide step, whose reduction covers them.
constexpr double kLargest = 0x1p40;

// x = k pi / 2 + r with |r| at most a little over pi / 4; returns r and k mod 4.
DD reduce(double x, int* quadrant) {
  double k = std::floor(x * kTwoOverPi + 0.5);
  DD r = {x, 0.0};
  for (double part : kHalfPi) r = add(r, neg(two_prod(k, part)));
  *quadrant = static_cast<int>(static_cast<long long>(k) & 3);
  return r;
}

DD sin_kernel(DD r) { return mul(r, series(kSinTerms, 14, mul(r, r))); }
DD cos_kernel(DD r) { return series(kCosTerms, 14, mul(r, r)); }

// As series, with the terms from the fifth on summed in plain doubles first.
// For |r| <= 0.79 they weigh at most r^8 / 8! (below 2^-17 of the sum), so
// their rounding stays below 2^-66 of it, at a third of the cost.
DD series_quick(const DD* terms, int n, DD r2) {
  constexpr int kExactTerms = 4;
  double tail = terms[n - 1].hi;
  for (int i = n - 2; i >= kExactTerms; i--) tail = tail * r2.hi + terms[i].hi;
  DD p = {tail, 0.0};
  for (int i = kExactTerms - 1; i >= 0; i--) p = add(mul(p, r2), terms[i]);
  return p;
}

// Whether every value within e of v rounds to the same double as v itself
// (Ziv's test): then so does the exact value, which lies within e of v.
bool decides(DD v, double e) {
  const double rounded = v.hi + v.lo;
  return v.hi + (v.lo - e) == rounded && v.hi + (v.lo + e) == rounded;
}

// The quick series comes within 2^-62 of the exact value and the full series
// within 2^-90, with room to spare: against MPFR, over nearly two million
// arguments, the worst errors were 2^-71 and 2^-104 of the value. About one
// call in 300 needs the full series, and only values within 2^-90 of a
// half-way point between doubles the wide step. The scenes call these some 4
// million times in a whole show.
[[gnu::always_inline]] inline double sine_of(double x, int cosine_shift, TrigStep* step) {
  int quadrant;
  DD r = reduce(x, &quadrant);
  quadrant = (quadrant + cosine_shift) & 3;
  DD r2 = mul(r, r);
  DD v = quadrant & 1 ? series_quick(kCosTerms, 14, r2) : mul(r, series_quick(kSinTerms, 14, r2));
  *step = TrigStep::quick;
  if (!decides(v, std::fabs(v.hi) * 0x1p-62)) {
    *step = TrigStep::series;
    v = quadrant & 1 ? cos_kernel(r) : sin_kernel(r);
    if (!decides(v, std::fabs(v.hi) * 0x1p-90)) {
      *step = TrigStep::wide;
      return cosine_shift ? trig_wide_cos(x) : trig_wide_sin(x);
    }
  }
  const double rounded = v.hi + v.lo;
  return quadrant & 2 ? -rounded : rounded;
}

double sine(double x, TrigStep* step) {
  *step = TrigStep::quick;
  if (std::isnan(x) || std::isinf(x)) return x - x;
  // Below 2^-26 the sine rounds to x itself (and keeps the sign of a zero).
  if (std::fabs(x) < 0x1p-26) return x;
  if (std::fabs(x) >= kLargest) {
    *step = TrigStep::wide;
    return trig_wide_sin(x);
  }
  return sine_of(x, 0, step);
}

double cosine(double x, TrigStep* step) {
  *step = TrigStep::quick;
  if (std::isnan(x) || std::isinf(x)) return x - x;
  if (std::fabs(x) >= kLargest) {
    *step = TrigStep::wide;
    return trig_wide_cos(x);
  }
  return sine_of(x, 1, step);
}

// atan(t) for 0 <= t <= 1: atan(c) + atan((t - c) / (1 + t c)) with c the
// nearest eighth, which leaves a series argument of at most 1/16.
DD atan_unit(DD t) {
  int j = static_cast<int>(t.hi * 8.0 + 0.5);
  DD c = {j / 8.0, 0.0};
  DD u = div(add(t, neg(c)), add({1.0, 0.0}, mul(t, c)));
  return add(kAtanEighths[j], mul(u, series(kAtanTerms, 15, mul(u, u))));
}

// a / b for positive finite a and b, worked out on their fractions so that
// nothing overflows or underflows on the way; false where the ratio falls
// below 2^-900 and its double-double would lose bits.
bool ratio(double a, double b, DD* q) {
  int ea, eb;
  const double fa = std::frexp(a, &ea), fb = std::frexp(b, &eb);
  if (ea - eb < -900) return false;
  *q = div({fa, 0.0}, {fb, 0.0});
  q->hi = std::ldexp(q->hi, ea - eb);
  q->lo = std::ldexp(q->lo, ea - eb);
  return true;
}

// The angle of the point (b, a) for positive finite a and b, or of (-b, a)
// when left: from the full series where it decides, else the wide step.
double arctangent(double a, double b, bool left, TrigStep* step) {
  *step = TrigStep::series;
  DD t, angle;
  if (a <= b) {
    if (!ratio(a, b, &t)) {
      *step = TrigStep::wide;
      return trig_wide_atan2(a, left ? -b : b);
    }
    angle = atan_unit(t);
  } else {
    // A ratio that falls away to nothing leaves pi / 2 (and the test below
    // sees that it decides).
    if (!ratio(b, a, &t)) t = {0.0, 0.0};
    angle = add(kHalfPiDD, neg(atan_unit(t)));
  }
  if (left) angle = add(kPiDD, neg(angle));
  if (!decides(angle, std::fabs(angle.hi) * 0x1p-90)) {
    *step = TrigStep::wide;
    return trig_wide_atan2(a, left ? -b : b);
  }
  return angle.hi + angle.lo;
}

double arctangent2(double y, double x, TrigStep* step) {
  *step = TrigStep::quick;
  if (std::isnan(x) || std::isnan(y)) return x + y;
  const bool left = std::signbit(x);
  if (y == 0.0) return left ? std::copysign(kPiDD.hi, y) : y;
  if (x == 0.0) return std::copysign(kHalfPiDD.hi, y);
  if (std::isinf(x) || std::isinf(y)) {
    // Both infinite: a quarter or three quarters of pi / 2 steps.
    const double q = std::isinf(x) && std::isinf(y) ? 0.5 : std::isinf(y) ? 1.0 : 0.0;
    const DD a = mul(kHalfPiDD, {left ? 2.0 - q : q, 0.0});
    return std::copysign(a.hi + a.lo, y);
  }
  return std::copysign(arctangent(std::fabs(y), std::fabs(x), left, step), y);
}

}  // namespace

double trig_sin(double x) {
  TrigStep step;
  return sine(x, &step);
}

double trig_cos(double x) {
  TrigStep step;
  return cosine(x, &step);
}

double trig_atan(double x) {
  if (std::isnan(x)) return x;
  // Below 2^-27 the arctangent rounds to x itself; above 2^60 to pi / 2.
  if (std::fabs(x) < 0x1p-27) return x;
  if (std::fabs(x) > 0x1p60) return std::copysign(kHalfPiDD.hi, x);
  TrigStep step;
  return std::copysign(arctangent(std::fabs(x), 1.0, false, &step), x);
}

double trig_atan2(double y, double x) {
  TrigStep step;
  return arctangent2(y, x, &step);
}

TrigStep trig_sin_step(double x) {
  TrigStep step;
  sine(x, &step);
  return step;
}

TrigStep trig_cos_step(double x) {
  TrigStep step;
  cosine(x, &step);
  return step;
}

TrigStep trig_atan2_step(double y, double x) {
  TrigStep step;
  arctangent2(y, x, &step);
  return step;
}
