// Polygon set-up and edge scanning: the viewport, target and texture slots,
// the depth buffer, the render-mode selection, and the two edge walkers that
// fill the left and right edge tables for the span fillers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine3d/engine.h"
#include "engine3d/raster.h"
#include "engine3d/spans.h"

namespace {

// Slots each mode bit interpolates (bit k of a mask = PolySlot k), for the
// mode bits 1, 2, 4, ..., 64 in order.
constexpr int32_t kSlotMasks[7] = {1, 65, 13, 49, 61, 128, 128};

struct FillerChoice {
  int32_t mode;
  SpanFiller filler;
};

constexpr FillerChoice kFillers8[] = {
    {1, fill_flat},           {2, fill_gouraud},
    {4, fill_texture8},       {8, fill_texture8},
    {6, fill_texture8_shaded}, {12, fill_texture8_env},
    {16, fill_none},          {36, fill_texture8_depth},
    {40, fill_texture8_depth}, {68, fill_texture8_perspective},
    {72, fill_texture8_perspective},
};
constexpr FillerChoice kFillers32[] = {
    {4, fill_texture32},       {8, fill_texture32},
    {36, fill_texture32_depth}, {40, fill_texture32_depth},
    {68, fill_texture32_perspective}, {72, fill_texture32_perspective},
};

template <size_t N>
SpanFiller find_filler(const FillerChoice (&table)[N], int32_t mode) {
  for (const FillerChoice& c : table)
    if (c.mode == mode) return c.filler;
  return nullptr;
}

// An edge's end points, top (smaller y) first, and the side it bounds.
struct EdgeEnds {
  PolyVertex top, bottom;
  int side;
};

EdgeEnds order_edge(const PolyVertex& a, const PolyVertex& b) {
  // Walking the corners in drawing order, an edge running down the screen is
  // the polygon's right side and one running up its left.
  if (a.slot[kSlotY] <= b.slot[kSlotY]) return {a, b, kRightSide};
  return {b, a, kLeftSide};
}

// Stores a 16.16 edge value. x is clamped: a corner projected from near the
// eye can lie millions of pixels off screen, and a clamped x still clips to
// the same columns. The other values keep their low 32 bits, which is all the
// fillers read of them (texture coordinates are masked, an unsigned z of up
// to 65,535.x fits).
void store_edge_value(int side, int position, int slot, int y, int64_t value) {
  int32_t stored = slot == kSlotX
                       ? static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX))
                       : static_cast<int32_t>(value);
  engine.edge[side][position][y] = stored;
}

bool fits16(int32_t v) { return v >= -32768 && v <= 32767; }

// Whether the edge's rows need the exact line: a corner beyond the 16-bit
// range (typically projected from near the eye) makes the 16.16 step too
// coarse, and its error, summed over millions of rows, would move the edge
// by pixels where it crosses the viewport.
bool is_far_edge(const EdgeEnds& e, int positions) {
  if (!fits16(e.top.slot[kSlotY]) || !fits16(e.bottom.slot[kSlotY])) return true;
  for (int p = 0; p < positions; p++) {
    int k = engine.interpolant[p];
    if (!fits16(e.top.slot[k]) || !fits16(e.bottom.slot[k])) return true;
  }
  return false;
}

// Rewrites rows first_y..last_y of a far edge's first `positions` list
// positions from the line between its corners, in double precision (exact
// to far below a pixel for any 32-bit corners).
void write_far_edge(const EdgeEnds& e, int positions, int64_t first_y, int64_t last_y) {
  const double top_y = e.top.slot[kSlotY];
  const double dy = static_cast<double>(e.bottom.slot[kSlotY]) - top_y;
  for (int p = 0; p < positions; p++) {
    const int k = engine.interpolant[p];
    const double top = e.top.slot[k], span = static_cast<double>(e.bottom.slot[k]) - top;
    for (int64_t y = first_y; y <= last_y; y++) {
      const double v = (top + span * ((static_cast<double>(y) - top_y) / dy)) * 65536.0;
      store_edge_value(e.side, p, k, static_cast<int>(y), static_cast<int64_t>(std::clamp(v, -9e15, 9e15)));
    }
  }
}

// Stepping up from the bottom corner with a truncated step (or from a
// clipped bottom whose fraction was dropped) leaves the top row short of
// the top corner, by up to a pixel. That row is also written by the
// polygon's other edge through the corner, and each face keeps whichever
// edge it walked last: a face stopping at 88.99998 beside one starting at
// 89 leaves pixel 88 empty. So every edge puts the top corner's exact value
// in its top row (unless that row was clipped away).
void store_top_corner(const EdgeEnds& e, int position, int64_t first_y) {
  const int64_t top_y = e.top.slot[kSlotY];
  if (first_y != top_y) return;
  const int k = engine.interpolant[position];
  store_edge_value(e.side, position, k, static_cast<int>(top_y), int64_t{e.top.slot[k]} * 65536);
}

