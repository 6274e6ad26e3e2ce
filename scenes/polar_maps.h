// Polar warps over the 320 x 200 frame, shared by every scene that looks at a
// picture through polar coordinates around the frame's centre.
//
// A warp has two halves built once at set-up: per-pixel maps (a radius step
// and an angle step for each frame pixel) and a PolarLookup (for each radius
// step k and angle step l, the offset of a picture pixel). Each frame a scene
// shifts the radius and angle of every pixel by 256-entry tables indexed by
// the pixel's radius (PolarWarp), then reads the picture at the looked-up
// offset. The scenes differ in how radius and angle are measured (round or
// hyperbolic, with or without the 5:6 squeeze of x), in the angle scale and in
// the size and centre of the picture they sample; each one states its own
// variant where it builds its maps.
#pragma once
#include <cmath>
#include <cstdint>
#include <numbers>

#include "base/trig.h"
#include "display/display.h"

// Radius steps and angle steps per PolarLookup row and column.
constexpr int kPolarSteps = 256;

// Radius and angle step of every frame pixel, row by row.
using RadiusMap = uint8_t[kFramePixels];
using AngleMap = uint8_t[kFramePixels];
// Picture offset for radius step k and angle step l at entry k * 256 + l.
using PolarLookup = int32_t[kPolarSteps * kPolarSteps];

struct PolarMaps {
  RadiusMap radius;
  AngleMap angle;
};

// The per-frame shift of a warp, indexed by a pixel's map radius d: its
// radius step becomes d + radius_shift[d] and its angle step a + angle_shift[d],
// both modulo 256.
struct PolarWarp {
  uint8_t radius_shift[kPolarSteps];
  uint8_t angle_shift[kPolarSteps];
};

// Where a PolarLookup samples its picture: radius step k is k * radius_step
// pixels from (centre_x, centre_y) at the angle 2 * l * angle_unit radians.
struct PolarGrid {
  double radius_step;
  double angle_unit;
  double centre_x;
  double centre_y;
  int32_t row_pixels;  // picture width: offset = column + row * row_pixels
};

// The 5:6 squeeze that makes circles of a 320 x 200 frame on a 4:3 screen.
constexpr double kSqueezeX = 0.8333333333333334;

// The low 8 bits of v truncated toward zero, the way every warp table stores
// a real value in a byte (values that do not fit wrap).
inline uint8_t truncated_byte(double v) { return static_cast<uint8_t>(static_cast<int64_t>(v)); }

// Angle step of the point (x, y) (y grows downwards):
// trunc((atan2(y, x) + pi) * scale), low 8 bits. A scale of 255 / 2 pi gives
// 0..255; a slightly larger scale lets the top value 255 take more pixels.
inline uint8_t polar_angle(double x, double y, double scale) {
  return truncated_byte((trig_atan2(y, x) + std::numbers::pi) * scale);
}

// Fills one byte per frame pixel with rule(x, y) for the centred pixel
// coordinates x = column - 160, y = row - 100, row by row from the top left.
// The rule runs at set-up only; it may be as slow as trigonometry needs.
template <typename Rule>
void fill_frame_map(uint8_t* map, Rule rule) {
  int i = 0;
  for (int y = -kFrameHeight / 2; y < kFrameHeight / 2; y++)
    for (int x = -kFrameWidth / 2; x < kFrameWidth / 2; x++) map[i++] = rule(x, y);
}

// Fills lookup[k * 256 + l] with trunc(cx + rho cos theta) +
// row_pixels * trunc(cy + rho sin theta), rho = k * radius_step,
// theta = 2 * l * angle_unit. Columns are not limited to the picture's width,
// so a column past either edge lands in the neighbouring row.
void fill_polar_lookup(int32_t* lookup, const PolarGrid& grid);

// Sends every lookup entry outside [0, picture_pixels) to the offset outside
// (a black pixel kept past the picture), so that no sample reads outside the
// picture's buffer.
void clip_polar_lookup(int32_t* lookup, int32_t picture_pixels, int32_t outside);

// The PolarLookup entry that pixel m shows under the warp.
inline int32_t warped_offset(const PolarMaps& maps, const PolarWarp& warp, const int32_t* lookup, int m) {
  unsigned d = maps.radius[m];
  unsigned k = (d + warp.radius_shift[d]) & 255;
  unsigned l = (maps.angle[m] + warp.angle_shift[d]) & 255;
  return lookup[k << 8 | l];
}

// Pixel p with each colour channel scaled by level / 256 (rounded down);
// byte 3 is dropped.
inline uint32_t scale_channels(uint32_t p, uint32_t level) {
  return ((((p >> 16) & 255) * level) >> 8) << 16 | (((p >> 8) & 255) * level & 0xFF00) |
         ((p & 255) * level) >> 8;
}
