// Span fillers: the inner loops of the renderer. Each draws the polygon the
// edge walkers have just put in the edge tables, row by row from table row
// ymax - 1 up to ymin, each span from its right end leftward.
//
// Running values are kept as unsigned 32-bit numbers and stepped with
// wrap-around: a texel index reads only bits 8..15 of an 8.8 value and bits
// 16..23 of a 16.16 one, and z is compared unsigned, so the wrap never
// changes a pixel while it keeps extreme polygons free of overflow.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine3d/engine.h"
#include "engine3d/spans.h"

namespace {

// Which columns of a table row a filler covers, before clipping.
struct SpanShape {
  int first;          // 0: from L; 1: from L + 1
  int last;           // 0: to R; 1: to R - 1
  int min_width;      // skip the row when R - L is below this
  int frame_row_add;  // the span of table row y goes to frame row y + this
};
constexpr SpanShape kFlatShape = {0, 0, 0, 1};
constexpr SpanShape kGouraudShape = {1, 0, 1, 1};
constexpr SpanShape kAffineShape = {0, 1, 1, 0};      // fill_texture8, fill_texture32
constexpr SpanShape kEnvShape = {0, 1, 1, 1};         // fill_texture8_env
constexpr SpanShape kInclusiveShape = {0, 0, 1, 1};   // depth, perspective, shaded

// One row's span after clipping.
struct Span {
  int32_t L, R;    // integer parts of the row's left and right x
  int32_t right;   // column of the first pixel written
  int32_t count;   // pixels written, leftward from right
  int32_t moves;   // steps the running values move for the right clip
  size_t offset;   // index of the first pixel written in the target
};

int32_t edge_value(int side, int position, int y) { return engine.edge[side][position][y]; }

bool span_at(int y, const SpanShape& shape, Span* s) {
  const int32_t w = engine.viewport_width;
  s->L = edge_value(kLeftSide, 0, y) >> 16;
  s->R = edge_value(kRightSide, 0, y) >> 16;
  if (s->R - s->L < shape.min_width) return false;
  int32_t left = s->L < 0 ? 0 : s->L;
  int32_t right = s->R;
  s->moves = 0;
  if (right > w - 1) {
    // Moving from R to w - 1 is moving leftward: the running values take the
    // steps they would have taken over the cut-off pixels.
    s->moves = right - (w - 1);
    right = w - 1;
  }
  s->count = (right - shape.last) - (left + shape.first) + 1;
  if (s->count <= 0) return false;
  s->right = right - shape.last;
  s->offset = static_cast<size_t>(y + shape.frame_row_add) * static_cast<size_t>(w) +
              static_cast<size_t>(s->right);
  return true;
}

// The running value of position p at the row's right end, clip applied.
uint32_t start_value(int p, int y, int precision_shift, int32_t step, const Span& s) {
  uint32_t v = static_cast<uint32_t>(edge_value(kRightSide, p, y) >> precision_shift);
  return v + static_cast<uint32_t>(s.moves) * static_cast<uint32_t>(step);
}

// Per-polygon steps for positions first..last from the middle row, in 16.16
// (shift 16) or 8.8 (shift 8). A middle row narrower than one step unit
// (zero, or less than a pixel for 16.16) keeps the previous polygon's steps.
void middle_row_steps(int first, int last, int shift) {
  const int m = (engine.ymin + engine.ymax) >> 1;
  const int64_t d = static_cast<int64_t>(edge_value(kRightSide, 0, m)) - edge_value(kLeftSide, 0, m);
  const int64_t n = d >> shift;
  if (n == 0) return;
  // A 16.16 step divides by the exact width: the width in whole pixels can
  // be as little as half of it (1 for 1.99), which doubled the step, and on
  // the thin faces along a part's outline the texture ran far past the edge.
  const bool exact = shift == 16 && n > 0;
  for (int p = first; p <= last; p++) {
    const int64_t diff = static_cast<int64_t>(edge_value(kLeftSide, p, m)) - edge_value(kRightSide, p, m);
    engine.span_step[p] = static_cast<int32_t>(exact ? diff * 65536 / d : diff / n);
  }
}

// The per-row step of position p: (left - right) / (R - L), R > L. An
// unsigned value (z) is read as such.
int32_t row_step(int p, int y, const Span& s, bool is_unsigned = false) {
  int64_t left = edge_value(kLeftSide, p, y), right = edge_value(kRightSide, p, y);
  if (is_unsigned) {
    left = static_cast<uint32_t>(left);
    right = static_cast<uint32_t>(right);
  }
  return static_cast<int32_t>((left - right) / (static_cast<int64_t>(s.R) - s.L));
}

uint8_t* target8() { return static_cast<uint8_t*>(engine.render_target); }
// A 32-bit filler finds no 32-bit target while the pixel depth is 8.
uint32_t* target32() {
  return engine.pixel_depth > 8 ? static_cast<uint32_t*>(engine.render_target) : nullptr;
}
template <typename Texel>
const Texel* texture(int slot) {
  return static_cast<const Texel*>(engine.texture_slot[slot]);
}

// Texel of 8.8 coordinates and of 16.16 ones; both stay inside the 256x256
// map whatever the values.
inline uint32_t texel_index8(uint32_t u, uint32_t v) { return (v & 0xFF00) | ((u >> 8) & 0xFF); }
inline uint32_t texel_index16(uint32_t u, uint32_t v) {
  return ((v >> 8) & 0xFF00) | ((u >> 16) & 0xFF);
}

template <typename Pixel>
void fill_affine(Pixel* target, const Pixel* tex) {
  if (!target || !tex) return;
  middle_row_steps(1, 2, 8);
  const int32_t du = engine.span_step[1], dv = engine.span_step[2];
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    Span s;
    if (!span_at(y, kAffineShape, &s)) continue;
    uint32_t u = start_value(1, y, 8, du, s), v = start_value(2, y, 8, dv, s);
    Pixel* p = target + s.offset;
    for (int32_t n = s.count; n > 0; n--) {  // most of the show's time is spent here
      *p-- = tex[texel_index8(u, v)];
      u += static_cast<uint32_t>(du);
      v += static_cast<uint32_t>(dv);
    }
  }
}

