#include <gtest/gtest.h>

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

Bytes bmhd(int w, int h, int planes) {
  Bytes d(20, 0);
  d[0] = static_cast<uint8_t>(w >> 8);
  d[1] = static_cast<uint8_t>(w);
  d[2] = static_cast<uint8_t>(h >> 8);
  d[3] = static_cast<uint8_t>(h);
  d[8] = static_cast<uint8_t>(planes);
  d[10] = 1;  // ByteRun1, which the decoder assumes without looking
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

// A FORM of the given type with BMHD, CMAP and BODY chunks; extra chunks go
// between CMAP and BODY.
Bytes form(const char* type, int w, int h, const Bytes& body, const Bytes& cmap = ramp_cmap(256),
           const std::vector<std::pair<const char*, Bytes>>& extra = {}) {
  Bytes inner;
  put_tag(inner, type);
  put_chunk(inner, "BMHD", bmhd(w, h, 8));
  put_chunk(inner, "CMAP", cmap);
  for (auto& [tag, data] : extra) put_chunk(inner, tag, data);
  put_chunk(inner, "BODY", body);
  Bytes out;
  put_tag(out, "FORM");
  put32(out, static_cast<uint32_t>(inner.size()));
  out.insert(out.end(), inner.begin(), inner.end());
  return out;
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

TEST(ByteRun1, BodyEndingEarlyLeavesTheRestOfThePictureBlack) {
  // The literal run announces 8 bytes but the data ends after 3 (the body is
  // the last chunk, of even length, so nothing follows it). Bytes past the
  // picture's own size stay as they were.
  Bytes file = form("PBM ", 8, 1, {0x07, 1, 2, 3});
  Decoded d = decode(file, 10);
  EXPECT_EQ(d.result, -1);
  EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 0, 0, 0, 0, 0, 0xEE, 0xEE}));
  EXPECT_EQ(iff_body_filled, 3u);
  decode(form("PBM ", 8, 1, {0x07, 1, 2, 3, 4, 5, 6, 7, 8}), 8);
  EXPECT_EQ(iff_body_filled, 8u);
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
  iff_header = {12, 2, 8, 0, 1};  // 12 is not a multiple of 8: x / 8 reaches the next plane
  Bytes planar(2 * 8 * 1, 0xFF);
  Bytes out(10, 0xEE);
  iff_planar_to_chunky(planar.data(), planar.size(), out.data(), out.size());
  EXPECT_EQ(out[0], 0xFF);
}

// netpbm as the independent encoder and decoder (the test support's filters).
Bytes netpbm(const std::vector<std::string>& argv, const Bytes& input) { return run_filter(argv, input); }
Bytes ppm_pixels(const Bytes& ppm, int& w, int& h) { return ppm_rgb(ppm, w, h); }

// Pictures written by an independent encoder decode to the pixels its own
// decoder reads back.
TEST(IlbmFromNetpbm, DecodesToTheSamePixelsAsIlbmtoppm) {
  for (auto [w, h] : {std::pair{320, 200}, std::pair{256, 256}, std::pair{48, 5}}) {
    // 200 colours in stripes, blocks and noise: long runs and literal stretches.
    std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    Bytes ppm(header.begin(), header.end());
    uint32_t seed = 12345;
    for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
        seed = seed * 1103515245u + 12345u;
        int c = (x / 16 + y / 8) % 2 ? (x * 3 + y) % 200 : (seed >> 16) % 200;
        ppm.push_back(static_cast<uint8_t>(c * 5 % 256));
        ppm.push_back(static_cast<uint8_t>(c * 37 % 256));
        ppm.push_back(static_cast<uint8_t>(c));
      }
    }
    Bytes ilbm = netpbm({"/usr/bin/ppmtoilbm", "-fixplanes", "8", "-compress"}, ppm);
    ASSERT_GT(ilbm.size(), 100u);
    int ow = 0, oh = 0;
    Bytes oracle = ppm_pixels(netpbm({"/usr/bin/ilbmtoppm"}, ilbm), ow, oh);
    ASSERT_EQ(ow, w);
    ASSERT_EQ(oh, h);

    size_t planar_size = static_cast<size_t>(w / 8 * 8 * h);
    Decoded d = decode(ilbm, planar_size);
    ASSERT_EQ(d.result, -1) << d.status;
    EXPECT_EQ(iff_header.chunky, 0);
    EXPECT_EQ(iff_header.planes, 8);
    Bytes indices(static_cast<size_t>(w * h));
    iff_planar_to_chunky(d.pixels.data(), d.pixels.size(), indices.data(), indices.size());
    for (int i = 0; i < w * h; i++) {
      const uint8_t* rgb = &d.palette[3 * indices[static_cast<size_t>(i)]];
      for (int c = 0; c < 3; c++)
        ASSERT_EQ(rgb[c], oracle[static_cast<size_t>(3 * i + c)] >> 2) << w << "x" << h << " pixel " << i;
    }
  }
}

}  // namespace
