#include "tests/display/test_frame.h"

std::vector<uint32_t> test_frame(uint32_t seed) {
  std::vector<uint32_t> frame(320 * 200);
  uint32_t state = seed * 2654435761u + 12345;
  for (uint32_t& p : frame) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    p = state;
  }
  const uint32_t row0[] = {0xA5FFFFFF, 0x5AFF8040, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00080402};
  for (int i = 0; i < 7; ++i) frame[i] = row0[i];
  return frame;
}

uint32_t expected_pixel(const std::vector<uint32_t>& frame, int depth, bool doubled, int x, int y) {
  int step = doubled ? 2 : 1;
  uint32_t p = frame[(y / step) * 320 + x / step];
  uint32_t r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
  if (depth == 8) {
    if (!doubled) return (r + g + b) >> 3;
    bool red_cell = (x & 1) == (y & 1);
    return red_cell ? r >> 2 : 128 + 16 * (b >> 5) + (g >> 4);
  }
  if (doubled && (y & 1)) return 0;
  if (depth == 15) return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
  if (depth == 16) return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
  // The top two bits of each byte repeated below it: 0 to 0, 255 to 1,023.
  if (depth == 30) return (r * 4 + r / 64) << 20 | (g * 4 + g / 64) << 10 | (b * 4 + b / 64);
  return p & 0xFFFFFF;
}
