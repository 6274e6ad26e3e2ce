// Span fillers: each draws the current polygon row by row from the edge
// tables into the render target. Selected by render_mode_select.
// Reads: engine.ymin, ymax, edge, viewport_width, texture_slot,
// depth_buffer. Writes: the target, the depth buffer, engine.span_step.
#pragma once
#include "engine3d/raster.h"

void fill_flat(const PolyVertex* corners);
void fill_gouraud(const PolyVertex* corners);
void fill_texture8(const PolyVertex* corners);
void fill_texture8_depth(const PolyVertex* corners);
void fill_texture8_perspective(const PolyVertex* corners);
void fill_texture8_shaded(const PolyVertex* corners);
void fill_texture8_env(const PolyVertex* corners);
void fill_none(const PolyVertex* corners);
void fill_texture32(const PolyVertex* corners);
void fill_texture32_depth(const PolyVertex* corners);
void fill_texture32_perspective(const PolyVertex* corners);
