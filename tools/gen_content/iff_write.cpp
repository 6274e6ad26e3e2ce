// Chunk order follows the paint program the files imitate: BMHD, CMAP, DPPS,
// CRNG..., TINY, BODY. The show's decoder finds chunks by scanning for their
// tags, so iff_write_* verify that no tag of a later chunk occurs before the
// chunk itself and nudge the thumbnail if its packed bytes ever spell one.
#include "tools/gen_content/iff_write.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v >> 16);
  put16(out, v & 0xFFFF);
}

void put_tag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(tag[i]));
}

// Appends tag, length, data and the pad byte that keeps chunks even.
void put_chunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& data) {
  put_tag(out, tag);
  put32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() & 1) out.push_back(0);
}

std::vector<uint8_t> bmhd(const Picture& p) {
  std::vector<uint8_t> d;
  put16(d, p.width);
  put16(d, p.height);
  put16(d, 0);  // x, y origin
  put16(d, 0);
  d.push_back(8);  // planes
  d.push_back(0);  // no mask
  d.push_back(1);  // ByteRun1
  d.push_back(0);
  put16(d, 0);  // transparent colour
  bool wide = p.width == 320;
  d.push_back(wide ? 5 : 1);  // pixel aspect of a 320x200 screen
  d.push_back(wide ? 6 : 1);
  put16(d, 320);
  put16(d, 200);
  return d;
}

// 6-bit components stored as the 8-bit values a paint program writes
// (the top bits repeated into the low two), so >> 2 gives them back.
std::vector<uint8_t> cmap(const Picture& p) {
  std::vector<uint8_t> d(768);
  for (int i = 0; i < 768; i++) {
    uint8_t c = p.palette[i] & 63;
    d[i] = static_cast<uint8_t>(c << 2 | c >> 4);
  }
  return d;
}

// The perspective settings block of the paint program; the show ignores it.
std::vector<uint8_t> dpps() {
  std::vector<uint8_t> d(110, 0);
  d[1] = 1;    // mode
  d[9] = 160;  // centre x, y of the screen
  d[11] = 100;
  return d;
}

// Colour-cycling ranges: slow, inactive, over the picture's palette quarters.
std::vector<uint8_t> crng(int low, int high) {
  std::vector<uint8_t> d;
  put16(d, 0);
  put16(d, 0x0AAA);
  put16(d, 0);
  d.push_back(static_cast<uint8_t>(low));
  d.push_back(static_cast<uint8_t>(high));
  return d;
}

std::vector<uint8_t> pack_rows(const uint8_t* rows, int width, int height) {
  std::vector<uint8_t> out;
  for (int y = 0; y < height; y++) byterun1_pack(rows + y * width, width, out);
  return out;
}

// A quarter-size thumbnail; bias shifts its indices when the packed bytes
// happen to contain a chunk tag.
std::vector<uint8_t> tiny(const Picture& p, int bias) {
  int tw = p.width / 4, th = p.height / 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(tw) * th);
  for (int y = 0; y < th; y++)
    for (int x = 0; x < tw; x++)
      pixels[y * tw + x] = static_cast<uint8_t>(p.at(x * 4, y * 4) + bias);
  std::vector<uint8_t> d;
  put16(d, tw);
  put16(d, th);
  std::vector<uint8_t> body = pack_rows(pixels.data(), tw, th);
  d.insert(d.end(), body.begin(), body.end());
  return d;
}

void finish_form(std::vector<uint8_t>& file) {
  uint32_t size = static_cast<uint32_t>(file.size() - 8);
  file[4] = static_cast<uint8_t>(size >> 24);
  file[5] = static_cast<uint8_t>(size >> 16);
  file[6] = static_cast<uint8_t>(size >> 8);
  file[7] = static_cast<uint8_t>(size);
}

