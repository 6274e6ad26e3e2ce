// What the scenes share: pictures by role, palette conversion, the common
// pixel arithmetic.
#pragma once
#include <cstddef>
#include <cstdint>

#include "data/content.h"

// The usual start of a frame: false when a poll sees Escape, or else when the
// show clock reads past limit (compared unsigned). Phases that test in
// another order, or do not poll, spell their tests out.
bool frame_goes_on(uint32_t limit);

// The closing poll of a scene: 1 when it sees no Escape, 0 when it does.
int scene_result();

// A pixel at half brightness; the average of two pixels is the sum of halves.
constexpr uint32_t half_brightness(uint32_t p) { return (p >> 1) & 0x7F7F7F; }

// Decodes the embedded picture of a role into indices (at most capacity bytes)
// and a 768-byte palette of 6-bit components. Returns iff_decode's result:
// -1 on success, 0 on failure (the scenes take the embedded pictures as valid
// and go on with whatever was decoded).
int load_picture(PictureRole role, uint8_t* indices, size_t capacity, uint8_t* palette);

// Turns count indices into 0x00RRGGBB pixels, each 6-bit palette component
// shifted left by 2.
void indexed_to_rgb32(uint32_t* pixels, const uint8_t* indices, const uint8_t* palette, size_t count);
