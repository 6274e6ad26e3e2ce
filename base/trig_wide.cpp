#include "base/trig_wide.h"

#include <cmath>
#include <cstdint>

namespace {

// w[0] + w[1] 2^-32 + ... + w[n-1] 2^-32(n-1): one whole limb and n - 1
// fraction limbs. Every operation truncates, leaving an error below one unit
// of the last limb (one "unit" below).
constexpr int kMostLimbs = 33;
struct Wide {
  int n;
  uint32_t w[kMostLimbs];
};

// The precisions tried in turn: 256, 512 and 1,024 bits after the point.
constexpr int kLimbSteps[] = {9, 17, 33};

// Every value is within 2^16 units of the exact one: the longest sum, some
// 520 arctangent terms at 1,024 bits, gathers under 2^12.
constexpr int kSlackBits = 16;

// 2 / pi = sum of kTwoOverPi[i] 2^-32(i + 1), to 2,304 bits.
constexpr uint32_t kTwoOverPi[72] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
    0xA9E39161, 0x5EE61B08, 0x6599855F, 0x14A06840, 0x8DFFD880, 0x4D732731, 0x06061556, 0xCA73A8C9,
    0x60E27BC0, 0x8C6B47C4, 0x19C367CD, 0xDCE8092A, 0x8359C476, 0x8B961CA6, 0xDDAF44D1, 0x5719053E,
    0xA5FF0705, 0x3F7E33E8, 0x32C2DE4F, 0x98327DBB, 0xC33D26EF, 0x6B1E5EF8, 0x9F3A1F35, 0xCAF27F1D,
    0x87F12190, 0x7C7C246A, 0xFA6ED577, 0x2D30433B, 0x15C614B5, 0x9D19C3C2, 0xC4AD414D, 0x2C5D000C};

// pi / 2 as a Wide of 35 limbs.
constexpr uint32_t kHalfPi[35] = {0x00000001, 0x921FB544, 0x42D18469, 0x898CC517, 0x01B839A2, 0x52049C11,
                                  0x14CF98E8, 0x04177D4C, 0x76273644, 0xA29410F3, 0x1C6809BB, 0xDF2A3367,
                                  0x9A748636, 0x605614DB, 0xE4BE286E, 0x9FC26ADA, 0xDAA3848B, 0xC90B6AEC,
                                  0xC4BCFD8D, 0xE89885D3, 0x4C6FDAD6, 0x17FEB96D, 0xE80D6FDB, 0xDC70D7F6,
                                  0xB5133F4B, 0x5D3E4822, 0xF8963FCC, 0x9250CCA3, 0xD9C8B67B, 0x8400F971,
                                  0x42C77E0B, 0x31B4906C, 0x38ABA734, 0xD22C7F51, 0xFA499EBF};

Wide zero(int n) {
  Wide z;
  z.n = n;
  for (int i = 0; i < n; i++) z.w[i] = 0;
  return z;
}

bool is_zero(const Wide& a) {
  for (int i = 0; i < a.n; i++)
    if (a.w[i]) return false;
  return true;
}

// Bit b of the integer a 2^(32(n - 1)), counted from its lowest; 0 beyond it.
int bit(const Wide& a, int b) {
  const int limb = a.n - 1 - b / 32;
  return limb < 0 ? 0 : a.w[limb] >> (b % 32) & 1;
}

Wide add(const Wide& a, const Wide& b) {
  Wide s = zero(a.n);
  uint64_t carry = 0;
  for (int i = a.n - 1; i >= 0; i--) {
    carry += uint64_t(a.w[i]) + b.w[i];
    s.w[i] = uint32_t(carry);
    carry >>= 32;
  }
  return s;
}

// a - b for a >= b.
Wide sub(const Wide& a, const Wide& b) {
  Wide d = zero(a.n);
  int64_t borrow = 0;
  for (int i = a.n - 1; i >= 0; i--) {
    int64_t t = int64_t(a.w[i]) - b.w[i] - borrow;
    borrow = t < 0;
    d.w[i] = uint32_t(t + (borrow << 32));
  }
  return d;
}

