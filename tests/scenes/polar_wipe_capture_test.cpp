// The opening scene as tundrix-capture records it from the real show
// sequence on virtual time: each captured frame equals the frame routine's
// output for the slot's tick, with the embedded pictures.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "display/display.h"
#include "scenes/polar_wipe.h"
#include "tests/support/scene_run.h"
#include "tests/support/support.h"

namespace {

// Captures slots from..to at 70 frames per second (slot k shows tick k) as
// PNG files into a folder of its own.
std::string capture_slots(int from, int to) {
  std::string dir = test_temp_dir() + "/" + std::to_string(from) + "-" + std::to_string(to);
  RunOptions options;
  options.timeout_seconds = 240;
  RunResult r = run_program({capture_binary(), "show", "--from", std::to_string(from), "--to", std::to_string(to),
                             "-o", dir},
                            options);
  EXPECT_EQ(r.status, 0) << r.err;
  return dir;
}

// The index-th written frame as 0x00RRGGBB pixels (empty if unreadable);
// numbering starts at the first written slot.
std::vector<uint32_t> captured_frame(const std::string& dir, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "/frame-%06d.png", index);
  RunResult ppm = run_program({"/usr/bin/pngtopnm", dir + name});
  const std::string header = "P6\n320 200\n255\n";
  if (ppm.status != 0 || ppm.out.compare(0, header.size(), header) != 0 ||
      ppm.out.size() != header.size() + 3 * kFramePixels)
    return {};
  std::vector<uint32_t> frame(kFramePixels);
  const auto* rgb = reinterpret_cast<const uint8_t*>(ppm.out.data() + header.size());
  for (int m = 0; m < kFramePixels; m++)
    frame[m] = static_cast<uint32_t>(rgb[3 * m]) << 16 | rgb[3 * m + 1] << 8 | rgb[3 * m + 2];
  return frame;
}

void expect_captured(const std::string& dir, int from, int slot, const uint32_t* want) {
  std::vector<uint32_t> got = captured_frame(dir, slot - from);
  ASSERT_EQ(got.size(), static_cast<size_t>(kFramePixels)) << "slot " << slot;
  std::string where;
  EXPECT_EQ(count_differences(got.data(), want, kFramePixels, &where), 0) << "slot " << slot << where;
}

int lit_pixels(const uint32_t* frame) {
  int n = 0;
  for (int m = 0; m < kFramePixels; m++) n += frame[m] != 0;
  return n;
}

class PolarWipeCapture : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(polar_wipe_open(w)); }
  void TearDown() override { polar_wipe_close(w); }
  PolarWipe w;
};

TEST_F(PolarWipeCapture, FirstFramesAreBlackThenTheWipeFollowsTheClock) {
  std::string dir = capture_slots(0, 3);
  std::vector<uint32_t> black(kFramePixels, 0);
  for (int slot : {0, 1}) expect_captured(dir, 0, slot, black.data());
  for (int slot : {2, 3}) {
    render_sector_wipe(w, slot);
    expect_captured(dir, 0, slot, w.frame);
  }
}

TEST_F(PolarWipeCapture, EachPhaseAtAKnownTick) {
  std::string dir = capture_slots(900, 900);
  render_sector_wipe(w, 900);
  EXPECT_GT(lit_pixels(w.frame), 5000) << "the embedded pictures show";
  expect_captured(dir, 900, 900, w.frame);

  dir = capture_slots(1600, 1600);
  render_spiral_spread(w, 1600);
  expect_captured(dir, 1600, 1600, w.frame);

  // The swirl at slot 2,300 was drawn with the motion of slot 2,299's frame.
  dir = capture_slots(2300, 2300);
  SwirlMotion motion = {0.0, 0.0};
  render_swirl(w, &motion, 2299 - kSwirlStart);
  render_swirl(w, &motion, 2300 - kSwirlStart);
  expect_captured(dir, 2300, 2300, w.frame);
}

}  // namespace
