// Decoding speed of the show's own pictures: a 320 x 200 chunky picture and a
// 256 x 256 planar one with its conversion to indices.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "data/content.h"
#include "picture/iff.h"

namespace {

void BM_DecodeChunky320x200(benchmark::State& state) {
  Blob file = picture_data(static_cast<PictureRole>(state.range(0)));
  std::vector<uint8_t> dest(64000);
  uint8_t palette[768];
  for (auto _ : state) {
    int ok = iff_decode(file.data, file.size, dest.data(), dest.size(), palette);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * 64000);
  state.counters["file_bytes"] = static_cast<double>(file.size);
}
// A gallery picture and the threshold map, whose noise packs poorly.
BENCHMARK(BM_DecodeChunky320x200)->Arg(PIC_GALLERY_2)->Arg(PIC_THRESHOLD);

void BM_DecodePlanar256x256AndConvert(benchmark::State& state) {
  Blob file = picture_data(PIC_TEXTURE_1);
  std::vector<uint8_t> dest(65536), chunky(65536);
  uint8_t palette[768];
  for (auto _ : state) {
    iff_decode(file.data, file.size, dest.data(), dest.size(), palette);
    iff_planar_to_chunky(dest.data(), dest.size(), chunky.data(), chunky.size());
    benchmark::DoNotOptimize(chunky.data());
  }
  state.SetBytesProcessed(state.iterations() * 65536);
}
BENCHMARK(BM_DecodePlanar256x256AndConvert);

}  // namespace