// The whole product is formed, then cut to n limbs.
Wide mul(const Wide& a, const Wide& b) {
  const int n = a.n;
  uint32_t p[2 * kMostLimbs] = {};  // p[k + 1] holds the limb of weight 2^-32k
  for (int i = n - 1; i >= 0; i--) {
    uint64_t carry = 0;
    for (int j = n - 1; j >= 0; j--) {
      carry += uint64_t(a.w[i]) * b.w[j] + p[i + j + 1];
      p[i + j + 1] = uint32_t(carry);
      carry >>= 32;
    }
    p[i] = uint32_t(carry);
  }
  Wide r = zero(n);
  for (int k = 0; k < n; k++) r.w[k] = p[k + 1];
  return r;
}

Wide div_small(const Wide& a, uint32_t d) {
  Wide q = zero(a.n);
  uint64_t rest = 0;
  for (int i = 0; i < a.n; i++) {
    rest = rest << 32 | a.w[i];
    q.w[i] = uint32_t(rest / d);
    rest %= d;
  }
  return q;
}

Wide shift_right(const Wide& a, int bits) {
  Wide r = zero(a.n);
  const int limbs = bits / 32, b = bits % 32;
  for (int i = a.n - 1; i >= limbs; i--) {
    uint32_t lo = a.w[i - limbs] >> b;
    uint32_t hi = b && i - limbs - 1 >= 0 ? a.w[i - limbs - 1] << (32 - b) : 0;
    r.w[i] = lo | hi;
  }
  return r;
}

// num / den for den below 2^62 and num below 4 den; *exact says whether
// nothing was cut off.
Wide ratio(uint64_t num, uint64_t den, int n, bool* exact) {
  Wide q = zero(n);
  q.w[0] = uint32_t(num / den);
  uint64_t rest = num % den;
  for (int i = 1; i < n; i++)
    for (int b = 31; b >= 0; b--) {
      rest <<= 1;
      if (rest >= den) {
        rest -= den;
        q.w[i] |= 1u << b;
      }
    }
  *exact = rest == 0;
  return q;
}

// pi / 2 times 2^shift, shift -1 to 1.
Wide half_pi(int n, int shift) {
  Wide h = zero(n);
  for (int i = 0; i < n; i++) h.w[i] = shift > 0 ? kHalfPi[i] << 1 | kHalfPi[i + 1] >> 31 : kHalfPi[i];
  return shift < 0 ? shift_right(h, 1) : h;
}

// Sum over k of (-1)^k share(r_k, k), where r_0 = 1 and r_k = grow(r_(k-1), k),
// until r_k vanishes. The terms fall, so the sum is their positive part less
// their negative part.
template <typename Grow, typename Share>
Wide alternating_series(const Wide& z, Grow grow, Share share) {
  Wide positive = zero(z.n), negative = zero(z.n), running = zero(z.n);
  positive.w[0] = running.w[0] = 1;
  for (uint32_t k = 1;; k++) {
    running = grow(running, k);
    if (is_zero(running)) break;
    const Wide term = share(running, k);
    if (k & 1)
      negative = add(negative, term);
    else
      positive = add(positive, term);
  }
  return sub(positive, negative);
}

// sin(r) / r, cos(r) and atan(t) / t as series in z = r^2 or t^2: the running
// value is the term itself, z^k / (2k + 1)! or z^k / (2k)!, or z^k.
Wide sine_series(const Wide& z) {
  return alternating_series(
      z, [&](const Wide& r, uint32_t k) { return div_small(mul(r, z), 2 * k * (2 * k + 1)); },
      [](const Wide& r, uint32_t) { return r; });
}

Wide cosine_series(const Wide& z) {
  return alternating_series(
      z, [&](const Wide& r, uint32_t k) { return div_small(mul(r, z), 2 * k * (2 * k - 1)); },
      [](const Wide& r, uint32_t) { return r; });
}

