// Scene changes on the virtual machine of the check run, frame for frame:
// Right and Left go to a scene's first tick exactly as a later start there
// does (frames and sound), showing nothing more of the scene left; where the
// frames are the tick's own, they are the whole show's.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/timeline.h"
#include "display/display.h"
#include "tests/support/check_child.h"

namespace {

// A run from a scene's first tick, as a later start makes it, kept for the
// tests that compare with it.
const CheckedRun& started_at(ShowScene scene, long long slots) {
  static std::map<std::pair<int, long long>, CheckedRun> runs;
  auto key = std::make_pair(int(scene), slots);
  if (!runs.count(key)) runs[key] = run_check(kSceneStartTick[scene], slots);
  return runs[key];
}

// The whole show from its start, up to slot to.
const CheckedRun& whole_show(long long to) {
  static std::map<long long, CheckedRun> runs;
  if (!runs.count(to)) runs[to] = run_check(0, to);
  return runs[to];
}

constexpr long long kKeySlot = 60;  // the key comes a second into the run
const uint64_t kBlackHash = check_frame_hash(std::vector<uint32_t>(kFramePixels).data());

// Where the ticks jump last: the first frame after the last scene change
// (the number of frames when there was none).
size_t changed_at(const CheckedRun& run) {
  for (size_t i = run.ticks.size() - 1; i > 0; i--)
    if (run.ticks[i] != run.ticks[i - 1] + 1) return i;
  return run.ticks.size();
}

// In the changed run's sound, from a slot before from_slot on (the stream
// runs up to a block ahead of the frames), the reference's from its sample
// skip on follows for at least samples samples.
void expect_sound_follows(const CheckedRun& changed, size_t from_slot, const CheckedRun& reference,
                          size_t skip, size_t samples) {
  ASSERT_GT(reference.sound.size(), skip + 32000);
  const size_t from = std::min(changed.sound.size(), (from_slot - 1) * 2 * 32000 / 70);
  const auto probe =
      std::search(changed.sound.begin() + long(from), changed.sound.end(),
                  reference.sound.begin() + long(skip), reference.sound.begin() + long(skip) + 32000);
  ASSERT_NE(probe, changed.sound.end()) << "the reference's music is not in the changed run";
  const size_t common = std::min(size_t(changed.sound.end() - probe), reference.sound.size() - skip);
  EXPECT_GT(common, samples);
  EXPECT_TRUE(std::equal(probe, probe + ptrdiff_t(common), reference.sound.begin() + long(skip)));
}

// The slots from the last key's on, up to the change, are black: nothing
// more of the scene left. From the change on, every frame is the later
// start's at its tick, and the sound is the later start's from its second
// block on (the clock's first reading renders a block of the music's start
// before the later start moves it).
void expect_as_started(const CheckedRun& changed, ShowScene to, long long slots,
                       long long key_slot = kKeySlot) {
  const size_t at = changed_at(changed);
  ASSERT_LT(at, changed.ticks.size()) << "no scene change";
  EXPECT_EQ(changed.ticks[at], kSceneStartTick[to]);
  for (size_t i = size_t(key_slot); i < at; i++) EXPECT_EQ(changed.hashes[i], kBlackHash) << "slot " << i;
  const CheckedRun& started = started_at(to, slots);
  std::map<uint32_t, uint64_t> frame_at;
  for (size_t i = 0; i < started.ticks.size(); i++) frame_at[started.ticks[i]] = started.hashes[i];
  size_t compared = 0;
  for (size_t i = at; i < changed.ticks.size(); i++) {
    auto f = frame_at.find(changed.ticks[i]);
    if (f == frame_at.end()) continue;
    EXPECT_EQ(changed.hashes[i], f->second) << "tick " << changed.ticks[i];
    compared++;
  }
  EXPECT_GT(compared, size_t(slots) * 9 / 10);
  expect_sound_follows(changed, size_t(key_slot), started, 2 * 640, size_t(slots) * 32000 * 2 / 70 / 2);
}

class NextScene : public testing::TestWithParam<int> {};

// Right in the last phase of every scene but the last (two seconds before
// its end, where a scene's way out has frames of its own to show) goes to
// the next one. The replayed object waits ten seconds before it draws: its
// run is longer.
TEST_P(NextScene, GoesToItsFirstTickAsALaterStartDoes) {
  const ShowScene from = static_cast<ShowScene>(GetParam()), to = static_cast<ShowScene>(GetParam() + 1);
  const long long slots = to == kSceneReplayedObject ? 800 : 300;
  const CheckedRun changed =
      run_check(scene_end_tick(from) - kKeySlot - 140, kKeySlot + slots, {{kKeySlot, kKeyNextScene}});
  expect_as_started(changed, to, slots);
}
INSTANTIATE_TEST_SUITE_P(EveryScene, NextScene, testing::Range(0, int(kShowSceneCount) - 1));

// Left goes back a scene; two presses at once go two scenes on; and a scene
// gone back to is as a later start has it, though it ran before (its
// sinking pixels draw from the show's random sequence).
TEST(SceneKeys, LeftGoesBackAndTwoPressesGoTwoScenes) {
  expect_as_started(
      run_check(kSceneStartTick[kSceneObjectRing], kKeySlot + 300, {{kKeySlot, kKeyPreviousScene}}),
      kScenePictureWipes, 300);
  expect_as_started(run_check(kSceneStartTick[kScenePolarWipe] + 100, kKeySlot + 300,
                              {{kKeySlot, kKeyNextScene}, {kKeySlot, kKeyNextScene}}),
                    kScenePictureWipes, 300);
  expect_as_started(run_check(kSceneStartTick[kSceneTwistingSilhouette], 2 * kKeySlot + 300,
                              {{kKeySlot, kKeyNextScene}, {2 * kKeySlot, kKeyPreviousScene}}),
                    kSceneTwistingSilhouette, 300, 2 * kKeySlot);
}

// Left in the first scene starts it again, the music from its first note
// as in a whole show; Right in the last changes nothing. The opening wipe's
// frames are the tick's own.
TEST(SceneKeys, LeftInTheFirstSceneStartsItAgainRightInTheLastDoesNothing) {
  const CheckedRun again = run_check(500, kKeySlot + 300, {{kKeySlot, kKeyPreviousScene}});
  const size_t at = changed_at(again);
  ASSERT_LT(at, again.ticks.size());
  EXPECT_EQ(again.ticks[at], 0u);
  const CheckedRun& whole = whole_show(400);
  for (size_t i = at; i < again.ticks.size(); i++) EXPECT_EQ(again.hashes[i], whole.hashes[again.ticks[i]]);
  expect_sound_follows(again, kKeySlot, whole, 0, 300 * 32000 * 2 / 70 / 2);

  const CheckedRun last =
      run_check(kSceneStartTick[kSceneTunnel], kKeySlot + 100, {{kKeySlot, kKeyNextScene}});
  const CheckedRun& started = started_at(kSceneTunnel, kKeySlot + 100);
  EXPECT_EQ(changed_at(last), last.ticks.size());
  EXPECT_EQ(last.hashes, started.hashes);
}

// The picture wipes draw each frame from its tick alone: after a change
// into them, every frame from the tick the whole show enters them is the
// whole show's.
TEST(SceneKeys, FramesOfTheTicksOwnAreTheWholeShows) {
  const CheckedRun changed =
      run_check(kSceneStartTick[kSceneTwistingSilhouette], kKeySlot + 300, {{kKeySlot, kKeyNextScene}});
  const CheckedRun& whole = whole_show(kSceneStartTick[kScenePictureWipes] + 400);
  size_t compared = 0;
  for (size_t i = changed_at(changed); i < changed.ticks.size(); i++) {
    const uint32_t tick = changed.ticks[i];
    // The whole show finishes the silhouette's last frame first.
    if (tick < kSceneStartTick[kScenePictureWipes] + 2 || tick >= whole.hashes.size()) continue;
    EXPECT_EQ(changed.hashes[i], whole.hashes[tick]) << "tick " << tick;
    compared++;
  }
  EXPECT_GT(compared, 290u);
}

}  // namespace
