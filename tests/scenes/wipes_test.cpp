// The picture wipe sequence at pixel level, on pictures made here, and the
// whole scene on a fake clock with the embedded pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/display.h"
#include "scenes/picture_wipes.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"
#include "tests/support/scene_run.h"

namespace {

constexpr uint32_t kOut = 0x112233, kIn = 0x445566;

uint32_t transition_colour(int m) { return 0x800000u | static_cast<uint32_t>(m); }

struct WipeFrames : ::testing::Test {
  WipeScene s{};
  void SetUp() override {
    ASSERT_TRUE(wipes_open(s));
    for (int c = 0; c < kFramePixels; c++) s.outgoing[c] = kOut, s.incoming[c] = kIn;
    // Transition rows: 0..99 all 1, 300..399 all 2, between them columns
    // cycling 1, 2, 7.
    for (int m = 0; m < kTransitionPixels; m++) {
      int row = m / 320;
      s.indices[m] = row < 100 ? 1 : row >= 300 ? 2 : static_cast<uint8_t>((m % 3 == 2) ? 7 : 1 + m % 3);
      s.transition[m] = transition_colour(m);
    }
  }
  void TearDown() override { wipes_close(s); }
  int count(uint32_t colour) const {
    int n = 0;
    for (int c = 0; c < kFramePixels; c++) n += s.frame[c] == colour;
    return n;
  }
};

TEST_F(WipeFrames, OutgoingOnlyAtTheWipeStartAndIncomingOnlyFrom300TicksOn) {
  for (int64_t ticks : {-50, -1, 0}) {
    wipes_wipe_frame(s, ticks * 640);
    EXPECT_EQ(count(kOut), kFramePixels) << ticks;
  }
  for (int64_t ticks : {300, 301, 399, 100000}) {
    wipes_wipe_frame(s, ticks * 640);
    EXPECT_EQ(count(kIn), kFramePixels) << ticks;
  }
}

TEST_F(WipeFrames, TransitionIndexOneShowsOutgoingTwoIncomingOthersItsOwnColour) {
  int64_t offset = 170 * 640;  // transition rows 0..339 on screen rows -140..199
  wipes_wipe_frame(s, offset);
  for (int c = 0; c < kFramePixels; c++) {
    int64_t m = c + offset - kFramePixels;
    int index = s.indices[m];
    uint32_t expected = index == 1 ? kOut : index == 2 ? kIn : transition_colour(static_cast<int>(m));
    ASSERT_EQ(s.frame[c], expected) << c;
  }
  EXPECT_GT(count(transition_colour(44801)), 0);
  wipes_wipe_frame(s, 10 * 640);  // twenty rows of index 1 on screen
  EXPECT_EQ(count(kOut), kFramePixels);
}

TEST_F(WipeFrames, DissolveShowsTheDarkFinalPictureWhereTheThresholdIsBelowU) {
  for (int c = 0; c < kFramePixels; c++) {
    s.indices[c] = static_cast<uint8_t>(1 + c % 235);
    s.incoming[c] = 0xF8F8F8 + (c & 7);
    s.frame[c] = 0;
  }
  wipes_dissolve_frame(s, -3);
  wipes_dissolve_frame(s, 1);
  EXPECT_EQ(count(0), kFramePixels);
  wipes_dissolve_frame(s, 100);
  for (int c = 0; c < kFramePixels; c++) ASSERT_EQ(s.frame[c], s.indices[c] < 100 ? 0x1F1F1Fu : 0u) << c;
  wipes_dissolve_frame(s, 236);
  EXPECT_EQ(count(0x1F1F1F), kFramePixels);
}

uint64_t checksum(const std::vector<uint32_t>& pixels) { return frame_hash(pixels.data()); }

// The embedded pictures as the scene shows them.

struct WholeWipeScene : ::testing::Test {
  SceneRun run;
};

// The dissolve frame at u over whatever frame came before.
void dissolve_step(std::vector<uint32_t>& frame, const std::vector<uint8_t>& thresholds,
                   const std::vector<uint32_t>& final_picture, int32_t u) {
  for (int c = 0; c < kFramePixels; c++)
    if (thresholds[c] < u) frame[c] = (final_picture[c] >> 3) & 0x1F1F1F;
}

TEST_F(WholeWipeScene, EnteredPast9195ItRunsOnlyTheDissolve) {
  std::vector<uint8_t> thresholds(kFramePixels);
  uint8_t palette[768];
  load_picture(PIC_THRESHOLD, thresholds.data(), thresholds.size(), palette);
  std::vector<uint32_t> final_picture = embedded_picture(PIC_FINAL), expected(kFramePixels, 0);
  EXPECT_EQ(run_scene_paced(scene_picture_wipes, &run, 9250, 3), 1);
  ASSERT_FALSE(run.frames.empty());
  // Every frame is the dissolve at its tick: no wipe frame, no gallery picture.
  for (const ShownFrame& f : run.frames) {
    dissolve_step(expected, thresholds, final_picture, static_cast<int32_t>(f.tick - 9196));
    ASSERT_EQ(f.hash, checksum(expected)) << f.tick;
  }
  EXPECT_EQ(run.frames.front().tick, 9250u);
  EXPECT_GT(run.frames.back().tick, 9448u);
  EXPECT_LE(run.frames.back().tick, 9451u);
  EXPECT_EQ(run.polls, 1);  // the dissolve does not poll; the closing poll does
}

TEST_F(WholeWipeScene, EnteredAfterItsWindowReturnsWithoutAFrame) {
  EXPECT_EQ(run_scene_paced(scene_picture_wipes, &run, 9452, 1), 1);
  EXPECT_TRUE(run.frames.empty());
  EXPECT_LT(int(run.readings.size()), 20);
}

// Each stage at its wipe start shows the picture the previous stage brought
// in; 300 ticks later its own. The last wipe goes to black.
TEST_F(WholeWipeScene, StagesBringInTheGalleryOneAfterAnother) {
  const PictureRole gallery[5] = {PIC_GALLERY_1, PIC_GALLERY_2, PIC_GALLERY_3, PIC_GALLERY_4, PIC_GALLERY_5};
  std::vector<uint64_t> shown = {checksum(std::vector<uint32_t>(kFramePixels, 0))};
  for (PictureRole role : gallery) shown.push_back(checksum(embedded_picture(role)));
  shown.push_back(shown[0]);
  run.keep_ticks = {};
  EXPECT_EQ(run_scene_paced(scene_picture_wipes, &run, 6796, 1), 1);
  for (int stage = 0; stage < kWipeStages; stage++) {
    uint32_t t0 = kWipeStage[stage].start;
    for (const ShownFrame& f : run.frames) {
      if (f.tick == t0) {
        EXPECT_EQ(f.hash, shown[stage]) << "stage " << stage + 1 << " at T0";
      }
      if (f.tick >= t0 + 300 && f.tick <= kWipeStage[stage].limit) {
        ASSERT_EQ(f.hash, shown[stage + 1]) << "stage " << stage + 1 << " at " << f.tick;
      }
    }
  }
  EXPECT_EQ(run.frames.size(), 9451u - 6796u + 1u);
}

TEST_F(WholeWipeScene, EscapeAfterAWipeFrameEndsTheStagesAndAFurtherOneTheShow) {
  run.escape_ticks = {7000};
  EXPECT_EQ(run_scene_paced(scene_picture_wipes, &run, 6796, 5), 1);
  EXPECT_LT(run.frames.back().tick, 7006u);  // no dissolve after it
  run.escape_ticks = {7000, 7000};
  EXPECT_EQ(run_scene_paced(scene_picture_wipes, &run, 6796, 5), 0);
  EXPECT_LT(run.frames.back().tick, 7006u);
  // An Escape during the dissolve is seen only by the closing poll.
  run.escape_ticks = {9300};
  EXPECT_EQ(run_scene_paced(scene_picture_wipes, &run, 9250, 5), 0);
  EXPECT_GT(run.frames.back().tick, 9440u);
}

}  // namespace
