// Decoding speed of a 320 x 200 chunky picture and of the planar conversion.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "picture/iff.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ByteRun1 in its simplest correct form: repeats of three or more become
// runs, everything else literal runs of at most 128 bytes.
void pack_row(const uint8_t* row, int n, Bytes& out) {
  int i = 0;
  while (i < n) {
    int run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) run++;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(1 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    int start = i;
    while (i < n && i - start < 128 && !(i + 2 < n && row[i] == row[i + 1] && row[i] == row[i + 2])) i++;
    out.push_back(static_cast<uint8_t>(i - start - 1));
    out.insert(out.end(), row + start, row + i);
  }
}

void chunk(Bytes& b, const char* tag, const Bytes& data) {
  b.insert(b.end(), tag, tag + 4);
  uint32_t n = static_cast<uint32_t>(data.size());
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(n >> s));
  b.insert(b.end(), data.begin(), data.end());
  if (n & 1) b.push_back(0);
}

// A painted-looking picture: flat bands with a dithered sky and some noise.
Bytes make_picture(const char* type, int w, int h, int bytes_per_row, const Bytes& rows) {
  Bytes bmhd(20, 0);
  bmhd[0] = static_cast<uint8_t>(w >> 8), bmhd[1] = static_cast<uint8_t>(w);
  bmhd[2] = static_cast<uint8_t>(h >> 8), bmhd[3] = static_cast<uint8_t>(h);
  bmhd[8] = 8;
  bmhd[10] = 1;
  Bytes cmap(768);
  for (int i = 0; i < 768; i++) cmap[i] = static_cast<uint8_t>(i * 5);
  Bytes body;
  for (int y = 0; y < static_cast<int>(rows.size()) / bytes_per_row; y++) pack_row(&rows[y * bytes_per_row], bytes_per_row, body);
  Bytes inner(type, type + 4);
  chunk(inner, "BMHD", bmhd);
  chunk(inner, "CMAP", cmap);
  chunk(inner, "BODY", body);
  Bytes file;
  chunk(file, "FORM", inner);
  return file;
}

Bytes scene_indices(int w, int h) {
  Bytes px(static_cast<size_t>(w) * h);
  uint32_t seed = 7;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      seed = seed * 1664525u + 1013904223u;
      uint8_t v = y < h / 2 ? static_cast<uint8_t>(16 + y / 8 + ((x + y) & 1)) : static_cast<uint8_t>(100 + x / 40);
      if ((seed >> 24) < 20) v = static_cast<uint8_t>(seed >> 16);
      px[static_cast<size_t>(y) * w + x] = v;
    }
  return px;
}

void BM_DecodeChunky320x200(benchmark::State& state) {
  Bytes file = make_picture("PBM ", 320, 200, 320, scene_indices(320, 200));
  Bytes dest(64000);
  uint8_t palette[768];
  for (auto _ : state) {
    int ok = iff_decode(file.data(), file.size(), dest.data(), dest.size(), palette);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * 64000);
  state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_DecodeChunky320x200);

void BM_DecodePlanar256x256AndConvert(benchmark::State& state) {
  // Planar rows: 8 planes of 32 bytes per row; any bit pattern will do.
  Bytes planar = scene_indices(256, 256);
  Bytes file = make_picture("ILBM", 256, 256, 256, planar);
  Bytes dest(65536), chunky(65536);
  uint8_t palette[768];
  for (auto _ : state) {
    iff_decode(file.data(), file.size(), dest.data(), dest.size(), palette);
    iff_planar_to_chunky(dest.data(), dest.size(), chunky.data(), chunky.size());
    benchmark::DoNotOptimize(chunky.data());
  }
  state.SetBytesProcessed(state.iterations() * 65536);
}
BENCHMARK(BM_DecodePlanar256x256AndConvert);

}  // namespace
