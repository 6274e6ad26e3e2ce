// The object ring, the fourth scene: ten environment-mapped objects spin on
// a ring around a fixed camera that swings its view around them; every
// frame is laid over the faded previous one on a dim background, and at the
// end the picture slides up off the screen.
//
// The state lives in one record, a local of the scene function; the frame
// routines are public so that tests and benchmarks can draw any tick.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/scene3d_kit.h"
#include "scenes/scene_kit.h"

// The frame loop runs while the clock reads at most this; the slide starts
// on the tick after kRingSlideStart.
constexpr uint32_t kObjectRingLimit = scene_end_tick(kSceneObjectRing);
constexpr uint32_t kRingSlideStart = 10252;
constexpr int kRingObjects = 10;

struct ObjectRing {
  SceneMemory memory;
  SceneWorld world;
  uint8_t* indices;      // the background picture's indices
  uint32_t* texture;     // a 32-bit Texture256 (the ring's only texture)
  uint32_t* background;  // 320 x 200 pixels
  uint32_t* render;      // the engine's render target, reset to the background
  uint32_t* trails;      // 400 rows; the frame shown is a 200-row window
  uint8_t palette[768];
  uint32_t tick;         // the frame's tick, read by the objects' spin
};

// The ring's shape: object k = 1..10 at 36-degree steps.
extern const RingShape kObjectRingShape;

// Set-up: buffers, world, textures, background, the ten objects, viewport
// and fade table. Returns kSetUpDone; kSetUpNoMemory when a buffer or the
// engine's work buffers cannot be allocated; kSetUpBadData or
// kSetUpNoNormals on object data that cannot be used.
SceneSetUp object_ring_open(ObjectRing* s);

// Draws the ring at tick t into the render target and lays it over the
// faded trails (the render target is then the background again).
void object_ring_frame(ObjectRing* s, uint32_t t);

// The first row of the trail buffer shown at tick t: 0 until the slide
// starts, then one row further per tick, at most 200 (all black).
uint32_t ring_window_row(uint32_t t);

// The 320 x 200 window of the trails presented at tick t.
const uint32_t* object_ring_window(const ObjectRing& s, uint32_t t);
