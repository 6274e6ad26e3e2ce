#include "tests/base/trig_oracle.h"

#include <mpfr.h>

#include <cmath>

namespace {

// f at the precision of r.
int evaluate(mpfr_t r, TrigFunction f, double x, double y, mpfr_rnd_t rounding) {
  mpfr_t a, b;
  mpfr_inits2(53, a, b, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(a, x, MPFR_RNDN);
  mpfr_set_d(b, y, MPFR_RNDN);
  int t = 0;
  switch (f) {
    case TrigFunction::sin: t = mpfr_sin(r, a, rounding); break;
    case TrigFunction::cos: t = mpfr_cos(r, a, rounding); break;
    case TrigFunction::atan: t = mpfr_atan(r, a, rounding); break;
    case TrigFunction::atan2: t = mpfr_atan2(r, b, a, rounding); break;
  }
  mpfr_clears(a, b, static_cast<mpfr_ptr>(nullptr));
  return t;
}

// The exact value at 400 bits and its distance to the nearest half-way
// point in units of the double's last place.
struct Distance {
  double places;
  long place, exponent;  // the last place and the value's exponent (0.1... 2^exponent)
};

Distance distance(TrigFunction f, double x, double y) {
  mpfr_t v, t;
  mpfr_inits2(400, v, t, static_cast<mpfr_ptr>(nullptr));
  evaluate(v, f, x, y, MPFR_RNDN);
  mpfr_abs(v, v, MPFR_RNDN);
  // v = 0.1... 2^exponent: the last place of a double there is 2^(exponent - 53).
  long exponent = mpfr_get_exp(v);
  long place = exponent - 53 > -1074 ? exponent - 53 : -1074;
  mpfr_mul_2si(t, v, -place, MPFR_RNDN);  // exact: only the exponent moves
  mpfr_frac(t, t, MPFR_RNDN);
  mpfr_sub_d(t, t, 0.5, MPFR_RNDN);
  mpfr_abs(t, t, MPFR_RNDN);
  Distance d = {mpfr_get_d(t, MPFR_RNDN), place, exponent};
  mpfr_clears(v, t, static_cast<mpfr_ptr>(nullptr));
  return d;
}

}  // namespace

double exact_double(TrigFunction f, double x, double y) {
  // The double format's range, so that subnormal results are rounded at their
  // own precision (mpfr_subnormalize) rather than first to 53 bits.
  const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
  mpfr_set_emin(-1073);
  mpfr_set_emax(1024);
  mpfr_t r;
  mpfr_init2(r, 53);
  int t = evaluate(r, f, x, y, MPFR_RNDN);
  t = mpfr_subnormalize(r, t, MPFR_RNDN);
  const double d = mpfr_get_d(r, MPFR_RNDN);
  mpfr_clear(r);
  mpfr_set_emin(emin);
  mpfr_set_emax(emax);
  return d;
}

double halfway_distance(TrigFunction f, double x, double y) { return distance(f, x, y).places; }

double relative_halfway_distance(TrigFunction f, double x, double y) {
  const Distance d = distance(f, x, y);
  return std::ldexp(d.places, static_cast<int>(d.place - d.exponent + 1));
}
