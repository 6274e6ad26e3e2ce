// Span fillers: each draws the current polygon row by row from the edge
// tables into the render target. Selected by render_mode_select.
// Reads: engine.ymin, ymax, edge, viewport_width, pixel_depth, texture_slot,
// depth_buffer. Writes: the target, the depth buffer, engine.span_step.
//
// Table rows ymax - 1 up to ymin are drawn (some fillers one frame row
// lower), each span from its right end leftward and clipped to the width.
// Texture reads always stay inside the 256x256 map: the coordinates' integer
// parts wrap modulo 256. A filler draws nothing when what it needs is
// missing: a target (for the 32-bit fillers, a pixel depth above 8), texture
// slot 1 (and 2 for the environment filler), the depth buffer for the
// depth-tested ones. Affine texture steps are computed once per polygon at
// its middle row; a middle row narrower than one step unit keeps the
// previous polygon's steps.
#pragma once
#include "engine3d/raster.h"

// 8-bit targets: corner 0's shade as the colour; the shade stepped across
// each row; affine texture (8.8 steps); the same depth-tested (16.16) and
// perspective-correct; texel plus shade; texel plus environment texel.
void fill_flat(const PolyVertex* corners);
void fill_gouraud(const PolyVertex* corners);
void fill_texture8(const PolyVertex* corners);
void fill_texture8_depth(const PolyVertex* corners);
void fill_texture8_perspective(const PolyVertex* corners);
void fill_texture8_shaded(const PolyVertex* corners);
void fill_texture8_env(const PolyVertex* corners);
// Draws nothing (the invisible mode).
void fill_none(const PolyVertex* corners);
// 32-bit targets: affine, depth-tested and perspective-correct texture.
void fill_texture32(const PolyVertex* corners);
void fill_texture32_depth(const PolyVertex* corners);
void fill_texture32_perspective(const PolyVertex* corners);
