// Turning rendered colour images into palette pictures: a median-cut
// palette and ordered dithering, the look of a paint program's conversion.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/gen_content/raster.h"

// Chooses count palette entries starting at first from the colours of the
// image's pixels (only where region is non-zero, when a region is given) by
// median cut on 6-bit colours, and stores them in picture.palette.
void build_palette(const Image& image, Picture& picture, int first, int count,
                   const std::vector<uint8_t>* region = nullptr);

// Maps the image's pixels (only where region is non-zero, when given) to the
// nearest of palette entries first..first+count-1, with an ordered dither of
// the given strength in 6-bit steps (0 = none, 1 = one step).
void map_to_palette(const Image& image, Picture& picture, int first, int count, float dither,
                    const std::vector<uint8_t>* region = nullptr);

// Both steps: a picture of the image's size using all 256 colours.
Picture quantize(const Image& image, float dither);
