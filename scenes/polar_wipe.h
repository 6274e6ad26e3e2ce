// The opening scene, polar wipe and swirl: a picture uncovered through
// rotating sectors inside a growing wavy circle (until tick 1,279), a second
// picture spreading over it along spiral arms (until 1,919), then that second
// picture swirling for 1,000 ticks from 1,940. Everything is polar around the
// frame's centre. The frame routines are public so that tests and benchmarks
// can render any tick without the clock.
#pragma once
#include <cstdint>

#include "scenes/polar_maps.h"
#include "scenes/scene_kit.h"

// Show ticks where the phases end (a phase runs while readings stay at or
// below its limit) and where the swirl starts.
constexpr uint32_t kSectorWipeLimit = 1279;
constexpr uint32_t kSpiralSpreadLimit = 1919;
constexpr uint32_t kSwirlStart = 1940;
// The swirl runs while its elapsed ticks stay at or below this.
constexpr uint32_t kSwirlLastTick = 999;

// The swirled picture is 320 x 400; its window W is rows 101 to 300.
constexpr int kSwirlPixels = 320 * 400;
constexpr int kSwirlWindowOffset = 101 * 320;

// The swirl's warp of one frame and its brightness by map radius.
struct SwirlTables {
  PolarWarp warp;
  uint8_t brightness[256];
};

// Everything the scene keeps. The buffers come from memory at polar_wipe_open
// and go with it; the small tables are rebuilt by the frame routines.
struct PolarWipe {
  SceneMemory memory;
  uint8_t* indices;  // 128,000 decoded palette indices
  int32_t* lookup;   // PolarLookup into swirl (samples outside it go to its black pixel)
  uint32_t* frame;   // the FrameBuffer
  uint32_t* swirl;   // picture A, 320 x 400, then one black pixel at kSwirlPixels
  uint32_t* sector;  // picture B, 320 x 200; pixels equal to 0 are empty
  PolarMaps* maps;   // round radius and angle around the frame's centre
  uint8_t sector_mask[256];  // per angle step: dark, half or full
  int32_t wave[256];         // phase 1's circle radius per angle step
  SwirlTables swirl_tables;
};

// The swirl's wobble, carried from one frame to the next: P sets the phase of
// the ripples, Q their strength (0 at both ends of the swirl, about 33.3 in
// the middle).
struct SwirlMotion {
  double P;
  double Q;
};

// Takes the buffers, decodes and converts both pictures (a picture that does
// not decode stays black) and builds the maps and the PolarLookup. Returns
// false, with nothing left allocated, when an allocation fails. w is fresh
// or closed.
bool polar_wipe_open(PolarWipe& w);

// Frees the buffers (the state's destructor does it too); safe to call twice.
void polar_wipe_close(PolarWipe& w);

// The window W of the swirled picture, presented between the phases.
const uint32_t* swirl_window(const PolarWipe& w);

// Phase 1 at tick t: picture B through four rotating sectors with spokes,
// inside a wavy circle whose radius wavers between t / 8 and t / 4;
// everything else black. Pure black pixels of B stay black.
void render_sector_wipe(PolarWipe& w, uint32_t t);

// Phase 2 at tick t: picture B, with W spreading over it along eight spiral
// arms whose width grows by one angle step every 16 ticks from tick 1,200.
void render_spiral_spread(PolarWipe& w, uint32_t t);

// Phase 3 at elapsed tick e (from 1,940): W's whole picture turned by
// 128 + 255 e / 1000 angle steps and wobbled by the previous frame's motion,
// its brightness rippling by radius; then motion advances to e.
void render_swirl(PolarWipe& w, SwirlMotion* motion, uint32_t e);
