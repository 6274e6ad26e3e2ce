// The hyperbolic whirl, the sixth scene: a still picture, out of which a
// warped, banded view of a second picture grows along the screen's diagonals
// from tick 13,196, plays, and shrinks back into the diagonals. The radius of
// the warp is the hyperbolic sqrt(|x'^2 - y^2|), so its pattern forms an X.
// The frame routine and table builder are public so that tests and
// benchmarks can render any moment without the clock.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/polar_maps.h"
#include "scenes/scene_kit.h"

// The show tick where the warp starts to grow (n = 0), and the last tick of
// the scene's frame loop.
constexpr uint32_t kWhirlGrowStart = 13196;
constexpr uint32_t kHyperbolicWhirlLimit = scene_end_tick(kSceneHyperbolicWhirl);

// The warp source keeps the first 250 rows of a 256 x 256 picture.
constexpr int kWarpSourcePixels = 64000;
constexpr int kWarpSourceWidth = 256;

// The warp of one frame: radius ripple and angle twist by distance, and the
// bright and dark bands by angle.
struct WhirlTables {
  PolarWarp warp;
  uint8_t brightness[256];
};

// Everything the scene keeps. The buffers come from memory at
// hyperbolic_whirl_open and go with it.
struct HyperbolicWhirl {
  SceneMemory memory;
  int32_t* lookup;    // PolarLookup into source, centred on (128, 128)
  uint32_t* frame;    // the FrameBuffer, zeroed at set-up
  uint32_t* source;   // the warp source, rows of 256 pixels
  uint8_t* indices;   // 65,536 decoded palette indices
  PolarMaps* maps;    // radius: hyperbolic distance D; angle: A
  uint32_t* still;    // the still picture, 320 x 200
  WhirlTables tables; // for the next frame; zero until the first has been presented
};

// Takes the buffers, decodes and converts both pictures (a picture that does
// not decode stays black), builds the maps and the PolarLookup and zeroes the
// tables. Returns false, with nothing left allocated, when an allocation
// fails. w is fresh or closed.
bool hyperbolic_whirl_open(HyperbolicWhirl& w);

// Frees the buffers (the state's destructor does it too); safe to call twice.
void hyperbolic_whirl_close(HyperbolicWhirl& w);

// The frame's shift into the warp source for phase P (0.02 per tick):
// trunc(30 sin(50 P / 67)) + 256, between 226 and 286.
int whirl_shift(double P);

// Rebuilds the tables for phase P; the scene does it after presenting a
// frame, so each frame uses the tables of the one before.
void build_whirl_tables(WhirlTables* tables, double P);

// Renders the frame n ticks after 13,196 with the given tables and shift:
// before 0 the still picture; up to 249 the warp over pixels of distance at
// most n (the rest keep what the frame holds); up to 749 the warp everywhere;
// from 750 the still picture over distances up to n - 750, the warp beyond.
void render_hyperbolic_whirl(HyperbolicWhirl& w, const WhirlTables& tables, int32_t n, int shift);
