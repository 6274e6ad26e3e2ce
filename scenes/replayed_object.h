// The replayed object, the seventh scene: a full turn of one textured,
// environment-mapped object is rendered at set-up into 256 small 8-bit
// frames, then played back at double size with every line taken from a
// different moment, offset by a wave that runs down the screen; the frames
// leave trails, a quarter-size copy sits in the top-left corner, and at the
// end the picture fades to black. It stops with the music or at tick 16,191.
//
// The state lives in one record, a local of the scene function; the frame
// routines are public so that tests and benchmarks can draw any tick.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/scene3d_kit.h"
#include "scenes/scene_kit.h"

constexpr uint32_t kReplayWaitUntil = 14891;  // playback starts past this tick
constexpr uint32_t kReplayLimit = scene_end_tick(kSceneReplayedObject);
constexpr uint32_t kReplayFadeStart = 15892;  // fading from the tick after
constexpr int kAnimationFrames = 256;
constexpr int kAnimationWidth = 160, kAnimationHeight = 100;
constexpr int kAnimationFrameBytes = kAnimationWidth * kAnimationHeight;

struct ReplayedObject {
  SceneMemory memory;
  SceneWorld world;
  LoadedTexture environment, main;
  uint8_t* animation;     // 256 frames of 160 x 100 palette indices
  uint32_t* render;       // 201 rows of 320 pixels: the wave may write row 200
  uint32_t* frame;        // the FrameBuffer, which holds the trails
  uint32_t colours[256];  // the combined palette as pixels
  uint8_t environment_palette[768], main_palette[768], combined_palette[768];
  uint32_t frame_count;   // playback iterations, from 1
};

// Set-up up to the pre-rendering: buffers, world, textures, the combined
// palette, the object, the display colours and the 160 x 100 x 8 viewport.
// Returns kSetUpDone; kSetUpNoMemory when memory runs out or a texture does
// not load; kSetUpBadData or kSetUpNoNormals on object data that cannot be
// used.
SceneSetUp replayed_object_open(ReplayedObject* s);

// Renders the object's full turn into the 256 animation frames.
void prerender_animation(ReplayedObject* s);

// The first animation frame of an iteration: a new one every two ticks.
inline uint32_t base_animation_frame(uint32_t c2) { return (c2 >> 1) % 256; }

// The wave's height: a triangle from 5 to 21 and back every 512 ticks, of
// the reading c1.
int32_t wave_amplitude(uint32_t c1);

// One playback iteration: counts the frame, lays the 100 waved lines over
// the faded trails and copies the quarter-size picture into the corner.
// c1 and c2 are the iteration's two clock readings.
void replay_frame(ReplayedObject* s, uint32_t c1, uint32_t c2);

// The corner copy: frame pixel (row j, column n) = pixel (4j, 4n) for the
// 50 x 80 corner, top row first, left to right.
void corner_copy(uint32_t* frame);

// The fade's brightness at clock: 255 - (clock - 15,892), at least 0.
int32_t replay_fade_level(uint32_t clock);
// Every colour channel of the frame scaled by level / 256 (rounded down);
// the top byte stays.
void fade_frame(uint32_t* frame, int32_t level);
