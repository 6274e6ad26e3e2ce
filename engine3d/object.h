// Objects: one rigid polygon model built from ObjectData, its orientation,
// position, render flags, textures and vertex normals.
// Reads: engine work buffers (an object's views point into them).
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine3d/engine.h"

struct Object3D {
  int32_t vertex_count;
  int32_t face_count;
  Point3* vertices;             // model space
  int32_t (*faces)[4];          // three vertex indices, then -1
  int32_t (*texture_coords)[2]; // (u, v) 0..255 per vertex, or null
  Point3* normals;              // per vertex, or null until object_build_normals
  int32_t angle_x, angle_y, angle_z;  // 1/1024 turn
  int32_t position_x, position_y, position_z;
  int32_t render_flags;         // RenderMode; 1 after creation
  const void* texture1;         // main texture buffer (Texture256), the caller's
  const void* texture2;         // environment map buffer
  const void* texture3;         // spare; drawing does not use it
  int32_t radius;               // 1 + floor(sqrt(max x^2 + y^2 + z^2))
  int32_t depth;                // view depth from world_cull_and_sort; -1 outside the view
  // Views into the engine's work buffers, valid during this object's turn.
  Point3* rotated_normals;
  Point3* view_vertices;
  int32_t* screen_points;
  int32_t* visible_faces;
  int32_t* face_keys;
};

// Builds an object from size bytes of ObjectData (into object, which must
// have room, or a new one when object is null). Returns the object, or null
// when the counts exceed the limits, the data is shorter than its counts
// say, a face index is not below V, or memory runs out (nothing is left
// allocated then).
Object3D* object_from_data(const uint8_t* data, size_t size, Object3D* object, bool with_texture_coordinates);
// Whether object_from_data finds a model in these bytes; when it does, a
// null from object_from_data means that memory ran out.
bool object_data_fits(const uint8_t* data, size_t size, bool with_texture_coordinates);
// A new object with room for V vertices and F faces (uninitialised arrays),
// or null.
Object3D* object_alloc(int32_t vertices, int32_t faces, bool with_texture_coordinates);
// Defaults, work-buffer views, the winding swap and the radius.
void object_finish(Object3D* object);
// Vertex normals of length about 121 averaged over up to 15 faces each.
// Returns 0, or 1 (normals released and null) when memory runs out.
int object_build_normals(Object3D* object);
// Frees the object and its four arrays; null is ignored.
void object_free(Object3D* object);
