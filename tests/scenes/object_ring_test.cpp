// The object ring: late entry, the slide at the end, the spins, and whole
// runs of the scene function on a fake clock against its frame routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

TEST(ObjectRingScene, TheCameraTargetCirclesAndNodsWithTheClock) {
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  // (14096 cos(t pi/512), 1096 cos(t pi/1024), 14096 sin(t pi/512) - 8000),
  // each truncated toward zero.
  const struct {
    uint32_t t;
    int32_t x, y, z;
  } cases[] = {{9600, -9967, -419, 1967}, {10000, 1381, 812, -22028}, {10400, 7831, 966, 3720}};
  for (const auto& c : cases) {
    object_ring_frame(&s, c.t);
    const World& w = s.world.world;
    EXPECT_EQ(w.target_x, c.x) << c.t;
    EXPECT_EQ(w.target_y, c.y) << c.t;
    EXPECT_EQ(w.target_z, c.z) << c.t;
    EXPECT_EQ(w.eye_x, 0);
    EXPECT_EQ(w.eye_y, 0);
    EXPECT_EQ(w.eye_z, 8000) << "the camera never moves";
  }
}

TEST(ObjectRingScene, EachFrameFadesTheTrailsBy15SixteenthsAndAddsTheBackground) {
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  object_ring_frame(&s, 9600);  // objects on black: the render target started zeroed
  object_ring_frame(&s, 9601);  // objects on the background
  for (int m = 0; m < kTrailPixels; m++) ASSERT_EQ(s.render[m], s.background[m]) << "render target reset at " << m;
  std::vector<uint32_t> before(s.trails, s.trails + kFramePixels);
  // A frame without objects: every trail pixel, objects' trails included,
  // keeps 15/16 of each channel and gains the background pixel.
  world_destroy_objects(&s.world.world);
  object_ring_frame(&s, 9602);
  int trails = 0;
  for (int m = 0; m < kTrailPixels; m++) {
    uint32_t d = before[m], faded = 0;
    for (int shift = 0; shift < 24; shift += 8) faded |= (15 * (d >> shift & 255) >> 4) << shift;
    ASSERT_EQ(s.trails[m], faded + s.background[m]) << "pixel " << m;
    trails += d != faded + s.background[m];
  }
  EXPECT_GT(trails, 1000) << "the objects of tick 9601 left something to fade";
  for (int m = kTrailPixels; m < kFramePixels; m++) ASSERT_EQ(s.trails[m], 0u) << "row 199 stays black";
}

// The ring's objects on their own, as the show runs the scene (its first
// frame comes on the reading after the picture wipes' last tick), with the
// background left black so that only the objects and their trails light
// pixels: at tick 10100 they must read as shiny solids, not as faint smoke.
// The dark night map of old lit them with a mean of (5.2, 8.0, 22.3) and a
// 99th percentile of 71 here.
TEST(ObjectRingScene, TheObjectsShineOverTheBackground) {
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  std::fill(s.background, s.background + kFramePixels, 0u);
  for (uint32_t t = kSceneStartTick[kSceneObjectRing] + 1; t <= 10100; t++) object_ring_frame(&s, t);
  ObjectPixels p = lit_pixel_levels(s.trails, kTrailPixels);
  std::printf("objects at tick 10100: %d pixels, mean (%.1f, %.1f, %.1f), p99 %d, max %d\n", p.count, p.mean[0],
              p.mean[1], p.mean[2], p.p99, p.max);
  EXPECT_GT(p.count, kFramePixels / 20);
  EXPECT_GE(p.mean[0] + p.mean[1] + p.mean[2], 2 * (5.2 + 8.0 + 22.3)) << "twice the old map's brightness";
  EXPECT_GE(p.p99, 130) << "highlights";
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
