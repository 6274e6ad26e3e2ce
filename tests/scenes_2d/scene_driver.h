// Runs a whole scene function in the test process: a fake show clock that
// moves only when a frame is presented, and a frame sink that records what
// the scene showed and answers polls from a script.
#pragma once
#include <cstdint>
#include <vector>

struct ShownFrame {
  uint32_t tick;                // show tick when it was presented
  std::vector<uint32_t> pixels; // kept only for the ticks asked for, else empty
  uint64_t sum;                 // checksum of the pixels
};

struct SceneDriver {
  uint32_t tick = 0;            // the show clock's reading
  uint32_t ticks_per_frame = 1; // how far each present moves the clock
  std::vector<uint32_t> keep;   // ticks whose frames are kept whole (first frame at or after each)
  std::vector<uint32_t> escapes_at;  // a poll at or after each of these ticks takes one Escape
  std::vector<ShownFrame> frames;
  int polls = 0;
  int readings = 0;

  // Installs the fake clock (started, reading start_tick) and the sink.
  void start(uint32_t start_tick, uint32_t step);
  // Puts the wall clock and the X11 sink back.
  static void stop();
  // The kept frame presented first at or after tick, or nullptr.
  const ShownFrame* kept_at(uint32_t tick) const;
};

extern SceneDriver driver;
