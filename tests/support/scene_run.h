// Whole scenes in the test process, and the frame helpers their tests and
// benchmarks share: one fake show clock, one recording frame sink, one frame
// hash. Needs no test framework, so benchmarks link it too.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "data/content.h"
#include "display/display.h"

// A colour for index i that is never 0 and differs between neighbours;
// byte 3 is clear, as in every converted picture.
uint32_t test_colour(uint32_t i);

// Centred coordinates of frame pixel m (x = column - 160, y = row - 100).
int pixel_x(int m);
int pixel_y(int m);

// Frame pixels that differ between two frames (first few listed in *where).
int count_differences(const uint32_t* a, const uint32_t* b, int pixels, std::string* where);

// FNV-1a over a frame's 64,000 pixels.
uint64_t frame_hash(const uint32_t* frame);

// The embedded picture of role as the scenes convert it (indexed_to_rgb32),
// pixels long.
std::vector<uint32_t> embedded_picture(PictureRole role, int pixels = kFramePixels);

// A folder of its own for this test program's files, made under /tmp on the
// first call; later calls return the same folder.
std::string test_temp_dir();

// One presented frame: the show tick the clock read when it was presented,
// its hash, and its pixels when it was kept.
struct ShownFrame {
  uint32_t tick;
  uint64_t hash;
  std::vector<uint32_t> pixels;
};

// A whole scene run on a fake clock. Time moves by ticks_per_reading at every
// clock reading and by ticks_per_present at every present; every reading
// sits half a tick off the tick boundaries. A poll reports Escape when its
// number (counted from 0) is in escape_polls, or when the clock has reached
// one of escape_ticks (each such tick is used up by the poll that takes it).
// events gets one letter per call: T a clock reading, P a poll, F a present.
struct SceneRun {
  uint32_t first_tick = 0;        // tick of the first reading in the scene
  uint32_t show_from = 0;         // the show started at this tick (--from); 0: at the beginning
  double ticks_per_reading = 1.0;
  double ticks_per_present = 0.0;
  std::set<int> escape_polls;
  std::vector<uint32_t> escape_ticks;
  std::vector<uint32_t> keep_ticks;  // the first frame presented at or after each keeps its pixels
  bool keep_frames = false;          // also collect every frame's hash in frame_hashes

  std::string events;
  std::vector<uint32_t> readings;      // every clock reading, in order
  std::vector<uint64_t> frame_hashes;  // when keep_frames
  std::vector<ShownFrame> frames;      // every presented frame
  int polls = 0;
  int presents = 0;

  // The kept frame presented first at or after tick, or nullptr.
  const ShownFrame* kept_at(uint32_t tick) const;
};

// Starts the show clock on the fake time source, installs the recording sink,
// runs scene and restores the wall clock and the X11 sink. Returns the
// scene's result. The records (events to presents) start afresh; the
// settings are used as they are, escape_ticks being used up.
int run_scene(int (*scene)(), SceneRun* run);

// run_scene from first_tick on a clock that moves only when a frame is
// presented, by ticks_per_present.
int run_scene_paced(int (*scene)(), SceneRun* run, uint32_t first_tick, double ticks_per_present);
