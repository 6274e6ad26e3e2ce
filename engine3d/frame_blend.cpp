// The two whole-frame routines around the renderer: the trails' fade-and-add
// and the 2x expansion of small 8-bit frames.
#include "engine3d/frame_blend.h"

#include "engine3d/engine.h"

void fade_table_init() {
  for (uint32_t i = 0; i < 256; i++) engine.fade_table[i] = (15 * i) >> 4;
}

namespace {

// Each colour channel at 15/16 through the fade table; the top byte stays.
inline uint32_t faded(uint32_t d) {
  const uint32_t* fade = engine.fade_table;
  return (d & 0xFF000000u) | ((fade[(d >> 16) & 0xFF] & 0xFF) << 16) |
         ((fade[(d >> 8) & 0xFF] & 0xFF) << 8) | (fade[d & 0xFF] & 0xFF);
}

}  // namespace

// One 32-bit add per pixel: a channel whose sum passes 255 carries into the
// next, as the trails have always done.
void frame_fade_add(const uint32_t* background, uint32_t* render, uint32_t* display, int count) {
  if (background) {
    for (int k = 0; k < count; k++) {
      display[k] = faded(display[k]) + render[k];
      render[k] = background[k];
    }
  } else {
    for (int k = 0; k < count; k++) {
      display[k] = faded(display[k]) + render[k];
      render[k] = 0;
    }
  }
}

void expand_2x_smooth(uint32_t* out, const uint8_t* src, int count, const uint32_t* palette) {
  constexpr int kRowPitch = 320;
  uint32_t previous_half = 0;
  for (int k = 0; k < count; k++) {
    const uint32_t c = palette[src[k]];
    const uint32_t half = (c >> 1) & 0x7F7F7F7F;
    out[2 * k + 1] = out[2 * k + 1 + kRowPitch] = c;
    out[2 * k] = out[2 * k + kRowPitch] = previous_half + half;
    previous_half = half;
  }
}
