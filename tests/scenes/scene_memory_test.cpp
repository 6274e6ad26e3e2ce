// Every scene when memory runs out: the allocations of its set-up and first
// frames on the capture's virtual machine fail in turn, and each time the
// scene either says kSceneNoMemory (or its normals' failure) before its
// first frame with everything it took given back, or draws exactly the
// frames of a run where nothing failed. An allocation made again and again
// from one place (an object of the ring, a texture) fails there the first
// two times and the last: the whirl's set-up makes 184, each run costs its
// tables' 70 ms, and the calls in between take the same way out. Escape at
// a closing poll and the normal end leave nothing allocated either.
//
// The program is linked with --wrap for malloc, calloc, realloc and free, so
// the show's own allocations come here first and pass on to the allocator
// (the sanitizers' one in a sanitized build).
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <vector>

#include "base/clock.h"
#include "base/timeline.h"
#include "display/virtual_machine.h"
#include "scenes/scenes.h"
#include "show/start_up.h"
#include "sound/devices.h"
#include "tests/support/scene_run.h"

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* p, size_t size);
void __real_free(void* p);
}

namespace {

// The allocations of one armed run: how many were asked for, which one to
// refuse, and the blocks given out and not yet freed.
struct Ledger {
  bool armed = false;
  long fail_at = 0;  // 1 is the first allocation; 0 refuses none
  long requests = 0;
  std::vector<void*> live;
  std::vector<void*> callers;  // where each allocation was asked for, in order
} ledger;

bool refuse(void* caller) {
  if (!ledger.armed) return false;
  if (ledger.callers.size() < ledger.callers.capacity()) ledger.callers.push_back(caller);
  return ++ledger.requests == ledger.fail_at;
}

void* note(void* p) {
  if (p && ledger.armed) ledger.live.push_back(p);
  return p;
}

void forget(void* p) {
  if (!p || !ledger.armed) return;
  for (void*& q : ledger.live)
    if (q == p) {
      q = ledger.live.back();
      ledger.live.pop_back();
      return;
    }
}

}  // namespace

#define CALLER __builtin_return_address(0)
extern "C" void* __wrap_malloc(size_t size) { return refuse(CALLER) ? nullptr : note(__real_malloc(size)); }
extern "C" void* __wrap_calloc(size_t count, size_t size) {
  return refuse(CALLER) ? nullptr : note(__real_calloc(count, size));
}
extern "C" void* __wrap_realloc(void* p, size_t size) {
  if (size > 0 && refuse(CALLER)) return nullptr;
  void* q = __real_realloc(p, size);
  if (q || size == 0) forget(p);
  return note(q);
}
extern "C" void __wrap_free(void* p) {
  forget(p);
  __real_free(p);
}

