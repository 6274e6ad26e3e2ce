// Whirl, object ring and greetings, the fifth scene: a dark picture turns in
// a polar whirl behind twenty spinning objects seen by a drifting,
// upside-down camera; greetings in a large jittering font fade in and out;
// everything leaves trails, and in the last 255 ticks a threshold map eats
// the picture away.
//
// The state lives in one record, a local of the scene function; the frame
// routines are public so that tests and benchmarks can draw any tick.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/polar_maps.h"
#include "scenes/scene3d_kit.h"
#include "scenes/scene_kit.h"

constexpr uint32_t kWhirlGreetingsLimit = scene_end_tick(kSceneWhirlGreetings);
// The final fade: m = kFadeEnd - clock; pixels whose threshold is above m go
// black once m is at most 254.
constexpr int32_t kFadeEnd = 13122;
constexpr int kWhirlObjects = 20;
constexpr int kJitterPairs = 90;
constexpr int kGlyphSize = 32;
constexpr int kFontGlyphIndex = 13;  // font pixels of this index are ink
constexpr int kFadeLevels = 27;

// The greetings: which text, where, how long it lives and how bright it is.
struct Greetings {
  const char* text;
  int32_t x, y;
  int32_t life;
  int32_t fade;   // 0..27; the colour is text colour fade / 3
  int32_t index;  // into kGreetings; -1 after an "e" was drawn
  uint8_t dx[kJitterPairs], dy[kJitterPairs];
  uint32_t random;  // the jitter's generator, the same sequence every run
};

struct WhirlGreetings {
  SceneMemory memory;
  SceneWorld world;
  uint32_t* texture[3];    // 32-bit Texture256 each
  uint32_t* whirl_source;  // 64,000 pixels of the whirl picture, rows of 256
  uint32_t* work;          // the whirl picture's indices, then each frame's whirl
  uint8_t* threshold;      // the final fade's map, 320 x 200
  uint32_t* render;        // the engine's render target
  uint32_t* frame;         // the FrameBuffer, which holds the trails
  PolarMaps* maps;         // radius: distance D; angle: A
  int32_t* lookup;         // PolarLookup into the whirl source
  uint8_t* font;           // 320 x 200 indices
  PolarWarp warp;          // radius ripple R1, angle twist R2; zero at first
  double phase;            // P
  uint32_t text_colour[10];
  Greetings greet;
  uint8_t palette[768];
};

extern const RingShape kWhirlRingShape;

// Set-up: buffers, threshold map, whirl picture and tables, viewport,
// world, textures, text colours, font, the twenty objects and the first
// text. Returns kSetUpDone; kSetUpNoMemory when memory runs out;
// kSetUpBadData or kSetUpNoNormals on object data that cannot be used.
SceneSetUp whirl_greetings_open(WhirlGreetings* s);

// The ten text colours, entry 9 = (217, 40, 120) and each lower entry 0.9
// times the one above, truncated per channel.
void make_text_colours(uint32_t* colours);

// init_whirl_tables: the distance and angle maps, the PolarLookup and the
// phase 510.
void init_whirl_tables(WhirlGreetings* s);

// The whirl into work with the tables as they stand, then the tables of the
// next frame and the next phase.
void render_whirl(WhirlGreetings* s);

// The jitter's random numbers: 0..32767, a fixed sequence from start.
int greet_random(Greetings* g);
// Starts a text at (x, y) with life steps to live, with new jitter.
void greet_start(Greetings* g, int32_t x, int32_t y, const char* text, int32_t life);
// One step of the text animation: jitter, fade in or out, next text.
void greet_tick(Greetings* g);
// Draws the text into frame (when its fade is above 0); an "e" sends the
// list back to its start.
void greet_draw(Greetings* g, const uint32_t* colours, const uint8_t* font, uint32_t* frame);
// Glyph of character c at (column, row) in colour. A glyph crossing the right
// edge continues on the next row; nothing is written outside the frame.
void draw_glyph(uint8_t c, int32_t column, int32_t row, uint32_t colour, const uint8_t* font, uint32_t* frame);

// The camera at tick t and the twenty objects into the render target.
void whirl_draw_objects(WhirlGreetings* s, uint32_t t);
// The trails: frame = faded frame + objects; the render target becomes the
// whirl, the backdrop of the next frame's objects. Then the text on top.
void whirl_compose(WhirlGreetings* s);
// The final fade at m: every pixel whose threshold is above m goes black.
void threshold_fade(WhirlGreetings* s, int32_t m);
