// The picture wipe sequence: five pictures brought in one after another by a
// tall transition picture scrolling up through the screen, a last wipe to
// black, and a dissolve into a dark final picture.
//
// The frame routines are public so that tests and benchmarks can draw any
// stage at any tick from pictures of their own.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/scene_kit.h"

constexpr int kTransitionPixels = 320 * 400;

// A wipe stage: it runs while the show clock is at most limit; its wipe
// starts (the transition picture's top edge at the screen's bottom) at start.
struct WipeStage {
  uint32_t limit;
  uint32_t start;
};
constexpr int kWipeStages = 6;
constexpr WipeStage kWipeStage[kWipeStages] = {{7195, 6796}, {7595, 7196}, {7995, 7596},
                                               {8395, 7996}, {8795, 8396}, {9195, 8796}};
constexpr uint32_t kDissolveStart = 9196;  // u counts from here
constexpr uint32_t kWipesEnd = scene_end_tick(kScenePictureWipes);

// Everything the scene keeps. The buffers come from memory at wipes_open and
// go with it.
struct WipeScene {
  SceneMemory memory;
  uint8_t* indices;      // the transition picture's indices, or the threshold picture
  uint32_t* frame;
  uint32_t* outgoing;
  uint32_t* incoming;
  uint32_t* transition;  // the transition picture's own colours, 320x400
  uint8_t palette[768];
};

// Takes the five zeroed buffers (the frame starts black, which a dissolve
// entered without any wipe starts from) and loads stage 1's pictures: black
// out, gallery picture 1 in, the transition picture. Returns false, with
// nothing left allocated, when memory runs out. s is fresh or closed.
bool wipes_open(WipeScene& s);
// Frees the buffers (the state's destructor does it too); safe to call twice.
void wipes_close(WipeScene& s);
// The stage change into stage (2..6, counted from 1): incoming becomes
// outgoing, the next gallery picture (black for stage 6) comes in, and the
// transition picture is decoded again over the gallery picture's indices.
void wipes_enter_stage(WipeScene& s, int stage);
// The change into the dissolve: the final picture in, the threshold picture
// into the indices (its palette unused).
void wipes_enter_dissolve(WipeScene& s);

// One wipe frame with the transition picture offset pixels (two rows per
// tick: (t - T0) * 640) up from its start below the screen: frame pixel c
// looks at transition pixel m = c + offset - 64,000. Before it (m < 0) the
// outgoing picture shows, past it the incoming one; inside it index 1 shows
// outgoing, 2 incoming, any other index the transition picture's colour.
void wipes_wipe_frame(WipeScene& s, int64_t offset);
// One dissolve frame at u ticks since 9,196: every pixel whose threshold is
// below u shows the final picture at one eighth brightness; the others keep
// what the frame holds.
void wipes_dissolve_frame(WipeScene& s, int32_t u);
