// Pixel converters: one FrameBuffer row into the X display's pixel format.
// The converter is chosen once at set-up from the default visual's depth and
// the double-pixel flag; the per-pixel loops hold no branches.
#pragma once
#include <cstdint>

// Converts count source pixels (0x00RRGGBB) starting at src into dst.
// pitch is the destination row pitch in bytes (only the 8-bit double-pixel
// converter writes a second row); the last word is always 0 and ignored.
// Converters that write two pixels per step need an even count.
using PixelConverter = void (*)(uint8_t* dst, const uint32_t* src, int count, int pitch,
                                int unused);

// Slots 0 to 12; slots 1, 7 and 8 are empty (nullptr). Slots 11 and 12
// serve 30-bit displays (10 bits per channel, red highest).
constexpr int kConverterSlots = 13;
extern const PixelConverter kPixelConverters[kConverterSlots];

// Entry i = 128 + ((i >> 1) & 0x70) + (i >> 12): for i = G * 256 + B the
// palette cell 128 + 16 * (B >> 5) + (G >> 4) of the 8-bit double-pixel mode.
extern uint8_t GreenBlueTable[65536];

// Fills GreenBlueTable; slot 2 reads it.
void build_green_blue_table();

// The slot for a default visual depth (8, 15, 16, 24, 30 or 32) and the
// double-pixel flag; -1 when no converter exists for that depth.
int converter_slot(int depth, bool doubled);

// Bytes one output pixel takes at that depth (1, 2 or 4); 0 when unsupported.
int converter_bytes_per_pixel(int depth);
