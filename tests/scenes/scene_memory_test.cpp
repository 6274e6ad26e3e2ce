// Scene buffers on every way out: a failed allocation and Escape at a closing
// poll return 0 with nothing left allocated, as does the normal end.
//
// This program takes malloc, calloc and free over (passing everything on to
// the C library's own allocator) to count the scene-sized blocks and to make
// one of them fail. Built only without the sanitizers, which replace the
// allocator themselves.
#include <gtest/gtest.h>

#include <cstddef>

#include "scenes/scenes.h"
#include "tests/support/scene_run.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void __libc_free(void* p);
}

namespace {

// Every buffer of both scenes is at least a frame's 64,000 bytes; smaller
// blocks (the test's own strings and vectors) are not counted.
constexpr size_t kSceneSized = 64000;

struct Ledger {
  bool armed = false;
  int fail_at = -1;  // the scene-sized request to refuse, counted from 0
  int requests = 0;
  void* live[64] = {};
  int live_count = 0;
} ledger;

void* note(void* p, size_t size) {
  if (!p || !ledger.armed || size < kSceneSized) return p;
  for (void*& slot : ledger.live)
    if (!slot) {
      slot = p;
      ledger.live_count++;
      break;
    }
  return p;
}

bool refuse(size_t size) { return ledger.armed && size >= kSceneSized && ledger.requests++ == ledger.fail_at; }

// Runs scene on the fake clock with the ledger on; returns its result.
int counted_run(int (*scene)(), SceneRun* run, int fail_at) {
  ledger = Ledger{};
  ledger.fail_at = fail_at;
  run->events.reserve(1 << 15);
  run->readings.reserve(1 << 14);
  run->frames.reserve(1 << 14);
  ledger.armed = true;
  int result = run_scene(scene, run);
  ledger.armed = false;
  return result;
}

}  // namespace

extern "C" void* malloc(size_t size) { return refuse(size) ? nullptr : note(__libc_malloc(size), size); }

extern "C" void* calloc(size_t count, size_t size) {
  return refuse(count * size) ? nullptr : note(__libc_calloc(count, size), count * size);
}

extern "C" void free(void* p) {
  if (p && ledger.live_count)
    for (void*& slot : ledger.live)
      if (slot == p) {
        slot = nullptr;
        ledger.live_count--;
        break;
      }
  __libc_free(p);
}

namespace {

struct SceneCase {
  const char* name;
  int (*scene)();
  int buffers;
  uint32_t start;  // a tick inside the scene's window
};
const SceneCase kScenes[] = {{"polar wipe", scene_polar_wipe, 6, 100},
                             {"hyperbolic whirl", scene_hyperbolic_whirl, 6, 13300}};

TEST(SceneMemory, AFailedAllocationReturnsZeroWithNothingLeft) {
  for (const SceneCase& s : kScenes)
    for (int fail = 0; fail < s.buffers; fail++) {
      SceneRun run;
      run.first_tick = s.start;
      EXPECT_EQ(counted_run(s.scene, &run, fail), 0) << s.name << " " << fail;
      EXPECT_EQ(ledger.requests, fail + 1) << s.name << ": stops at the first failure";
      EXPECT_EQ(ledger.live_count, 0) << s.name << " " << fail;
      EXPECT_EQ(run.presents, 0) << s.name;
    }
}

TEST(SceneMemory, EscapeAtAClosingPollLeavesNothingAllocated) {
  struct {
    int (*scene)();
    uint32_t start;
    std::set<int> escapes;
  } cases[] = {{scene_polar_wipe, 100, {2, 3}},    // after phase 1
               {scene_polar_wipe, 1500, {2, 3}},   // after phase 2
               {scene_polar_wipe, 2500, {3, 4}},   // after the swirl
               {scene_hyperbolic_whirl, 13300, {2, 3}}};
  for (auto& c : cases) {
    SceneRun run;
    run.first_tick = c.start;
    run.ticks_per_reading = 4;
    run.escape_polls = c.escapes;
    EXPECT_EQ(counted_run(c.scene, &run, -1), 0) << c.start;
    EXPECT_GE(ledger.requests, 5) << c.start;
    EXPECT_EQ(ledger.live_count, 0) << c.start;
  }
}

TEST(SceneMemory, TheNormalEndLeavesNothingAllocated) {
  for (const SceneCase& s : kScenes) {
    SceneRun run;
    run.first_tick = s.start + 2000;  // late, so the run is short
    EXPECT_EQ(counted_run(s.scene, &run, -1), 1) << s.name;
    EXPECT_EQ(ledger.requests, s.buffers) << s.name;
    EXPECT_EQ(ledger.live_count, 0) << s.name;
  }
}

}  // namespace
