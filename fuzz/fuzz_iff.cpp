// Arbitrary bytes through the picture decoder: it must never read outside the
// data nor write outside the destination it was given.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/iff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t palette[768];
  // The first byte picks a destination capacity, so that small and large
  // destinations are both exercised.
  size_t capacity = size ? (static_cast<size_t>(data[0]) << 8) + 1 : 1;
  std::vector<uint8_t> dest(capacity);
  iff_decode(data, size, nullptr, 0, palette);
  if (iff_decode(data, size, dest.data(), dest.size(), palette) != -1) return 0;
  size_t pixels = static_cast<size_t>(iff_header.width) * iff_header.height;
  if (!iff_header.chunky && pixels <= (1u << 16)) {
    std::vector<uint8_t> chunky(pixels / 2 + 1);
    iff_planar_to_chunky(dest.data(), dest.size(), chunky.data(), chunky.size());
  }
  return 0;
}
