// The browser build's check run (web/check_run.h), run natively in a child
// process for the tests that compare frames with it: the run ends the
// process it runs in, so the child sends its result back through a pipe.
#pragma once
#include <cstdint>
#include <vector>

#include "web/check_run.h"

struct CheckedRun {
  std::vector<uint32_t> ticks;   // the show tick of each kept slot
  std::vector<uint64_t> hashes;  // check_frame_hash of each kept slot's frame
  std::vector<int16_t> sound;    // 16-bit stereo at 32,000 Hz, as the run trims it
};

// Runs the plan; fails the calling test when the child dies or sends nothing.
CheckedRun run_check(const CheckPlan& plan);

// run_check of slots 0..to of a run moved to start first (0: the whole
// show's start), with keys pressed on the way.
CheckedRun run_check(uint32_t start, long long to, const std::vector<CheckKey>& keys = {});
