#include "engine3d/world.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine3d/faces.h"
#include "engine3d/maths.h"

static void work_buffers_free() {
  std::free(engine.rotated_normals);
  std::free(engine.view_vertices);
  std::free(engine.screen_points);
  std::free(engine.visible_faces);
  std::free(engine.face_keys);
  engine.rotated_normals = engine.view_vertices = nullptr;
  engine.screen_points = engine.visible_faces = engine.face_keys = nullptr;
}

int world_init(World* world) {
  if (!world) return 1;
  if (!engine.rotated_normals) {
    std::memset(engine.bucket_count, 0, sizeof engine.bucket_count);
    engine.rotated_normals = static_cast<Point3*>(std::malloc(sizeof(Point3) * kMaxVertices));
    engine.view_vertices = static_cast<Point3*>(std::malloc(sizeof(Point3) * kMaxVertices));
    engine.screen_points = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * 2 * kMaxVertices));
    engine.visible_faces = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * kMaxFaces));
    engine.face_keys = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * kMaxFaces));
    if (!engine.rotated_normals || !engine.view_vertices || !engine.screen_points ||
        !engine.visible_faces || !engine.face_keys) {
      work_buffers_free();
      return 1;
    }
  }
  *world = {nullptr, nullptr, 0, 0, 128, 0, 0, 0, 0, 0, 256};
  engine.work_users++;
  return 0;
}

void world_release(World*) {
  if (engine.work_users > 0 && --engine.work_users == 0) work_buffers_free();
}

int world_add(World* world, Object3D* object) {
  if (!world || !object) return 1;
  auto* node = static_cast<WorldNode*>(std::malloc(sizeof(WorldNode)));
  if (!node) return 1;
  *node = {nullptr, object, false};
  WorldNode** link = &world->first;
  while (*link) link = &(*link)->next;
  *link = node;
  world->object_count++;
  return 0;
}

void world_remove(World* world, Object3D* object) {
  for (WorldNode** link = &world->first; *link; link = &(*link)->next) {
    WorldNode* node = *link;
    if (node->object != object) continue;
    *link = node->next;
    if (world->cursor == node) world->cursor = nullptr;
    world->object_count--;
    std::free(node);
    return;
  }
}

void world_destroy_objects(World* world) {
  while (world->first) {
    Object3D* o = world->first->object;
    world_remove(world, o);
    object_free(o);
  }
}

void world_rewind(World* world) { world->cursor = nullptr; }

Object3D* world_next(World* world) {
  world->cursor = world->cursor ? world->cursor->next : world->first;
  return world->cursor ? world->cursor->object : nullptr;
}

void camera_update(const World* w) {
  camera_matrix(static_cast<double>(w->target_x) - w->eye_x, static_cast<double>(w->target_y) - w->eye_y,
                static_cast<double>(w->target_z) - w->eye_z, w->roll * kRadiansPerRollUnit);
}

// Outside when the margin sphere lies wholly beyond the left/right or the
// top/bottom edge; the factors are the projection's. Everything is 64-bit,
// so far objects cannot wrap into view and a coordinate of INT32_MIN keeps
// its magnitude of 2^31.
static bool outside_view(const Point3& p, int32_t radius, int32_t s, int64_t depth) {
  const int64_t m = (23 * static_cast<int64_t>(radius)) >> 4;
  const int64_t x = p.x, y = p.y;
  if (3 * ((x < 0 ? -x : x) - m) > depth) return true;
  return ((y < 0 ? -y : y) - m) * s > depth;
}

// An object's place in view space and whether it is in view; depth -1
// outside it.
static void cull(const World* world, WorldNode* node, int32_t s) {
  Object3D* o = node->object;
  Point3 p = {o->position_x, o->position_y, o->position_z};
  translate_points(1, &p, -world->eye_x, -world->eye_y, -world->eye_z);
  transform_points(1, &p, &p);
  // A view z of INT32_MIN has a depth of 2^31, which the object's depth
  // cannot hold: the stored depth is the one value clamped, the test uses
  // the exact one.
  const int64_t depth = -static_cast<int64_t>(p.z);
  node->in_view = !outside_view(p, o->radius, s, depth);
  o->depth = !node->in_view ? -1 : static_cast<int32_t>(depth < INT32_MAX ? depth : INT32_MAX);
}