Wide arctangent_series(const Wide& z) {
  return alternating_series(
      z, [&](const Wide& r, uint32_t) { return mul(r, z); },
      [](const Wide& r, uint32_t k) { return div_small(r, 2 * k + 1); });
}

// The double nearest v 2^exponent, and whether it is certain: whether no
// half-way point between doubles lies within the slack around v (below v
// only, when the exact value is known to lie below v).
struct Rounded {
  bool certain;
  double value;
};

Rounded round_wide(const Wide& v, int exponent, bool below_only) {
  const int fraction_bits = 32 * (v.n - 1);
  int top = 32 * v.n - 1;
  while (top >= 0 && !bit(v, top)) top--;
  if (top < 0) return {false, 0.0};
  // The double's last place, in bits of v: 53 bits from the top, or the
  // subnormals' fixed place.
  const int power = top - fraction_bits + exponent;
  const int place = (power - 52 > -1074 ? power - 52 : -1074) - exponent + fraction_bits;
  if (place <= kSlackBits + 1) return {false, 0.0};
  // Past the half-way bit, the bits from the slack's up are all zeros when a
  // half-way point lies just below v, all ones when one lies just above.
  const int half = bit(v, place - 1);
  bool zeros = true, ones = true;
  for (int b = kSlackBits; b < place - 1; b++) (bit(v, b) ? zeros : ones) = false;
  bool lowest_zero = zeros;
  for (int b = 0; b < kSlackBits && lowest_zero; b++) lowest_zero = !bit(v, b);
  bool certain, up;
  if (below_only) {
    // v itself on the half-way point: the exact value is below it.
    certain = !(half && zeros) || lowest_zero;
    up = half && !lowest_zero;
  } else {
    certain = half ? !zeros : !ones;
    up = half;
  }
  uint64_t whole = 0;
  for (int b = top; b >= place; b--) whole = whole << 1 | bit(v, b);
  return {certain, std::ldexp(double(whole + up), place - fraction_bits + exponent)};
}

// x = m 2^e with m a whole number below 2^53.
struct Parts {
  uint64_t m;
  int e;
};

Parts parts(double x) {
  int exponent;
  const double f = std::frexp(x, &exponent);
  return {uint64_t(std::ldexp(f, 53)), exponent - 53};
}

// |x| 2 / pi = 4j + quadrant + g (or quadrant - g): g, between 0 and 1/2, in
// quarter turns.
struct Reduced {
  Wide g;
  int quadrant;
  bool below;  // |x| lies g below the quadrant's start
};

// Limbs i of 2 / pi with e - 32(i + 1) >= 2 only add multiples of 4 to
// m 2^e 2 / pi: the product starts after them and runs four limbs past the
// precision, so what it leaves out stays below one unit.
Reduced reduce(Parts x, int n) {
  const int first = x.e >= 2 ? (x.e - 2) / 32 : 0;
  const int count = n + 4;
  uint32_t product[kMostLimbs + 6] = {};  // lowest limb first
  const uint32_t m[2] = {uint32_t(x.m), uint32_t(x.m >> 32)};
  for (int j = 0; j < count; j++) {
    uint64_t carry = 0;
    const uint32_t t = kTwoOverPi[first + count - 1 - j];
    for (int k = 0; k < 2; k++) {
      carry += uint64_t(t) * m[k] + product[j + k];
      product[j + k] = uint32_t(carry);
      carry >>= 32;
    }
    product[j + 2] += uint32_t(carry);
  }
  // product 2^(e - 32(first + count)) holds |x| 2 / pi; bit `skip` of the
  // product is the last bit of the n-limb result.
  const int skip = 32 * (first + count) - x.e - 32 * (n - 1);
  Wide f = zero(n);
  for (int k = 0; k < n; k++) {
    const int b = skip + 32 * k, word = b / 32, shift = b % 32;
    const int top = count + 2;
    uint32_t lo = word < top ? product[word] >> shift : 0;
    uint32_t hi = shift && word + 1 < top ? product[word + 1] << (32 - shift) : 0;
    f.w[n - 1 - k] = lo | hi;
  }
  Reduced r = {f, int(f.w[0] & 3), false};
  r.g.w[0] = 0;
  if (r.g.w[1] >> 31) {
    Wide one = zero(n);
    one.w[0] = 1;
    r.g = sub(one, r.g);
    r.quadrant = (r.quadrant + 1) & 3;
    r.below = true;
  }
  return r;
}

