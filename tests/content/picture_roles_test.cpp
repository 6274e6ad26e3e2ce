// What each scene needs of its pictures, checked on the decoded pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "tests/content/content_support.h"
#include "tools/gen_content/glyphs.h"

namespace {

DecodedPicture must_decode(PictureRole role) {
  DecodedPicture d = decode_embedded(role);
  EXPECT_TRUE(d.ok) << picture_role_name(role);
  if (!d.ok) d.indices.assign(static_cast<size_t>(std::max(0, d.width * d.height)), 0);
  return d;
}

// Number of runs of non-zero pixels on row y.
int runs_on_row(const DecodedPicture& d, int y) {
  int runs = 0;
  bool inside = false;
  for (int x = 0; x < d.width; x++) {
    bool now = d.indices[static_cast<size_t>(y) * d.width + x] != 0;
    if (now && !inside) runs++;
    inside = now;
  }
  return runs;
}

TEST(SilhouetteMask, EveryRowHasExactlyOneInsideRun) {
  DecodedPicture d = must_decode(PIC_SILHOUETTE_MASK);
  for (int y = 0; y < d.height; y++) EXPECT_EQ(runs_on_row(d, y), 1) << "row " << y;
}

// The stone of the title picture is what the mask outlines: inside the mask
// it is lit stone and glowing letters, right at its edge the sky or snow.
TEST(SilhouetteMask, OutlinesTheTitlePicturesSubject) {
  DecodedPicture mask = must_decode(PIC_SILHOUETTE_MASK);
  DecodedPicture title = must_decode(PIC_TITLE);
  int edges = 0, contrasted = 0;
  for (int y = 0; y < 200; y++)
    for (int x = 1; x < 320; x++) {
      size_t i = static_cast<size_t>(y) * 320 + x;
      if ((mask.indices[i] != 0) == (mask.indices[i - 1] != 0)) continue;
      edges++;
      const uint8_t* a = &title.palette[title.indices[i] * 3];
      const uint8_t* b = &title.palette[title.indices[i - 1] * 3];
      int diff = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
      if (diff >= 6) contrasted++;
    }
  EXPECT_EQ(edges, 400);
  EXPECT_GE(contrasted, edges * 3 / 4) << "the mask's edges must be visible edges of the title picture";
}

TEST(SecondSilhouette, EveryRowHasAnInsideRunStartingAfterTheLeftEdge) {
  DecodedPicture d = must_decode(PIC_SECOND_SILHOUETTE);
  std::set<int> colours;
  for (int y = 0; y < d.height; y++) {
    EXPECT_GE(runs_on_row(d, y), 1) << "row " << y;
    EXPECT_EQ(d.indices[static_cast<size_t>(y) * d.width], 0) << "row " << y << " must start outside";
    for (int x = 0; x < d.width; x++) colours.insert(d.indices[static_cast<size_t>(y) * d.width + x]);
  }
  EXPECT_GE(colours.size(), 64u) << "it is also a texture, so it should be colourful";
}

TEST(SectorPicture, SubjectStandsOnPureBlack) {
  DecodedPicture d = must_decode(PIC_SECTOR);
  EXPECT_EQ(d.palette[0] | d.palette[1] | d.palette[2], 0);
  size_t empty = 0;
  for (uint8_t v : d.indices) {
    const uint8_t* c = &d.palette[v * 3];
    bool black = (c[0] | c[1] | c[2]) == 0;
    EXPECT_EQ(black, v == 0) << "only index 0 may be black";
    empty += black;
    if (black != (v == 0)) break;
  }
  EXPECT_GT(empty, d.indices.size() / 3);
  EXPECT_LT(empty, d.indices.size() * 9 / 10);
}

void expect_thresholds(PictureRole role, size_t distinct, int lo, int hi) {
  DecodedPicture d = must_decode(role);
  std::set<int> values(d.indices.begin(), d.indices.end());
  EXPECT_EQ(values.size(), distinct);
  EXPECT_EQ(*values.begin(), lo);
  EXPECT_EQ(*values.rbegin(), hi);
  // Every step holds a fair share of pixels, so the dissolve never stalls.
  std::vector<size_t> count(256, 0);
  for (uint8_t v : d.indices) count[v]++;
  for (int v : values) EXPECT_GE(count[v], d.indices.size() / distinct / 2) << "value " << v;
}

TEST(ThresholdMaps, DissolveOrderHas64StepsFrom1To235) { expect_thresholds(PIC_THRESHOLD, 64, 1, 235); }
TEST(ThresholdMaps, FadeOrderHas61StepsFrom0To222) { expect_thresholds(PIC_FADE_THRESHOLD, 61, 0, 222); }

TEST(RingTexture, IsDarkInEveryPaletteEntry) {
  DecodedPicture d = must_decode(PIC_RING_TEXTURE);
  int brightest = 0;
  for (uint8_t c : d.palette) brightest = std::max<int>(brightest, c);
  EXPECT_LE(brightest, 27);
  EXPECT_GE(brightest, 20) << "dark, but not black";
}

TEST(Font, GlyphPixelsAreIndex13AndShowTheLetters) {
  DecodedPicture d = must_decode(PIC_FONT);
  auto at = [&](int x, int y) { return d.indices[static_cast<size_t>(y) * 320 + x]; };
  for (int cell = 0; cell < 60; cell++) {
    int code = kGlyphFirst + cell;
    int cx = cell % 10 * 32, cy = cell / 10 * 32;
    int ink = 0;
    for (int by = 0; by < 8; by++)
      for (int bx = 0; bx < 8; bx++) {
        int hits = 0;
        for (int y = 0; y < 4; y++)
          for (int x = 0; x < 4; x++) hits += at(cx + bx * 4 + x, cy + by * 4 + y) == 13;
        ink += hits;
        bool expected = code <= kGlyphLast && glyph_ink(glyph_for(code), bx, by);
        EXPECT_EQ(hits >= 8, expected) << "code " << code << " block " << bx << "," << by;
      }
    if (code == 32 || code > kGlyphLast)
      EXPECT_EQ(ink, 0) << "cell " << cell << " must be blank";
    else
      EXPECT_GT(ink, 0) << "code " << code;
  }
  for (int y = 192; y < 200; y++)
    for (int x = 0; x < 320; x++) EXPECT_NE(at(x, y), 13);
}

TEST(TransitionPicture, OutgoingAboveTheBandIncomingBelow) {
  DecodedPicture d = must_decode(PIC_TRANSITION);
  auto at = [&](int x, int y) { return d.indices[static_cast<size_t>(y) * 320 + x]; };
  for (int x = 0; x < 320; x++) {
    for (int y = 0; y < 50; y++) ASSERT_EQ(at(x, y), 1) << x << "," << y;
    for (int y = 350; y < 400; y++) ASSERT_EQ(at(x, y), 2) << x << "," << y;
    int last_one = -1, first_two = 400, drawn_between = 0;
    for (int y = 0; y < 400; y++) {
      if (at(x, y) == 1) last_one = y;
      if (at(x, y) == 2 && first_two == 400) first_two = y;
    }
    for (int y = last_one + 1; y < first_two; y++) drawn_between += at(x, y) > 2;
    EXPECT_LT(last_one, first_two) << "column " << x << ": the new picture must never show above the old one";
    EXPECT_GT(drawn_between, 0) << "column " << x << ": a drawn band must separate them";
  }
}

TEST(EnvironmentTexture, UsesOnlyTheSixteenIndicesTheCombinedPaletteHolds) {
  DecodedPicture d = must_decode(PIC_ENV_TEXTURE);
  std::set<int> used(d.indices.begin(), d.indices.end());
  EXPECT_LE(*used.rbegin(), 15);
  EXPECT_GE(used.size(), 12u);
}

// The replayed object shows the environment colour i scaled by main level
// colour j: ((main[4j] + 63) x env[i]) >> 7 per channel, then 5/13, 5/14 and
// 5/13 of that as an 8-bit pixel, added into trails that keep 15/16 a frame.
// A steady input c settles at 16c - 15, so c may reach 16 and no more.
TEST(EnvironmentTexture, CombinedWithTheMainTextureItsTrailsStayInAByte) {
  DecodedPicture env = must_decode(PIC_ENV_TEXTURE);
  DecodedPicture main = must_decode(PIC_MAIN_TEXTURE);
  const double factor[3] = {0.3846153846153846, 0.35714285714285715, 0.3846153846153846};
  int brightest = 0;
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++)
      for (int c = 0; c < 3; c++) {
        int combined = ((main.palette[4 * j * 3 + c] + 63) * env.palette[i * 3 + c]) >> 7;
        int pixel = static_cast<int>(combined * factor[c]);
        brightest = std::max(brightest, pixel);
      }
  EXPECT_LE(brightest, 16);
  EXPECT_GE(brightest, 12) << "and the object should still shine";
  int steady = 0;
  for (int frame = 0; frame < 200; frame++) steady = (15 * steady >> 4) + brightest;
  EXPECT_LE(steady, 255);
}

