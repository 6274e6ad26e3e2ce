#include "engine3d/object.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/content.h"
#include "engine3d/object_data.h"
#include "engine3d/world.h"
#include "tests/engine3d/front_support.h"

namespace {

TEST(Object, ReadsAndSwapsWinding) {
  ModelBytes m({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {-3, -32768, 32767}}, {{0, 1, 2}, {3, 2, 1}},
               {{1, 2}, {3, 4}, {255, 0}, {7, 8}});
  Object3D* o = object_from_data(m.bytes.data(), m.bytes.size(), nullptr, true);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->vertex_count, 4);
  EXPECT_EQ(o->face_count, 2);
  const int32_t faces[2][4] = {{2, 1, 0, -1}, {1, 2, 3, -1}};
  for (int j = 0; j < 2; j++)
    for (int k = 0; k < 4; k++) EXPECT_EQ(o->faces[j][k], faces[j][k]) << j << k;
  EXPECT_EQ(o->vertices[3].y, -32768);
  EXPECT_EQ(o->vertices[3].z, 32767);
  EXPECT_EQ(o->texture_coords[2][0], 255);
  EXPECT_EQ(o->texture_coords[3][1], 8);
  EXPECT_EQ(o->render_flags, 1);
  EXPECT_EQ(o->normals, nullptr);
  object_free(o);
}

TEST(Object, RefusesBadData) {
  ModelBytes good({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, {{0, 0}, {0, 0}, {0, 0}});
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool texture;
  } cases[] = {
      {"no header", {3, 0}, false},
      {"one byte short of the coordinates", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 4 + 6 * 3 + 6 - 1), false},
      {"texture block missing", std::vector<uint8_t>(good.bytes.begin(), good.bytes.end() - 1), true},
      {"index equal to V", ModelBytes({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}}, {}).bytes, false},
      {"index 65535", ModelBytes({{0, 0, 0}}, {{0, 0, 0xFFFF}}, {}).bytes, false},
      {"negative vertex count", {0xFF, 0xFF, 0, 0}, false},
      {"too many vertices", {0x41, 0x9C, 0, 0}, false},  // 40,001
  };
  for (const Case& k : cases)
    EXPECT_EQ(object_from_data(k.bytes.data(), k.bytes.size(), nullptr, k.texture), nullptr) << k.what;
  // Without texture coordinates nothing past the faces is read or kept.
  const size_t plain = object_data_bytes(3, 1, false);
  Object3D* o = object_from_data(good.bytes.data(), plain, nullptr, false);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->texture_coords, nullptr);
  object_free(o);
  object_free(nullptr);
}

TEST(Object, Radius) {
  struct Case {
    std::vector<ModelBytes::V> vertices;
    int32_t radius;
  } cases[] = {
      {{}, 1},
      {{{3, 4, 0}}, 6},
      {{{0, 0, 5}, {-3, 0, 4}}, 6},
      {{{0, 0, 7}, {1, 1, 1}}, 8},
      // 3 x 32767^2 passes 2^31: sqrt(3221028867) = 56754.07...
      {{{-32767, 32767, -32767}}, 56755},
      {{{-32768, -32768, -32768}}, 56756},
  };
  for (const Case& k : cases) {
    ModelBytes m(k.vertices, {}, {});
    Object3D* o = object_from_data(m.bytes.data(), m.bytes.size(), nullptr, false);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->radius, k.radius);
    object_free(o);
  }
}

TEST(Object, Normals) {
  // The triangle (0,0,0), (100,0,0), (0,100,0) is stored swapped, so its normal points to -z.
  ModelBytes tri({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {9, 9, 9}}, {{0, 1, 2}}, {});
  Object3D* o = object_from_data(tri.bytes.data(), tri.bytes.size(), nullptr, false);
  ASSERT_EQ(object_build_normals(o), 0);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(o->normals[i].x, 0);
    EXPECT_EQ(o->normals[i].z, -121);
  }
  EXPECT_EQ(o->normals[3].z, 0);  // used by no face
  object_free(o);

  // Averaging truncates toward zero: face normals with x = -2 and -3 meet
  // at vertex 0, which gets -5 / 2 = -2 (not -3).
  ModelBytes two({{0, 0, 0}, {100, 0, -2}, {0, 100, 0}, {100, 0, -3}, {0, 100, 0}}, {{0, 1, 2}, {0, 3, 4}}, {});
  o = object_from_data(two.bytes.data(), two.bytes.size(), nullptr, false);
  ASSERT_EQ(object_build_normals(o), 0);
  EXPECT_EQ(o->normals[1].x, -2);
  EXPECT_EQ(o->normals[3].x, -3);
  EXPECT_EQ(o->normals[0].x, -2);
  object_free(o);
}

TEST(Object, NormalsAverageTheFirstFifteenFaces) {
  // Vertex 0 is shared by 20 faces; the first 15 face -z, the last 5 +x.
  std::vector<ModelBytes::V> v = {{0, 0, 0}};
  std::vector<ModelBytes::F> f;
  for (int j = 0; j < 20; j++) {
    const int n = static_cast<int>(v.size());
    if (j < 15) {
      v.push_back({100, 0, 0});
      v.push_back({0, 100, 0});
    } else {
      v.push_back({0, 100, 0});
      v.push_back({0, 0, 100});
    }
    f.push_back({0, n, n + 1});
  }
  ModelBytes m(v, f, {});
  Object3D* o = object_from_data(m.bytes.data(), m.bytes.size(), nullptr, false);
  ASSERT_EQ(object_build_normals(o), 0);
  EXPECT_EQ(o->normals[0].x, 0);
  EXPECT_EQ(o->normals[0].z, -121);
  object_free(o);
}

TEST(Object, EmbeddedModelsLoadAndAreClosed) {
  engine_reset();
  World w;
  ASSERT_EQ(world_init(&w), 0);
  const int counts[4][2] = {{130, 256}, {202, 400}, {128, 256}, {202, 400}};
  for (int id = 0; id < MODEL_COUNT; id++) {
    const Blob b = model_data(static_cast<ModelId>(id));
    Object3D* o = object_from_data(b.data, b.size, nullptr, true);
    ASSERT_NE(o, nullptr) << id;
    EXPECT_EQ(o->vertex_count, counts[id][0]);
    EXPECT_EQ(o->face_count, counts[id][1]);
    EXPECT_EQ(o->view_vertices, engine.view_vertices);
    EXPECT_EQ(object_build_normals(o), 0);
    EXPECT_GT(o->radius, 1000);
    EXPECT_LT(o->radius, 6000);
    // Every shortened copy is refused.
    EXPECT_EQ(object_from_data(b.data, b.size - 1, nullptr, true), nullptr);
    object_free(o);
  }
  world_release(&w);
  engine_reset();
}

}  // namespace