// True when each tag's first occurrence is the chunk itself.
bool tags_in_place(const std::vector<uint8_t>& file) {
  const char* tags[] = {"BMHD", "CMAP", "BODY"};
  for (const char* tag : tags) {
    long first = iff_find_tag(file, tag, 0, file.size());
    if (first < 0) return false;
    long chunk = first;
    // The real chunk starts at a chunk boundary: walk the chunk list.
    size_t at = 12;
    long real = -1;
    while (at + 8 <= file.size()) {
      if (!std::memcmp(&file[at], tag, 4)) {
        real = static_cast<long>(at);
        break;
      }
      uint32_t len = static_cast<uint32_t>(file[at + 4]) << 24 | file[at + 5] << 16 | file[at + 6] << 8 | file[at + 7];
      at += 8 + len + (len & 1);
    }
    if (real != chunk) return false;
  }
  return true;
}

std::vector<uint8_t> header(const char* type) {
  std::vector<uint8_t> file;
  put_tag(file, "FORM");
  put32(file, 0);
  put_tag(file, type);
  return file;
}

}  // namespace

void byterun1_pack(const uint8_t* data, int count, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && run < 128 && data[i + run] == data[i]) run++;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(1 - run));
      out.push_back(data[i]);
      i += run;
      continue;
    }
    // Literal group: stop before the next run of three.
    int start = i, len = 0;
    while (i < count && len < 128) {
      if (i + 2 < count && data[i] == data[i + 1] && data[i] == data[i + 2]) break;
      i++;
      len++;
    }
    out.push_back(static_cast<uint8_t>(len - 1));
    out.insert(out.end(), data + start, data + start + len);
  }
}

long iff_find_tag(const std::vector<uint8_t>& file, const char* tag, size_t from, size_t to) {
  for (size_t at = from; at + 4 <= file.size() && at < to; at++)
    if (!std::memcmp(&file[at], tag, 4)) return static_cast<long>(at);
  return -1;
}

std::vector<uint8_t> iff_write_pbm(const Picture& picture) {
  std::vector<uint8_t> body = pack_rows(picture.pixels.data(), picture.width, picture.height);
  for (int bias = 0; bias < 256; bias++) {
    std::vector<uint8_t> file = header("PBM ");
    put_chunk(file, "BMHD", bmhd(picture));
    put_chunk(file, "CMAP", cmap(picture));
    put_chunk(file, "DPPS", dpps());
    for (int q = 0; q < 4; q++) put_chunk(file, "CRNG", crng(q * 64, q * 64 + 63));
    put_chunk(file, "TINY", tiny(picture, bias));
    put_chunk(file, "BODY", body);
    finish_form(file);
    if (tags_in_place(file)) return file;
  }
  std::fprintf(stderr, "gen_content: no thumbnail keeps the chunk tags in place\n");
  std::exit(1);
}

std::vector<uint8_t> iff_write_ilbm(const Picture& picture) {
  int plane_row = picture.width / 8;
  std::vector<uint8_t> planar(static_cast<size_t>(plane_row) * 8 * picture.height, 0);
  for (int y = 0; y < picture.height; y++)
    for (int x = 0; x < picture.width; x++) {
      uint8_t v = picture.at(x, y);
      for (int k = 0; k < 8; k++)
        if (v >> k & 1) planar[(y * 8 + k) * plane_row + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  // Each plane row is packed on its own, as readers of planar files expect.
  std::vector<uint8_t> body = pack_rows(planar.data(), plane_row, picture.height * 8);
  std::vector<uint8_t> file = header("ILBM");
  put_chunk(file, "BMHD", bmhd(picture));
  put_chunk(file, "CMAP", cmap(picture));
  put_chunk(file, "DPPS", dpps());
  for (int q = 0; q < 4; q++) put_chunk(file, "CRNG", crng(q * 64, q * 64 + 63));
  put_chunk(file, "BODY", body);
  finish_form(file);
  if (!tags_in_place(file)) {
    std::fprintf(stderr, "gen_content: a chunk tag occurs before its chunk\n");
    std::exit(1);
  }
  return file;
}
