// What the 3D scenes share: the ring's layout and spins, and object data
// that cannot be used.
#include <gtest/gtest.h>

#include "engine3d/world.h"
#include "scenes/object_ring.h"
#include "scenes/scene3d_kit.h"
#include "scenes/scenes.h"
#include "scenes/whirl_greetings.h"

namespace {

TEST(ObjectRingLayout, TenObjectsStandWhereTheRingPutsThemAndSpinByTheirPlace) {
  struct Row {
    int k, x, y, z, s1, s2;
  };
  const Row ring[] = {
      {1, 7686, -622, 16802, 0, 2},      {2, 12436, 237, 6418, 1, 0},      {3, 12436, 237, -6418, 1, -1},
      {4, 7686, -622, -16802, 0, -3},    {5, 0, 769, -20769, 0, -3},       {6, -7686, -622, -16802, -1, -3},
      {7, -12436, 237, -6418, -2, -1},   {8, -12436, 237, 6418, -2, 0},    {9, -7686, -622, 16802, -1, 2},
      {10, 0, 769, 20769, 0, 2},
  };
  for (const Row& r : ring) {
    Point3 p = ring_position(kObjectRingShape, r.k);
    EXPECT_EQ(p.x, r.x) << "object " << r.k;
    EXPECT_EQ(p.y, r.y) << "object " << r.k;
    EXPECT_EQ(p.z, r.z) << "object " << r.k;
    EXPECT_EQ(p.x >> 13, r.s1) << "object " << r.k;
    EXPECT_EQ(p.z >> 13, r.s2) << "object " << r.k;
  }
}

TEST(WhirlRingLayout, TwentyObjectsOnACircleRisingAndFallingTwiceAround) {
  EXPECT_EQ(ring_position(kWhirlRingShape, 0).x, 0);
  EXPECT_EQ(ring_position(kWhirlRingShape, 0).y, 3700);
  EXPECT_EQ(ring_position(kWhirlRingShape, 0).z, 17000);
  EXPECT_EQ(ring_position(kWhirlRingShape, 5).x, 17000);  // a quarter turn
  EXPECT_EQ(ring_position(kWhirlRingShape, 5).z, 0);      // cos(pi / 2) truncates to 0
  EXPECT_EQ(ring_position(kWhirlRingShape, 10).z, -17000);
  EXPECT_EQ(ring_position(kWhirlRingShape, 1).y, 1143);   // cos(0.4 pi) = 0.309
  EXPECT_EQ(ring_position(kWhirlRingShape, 5).y, 3700);   // 5 x 0.4 pi = 2 pi
}

TEST(SpinAngle, IsTheRemainderOfTruncatingDivision) {
  const struct {
    int32_t step;
    uint32_t t;
    int32_t angle;
  } cases[] = {{0, 10000, 0}, {2, 10000, 544}, {-3, 10000, -304}, {1, 1023, 1023},
               {-1, 1024, 0}, {-2, 10451, -422}, {5, 4000000000u, 0}};
  for (const auto& c : cases) EXPECT_EQ(spin_angle(c.step, c.t), c.angle) << c.step << " x " << c.t;
}

TEST(RingBuild, ObjectDataThatCannotBeBuiltIsReported) {
  SceneWorld w;
  ASSERT_TRUE(w.open());
  // Counts promise more vertices than the bytes hold.
  const uint8_t truncated[] = {10, 0, 4, 0, 1, 2};
  const Blob models[2] = {model_data(MODEL_A), {truncated, sizeof truncated}};
  EXPECT_EQ(ring_build(&w.world, kObjectRingShape, models, 2), kSetUpBadData);
  EXPECT_EQ(w.world.object_count, 1) << "the first object was built before the bad one";
  w.release();

  ASSERT_TRUE(w.open());
  const Blob good[1] = {model_data(MODEL_C)};
  RingShape three = kObjectRingShape;
  three.count = 3;
  EXPECT_EQ(ring_build(&w.world, three, good, 1), kSetUpDone);
  world_rewind(&w.world);
  int k = 1;
  for (Object3D* o = world_next(&w.world); o; o = world_next(&w.world), k++) {
    EXPECT_NE(o->normals, nullptr);
    EXPECT_EQ(o->position_z, ring_position(three, k).z);
  }
  EXPECT_EQ(k, 4);
}

TEST(SetUpFailed, EveryFailureBecomesItsOwnResultNeverTheEscapeOfAScene) {
  EXPECT_EQ(set_up_failed(kSetUpBadData), kSceneBadObjectData);
  EXPECT_EQ(set_up_failed(kSetUpNoNormals), kSceneNoNormals);
  EXPECT_EQ(set_up_failed(kSetUpNoMemory), kSceneNoMemory);
}

}  // namespace
