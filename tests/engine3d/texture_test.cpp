// Textures from pictures made and read back by netpbm, palettes, and the
// frame routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/content.h"
#include "engine3d/engine.h"
#include "engine3d/frame_blend.h"
#include "engine3d/raster.h"
#include "engine3d/texture.h"
#include "tests/engine3d/raster_support.h"
#include "tests/support/support.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Texture : public ::testing::Test {
 protected:
  void SetUp() override { raster_reset(); }
  void TearDown() override { raster_reset(); }
};

// A w x h picture of up to 200 colours where neighbouring pixels differ, as
// an 8-plane ByteRun1 ILBM from netpbm's encoder.
Bytes ilbm_picture(int w, int h) {
  std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  Bytes ppm(header.begin(), header.end());
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      int c = (x * 7 + y * 13) % 200;
      ppm.push_back(static_cast<uint8_t>(c * 5 % 256));
      ppm.push_back(static_cast<uint8_t>(c * 37 % 256));
      ppm.push_back(static_cast<uint8_t>(c));
    }
  return run_filter({"/usr/bin/ppmtoilbm", "-fixplanes", "8", "-compress"}, ppm);
}

// Checks every texel of a loaded texture against the picture as netpbm's
// decoder reads it: texel (row i, column j) is pixel ((i x min(h, 256)) >> 8,
// (j x min(w, 256)) >> 8).
void expect_resampled(const Bytes& picture) {
  int w = 0, h = 0;
  Bytes oracle = ppm_rgb(run_filter({"/usr/bin/ilbmtoppm"}, picture), w, h);
  uint8_t palette[768];
  uint8_t* buffer = texture_load(picture.data(), picture.size(), palette);
  ASSERT_NE(buffer, nullptr);
  const auto* texels = static_cast<const uint8_t*>(texture_origin(buffer));
  const int sw = std::min(w, 256), sh = std::min(h, 256);
  for (int i = 0; i < 256; i++)
    for (int j = 0; j < 256; j++) {
      const uint8_t* rgb = &palette[3 * texels[i * 256 + j]];
      size_t at = 3 * (static_cast<size_t>((i * sh) >> 8) * static_cast<size_t>(w) + ((j * sw) >> 8));
      for (int c = 0; c < 3; c++)
        ASSERT_EQ(rgb[c], oracle[at + static_cast<size_t>(c)] >> 2)
            << w << "x" << h << " texel row " << i << " column " << j;
    }
  std::free(buffer);
}

TEST_F(Texture, LoadResamplesPlanarPicturesOfEverySize) {
  // 320x200: texel row 255 comes from picture row 199. 96x100: texel column
  // 2 from picture column 0, column 3 from column 1. 400x300: the top-left
  // 256x256 pixels. (Widths are whole 16-pixel words, as the decoder reads
  // plane rows of width / 8 bytes.)
  for (auto [w, h] : {std::pair{320, 200}, std::pair{96, 100}, std::pair{400, 300}, std::pair{256, 256}})
    expect_resampled(ilbm_picture(w, h));
}

TEST_F(Texture, LoadReadsTheShowsChunkyPictures) {
  for (PictureRole role : {PIC_TEXTURE_0, PIC_MAIN_TEXTURE}) {
    Blob file = picture_data(role);
    expect_resampled(Bytes(file.data, file.data + file.size));
  }
}

TEST_F(Texture, LoadWithoutAHeaderGivesNone) {
  uint8_t palette[768];
  const Bytes not_a_picture(2000, 'x');
  EXPECT_EQ(texture_load(not_a_picture.data(), not_a_picture.size(), palette), nullptr);
  EXPECT_EQ(texture_load(not_a_picture.data(), 0, palette), nullptr);
  // A header that promises no pixels gives nothing to stretch.
  Bytes empty = ilbm_picture(8, 1);
  size_t bmhd = std::string(empty.begin(), empty.end()).find("BMHD");
  ASSERT_NE(bmhd, std::string::npos);
  empty[bmhd + 8] = empty[bmhd + 9] = 0;  // width 0
  EXPECT_EQ(texture_load(empty.data(), empty.size(), palette), nullptr);
}

TEST_F(Texture, PaletteToRgb32ScalesSixBitComponents) {
  const uint8_t palette[6] = {0, 0, 0, 63, 32, 0};
  const uint8_t index[1] = {1};
  struct Case {
    int shift;
    uint32_t pixel;
  } cases[] = {{0, 0xFC8000}, {1, 0x7E4000}, {2, 0x3F2000}, {3, 0x1F1000}, {4, 0x0F0800},
               {-40, 0}, {40, 0}};
  for (const Case& c : cases) {
    uint32_t out[2] = {0xDEAD, 0xBEEF};
    palette_to_rgb32(index, palette, out, 1, c.shift);
    EXPECT_EQ(out[0], c.pixel) << "shift " << c.shift;
    EXPECT_EQ(out[1], 0xBEEFu);
  }
}

TEST_F(Texture, Pow2CeilRaisesToAPowerOfTwoFrom2To128) {
  struct Case {
    int in, count, log;
  } cases[] = {{16, 16, 4}, {17, 32, 5}, {1000, 128, 7}, {0, 2, 1}, {1, 2, 1},
               {2, 2, 1},   {3, 4, 2},   {128, 128, 7}, {129, 128, 7}, {-5, 2, 1}};
  for (const Case& c : cases) {
    int count = c.in, log = -1;
    pow2_ceil(&count, &log);
    EXPECT_EQ(count, c.count) << c.in;
    EXPECT_EQ(log, c.log) << c.in;
  }
}

