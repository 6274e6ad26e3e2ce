#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture/iff.h"
#include "tests/support/support.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}
void put_tag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; i++) b.push_back(static_cast<uint8_t>(tag[i]));
}
void put_chunk(Bytes& b, const char* tag, const Bytes& data) {
  put_tag(b, tag);
  put32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() & 1) b.push_back(0);
}

constexpr int kStored = 0;
constexpr int kByteRun1 = 1;

Bytes bmhd(int w, int h, int planes, int compression) {
  Bytes d(20, 0);
  d[0] = static_cast<uint8_t>(w >> 8);
  d[1] = static_cast<uint8_t>(w);
  d[2] = static_cast<uint8_t>(h >> 8);
  d[3] = static_cast<uint8_t>(h);
  d[8] = static_cast<uint8_t>(planes);
  d[10] = static_cast<uint8_t>(compression);
  return d;
}

Bytes ramp_cmap(int colours) {
  Bytes d;
  for (int i = 0; i < colours; i++) {
    d.push_back(static_cast<uint8_t>(i));
    d.push_back(static_cast<uint8_t>(255 - i));
    d.push_back(static_cast<uint8_t>(i * 7));
  }
  return d;
}

struct Form {
  const char* type;
  int width, height;
  int planes = 8;
  int compression = kByteRun1;
  Bytes cmap = ramp_cmap(256);
  std::vector<std::pair<const char*, Bytes>> extra = {};  // between CMAP and BODY
};

// A FORM with BMHD, CMAP, the extra chunks and a BODY.
Bytes form(const Form& f, const Bytes& body) {
  Bytes inner;
  put_tag(inner, f.type);
  put_chunk(inner, "BMHD", bmhd(f.width, f.height, f.planes, f.compression));
  put_chunk(inner, "CMAP", f.cmap);
  for (auto& [tag, data] : f.extra) put_chunk(inner, tag, data);
  put_chunk(inner, "BODY", body);
  Bytes out;
  put_tag(out, "FORM");
  put32(out, static_cast<uint32_t>(inner.size()));
  out.insert(out.end(), inner.begin(), inner.end());
  return out;
}

// An 8-plane ByteRun1 picture of the given type.
Bytes form(const char* type, int w, int h, const Bytes& body, const Bytes& cmap = ramp_cmap(256),
           const std::vector<std::pair<const char*, Bytes>>& extra = {}) {
  return form(Form{type, w, h, 8, kByteRun1, cmap, extra}, body);
}

struct Decoded {
  int result;
  std::string status;
  Bytes pixels;
  Bytes palette;
};

Decoded decode(const Bytes& file, size_t capacity, uint8_t fill = 0xEE) {
  Decoded d;
  d.pixels.assign(capacity, fill);
  d.palette.assign(768, 0xEE);
  // Copy into an exactly sized buffer so that the sanitizers see any overread.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
  if (!file.empty()) std::memcpy(exact.get(), file.data(), file.size());
  d.result = iff_decode(exact.get(), file.size(), d.pixels.data(), capacity, d.palette.data());
  d.status = iff_status;
  return d;
}

TEST(ByteRun1, LiteralsRepeatsAndNoOp) {
  // 02 41 42 43: three literal bytes; FD 44: four copies; 80: skipped
  // without consuming a byte; 00 45: one literal.
  Decoded d = decode(form("PBM ", 8, 1, {0x02, 0x41, 0x42, 0x43, 0xFD, 0x44, 0x80, 0x00, 0x45}), 8);
  EXPECT_EQ(d.result, -1);
  EXPECT_EQ(d.status, "Picture loaded ok.");
  EXPECT_EQ(d.pixels, (Bytes{0x41, 0x42, 0x43, 0x44, 0x44, 0x44, 0x44, 0x45}));
  EXPECT_EQ(iff_header.width, 8);
  EXPECT_EQ(iff_header.height, 1);
  EXPECT_EQ(iff_header.planes, 8);
  EXPECT_EQ(iff_header.chunky, 1);
}

