// Textures and palettes: pictures into Texture256 maps, palette conversion
// and quantising, and the combined palette of the 8-bit
// texture-plus-environment mode. Reads and writes no engine state.
#pragma once
#include <cstddef>
#include <cstdint>

// Bytes of the buffer texture_load returns (65,536 texels + 5,120).
constexpr size_t kTextureLoadBytes = 70656;

// A 256x256 8-bit Texture256 resampled from an IFF picture (size bytes),
// its palette into palette (768 bytes): texel (row i, column j) is pixel
// ((i x min(H, 256)) >> 8, (j x min(W, 256)) >> 8), so a small picture is
// stretched and a large one gives its top-left corner. Null when the picture
// has no header, has no pixels (width or height 0), or memory runs out.
// Free the result with std::free.
uint8_t* texture_load(const uint8_t* picture, size_t size, uint8_t* palette);
// count indices through a 6-bit palette into 0x00RRGGBB: components shifted
// left by 2 - shift (shift <= 2) or right by shift - 2 (shifts of 32 or more
// give 0).
void palette_to_rgb32(const uint8_t* indices, const uint8_t* palette, uint32_t* out, int count, int shift);
// Every texel t of the map in buffer becomes ((t / divisor) << log2(levels
// raised to a power of two)) mod 256; nothing when divisor is 0.
void texture_quantize(uint8_t* buffer, int levels, int divisor);
// count raised to a power of two 2..128, log its base-2 logarithm.
void pow2_ceil(int* count, int* log);
// The palette of texel sums for the texture-plus-environment mode: levels
// is raised with pow2_ceil to n, and entry j x n + i (level j, colour i of
// a) gets a's colour i scaled per component by (b[stride x j] + 63) / 128.
// Entries that would lie past the 256-colour output (n above 16) or read past
// b are left as they are.
void palette_combine(const uint8_t* a, const uint8_t* b, uint8_t* out, int levels, int stride);