// A double that may be anything (huge, infinite, NaN) as a 32-bit integer,
// truncated toward zero and saturated.
int32_t saturate_i32(double d) {
  d = std::fmax(d, -2147483648.0);
  d = std::fmin(d, 2147483647.0);
  return static_cast<int32_t>(d);
}

}  // namespace

int viewport_set(int32_t width, int32_t height, int32_t depth) {
  if (depth < 8 || width < 1 || height < 1 || width > kMaxViewportWidth ||
      height > kMaxViewportHeight)
    return 1;
  bool resized = width != engine.viewport_width || height != engine.viewport_height;
  if (engine.depth_buffer && resized) {
    // The depth buffer has one entry per target pixel; a larger viewport
    // would run the depth-tested fillers past its end.
    size_t entries = static_cast<size_t>(width) * static_cast<size_t>(height);
    auto* fresh = static_cast<uint32_t*>(std::malloc(entries * sizeof(uint32_t)));
    if (!fresh) return 1;
    std::free(engine.depth_buffer);
    engine.depth_buffer = fresh;
  }
  engine.viewport_width = width;
  engine.viewport_height = height;
  engine.pixel_depth = depth;
  if (resized) depth_buffer_clear();
  return 0;
}

void render_target_set(void* frame) { engine.render_target = frame; }

const void* texture_origin(const void* buffer) {
  uintptr_t address = reinterpret_cast<uintptr_t>(buffer);
  return reinterpret_cast<const void*>((address & ~uintptr_t{kTextureAlignment - 1}) +
                                       kTextureAlignment);
}

const void* texture_select(const void* buffer, int slot) {
  const void* origin = texture_origin(buffer);
  if (slot == 1 || slot == 2) engine.texture_slot[slot] = origin;
  return origin;
}

int depth_buffer_alloc(bool create) {
  if (!create) {
    std::free(engine.depth_buffer);
    engine.depth_buffer = nullptr;
    return 0;
  }
  size_t entries =
      static_cast<size_t>(engine.viewport_width) * static_cast<size_t>(engine.viewport_height);
  auto* fresh = static_cast<uint32_t*>(std::malloc(entries * sizeof(uint32_t)));
  if (!fresh) return 1;
  std::free(engine.depth_buffer);
  engine.depth_buffer = fresh;
  // A buffer of zeros would pass no depth test at all (a pixel is drawn only
  // when its z is below the entry): a new buffer starts clear instead.
  depth_buffer_clear();
  return 0;
}

void depth_buffer_clear() {
  if (!engine.depth_buffer) return;
  size_t entries =
      static_cast<size_t>(engine.viewport_width) * static_cast<size_t>(engine.viewport_height);
  std::memset(engine.depth_buffer, 0xFF, entries * sizeof(uint32_t));
}

int render_mode_select(int32_t mode) {
  engine.walker = (mode & kModePerspective) ? edge_scan_perspective : edge_scan_linear;
  SpanFiller filler = engine.pixel_depth > 8 ? find_filler(kFillers32, mode)
                                             : find_filler(kFillers8, mode);
  int unsupported = filler == nullptr;
  if (unsupported) filler = engine.pixel_depth > 8 ? fill_texture32 : fill_texture8;
  engine.filler = filler;

  int32_t mask = 0;
  for (int bit = 0; bit < 7; bit++)
    if (mode & (1 << bit)) mask |= kSlotMasks[bit];
  engine.interpolant_count = 0;
  for (int slot = 0; slot < 8 && engine.interpolant_count < kMaxInterpolants; slot++)
    if (mask & (1 << slot)) engine.interpolant[engine.interpolant_count++] = slot;
  return unsupported;
}

void polygon_draw(int n, const PolyVertex* corners) {
  if (n < 3 || n > 4 || !corners || !engine.walker || !engine.filler || !engine.render_target)
    return;
  int32_t ymin = corners[0].slot[kSlotY], ymax = ymin;
  int32_t xmin = corners[0].slot[kSlotX], xmax = xmin;
  for (int i = 1; i < n; i++) {
    ymin = std::min(ymin, corners[i].slot[kSlotY]);
    ymax = std::max(ymax, corners[i].slot[kSlotY]);
    xmin = std::min(xmin, corners[i].slot[kSlotX]);
    xmax = std::max(xmax, corners[i].slot[kSlotX]);
  }
  const int32_t bottom_row = engine.viewport_height - 1, right_column = engine.viewport_width - 1;
  if (ymax < 0 || ymin > bottom_row || xmax < 0 || xmin > right_column) return;
  engine.ymin = std::max(ymin, 0);
  engine.ymax = std::min(ymax, bottom_row);
  engine.xmin = std::max(xmin, 0);
  engine.xmax = std::min(xmax, right_column);

  for (int i = 0; i + 1 < n; i++) engine.walker(corners[i], corners[i + 1]);
  engine.walker(corners[n - 1], corners[0]);
  engine.filler(corners);
}