TEST(ByteRun1, RunCrossingTheEndOfTheOutputIsCut) {
  // 4 x 1 picture, a repeat of 10 and a literal run of 6: nothing may land
  // past the fourth byte, even with room in the destination.
  Decoded d = decode(form("PBM ", 4, 1, {0xF7, 0x11}), 12);
  EXPECT_EQ(d.pixels, (Bytes{0x11, 0x11, 0x11, 0x11, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
  d = decode(form("PBM ", 4, 1, {0x05, 1, 2, 3, 4, 5, 6}), 12);
  EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(ByteRun1, DestinationSmallerThanThePictureIsNeverOverrun) {
  Decoded d = decode(form("PBM ", 16, 16, {0x81, 0x33, 0x81, 0x33, 0x81, 0x33}), 100);
  EXPECT_EQ(d.result, -1);
  EXPECT_EQ(d.pixels, Bytes(100, 0x33));
}

// The file pads each PBM row to an even byte count and each ILBM plane row to
// 16 bits; the output has no padding. The body is one stream, so a run may
// carry a row's padding and go on into the next row, and a padding byte may
// be a run of its own (which ffmpeg, cutting runs at each row's end, misreads).
TEST(IffDecode, PaddingBytesOfEachRowAreDropped) {
  const uint8_t P = 0xAA, Q = 0xBB;  // padding
  struct Case {
    const char* what;
    Form form;
    Bytes body;
    Bytes pixels;  // the whole output
    size_t filled;
    size_t cut = 0;  // bytes cut off the end of the file
  } cases[] = {
      {"PBM, one literal run over both rows", {"PBM ", 3, 2}, {0x07, 1, 2, 3, P, 4, 5, 6, Q}, {1, 2, 3, 4, 5, 6}, 6},
      {"PBM, stored", {"PBM ", 3, 2, 8, kStored}, {1, 2, 3, P, 4, 5, 6, Q}, {1, 2, 3, 4, 5, 6}, 6},
      {"PBM, padding as runs of their own",
       {"PBM ", 3, 2},
       {0x02, 1, 2, 3, 0x00, P, 0xFF, 4, 0x00, 6, 0x00, Q},
       {1, 2, 3, 4, 4, 6},
       6},
      {"PBM, even width: nothing dropped", {"PBM ", 2, 2}, {0x03, 1, 2, 3, 4}, {1, 2, 3, 4}, 4},
      {"ILBM 17 wide, 1 plane: 4 bytes a row, 3 kept",
       {"ILBM", 17, 2, 1},
       {0x07, 0xF0, 0x0F, 0x80, P, 0x01, 0x02, 0x00, Q},
       {0xF0, 0x0F, 0x80, 0x01, 0x02, 0x00},
       6},
      {"ILBM 8 wide, 2 planes: every plane row padded",
       {"ILBM", 8, 2, 2, kStored},
       {0x81, P, 0x42, Q, 0x18, P, 0x24, Q},
       {0x81, 0x42, 0x18, 0x24},
       4},
      {"ILBM 1 wide, 1 plane: one repeat over four rows", {"ILBM", 1, 4, 1}, {0xF9, 0x80}, {0x80, 0x80, 0x80, 0x80}, 4},
      {"body ends before the last padding: complete",
       {"PBM ", 3, 2, 8, kStored},
       {1, 2, 3, P, 4, 5, 6},
       {1, 2, 3, 4, 5, 6},
       6,
       1},
      {"body ends inside a row: the rest black", {"PBM ", 3, 2, 8, kStored}, {1, 2, 3, P, 4, 5}, {1, 2, 3, 4, 5, 0}, 5},
      {"ByteRun1 body ends inside a row", {"ILBM", 24, 2, 1}, {0x05, 1, 2, 3, P, 5}, {1, 2, 3, 5, 0, 0}, 4},
  };
  for (const Case& c : cases) {
    Bytes file = form(c.form, c.body);
    file.resize(file.size() - c.cut);
    size_t size = c.pixels.size();
    Decoded d = decode(file, size + 2);
    EXPECT_EQ(d.result, -1) << c.what;
    Bytes expect = c.pixels;
    expect.insert(expect.end(), {0xEE, 0xEE});  // past the output: untouched
    EXPECT_EQ(d.pixels, expect) << c.what;
    EXPECT_EQ(iff_body_filled, c.filled) << c.what;
    IffHeader h = iff_header;
    EXPECT_EQ(iff_output_size(h), size) << c.what;
  }
}

// Scenes decode one picture after another into the same index buffer: a
// picture that fails must not leave the previous one (or its colours) behind.
TEST(IffDecode, FailedDecodeOverAnEarlierPictureLeavesBlack) {
  Bytes good = form("PBM ", 4, 2, {0xF9, 0x77});
  auto broken = [&](const char* tag) {
    Bytes b = good;
    for (size_t i = 0; i + 4 <= b.size(); i++)
      if (std::memcmp(&b[i], tag, 4) == 0) std::memcpy(&b[i], "XXXX", 4);
    return b;
  };
  struct Case {
    const char* what;
    Bytes file;
    const char* status;
  } cases[] = {{"no form type", broken("PBM "), "Invalid picture."},
               {"no header", broken("BMHD"), "BMHD not found."},
               {"no colour map", broken("CMAP"), "CMAP not found."},
               {"no body", broken("BODY"), "BODY not found."},
               {"empty data", Bytes{}, "Invalid picture."}};
  for (const Case& c : cases) {
    Bytes indices(12, 0), palette(768, 0);
    ASSERT_EQ(iff_decode(good.data(), good.size(), indices.data(), indices.size(), palette.data()), -1);
    ASSERT_EQ(indices[0], 0x77);
    ASSERT_NE(palette[3 * 0x77], 0);
    EXPECT_EQ(iff_decode(c.file.data(), c.file.size(), indices.data(), indices.size(), palette.data()), 0)
        << c.what;
    EXPECT_STREQ(iff_status, c.status) << c.what;
    EXPECT_EQ(indices, Bytes(12, 0)) << c.what;
    EXPECT_EQ(palette, Bytes(768, 0)) << c.what;
  }
}

TEST(IffDecode, PaletteIsShiftedToSixBits) {
  Decoded d = decode(form("PBM ", 2, 1, {0x01, 0, 1}), 2);
  ASSERT_EQ(d.result, -1);
  for (int i = 0; i < 256; i++) {
    EXPECT_EQ(d.palette[3 * i], i >> 2);
    EXPECT_EQ(d.palette[3 * i + 1], (255 - i) >> 2);
    EXPECT_EQ(d.palette[3 * i + 2], ((i * 7) & 255) >> 2);
  }
}

TEST(IffDecode, ShortColourMapReadsOnIntoTheFollowingBytes) {
  Bytes file = form("PBM ", 2, 1, {0x01, 0, 1}, ramp_cmap(2));
  Decoded d = decode(file, 2);
  ASSERT_EQ(d.result, -1);
  // Entry 2 onwards comes from the bytes after the six colour-map bytes: the
  // "BODY" tag and its length.
  EXPECT_EQ(d.palette[6], 'B' >> 2);
  EXPECT_EQ(d.palette[7], 'O' >> 2);
  size_t cmap = 12 + 28 + 8;  // FORM header, type, BMHD chunk, CMAP header
  for (size_t i = 0; i < 768; i++) {
    uint8_t expect = cmap + i < file.size() ? file[cmap + i] >> 2 : 0;
    ASSERT_EQ(d.palette[i], expect) << i;
  }
}

TEST(IffDecode, FormTypeIsSearchedAtOffsetsZeroToSeventeen) {
  Bytes file = form("PBM ", 2, 1, {0x01, 7, 8});
  EXPECT_EQ(decode(file, 2).result, -1);
  // Move the type to offset 18 by padding after "FORM" and its size.
  Bytes late(file.begin(), file.begin() + 8);
  late.insert(late.end(), 10, 0);
  late.insert(late.end(), file.begin() + 8, file.end());
  Decoded d = decode(late, 2);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.status, "Invalid picture.");
  // At offset 17 it is still found.
  Bytes edge(file.begin(), file.begin() + 8);
  edge.insert(edge.end(), 9, 0);
  edge.insert(edge.end(), file.begin() + 8, file.end());
  EXPECT_EQ(decode(edge, 2).result, -1);
}

TEST(IffDecode, IlbmWinsOverPbmAndSetsTheChunkyFlag) {
  Bytes planar(8, 0);
  planar[0] = 0x80;  // pixel 0 plane 0
  Bytes body = {0x07};
  body.insert(body.end(), planar.begin(), planar.end());
  Decoded d = decode(form("ILBM", 8, 1, body), 8);
  ASSERT_EQ(d.result, -1);
  EXPECT_EQ(iff_header.chunky, 0);
  EXPECT_EQ(d.pixels, planar);
}

TEST(IffDecode, MissingChunksAreReportedInOrder) {
  Bytes ok = form("PBM ", 2, 1, {0x01, 1, 2});
  auto without = [&](const char* tag) {
    Bytes b = ok;
    for (size_t i = 0; i + 4 <= b.size(); i++)
      if (std::memcmp(&b[i], tag, 4) == 0) std::memcpy(&b[i], "XXXX", 4);
    return b;
  };
  Decoded d = decode(without("BMHD"), 2);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.status, "BMHD not found.");
  d = decode(without("CMAP"), 2);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.status, "CMAP not found.");
  d = decode(without("BODY"), 2);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.status, "BODY not found.");
}

