// The rasteriser's boundary: what the front end hands it (polygon corners,
// render modes, the target, the texture slots) and the operations it calls.
// The rasteriser (polygon.cpp, spans.cpp) includes this and the engine
// record; it never includes the front end (maths, object, world, faces).
#pragma once
#include <cstddef>
#include <cstdint>

// One polygon corner: eight signed 32-bit slots, addressed by number because
// the render mode's interpolant list names slots.
enum PolySlot : int {
  kSlotX = 0,
  kSlotY = 1,
  kSlotU = 2,
  kSlotV = 3,
  kSlotEnvU = 4,
  kSlotEnvV = 5,
  kSlotShade = 6,
  kSlotZ = 7,
};
struct PolyVertex {
  int32_t slot[8];
};

// An object's render flags: one base mode, plus the depth-test and
// perspective bits.
enum RenderMode : int32_t {
  kModeFlat = 1,
  kModeSmooth = 2,
  kModeTexture = 4,
  kModeTextureShade = 6,
  kModeEnvironment = 8,
  kModeTextureEnvironment = 12,
  kModeInvisible = 16,
  kModeDepthTested = 32,
  kModePerspective = 64,
};

// A Texture256 is 256x256 texels (8-bit indices or 32-bit 0x00RRGGBB pixels)
// starting at the first 1024-byte boundary after the start of the buffer that
// holds it, so a buffer is at least 1,024 bytes larger than its map.
constexpr size_t kTextureTexels = 256 * 256;
constexpr size_t kTextureAlignment = 1024;

// The rasteriser's per-polygon stages, chosen once per face by the mode.
using EdgeWalker = void (*)(PolyVertex a, PolyVertex b);
using SpanFiller = void (*)(const PolyVertex* corners);

// Sets the viewport (and so the target's row pitch) and the pixel depth:
// 8 draws palette indices, above 8 draws 32-bit pixels. Returns 0, or 1 and
// changes nothing when depth < 8, width or height < 1, width > 640 or
// height > 480. An existing depth buffer is made anew (clear) for a new size;
// when that allocation fails the call returns 1 and changes nothing.
// Writes: engine.viewport_width, viewport_height, pixel_depth, depth_buffer.
int viewport_set(int32_t width, int32_t height, int32_t depth);

// Installs the frame the rasteriser draws into: viewport_width x
// viewport_height pixels of 1 byte (depth 8) or 4 bytes.
// Writes: engine.render_target.
void render_target_set(void* frame);

// The texture origin of a buffer: the first 1024-byte boundary after its
// start ((address with the low 10 bits cleared) + 1024, also when aligned).
const void* texture_origin(const void* buffer);

// Stores texture_origin(buffer) in slot 1 or 2 and returns it; another slot
// stores nothing (and still returns the origin).
// Writes: engine.texture_slot.
const void* texture_select(const void* buffer, int slot);

// The depth buffer holds one unsigned z per target pixel; a depth-tested
// filler draws a pixel only where its z is below the entry, and stores it.
// The engine never resets it on its own: whoever draws a frame with it calls
// depth_buffer_clear() before the frame's first polygon (world_draw does).
//
// create: a depth buffer of width x height entries, already clear (0, or 1
// when out of memory, keeping any previous buffer); a buffer that existed is
// replaced. Otherwise releases it (0). viewport_set resizes an existing one.
// Writes: engine.depth_buffer.
int depth_buffer_alloc(bool create);

// Sets every depth entry to the farthest value (0xFFFFFFFF), so that the next
// frame's first polygon at any z in front of the eye is drawn. Nothing
// without a depth buffer.
// Reads: engine.viewport_width, viewport_height. Writes: engine.depth_buffer.
void depth_buffer_clear();

// Selects the edge walker, the span filler and the interpolant list of mode
// for the current pixel depth. Returns 0, or 1 when the mode fell to the
// default texture filler.
// Reads: engine.pixel_depth. Writes: engine.walker, filler, interpolant*.
int render_mode_select(int32_t mode);

// Scan-converts a convex polygon of n (3 or 4) corners with the current
// selection into the render target. Corners may lie anywhere in the 32-bit
// range: the polygon is clipped to the viewport. Nothing is drawn for another
// n, before a mode is selected, or without a target.
// Reads: the selection, viewport, texture slots, depth buffer, target.
// Writes: engine.ymin..xmax, edge, span_step, the target, the depth buffer.
void polygon_draw(int n, const PolyVertex* corners);

// The two edge walkers: one edge from a to b into the left or right side of
// engine.edge, for every listed interpolant.
void edge_scan_linear(PolyVertex a, PolyVertex b);
void edge_scan_perspective(PolyVertex a, PolyVertex b);
