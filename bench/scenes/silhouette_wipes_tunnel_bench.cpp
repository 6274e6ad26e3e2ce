// Cost of one frame's rendering for a typical tick of each phase of the
// twisting silhouette, the picture wipes and the tunnel, and of each
// scene's set-up. Presenting is not included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

#include "base/tables.h"
#include "display/display.h"
#include "scenes/picture_wipes.h"
#include "scenes/scene_kit.h"
#include "scenes/tunnel.h"
#include "scenes/twisting_silhouette.h"

namespace {

// Without embedded pictures the mask would be empty and phase 2 would draw
// nothing: a figure of a head on shoulders stands in, the title gets a
// gradient and the textures a pattern, so the spans cost what they would.
void stand_in_pictures(SilhouetteScene& s) {
  bool empty = true;
  for (int i = 0; i < kFramePixels && empty; i++) empty = s.mask[i] == 0;
  if (!empty) return;
  for (int y = 0; y < kFrameHeight; y++)
    for (int x = 0; x < kFrameWidth; x++) {
      int i = y * kFrameWidth + x;
      double dx = x - 160.0, dy = y - 45.0;
      s.mask[i] = dx * dx + dy * dy < 900 || (y > 70 && std::fabs(dx) < 40 + (y - 70) * 0.5);
      s.indices[i] = std::fabs(dx) < 40 + 30 * std::sin(y * 0.03);
      s.title[i] = static_cast<uint32_t>(y << 16 | x << 8 | (x ^ y)) & 0xFFFFFF;
      s.late_texture[i] = ((x / 16 + y / 16) & 1) ? 0xF03C3C : 0xF0F05A;
      s.second_texture[i] = static_cast<uint32_t>((x * 3) << 8 | y) & 0xFFFFFF;
    }
  build_slab_shape(s.first, s.mask, 40);
  build_slab_shape(s.second, s.indices, 30);
  s.rest = s.turned = s.first;
}

SilhouetteScene silhouette;

void silhouette_ready() {
  build_sine_table();
  if (!silhouette.frame) {
    silhouette_open(silhouette);
    stand_in_pictures(silhouette);
  }
}

// Brings the solid to the state of tick n (angles, morph, wobble, twist) by
// running the frames before it, as the scene would.
void solid_state_at(int32_t n) {
  silhouette.rest = silhouette.turned = silhouette.first;
  std::memset(silhouette.row_angle, 0, sizeof silhouette.row_angle);
  silhouette.wobble = silhouette.twist = silhouette.wave = 0.0;
  for (int32_t t = 0; t < n; t += 7) {
    silhouette_solid_frame(silhouette, t);
    silhouette.wave = (t - 700) * 0.01;
  }
}

void BM_SilhouetteSetUp(benchmark::State& state) {
  build_sine_table();
  SilhouetteScene& s = *new SilhouetteScene();
  for (auto _ : state) {
    silhouette_open(s);
    silhouette_close(s);
  }
  delete &s;
}
BENCHMARK(BM_SilhouetteSetUp)->Unit(benchmark::kMicrosecond);

void BM_SilhouetteTitleFrame(benchmark::State& state) {
  silhouette_ready();
  for (auto _ : state) {
    silhouette_sink_surroundings(silhouette);
    benchmark::DoNotOptimize(silhouette.frame[0]);
  }
}
BENCHMARK(BM_SilhouetteTitleFrame)->Unit(benchmark::kMicrosecond);

// 300 turning, 800 morphing, 2000 twisting with a new texture, 2900 half
// vanished. Each frame: the dim title, then the solid.
void BM_SilhouetteSolidFrame(benchmark::State& state) {
  silhouette_ready();
  int32_t n = static_cast<int32_t>(state.range(0));
  solid_state_at(n);
  for (auto _ : state) {
    silhouette_dim_title(silhouette);
    silhouette_solid_frame(silhouette, n);
    benchmark::DoNotOptimize(silhouette.frame[0]);
  }
}
BENCHMARK(BM_SilhouetteSolidFrame)->Arg(300)->Arg(800)->Arg(2000)->Arg(2900)->Unit(benchmark::kMicrosecond);

void BM_SilhouetteDissolveFrame(benchmark::State& state) {
  silhouette_ready();
  for (int i = 0; i < kFramePixels; i++) silhouette.indices[i] = static_cast<uint8_t>(1 + i * 7 % 235);
  for (auto _ : state) {
    silhouette_dissolve(silhouette, 120);
    benchmark::DoNotOptimize(silhouette.frame[0]);
  }
}
BENCHMARK(BM_SilhouetteDissolveFrame)->Unit(benchmark::kMicrosecond);

WipeScene wipes;

void wipes_ready() {
  if (wipes.frame) return;
  wipes_open(wipes);
}

void BM_WipesSetUp(benchmark::State& state) {
  WipeScene s{};
  for (auto _ : state) {
    wipes_open(s);
    wipes_close(s);
  }
}
BENCHMARK(BM_WipesSetUp)->Unit(benchmark::kMicrosecond);

void BM_WipesStageChange(benchmark::State& state) {
  wipes_ready();
  for (auto _ : state) wipes_enter_stage(wipes, 3);
}
BENCHMARK(BM_WipesStageChange)->Unit(benchmark::kMicrosecond);

// Ticks since the wipe start: 100 with the band on screen, 350 with the
// incoming picture alone.
void BM_WipesWipeFrame(benchmark::State& state) {
  wipes_ready();
  for (auto _ : state) {
    wipes_wipe_frame(wipes, state.range(0) * 640);
    benchmark::DoNotOptimize(wipes.frame[0]);
  }
}
BENCHMARK(BM_WipesWipeFrame)->Arg(100)->Arg(350)->Unit(benchmark::kMicrosecond);

void BM_WipesDissolveFrame(benchmark::State& state) {
  wipes_ready();
  wipes_enter_dissolve(wipes);
  for (auto _ : state) {
    wipes_dissolve_frame(wipes, 120);
    benchmark::DoNotOptimize(wipes.frame[0]);
  }
}
BENCHMARK(BM_WipesDissolveFrame)->Unit(benchmark::kMicrosecond);

TunnelScene tunnel;

void BM_TunnelSetUp(benchmark::State& state) {
  TunnelScene s{};
  for (auto _ : state) {
    tunnel_open(s);
    tunnel_close(s);
  }
}
BENCHMARK(BM_TunnelSetUp)->Unit(benchmark::kMicrosecond);

// One frame of the loop: map the frame, then rebuild the ten bands.
void BM_TunnelFrame(benchmark::State& state) {
  if (!tunnel.frame) {
    tunnel_open(tunnel);
  }
  uint32_t e = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    tunnel_map_frame(tunnel);
    tunnel_build_bands(tunnel, e);
    benchmark::DoNotOptimize(tunnel.frame[0]);
  }
}
BENCHMARK(BM_TunnelFrame)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);

void BM_TunnelMapFrame(benchmark::State& state) {
  if (!tunnel.frame) {
    tunnel_open(tunnel);
  }
  for (auto _ : state) {
    tunnel_map_frame(tunnel);
    benchmark::DoNotOptimize(tunnel.frame[0]);
  }
}
BENCHMARK(BM_TunnelMapFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
