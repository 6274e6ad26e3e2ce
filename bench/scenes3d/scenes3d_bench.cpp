// One frame of each 3D scene at a typical tick, beside the tunnel's frame for
// comparison, and the seventh scene's pre-rendering of its 256 frames.
// Presenting is not included.
#include <benchmark/benchmark.h>

#include "base/tables.h"
#include "scenes/object_ring.h"
#include "scenes/replayed_object.h"
#include "scenes/tunnel.h"
#include "scenes/whirl_greetings.h"

namespace {

void BM_ObjectRingFrame(benchmark::State& state) {
  ObjectRing s{};
  if (object_ring_open(&s) != kSetUpDone) return state.SkipWithError("set-up failed");
  uint32_t t = 9800;
  for (auto _ : state) {
    object_ring_frame(&s, t);
    benchmark::DoNotOptimize(object_ring_window(s, t)[0]);
    t = t < 10250 ? t + 1 : 9800;
  }
}
BENCHMARK(BM_ObjectRingFrame)->Unit(benchmark::kMillisecond);

// The objects, one text step, the whirl, the trails with the text, and the
// final fade (as in the scene's last 255 ticks).
void BM_WhirlGreetingsFrame(benchmark::State& state) {
  WhirlGreetings s{};
  if (whirl_greetings_open(&s) != kSetUpDone) return state.SkipWithError("set-up failed");
  uint32_t t = 11500;
  for (auto _ : state) {
    whirl_draw_objects(&s, t);
    greet_tick(&s.greet);
    render_whirl(&s);
    whirl_compose(&s);
    threshold_fade(&s, 120);
    benchmark::DoNotOptimize(s.frame[0]);
    t = t < 12800 ? t + 1 : 11500;
  }
}
BENCHMARK(BM_WhirlGreetingsFrame)->Unit(benchmark::kMillisecond);

// A playback iteration with the fade, as in the scene's last seconds.
void BM_ReplayedObjectFrame(benchmark::State& state) {
  build_mul_table();
  ReplayedObject s{};
  if (replayed_object_open(&s) != kSetUpDone) return state.SkipWithError("set-up failed");
  prerender_animation(&s);
  uint32_t t = 15000;
  for (auto _ : state) {
    replay_frame(&s, t, t);
    fade_frame(s.frame, 200);
    benchmark::DoNotOptimize(s.frame[0]);
    t = t < 16000 ? t + 1 : 15000;
  }
}
BENCHMARK(BM_ReplayedObjectFrame)->Unit(benchmark::kMillisecond);

void BM_ReplayedObjectPrerender256(benchmark::State& state) {
  ReplayedObject s{};
  if (replayed_object_open(&s) != kSetUpDone) return state.SkipWithError("set-up failed");
  for (auto _ : state) {
    prerender_animation(&s);
    benchmark::DoNotOptimize(s.animation[0]);
  }
}
BENCHMARK(BM_ReplayedObjectPrerender256)->Unit(benchmark::kMillisecond);

void BM_TunnelFrame(benchmark::State& state) {
  TunnelScene s{};
  if (!tunnel_open(s)) return state.SkipWithError("set-up failed");
  uint32_t e = 1500;
  for (auto _ : state) {
    tunnel_map_frame(s);
    tunnel_build_bands(s, e);
    benchmark::DoNotOptimize(s.frame[0]);
    e = e < 4000 ? e + 1 : 1500;
  }
  tunnel_close(s);
}
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMillisecond);

}  // namespace