// Steps per row, so that pixel R gets the right edge's values and pixel L
// the left edge's. One step per polygon, taken from the middle row and
// spread over the L..R columns this filler covers, runs up to a step past
// the left edge, and on the thin faces along a part's outline a step is
// many texels: the read wrapped to the far side of the map (dots of another
// colour) and z left the face's range.
template <typename Pixel>
void fill_depth(Pixel* target, const Pixel* tex) {
  uint32_t* depth = engine.depth_buffer;
  if (!target || !tex || !depth) return;
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    Span s;
    if (!span_at(y, kInclusiveShape, &s)) continue;
    const int32_t du = row_step(1, y, s), dv = row_step(2, y, s), dz = row_step(3, y, s, true);
    uint32_t u = start_value(1, y, 0, du, s), v = start_value(2, y, 0, dv, s);
    uint32_t z = start_value(3, y, 0, dz, s);
    for (size_t i = s.offset, end = s.offset - static_cast<size_t>(s.count); i != end; i--) {
      if (z < depth[i]) {
        depth[i] = z;
        target[i] = tex[texel_index16(u, v)];
      }
      u += static_cast<uint32_t>(du);
      v += static_cast<uint32_t>(dv);
      z += static_cast<uint32_t>(dz);
    }
  }
}

template <typename Pixel>
void fill_perspective(Pixel* target, const Pixel* tex) {
  if (!target || !tex) return;
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    const int32_t zl = edge_value(kLeftSide, 3, y), zr = edge_value(kRightSide, 3, y);
    Span s;
    if (zl <= 0 || zr <= 0 || !span_at(y, kInclusiveShape, &s)) continue;
    const double len = static_cast<double>(s.R) - s.L;
    double a = edge_value(kRightSide, 1, y) / zr, b = edge_value(kRightSide, 2, y) / zr;
    double q = 65536.0 / zr;
    const double da = (edge_value(kLeftSide, 1, y) / zl - a) / len;
    const double db = (edge_value(kLeftSide, 2, y) / zl - b) / len;
    const double dq = (65536.0 / zl - q) / len;
    a += s.moves * da;
    b += s.moves * db;
    q += s.moves * dq;
    Pixel* p = target + s.offset;
    for (int32_t n = s.count; n > 0; n--) {
      // Saturated, so that a q worn down to nothing cannot make the
      // conversion undefined; only the low bits choose the texel.
      const int64_t iu = static_cast<int64_t>(std::fmin(std::fmax(a / q, -2e9), 2e9));
      const int64_t iv = static_cast<int64_t>(std::fmin(std::fmax(b / q, -2e9), 2e9));
      *p-- = tex[((static_cast<uint32_t>(iv) << 8) & 0xFF00) | (static_cast<uint32_t>(iu) & 0xFF)];
      a += da;
      b += db;
      q += dq;
    }
  }
}

}  // namespace

