// Paced presentation: the opening scene on the test X server with the real
// show clock presents at most once per show tick, and the flat-out switch
// lets it present as often as it can. Also the clock's sleeping wait.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/tables.h"
#include "display/display.h"
#include "display/display_state.h"
#include "display/x11_output.h"
#include "scenes/scenes.h"
#include "tests/support/support.h"

namespace {

// Each present's show tick, read after the pacing; the scene's polls see
// Escape once the clock reaches stop_tick.
struct Recording {
  std::vector<uint32_t> ticks;
  uint32_t stop_tick = 0;
} recording;

void recording_present(const uint32_t* frame) {
  recording.ticks.push_back(show_ticks());
  kX11Sink.present(frame);
}
int escape_when_due() { return show_ticks() >= recording.stop_tick ? 1 : kX11Sink.poll_escape(); }
void no_close() {}
const FrameSink kRecordingSink = {recording_present, escape_when_due, no_close};

class Pacing : public testing::Test {
 protected:
  void SetUp() override {
    std::string display = xvfb_display(24);
    ASSERT_FALSE(display.empty());
    setenv("DISPLAY", display.c_str(), 1);
    build_sine_table();
    build_mul_table();
    ASSERT_EQ(display_open_mode(320, 200, 3), 0);
    display_set_sink(&kRecordingSink);
  }
  void TearDown() override {
    display_set_sink(nullptr);
    display_set_flat_out(false);
    display_close();
    clock_reset();
  }

  // Runs the opening scene on the wall clock for about two seconds of its
  // sector wipe; the scene ends at the Escape its polls then see.
  void run_two_seconds() {
    recording = Recording{};
    recording.stop_tick = 140;
    clock_reset();
    show_ticks();
    EXPECT_EQ(scene_polar_wipe(), 0);
    ASSERT_GT(recording.ticks.size(), 1u);
    RecordProperty("presents", static_cast<int>(recording.ticks.size()));
    RecordProperty("ticks", static_cast<int>(ticks_presenting()));
  }
  // Ticks from the first present to the last, both counted.
  uint32_t ticks_presenting() const { return recording.ticks.back() - recording.ticks.front() + 1; }
};

TEST_F(Pacing, PresentsAtMostOncePerTickAndKeepsUp) {
  run_two_seconds();
  int repeats = 0;
  for (size_t i = 1; i < recording.ticks.size(); ++i) repeats += recording.ticks[i] <= recording.ticks[i - 1];
  EXPECT_EQ(repeats, 0) << "two presents within one show tick";
  EXPECT_LE(recording.ticks.size(), ticks_presenting());
  // A frame of this scene takes a small part of a tick, so nearly every tick
  // gets one; the margin is for a busy machine.
  EXPECT_GE(recording.ticks.size() * 2, ticks_presenting());
}

TEST_F(Pacing, FlatOutPresentsManyFramesPerTick) {
  display_set_flat_out(true);
  run_two_seconds();
  EXPECT_GT(recording.ticks.size(), 2 * size_t(ticks_presenting()))
      << recording.ticks.size() << " presents in " << ticks_presenting() << " ticks";
}

double virtual_now = 0.0;
int virtual_reads = 0;
double read_virtual_clock() {
  ++virtual_reads;
  return virtual_now;
}
const TimeSource kVirtualClock = {read_virtual_clock};

TEST(ClockDoze, LeavesAVirtualClockAloneAndNeverReadsIt) {
  clock_set_source(&kVirtualClock);
  clock_reset();
  virtual_now = 1e9;
  EXPECT_FALSE(show_clock_sleeps());  // not started
  show_ticks();
  virtual_reads = 0;
  EXPECT_FALSE(show_clock_sleeps());  // started, but not in real time
  show_clock_doze(1000000);           // would be hours on a wall clock
  EXPECT_EQ(virtual_reads, 0);
  clock_set_source(nullptr);
  clock_reset();
}

TEST(ClockDoze, OnTheWallClockAWaitLoopEndsOnItsTick) {
  clock_set_source(nullptr);
  clock_reset();
  EXPECT_FALSE(show_clock_sleeps());
  show_ticks();
  EXPECT_TRUE(show_clock_sleeps());
  // A wait of a few ticks, as between two phases: it ends on the first
  // reading at or past the tick, having slept in between.
  uint32_t target = show_ticks() + 5, reading = 0;
  int readings = 0;
  while ((reading = show_ticks()) < target) {
    ++readings;
    show_clock_doze(target);
  }
  EXPECT_GE(reading, target);
  EXPECT_LE(readings, 10) << "the wait spun instead of sleeping";
  clock_reset();
}

}  // namespace
