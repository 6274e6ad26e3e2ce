// Cost of the polar scenes: set-up (allocation, picture decoding, maps and
// tables) and one frame of each phase at a typical moment.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "scenes/hyperbolic_whirl.h"
#include "scenes/polar_wipe.h"
#include "scenes/scenes.h"
#include "tests/support/scene_run.h"

namespace {

// Pictures with some structure in place of the embedded ones, so that no
// phase meets only black: test_colour.

void BM_PolarWipeSetUp(benchmark::State& state) {
  for (auto _ : state) {
    PolarWipe w;
    benchmark::DoNotOptimize(polar_wipe_open(w));
    polar_wipe_close(w);
  }
}
BENCHMARK(BM_PolarWipeSetUp)->Unit(benchmark::kMillisecond);

struct WipeFixture {
  PolarWipe w;
  WipeFixture() {
    polar_wipe_open(w);
    for (int i = 0; i < kSwirlPixels; i++) w.swirl[i] = test_colour(i);
    for (int i = 0; i < 64000; i++) w.sector[i] = i % 5 ? test_colour(i + 7) : 0;
  }
  ~WipeFixture() { polar_wipe_close(w); }
};

void BM_SectorWipe(benchmark::State& state) {
  WipeFixture f;
  for (auto _ : state) render_sector_wipe(f.w, static_cast<uint32_t>(state.range(0)));
}
BENCHMARK(BM_SectorWipe)->Arg(300)->Arg(900)->Unit(benchmark::kMicrosecond);

void BM_SpiralSpread(benchmark::State& state) {
  WipeFixture f;
  for (auto _ : state) render_spiral_spread(f.w, static_cast<uint32_t>(state.range(0)));
}
BENCHMARK(BM_SpiralSpread)->Arg(1600)->Unit(benchmark::kMicrosecond);

void BM_Swirl(benchmark::State& state) {
  WipeFixture f;
  uint32_t e = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    SwirlMotion motion = {(e - 1) / 15.0, (e - 1) / 15.0};
    render_swirl(f.w, &motion, e);
  }
}
BENCHMARK(BM_Swirl)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_HyperbolicWhirlSetUp(benchmark::State& state) {
  for (auto _ : state) {
    HyperbolicWhirl w;
    benchmark::DoNotOptimize(hyperbolic_whirl_open(w));
    hyperbolic_whirl_close(w);
  }
}
BENCHMARK(BM_HyperbolicWhirlSetUp)->Unit(benchmark::kMillisecond);

// One frame as the scene draws it: the frame at n, then the tables for the
// next one.
void BM_HyperbolicWhirl(benchmark::State& state) {
  HyperbolicWhirl w;
  hyperbolic_whirl_open(w);
  for (int i = 0; i < kWarpSourcePixels; i++) w.source[i] = test_colour(i);
  for (int i = 0; i < 64000; i++) w.still[i] = test_colour(i + 3);
  int32_t n = static_cast<int32_t>(state.range(0));
  double P = (kWhirlGrowStart + n) * 0.02;
  WhirlTables tables;
  build_whirl_tables(&tables, P - 0.06);
  for (auto _ : state) {
    render_hyperbolic_whirl(w, tables, n, whirl_shift(P));
    build_whirl_tables(&tables, P);
  }
  hyperbolic_whirl_close(w);
}
// Before the warp, growing, covering the screen, shrinking.
BENCHMARK(BM_HyperbolicWhirl)->Arg(-50)->Arg(120)->Arg(500)->Arg(820)->Unit(benchmark::kMicrosecond);

// The whole sixth scene on the fake clock, a frame every 20 ticks from just
// before the warp grows: set-up, about 50 frames and the closing poll.
void BM_WholeHyperbolicWhirlScene(benchmark::State& state) {
  for (auto _ : state) {
    SceneRun run;
    benchmark::DoNotOptimize(run_scene_paced(scene_hyperbolic_whirl, &run, kWhirlGrowStart - 50, 20));
  }
}
BENCHMARK(BM_WholeHyperbolicWhirlScene)->Unit(benchmark::kMillisecond);

}  // namespace
