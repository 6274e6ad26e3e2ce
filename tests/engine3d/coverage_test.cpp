// The embedded models drawn whole: with a one-colour texture every pixel
// inside the silhouette is painted and none outside, checked against a mask
// computed in floating point from the model data alone.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "data/content.h"
#include "engine3d/faces.h"
#include "engine3d/world.h"
#include "tests/engine3d/raster_support.h"

namespace {

constexpr int kW = 160, kH = 100;

struct Vec {
  double x, y;
};

// The model turned by (a, b, c) (y first, then x, then z), placed at the
// origin and seen from (0, 0, eye) down -z: screen points in doubles.
std::vector<Vec> project_model(const Object3D* o, int a, int b, int c, int eye) {
  const double A = a * M_PI / 512, B = b * M_PI / 512, C = c * M_PI / 512;
  std::vector<Vec> out;
  for (int i = 0; i < o->vertex_count; i++) {
    double x = o->vertices[i].x, y = o->vertices[i].y, z = o->vertices[i].z;
    double t = std::cos(B) * x - std::sin(B) * z;  // about y
    z = std::sin(B) * x + std::cos(B) * z;
    x = t;
    t = std::cos(A) * y - std::sin(A) * z;  // about x
    z = std::sin(A) * y + std::cos(A) * z;
    y = t;
    t = std::cos(C) * x + std::sin(C) * y;  // about z
    y = -std::sin(C) * x + std::cos(C) * y;
    x = t;
    const double d = eye - z;
    // Screen positions are whole pixels, truncated toward zero from the centre.
    out.push_back({kW / 2 + std::trunc(1.5 * kW * x / d), kH / 2 - std::trunc(2.0 * kH * y / d)});
  }
  return out;
}

double edge(Vec p, Vec q, double x, double y) { return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x); }

// Union of every face, front or back: the silhouette of a closed surface.
std::vector<uint8_t> silhouette(const Object3D* o, const std::vector<Vec>& s) {
  std::vector<uint8_t> mask(kW * kH, 0);
  for (int j = 0; j < o->face_count; j++) {
    const Vec p = s[o->faces[j][0]], q = s[o->faces[j][1]], r = s[o->faces[j][2]];
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({p.x, q.x, r.x}))));
    const int x1 = std::min(kW - 1, static_cast<int>(std::ceil(std::max({p.x, q.x, r.x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({p.y, q.y, r.y}))));
    const int y1 = std::min(kH - 1, static_cast<int>(std::ceil(std::max({p.y, q.y, r.y}))));
    for (int y = y0; y <= y1; y++)
      for (int x = x0; x <= x1; x++) {
        const double cx = x + 0.5, cy = y + 0.5;
        const double e0 = edge(p, q, cx, cy), e1 = edge(q, r, cx, cy), e2 = edge(r, p, cx, cy);
        if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) mask[y * kW + x] = 1;
      }
  }
  return mask;
}

bool near_boundary(const std::vector<uint8_t>& mask, int x, int y) {
  for (int dy = -1; dy <= 1; dy++)
    for (int dx = -1; dx <= 1; dx++) {
      const int u = x + dx, v = y + dy;
      const uint8_t m = (u < 0 || v < 0 || u >= kW || v >= kH) ? 0 : mask[v * kW + u];
      if (m != mask[y * kW + x]) return true;
    }
  return false;
}

