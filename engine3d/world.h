// World, camera, object ordering and projection. Owns the engine settings'
// world side and the work buffers.
// Reads and writes: engine.work_users and the work buffers (world_init,
// world_release), engine.matrix (every transform), objects' depths.
// Reads: engine.viewport_*, engine.depth_buffer.
#pragma once
#include <cstdint>

#include "engine3d/engine.h"
#include "engine3d/object.h"

struct WorldNode {
  WorldNode* next;
  Object3D* object;
  bool in_view;  // world_cull_and_sort's verdict on the object it holds now
};

struct World {
  WorldNode* first;
  WorldNode* cursor;
  int32_t object_count;
  int32_t roll;  // 1/2048 turn
  int32_t target_x, target_y, target_z;
  int32_t eye_x, eye_y, eye_z;
  int32_t vertical_scale;  // 256 = normal
};

// 0; 1 when world is null or the work buffers cannot be allocated.
int world_init(World* world);
// Drops one work-buffer user; the last one frees them.
void world_release(World* world);
// 0; 1 when either is null or no node can be allocated.
int world_add(World* world, Object3D* object);
// Unlinks and frees the first node holding object; nothing for a stranger.
void world_remove(World* world, Object3D* object);
// Removes every node and frees every object.
void world_destroy_objects(World* world);
// The next world_next starts from the first object.
void world_rewind(World* world);
// The next object in list order; null at the end, then the first again.
Object3D* world_next(World* world);
// Culls every object against the view and orders the visible ones (farthest
// first, or nearest first with a depth buffer) among the nodes that hold
// visible ones. Works in place and allocates nothing: returns 0.
int world_cull_and_sort(World* world);
// The current matrix for the world's camera (eye, target, roll).
void camera_update(const World* world);
// The object's view vertices (and, for modes that use them, rotated
// normals) turned by its angles.
void object_rotate(Object3D* object);
// Moves the rotated object to its position, into the camera's view, and
// projects it into its screen points.
void object_place_and_project(const World* world, Object3D* object);
// Perspective projection; a point at or behind the eye is divided by 1.
// Products and quotients are wide and clamped to 32 bits, so a point near
// the eye lands far off screen instead of wrapping.
void project_points(int n, const Point3* view, int32_t* screen, int32_t width, int32_t height,
                    int32_t vertical_scale);
// One whole frame of the world into the render target: culls and orders,
// clears the depth buffer when there is one, then selects each visible
// object's textures (those it has) and draws it. Objects outside the view
// are skipped.
void world_draw(World* world);
