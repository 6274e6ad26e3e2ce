// Whole scene functions on a fake show clock with a recording frame sink: the
// order of polls and clock readings in each phase, Escape, late entry, and
// every presented frame against the frame routines at the recorded ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "display/display.h"
#include "scenes/hyperbolic_whirl.h"
#include "scenes/polar_wipe.h"
#include "scenes/scenes.h"
#include "tests/support/scene_run.h"

namespace {

// A pattern of events repeated at_least to at_most times.
struct Step {
  const char* pattern;
  int at_least;
  int at_most;
};
constexpr int kMany = 1 << 30;

// True when the steps, each taking as many repeats as it can, use up events.
bool follows(const std::string& events, std::initializer_list<Step> steps) {
  size_t at = 0;
  for (const Step& s : steps) {
    size_t n = std::strlen(s.pattern);
    int repeats = 0;
    while (repeats < s.at_most && events.compare(at, n, s.pattern) == 0) {
      at += n;
      repeats++;
    }
    if (repeats < s.at_least) return false;
  }
  return at == events.size();
}

// Per frame, phases 1 and 2 poll, test the clock and read it again; the wait
// only reads; the swirl polls and reads once. A phase ends with a poll and a
// failed clock test, then the closing poll; the swirl's end presents W first.
bool in_polar_wipe_order(const std::string& events) {
  return follows(events, {{"PTTF", 1, kMany}, {"PTP", 1, 1}, {"PTTF", 1, kMany}, {"PTP", 1, 1}, {"F", 1, 1},
                          {"T", 0, kMany}, {"PTF", 1, kMany}, {"PFP", 1, 1}});
}

// Walks a run's events, keeping count of the clock readings passed.
struct Cursor {
  const SceneRun& run;
  size_t at = 0;
  size_t readings = 0;

