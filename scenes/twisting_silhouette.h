// The twisting silhouette: the title picture's surroundings sink to half
// brightness, the silhouette becomes a solid of horizontal slabs that turns,
// rests, morphs into a second silhouette, twists, wobbles and vanishes, and a
// dissolve map takes the picture to black.
//
// The frame routines are public so that tests and benchmarks can run any
// phase at any tick on pictures of their own.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/scene_kit.h"

constexpr int kSlabRows = 200;

// Phase limits on the show clock, in ticks.
constexpr uint32_t kTitleEnd = 3539;     // phase 1 while the clock is at most this
constexpr uint32_t kSolidStart = 3540;   // phase 2 time n counts from here
constexpr uint32_t kSolidEnd = 6540;     // phase 2 while the clock is at most this
constexpr uint32_t kSilhouetteEnd = scene_end_tick(kSceneTwistingSilhouette);

struct SlabCorner {
  int32_t x, y, z;
};

// One slab per mask row, four corners around the vertical axis: 0 right/front,
// 1 right/back, 2 left/back, 3 left/front. A row without an inside pixel is a
// slab of no width and no depth on the axis: it draws nothing at any angle,
// and a morph grows the other silhouette's row out of the axis.
struct SlabShape {
  SlabCorner row[kSlabRows][4];
};

// Row L (0..63), entry v: (L * v) >> 6.
struct ShadeTable {
  uint8_t level[64][256];
};

// Everything the scene keeps. The buffers come from memory at
// silhouette_open and go with it; the shapes and tables are part of the state.
struct SilhouetteScene {
  SceneMemory memory;
  uint32_t* late_texture;    // T0, 320x200
  uint32_t* title;           // T1: background, phase 1 picture, first texture
  uint32_t* second_texture;  // T2: the second silhouette's picture
  uint32_t* frame;
  uint8_t* indices;          // second silhouette, then the dissolve map
  uint8_t* mask;             // first silhouette, indices only
  SlabShape first;           // S1, depth 40
  SlabShape second;          // S2, depth 30
  SlabShape rest;            // R: S1, morphed toward S2 in phase 2
  SlabShape turned;          // R turned by the row angles (x read, plus wobble)
  int32_t row_angle[kSlabRows];  // 1/1,024 turn; the angle the next frame turns by
  ShadeTable shade;
  double wobble;  // A, pixels
  double twist;   // W, 1/1,024 turn
  double wave;    // S
};

// Takes the six zeroed buffers, decodes the pictures (a picture that fails
// to decode shows black) and builds the shapes, the shade table, the row
// angles and the first frame (the title picture). Returns false, with
// nothing left allocated, when memory runs out. s is fresh or closed.
bool silhouette_open(SilhouetteScene& s);
// Frees the buffers (the state's destructor does it too); safe to call twice.
void silhouette_close(SilhouetteScene& s);

// The slab shape of a 320x200 index picture (non-zero = inside): per row the
// first run of inside pixels, from its first column to the first outside
// column after it (320 when it runs to the edge), at +-depth.
void build_slab_shape(SlabShape& shape, const uint8_t* indices, int32_t depth);
void build_shade_table(ShadeTable& table);

// Phase 1: 4,000 random frame pixels (drawn from the show's random sequence,
// base/random.h) that lie outside the mask take the title pixel at half
// brightness.
void silhouette_sink_surroundings(SilhouetteScene& s);
// The phase 2 background: the frame becomes the title at half brightness.
void silhouette_dim_title(SilhouetteScene& s);
// One phase 2 frame at time n (ticks since 3,540, negative when phase 1 was
// cut short): turn the rows, draw the slabs, morph. The frame must hold the
// dim title; the caller presents it and then sets wave for the next frame.
void silhouette_solid_frame(SilhouetteScene& s, int32_t n);
// The steps of silhouette_solid_frame, for tests.
void silhouette_turn_rows(SilhouetteScene& s, int32_t n);
void silhouette_draw_slabs(SilhouetteScene& s, int32_t n);
void silhouette_morph(SilhouetteScene& s, int32_t n);
// The weight of S1 in the morph at n (601..1023): 253 at 601, 0 at 1023.
int32_t morph_weight(int32_t n);
// Phase 3 at k ticks since 6,540: every frame pixel whose dissolve map value
// (the indices buffer) is below k is halved.
void silhouette_dissolve(SilhouetteScene& s, int32_t k);

// One face of a slab as a span of frame_row from column x1 + 160 to x2 + 159
// (x1 < x2), textured from texture_row columns u0 to u1 in 16.16 steps (the
// first pixel already one step in) and shaded through shade. Columns outside
// 0..319 are neither written nor read: the span is clipped to the frame
// without changing the stepping of its visible part, and texture columns are
// clamped to the picture. Byte 3 of the frame pixel is kept.
void draw_slab_span(uint32_t* frame_row, const uint32_t* texture_row, int32_t x1, int32_t x2,
                    int32_t u0, int32_t u1, const uint8_t* shade);
