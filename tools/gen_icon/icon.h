// The program's icon: the first scene's snowflake on a tile of night sky with
// an aurora, drawn afresh at each size with the detail that size can carry.
#pragma once
#include <cstdint>
#include <vector>

// The sizes the desktop's icon theme asks for, in pixels.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

// The icon at size x size pixels: rows top first, 4 bytes a pixel (red,
// green, blue, alpha; colours not premultiplied), transparent around the tile.
std::vector<uint8_t> draw_icon(int size);
