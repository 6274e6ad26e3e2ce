// What the 3D scenes' tests share: whole-frame checks and a tiny module that
// sets the player's speed.
#pragma once
#include <cstdint>

// True when every pixel of the 320 x 200 frame is 0.
bool frame_is_black(const uint32_t* frame);
// Pixels of the frame that are not 0.
int lit_pixels(const uint32_t* frame);

// The lit (non-zero) pixels among the first `pixels` of a frame: how many,
// their mean per channel (red, green, blue), and the 99th percentile and the
// maximum of their brightest channel.
struct ObjectPixels {
  int count;
  double mean[3];
  int p99, max;
};
ObjectPixels lit_pixel_levels(const uint32_t* frame, int pixels);

// Loads a one-pattern module with the silent device: with stop set its first
// row sets speed 0 (F00), otherwise it never changes the speed of 6. Then
// runs one player tick. Returns pt_load's result.
int load_speed_module(bool stop);
