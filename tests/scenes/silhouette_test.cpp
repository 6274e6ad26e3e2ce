// The twisting silhouette at pixel level, on pictures made here, and the
// whole scene on a fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/tables.h"
#include "display/display.h"
#include "scenes/scenes.h"
#include "scenes/twisting_silhouette.h"
#include "tests/support/scene_run.h"

namespace {

// Texture pixels carry their column in blue and green as even values, which
// shading at level 63 ((63 v) >> 6) keeps apart, and their picture in red.
constexpr uint32_t kTitleRed = 2, kLateRed = 100, kSecondRed = 200;
uint32_t texel(uint32_t red, int column) {
  return red << 16 | static_cast<uint32_t>(2 * (column >> 7)) << 8 | static_cast<uint32_t>(2 * (column & 127));
}
uint8_t full_light(uint8_t v) { return static_cast<uint8_t>((63 * v) >> 6); }

// The texture column a pixel shaded at level 63 came from, or -1.
int column_of(uint32_t p) {
  int hi = -1, lo = -1;
  for (int v = 0; v < 256; v += 2) {
    if (full_light(static_cast<uint8_t>(v)) == (p & 255)) lo = v / 2;
    if (full_light(static_cast<uint8_t>(v)) == ((p >> 8) & 255)) hi = v / 2;
  }
  return hi < 0 || lo < 0 ? -1 : hi * 128 + lo;
}
uint32_t red_of(uint32_t p) { return (p >> 16) & 255; }

// Row j of the first silhouette: inside from left(j) to right(j) (exclusive),
// a second run that does not count, row 5 empty, row 7 running to the edge.
int first_left(int j) { return j == 7 ? 250 : 100 + j % 20; }
int first_right(int j) { return j == 7 ? 320 : 220 - j % 10; }

struct SilhouetteFrames : ::testing::Test {
  std::unique_ptr<SilhouetteScene> scene = std::make_unique<SilhouetteScene>();
  SilhouetteScene& s = *scene;

  void SetUp() override {
    build_sine_table();
    ASSERT_TRUE(silhouette_open(s));
    // The test's own silhouettes replace the embedded ones.
    std::memset(s.mask, 0, kFramePixels);
    std::memset(s.indices, 0, kFramePixels);
    for (int j = 0; j < 200; j++) {
      uint8_t* mask = s.mask + 320 * j;
      uint8_t* second = s.indices + 320 * j;
      if (j != 5) std::memset(mask + first_left(j), 3, first_right(j) - first_left(j));
      if (j != 5 && j != 7) std::memset(mask + 240, 1, 10);
      std::memset(second + 130, 9, 60);  // 130..190 at depth 30
      for (int c = 0; c < 320; c++) {
        s.title[320 * j + c] = texel(kTitleRed, c);
        s.late_texture[320 * j + c] = texel(kLateRed, c);
        s.second_texture[320 * j + c] = texel(kSecondRed, c);
      }
    }
    build_slab_shape(s.first, s.mask, 40);
    build_slab_shape(s.second, s.indices, 30);
    s.rest = s.turned = s.first;
    std::memset(s.row_angle, 0, sizeof s.row_angle);
    s.wobble = s.twist = s.wave = 0.0;
    build_shade_table(s.shade);
    silhouette_dim_title(s);
  }
  void TearDown() override { silhouette_close(s); }

