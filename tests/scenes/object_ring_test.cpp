// The object ring: late entry, the slide at the end, the spins, and whole
// runs of the scene function on a fake clock against its frame routines.
#include <gtest/gtest.h>

#include <vector>

#include "engine3d/world.h"
#include "scenes/object_ring.h"
#include "scenes/scenes.h"
#include "tests/scenes/scenes3d_support.h"
#include "tests/support/scene_run.h"

namespace {

TEST(ObjectRingScene, EnteredAfterItsWindowItReturnsAtOnce) {
  for (bool escape : {false, true}) {
    SceneRun run;
    run.first_tick = kObjectRingLimit + 1;
    if (escape) run.escape_polls = {1};
    EXPECT_EQ(run_scene(scene_object_ring, &run), escape ? 0 : 1);
    EXPECT_EQ(run.events, "PTP") << "nothing drawn, only the closing poll";
  }
}

TEST(ObjectRingScene, ThePictureSlidesUpFromTick10253UntilOnlyBlackShows) {
  EXPECT_EQ(ring_window_row(10000), 0u);
  EXPECT_EQ(ring_window_row(10252), 0u);
  EXPECT_EQ(ring_window_row(10253), 1u);
  EXPECT_EQ(ring_window_row(10451), 199u);
  EXPECT_EQ(ring_window_row(10600), 200u) << "a late last frame stays inside the trail buffer";

  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  for (uint32_t t = 10240; t <= 10253; t++) object_ring_frame(&s, t);
  EXPECT_EQ(object_ring_window(s, 10252), s.trails);
  EXPECT_EQ(object_ring_window(s, 10253), s.trails + kFrameWidth);
  EXPECT_GT(lit_pixels(object_ring_window(s, 10253)), kFramePixels / 2) << "the background shows";
  for (uint32_t t = 10254; t <= 10451; t += 7) object_ring_frame(&s, t);
  EXPECT_TRUE(frame_is_black(object_ring_window(s, 10451)));
  // Row 199 is never added to, so the window's first row at 10451 is black too.
  for (int x = 0; x < kFrameWidth; x++) ASSERT_EQ(s.trails[199 * kFrameWidth + x], 0u) << x;
}

TEST(ObjectRingScene, ObjectsWithASpinStepOfZeroKeepThatAngleAtZero) {
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  int fixed_z = 0, fixed_y = 0, turned = 0;
  for (uint32_t t : {9500u, 9777u, 10001u}) {
    object_ring_frame(&s, t);
    World& w = s.world.world;
    world_rewind(&w);
    fixed_z = fixed_y = 0;
    for (Object3D* o = world_next(&w); o; o = world_next(&w)) {
      EXPECT_EQ(o->angle_x, 0);
      if (o->position_x >> 13 == 0) {
        fixed_z++;
        EXPECT_EQ(o->angle_z, 0) << "object at x " << o->position_x;
      }
      if (o->position_z >> 13 == 0) {
        fixed_y++;
        EXPECT_EQ(o->angle_y, 0) << "object at z " << o->position_z;
      }
      turned += o->angle_z != 0 || o->angle_y != 0;
    }
  }
  EXPECT_EQ(fixed_z, 4) << "objects 1, 4, 5 and 10";
  EXPECT_EQ(fixed_y, 2) << "objects 2 and 8";
  EXPECT_GT(turned, 20);
}

TEST(ObjectRingScene, DrawnObjectsLeaveFadingTrailsOverTheBackground) {
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  object_ring_frame(&s, 9600);  // objects on black: the render target started zeroed
  object_ring_frame(&s, 9601);  // objects on the background
  std::vector<uint32_t> before(s.trails, s.trails + kFramePixels);
  EXPECT_GT(lit_pixels(before.data()), kFramePixels / 2);
  // A frame with no change in the render target fades the trails by 15/16
  // and adds the background again.
  object_ring_frame(&s, 9602);
  int changed = 0;
  for (int m = 0; m < kTrailPixels; m++) changed += s.trails[m] != before[m];
  EXPECT_GT(changed, kTrailPixels / 4);
}

TEST(ObjectRingScene, EveryPresentedFrameIsTheWindowOfTheRoutinesAtItsTick) {
  SceneRun run;
  run.first_tick = 10380;
  run.keep_frames = true;
  EXPECT_EQ(run_scene(scene_object_ring, &run), 1);
  ASSERT_GT(run.presents, 30);
  ASSERT_EQ(run.events.size(), 4u * run.presents + 3) << run.events;
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  for (int f = 0; f < run.presents; f++) {
    ASSERT_EQ(run.events.substr(4 * f, 4), "PTTF");
    EXPECT_LE(run.readings[2 * f], kObjectRingLimit);
    uint32_t t = run.readings[2 * f + 1];
    object_ring_frame(&s, t);
    EXPECT_EQ(frame_hash(object_ring_window(s, t)), run.frame_hashes[f]) << "frame at tick " << t;
  }
  EXPECT_EQ(run.events.substr(run.events.size() - 3), "PTP");
  EXPECT_GT(run.readings.back(), kObjectRingLimit);
  EXPECT_TRUE(frame_is_black(object_ring_window(s, run.readings[run.readings.size() - 2])));
}

TEST(ObjectRingScene, EscapeEndsTheLoopAndASecondOneTheShow) {
  for (int escapes : {1, 2}) {
    SceneRun run;
    run.first_tick = 9500;
    run.escape_polls = {2};
    if (escapes == 2) run.escape_polls.insert(3);
    EXPECT_EQ(run_scene(scene_object_ring, &run), escapes == 2 ? 0 : 1);
    EXPECT_EQ(run.events, "PTTFPTTFPP");
  }
}

}  // namespace
