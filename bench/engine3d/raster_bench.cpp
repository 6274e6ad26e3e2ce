// Rasteriser throughput: every span filler on a large and on a small
// (about 20-pixel) triangle in a 320x200 target, in pixels per second, and
// the two whole-frame routines at the show's sizes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine3d/engine.h"
#include "engine3d/frame_blend.h"
#include "engine3d/raster.h"
#include "engine3d/texture.h"

namespace {

struct Setup {
  int mode, depth;
};
// Index by the benchmark's first argument.
constexpr Setup kSetups[] = {
    {kModeFlat, 8},           {kModeSmooth, 8},
    {kModeTexture, 8},        {kModeTextureShade, 8},
    {kModeTextureEnvironment, 8}, {kModeTexture | kModeDepthTested, 8},
    {kModeTexture | kModePerspective, 8}, {kModeTexture, 32},
    {kModeTexture | kModeDepthTested, 32}, {kModeTexture | kModePerspective, 32},
};
const char* const kSetupNames[] = {
    "fill_flat",        "fill_gouraud",          "fill_texture8",
    "fill_texture8_shaded", "fill_texture8_env", "fill_texture8_depth",
    "fill_texture8_perspective", "fill_texture32", "fill_texture32_depth",
    "fill_texture32_perspective",
};

PolyVertex corner(int x, int y, int u, int v, int z) {
  PolyVertex c{};
  c.slot[kSlotX] = x;
  c.slot[kSlotY] = y;
  c.slot[kSlotU] = c.slot[kSlotEnvU] = u;
  c.slot[kSlotV] = c.slot[kSlotEnvV] = v;
  c.slot[kSlotShade] = (u + v) / 4;
  c.slot[kSlotZ] = z;
  return c;
}

// Pixels the current selection writes for the triangle: drawn once on a
// target of zeros and once on one of all-ones bits, a written pixel differs
// from the background in at least one of the two.
long count_pixels(const PolyVertex* tri, std::vector<uint32_t>& frame) {
  std::vector<uint32_t> passes[2];
  for (uint32_t background : {0u, ~0u}) {
    frame.assign(frame.size(), background);
    if (engine.depth_buffer) depth_buffer_clear();
    polygon_draw(3, tri);
    passes[background & 1] = frame;
  }
  const size_t bytes_per_pixel = engine.pixel_depth == 8 ? 1 : 4;
  const auto* zeros = reinterpret_cast<const uint8_t*>(passes[0].data());
  const auto* ones = reinterpret_cast<const uint8_t*>(passes[1].data());
  long n = 0;
  for (size_t i = 0; i < 320 * 200; i++) {
    bool written = false;
    for (size_t b = 0; b < bytes_per_pixel; b++)
      written |= zeros[i * bytes_per_pixel + b] != 0 || ones[i * bytes_per_pixel + b] != 0xFF;
    n += written;
  }
  return n;
}

void BM_Filler(benchmark::State& state) {
  const Setup s = kSetups[state.range(0)];
  const bool large = state.range(1) != 0;
  engine_reset();
  viewport_set(320, 200, s.depth);
  std::vector<uint32_t> frame(320 * 200);
  render_target_set(frame.data());
  std::vector<uint32_t> texture(kTextureTexels + kTextureAlignment / 4);
  for (size_t i = 0; i < texture.size(); i++) texture[i] = 0x01010101u * static_cast<uint32_t>(1 + i % 251);
  texture_select(texture.data(), 1);
  texture_select(texture.data(), 2);
  if (s.mode & kModeDepthTested) depth_buffer_alloc(true);
  render_mode_select(s.mode);

  PolyVertex tri[3];
  if (large) {
    tri[0] = corner(10, 8, 0, 0, 900);
    tri[1] = corner(310, 40, 255, 30, 1200);
    tri[2] = corner(140, 195, 40, 255, 2000);
  } else {
    tri[0] = corner(150, 100, 0, 0, 900);
    tri[1] = corner(157, 102, 60, 10, 950);
    tri[2] = corner(151, 107, 10, 60, 1000);
  }
  const long pixels = count_pixels(tri, frame);
  // The depth-tested fillers pass their test on every pixel: each pass comes
  // one unit nearer, and every 800 passes the buffer is cleared as for a new
  // frame.
  int32_t z_shift = 0;
  for (auto _ : state) {
    if (s.mode & kModeDepthTested) {
      z_shift = (z_shift + 1) % 800;
      for (PolyVertex& c : tri) c.slot[kSlotZ] -= 1;
      if (z_shift == 0) {
        for (PolyVertex& c : tri) c.slot[kSlotZ] += 800;
        depth_buffer_clear();
      }
    }
    polygon_draw(3, tri);
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations() * pixels);
  state.counters["pixels_per_triangle"] = static_cast<double>(pixels);
  state.SetLabel(std::string(kSetupNames[state.range(0)]) + (large ? " large" : " small"));
  engine_reset();
}
BENCHMARK(BM_Filler)->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {1, 0}});

void BM_FrameFadeAdd(benchmark::State& state) {
  constexpr int kPixels = 63680;  // 320 x 199
  std::vector<uint32_t> background(kPixels, 0x203040), render(kPixels), display(kPixels);
  fade_table_init();
  for (int i = 0; i < kPixels; i++) display[static_cast<size_t>(i)] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  for (auto _ : state) {
    frame_fade_add(background.data(), render.data(), display.data(), kPixels);
    benchmark::DoNotOptimize(display.data());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_FrameFadeAdd);

void BM_Expand2xSmooth160x100(benchmark::State& state) {
  std::vector<uint8_t> small(160 * 100);
  for (size_t i = 0; i < small.size(); i++) small[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint32_t> palette(256), out(320 * 200);
  for (uint32_t i = 0; i < 256; i++) palette[i] = i * 0x010203u;
  for (auto _ : state) {
    for (int row = 0; row < 100; row++)
      expand_2x_smooth(out.data() + row * 640, small.data() + row * 160, 160, palette.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 160 * 100);
}
BENCHMARK(BM_Expand2xSmooth160x100);

}  // namespace
