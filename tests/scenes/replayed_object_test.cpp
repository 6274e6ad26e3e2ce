// The replayed object: the pre-rendered turn, the time wave, the corner copy,
// the fade, the end with the music, and whole runs of the scene function on a
// fake clock against its frame routines.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/tables.h"
#include "engine3d/faces.h"
#include "engine3d/raster.h"
#include "engine3d/world.h"
#include "player/playback.h"
#include "scenes/replayed_object.h"
#include "scenes/scenes.h"
#include "tests/scenes/scenes3d_support.h"
#include "tests/support/scene_run.h"

namespace {

TEST(CornerCopy, TheCornerShowsTheWholeFrameAtAQuarterOfItsSize) {
  std::vector<uint32_t> frame(kFramePixels);
  for (int m = 0; m < kFramePixels; m++) frame[m] = static_cast<uint32_t>(m);
  corner_copy(frame.data());
  // Row 0 reads row 0, left to right: pixel n becomes pixel 4n.
  for (int n = 0; n < 80; n++) EXPECT_EQ(frame[n], 4u * n) << n;
  for (int n = 80; n < kFrameWidth; n++) EXPECT_EQ(frame[n], static_cast<uint32_t>(n)) << n;
  for (int j = 1; j < 50; j++)
    for (int n = 0; n < 80; n++) ASSERT_EQ(frame[j * kFrameWidth + n], static_cast<uint32_t>(4 * j * kFrameWidth + 4 * n));
  for (int m = 50 * kFrameWidth; m < kFramePixels; m++) ASSERT_EQ(frame[m], static_cast<uint32_t>(m));
}

TEST(ReplayFade, LevelsRunFrom254AtTick15893To0FromTick16147) {
  const struct {
    uint32_t clock;
    int32_t level;
  } cases[] = {{15893, 254}, {15894, 253}, {16000, 147}, {16146, 1}, {16147, 0}, {16191, 0}, {40000, 0}};
  for (const auto& c : cases) EXPECT_EQ(replay_fade_level(c.clock), c.level) << c.clock;
}

TEST(ReplayFade, ScalesEveryChannelAndKeepsTheTopByte) {
  build_mul_table();
  std::vector<uint32_t> frame(kFramePixels, 0x01FF8040u);
  fade_frame(frame.data(), 254);
  EXPECT_EQ(frame[0], 0x01FD7F3Fu);  // 255, 128, 64 times 254 / 256, rounded down
  EXPECT_EQ(frame[kFramePixels - 1], 0x01FD7F3Fu);
  fade_frame(frame.data(), 0);
  EXPECT_EQ(frame[12345], 0x01000000u);
}

TEST(TimeWave, ATriangleFrom21To5AndBackEvery512Ticks) {
  const struct {
    uint32_t c1;
    int32_t amplitude;
  } cases[] = {{0, 21}, {15, 21}, {16, 20}, {128, 13}, {256, 5}, {271, 5}, {384, 13}, {512, 21}, {15000, 12}};
  for (const auto& c : cases) EXPECT_EQ(wave_amplitude(c.c1), c.amplitude) << c.c1;
  EXPECT_EQ(base_animation_frame(0), 0u);
  EXPECT_EQ(base_animation_frame(513), 0u);
  EXPECT_EQ(base_animation_frame(15001), 76u);
}

// Frame k shows the object at angle x = trunc(sin(k pi/128) 128 + 640),
// y = 4k, z = trunc(sin(k pi/128) 64 + 128), seen from (0, 0, 20000) with the
// object at z 10000. A few poses are drawn here by hand and compared.
TEST(Prerendering, FrameKShowsTheObjectInPoseK) {
  ReplayedObject s{};
  ASSERT_EQ(replayed_object_open(&s), kSetUpDone);
  prerender_animation(&s);
  World& w = s.world.world;
  world_rewind(&w);
  Object3D* o = world_next(&w);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->position_z, 10000);
  EXPECT_EQ(w.eye_z, 20000);
  // The last frame's pose stays on the object.
  EXPECT_EQ(o->angle_x, 636);
  EXPECT_EQ(o->angle_y, 1020);
  EXPECT_EQ(o->angle_z, 126);
  const struct {
    int k;
    int32_t x, y, z;
  } poses[] = {{0, 640, 0, 128}, {32, 730, 128, 173}, {64, 768, 256, 192}, {192, 512, 768, 64}};
  std::vector<uint8_t> drawn(kAnimationFrameBytes);
  for (const auto& p : poses) {
    std::memset(drawn.data(), 0, drawn.size());
    render_target_set(drawn.data());
    o->angle_x = p.x, o->angle_y = p.y, o->angle_z = p.z;
    world_cull_and_sort(&w);
    object_rotate(o);
    object_place_and_project(&w, o);
    object_draw(o);
    const uint8_t* frame = s.animation + p.k * kAnimationFrameBytes;
    EXPECT_EQ(std::memcmp(frame, drawn.data(), drawn.size()), 0) << "frame " << p.k;
    int lit = 0;
    for (uint8_t v : drawn) lit += v != 0;
    EXPECT_GT(lit, 500) << "frame " << p.k;
  }
}

// Display colour n is the combined palette entry's 6-bit red and blue times
// 0.3846153846153846 and green times 0.35714285714285715, truncated: 5/13
// and 5/14, except that 39 x 0.3846... falls just short of 15.
TEST(Prerendering, DisplayColoursAreTheCombinedPaletteAtFiveThirteenthsAndFiveFourteenths) {
  ReplayedObject s{};
  ASSERT_EQ(replayed_object_open(&s), kSetUpDone);
  auto red_blue = [](int c) { return c == 39 ? 14 : 5 * c / 13; };
  int lit = 0;
  for (int n = 0; n < 256; n++) {
    const uint8_t* c = s.combined_palette + 3 * n;
    uint32_t expected = static_cast<uint32_t>(red_blue(c[0]) << 16 | (5 * c[1] / 14) << 8 | red_blue(c[2]));
    EXPECT_EQ(s.colours[n], expected) << "entry " << n;
    lit += expected != 0;
  }
  EXPECT_GT(lit, 128);
}

