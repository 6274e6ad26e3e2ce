#include "tests/scenes/scenes3d_support.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/display.h"
#include "player/loader.h"
#include "player/playback.h"

bool frame_is_black(const uint32_t* frame) { return lit_pixels(frame) == 0; }

int lit_pixels(const uint32_t* frame) {
  int n = 0;
  for (int m = 0; m < kFramePixels; m++) n += frame[m] != 0;
  return n;
}

ObjectPixels lit_pixel_levels(const uint32_t* frame, int pixels) {
  ObjectPixels p{};
  double sum[3] = {};
  std::vector<int> brightest;
  for (int m = 0; m < pixels; m++) {
    if (frame[m] == 0) continue;
    int top = 0;
    for (int c = 0; c < 3; c++) {
      int v = frame[m] >> (16 - 8 * c) & 255;
      sum[c] += v;
      top = std::max(top, v);
    }
    brightest.push_back(top);
  }
  p.count = static_cast<int>(brightest.size());
  if (p.count == 0) return p;
  for (int c = 0; c < 3; c++) p.mean[c] = sum[c] / p.count;
  std::sort(brightest.begin(), brightest.end());
  p.p99 = brightest[static_cast<size_t>(p.count) * 99 / 100];
  p.max = brightest.back();
  return p;
}

int load_speed_module(bool stop) {
  // 31 empty samples, one order, one pattern of 64 rows x 4 channels; the
  // player converts the pattern in place, so the bytes must outlive playback.
  static std::vector<uint8_t> module;
  module.assign(1084 + 1024, 0);
  module[950] = 1;
  std::memcpy(&module[1080], "M.K.", 4);
  if (stop) module[1084 + 2] = 0x0F;  // row 0, channel 0: F00
  int loaded = pt_load(module.data(), module.size());
  pt_tick();
  return loaded;
}
