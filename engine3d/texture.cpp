// Textures and palettes: IFF pictures resampled into Texture256 maps,
// palette conversion and quantising, and the combined palette of the 8-bit
// texture-plus-environment mode.
#include "engine3d/texture.h"

#include <cstdlib>
#include <cstring>

#include "engine3d/engine.h"
#include "engine3d/raster.h"
#include "picture/iff.h"

namespace {

constexpr int kTextureSize = 256;

// The picture's pixels as one byte each (width x height), converted from
// bit planes for an ILBM; null when memory runs out. A picture whose body is
// missing or short leaves zeros where its pixels would be.
uint8_t* decode_chunky(const uint8_t* picture, size_t size, uint8_t* palette) {
  const IffHeader h = iff_header;
  const size_t pixels = static_cast<size_t>(h.width) * static_cast<size_t>(h.height);
  const size_t decoded_size = iff_output_size(h);
  auto* decoded = static_cast<uint8_t*>(std::calloc(decoded_size ? decoded_size : 1, 1));
  if (!decoded) return nullptr;
  iff_decode(picture, size, decoded, decoded_size, palette);
  if (h.chunky) return decoded;
  auto* chunky = static_cast<uint8_t*>(std::calloc(pixels, 1));
  if (chunky) iff_planar_to_chunky(decoded, decoded_size, chunky, pixels);
  std::free(decoded);
  return chunky;
}

// A Texture256's texels in the buffer that holds them.
uint8_t* texels_of(uint8_t* buffer) {
  return const_cast<uint8_t*>(static_cast<const uint8_t*>(texture_origin(buffer)));
}

}  // namespace

uint8_t* texture_load(const uint8_t* picture, size_t size, uint8_t* palette) {
  auto* result = static_cast<uint8_t*>(std::calloc(kTextureLoadBytes, 1));
  if (!result) return nullptr;
  // An empty picture has no pixel to stretch over the map: like one without a
  // header, it gives no texture.
  if (iff_decode(picture, size, nullptr, 0, palette) == 0 || iff_header.width < 1 ||
      iff_header.height < 1) {
    std::free(result);
    return nullptr;
  }
  const int width = iff_header.width, height = iff_header.height;
  uint8_t* pixels = decode_chunky(picture, size, palette);
  if (!pixels) {
    std::free(result);
    return nullptr;
  }
  // A smaller picture is stretched by repetition; a larger one gives its
  // top-left 256x256 pixels.
  const int sw = width < kTextureSize ? width : kTextureSize;
  const int sh = height < kTextureSize ? height : kTextureSize;
  uint8_t* texel = texels_of(result);
  for (int i = 0; i < kTextureSize; i++) {
    const uint8_t* row = pixels + static_cast<size_t>((i * sh) >> 8) * static_cast<size_t>(width);
    for (int j = 0; j < kTextureSize; j++) *texel++ = row[(j * sw) >> 8];
  }
  std::free(pixels);
  return result;
}

void palette_to_rgb32(const uint8_t* indices, const uint8_t* palette, uint32_t* out, int count,
                      int shift) {
  // Shifts of 32 or more would be undefined; they clear every component.
  const int up = shift <= 2 ? 2 - shift : 0, down = shift > 2 ? shift - 2 : 0;
  auto scale = [&](uint32_t c) -> uint32_t {
    if (up >= 32 || down >= 32) return 0;
    return up ? c << up : c >> down;
  };
  for (int i = 0; i < count; i++) {
    const uint8_t* rgb = palette + 3 * indices[i];
    out[i] = (scale(rgb[0]) << 16) + (scale(rgb[1]) << 8) + scale(rgb[2]);
  }
}

void pow2_ceil(int* count, int* log) {
  int p = 2, l = 1;
  while (p < *count && p <= 127) {
    p *= 2;
    l++;
  }
  *count = p;
  *log = l;
}

void texture_quantize(uint8_t* buffer, int levels, int divisor) {
  if (divisor == 0) return;
  int shift = 0;
  pow2_ceil(&levels, &shift);
  uint8_t* texel = texels_of(buffer);
  for (size_t i = 0; i < kTextureTexels; i++)
    texel[i] = static_cast<uint8_t>(static_cast<unsigned>(texel[i] / divisor) << shift);
}

// Entries that would fall outside the 256-colour palettes (levels above 16
// put level j at j x levels, past the output's end; a large stride reads past
// palette B) are left as they are.
void palette_combine(const uint8_t* a, const uint8_t* b, uint8_t* out, int levels, int stride) {
  int shift = 0;
  pow2_ceil(&levels, &shift);
  for (int j = 0; j < levels; j++) {
    const long scaler = static_cast<long>(stride) * j;
    if (scaler < 0 || scaler > 255) continue;
    const uint8_t* b_colour = b + 3 * scaler;
    for (int i = 0; i < 256 / levels; i++) {
      const int entry = j * levels + i;
      if (entry > 255) break;
      for (int c = 0; c < 3; c++)
        out[3 * entry + c] = static_cast<uint8_t>(((b_colour[c] + 63) * a[3 * i + c]) >> 7);
    }
  }
}