// Pixels within one pixel of a contour: an edge between a face turned to the
// viewer and one turned away (the outline, and the folds inside it where a
// spike passes in front of the body). Along these the rasteriser's pixel
// rule may take or leave a sliver.
std::vector<uint8_t> contour_band(const Object3D* o, const std::vector<Vec>& s) {
  std::vector<uint8_t> band(kW * kH, 0);
  std::map<std::pair<int, int>, int> facing;  // edge -> sum of 1 front, 4 back, 16 edge-on
  for (int j = 0; j < o->face_count; j++) {
    const Vec p = s[o->faces[j][0]], q = s[o->faces[j][1]], r = s[o->faces[j][2]];
    const double cross = (q.y - p.y) * (r.x - q.x) - (r.y - q.y) * (q.x - p.x);
    const double longest = std::max({std::hypot(q.x - p.x, q.y - p.y), std::hypot(r.x - q.x, r.y - q.y),
                                     std::hypot(p.x - r.x, p.y - r.y)});
    // A face seen edge-on (under a pixel thick) is outline on every side.
    const int kind = std::fabs(cross) <= longest ? 16 : cross <= 0 ? 1 : 4;
    for (int k = 0; k < 3; k++) {
      const int a = o->faces[j][k], b = o->faces[j][(k + 1) % 3];
      facing[{std::min(a, b), std::max(a, b)}] += kind;
    }
  }
  for (const auto& [e, sum] : facing) {
    if (sum == 2 || sum == 8) continue;  // front-front and back-back edges lie inside
    const Vec p = s[e.first], q = s[e.second];
    const int steps = 2 * static_cast<int>(std::max(std::fabs(q.x - p.x), std::fabs(q.y - p.y))) + 2;
    for (int i = 0; i <= steps; i++) {
      const double x = p.x + (q.x - p.x) * i / steps, y = p.y + (q.y - p.y) * i / steps;
      for (int dy = -2; dy <= 1; dy++)
        for (int dx = -2; dx <= 1; dx++) {
          const int u = static_cast<int>(std::floor(x)) + dx + 1, v = static_cast<int>(std::floor(y)) + dy + 1;
          if (u >= 0 && v >= 0 && u < kW && v < kH) band[v * kW + u] = 1;
        }
    }
  }
  return band;
}

uint32_t one_colour(int, int) { return 7; }

// A fresh engine and a world seen from (0, 0, eye) down -z; 0, or 1 when
// the world cannot be set up.
int open_world(World* w, int eye) {
  engine_reset();
  if (world_init(w) != 0) return 1;
  w->eye_z = eye;
  w->target_x = 0;
  return 0;
}

// Embedded model id as an object in the world, or null.
Object3D* add_model(World* w, int id) {
  const Blob b = model_data(static_cast<ModelId>(id));
  Object3D* o = object_from_data(b.data, b.size, nullptr, true);
  if (o && world_add(w, o) != 0) {
    object_free(o);
    return nullptr;
  }
  return o;
}

// The 24 views, spread over every axis.
void turn_to_view(Object3D* o, int view) {
  o->angle_x = view * 173 % 1024, o->angle_y = view * 311 % 1024, o->angle_z = view * 97 % 1024;
}

TEST(Coverage, ModelsFromManyAnglesHaveNoHolesAndNoSpill) {
  World w;
  ASSERT_EQ(open_world(&w, 8000), 0);
  TestTexture texture(1, one_colour);
  for (int id = 0; id < MODEL_COUNT; id++) {
    Object3D* o = add_model(&w, id);
    ASSERT_NE(o, nullptr);
    o->render_flags = kModeTexture;
    o->texture1 = texture.data();
    for (int view = 0; view < 24; view++) {
      turn_to_view(o, view);
      TestTarget t(kW, kH, 8);
      world_draw(&w);
      for (int k = 0; k < kFaceBucketCount; k++) ASSERT_EQ(engine.bucket_count[k], 0);
      const std::vector<Vec> screen = project_model(o, o->angle_x, o->angle_y, o->angle_z, 8000);
      const std::vector<uint8_t> mask = silhouette(o, screen), band = contour_band(o, screen);
      int holes = 0, spill = 0, inside = 0;
      for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
          const bool drawn = t.at(x, y) != 0, in = mask[y * kW + x] != 0;
          inside += in;
          if (drawn == in || near_boundary(mask, x, y) || band[y * kW + x]) continue;
          (in ? holes : spill)++;
          if (holes + spill <= 3) ADD_FAILURE() << (in ? "hole" : "spill") << " at " << x << "," << y;
          if (drawn && t.at(x, y) != 7) ADD_FAILURE() << "pixel " << t.at(x, y);
        }
      EXPECT_GT(inside, 300) << "model " << id << " view " << view;
      EXPECT_EQ(holes, 0) << "model " << id << " view " << view;
      EXPECT_EQ(spill, 0) << "model " << id << " view " << view;
    }
    world_remove(&w, o);
    object_free(o);
  }
  world_release(&w);
  engine_reset();
}

