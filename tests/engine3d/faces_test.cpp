#include "engine3d/faces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine3d/world.h"
#include "tests/engine3d/raster_support.h"

namespace {

// An object of V vertices and F faces in the work buffers, with screen
// points, view vertices and rotated normals the test writes directly.
struct FacesTest : testing::Test {
  World w;
  Object3D* o = nullptr;
  void SetUp() override {
    engine_reset();
    ASSERT_EQ(world_init(&w), 0);
  }
  void make(int vertices, int faces) {
    o = object_alloc(vertices, faces, true);
    ASSERT_NE(o, nullptr);
    object_finish(o);
  }
  void TearDown() override {
    object_free(o);
    world_release(&w);
    engine_reset();
  }
  void vertex(int i, int sx, int sy, int z) {
    o->screen_points[2 * i] = sx;
    o->screen_points[2 * i + 1] = sy;
    o->view_vertices[i] = {0, 0, z};
  }
  void face(int j, int a, int b, int c) {
    o->faces[j][0] = a, o->faces[j][1] = b, o->faces[j][2] = c, o->faces[j][3] = -1;
  }
  bool counters_zero() const {
    for (int b = 0; b < kFaceBucketCount; b++)
      if (engine.bucket_count[b] != 0) return false;
    return true;
  }
};

TEST_F(FacesTest, CullAndKey) {
  make(5, 6);
  o->radius = 100;
  o->depth = 1000;
  vertex(0, 10, 10, -1000);
  vertex(1, 20, 10, -1000);
  vertex(2, 20, 20, -1000);
  vertex(3, 30, 10, -1000);  // on the line through 0 and 1
  vertex(4, 15, 15, 50000);  // behind the eye
  face(0, 0, 1, 2);  // clockwise on screen (y down): kept
  face(1, 2, 1, 0);  // counter-clockwise: dropped
  face(2, 0, 1, 3);  // zero area: kept
  face(3, 0, 1, 4);  // centre behind the eye: dropped
  face(4, 0, 1, 2);
  face(5, 0, 1, 2);
  // Keys: base 3 x (100 - 1000) = -2700; zsum -3000 gives 300 >> 7 = 2.
  // Far faces clamp to 255, near ones to 0.
  vertex(0, 10, 10, -1000);
  EXPECT_EQ(faces_cull_and_key(o), 4);
  EXPECT_EQ(o->visible_faces[0], 0);
  EXPECT_EQ(o->visible_faces[1], 8);
  EXPECT_EQ(o->visible_faces[2], 16);
  EXPECT_EQ(o->face_keys[0], 2);
  o->depth = -1;  // base 3 x 101: key (303 + 3000) >> 7 = 25
  faces_cull_and_key(o);
  EXPECT_EQ(o->face_keys[0], 25);
  o->depth = 20000;
  EXPECT_EQ((faces_cull_and_key(o), o->face_keys[0]), 0);
  o->depth = -20000;  // (3 x 20100 + 3000) >> 7 = 494 -> 255
  EXPECT_EQ((faces_cull_and_key(o), o->face_keys[0]), 255);
  o->depth = -9600;  // (29100 + 3000) >> 7 = 250
  EXPECT_EQ((faces_cull_and_key(o), o->face_keys[0]), 250);
}

std::vector<int32_t> visited;
void record(const Object3D*, int32_t f) { visited.push_back(f); }

TEST_F(FacesTest, BucketOrderMatchesSortByKey) {
  make(3, 5000);
  std::mt19937 rng(7);
  for (int round = 0; round < 20; round++) {
    const int n = 1 + static_cast<int>(rng() % 5000);
    std::vector<std::pair<int, int>> want;  // (key, i)
    for (int i = 0; i < n; i++) {
      o->face_keys[i] = static_cast<int32_t>(rng() % (round < 10 ? 256 : 3));
      o->visible_faces[i] = 4 * i;
      want.push_back({o->face_keys[i], i});
    }
    // Highest key first; within a key the last put in comes out first.
    std::sort(want.begin(), want.end(), [](auto a, auto b) { return a.first != b.first ? a.first > b.first : a.second > b.second; });
    visited.clear();
    faces_in_bucket_order(o, n, record);
    ASSERT_EQ(visited.size(), static_cast<size_t>(n));
    for (int k = 0; k < n; k++) ASSERT_EQ(visited[k], 4 * want[k].second) << "round " << round << " at " << k;
    EXPECT_TRUE(counters_zero());
  }
}

TEST_F(FacesTest, FullBucketSpillsToTheNextNearer) {
  make(3, 3 * kFaceBucketDepth);
  struct Case {
    int key, n, spilled_to, first, last;  // first and last face index visited
  } cases[] = {
      {200, kFaceBucketDepth + 5, 199, kFaceBucketDepth - 1, kFaceBucketDepth},
      {0, kFaceBucketDepth + 3, 1, kFaceBucketDepth + 2, 0},
      {255, 2 * kFaceBucketDepth + 1, 253, kFaceBucketDepth - 1, 2 * kFaceBucketDepth},
  };
  for (const Case& k : cases) {
    for (int i = 0; i < k.n; i++) o->face_keys[i] = k.key, o->visible_faces[i] = 4 * i;
    // A canary just past the bucket's end (the next bucket's first entry).
    const int next = k.key == 255 ? 254 : k.key + 1;
    engine.bucket[next][0] = -77;
    visited.clear();
    faces_in_bucket_order(o, k.n, record);
    ASSERT_EQ(visited.size(), static_cast<size_t>(k.n));
    std::vector<int32_t> sorted = visited;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < k.n; i++) ASSERT_EQ(sorted[i], 4 * i);  // every face once
    EXPECT_EQ(visited.front(), 4 * k.first);
    EXPECT_EQ(visited.back(), 4 * k.last);
    if (k.key != 255 && k.spilled_to != next) {
      EXPECT_EQ(engine.bucket[next][0], -77);
    }
    EXPECT_TRUE(counters_zero());
  }
}

