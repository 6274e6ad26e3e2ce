// What the polar scenes' tests share: test pictures, the frame geometry worked
// out from its definitions, and a fake show clock with a recording frame sink
// for driving whole scene functions in the test process.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

// A colour for index i that is never 0 and differs between neighbours;
// byte 3 is clear, as in every converted picture.
uint32_t test_colour(uint32_t i);

// Centred coordinates of frame pixel m (x = column - 160, y = row - 100).
int pixel_x(int m);
int pixel_y(int m);

// Frame pixels that differ between two frames (first few listed in *where).
int count_differences(const uint32_t* a, const uint32_t* b, int pixels, std::string* where);

// FNV-1a over a frame's pixels.
uint64_t frame_hash(const uint32_t* frame);

// A whole scene run on a fake clock: every clock reading moves time on by
// ticks_per_reading, polls report Escape at the listed poll numbers (counted
// from 0), and presented frames are hashed. events gets one letter per call:
// T a clock reading, P a poll, F a present.
struct SceneRun {
  uint32_t first_tick = 0;        // tick of the first reading in the scene
  double ticks_per_reading = 1.0;
  std::set<int> escape_polls;
  bool keep_frames = false;       // hash every presented frame

  std::string events;
  std::vector<uint32_t> readings;      // every clock reading, in order
  std::vector<uint64_t> frame_hashes;  // when keep_frames
  int polls = 0;
  int presents = 0;
};

// Starts the show clock on the fake time source, installs the recording sink,
// runs scene and restores the wall clock and the X11 sink. Returns the
// scene's result.
int run_scene(int (*scene)(), SceneRun* run);