  uint32_t dim_title(int j, int c) const { return (s.title[320 * j + c] >> 1) & 0x7F7F7F; }
  bool row_untouched(int j) const {
    for (int c = 0; c < 320; c++)
      if (s.frame[320 * j + c] != dim_title(j, c)) return false;
    return true;
  }
  // The phase 2 loop's own steps for one frame at n.
  void frame_at(int32_t n) {
    silhouette_dim_title(s);
    silhouette_solid_frame(s, n);
  }
  void after_frame(int32_t n) { s.wave = (n - 700) * 0.01; }
};

TEST_F(SilhouetteFrames, SlabsAreTheFirstRunOfEachRow) {
  EXPECT_EQ(s.first.row[0][0].x, 220 - 160);
  EXPECT_EQ(s.first.row[0][0].z, 40);
  EXPECT_EQ(s.first.row[0][1].z, -40);
  EXPECT_EQ(s.first.row[0][2].x, 100 - 160);
  EXPECT_EQ(s.first.row[0][2].z, -40);
  EXPECT_EQ(s.first.row[0][3].x, 100 - 160);
  EXPECT_EQ(s.first.row[0][3].z, 40);
  EXPECT_EQ(s.first.row[13][0].y, 13);
  EXPECT_EQ(s.first.row[7][0].x, 160);  // runs to the edge: right is 320
  EXPECT_EQ(s.second.row[3][1].x, 190 - 160);
  EXPECT_EQ(s.second.row[3][1].z, -30);
  for (int k = 0; k < 4; k++) {  // the empty row lies on the axis
    EXPECT_EQ(s.first.row[5][k].x, 0);
    EXPECT_EQ(s.first.row[5][k].z, 0);
  }
  EXPECT_EQ(s.shade.level[63][255], 251);
  EXPECT_EQ(s.shade.level[32][200], 100);
  EXPECT_EQ(s.shade.level[0][255], 0);
}

TEST_F(SilhouetteFrames, AtTheStartOnlyTheFrontSideShowsAtFullLight) {
  frame_at(0);
  for (int j = 0; j < 200; j++) {
    if (j == 5) {
      EXPECT_TRUE(row_untouched(j));
      continue;
    }
    int left = first_left(j), right = first_right(j);
    for (int c = 0; c < 320; c++) {
      uint32_t p = s.frame[320 * j + c];
      if (c < left || c >= right) {
        ASSERT_EQ(p, dim_title(j, c)) << j << "," << c;
        continue;
      }
      // Unit steps, the first pixel one step in; column 320 reads as 319.
      ASSERT_EQ(column_of(p), std::min(c + 1, 319)) << j << "," << c;
      ASSERT_EQ(red_of(p), full_light(kTitleRed));
    }
  }
}

TEST_F(SilhouetteFrames, TheTurnEndsWhereItBeganAtTick512) {
  frame_at(0);
  std::vector<uint32_t> start(s.frame, s.frame + kFramePixels);
  bool moved = false;
  for (int32_t n = 1; n <= 513; n++) {
    frame_at(n);
    after_frame(n);
    if (n == 300) moved = std::memcmp(s.frame, start.data(), start.size() * 4) != 0;
    if (n == 512) {
      for (int32_t a : s.row_angle) ASSERT_EQ(a, 0);
    }
  }
  EXPECT_TRUE(moved);
  EXPECT_EQ(std::memcmp(s.frame, start.data(), start.size() * 4), 0);
}

TEST_F(SilhouetteFrames, HalfTurnedRowShowsItsBackSideMirrored) {
  for (int32_t& a : s.row_angle) a = 512;
  silhouette_turn_rows(s, 256);  // turns by 512 and keeps 512 for the shading
  silhouette_draw_slabs(s, 256);
  for (int j : {0, 50, 123, 199}) {
    int x1 = s.turned.row[j][0].x, x2 = s.turned.row[j][3].x;
    ASSERT_NEAR(x1, -(first_right(j) - 160), 1);
    ASSERT_NEAR(x2, -(first_left(j) - 160), 1);
    // Face (0, 3) is drawn last: its columns run from the right end down.
    int previous = 400;
    for (int c = x1 + 160; c < x2 + 160; c++) {
      int u = column_of(s.frame[320 * j + c]);
      ASSERT_LT(u, previous) << j << "," << c;
      previous = u;
    }
    EXPECT_GE(column_of(s.frame[320 * j + x1 + 160]), first_right(j) - 2);
    EXPECT_EQ(previous, first_left(j));
    EXPECT_EQ(s.frame[320 * j + x1 + 159], dim_title(j, x1 + 159));
  }
}

TEST_F(SilhouetteFrames, TextureChangeSweepsDownOneRowPerTick) {
  for (int32_t& a : s.row_angle) a = 100;  // a side face takes T0 outside 256..767
  silhouette_turn_rows(s, 200);
  for (int32_t& a : s.row_angle) a = 100;
  silhouette_draw_slabs(s, 1100);
  // Column 160 lies on side face (2, 1), lit at angle 100 + 1023.
  const uint8_t* light = s.shade.level[std::abs(SineTable[256 + 99]) >> 9];
  for (int j = 0; j < 200; j++) {
    if (j == 5 || j == 7) continue;
    uint32_t expected = j > 1100 - 1024 ? kTitleRed : kLateRed;
    ASSERT_EQ(red_of(s.frame[320 * j + 160]), light[expected]) << j;
  }
  // The left end face (3, 2) shows one of columns 300..319 of T2 (ends take
  // the flag 0 texture), lit at angle 100 + 767.
  int end_column = static_cast<int>((first_left(20) - 160) * std::cos(100 * 0.006135923151542565)) + 160;
  uint32_t end = s.frame[320 * 20 + end_column];
  const uint8_t* end_light = s.shade.level[std::abs(SineTable[256 + 867]) >> 9];
  bool end_texel = false;
  for (int c = 300; c < 320; c++) {
    uint32_t t = texel(kSecondRed, c);
    end_texel |= end == (static_cast<uint32_t>(end_light[t >> 16]) << 16 | end_light[(t >> 8) & 255] << 8 | end_light[t & 255]);
  }
  EXPECT_TRUE(end_texel) << std::hex << end;
  // Past a quarter turn side face (0, 3) shows, and takes T2.
  for (int32_t& a : s.row_angle) a = 400;
  silhouette_turn_rows(s, 200);  // 400 from the previous frame, then 400 again
  silhouette_draw_slabs(s, 1100);
  light = s.shade.level[std::abs(SineTable[256 + 911]) >> 9];
  EXPECT_EQ(red_of(s.frame[320 * 20 + 160]), light[kSecondRed]);
  EXPECT_EQ(red_of(s.frame[320 * 180 + 160]), light[kTitleRed]);
}

TEST_F(SilhouetteFrames, TheSolidVanishesRowByRowFromTheTop) {
  for (int32_t n = 1024; n <= 2900; n += 4) frame_at(n), after_frame(n);
  for (int j = 0; j < 100; j++) ASSERT_TRUE(row_untouched(j)) << j;
  int drawn = 0;
  for (int j = 100; j < 200; j++) drawn += !row_untouched(j);
  EXPECT_GT(drawn, 90);
  frame_at(3000);
  for (int j = 0; j < 200; j++) ASSERT_TRUE(row_untouched(j)) << j;
}

TEST_F(SilhouetteFrames, MorphWeighsTheFirstSilhouetteDownTo0) {
  EXPECT_EQ(morph_weight(601), 253);
  EXPECT_EQ(morph_weight(1023), 0);
  // At 600 the solid rests: nothing is turned, no angle changes.
  for (int32_t& a : s.row_angle) a = 77;
  SlabShape turned = s.turned;
  silhouette_turn_rows(s, 600);
  EXPECT_EQ(std::memcmp(&s.turned, &turned, sizeof turned), 0);
  EXPECT_EQ(s.row_angle[123], 77);
  silhouette_morph(s, 600);  // before the morph starts R stays S1
  EXPECT_EQ(std::memcmp(&s.rest, &s.first, sizeof s.rest), 0);
  silhouette_morph(s, 601);
  for (int j : {0, 9, 77})
    for (int k = 0; k < 4; k++) {
      EXPECT_NEAR(s.rest.row[j][k].x, s.first.row[j][k].x, 1);
      EXPECT_NEAR(s.rest.row[j][k].z, s.first.row[j][k].z, 1);
    }
  // The empty row grows out of the axis toward the second silhouette.
  silhouette_morph(s, 812);
  EXPECT_LT(s.rest.row[5][2].x, 0);
  EXPECT_GT(s.rest.row[5][2].x, 130 - 160);
  silhouette_morph(s, 1023);
  EXPECT_EQ(std::memcmp(&s.rest, &s.second, sizeof s.rest), 0);
}

TEST_F(SilhouetteFrames, WobbleAndTwistGrowFrom1024AndActInTheNextFrame) {
  s.wave = (1023 - 700) * 0.01;
  silhouette_turn_rows(s, 1024);
  EXPECT_EQ(s.wobble, 0.0);
  EXPECT_EQ(s.twist, 0.0);
  silhouette_turn_rows(s, 1050);
  EXPECT_DOUBLE_EQ(s.wobble, 26 * 0.2);
  EXPECT_DOUBLE_EQ(s.twist, 26 * 0.3);
  for (int j = 0; j < 200; j++) EXPECT_EQ(s.row_angle[j], (2 * 1050 - 1200) & 1023);  // W was 0
  silhouette_turn_rows(s, 1100);
  EXPECT_DOUBLE_EQ(s.wobble, 15.0);
  EXPECT_DOUBLE_EQ(s.twist, 76 * 0.3);
  silhouette_turn_rows(s, 4000);
  EXPECT_EQ(s.twist, 500.0);
  silhouette_turn_rows(s, 4000);
  for (int j = 0; j < 200; j++) {
    double e = 0.01 * j;
    int32_t twist = static_cast<int32_t>(500 + 500 * std::sin(s.wave + e));
    ASSERT_EQ(s.row_angle[j], (twist + 8000 - 1200) & 1023);
  }
  // Unturned rows of one shape: only the wobble moves them, by up to A.
  for (int j = 0; j < 200; j++) std::memcpy(s.rest.row[j], s.first.row[0], sizeof s.rest.row[j]);
  std::memset(s.row_angle, 0, sizeof s.row_angle);
  s.wave = 1.0;
  silhouette_turn_rows(s, 4000);
  int low = 100, high = -100;
  for (int j = 0; j < 200; j++) {
    int push = s.turned.row[j][0].x - s.first.row[0][0].x;
    low = std::min(low, push), high = std::max(high, push);
  }
  EXPECT_GE(low, -15);
  EXPECT_LE(high, 15);
  EXPECT_GT(high - low, 10);
}

TEST_F(SilhouetteFrames, TitlePhaseSinksOnlyTheSurroundingsToHalf) {
  std::memcpy(s.frame, s.title, kFramePixels * 4);
  for (int f = 0; f < 100; f++) silhouette_sink_surroundings(s);
  int sunk = 0, outside = 0;
  for (int i = 0; i < kFramePixels; i++) {
    if (s.mask[i] != 0) {
      ASSERT_EQ(s.frame[i], s.title[i]) << i;
      continue;
    }
    outside++;
    uint32_t half = (s.title[i] >> 1) & 0x7F7F7F;
    ASSERT_TRUE(s.frame[i] == s.title[i] || s.frame[i] == half) << i;
    sunk += s.frame[i] == half;
  }
  EXPECT_GT(sunk, outside * 9 / 10);  // 400,000 draws over 64,000 places
}

TEST_F(SilhouetteFrames, DissolveHalvesWhereTheMapIsBelowK) {
  for (int i = 0; i < kFramePixels; i++) s.indices[i] = static_cast<uint8_t>(1 + i % 235);
  for (int i = 0; i < kFramePixels; i++) s.frame[i] = 0xF0F0F0;
  silhouette_dissolve(s, 1);
  silhouette_dissolve(s, -5);
  for (int i = 0; i < kFramePixels; i++) ASSERT_EQ(s.frame[i], 0xF0F0F0u);
  silhouette_dissolve(s, 100);
  for (int i = 0; i < kFramePixels; i++) ASSERT_EQ(s.frame[i], s.indices[i] < 100 ? 0x787878u : 0xF0F0F0u);
  for (int i = 0; i < kFramePixels; i++) s.frame[i] = 0xF0F0F0;
  silhouette_dissolve(s, 236);
  silhouette_dissolve(s, 237);
  for (int i = 0; i < kFramePixels; i++) ASSERT_EQ(s.frame[i], 0x3C3C3Cu);
}

// A span past both edges, into a row with guard pixels on both sides and a
// texture row whose neighbours have a colour no texel of the row has.
TEST(SlabSpan, ClippedToTheFrameAndThePicture) {
  constexpr uint32_t kGuard = 0xDEADBEEF, kPoison = 0x00FE00FE;
  std::vector<uint32_t> frame(3 * 320, kGuard), texture(3 * 320, kPoison);
  for (int c = 0; c < 320; c++) texture[320 + c] = texel(kTitleRed, c), frame[320 + c] = 0x01000000;
  ShadeTable shade;
  build_shade_table(shade);
  draw_slab_span(&frame[320], &texture[320], -190, 185, 0, 320, shade.level[63]);
  for (int c = 0; c < 320; c++) {
    ASSERT_EQ(frame[c], kGuard);
    ASSERT_EQ(frame[640 + c], kGuard);
  }
  int32_t step = (320 * 65536) / 375;
  for (int c = 0; c < 320; c++) {
    uint32_t p = frame[320 + c];
    ASSERT_EQ(p >> 24, 1u);  // byte 3 kept
    ASSERT_NE(p & 0xFFFFFF, full_light(0xFE) | full_light(0xFE) << 16);
    // Pixel c is the span's (c + 30)th: stepping as if nothing were cut.
    int expected = std::min(((c + 31) * step) >> 16, 319);
    ASSERT_EQ(column_of(p), expected) << c;
  }
  // Wholly off either side: nothing written.
  std::vector<uint32_t> before = frame;
  draw_slab_span(&frame[320], &texture[320], -200, -160, 0, 40, shade.level[63]);
  draw_slab_span(&frame[320], &texture[320], 160, 170, 310, 320, shade.level[63]);
  EXPECT_EQ(frame, before);
}

// Exact-size buffers (what the scene allocates), a full-width silhouette
// turning, twisting and wobbling past both edges: under the sanitizer build
// any read or write outside them fails the test.
TEST_F(SilhouetteFrames, WobblingFullWidthSolidStaysInsideItsBuffers) {
  std::memset(s.mask, 1, kFramePixels);
  build_slab_shape(s.first, s.mask, 40);
  s.rest = s.first;
  int edge_rows = 0;
  for (int32_t n = 1024; n < 2100; n += 3) {
    frame_at(n);
    after_frame(n);
    for (int j = 0; j < 200; j++) {
      int x = s.turned.row[j][0].x;
      edge_rows += x > 160 || x < -160;
    }
  }
  EXPECT_GT(edge_rows, 0);
  EXPECT_FALSE(row_untouched(150));
}

struct WholeSilhouetteScene : ::testing::Test {
  void SetUp() override { build_sine_table(); }
  SceneRun run;
};

TEST_F(WholeSilhouetteScene, RunsItsThreePhasesOnTheShowClockAndEndsBlack) {
  run.keep_ticks = {3000, 4000, 6700};
  EXPECT_EQ(run_scene_paced(scene_twisting_silhouette, &run, 2941, 5), 1);
  ASSERT_GT(run.frames.size(), 700u);
  EXPECT_EQ(run.frames.front().tick, 2941u);
  // Phase 1 frames up to 3,539, phase 2 up to 6,540, phase 3 up to 6,795,
  // then the black closing frame.
  const ShownFrame& last = run.frames.back();
  EXPECT_GT(last.tick, 6795u);
  EXPECT_LE(last.tick, 6800u);
  EXPECT_EQ(last.hash, frame_hash(std::vector<uint32_t>(kFramePixels, 0).data()));  // all black
  EXPECT_EQ(run.frames[run.frames.size() - 2].tick, last.tick - 5);
}

TEST_F(WholeSilhouetteScene, EnteredAfterItsWindowShowsOnlyTheBlackClosingFrame) {
  EXPECT_EQ(run_scene_paced(scene_twisting_silhouette, &run, 7000, 1), 1);
  ASSERT_EQ(run.frames.size(), 1u);
  EXPECT_LT(int(run.readings.size()), 10);
}

TEST_F(WholeSilhouetteScene, EscapeCutsOnePhaseAndEndsTheShowOnlyWhenTheClosingPollSeesOneMore) {
  // One Escape in phase 1 only cuts it short: phase 2 starts at once.
  run.escape_ticks = {3000};
  EXPECT_EQ(run_scene_paced(scene_twisting_silhouette, &run, 2941, 7), 1);
  EXPECT_GT(run.frames.back().tick, 6795u);
  // Three: the loop's poll, the poll after the loop, the closing poll.
  run.escape_ticks = {4000, 4000, 4000};
  EXPECT_EQ(run_scene_paced(scene_twisting_silhouette, &run, 2941, 7), 0);
  EXPECT_LT(run.frames.back().tick, 4010u);
  // Two leave phase 2 early and skip phase 3, but the scene ends normally.
  run.escape_ticks = {4000, 4000};
  EXPECT_EQ(run_scene_paced(scene_twisting_silhouette, &run, 2941, 7), 1);
  EXPECT_LT(run.frames.back().tick, 4010u);
}

}  // namespace
