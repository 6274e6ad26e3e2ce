// Looks for arguments in the show's ranges whose sine, cosine or arctangent
// lies near a half-way point between two doubles: the hard cases that
// trig_test.cpp keeps in its table. A long double value picks the
// candidates, MPFR measures them. Prints the hardest of each function as
// table lines.
//
//   trig_search [CANDIDATES_PER_FUNCTION [SEED]]     (default 2^28 and 1)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "tests/base/trig_oracle.h"

namespace {

constexpr int kKept = 12;

// Distance of the long double value v to the nearest half-way point between
// doubles, in last places of the double; about 2^-11 of a place off.
double rough_distance(long double v) {
  int exponent;
  std::frexp(static_cast<double>(v), &exponent);
  const long double t = std::ldexp(std::fabs(v), 53 - exponent);
  return static_cast<double>(std::fabs(t - std::floor(t) - 0.5L));
}

struct Found {
  double distance, x;
};

void search(const char* name, TrigFunction f, long double (*rough)(long double), double low, double high,
            long long candidates, std::mt19937_64& g) {
  std::uniform_real_distribution<double> wide(0.0, high), narrow(0.0, low);
  std::vector<Found> found;
  for (long long i = 0; i < candidates; i++) {
    const double x = i & 1 ? wide(g) : narrow(g);
    if (rough_distance(rough(x)) > 0x1p-8) continue;
    found.push_back({halfway_distance(f, x), x});
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.distance < b.distance; });
    if (found.size() > kKept) found.pop_back();
  }
  for (const Found& c : found)
    std::printf("    {TrigFunction::%s, %a},  // 2^%.1f\n", name, c.x, std::log2(c.distance));
}

}  // namespace

int main(int argc, char** argv) {
  const long long candidates = argc > 1 ? std::atoll(argv[1]) : 1LL << 28;
  std::mt19937_64 g(argc > 2 ? std::atoll(argv[2]) : 1);
  search(
      "sin", TrigFunction::sin, [](long double x) { return sinl(x); }, 8.0, 3000.0, candidates, g);
  search(
      "cos", TrigFunction::cos, [](long double x) { return cosl(x); }, 8.0, 3000.0, candidates, g);
  search(
      "atan", TrigFunction::atan, [](long double x) { return atanl(x); }, 2.0, 128.0, candidates, g);
}