TEST(IffDecode, NullDestinationReadsOnlyTheHeader) {
  Bytes file = form("PBM ", 320, 200, {0x80});
  uint8_t palette[768];
  std::memset(palette, 0x5A, sizeof palette);
  EXPECT_EQ(iff_decode(file.data(), file.size(), nullptr, 0, palette), -1);
  EXPECT_STREQ(iff_status, "Destination is NULL.");
  EXPECT_EQ(iff_header.width, 320);
  EXPECT_EQ(iff_header.height, 200);
  EXPECT_EQ(palette[0], 0x5A);
}

TEST(IffDecode, TagInsideEarlierChunkDataIsTakenAsTheChunk) {
  // A thumbnail chunk whose data happens to contain "BODY" before the real one.
  Bytes fake_body = {'B', 'O', 'D', 'Y', 0, 0, 0, 2, 0x01, 9, 9, 0};
  Decoded d = decode(form("PBM ", 2, 1, {0x01, 1, 2}, ramp_cmap(256), {{"TINY", fake_body}}), 2);
  EXPECT_EQ(d.result, -1);
  EXPECT_EQ(d.pixels, (Bytes{9, 9}));
}

TEST(IffDecode, TagsBeyondTheSearchWindowAreNotFound) {
  // 64,002 bytes of filler push BODY past offset 64,001.
  Bytes filler(64002, 0);
  Decoded d = decode(form("PBM ", 2, 1, {0x01, 1, 2}, ramp_cmap(256), {{"DPPS", filler}}), 2);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.status, "BODY not found.");
}

