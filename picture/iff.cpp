// The decoder finds the form type and every chunk by scanning for its tag
// rather than walking the chunk list, and never reads a chunk length: a tag
// that happens to occur inside earlier chunk data is taken as the chunk.
#include "picture/iff.h"

#include <cstring>

IffHeader iff_header;
const char* iff_status = "";
size_t iff_body_filled = 0;

namespace {

constexpr size_t kFormTypeLastOffset = 17;
constexpr size_t kChunkLastOffset = 64001;
constexpr size_t kChunkDataOffset = 8;  // tag, then a 4-byte length we ignore
constexpr size_t kPaletteBytes = 768;

// Offset of the first occurrence of tag at offsets 0..last whose bytes
// through tag + need all lie inside the data, or -1.
long find_tag(const uint8_t* data, size_t size, const char* tag, size_t last, size_t need) {
  for (size_t at = 0; at <= last && at + need <= size; at++)
    if (std::memcmp(data + at, tag, 4) == 0) return static_cast<long>(at);
  return -1;
}

int fail(const char* why) {
  iff_status = why;
  return kIffFailed;
}

// Scenes decode into buffers that held an earlier picture: a failed decode
// must not leave that picture (or its colours) showing, so it leaves black.
int fail_black(const char* why, uint8_t* dest, size_t dest_capacity, uint8_t* palette) {
  if (dest) std::memset(dest, 0, dest_capacity);
  if (dest && palette) std::memset(palette, 0, kPaletteBytes);
  return fail(why);
}

// ByteRun1: n >= 0 copies n + 1 bytes, -127..-1 repeats the next byte -n + 1
// times, -128 is a no-op. Runs are cut at the end of the output and at the end
// of the input. Returns the bytes written.
size_t unpack_byterun1(const uint8_t* in, const uint8_t* in_end, uint8_t* out, size_t out_size) {
  size_t written = 0;
  while (written < out_size && in < in_end) {
    int n = static_cast<int8_t>(*in++);
    if (n >= 0) {
      size_t take = static_cast<size_t>(n) + 1;
      size_t available = static_cast<size_t>(in_end - in);
      if (take > available) take = available;
      size_t count = take < out_size - written ? take : out_size - written;
      std::memcpy(out + written, in, count);
      in += take;
      written += count;
    } else if (n != -128) {
      if (in == in_end) break;
      size_t count = static_cast<size_t>(1 - n);
      if (count > out_size - written) count = out_size - written;
      std::memset(out + written, *in++, count);
      written += count;
    }
  }
  return written;
}

}  // namespace

int iff_decode(const uint8_t* data, size_t size, uint8_t* dest, size_t dest_capacity,
               uint8_t* palette) {
  iff_body_filled = 0;
  if (!data) return fail_black("Invalid picture.", dest, dest_capacity, palette);
  int chunky;
  if (find_tag(data, size, "ILBM", kFormTypeLastOffset, 4) >= 0)
    chunky = 0;
  else if (find_tag(data, size, "PBM ", kFormTypeLastOffset, 4) >= 0)
    chunky = 1;
  else
    return fail_black("Invalid picture.", dest, dest_capacity, palette);

  // width and height at +0 and +2 of the chunk data, planes at +8
  long bmhd = find_tag(data, size, "BMHD", kChunkLastOffset, kChunkDataOffset + 9);
  if (bmhd < 0) return fail_black("BMHD not found.", dest, dest_capacity, palette);
  const uint8_t* header = data + bmhd + kChunkDataOffset;
  iff_header.width = header[0] << 8 | header[1];
  iff_header.height = header[2] << 8 | header[3];
  iff_header.planes = header[8];
  iff_header.chunky = chunky;
  size_t compression_at = static_cast<size_t>(bmhd) + kChunkDataOffset + 10;
  iff_header.compression = compression_at < size ? data[compression_at] : -1;

  if (!dest) {
    iff_status = "Destination is NULL.";
    return kIffDecoded;
  }

  // 768 bytes whatever the chunk's stored length: a short colour map reads on
  // into the following bytes, and only the data's end stops it.
  long cmap = find_tag(data, size, "CMAP", kChunkLastOffset, kChunkDataOffset);
  if (cmap < 0) return fail_black("CMAP not found.", dest, dest_capacity, palette);
  size_t cmap_at = static_cast<size_t>(cmap) + kChunkDataOffset;
  for (size_t i = 0; i < kPaletteBytes; i++)
    palette[i] = cmap_at + i < size ? data[cmap_at + i] >> 2 : 0;

  long body = find_tag(data, size, "BODY", kChunkLastOffset, kChunkDataOffset);
  if (body < 0) return fail_black("BODY not found.", dest, dest_capacity, palette);

  size_t width = static_cast<size_t>(iff_header.width);
  size_t height = static_cast<size_t>(iff_header.height);
  size_t out_size = chunky ? width * height : width / 8 * static_cast<size_t>(iff_header.planes) * height;
  if (out_size > dest_capacity) out_size = dest_capacity;
  iff_body_filled = unpack_byterun1(data + body + kChunkDataOffset, data + size, dest, out_size);
  // Compressed data that ends early leaves the rest of the picture black
  // rather than whatever the buffer held before.
  std::memset(dest + iff_body_filled, 0, out_size - iff_body_filled);

  iff_status = "Picture loaded ok.";
  return kIffDecoded;
}

void iff_planar_to_chunky(const uint8_t* planar, size_t planar_size, uint8_t* dest,
                          size_t dest_capacity) {
  size_t width = static_cast<size_t>(iff_header.width);
  size_t height = static_cast<size_t>(iff_header.height);
  size_t planes = static_cast<size_t>(iff_header.planes);
  size_t plane_pitch = width / 8;
  size_t row_pitch = plane_pitch * planes;
  for (size_t y = 0; y < height; y++) {
    for (size_t x = 0; x < width; x++) {
      size_t out = y * width + x;
      if (out >= dest_capacity) return;
      unsigned bit = 7 - (x & 7);
      unsigned value = 0;
      // Only eight planes fit in an index byte; further planes are ignored.
      for (size_t k = 0; k < planes && k < 8; k++) {
        size_t at = y * row_pitch + k * plane_pitch + x / 8;
        if (at < planar_size && (planar[at] >> bit & 1)) value |= 1u << k;
      }
      dest[out] = static_cast<uint8_t>(value);
    }
  }
}
