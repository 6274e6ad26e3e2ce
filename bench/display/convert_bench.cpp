// Every pixel converter over one 320 x 200 frame, rows laid out as the
// window paths lay them (pitch = output width x bytes per pixel).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "display/convert.h"

namespace {

struct Slot {
  int slot;
  int bytes_per_pixel;
  int step;
};

void convert_frame(benchmark::State& state, Slot s) {
  std::vector<uint32_t> frame(320 * 200);
  uint32_t x = 12345;
  for (uint32_t& p : frame) p = (x = x * 1664525u + 1013904223u);
  const int width = 320 * s.step, height = 200 * s.step, pitch = width * s.bytes_per_pixel;
  std::vector<uint8_t> out(size_t(pitch) * height);
  build_green_blue_table();
  PixelConverter convert = kPixelConverters[s.slot];
  for (auto _ : state) {
    for (int y = 0; y < height; y += s.step)
      convert(out.data() + size_t(y) * pitch, frame.data() + (y / s.step) * 320, 320, pitch, 0);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 320 * 200);
  state.SetBytesProcessed(state.iterations() * 320 * 200 * 4);
}

BENCHMARK_CAPTURE(convert_frame, slot0_gray8, Slot{0, 1, 1});
BENCHMARK_CAPTURE(convert_frame, slot2_checker8_double, Slot{2, 1, 2});
BENCHMARK_CAPTURE(convert_frame, slot3_rgb15, Slot{3, 2, 1});
BENCHMARK_CAPTURE(convert_frame, slot4_rgb15_double, Slot{4, 2, 2});
BENCHMARK_CAPTURE(convert_frame, slot5_rgb16, Slot{5, 2, 1});
BENCHMARK_CAPTURE(convert_frame, slot6_rgb16_double, Slot{6, 2, 2});
BENCHMARK_CAPTURE(convert_frame, slot9_rgb32, Slot{9, 4, 1});
BENCHMARK_CAPTURE(convert_frame, slot10_rgb32_double, Slot{10, 4, 2});

}  // namespace