TEST(IffDecode, EveryTruncationStaysInsideTheData) {
  Bytes file = form("PBM ", 16, 4, {0x3F, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                    19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
                                    35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
                                    51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64});
  for (size_t len = 0; len <= file.size(); len++) {
    Bytes cut(file.begin(), file.begin() + static_cast<long>(len));
    Decoded d = decode(cut, 64);
    if (d.result == -1) {
      for (size_t i = 0; i < 64; i++)
        ASSERT_TRUE(d.pixels[i] == i + 1 || d.pixels[i] == 0) << len << " " << i;
    }
  }
  EXPECT_EQ(decode(file, 64).pixels[63], 64);
}

TEST(PlanarToChunky, PlaneKGivesBitK) {
  // One row of 16 pixels, 8 planes, 2 bytes per plane row.
  Bytes planar(16, 0);
  for (int k = 0; k < 8; k++) planar[2 * k] = static_cast<uint8_t>(0x80 >> k);  // pixel k has plane k
  planar[2 * 7 + 1] = 0x01;                                                   // pixel 15: plane 7
  iff_header = {16, 1, 8, 0, 1};
  Bytes out(16, 0xEE);
  iff_planar_to_chunky(planar.data(), planar.size(), out.data(), out.size());
  for (int k = 0; k < 8; k++) EXPECT_EQ(out[k], 1 << k);
  EXPECT_EQ(out[15], 0x80);
  EXPECT_EQ(out[10], 0);
}

