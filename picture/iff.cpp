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

// The body as one stream of bytes: a stored body is copied, a ByteRun1 body
// unpacked (n >= 0 copies n + 1 bytes, -127..-1 repeats the next byte -n + 1
// times, -128 is a no-op). A run left unfinished at the end of one read goes
// on in the next, so runs may cross rows as they do in a single stream.
struct BodyStream {
  const uint8_t* in;
  const uint8_t* end;
  bool packed;
  size_t literal_left = 0;
  size_t repeat_left = 0;
  uint8_t repeat_value = 0;
};

size_t smaller(size_t a, size_t b) { return a < b ? a : b; }

// Moves up to count bytes of the body to out, or drops them when out is
// null. Returns the bytes moved: fewer than count only when the body ended.
size_t body_read(BodyStream& s, uint8_t* out, size_t count) {
  size_t done = 0;
  if (!s.packed) {
    done = smaller(count, static_cast<size_t>(s.end - s.in));
    if (out) std::memcpy(out, s.in, done);
    s.in += done;
    return done;
  }
  while (done < count) {
    size_t n;
    if (s.repeat_left) {
      n = smaller(s.repeat_left, count - done);
      if (out) std::memset(out + done, s.repeat_value, n);
      s.repeat_left -= n;
    } else if (s.literal_left) {
      // A literal run cut short by the end of the data ends the body.
      n = smaller(smaller(s.literal_left, count - done), static_cast<size_t>(s.end - s.in));
      if (n == 0) break;
      if (out) std::memcpy(out + done, s.in, n);
      s.in += n;
      s.literal_left -= n;
    } else {
      if (s.in == s.end) break;
      int code = static_cast<int8_t>(*s.in++);
      if (code >= 0) {
        s.literal_left = static_cast<size_t>(code) + 1;
      } else if (code != -128) {
        if (s.in == s.end) break;
        s.repeat_value = *s.in++;
        s.repeat_left = static_cast<size_t>(1 - code);
      }
      continue;
    }
    done += n;
  }
  return done;
}

// a * b, or SIZE_MAX when it does not fit.
size_t product(size_t a, size_t b) {
  size_t p;
  return __builtin_mul_overflow(a, b, &p) ? SIZE_MAX : p;
}

// Bytes of one output row (a PBM row or an ILBM plane row) and of the same
// row in the file, which pads PBM rows to even byte counts and ILBM plane
// rows to 16-bit words.
size_t row_bytes(const IffHeader& h) {
  size_t width = static_cast<size_t>(h.width);
  return h.chunky ? width : (width + 7) / 8;
}
size_t stored_row_bytes(const IffHeader& h) {
  size_t width = static_cast<size_t>(h.width);
  return h.chunky ? width + (width & 1) : (width + 15) / 16 * 2;
}

// Unpacks the body row by row into out[0..out_size), dropping each row's
// padding. Returns the bytes written; fewer than out_size when the body ended.
size_t unpack_rows(BodyStream& s, const IffHeader& h, uint8_t* out, size_t out_size) {
  const size_t kept = row_bytes(h);
  const size_t padding = stored_row_bytes(h) - kept;
  size_t written = 0;
  while (kept && written < out_size) {
    size_t want = smaller(kept, out_size - written);
    size_t got = body_read(s, out + written, want);
    written += got;
    if (got < want) break;
    body_read(s, nullptr, padding);
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

  size_t out_size = smaller(iff_output_size(iff_header), dest_capacity);
  BodyStream stream{data + body + kChunkDataOffset, data + size, iff_header.compression != 0};
  iff_body_filled = unpack_rows(stream, iff_header, dest, out_size);
  // A body that ends early leaves the rest of the picture black rather than
  // whatever the buffer held before.
  std::memset(dest + iff_body_filled, 0, out_size - iff_body_filled);

  iff_status = "Picture loaded ok.";
  return kIffDecoded;
}

size_t iff_output_size(const IffHeader& h) {
  if (h.width < 0 || h.height < 0 || h.planes < 0) return SIZE_MAX;
  size_t rows = static_cast<size_t>(h.height);
  if (!h.chunky) rows = product(rows, static_cast<size_t>(h.planes));
  return product(rows, row_bytes(h));
}

void iff_planar_to_chunky(const uint8_t* planar, size_t planar_size, uint8_t* dest,
                          size_t dest_capacity) {
  const size_t width = static_cast<size_t>(iff_header.width);
  const size_t height = static_cast<size_t>(iff_header.height);
  const size_t planes = static_cast<size_t>(iff_header.planes);
  const size_t plane_pitch = (width + 7) / 8;
  const size_t row_pitch = product(plane_pitch, planes);
  // Only eight planes fit in an index byte; further planes are ignored.
  const size_t used_planes = smaller(planes, 8);
  size_t out = 0;
  size_t row = 0;  // offset of the row's plane 0; stops growing past the data
  for (size_t y = 0; y < height; y++) {
    for (size_t x = 0; x < width; x++, out++) {
      if (out >= dest_capacity) return;
      unsigned bit = 7 - (x & 7);
      unsigned value = 0;
      size_t at = row + x / 8;
      for (size_t k = 0; k < used_planes && at < planar_size; k++, at += plane_pitch)
        if (planar[at] >> bit & 1) value |= 1u << k;
      dest[out] = static_cast<uint8_t>(value);
    }
    if (row < planar_size) row = row_pitch > planar_size - row ? planar_size : row + row_pitch;
  }
}
