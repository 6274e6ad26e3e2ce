// Face culling, lighting and face ordering: one projected object into
// polygons on the render target.
// Reads: the object's views, engine.light, shade_*, depth_buffer.
// Writes: engine.bucket_count (zero again when object_draw returns),
// engine.bucket, the object's visible faces and keys; through
// render_mode_select, texture_select and polygon_draw the rasteriser's state.
#pragma once
#include <cstdint>

#include "engine3d/object.h"

void object_draw(Object3D* object);
// Number of visible faces; fills the object's visible faces and face keys.
int faces_cull_and_key(Object3D* object);
// Shade for face-array position e (face index x 4 + corner).
int32_t shade_value(const Object3D* object, int32_t e);
void set_light_position(int32_t x, int32_t y);
// Ignored when either is negative.
void set_shade_range(int32_t minimum, int32_t range);
