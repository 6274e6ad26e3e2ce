// Random polygons through the rasteriser: corners anywhere in the 32-bit
// range (far off screen, degenerate, huge), every render mode and a few
// unsupported ones, both pixel depths, with and without a depth buffer,
// into a small target. Nothing may be read or written outside the target,
// the textures or the depth buffer, and nothing undefined may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "engine3d/engine.h"
#include "engine3d/raster.h"

namespace {

constexpr int32_t kModes[] = {1, 2, 4, 6, 8, 12, 16, 36, 40, 68, 72, 3, 0, 64, 96, 127};

// Reads input bytes; zeros once they run out.
struct Input {
  const uint8_t* data;
  size_t size, pos = 0;
  uint8_t byte() { return pos < size ? data[pos++] : 0; }
  int32_t word() {
    uint32_t w = 0;
    for (int i = 0; i < 4; i++) w = (w << 8) | byte();
    return static_cast<int32_t>(w);
  }
  bool more() const { return pos < size; }
};

// A coordinate or value: small (near the target), moderate, or anything.
int32_t value(Input& in) {
  const uint8_t scale = in.byte();
  const int32_t raw = in.word();
  switch (scale & 3) {
    case 0: return raw % 40 - 8;
    case 1: return raw % 70000;
    case 2: return raw >> (scale >> 3);
    default: return raw;
  }
}

// A Texture256 buffer whose map ends exactly at the buffer's end, so a read
// past the map leaves the allocation. Made once per texel size.
const void* texture_buffer(size_t bytes_per_texel, uint8_t fill) {
  const size_t size = kTextureAlignment + kTextureTexels * bytes_per_texel;
  auto* buffer = static_cast<uint8_t*>(std::aligned_alloc(kTextureAlignment, size));
  if (buffer) std::memset(buffer, fill, size);
  return buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const void* const textures[2][2] = {
      {texture_buffer(1, 0x35), texture_buffer(1, 0xC1)},
      {texture_buffer(4, 0x35), texture_buffer(4, 0xC1)},
  };
  Input in{data, size};
  const int width = 1 + in.byte() % 24, height = 1 + in.byte() % 16;
  const uint8_t flags = in.byte();
  const int depth = (flags & 1) ? 32 : 8;
  const size_t bytes_per_pixel = depth == 8 ? 1 : 4;
  // The state a previous input left (steps, edge tables) stays, as between
  // polygons of a frame; only the depth buffer goes.
  depth_buffer_alloc(false);
  if (viewport_set(width, height, depth) != 0) return 0;
  void* target = std::malloc(static_cast<size_t>(width * height) * bytes_per_pixel);
  if (!target) return 0;
  render_target_set(target);
  texture_select(textures[depth == 32][0], 1);
  texture_select(textures[depth == 32][1], 2);
  if (flags & 2) depth_buffer_alloc(true);
  while (in.more()) {
    const uint8_t choice = in.byte();
    const int32_t mode = (choice & 0x80) ? kModes[choice % std::size(kModes)] : choice & 0x7F;
    render_mode_select(mode | (engine.depth_buffer && (choice & 0x40) ? kModeDepthTested : 0));
    const int n = 3 + (in.byte() & 1);
    PolyVertex corners[4];
    for (int i = 0; i < n; i++)
      for (int32_t& slot : corners[i].slot) slot = value(in);
    polygon_draw(n, corners);
    if (choice == 0x7F) depth_buffer_clear();
  }
  render_target_set(nullptr);
  std::free(target);
  return 0;
}