TEST_F(FacesTest, Corners) {
  make(3, 1);
  face(0, 0, 1, 2);
  vertex(0, 1, 2, -1000);
  vertex(1, 3, 4, -200000);
  vertex(2, 5, 6, -3);
  o->texture_coords[0][0] = 11, o->texture_coords[0][1] = 12;
  o->rotated_normals[0] = {121, 0, 0};
  o->rotated_normals[1] = {0, -121, 0};
  o->rotated_normals[2] = {0, 0, 121};
  PolyVertex c[4] = {};
  o->render_flags = kModeEnvironment;
  ASSERT_EQ(face_corners(o, 0, c), 3);
  EXPECT_EQ(c[0].slot[kSlotEnvU], 249);
  EXPECT_EQ(c[0].slot[kSlotEnvV], 128);
  EXPECT_EQ(c[1].slot[kSlotEnvU], 128);
  EXPECT_EQ(c[1].slot[kSlotEnvV], 249);
  EXPECT_EQ(c[1].slot[kSlotX], 3);
  EXPECT_EQ(c[1].slot[kSlotY], 4);
  o->render_flags = kModeTextureEnvironment;
  face_corners(o, 0, c);
  EXPECT_EQ(c[0].slot[kSlotU], 11);
  EXPECT_EQ(c[0].slot[kSlotV], 12);
  EXPECT_EQ(c[0].slot[kSlotEnvU], 249);
  ASSERT_EQ(depth_buffer_alloc(true), 0);
  face_corners(o, 0, c);
  EXPECT_EQ(c[0].slot[kSlotZ], 500);
  EXPECT_EQ(c[1].slot[kSlotZ], 65535);
  EXPECT_EQ(c[2].slot[kSlotZ], 1);
  o->render_flags = kModeTexture | kModePerspective;
  face_corners(o, 0, c);
  EXPECT_EQ(c[1].slot[kSlotZ], 200000);
}

TEST_F(FacesTest, Shades) {
  make(3, 1);
  face(0, 0, 1, 2);
  o->position_x = 900, o->position_y = 0, o->position_z = -400;  // light straight along +y
  struct Case {
    int flags;
    Point3 n0, n1, n2;
    int32_t shade[3];
  } cases[] = {
      {kModeSmooth, {0, 121, 0}, {121, 0, 0}, {0, -121, 0}, {255, 0, 0}},
      {kModeSmooth, {0, 60, 60}, {0, 0, 0}, {0, 0, 0}, {181, 0, 0}},
      {kModeFlat, {0, 121, 0}, {121, 0, 0}, {0, 0, 0}, {181, -1, -1}},  // sum (121, 121, 0)
      {kModeFlat, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, -1, -1}},       // zero normal: minimum
  };
  for (const Case& k : cases) {
    o->render_flags = k.flags;
    o->rotated_normals[0] = k.n0, o->rotated_normals[1] = k.n1, o->rotated_normals[2] = k.n2;
    for (int e = 0; e < 3; e++) {
      if (k.shade[e] < 0) continue;
      EXPECT_EQ(shade_value(o, e), k.shade[e]) << k.flags << " corner " << e;
    }
  }
  // Light at the object's origin: zero length, the minimum.
  o->render_flags = kModeSmooth;
  o->rotated_normals[0] = {0, 121, 0};
  o->position_y = 10000;
  EXPECT_EQ(shade_value(o, 0), 0);
  // Far light and huge normals: no 32-bit overflow, still straight on.
  o->position_y = -2000000000;
  o->rotated_normals[0] = {0, 2000000000, 0};
  EXPECT_EQ(shade_value(o, 0), 255);
  set_shade_range(16, 64);
  EXPECT_EQ(shade_value(o, 0), 79);
  o->rotated_normals[0] = {0, -121, 0};
  EXPECT_EQ(shade_value(o, 0), 16);
  set_shade_range(-1, 64);
  set_shade_range(3, -1);
  EXPECT_EQ(engine.shade_min, 16);
  EXPECT_EQ(engine.shade_max, 79);
  set_light_position(1, 2);
  EXPECT_EQ(engine.light.x, 1);
  EXPECT_EQ(engine.light.z, -400);
}

// A face seen from the front is drawn; every face behind the eye draws
// nothing; the counters are zero after each object.
TEST_F(FacesTest, DrawsAndLeavesCountersZero) {
  TestTarget t(8, 4, 8);
  make(3, 2);
  o->radius = 1, o->depth = 0;
  vertex(0, 0, 0, -100);
  vertex(1, 8, 0, -100);
  vertex(2, 8, 4, -100);
  face(0, 0, 1, 2);
  face(1, 0, 1, 2);
  o->position_x = 900, o->position_y = 0, o->position_z = -400;
  o->rotated_normals[0] = o->rotated_normals[1] = o->rotated_normals[2] = {0, 121, 0};
  o->render_flags = kModeFlat;
  object_draw(o);
  EXPECT_TRUE(counters_zero());
  EXPECT_EQ(t.at(6, 1), 255u);
  EXPECT_EQ(t.at(0, 3), 0u);
  TestTarget t2(8, 4, 8);
  for (int i = 0; i < 3; i++) o->view_vertices[i].z = 10;
  object_draw(o);
  EXPECT_EQ(t2.rows(), (std::vector<std::string>{"........", "........", "........", "........"}));
  EXPECT_TRUE(counters_zero());
}

}  // namespace
