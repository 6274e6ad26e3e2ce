// Time per call of the show's trigonometry on arguments like the scenes'
// (angles up to a few thousand radians, the tunnel's ratios of integer
// points).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "base/trig.h"
#include "base/trig_wide.h"

namespace {

std::vector<double> angles() {
  std::mt19937_64 g(7);
  std::uniform_real_distribution<double> d(-3000.0, 3000.0);
  std::vector<double> v(4096);
  for (double& x : v) x = d(g);
  return v;
}

template <double (*F)(double)>
void one_argument(benchmark::State& state) {
  const std::vector<double> v = angles();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(F(v[i]));
    i = (i + 1) & 4095;
  }
}

// Every point of a 320 x 200 screen around its centre, as the tunnel's map.
template <typename Call>
void screen_points(benchmark::State& state, Call call) {
  int x = -159, y = -100;
  for (auto _ : state) {
    benchmark::DoNotOptimize(call(y, x));
    if (++x == 161) {
      x = -159;
      if (++y == 100) y = -100;
    }
  }
}

void atan_ratio(benchmark::State& state) {
  screen_points(state, [](int y, int x) { return trig_atan(std::abs(y) / (std::abs(x) + 0.5)); });
}

void atan2_points(benchmark::State& state) {
  screen_points(state, [](int y, int x) { return trig_atan2(y, x); });
}

// Points off the axes: the wide step takes no zeros.
void wide_atan2_points(benchmark::State& state) {
  screen_points(state, [](int y, int x) { return trig_wide_atan2(y + 0.5, x + 0.5); });
}

}  // namespace

BENCHMARK(one_argument<trig_sin>)->Name("sin");
BENCHMARK(one_argument<trig_cos>)->Name("cos");
BENCHMARK(atan_ratio)->Name("atan_screen_ratios");
BENCHMARK(atan2_points)->Name("atan2_screen_points");
// The last step alone, taken where the others cannot decide.
BENCHMARK(one_argument<trig_wide_sin>)->Name("wide_step_sin");
BENCHMARK(wide_atan2_points)->Name("wide_step_atan2_screen_points");
