#include "tests/engine3d/raster_support.h"

#include "engine3d/raster.h"

TestTarget::TestTarget(int width, int height, int pixel_depth) : w(width), h(height), depth(pixel_depth) {
  viewport_set(width, height, pixel_depth);
  if (pixel_depth == 8) {
    bytes.assign(static_cast<size_t>(w * h), 0);
    render_target_set(bytes.data());
  } else {
    pixels.assign(static_cast<size_t>(w * h), 0);
    render_target_set(pixels.data());
  }
}

uint32_t TestTarget::at(int x, int y) const {
  size_t i = static_cast<size_t>(y * w + x);
  return depth == 8 ? bytes[i] : pixels[i];
}

std::vector<std::string> TestTarget::rows() const {
  std::vector<std::string> out;
  for (int y = 0; y < h; y++) {
    std::string row;
    for (int x = 0; x < w; x++) {
      uint32_t p = at(x, y);
      row += p == 0 ? '.' : p < 16 ? "0123456789abcdef"[p] : '#';
    }
    out.push_back(row);
  }
  return out;
}

TestTexture::TestTexture(int bytes_per_texel, uint32_t (*texel)(int u, int v)) {
  buffer.assign(kTextureAlignment + kTextureTexels * static_cast<size_t>(bytes_per_texel), 0);
  auto* origin = const_cast<uint8_t*>(static_cast<const uint8_t*>(texture_origin(buffer.data())));
  for (int v = 0; v < 256; v++)
    for (int u = 0; u < 256; u++) {
      uint32_t t = texel(u, v);
      size_t i = static_cast<size_t>(v * 256 + u);
      if (bytes_per_texel == 1)
        origin[i] = static_cast<uint8_t>(t);
      else
        reinterpret_cast<uint32_t*>(origin)[i] = t;
    }
}

PolyVertex corner(int x, int y, std::initializer_list<std::pair<PolySlot, int32_t>> slots) {
  PolyVertex c{};
  c.slot[kSlotX] = x;
  c.slot[kSlotY] = y;
  for (auto [slot, value] : slots) c.slot[slot] = value;
  return c;
}

void raster_reset() { engine_reset(); }
