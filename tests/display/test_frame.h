// A known FrameBuffer for the display tests, and the conversion rules written
// out pixel by pixel as the oracle the read-back pixels are checked against.
#pragma once
#include <cstdint>
#include <vector>

// 320 x 200 pixels. Row 0 starts with white, (255,128,64), black, red, green,
// blue, (8,4,2); everything else is pseudo-random. Byte 3 is random too: no
// converter may let it into a colour.
std::vector<uint32_t> test_frame(uint32_t seed = 1);

// The pixel value the display should hold at (x, y) of the output for a
// default visual depth (8, 15, 16, 24 or 30) and the double-pixel flag.
uint32_t expected_pixel(const std::vector<uint32_t>& frame, int depth, bool doubled, int x, int y);