void fill_flat(const PolyVertex* corners) {
  uint8_t* target = target8();
  if (!target || !corners) return;
  const uint8_t colour = static_cast<uint8_t>(corners[0].slot[kSlotShade]);
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    Span s;
    if (span_at(y, kFlatShape, &s))
      std::memset(target + s.offset + 1 - s.count, colour, static_cast<size_t>(s.count));
  }
}

void fill_gouraud(const PolyVertex*) {
  uint8_t* target = target8();
  if (!target) return;
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    Span s;
    if (!span_at(y, kGouraudShape, &s)) continue;
    const int32_t step = row_step(1, y, s);
    uint32_t shade = start_value(1, y, 0, step, s);
    uint8_t* p = target + s.offset;
    for (int32_t n = s.count; n > 0; n--) {
      *p-- = static_cast<uint8_t>(shade >> 16);
      shade += static_cast<uint32_t>(step);
    }
  }
}

void fill_texture8(const PolyVertex*) { fill_affine(target8(), texture<uint8_t>(1)); }
void fill_texture32(const PolyVertex*) { fill_affine(target32(), texture<uint32_t>(1)); }
void fill_texture8_depth(const PolyVertex*) { fill_depth(target8(), texture<uint8_t>(1)); }
void fill_texture32_depth(const PolyVertex*) { fill_depth(target32(), texture<uint32_t>(1)); }
void fill_texture8_perspective(const PolyVertex*) {
  fill_perspective(target8(), texture<uint8_t>(1));
}
void fill_texture32_perspective(const PolyVertex*) {
  fill_perspective(target32(), texture<uint32_t>(1));
}
void fill_none(const PolyVertex*) {}

// Texel plus shade, modulo 256: the palette is laid out so that adding the
// shade moves an index to a lighter entry of the same colour.
void fill_texture8_shaded(const PolyVertex*) {
  uint8_t* target = target8();
  const uint8_t* tex = texture<uint8_t>(1);
  if (!target || !tex) return;
  middle_row_steps(1, 2, 16);
  const int32_t du = engine.span_step[1], dv = engine.span_step[2];
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    Span s;
    if (!span_at(y, kInclusiveShape, &s)) continue;
    const int32_t dshade = row_step(3, y, s);
    uint32_t u = start_value(1, y, 0, du, s), v = start_value(2, y, 0, dv, s);
    uint32_t shade = start_value(3, y, 0, dshade, s);
    uint8_t* p = target + s.offset;
    for (int32_t n = s.count; n > 0; n--) {
      *p-- = static_cast<uint8_t>(tex[texel_index16(u, v)] + (shade >> 16));
      u += static_cast<uint32_t>(du);
      v += static_cast<uint32_t>(dv);
      shade += static_cast<uint32_t>(dshade);
    }
  }
}

// Main texel plus environment texel, modulo 256: the main texture holds a
// light level in its high bits, the environment map a colour in its low
// bits, and the combined palette maps the sum.
void fill_texture8_env(const PolyVertex*) {
  uint8_t* target = target8();
  const uint8_t* tex = texture<uint8_t>(1);
  const uint8_t* env = texture<uint8_t>(2);
  if (!target || !tex || !env) return;
  middle_row_steps(1, 4, 16);
  const int32_t du = engine.span_step[1], dv = engine.span_step[2];
  const int32_t deu = engine.span_step[3], dev = engine.span_step[4];
  for (int y = engine.ymax - 1; y >= engine.ymin; y--) {
    Span s;
    if (!span_at(y, kEnvShape, &s)) continue;
    uint32_t u = start_value(1, y, 0, du, s), v = start_value(2, y, 0, dv, s);
    uint32_t eu = start_value(3, y, 0, deu, s), ev = start_value(4, y, 0, dev, s);
    uint8_t* p = target + s.offset;
    for (int32_t n = s.count; n > 0; n--) {
      *p-- = static_cast<uint8_t>(tex[texel_index16(u, v)] + env[texel_index16(eu, ev)]);
      u += static_cast<uint32_t>(du);
      v += static_cast<uint32_t>(dv);
      eu += static_cast<uint32_t>(deu);
      ev += static_cast<uint32_t>(dev);
    }
  }
}
