#include "engine3d/world.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine3d/maths.h"

namespace {

// An object with no geometry whose radius and position the test sets.
Object3D* ball(int32_t radius, int32_t x, int32_t y, int32_t z) {
  Object3D* o = object_alloc(0, 0, false);
  object_finish(o);
  o->radius = radius;
  o->position_x = x, o->position_y = y, o->position_z = z;
  return o;
}

struct WorldTest : testing::Test {
  World w;
  void SetUp() override {
    engine_reset();
    ASSERT_EQ(world_init(&w), 0);
    // Eye at the origin looking down -z: view = world.
    w.target_x = 0, w.target_z = -1000;
  }
  void TearDown() override {
    world_destroy_objects(&w);
    world_release(&w);
    engine_reset();
  }
  std::vector<int32_t> depths_in_order() {
    std::vector<int32_t> d;
    world_rewind(&w);
    while (Object3D* o = world_next(&w)) d.push_back(o->depth);
    return d;
  }
};

TEST_F(WorldTest, EmptyWorldAndCursor) {
  EXPECT_EQ(world_cull_and_sort(&w), 0);
  world_rewind(&w);
  EXPECT_EQ(world_next(&w), nullptr);
  Object3D* a = ball(1, 0, 0, 0);
  Object3D* b = ball(1, 0, 0, 0);
  ASSERT_EQ(world_add(&w, a), 0);
  ASSERT_EQ(world_add(&w, b), 0);
  EXPECT_EQ(world_add(&w, nullptr), 1);
  EXPECT_EQ(world_add(nullptr, a), 1);
  EXPECT_EQ(world_init(nullptr), 1);
  world_rewind(&w);
  EXPECT_EQ(world_next(&w), a);
  EXPECT_EQ(world_next(&w), b);
  EXPECT_EQ(world_next(&w), nullptr);
  EXPECT_EQ(world_next(&w), a);  // starts again
  world_remove(&w, a);
  Object3D* stranger = ball(1, 0, 0, 0);
  world_remove(&w, stranger);  // not in the list: nothing changes
  EXPECT_EQ(w.object_count, 1);
  object_free(a);
  object_free(stranger);
  world_rewind(&w);
  EXPECT_EQ(world_next(&w), b);
}

TEST_F(WorldTest, Culling) {
  struct Case {
    int32_t x, y, z, radius, depth;
  } cases[] = {
      {0, 0, -1000, 100, 1000},
      {2000, 0, -1000, 100, -1},
      {-2000, 0, -1000, 100, -1},
      {476, 0, -1000, 100, 1000},   // 3 x (476 - 143) = 999: inside
      {477, 0, -1000, 100, -1},     // 1002: outside
      {0, 393, -1000, 100, 1000},   // (393 - 143) x 4 = 1000: inside
      {0, -394, -1000, 100, -1},
      {0, 0, 50, 100, -50},         // behind the eye but near the axis
      {0, 0, -2000000000, 5, 2000000000},
      {2000000000, 2000000000, -1, 1, -1},  // wide arithmetic, no wrap into view
      // |INT32_MIN| is 2^31, far outside; a view z of INT32_MIN is 2^31 deep,
      // stored as the largest depth.
      {INT32_MIN, 0, -1000, 100, -1},
      {0, INT32_MIN, -1000, 100, -1},
      {0, 0, INT32_MIN, 5, INT32_MAX},
  };
  for (const Case& k : cases) ASSERT_EQ(world_add(&w, ball(k.radius, k.x, k.y, k.z)), 0);
  ASSERT_EQ(world_cull_and_sort(&w), 0);
  world_rewind(&w);
  for (const Case& k : cases) {
    Object3D* o = world_next(&w);
    ASSERT_NE(o, nullptr);
    if (k.depth == -1) {
      EXPECT_EQ(o->position_x, k.x);  // outside objects keep their nodes
      EXPECT_EQ(o->position_y, k.y);
    }
  }
  std::vector<int32_t> got = depths_in_order();
  // Visible ones come farthest first; the outside ones sit in their nodes.
  EXPECT_EQ(got, (std::vector<int32_t>{INT32_MAX, -1, -1, 2000000000, -1, 1000, -1, 1000, 1000, -1, -1, -1, -50}));
  int outside = 0;
  for (size_t i = 0; i < got.size(); i++) {
    if (got[i] == -1) {
      outside++;
      EXPECT_EQ(cases[i].depth, -1) << i;
    }
  }
  EXPECT_EQ(outside, 7);
}

TEST_F(WorldTest, OrderFarthestFirstOrNearestWithDepthBuffer) {
  const int32_t z[] = {-500, -3000, -1000, -1000};
  Object3D* objects[4];
  for (int i = 0; i < 4; i++) ASSERT_EQ(world_add(&w, objects[i] = ball(10, 0, 0, z[i])), 0);
  Object3D* hidden = ball(10, 100000, 0, -10);
  world_add(&w, hidden);
  ASSERT_EQ(world_cull_and_sort(&w), 0);
  EXPECT_EQ(depths_in_order(), (std::vector<int32_t>{3000, 1000, 1000, 500, -1}));
  // Equal depths keep their relative order.
  world_rewind(&w);
  world_next(&w);
  EXPECT_EQ(world_next(&w), objects[2]);
  EXPECT_EQ(world_next(&w), objects[3]);

  ASSERT_EQ(depth_buffer_alloc(true), 0);
  ASSERT_EQ(world_cull_and_sort(&w), 0);
  EXPECT_EQ(depths_in_order(), (std::vector<int32_t>{500, 1000, 1000, 3000, -1}));
  world_rewind(&w);
  world_next(&w);
  EXPECT_EQ(world_next(&w), objects[2]);
  EXPECT_EQ(world_next(&w), objects[3]);
}

TEST_F(WorldTest, HiddenObjectKeepsItsNodeAmongSortedOnes) {
  const int32_t x[] = {0, 100000, 0};
  const int32_t z[] = {-500, -10, -3000};
  Object3D* objects[3];
  for (int i = 0; i < 3; i++) world_add(&w, objects[i] = ball(10, x[i], 0, z[i]));
  world_cull_and_sort(&w);
  world_rewind(&w);
  EXPECT_EQ(world_next(&w), objects[2]);
  EXPECT_EQ(world_next(&w), objects[1]);
  EXPECT_EQ(world_next(&w), objects[0]);
}

TEST(Project, Points) {
  const Point3 view[] = {{100, 50, -1000}, {7, 3, 0}, {7, 3, 500}, {-100, -50, -1000}, {1000000, 0, -1}};
  int32_t screen[10];
  project_points(5, view, screen, 320, 200, 256);
  const int32_t want[10] = {208, 80, 160 + 480 * 7, 100 - 400 * 3, 160 + 480 * 7, 100 - 400 * 3, 112, 120,
                            160 + 480000000, 100};
  for (int i = 0; i < 10; i++) EXPECT_EQ(screen[i], want[i]) << i;
  project_points(1, view, screen, 160, 100, 512);  // kx 240, ky 400
  EXPECT_EQ(screen[0], 80 + 24);
  EXPECT_EQ(screen[1], 50 - 20);
  // Far off screen near the eye: the quotient saturates instead of wrapping.
  const Point3 edge = {INT32_MAX, INT32_MIN, -1};
  project_points(1, &edge, screen, 640, 480, 256);
  EXPECT_EQ(screen[0], INT32_MAX);
  EXPECT_EQ(screen[1], INT32_MAX);
}

TEST(WorkBuffers, SharedBetweenWorlds) {
  engine_reset();
  World a, b;
  ASSERT_EQ(world_init(&a), 0);
  Point3* buffers = engine.view_vertices;
  ASSERT_EQ(world_init(&b), 0);
  EXPECT_EQ(engine.view_vertices, buffers);
  EXPECT_EQ(engine.work_users, 2);
  EXPECT_EQ(a.target_x, 128);
  EXPECT_EQ(a.vertical_scale, 256);
  world_release(&a);
  EXPECT_EQ(engine.view_vertices, buffers);
  world_release(&b);
  EXPECT_EQ(engine.view_vertices, nullptr);
  engine_reset();
}

TEST_F(WorldTest, RotatePlaceProject) {
  // One vertex at model (100, 0, 0) turned a quarter about z, placed at
  // (0, 0, -1000) and seen from the origin: view (0, -100, -1000).
  Object3D* o = object_alloc(1, 0, false);
  o->vertices[0] = {100, 0, 0};
  object_finish(o);
  o->angle_z = 256;
  o->position_z = -1000;
  world_add(&w, o);
  object_rotate(o);
  object_place_and_project(&w, o);
  EXPECT_EQ(o->view_vertices[0].x, 0);
  EXPECT_EQ(o->view_vertices[0].y, -100);
  EXPECT_EQ(o->view_vertices[0].z, -1000);
  EXPECT_EQ(o->screen_points[0], 160);
  EXPECT_EQ(o->screen_points[1], 100 + 40);
}

}  // namespace