  bool take(const char* pattern) {
    size_t n = std::strlen(pattern);
    if (run.events.compare(at, n, pattern) != 0) return false;
    for (size_t i = 0; i < n; i++) readings += pattern[i] == 'T';
    at += n;
    return true;
  }
  // The reading back ago readings before the last one taken.
  uint32_t reading(size_t back = 0) const { return run.readings[readings - 1 - back]; }
};

// The frames a complete run presented, rendered again by the frame routines
// from the run's own clock readings.
std::vector<uint64_t> replay_polar_wipe(const SceneRun& run) {
  PolarWipe w;
  EXPECT_TRUE(polar_wipe_open(w));
  std::vector<uint64_t> hashes;
  Cursor c{run};
  while (c.take("PTTF")) {
    render_sector_wipe(w, c.reading());
    hashes.push_back(frame_hash(w.frame));
  }
  c.take("PTP");
  while (c.take("PTTF")) {
    render_spiral_spread(w, c.reading());
    hashes.push_back(frame_hash(w.frame));
  }
  c.take("PTP");
  c.take("F");
  hashes.push_back(frame_hash(swirl_window(w)));
  while (c.take("T")) {
  }
  SwirlMotion motion = {0.0, 0.0};
  while (c.take("PTF")) {
    render_swirl(w, &motion, c.reading() - kSwirlStart);
    hashes.push_back(frame_hash(w.frame));
  }
  hashes.push_back(frame_hash(swirl_window(w)));
  polar_wipe_close(w);
  return hashes;
}

std::vector<uint64_t> replay_whirl(const SceneRun& run) {
  HyperbolicWhirl w;
  EXPECT_TRUE(hyperbolic_whirl_open(w));
  WhirlTables tables = {};
  std::vector<uint64_t> hashes;
  Cursor c{run};
  while (c.take("TPTTF")) {
    double P = c.reading(2) * 0.02;
    render_hyperbolic_whirl(w, tables, static_cast<int32_t>(c.reading() - kWhirlGrowStart), whirl_shift(P));
    hashes.push_back(frame_hash(w.frame));
    build_whirl_tables(&tables, P);
  }
  hyperbolic_whirl_close(w);
  return hashes;
}

size_t distinct(std::vector<uint64_t> hashes) {
  std::sort(hashes.begin(), hashes.end());
  return static_cast<size_t>(std::unique(hashes.begin(), hashes.end()) - hashes.begin());
}

// Index of the poll that starts phase 3's first frame.
int first_swirl_poll(const std::string& events) {
  size_t wait = events.find("PTPF");
  wait = events.find("PTPF", wait + 1);
  size_t swirl = events.find("PTF", wait + 4);
  return static_cast<int>(std::count(events.begin(), events.begin() + swirl, 'P'));
}

TEST(PolarWipeScene, PhasesRunInOrderOnTheShowClock) {
  SceneRun run;
  run.ticks_per_reading = 3;
  run.keep_frames = true;
  EXPECT_EQ(run_scene(scene_polar_wipe, &run), 1);
  ASSERT_TRUE(in_polar_wipe_order(run.events)) << run.events.substr(0, 200);
  EXPECT_TRUE(replay_polar_wipe(run) == run.frame_hashes);
  EXPECT_GT(distinct(run.frame_hashes), 500u) << "the embedded pictures move through every phase";

  // Phase 1 ends on the first reading past 1,279, phase 2 past 1,919; the
  // swirl's first reading is at 1,940 or later and its last one past 2,939.
  Cursor c{run};
  while (c.take("PTTF")) EXPECT_LE(c.reading(1), kSectorWipeLimit);
  c.take("PT");
  EXPECT_GT(c.reading(), kSectorWipeLimit);
  c.take("P");
  while (c.take("PTTF")) EXPECT_LE(c.reading(1), kSpiralSpreadLimit);
  c.take("PT");
  EXPECT_GT(c.reading(), kSpiralSpreadLimit);
  c.take("PF");
  while (c.take("T")) {
  }
  EXPECT_GE(c.reading(), kSwirlStart);
  size_t frames = 0;
  while (c.take("PTF")) frames++;
  EXPECT_GT(c.reading(), kSwirlStart + kSwirlLastTick);
  EXPECT_GT(frames, 300u);
}

TEST(PolarWipeScene, EscapeEndsOnlyTheRunningPhase) {
  SceneRun run;
  run.ticks_per_reading = 5;
  run.escape_polls = {3};
  EXPECT_EQ(run_scene(scene_polar_wipe, &run), 1);
  // Three frames of phase 1, the poll that saw Escape, the closing poll, and
  // phase 2 starts long before 1,200: its arms have not grown yet.
  EXPECT_EQ(run.events.substr(0, 14), "PTTFPTTFPTTFPP");
  EXPECT_LT(run.readings[8], 100u);
  EXPECT_TRUE(follows(run.events, {{"PTTF", 3, 3}, {"PP", 1, 1}, {"PTTF", 1, kMany}, {"PTP", 1, 1}, {"F", 1, 1},
                                   {"T", 0, kMany}, {"PTF", 1, kMany}, {"PFP", 1, 1}}))
      << run.events.substr(0, 200);
}

TEST(PolarWipeScene, EscapeAtAClosingPollEndsTheScene) {
  SceneRun phase1;
  phase1.ticks_per_reading = 5;
  phase1.escape_polls = {3, 4};
  EXPECT_EQ(run_scene(scene_polar_wipe, &phase1), 0);
  EXPECT_EQ(phase1.events, "PTTFPTTFPTTFPP");

  SceneRun phase2;
  phase2.first_tick = 1500;
  phase2.ticks_per_reading = 5;
  phase2.escape_polls = {3, 4};
  EXPECT_EQ(run_scene(scene_polar_wipe, &phase2), 0);
  // Phase 1 ends at once; phase 2 draws one frame before the Escapes.
  EXPECT_EQ(phase2.events, "PTPPTTFPP");
}

TEST(PolarWipeScene, EscapeDuringTheSwirlShowsTheWindowThenEnds) {
  SceneRun first;
  first.first_tick = 1900;
  first.ticks_per_reading = 2;
  EXPECT_EQ(run_scene(scene_polar_wipe, &first), 1);
  int swirl_poll = first_swirl_poll(first.events);

  for (int escapes : {1, 2}) {
    SceneRun run;
    run.first_tick = 1900;
    run.ticks_per_reading = 2;
    run.keep_frames = true;
    run.escape_polls = {swirl_poll + 5};
    if (escapes == 2) run.escape_polls.insert(swirl_poll + 6);
    EXPECT_EQ(run_scene(scene_polar_wipe, &run), escapes == 2 ? 0 : 1);
    // Five swirl frames, the poll that saw Escape, W, the closing poll.
    EXPECT_TRUE(follows(run.events, {{"PTP", 1, 1}, {"PTTF", 1, kMany}, {"PTP", 1, 1}, {"F", 1, 1}, {"T", 0, kMany},
                                     {"PTF", 5, 5}, {"PFP", 1, 1}}))
        << run.events;
    PolarWipe w;
    ASSERT_TRUE(polar_wipe_open(w));
    EXPECT_EQ(run.frame_hashes.back(), frame_hash(swirl_window(w)));
    polar_wipe_close(w);
  }
}

TEST(PolarWipeScene, EnteredAfterItsWindowItReturnsPromptly) {
  SceneRun run;
  run.first_tick = 3000;
  EXPECT_EQ(run_scene(scene_polar_wipe, &run), 1);
  // Both phases end at their first test; W, one swirl frame, W.
  EXPECT_EQ(run.events, "PTPPTPFTPTFPFP");
}

TEST(HyperbolicWhirlScene, FramesFollowTheClockWithTablesOneFrameBehind) {
  SceneRun run;
  run.first_tick = 13100;  // the still picture first, as when the scene starts on time
  run.ticks_per_reading = 2;
  run.keep_frames = true;
  EXPECT_EQ(run_scene(scene_hyperbolic_whirl, &run), 1);
  // Per frame, the whirl reads the clock, polls, tests the clock and reads it
  // again.
  ASSERT_TRUE(follows(run.events, {{"TPTTF", 1, kMany}, {"TPTP", 1, 1}})) << run.events.substr(0, 200);
  EXPECT_TRUE(replay_whirl(run) == run.frame_hashes);
  EXPECT_GT(distinct(run.frame_hashes), 100u) << "the embedded pictures move";
  // The last frame's limit test passed; the next iteration's failed.
  EXPECT_LE(run.readings[run.readings.size() - 4], kHyperbolicWhirlLimit);
  EXPECT_GT(run.readings.back(), kHyperbolicWhirlLimit);
}

TEST(HyperbolicWhirlScene, EscapeEndsTheLoopAndASecondOneTheShow) {
  for (int escapes : {1, 2}) {
    SceneRun run;
    run.first_tick = 13500;
    run.escape_polls = {4};
    if (escapes == 2) run.escape_polls.insert(5);
    EXPECT_EQ(run_scene(scene_hyperbolic_whirl, &run), escapes == 2 ? 0 : 1);
    EXPECT_EQ(run.events, "TPTTFTPTTFTPTTFTPTTFTPP");
  }
}

TEST(HyperbolicWhirlScene, EnteredAfterItsWindowItReturnsPromptly) {
  SceneRun run;
  run.first_tick = 14192;
  EXPECT_EQ(run_scene(scene_hyperbolic_whirl, &run), 1);
  EXPECT_EQ(run.events, "TPTP");
}

}  // namespace