TEST(Playback, EveryOtherPairOfFramesSitsOneRowLower) {
  build_mul_table();
  ReplayedObject s{};
  ASSERT_EQ(replayed_object_open(&s), kSetUpDone);
  // Frame 0 of the animation one lit colour everywhere, the others empty.
  int lit = 1;
  while (lit < 255 && (s.colours[lit] & 0xFFFFFF) == 0) lit++;
  ASSERT_NE(s.colours[lit] & 0xFFFFFF, 0u);
  std::memset(s.animation, lit, kAnimationFrameBytes);
  std::vector<int> first_rows;
  for (int i = 0; i < 4; i++) {
    std::memset(s.frame, 0, kFrameBytes);
    // Base frame 0: line L shows frame 0 only where its wave height is 0,
    // around the wave's trough (lines 70 to 80).
    replay_frame(&s, 0, 0);
    int top = -1;
    for (int y = 50; y < kFrameHeight && top < 0; y++)
      if (s.frame[y * kFrameWidth + 300]) top = y;
    first_rows.push_back(top);
  }
  // Frames 1 and 4 (counter bit 1 clear) start at an even row, 2 and 3 one lower.
  EXPECT_EQ(first_rows[1], first_rows[0] + 1);
  EXPECT_EQ(first_rows[2], first_rows[0] + 1);
  EXPECT_EQ(first_rows[3], first_rows[0]);
}

TEST(ReplayedObjectScene, MusicStoppedBeforeTick14892StillWaitsThenEndsOnTheFirstTest) {
  ASSERT_EQ(load_speed_module(true), 1);
  ASSERT_EQ(pt_speed(), 0u);
  SceneRun run;
  run.first_tick = 14870;
  EXPECT_EQ(run_scene(scene_replayed_object, &run), 1);
  EXPECT_EQ(run.presents, 0);
  // The wait polls and reads until the clock passes 14,891; the loop's first
  // test polls, reads the clock and sees speed 0; then the closing poll.
  ASSERT_GE(run.events.size(), 5u);
  EXPECT_EQ(run.events.substr(run.events.size() - 5), "PTPTP");
  for (size_t i = 0; i + 3 < run.events.size(); i += 2) EXPECT_EQ(run.events.substr(i, 2), "PT");
  EXPECT_LE(run.readings[run.readings.size() - 3], kReplayWaitUntil);
  EXPECT_GT(run.readings[run.readings.size() - 2], kReplayWaitUntil);
}

TEST(ReplayedObjectScene, EscapeInTheWaitEndsOnlyTheWait) {
  ASSERT_EQ(load_speed_module(false), 1);
  for (int escapes : {2, 3}) {
    SceneRun run;
    run.first_tick = 14000;
    run.escape_polls = {0, 1};
    if (escapes == 3) run.escape_polls.insert(2);
    EXPECT_EQ(run_scene(scene_replayed_object, &run), escapes == 3 ? 0 : 1);
    EXPECT_EQ(run.events, "PPP");
  }
  SceneRun late;
  late.first_tick = kReplayLimit + 1;
  EXPECT_EQ(run_scene(scene_replayed_object, &late), 1);
  EXPECT_EQ(late.events, "PTPTP");
}

TEST(ReplayedObjectScene, EveryPresentedFrameIsTheRoutinesAtItsTicksFadingToBlack) {
  build_mul_table();
  ASSERT_EQ(load_speed_module(false), 1);
  SceneRun run;
  run.first_tick = 16060;
  run.keep_frames = true;
  EXPECT_EQ(run_scene(scene_replayed_object, &run), 1);
  ASSERT_EQ(run.events.substr(0, 2), "PT") << "the wait is over at its first reading";
  ReplayedObject s{};
  ASSERT_EQ(replayed_object_open(&s), kSetUpDone);
  prerender_animation(&s);
  size_t e = 2, r = 1;
  int frames = 0, black = 0;
  while (run.events.compare(e, 9, "PTTTTFFFF") == 0) {
    EXPECT_LE(run.readings[r], kReplayLimit);
    uint32_t c1 = run.readings[r + 1], c2 = run.readings[r + 2], clock = run.readings[r + 3];
    replay_frame(&s, c1, c2);
    if (clock > kReplayFadeStart) fade_frame(s.frame, replay_fade_level(clock));
    for (int i = 0; i < 4; i++) ASSERT_EQ(run.frame_hashes[4 * frames + i], frame_hash(s.frame)) << "at " << clock;
    bool dark = true;
    for (int m = 0; m < kFramePixels; m++) dark = dark && (s.frame[m] & 0xFFFFFF) == 0;
    // From level 0 on only black is left; until the level is low the trails
    // still show (the dimmest channels drop out first).
    if (clock >= 16147) {
      EXPECT_TRUE(dark) << "at " << clock;
      black++;
    } else if (clock < 16100) {
      EXPECT_FALSE(dark) << "at " << clock;
    }
    e += 9, r += 4, frames++;
  }
  EXPECT_EQ(run.events.substr(e), "PTP");
  EXPECT_GT(run.readings.back(), kReplayLimit);
  EXPECT_GT(frames, 20);
  EXPECT_GT(black, 5);
}

}  // namespace
