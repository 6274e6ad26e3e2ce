#include "scenes/scene_kit.h"

#include "base/clock.h"
#include "display/display.h"
#include "picture/iff.h"
#include "scenes/scenes.h"

bool frame_goes_on(uint32_t limit) { return display_poll_escape() == 0 && show_ticks() <= limit; }

int scene_closing_poll() { return display_poll_escape() ? kSceneEndsShow : kSceneRanToEnd; }

int load_picture(PictureRole role, uint8_t* indices, size_t capacity, uint8_t* palette) {
  Blob b = picture_data(role);
  return iff_decode(b.data, b.size, indices, capacity, palette);
}

void indexed_to_rgb32(uint32_t* pixels, const uint8_t* indices, const uint8_t* palette, size_t count) {
  uint32_t colours[256];
  for (int i = 0; i < 256; i++)
    colours[i] = static_cast<uint32_t>(palette[3 * i]) << 18 | static_cast<uint32_t>(palette[3 * i + 1]) << 10 |
                 static_cast<uint32_t>(palette[3 * i + 2]) << 2;
  for (size_t i = 0; i < count; i++) pixels[i] = colours[indices[i]];
}