TEST(PlanarToChunky, StaysInsideBothBuffers) {
  // Two rows of 12 pixels (2 bytes a plane row) but planar bytes for one row
  // only, and room for 10 pixels.
  iff_header = {12, 2, 8, 0, 1};
  Bytes planar(2 * 8 * 1, 0xFF);
  Bytes out(10, 0xEE);
  iff_planar_to_chunky(planar.data(), planar.size(), out.data(), out.size());
  EXPECT_EQ(out, Bytes(10, 0xFF));
  Bytes all(24, 0xEE);
  iff_planar_to_chunky(planar.data(), planar.size(), all.data(), all.size());
  for (size_t i = 0; i < all.size(); i++) EXPECT_EQ(all[i], i < 12 ? 0xFF : 0) << i;
}

// An RGB colour for a palette index of the oracle pictures.
void colour(int c, uint8_t rgb[3]) {
  rgb[0] = static_cast<uint8_t>(c * 5 % 256);
  rgb[1] = static_cast<uint8_t>(c * 37 % 256);
  rgb[2] = static_cast<uint8_t>(c);
}

// Palette indices (below colours) in stripes of runs, ramps and noise, so that
// packers write both repeats and literal runs.
Bytes pattern(int w, int h, int colours) {
  Bytes indices;
  uint32_t seed = 12345;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      seed = seed * 1103515245u + 12345u;
      int stripe = (x / 6 + y / 4) % 3;
      int c = stripe == 0 ? x / 6 + y : stripe == 1 ? x * 3 + y : static_cast<int>(seed >> 16);
      indices.push_back(static_cast<uint8_t>(c % colours));
    }
  return indices;
}

// ByteRun1 of one row: repeats for three or more equal bytes, literal runs of
// at most 128 bytes otherwise.
void pack_row(const uint8_t* row, size_t n, Bytes& out) {
  size_t i = 0;
  while (i < n) {
    size_t same = 1;
    while (i + same < n && same < 128 && row[i + same] == row[i]) same++;
    if (same >= 3) {
      out.push_back(static_cast<uint8_t>(1 - static_cast<int>(same)));
      out.push_back(row[i]);
      i += same;
      continue;
    }
    size_t start = i;
    while (i < n && i - start < 128 && !(i + 2 < n && row[i] == row[i + 1] && row[i] == row[i + 2])) i++;
    out.push_back(static_cast<uint8_t>(i - start - 1));
    out.insert(out.end(), row + start, row + i);
  }
}

// A chunky picture as the format lays it out: each row padded to an even
// byte count, packed row by row. There is no packaged PBM encoder, so ffmpeg
// checks this reading of the format. The padding repeats the row's last
// pixel, so that it ends the row's last run rather than starting a run that
// ffmpeg (which cuts runs at each row's end) would take as the next row's.
Bytes pbm_file(int w, int h, const Bytes& indices, bool packed) {
  Bytes cmap;
  for (int c = 0; c < 256; c++) {
    uint8_t rgb[3];
    colour(c, rgb);
    cmap.insert(cmap.end(), rgb, rgb + 3);
  }
  Bytes body;
  for (int y = 0; y < h; y++) {
    Bytes row(indices.begin() + y * w, indices.begin() + (y + 1) * w);
    if (w & 1) row.push_back(row.back());
    if (packed)
      pack_row(row.data(), row.size(), body);
    else
      body.insert(body.end(), row.begin(), row.end());
  }
  return form(Form{"PBM ", w, h, 8, packed ? kByteRun1 : kStored, cmap}, body);
}

// The same pixels through netpbm's ILBM encoder.
Bytes ilbm_file(int w, int h, const Bytes& indices, int planes, bool packed) {
  std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  Bytes ppm(header.begin(), header.end());
  for (uint8_t c : indices) {
    uint8_t rgb[3];
    colour(c, rgb);
    ppm.insert(ppm.end(), rgb, rgb + 3);
  }
  return run_filter({"/usr/bin/ppmtoilbm", "-maxplanes", std::to_string(planes), "-fixplanes",
                     std::to_string(planes), packed ? "-compress" : "-nocompress"},
                    ppm);
}

