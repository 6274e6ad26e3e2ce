// Frame blending around the renderer: the trails' fade-and-add of a rendered
// frame onto the faded previous one, and the 2x expansion of small 8-bit
// frames. Reads and writes: engine.fade_table (fade_table_init,
// frame_fade_add).
#pragma once
#include <cstdint>

// Entry i of the fade table = (15 x i) >> 4.
// Writes: engine.fade_table.
void fade_table_init();
// display = faded display + render (one 32-bit add per pixel); render is
// then reset to background, or to 0 without one.
void frame_fade_add(const uint32_t* background, uint32_t* render, uint32_t* display, int count);
// One source row of count 8-bit pixels through a 32-bit palette into two
// output rows 320 pixels apart, each pixel a 2x2 block: right column its
// colour, left column the average of it and its left neighbour (half its
// colour for the first). out needs 320 + 2 x count pixels.
void expand_2x_smooth(uint32_t* out, const uint8_t* src, int count, const uint32_t* palette);
