// Arbitrary bytes through the picture decoder: it must never read outside the
// data nor write outside the destination it was given.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture/iff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t palette[768];
  // The first byte picks a destination capacity, so that destinations both
  // smaller and larger than the picture are exercised. Left uninitialised:
  // only where the decoder writes matters, and zeroing the buffer on every
  // run would cost more than the decoding.
  size_t capacity = size ? (static_cast<size_t>(data[0]) << 6) + 1 : 1;
  std::unique_ptr<uint8_t[]> owned(new uint8_t[capacity]);
  uint8_t* dest = owned.get();
  iff_decode(data, size, nullptr, 0, palette);
  if (iff_decode(data, size, dest, capacity, palette) != -1) return 0;
  size_t pixels = static_cast<size_t>(iff_header.width) * iff_header.height;
  if (!iff_header.chunky && pixels <= (1u << 16)) {
    std::vector<uint8_t> chunky(pixels / 2 + 1);
    iff_planar_to_chunky(dest, capacity, chunky.data(), chunky.size());
  }
  return 0;
}