TEST(MainTexture, CarriesItsPictureInIndices0To63) {
  DecodedPicture d = must_decode(PIC_MAIN_TEXTURE);
  std::set<int> levels;
  for (uint8_t v : d.indices) {
    ASSERT_LE(v, 63);
    levels.insert(v / 4);
  }
  EXPECT_GE(levels.size(), 12u);
  // Level colours grow brighter with the level, so the quantised texture reads as shading.
  for (int j = 1; j < 16; j++) {
    int prev = d.palette[(j - 1) * 12] + d.palette[(j - 1) * 12 + 1] + d.palette[(j - 1) * 12 + 2];
    int now = d.palette[j * 12] + d.palette[j * 12 + 1] + d.palette[j * 12 + 2];
    EXPECT_GE(now, prev) << "level " << j;
  }
}

// The tunnel adds ten squeezed copies of its picture, raw 6-bit colours in
// 8-bit channels, and in the scene's first moments all ten coincide: no
// component may pass 25, or a channel's sum would carry into the next. Within
// that the picture is bright, so that a single band shows.
TEST(TunnelPicture, TenCoincidingBandsStayInAByteAndOneBandShows) {
  DecodedPicture d = must_decode(PIC_TUNNEL);
  int top = 0;
  long sum = 0;
  for (uint8_t v : d.indices)
    for (int k = 0; k < 3; k++) {
      top = std::max<int>(top, d.palette[v * 3 + k]);
      sum += d.palette[v * 3 + k];
    }
  EXPECT_EQ(top, 25) << "the brightest colour uses the range and no more";
  EXPECT_GE(sum / (256 * 256 * 3), 11) << "and the picture as a whole is not dim";
}

}  // namespace
