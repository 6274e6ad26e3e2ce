// The real show in a window of the test X server, typed at as a keyboard
// would (xdotool): a later start shows nothing of another scene first;
// Right goes to the next scene, showing nothing more of the one left; Space
// holds the picture and the clock, and the show goes on where it was. A
// test preload logs every image sent to the server with its time and the
// check run's hash of its frame; the picture wipes draw each frame from its
// tick alone, so the check run's frames name the tick of each image.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/timeline.h"
#include "display/display.h"
#include "tests/display/show_window.h"
#include "tests/support/check_child.h"
#include "tests/support/support.h"

namespace {

struct Image {
  double seconds;
  uint64_t hash;
};

// The picture wipes' frames by hash, from their first tick on.
const std::map<uint64_t, uint32_t>& wipe_ticks() {
  static std::map<uint64_t, uint32_t> ticks;
  if (ticks.empty()) {
    const CheckedRun run = run_check(kSceneStartTick[kScenePictureWipes], 1400);
    for (size_t i = 0; i < run.ticks.size(); i++) ticks.emplace(run.hashes[i], run.ticks[i]);
  }
  return ticks;
}

const uint64_t kBlackHash = check_frame_hash(std::vector<uint32_t>(kFramePixels).data());

// Runs the show from tick in mode 1 without sound, types each step's keys
// after its pause, presses Escape at the end and returns the images it sent.
struct Step {
  double pause_seconds;
  std::vector<std::string> keys;  // xdotool's arguments; empty: none
};
std::vector<Image> show_images(unsigned tick, const std::vector<Step>& steps) {
  const std::string display = xvfb_display(24);
  const std::string log = ::testing::TempDir() + "show-keys-images";
  std::remove(log.c_str());
  Child child = start_program(
      {tundrix_binary(), "--sound", "0", "--mode", "1", "--from", std::to_string(tick)},
      {"DISPLAY=" + display, "LD_PRELOAD=" TUNDRIX_PRESENT_COUNT_LIBRARY, "TUNDRIX_TEST_IMAGE_LOG=" + log});
  EXPECT_TRUE(wait_for_show_window(display));
  for (const Step& s : steps) {
    usleep(useconds_t(s.pause_seconds * 1e6));
    if (!s.keys.empty()) {
      EXPECT_TRUE(type_on_show(display, s.keys));
    }
  }
  RunResult r = child_finish_escaping(child, display, 60);
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<Image> images;
  FILE* f = std::fopen(log.c_str(), "r");
  EXPECT_NE(f, nullptr);
  Image image;
  unsigned long long hash;
  while (f && std::fscanf(f, "%lf %llx", &image.seconds, &hash) == 2) {
    image.hash = hash;
    images.push_back(image);
  }
  if (f) std::fclose(f);
  return images;
}

// Started at the picture wipes' first tick, every image the show sends is
// one of theirs, the first included: nothing of the scenes before.
TEST(ShowKeys, ALaterStartShowsOnlyItsScene) {
  const std::vector<Image> images = show_images(kSceneStartTick[kScenePictureWipes], {{1.5, {}}});
  ASSERT_GT(images.size(), 20u);
  for (size_t i = 0; i < images.size(); i++)
    ASSERT_TRUE(wipe_ticks().count(images[i].hash)) << "image " << i << " is not a picture wipes frame";
  EXPECT_LT(wipe_ticks().at(images[0].hash), kSceneStartTick[kScenePictureWipes] + 140);
}

// Right in the silhouette: the images after the key are one black frame,
// then only the picture wipes', from near their first tick.
TEST(ShowKeys, RightGoesToTheNextSceneShowingNothingMoreOfTheLast) {
  const std::vector<Image> images = show_images(3100, {{1.5, {"key", "Right"}}, {1.5, {}}});
  size_t black = 0;
  while (black < images.size() && images[black].hash != kBlackHash) black++;
  ASSERT_LT(black + 20, images.size()) << "no black frame, or too few frames after it";
  for (size_t i = 0; i < black; i++) EXPECT_FALSE(wipe_ticks().count(images[i].hash)) << "image " << i;
  for (size_t i = black + 1; i < images.size(); i++)
    ASSERT_TRUE(wipe_ticks().count(images[i].hash)) << "image " << i << " after the change";
  EXPECT_LT(wipe_ticks().at(images[black + 1].hash), kSceneStartTick[kScenePictureWipes] + 140);
}

// Space a second into the wipes, Space again 1.5 s later: no image in
// between, and the first after it comes a few ticks after the last before
// it, where the clock alone would have gone on about a hundred.
TEST(ShowKeys, SpaceHoldsThePictureAndTheShowGoesOnWhereItWas) {
  const std::vector<Image> images =
      show_images(kSceneStartTick[kScenePictureWipes] + 100,
                  {{1.5, {"key", "space"}}, {1.5, {"key", "space"}}, {1.0, {}}});
  ASSERT_GT(images.size(), 40u);
  size_t gap = 1;
  for (size_t i = 2; i < images.size(); i++)
    if (images[i].seconds - images[i - 1].seconds > images[gap].seconds - images[gap - 1].seconds) gap = i;
  EXPECT_GT(images[gap].seconds - images[gap - 1].seconds, 1.0) << "no pause";
  ASSERT_TRUE(wipe_ticks().count(images[gap - 1].hash) && wipe_ticks().count(images[gap].hash));
  const uint32_t before = wipe_ticks().at(images[gap - 1].hash), after = wipe_ticks().at(images[gap].hash);
  EXPECT_GT(after, before);
  EXPECT_LT(after, before + 30) << "the clock went on while paused";
}

}  // namespace
