// The two 8-bit palettes stored into the colour map on 8-bit displays.
#pragma once
#include <X11/Xlib.h>

// Fills all 256 cells (pixel = index). Grayscale: cells 0..95 gray
// i * 65535 / 96, the rest black. Double pixels: cells 0..63 red
// i * 65535 / 64, cells 128 + j green (j & 15) * 4369 and blue
// (j >> 4) * 65535 / 7; cells 64..127 carry no flags and are left as they are.
void palette_fill(XColor cells[256], bool doubled);