TEST_F(Texture, QuantizePutsLevelsInTheHighBits) {
  TestTexture tex(1, [](int u, int v) -> uint32_t { return static_cast<uint32_t>((u + v) % 64); });
  auto* buffer = const_cast<uint8_t*>(tex.buffer.data());
  const auto* texels = static_cast<const uint8_t*>(texture_origin(buffer));
  texture_quantize(buffer, 16, 0);
  EXPECT_EQ(texels[63], 63);
  EXPECT_EQ(texels[256 * 255 + 255], (255 + 255) % 64);
  texture_quantize(buffer, 16, 4);
  for (int i = 0; i < 64; i++) EXPECT_EQ(texels[i], (i / 4) * 16) << i;
  EXPECT_EQ(texels[256 * 255 + 255], ((255 + 255) % 64 / 4) * 16);
}

TEST_F(Texture, PaletteCombineScalesEnvironmentColoursByTheMainPalette) {
  uint8_t a[768], b[768];
  for (int i = 0; i < 768; i++) {
    a[i] = static_cast<uint8_t>(i % 64);
    b[i] = static_cast<uint8_t>((i * 5) % 64);
  }
  std::vector<uint8_t> out(768 + 64, 0xAA);
  palette_combine(a, b, out.data(), 16, 4);
  // Entry 16j + i, channel c: ((b[4j].c + 63) x a[i].c) >> 7.
  // j 0, i 0: a = (0, 1, 2), b[0] = (0, 5, 10).
  EXPECT_EQ(out[0], (63 * 0) >> 7);
  EXPECT_EQ(out[1], (68 * 1) >> 7);
  EXPECT_EQ(out[2], (73 * 2) >> 7);
  // j 3, i 5 (entry 53): a[5] = (15, 16, 17), b[12] = (52, 57, 62).
  EXPECT_EQ(out[3 * 53 + 0], ((52 + 63) * 15) >> 7);
  EXPECT_EQ(out[3 * 53 + 1], ((57 + 63) * 16) >> 7);
  EXPECT_EQ(out[3 * 53 + 2], ((62 + 63) * 17) >> 7);
  // A channel of 0 in the main palette still gives about half brightness:
  // j 0, i 10: a[10].red = 30, b[0].red = 0.
  EXPECT_EQ(out[30], 14);
  for (int i = 768; i < 768 + 64; i++) ASSERT_EQ(out[static_cast<size_t>(i)], 0xAA);

  // Level counts above 16 would put entries past the palette's end.
  std::vector<uint8_t> guarded(768 + 4096, 0xAA);
  for (int levels : {32, 64, 128}) palette_combine(a, b, guarded.data(), levels, 1);
  for (size_t i = 768; i < guarded.size(); i++) ASSERT_EQ(guarded[i], 0xAA) << i;
}

TEST_F(Texture, FadeAddKeepsFifteenSixteenthsAndCarriesBetweenChannels) {
  fade_table_init();
  EXPECT_EQ(engine.fade_table[255], 239u);
  EXPECT_EQ(engine.fade_table[16], 15u);
  EXPECT_EQ(engine.fade_table[15], 14u);
  struct Case {
    uint32_t display, render, result;
  } cases[] = {
      {0x101010, 0x000000, 0x0F0F0F},
      {0xF0F0F0, 0x202020, 0x01020201},  // 225 + 32 in each channel, carried
      {0x01FF0010, 0x000001, 0x01EF0010},  // the top byte stays as it is
      {0x000000, 0x123456, 0x123456},
  };
  for (const Case& c : cases) {
    uint32_t background[1] = {0x00ABCDEF}, render[1] = {c.render}, display[1] = {c.display};
    frame_fade_add(background, render, display, 1);
    EXPECT_EQ(display[0], c.result) << std::hex << c.display << " + " << c.render;
    EXPECT_EQ(render[0], 0x00ABCDEFu);
    render[0] = c.render;
    display[0] = c.display;
    frame_fade_add(nullptr, render, display, 1);
    EXPECT_EQ(display[0], c.result);
    EXPECT_EQ(render[0], 0u);
  }
}

TEST_F(Texture, Expand2xSmoothAveragesEachPixelWithItsLeftNeighbour) {
  const uint32_t palette[3] = {0, 0x808080, 0x00FF20};
  const uint8_t row[3] = {1, 0, 2};
  std::vector<uint32_t> out(640 + 8, 0xEEEEEEEE);
  expand_2x_smooth(out.data(), row, 3, palette);
  const std::vector<uint32_t> expected = {0x404040, 0x808080, 0x404040, 0, 0x007F10, 0x00FF20};
  EXPECT_EQ(std::vector<uint32_t>(out.begin(), out.begin() + 6), expected);
  EXPECT_EQ(std::vector<uint32_t>(out.begin() + 320, out.begin() + 326), expected);
  EXPECT_EQ(out[6], 0xEEEEEEEEu);
  EXPECT_EQ(out[326], 0xEEEEEEEEu);
}

}  // namespace
