// Face culling, lighting and face ordering: one projected object into
// polygons on the render target.
// Reads: the object's views, engine.light, shade_*, depth_buffer.
// Writes: engine.bucket_count (zero again when object_draw returns),
// engine.bucket, the object's visible faces and keys; through
// render_mode_select, texture_select and polygon_draw the rasteriser's state.
#pragma once
#include <cstdint>

#include "engine3d/object.h"
#include "engine3d/raster.h"

// Culls, orders and draws one object's faces; the object must have been
// rotated, placed and projected. The bucket counters are zero afterwards.
void object_draw(Object3D* object);
// Puts the n keyed faces (the object's face keys and visible faces) into
// the buckets and hands each face's offset to visit, highest key first and
// last in first out within a key. A full bucket (8,000 faces) passes further
// faces to the nearest lower bucket with room (the nearest higher one when
// every lower one is full), so no face is lost and none written past a
// bucket. The counters are zero when it returns.
void faces_in_bucket_order(const Object3D* object, int n, void (*visit)(const Object3D*, int32_t face_offset));
// The polygon corners of the face at offset f (face index x 4) for the
// object's render flags; returns the number of corners (3 or 4).
int face_corners(const Object3D* object, int32_t f, PolyVertex corner[4]);
// Keeps the faces turned to the viewer (clockwise or flat on screen) whose
// centre lies in front of the eye. Number of visible faces; fills the object's visible faces and face keys.
int faces_cull_and_key(Object3D* object);
// Shade for face-array position e (face index x 4 + corner): the light's
// angle to the corner's normal (smooth modes) or to the face's summed normal.
// The shade minimum when either length is 0.
int32_t shade_value(const Object3D* object, int32_t e);
// Moves the light's x and y; z stays.
void set_light_position(int32_t x, int32_t y);
// Shades run from minimum to minimum + range - 1.
// Ignored when either is negative.
void set_shade_range(int32_t minimum, int32_t range);