int world_cull_and_sort(World* world) {
  if (world->object_count <= 0) return 0;
  camera_update(world);
  const int32_t s = (4 * world->vertical_scale) >> 8;
  for (WorldNode* node = world->first; node; node = node->next) cull(world, node, s);
  // Stable insertion sort of the objects in view over their own nodes: a
  // handful of objects, and equal depths keep their order. Each goes before
  // the first one it must precede, and those from there on move one node on.
  const bool nearest_first = engine.depth_buffer != nullptr;
  auto precedes = [nearest_first](const Object3D* a, const Object3D* b) {
    return nearest_first ? a->depth < b->depth : a->depth > b->depth;
  };
  for (WorldNode* a = world->first; a; a = a->next) {
    if (!a->in_view) continue;
    WorldNode* b = world->first;
    while (b != a && !(b->in_view && precedes(a->object, b->object))) b = b->next;
    Object3D* carried = a->object;
    for (WorldNode* n = b; n != a->next; n = n->next)
      if (n->in_view) std::swap(carried, n->object);
  }
  return 0;
}

static bool needs_normals(int32_t flags) { return (flags & 27) != 0; }

void object_rotate(Object3D* o) {
  rotation_from_angles(o->angle_x, o->angle_y, o->angle_z);
  if (needs_normals(o->render_flags) && o->normals)
    transform_points(o->vertex_count, o->normals, o->rotated_normals);
  transform_points(o->vertex_count, o->vertices, o->view_vertices);
}

void object_place_and_project(const World* w, Object3D* o) {
  translate_points(o->vertex_count, o->view_vertices, o->position_x - w->eye_x, o->position_y - w->eye_y,
                   o->position_z - w->eye_z);
  camera_update(w);
  if (needs_normals(o->render_flags) && o->normals)
    transform_points(o->vertex_count, o->rotated_normals, o->rotated_normals);
  transform_points(o->vertex_count, o->view_vertices, o->view_vertices);
  project_points(o->vertex_count, o->view_vertices, o->screen_points, engine.viewport_width,
                 engine.viewport_height, w->vertical_scale);
}

// The quotient is formed in 64 bits so that a large view coordinate near
// the eye gives a far-off screen point instead of an overflow; the
// rasteriser clips corners anywhere in the 32-bit range.
static int32_t clamp32(int64_t v) {
  return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

void project_points(int n, const Point3* view, int32_t* screen, int32_t width, int32_t height,
                    int32_t vertical_scale) {
  const int64_t s = vertical_scale;
  const int64_t cx = width >> 1, kx = (3 * static_cast<int64_t>(width)) >> 1, cy = height >> 1,
                ky = (2 * static_cast<int64_t>(height) * s) >> 8;
  for (int i = 0; i < n; i++) {
    int64_t d = -static_cast<int64_t>(view[i].z);
    if (d < 1) d = 1;
    screen[2 * i] = clamp32(cx + kx * view[i].x / d);
    screen[2 * i + 1] = clamp32(cy - ky * view[i].y / d);
  }
}

// A frame drawn with a depth buffer starts from a clear one: what the last
// frame left would hide this frame's polygons.
void world_draw(World* world) {
  world_cull_and_sort(world);
  depth_buffer_clear();
  for (WorldNode* node = world->first; node; node = node->next) {
    Object3D* o = node->object;
    if (o->depth < 0) continue;
    // An object without a texture leaves the slot as it is: selecting null
    // would install an origin at address 1024.
    if (o->texture1) texture_select(o->texture1, 1);
    if (o->texture2) texture_select(o->texture2, 2);
    object_rotate(o);
    object_place_and_project(world, o);
    object_draw(o);
  }
}
