// The 3D engine's shared vocabulary: fixed-point formats, angle units, the
// types every stage passes around, and the one record of engine-wide state.
//
// The engine keeps global, single-instance state (the current matrix, the
// settings, the work buffers, the face buckets, the edge tables, the texture
// slots, the rasteriser's selection and the fillers' running steps). All of
// it lives in `engine` below, so a reader sees it in one place and a test can
// start from a known state with engine_reset(). Each stage's header says
// which fields it reads and which it writes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine3d/raster.h"

// ---- Fixed point and units, named once ------------------------------------

// 16.16: integer part in the high 16 bits. Screen and texture interpolation.
constexpr int kFix16 = 16;
// 8.8: the two affine texture fillers' steps and running values.
constexpr int kFix8 = 8;

// Object angles are in 1/1024 of a turn; one unit is pi/512 radians.
constexpr double kRadiansPerObjectAngle = 0.006135923151542565;
// The camera roll is in 1/2048 of a turn; one unit is pi/1024 radians.
constexpr double kRadiansPerRollUnit = 0.0030679615757712823;

// ---- Types -----------------------------------------------------------------

// A point or vector in world, model or view space (12 bytes, no padding).
struct Point3 {
  int32_t x, y, z;
};

// Engine-wide limits.
constexpr int kMaxVertices = 40000;
constexpr int kMaxFaces = 80000;
constexpr int kMaxViewportWidth = 640;
constexpr int kMaxViewportHeight = 480;
constexpr int kEdgeRows = 640;
constexpr int kMaxInterpolants = 8;
constexpr int kFaceBucketCount = 256;
constexpr int kFaceBucketDepth = 8000;

// ---- The engine-wide state -------------------------------------------------

struct EngineState {
  // Maths: the current rotation matrix, row-major m0..m8.
  double matrix[9];

  // Settings.
  int32_t viewport_width, viewport_height, pixel_depth;
  uint32_t* depth_buffer;  // width x height entries, or null
  int32_t work_users;      // initialised worlds sharing the work buffers
  Point3 light;
  int32_t shade_min, shade_max, shade_range;

  // Work buffers, shared by every object; valid while work_users > 0.
  Point3* rotated_normals;  // kMaxVertices
  Point3* view_vertices;    // kMaxVertices
  int32_t* screen_points;   // kMaxVertices pairs x, y
  int32_t* visible_faces;   // kMaxFaces face-array offsets (face index x 4)
  int32_t* face_keys;       // kMaxFaces buckets 0..255

  // Face buckets: zero counters between objects.
  int32_t bucket_count[kFaceBucketCount];
  int32_t bucket[kFaceBucketCount][kFaceBucketDepth];

  // Frame blending: entry i = (15 x i) >> 4 once fade_table_init has run.
  uint32_t fade_table[256];

  // Rasteriser target and texture slots (slot 0 unused).
  void* render_target;  // viewport_width x viewport_height, 1 or 4 bytes a pixel
  const void* texture_slot[3];

  // Rasteriser selection (render_mode_select) and the current polygon.
  EdgeWalker walker;
  SpanFiller filler;
  int32_t interpolant[kMaxInterpolants];  // PolySlot numbers, lowest first
  int32_t interpolant_count;
  int32_t ymin, ymax, xmin, xmax;
  int32_t edge[2][kMaxInterpolants][kEdgeRows];  // [left/right][list position][row]

  // The fillers' per-polygon steps persist: a polygon whose middle row has
  // no width keeps the previous polygon's.
  int32_t span_step[kMaxInterpolants];
};

enum EdgeSide : int { kLeftSide = 0, kRightSide = 1 };

extern EngineState engine;

// Puts every field back to its value at program start: the default settings
// (320x200 at depth 8, light (900, 10000, -400), shades 0..255 over 256),
// no depth buffer, no work buffers, zero counters, no target or textures,
// no mode selected (walker and filler null until render_mode_select). Frees
// the depth buffer and work buffers if they exist.
// For tests; the show itself never calls it.
void engine_reset();
