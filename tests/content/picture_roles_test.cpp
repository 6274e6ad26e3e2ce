// What each scene needs of its pictures, checked on the decoded pixels and,
// for the tunnel, on the scene that adds its picture up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

#include "scenes/scenes.h"
#include "scenes/tunnel.h"
#include "tests/content/content_support.h"
#include "tests/support/scene_run.h"
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

// The tunnel adds ten squeezed copies of its picture in raw 6-bit colours:
// its light comes from bands overlapping, and a channel whose sum passes 255
// carries into the next one. The picture must make the show's last minute as
// bright as its best ones, and keep those carries rare once the ten bands,
// which start on one another, have parted (after 140 ticks).

// The mean Rec. 601 luma (0..255) of each frame a capture at two frames a
// second keeps of the scene: ticks 35n from the tunnel's start at 16,191,
// each frame showing the bands of the tick before, as at 70 frames a second.
std::vector<double> tunnel_luma_at_two_frames_a_second() {
  SceneRun run;
  for (uint32_t tick = 16205; tick <= 20370; tick += 35) run.keep_ticks.push_back(tick);
  EXPECT_EQ(run_scene_paced(scene_tunnel, &run, 16191, 1), 1);
  std::vector<double> luma;
  for (uint32_t tick : run.keep_ticks) {
    const ShownFrame* f = run.kept_at(tick);
    if (!f || f->tick != tick) break;
    double sum = 0;
    for (uint32_t p : f->pixels) sum += 0.299 * (p >> 16 & 255) + 0.587 * (p >> 8 & 255) + 0.114 * (p & 255);
    luma.push_back(sum / kFramePixels);
  }
  return luma;
}

// Linear between the two nearest of the sorted values.
double percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  double at = q * static_cast<double>(v.size() - 1);
  size_t i = static_cast<size_t>(at);
  return i + 1 < v.size() ? v[i] + (at - static_cast<double>(i)) * (v[i + 1] - v[i]) : v[i];
}

TEST(TunnelPicture, TheLastMinuteIsAsBrightAsTheShowsBest) {
  std::vector<double> luma = tunnel_luma_at_two_frames_a_second();
  ASSERT_EQ(luma.size(), 120u);
  double mean = 0;
  for (double l : luma) mean += l / static_cast<double>(luma.size());
  std::printf("tunnel luma: mean %.1f, 10th percentile %.1f, 90th %.1f\n", mean, percentile(luma, 0.1),
              percentile(luma, 0.9));
  EXPECT_GE(mean, 60);
  EXPECT_GE(percentile(luma, 0.1), 40) << "no long dim stretch either";
}

// Texels of the band texture whose channel sums pass 255, tick by tick over
// the scene's 4,200: the picture with each channel in a 10-bit field of its
// own holds every channel's true sum of ten bands of up to 63.
std::vector<int> tunnel_carries_per_tick() {
  TunnelScene s{};
  EXPECT_TRUE(tunnel_open(s));
  std::vector<uint32_t> wide(kTunnelTexels);
  for (int i = 0; i < kTunnelTexels; i++) {
    uint32_t p = s.picture[i];
    wide[i] = (p >> 16 & 255) << 20 | (p >> 8 & 255) << 10 | (p & 255);
  }
  uint32_t* picture = s.picture;
  s.picture = wide.data();
  std::vector<int> carries;
  for (uint32_t e = 0; e < kTunnelTicks; e++) {
    tunnel_build_bands(s, e);
    int n = 0;
    for (int i = 0; i < kTunnelTexels; i++) {
      uint32_t w = s.texture[i];
      n += (w >> 20) > 255 || (w >> 10 & 1023) > 255 || (w & 1023) > 255;
    }
    carries.push_back(n);
  }
  s.picture = picture;
  tunnel_close(s);
  return carries;
}

TEST(TunnelPicture, CarriesStayRareOnceTheBandsHaveParted) {
  std::vector<int> carries = tunnel_carries_per_tick();
  ASSERT_EQ(carries.size(), static_cast<size_t>(kTunnelTicks));
  long total = 0;
  int worst = 0;
  uint32_t worst_tick = 0;
  for (uint32_t e = 0; e < kTunnelTicks; e++) {
    total += carries[e];
    if (e >= 140 && carries[e] > worst) worst = carries[e], worst_tick = e;
  }
  std::printf("tunnel: %ld carried texels, after 140 ticks at most %d in one frame (tick %u)\n", total, worst,
              worst_tick);
  EXPECT_LE(worst * 100, kTunnelTexels) << "at most 1% of the texture in any frame, at tick " << worst_tick;
  // The picture before it was held within a byte carried 1,061,360 times.
  EXPECT_LT(total, 1061360 / 3);
}

}  // namespace
