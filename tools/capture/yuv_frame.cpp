#include "tools/capture/yuv_frame.h"

#include <cstring>

#include "display/display.h"

namespace {

// Kept free of branches and of anything that aliases, so that the compiler
// turns it into vector code (the file is built with -O3), on AVX2 where the
// machine has it: it is the one per-pixel loop a capture adds to the show's
// own work. Every sum fits 16 bits (Y' in 0..56,228, Cb and Cr in
// -28,560..28,688), so the lanes are 16 bits wide and the results are those
// of the same formulas in int.
__attribute__((target_clones("avx2", "default"))) void convert(const uint32_t* __restrict px,
                                                               uint8_t* __restrict y, uint8_t* __restrict cb,
                                                               uint8_t* __restrict cr) {
  for (int i = 0; i < kFramePixels; i++) {
    uint16_t r = px[i] >> 16 & 255, g = px[i] >> 8 & 255, b = px[i] & 255;
    uint16_t luma = static_cast<uint16_t>(66 * r + 129 * g + 25 * b + 128);
    int16_t blue = static_cast<int16_t>(-38 * r - 74 * g + 112 * b + 128);
    int16_t red = static_cast<int16_t>(112 * r - 94 * g - 18 * b + 128);
    y[i] = static_cast<uint8_t>((luma >> 8) + 16);
    cb[i] = static_cast<uint8_t>((blue >> 8) + 128);
    cr[i] = static_cast<uint8_t>((red >> 8) + 128);
  }
}

// A 320 x 200 plane with every sample enlarged to a k x k block.
void enlarge(const uint8_t* plane, int k, uint8_t* out) {
  if (k == 1) {
    std::memcpy(out, plane, kFramePixels);
    return;
  }
  const size_t width = static_cast<size_t>(kFrameWidth) * k;
  for (int row = 0; row < kFrameHeight; row++) {
    uint8_t* first = out;
    const uint8_t* src = plane + static_cast<size_t>(row) * kFrameWidth;
    for (int x = 0; x < kFrameWidth; x++)
      for (int i = 0; i < k; i++) *out++ = src[x];
    for (int copy = 1; copy < k; copy++, out += width) std::memcpy(out, first, width);
  }
}

}  // namespace

size_t yuv_frame_bytes(int scale, bool subsampled) {
  size_t luma = static_cast<size_t>(kFramePixels) * scale * scale;
  return luma + 2 * (subsampled ? luma / 4 : luma);
}

void yuv_frame(const uint32_t* frame, int scale, bool subsampled, uint8_t* out) {
  if (scale == 1 && !subsampled) {
    convert(frame, out, out + kFramePixels, out + 2 * kFramePixels);
    return;
  }
  static uint8_t planes[3][kFramePixels];
  convert(frame, planes[0], planes[1], planes[2]);
  size_t luma = static_cast<size_t>(kFramePixels) * scale * scale;
  int chroma_scale = subsampled ? scale / 2 : scale;
  size_t chroma = subsampled ? luma / 4 : luma;
  enlarge(planes[0], scale, out);
  enlarge(planes[1], chroma_scale, out + luma);
  enlarge(planes[2], chroma_scale, out + luma + chroma);
}
