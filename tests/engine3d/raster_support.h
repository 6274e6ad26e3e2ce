// Helpers for the rasteriser's tests: small targets drawn as text, texture
// buffers laid out as the engine expects, polygon corners.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine3d/engine.h"

// A target of w x h pixels installed with viewport_set and
// render_target_set; depth 8 draws bytes, 32 draws 32-bit pixels.
struct TestTarget {
  int w, h, depth;
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> pixels;
  TestTarget(int width, int height, int pixel_depth);
  uint32_t at(int x, int y) const;
  // One string per row: '.' for 0, the hex digit of 1..15, '#' above.
  std::vector<std::string> rows() const;
};

// A buffer holding a 256x256 Texture256 (8- or 32-bit texels) whose texel
// (u, v) is texel(u, v); the buffer is exactly as large as the engine needs.
struct TestTexture {
  std::vector<uint8_t> buffer;
  TestTexture(int bytes_per_texel, uint32_t (*texel)(int u, int v));
  const void* data() const { return buffer.data(); }
};

// A corner with x, y and the given slots; unset slots are 0.
PolyVertex corner(int x, int y, std::initializer_list<std::pair<PolySlot, int32_t>> slots = {});

// Engine state reset, fade table off; called by every rasteriser test.
void raster_reset();