// sin (shift 0) or cos (shift 1) of x at n limbs.
Rounded sine_at(double x, int cosine_shift, int n) {
  const Reduced r = reduce(parts(std::fabs(x)), n);
  const int quadrant = (r.quadrant + cosine_shift) & 3;
  const Wide angle = mul(r.g, half_pi(n, 0)), square = mul(angle, angle);
  // sin(quadrant pi / 2 + angle), or - angle when |x| lies below the quadrant.
  Rounded v;
  bool negative = quadrant & 2;
  if (quadrant & 1) {
    v = round_wide(cosine_series(square), 0, false);
  } else {
    v = round_wide(mul(angle, sine_series(square)), 0, false);
    negative ^= r.below;
  }
  if (cosine_shift == 0 && std::signbit(x)) negative = !negative;
  return {v.certain, negative ? -v.value : v.value};
}

double sine(double x, int cosine_shift) {
  Rounded v;
  for (int n : kLimbSteps) {
    v = sine_at(x, cosine_shift, n);
    if (v.certain) break;
  }
  return v.value;
}

// atan(q) for q = num / den <= 1 as a value and a power of two; *below_only
// when the exact value is known to lie just below it.
struct Scaled {
  Wide v;
  int exponent;
  bool below_only;
};

Scaled arctangent(Parts num, Parts den, int n) {
  const int d = num.e - den.e;
  bool exact;
  if (d == 0 || (d == -1 && num.m >= den.m)) {
    // q of 1/2 or more: pi / 4 - atan(t) with t = (1 - q) / (1 + q) <= 1/3.
    const uint64_t a = num.m << (d + 1), b = den.m << 1;
    const Wide t = ratio(b - a, b + a, n, &exact);
    return {sub(half_pi(n, -1), mul(t, arctangent_series(mul(t, t)))), 0, false};
  }
  // q below 1/2: q (1 - q^2 / 3 + ...), in units of 2^d. Where q^2 falls
  // below the last limb and q itself is exact, atan(q) lies just below q.
  const Wide q = ratio(num.m, den.m, n, &exact);
  const Wide square = -2 * d < 32 * n ? shift_right(mul(q, q), -2 * d) : zero(n);
  return {mul(q, arctangent_series(square)), d, exact && is_zero(square)};
}

Rounded arctangent2_at(Parts y, Parts x, bool left, int n) {
  const bool steep = y.e > x.e || (y.e == x.e && y.m > x.m);
  Scaled a = steep ? arctangent(x, y, n) : arctangent(y, x, n);
  if (!steep && !left) return round_wide(a.v, a.exponent, a.below_only);
  const Wide t = shift_right(a.v, -a.exponent);
  // steep: pi / 2 - t, or pi / 2 + t on the left; else pi - t.
  Wide v = !steep ? sub(half_pi(n, 1), t) : left ? add(half_pi(n, 0), t) : sub(half_pi(n, 0), t);
  return round_wide(v, 0, false);
}

}  // namespace

double trig_wide_sin(double x) {
  // Below 2^-26 the sine rounds to x itself.
  if (std::fabs(x) < 0x1p-26) return x;
  return sine(x, 0);
}

double trig_wide_cos(double x) { return sine(x, 1); }

double trig_wide_atan2(double y, double x) {
  const Parts py = parts(std::fabs(y)), px = parts(std::fabs(x));
  Rounded v;
  for (int n : kLimbSteps) {
    v = arctangent2_at(py, px, std::signbit(x), n);
    if (v.certain) break;
  }
  return std::copysign(v.value, y);
}