// ffmpeg's decode of file as RGB, three bytes a pixel. From a file: on a pipe
// it gives up on larger pictures without a word.
Bytes ffmpeg_rgb(const Bytes& file) {
  char dir[] = "/tmp/tundrix-picture-test-XXXXXX";
  if (!mkdtemp(dir)) {
    ADD_FAILURE() << "no temporary folder";
    return {};
  }
  std::string path = std::string(dir) + "/picture.iff";
  FILE* f = std::fopen(path.c_str(), "wb");
  bool written = f && std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (f) std::fclose(f);
  EXPECT_TRUE(written) << path;
  RunResult r = run_program({"/usr/bin/ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24",
                             "pipe:1"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::remove(path.c_str());
  rmdir(dir);
  return Bytes(r.out.begin(), r.out.end());
}

// Our decode as 6-bit RGB, three bytes a pixel.
Bytes decode_rgb(const Bytes& file, std::string& status) {
  Bytes palette(768);
  if (iff_decode(file.data(), file.size(), nullptr, 0, palette.data()) != -1) {
    status = iff_status;
    return {};
  }
  IffHeader h = iff_header;
  Bytes body(iff_output_size(h), 0xEE);
  int result = iff_decode(file.data(), file.size(), body.data(), body.size(), palette.data());
  status = iff_status;
  if (result != -1 || iff_body_filled != body.size()) return {};
  Bytes indices = body;
  if (!h.chunky) {
    indices.assign(static_cast<size_t>(h.width) * static_cast<size_t>(h.height), 0xEE);
    iff_planar_to_chunky(body.data(), body.size(), indices.data(), indices.size());
  }
  Bytes rgb;
  for (uint8_t i : indices) rgb.insert(rgb.end(), &palette[3 * i], &palette[3 * i] + 3);
  return rgb;
}

// Widths that need row padding (and two that need none), ILBM from netpbm's
// encoder and PBM laid out here, both compressions; ffmpeg decodes every file
// to the pixels it was made from, and so must we (in 6-bit colour).
TEST(IffOddWidths, EveryPixelMatchesTheSourceAndFfmpeg) {
  const std::pair<int, int> sizes[] = {{1, 40}, {7, 33}, {17, 50}, {24, 30}, {100, 1000}, {319, 21}, {320, 8}};
  struct Case {
    bool chunky;
    int planes;
    bool packed;
  };
  const Case kinds[] = {{false, 8, true}, {false, 8, false}, {false, 1, true},
                        {false, 1, false}, {true, 8, true},  {true, 8, false}};
  for (const Case& k : kinds) {
    for (auto [w, h] : sizes) {
      std::string what = std::string(k.chunky ? "PBM " : "ILBM ") + std::to_string(w) + "x" + std::to_string(h) +
                         ", " + std::to_string(k.planes) + " planes, " + (k.packed ? "ByteRun1" : "stored");
      Bytes indices = pattern(w, h, 1 << k.planes);
      Bytes file = k.chunky ? pbm_file(w, h, indices, k.packed) : ilbm_file(w, h, indices, k.planes, k.packed);
      Bytes oracle = ffmpeg_rgb(file);
      std::string status;
      Bytes ours = decode_rgb(file, status);
      ASSERT_EQ(ours.size(), indices.size() * 3) << what << ": " << status;
      ASSERT_EQ(oracle.size(), ours.size()) << what;
      EXPECT_EQ(iff_header.planes, k.planes) << what;
      size_t ffmpeg_wrong = 0, ours_wrong = 0;
      for (size_t i = 0; i < indices.size(); i++) {
        uint8_t rgb[3];
        colour(indices[i], rgb);
        bool source_ok = true, ours_ok = true;
        for (size_t c = 0; c < 3; c++) {
          source_ok = source_ok && oracle[3 * i + c] == rgb[c];
          ours_ok = ours_ok && ours[3 * i + c] == oracle[3 * i + c] >> 2;
        }
        ffmpeg_wrong += !source_ok;
        ours_wrong += !ours_ok;
      }
      EXPECT_EQ(ffmpeg_wrong, 0u) << what << ": ffmpeg does not read the file as made";
      EXPECT_EQ(ours_wrong, 0u) << what << ": pixels unlike ffmpeg's, of " << indices.size();
    }
  }
}

}  // namespace
