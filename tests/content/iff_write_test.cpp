// The generator's IFF writer against the show's decoder, on pictures made
// to hit the packer's edges and the decoder's tag scanning.
#include <gtest/gtest.h>

#include <cstring>

#include "picture/iff.h"
#include "tools/gen_content/iff_write.h"
#include "tools/gen_content/noise.h"

namespace {

std::vector<uint8_t> unpack(const std::vector<uint8_t>& packed, size_t size) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < packed.size() && out.size() < size;) {
    int n = static_cast<int8_t>(packed[i++]);
    if (n >= 0) {
      out.insert(out.end(), packed.begin() + static_cast<long>(i), packed.begin() + static_cast<long>(i) + n + 1);
      i += static_cast<size_t>(n) + 1;
    } else if (n != -128) {
      out.insert(out.end(), static_cast<size_t>(1 - n), packed[i++]);
    }
  }
  return out;
}

TEST(ByteRun1, PacksRunsAndLiteralsThatUnpackExactly) {
  std::vector<std::vector<uint8_t>> rows = {
      std::vector<uint8_t>(320, 7),                  // one long run: 128 + 128 + 64
      std::vector<uint8_t>{1, 2, 3, 4, 5},           // literals only
      std::vector<uint8_t>{9, 9, 1, 9, 9, 9, 2, 2},  // a pair stays literal, three repeat
      std::vector<uint8_t>(1, 200),
  };
  std::vector<uint8_t> noisy(300);
  for (size_t i = 0; i < noisy.size(); i++) noisy[i] = static_cast<uint8_t>(hash32(static_cast<uint32_t>(i)));
  rows.push_back(noisy);
  for (const auto& row : rows) {
    std::vector<uint8_t> packed;
    byterun1_pack(row.data(), static_cast<int>(row.size()), packed);
    EXPECT_EQ(unpack(packed, row.size()), row);
    for (size_t i = 0; i < packed.size();) {
      int n = static_cast<int8_t>(packed[i]);
      ASSERT_NE(n, -128) << "the no-op code is never written";
      i += n >= 0 ? static_cast<size_t>(n) + 2 : 2;
    }
  }
  std::vector<uint8_t> packed;
  byterun1_pack(rows[0].data(), 320, packed);
  EXPECT_EQ(packed.size(), 6u);
}

Picture test_picture(int w, int h) {
  Picture p(w, h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) p.set(x, y, static_cast<uint8_t>(y % 3 ? (x / 9) * 7 + y : hash32(x, y)));
  for (int i = 0; i < 256; i++) p.palette[i * 3] = p.palette[i * 3 + 1] = p.palette[i * 3 + 2] = static_cast<uint8_t>(i % 64);
  return p;
}

TEST(IffWriter, ChunkyAndPlanarFilesDecodeToTheSamePixelsAndPalette) {
  Picture p = test_picture(256, 64);
  for (bool planar : {false, true}) {
    std::vector<uint8_t> file = planar ? iff_write_ilbm(p) : iff_write_pbm(p);
    std::vector<uint8_t> body(256 * 64), pixels(256 * 64);
    uint8_t palette[768];
    ASSERT_EQ(iff_decode(file.data(), file.size(), body.data(), body.size(), palette), -1) << iff_status;
    EXPECT_EQ(iff_header.chunky, planar ? 0 : 1);
    if (planar)
      iff_planar_to_chunky(body.data(), body.size(), pixels.data(), pixels.size());
    else
      pixels = body;
    EXPECT_EQ(pixels, p.pixels) << (planar ? "ILBM" : "PBM");
    EXPECT_EQ(std::memcmp(palette, p.palette.data(), 768), 0);
  }
}

// A thumbnail whose packed bytes spell BODY would be taken for the body by
// the decoder; the writer must notice and change the thumbnail.
TEST(IffWriter, ThumbnailNeverSpellsALaterChunksTag) {
  Picture p(320, 200, 0);
  const char* word = "BODY";
  for (int y = 0; y < 200; y += 4)
    for (int x = 0; x < 320; x += 4) p.set(x, y, static_cast<uint8_t>(word[(x / 4) % 4]));
  std::vector<uint8_t> naive_row(80), naive;
  for (int x = 0; x < 80; x++) naive_row[x] = p.at(x * 4, 0);
  byterun1_pack(naive_row.data(), 80, naive);
  ASSERT_GE(iff_find_tag(naive, "BODY", 0, naive.size()), 0) << "the picture must provoke the fault";
  std::vector<uint8_t> file = iff_write_pbm(p);
  long body = iff_find_tag(file, "BODY", 0, file.size());
  long tiny = iff_find_tag(file, "TINY", 0, file.size());
  ASSERT_GT(tiny, 0);
  EXPECT_GT(body, tiny) << "the first BODY must be the chunk after the thumbnail";
  std::vector<uint8_t> pixels(64000);
  uint8_t palette[768];
  ASSERT_EQ(iff_decode(file.data(), file.size(), pixels.data(), pixels.size(), palette), -1);
  EXPECT_EQ(pixels, p.pixels);
}

}  // namespace
