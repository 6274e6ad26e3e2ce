#include "display/convert.h"

#include <cstring>

uint8_t GreenBlueTable[65536];

namespace {

// Unaligned-safe stores; each compiles to one move.
inline void put16(uint8_t* d, uint16_t v) { std::memcpy(d, &v, 2); }
inline void put32(uint8_t* d, uint32_t v) { std::memcpy(d, &v, 4); }
inline void put64(uint8_t* d, uint64_t v) { std::memcpy(d, &v, 8); }

inline uint32_t gray(uint32_t p) { return ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) >> 3; }
inline uint32_t rgb15(uint32_t p) { return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F); }
inline uint32_t rgb16(uint32_t p) { return ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F); }
// 10 bits per channel: each byte widened by repeating its top two bits below
// it, so 0 stays 0, 255 becomes 1,023, and every value lands where the
// server puts the same colour given in 16 bits (c * 257).
inline uint32_t ten_bits(uint32_t c) { return c << 2 | c >> 6; }
inline uint32_t rgb30(uint32_t p) {
  return ten_bits((p >> 16) & 0xFF) << 20 | ten_bits((p >> 8) & 0xFF) << 10 | ten_bits(p & 0xFF);
}

// Slot 0: 96 gray levels, two pixels per 16-bit store.
void convert_gray8(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; i += 2, dst += 2) put16(dst, static_cast<uint16_t>(gray(src[i]) | gray(src[i + 1]) << 8));
}

// Slot 2: each pixel becomes a 2 x 2 checkerboard of a red cell (R >> 2) and
// a green-blue cell; GreenBlueTable is indexed by the low 16 bits, G * 256 + B.
void convert_checker8(uint8_t* dst, const uint32_t* src, int count, int pitch, int) {
  uint8_t* below = dst + pitch;
  for (int i = 0; i < count; i += 2, dst += 4, below += 4) {
    uint32_t r0 = (src[i] >> 18) & 0x3F, g0 = GreenBlueTable[src[i] & 0xFFFF];
    uint32_t r1 = (src[i + 1] >> 18) & 0x3F, g1 = GreenBlueTable[src[i + 1] & 0xFFFF];
    put32(dst, r0 | g0 << 8 | r1 << 16 | g1 << 24);
    put32(below, g0 | r0 << 8 | g1 << 16 | r1 << 24);
  }
}

// Slots 3 and 5: two pixels per 32-bit word, the first in the low half.
void convert_rgb15(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; i += 2, dst += 4) put32(dst, rgb15(src[i]) | rgb15(src[i + 1]) << 16);
}
void convert_rgb16(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; i += 2, dst += 4) put32(dst, rgb16(src[i]) | rgb16(src[i + 1]) << 16);
}

// Slots 4 and 6: each pixel twice, side by side, as one 32-bit word.
void convert_rgb15_double(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; ++i, dst += 4) put32(dst, rgb15(src[i]) * 0x10001u);
}
void convert_rgb16_double(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; ++i, dst += 4) put32(dst, rgb16(src[i]) * 0x10001u);
}

// Slot 9: the words unchanged, byte 3 included; a block copy.
void convert_rgb32(uint8_t* dst, const uint32_t* src, int count, int, int) {
  std::memcpy(dst, src, static_cast<size_t>(count) * 4);
}

// Slot 10: each word twice as one 64-bit store.
void convert_rgb32_double(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; ++i, dst += 8) put64(dst, src[i] * 0x100000001ull);
}

// Slots 11 and 12: depth 30, plain and each pixel twice on one row.
void convert_rgb30(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; i += 2, dst += 8) put64(dst, rgb30(src[i]) | uint64_t(rgb30(src[i + 1])) << 32);
}
void convert_rgb30_double(uint8_t* dst, const uint32_t* src, int count, int, int) {
  for (int i = 0; i < count; ++i, dst += 8) put64(dst, rgb30(src[i]) * 0x100000001ull);
}

}  // namespace

const PixelConverter kPixelConverters[kConverterSlots] = {
    convert_gray8,        nullptr,        convert_checker8,     convert_rgb15,
    convert_rgb15_double, convert_rgb16,  convert_rgb16_double, nullptr,
    nullptr,              convert_rgb32,  convert_rgb32_double, convert_rgb30,
    convert_rgb30_double,
};

void build_green_blue_table() {
  for (int i = 0; i < 65536; ++i) GreenBlueTable[i] = static_cast<uint8_t>(128 + ((i >> 1) & 0x70) + (i >> 12));
}

int converter_slot(int depth, bool doubled) {
  switch (depth) {
    case 8: return doubled ? 2 : 0;
    case 15: return doubled ? 4 : 3;
    case 16: return doubled ? 6 : 5;
    case 24:
    case 32: return doubled ? 10 : 9;
    case 30: return doubled ? 12 : 11;
    default: return -1;
  }
}

int converter_bytes_per_pixel(int depth) {
  switch (depth) {
    case 8: return 1;
    case 15:
    case 16: return 2;
    case 24:
    case 30:
    case 32: return 4;
    default: return 0;
  }
}