namespace {

int (*const kSceneRuns[kShowSceneCount])() = {
    scene_polar_wipe,      scene_twisting_silhouette, scene_picture_wipes,   scene_object_ring,
    scene_whirl_greetings, scene_hyperbolic_whirl,    scene_replayed_object, scene_tunnel};
constexpr long long kFirstFrames = 3;

struct Outcome {
  int result = -1;
  long requests = 0;
  size_t live = 0;
  std::vector<uint64_t> frames;  // the hash of each slot filled
  std::vector<void*> callers;    // where each allocation was asked for
};
Outcome* current;

void keep_slot(long long, const uint32_t* frame) { current->frames.push_back(frame_hash(frame)); }
void no_sound(double) {}
void no_close() {}

// The scene from its own start tick until the virtual machine has filled
// kFirstFrames slots (its polls then say Escape, as a capture's --to does),
// with allocation fail_at refused.
Outcome run_scene_failing(ShowScene scene, long fail_at) {
  Outcome outcome;
  current = &outcome;
  outcome.frames.reserve(64);
  vm_start(70, kFirstFrames - 1, keep_slot, no_sound, no_close);
  clock_reset();
  show_clock_start_at(kSceneStartTick[scene]);
  show_ticks();
  ledger.live.clear();
  ledger.live.reserve(4096);
  ledger.callers.clear();
  ledger.callers.reserve(4096);
  ledger.requests = 0;
  ledger.fail_at = fail_at;
  ledger.armed = true;
  outcome.result = kSceneRuns[scene]();
  ledger.armed = false;
  outcome.requests = ledger.requests;
  outcome.live = ledger.live.size();
  outcome.callers = ledger.callers;
  display_set_sink(nullptr);
  clock_set_source(nullptr);
  clock_reset();
  return outcome;
}

struct SceneMemory : testing::TestWithParam<ShowScene> {
  static void SetUpTestSuite() {
    // The tables and the module, as a capture prepares them: the seventh
    // scene ends when the music's speed is 0.
    ASSERT_EQ(show_prepare([] { return sd_offline_init(kSound16Bit); }), kShowPrepared);
  }
};

// The allocations to fail, numbered from 1: every one, but of those asked
// for from the same place only the first two and the last.
std::vector<long> allocations_to_fail(const std::vector<void*>& callers) {
  std::vector<long> chosen;
  for (size_t i = 0; i < callers.size(); i++) {
    int before = 0;
    bool again = false;
    for (size_t j = 0; j < callers.size(); j++) {
      before += j < i && callers[j] == callers[i];
      again = again || (j > i && callers[j] == callers[i]);
    }
    if (before < 2 || !again) chosen.push_back(long(i) + 1);
  }
  return chosen;
}

TEST_P(SceneMemory, EveryAllocationFailsInTurnAndTheSceneGivesEverythingBack) {
  const ShowScene scene = GetParam();
  const Outcome whole = run_scene_failing(scene, 0);
  ASSERT_GE(whole.frames.size(), size_t(kFirstFrames));
  ASSERT_GT(whole.requests, 0);
  ASSERT_EQ(whole.callers.size(), size_t(whole.requests));
  EXPECT_EQ(whole.live, 0u) << "the run where nothing failed left blocks allocated";
  const std::vector<long> chosen = allocations_to_fail(whole.callers);
  for (long n : chosen) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(whole.requests));
    const Outcome failed = run_scene_failing(scene, n);
    EXPECT_EQ(failed.live, 0u);
    if (failed.result == kSceneNoMemory || failed.result == kSceneNoNormals) {
      EXPECT_TRUE(failed.frames.empty()) << "a scene that runs out of memory does so before its first frame";
    } else {
      EXPECT_EQ(failed.result, whole.result);
      EXPECT_EQ(failed.frames, whole.frames) << "a refusal the scene survives changes nothing it shows";
    }
  }
  RecordProperty("allocations", int(whole.requests));
  RecordProperty("failed", int(chosen.size()));
  std::printf("scene %d: %zu of its %ld allocations failed in turn\n", int(scene), chosen.size(),
              whole.requests);
}

// Runs scene on the fake clock with the ledger on; returns its result.
int counted_run(int (*scene)(), SceneRun* run) {
  run->events.reserve(1 << 15);
  run->readings.reserve(1 << 14);
  run->frames.reserve(1 << 14);
  ledger.live.clear();
  ledger.live.reserve(4096);
  ledger.requests = 0;
  ledger.fail_at = 0;
  ledger.armed = true;
  const int result = run_scene(scene, run);
  ledger.armed = false;
  return result;
}

TEST(SceneMemoryEndings, EscapeAtAClosingPollLeavesNothingAllocated) {
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
    EXPECT_EQ(counted_run(c.scene, &run), kSceneEndsShow) << c.start;
    EXPECT_GE(ledger.requests, 5) << c.start;
    EXPECT_EQ(ledger.live.size(), 0u) << c.start;
  }
}

TEST(SceneMemoryEndings, TheNormalEndLeavesNothingAllocated) {
  const struct {
    int (*scene)();
    uint32_t late;  // a tick late in the scene's window, so that the run is short
  } cases[] = {{scene_polar_wipe, 2900}, {scene_hyperbolic_whirl, 14150}, {scene_object_ring, 10440}};
  for (const auto& c : cases) {
    SceneRun run;
    run.first_tick = c.late;
    EXPECT_EQ(counted_run(c.scene, &run), kSceneRanToEnd) << c.late;
    EXPECT_GE(ledger.requests, 5) << c.late;
    EXPECT_EQ(ledger.live.size(), 0u) << c.late;
  }
}

std::string scene_name(const testing::TestParamInfo<ShowScene>& info) {
  static const char* const kNames[kShowSceneCount] = {
      "PolarWipe",      "TwistingSilhouette", "PictureWipes",   "ObjectRing",
      "WhirlGreetings", "HyperbolicWhirl",    "ReplayedObject", "Tunnel"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(AllScenes, SceneMemory, testing::Range(kScenePolarWipe, kShowSceneCount),
                         scene_name);

}  // namespace