// Each visible face drawn alone, depth-tested, with a texture whose texel
// holds its own (u, v): every pixel must read a texel within the face's
// corners' range. Thin faces along a part's outline once read texels from
// the far side of the map, dotting nearer parts' edges with other colours.
struct FaceTexels {
  TestTarget* target;
  int pixels, strays;
  std::string first_stray;
};
FaceTexels* face_texels;

uint32_t texel_holding_uv(int u, int v) { return static_cast<uint32_t>(u << 16 | v << 8 | 1); }

void draw_alone_and_check_texels(const Object3D* o, int32_t f) {
  FaceTexels& c = *face_texels;
  render_mode_select(o->render_flags | kModeDepthTested);
  PolyVertex corner[4] = {};
  const int n = face_corners(o, f, corner);
  int u0 = 255, u1 = 0, v0 = 255, v1 = 0;
  for (int k = 0; k < n; k++) {
    u0 = std::min(u0, corner[k].slot[kSlotU]), u1 = std::max(u1, corner[k].slot[kSlotU]);
    v0 = std::min(v0, corner[k].slot[kSlotV]), v1 = std::max(v1, corner[k].slot[kSlotV]);
  }
  std::fill(c.target->pixels.begin(), c.target->pixels.end(), 0u);
  depth_buffer_clear();
  polygon_draw(n, corner);
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) {
      const uint32_t p = c.target->at(x, y);
      if (!p) continue;
      c.pixels++;
      const int u = static_cast<int>(p >> 16 & 0xFF), v = static_cast<int>(p >> 8 & 0xFF);
      if (u >= u0 - 1 && u <= u1 + 1 && v >= v0 - 1 && v <= v1 + 1) continue;
      if (c.strays++ == 0)
        c.first_stray = "face " + std::to_string(f / 4) + " pixel " + std::to_string(x) + "," + std::to_string(y) +
                        " texel " + std::to_string(u) + "," + std::to_string(v) + " outside u " + std::to_string(u0) +
                        ".." + std::to_string(u1) + " v " + std::to_string(v0) + ".." + std::to_string(v1);
    }
}

TEST(Coverage, DepthTestedFacesReadOnlyTheirOwnTexels) {
  World w;
  ASSERT_EQ(open_world(&w, 15000), 0);
  TestTarget target(kW, kH, 32);
  ASSERT_EQ(depth_buffer_alloc(true), 0);
  TestTexture texture(4, texel_holding_uv);
  FaceTexels check{&target, 0, 0, ""};
  face_texels = &check;
  for (int id = 0; id < MODEL_COUNT; id++) {
    Object3D* o = add_model(&w, id);
    ASSERT_NE(o, nullptr);
    o->render_flags = kModeTexture | kModeDepthTested;
    texture_select(texture.data(), 1);
    for (int view = 0; view < 24; view++) {
      turn_to_view(o, view);
      check.strays = 0;
      ASSERT_EQ(world_cull_and_sort(&w), 0);
      object_rotate(o);
      object_place_and_project(&w, o);
      faces_in_bucket_order(o, faces_cull_and_key(o), draw_alone_and_check_texels);
      EXPECT_EQ(check.strays, 0) << "model " << id << " view " << view << ": " << check.first_stray;
    }
    world_remove(&w, o);
    object_free(o);
  }
  EXPECT_GT(check.pixels, 100000);
  depth_buffer_alloc(false);
  world_release(&w);
  engine_reset();
}

}  // namespace