// All set-up is done in 64 bits: a corner projected "at depth 1" from near
// the eye lands millions of pixels away, and its coordinate shifted left by
// 16 no longer fits 32 bits. For coordinates within the 16-bit range the
// results equal those of 32-bit arithmetic.
void edge_scan_linear(PolyVertex a, PolyVertex b) {
  EdgeEnds e = order_edge(a, b);
  const int64_t top_y = e.top.slot[kSlotY];
  int64_t bottom_y = e.bottom.slot[kSlotY];
  const int64_t dy = bottom_y - top_y;
  if (dy == 0) return;
  const int64_t last_row = engine.viewport_height - 1;
  const int count = engine.interpolant_count;

  int64_t step[kMaxInterpolants], bottom_value[kMaxInterpolants];
  for (int p = 0; p < count; p++) {
    int k = engine.interpolant[p];
    step[p] = (static_cast<int64_t>(e.bottom.slot[k]) - e.top.slot[k]) * 65536 / dy;
    bottom_value[p] = e.bottom.slot[k];
  }
  if (bottom_y > last_row) {
    // The bottom row's values are recomputed from the top corner, in whole
    // units (the fraction is dropped as the 16.16 step is shifted down).
    if (top_y > last_row - 1) return;
    for (int p = 0; p < count; p++)
      bottom_value[p] = e.top.slot[engine.interpolant[p]] + (((last_row - top_y) * step[p]) >> 16);
    bottom_y = last_row;
  }
  int64_t first_y = top_y;
  if (first_y < 0) {
    if (bottom_y <= 0) return;
    first_y = 0;
  }
  // The bottom row gets the corner's exact value; going up, the values step
  // toward the top corner.
  if (is_far_edge(e, count)) {
    write_far_edge(e, count, first_y, bottom_y);
    return;
  }
  for (int p = 0; p < count; p++) {
    const int k = engine.interpolant[p];
    int64_t value = bottom_value[p] * 65536;
    for (int64_t y = bottom_y; y >= first_y; y--) {
      store_edge_value(e.side, p, k, static_cast<int>(y), value);
      value -= step[p];
    }
    store_top_corner(e, p, first_y);
  }
}

// Positions 1 and 2 are interpolated as value / z and 1 / z and divided back
// per row, so the texture follows the perspective; position 3 gets the
// interpolated z itself (a plain integer), position 0 the affine x.
void edge_scan_perspective(PolyVertex a, PolyVertex b) {
  EdgeEnds e = order_edge(a, b);
  const int64_t top_y = e.top.slot[kSlotY];
  int64_t bottom_y = e.bottom.slot[kSlotY];
  const int64_t dy = bottom_y - top_y;
  const int64_t top_z = e.top.slot[kSlotZ], bottom_z = e.bottom.slot[kSlotZ];
  if (dy == 0 || top_z <= 0 || bottom_z <= 0) return;

  int64_t x = static_cast<int64_t>(e.bottom.slot[kSlotX]) * 65536;
  const int64_t x_step = (static_cast<int64_t>(e.bottom.slot[kSlotX]) - e.top.slot[kSlotX]) * 65536 / dy;
  double w = 65536.0 / static_cast<double>(bottom_z);
  const double w_step = (w - 65536.0 / static_cast<double>(top_z)) / static_cast<double>(dy);
  const int textured = std::min(engine.interpolant_count - 1, 2);
  double value[3] = {}, step[3] = {};
  for (int p = 1; p <= textured; p++) {
    int k = engine.interpolant[p];
    int64_t bottom_over_z = static_cast<int64_t>(e.bottom.slot[k]) * 65536 / bottom_z;
    int64_t top_over_z = static_cast<int64_t>(e.top.slot[k]) * 65536 / top_z;
    value[p] = static_cast<double>(bottom_over_z);
    step[p] = static_cast<double>(bottom_over_z - top_over_z) / static_cast<double>(dy);
  }

  const int64_t last_row = engine.viewport_height - 1;
  if (bottom_y > last_row) {
    if (top_y > last_row - 1) return;
    const int64_t moves = last_row - bottom_y;  // negative: upward
    x += moves * x_step;
    w += static_cast<double>(moves) * w_step;
    for (int p = 1; p <= textured; p++) value[p] += static_cast<double>(moves) * step[p];
    bottom_y = last_row;
  }
  const int64_t first_y = std::max<int64_t>(top_y, 0);
  for (int64_t y = bottom_y; y >= first_y; y--) {
    int row = static_cast<int>(y);
    store_edge_value(e.side, 0, kSlotX, row, x);
    engine.edge[e.side][3][row] = saturate_i32(65536.0 / w);
    for (int p = 1; p <= textured; p++)
      engine.edge[e.side][p][row] = saturate_i32(value[p] / w * 65536.0);
    x -= x_step;
    w -= w_step;
    for (int p = 1; p <= textured; p++) value[p] -= step[p];
  }
  if (engine.interpolant[0] != kSlotX) return;
  store_top_corner(e, 0, first_y);
  if (is_far_edge(e, 1)) write_far_edge(e, 1, first_y, bottom_y);
}
