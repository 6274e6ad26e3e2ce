// The capture's virtual clock and frame slots, driven the way scene loops
// drive them.
#include <gtest/gtest.h>

#include <vector>

#include "base/clock.h"
#include "display/display.h"
#include "display/virtual_machine.h"

namespace {

std::vector<long long> slots;
std::vector<uint32_t> slot_pixel;  // pixel 0 of the frame each slot shows
std::vector<double> times;
int closes = 0;

void record_slot(long long slot, const uint32_t* frame) {
  slots.push_back(slot);
  slot_pixel.push_back(frame[0]);
}
void record_time(double seconds) { times.push_back(seconds); }
void record_close() { closes++; }

struct VirtualMachineTest : ::testing::Test {
  uint32_t frame[kFramePixels] = {};
  void start(long long fps, long long last_slot = -1) {
    slots.clear();
    slot_pixel.clear();
    times.clear();
    closes = 0;
    vm_start(fps, last_slot, record_slot, record_time, record_close);
  }
  void present(uint32_t marker) {
    frame[0] = marker;
    display_present(frame);
  }
  void TearDown() override {
    clock_set_source(nullptr);
    clock_reset();
    display_set_sink(nullptr);
  }
};

TEST_F(VirtualMachineTest, TwoReadingsPerFrameSeeOneTickPerSlotAt70) {
  start(70);
  for (uint32_t k = 0; k < 300; k++) {
    uint32_t limit_test = show_ticks();
    uint32_t t = show_ticks();
    ASSERT_EQ(limit_test, k);
    ASSERT_EQ(t, k);
    present(t);
  }
  ASSERT_EQ(slots.size(), 300u);
  for (size_t k = 0; k < slots.size(); k++) {
    EXPECT_EQ(slots[k], static_cast<long long>(k));
    EXPECT_EQ(slot_pixel[k], k) << "slot " << k << " shows the frame drawn for its own tick";
  }
}

TEST_F(VirtualMachineTest, AFourthReadingSeesTheNextTick) {
  // The greetings count the ticks between the start of a frame and the end of
  // its object drawing; they must advance, on every frame of a whole show.
  start(70);
  for (uint32_t k = 0; k < 21000; k++) {
    uint32_t start_tick = show_ticks();
    show_ticks();
    uint32_t t = show_ticks();
    uint32_t after_drawing = show_ticks();
    uint32_t fade = show_ticks();
    ASSERT_EQ(start_tick, k);
    ASSERT_EQ(t, k);
    ASSERT_EQ(after_drawing - start_tick, 1u) << k;
    ASSERT_EQ(fade, k + 1);
    present(k);
  }
  EXPECT_EQ(slots.size(), 21000u) << "five readings still fit one slot";
  EXPECT_EQ(slots.back(), 20999);
}

TEST_F(VirtualMachineTest, WaitingWithoutPresentingEndsAndRepeatsTheShownFrame) {
  start(70);
  present(7);  // slot 0
  int readings = 0;
  while (show_ticks() < 100) ASSERT_LT(++readings, 100000);
  EXPECT_EQ(readings, 3 + 98 * 5);  // three left of tick 1, then five per tick
  present(8);
  // The reading of tick 100 fell in slot 99's window (ticks 99.4 to 100.4), so
  // the new frame shows there; slots 1..98 passed during the wait and repeat
  // frame 7.
  ASSERT_EQ(slots.size(), 100u);
  for (size_t k = 1; k < 99; k++) EXPECT_EQ(slot_pixel[k], 7u) << k;
  EXPECT_EQ(slot_pixel[99], 8u);
  // And the next frame is back in step with its slot.
  EXPECT_EQ(show_ticks(), 100u);
  present(9);
  EXPECT_EQ(slots.back(), 100);
}

TEST_F(VirtualMachineTest, PresentingSeveralTimesInAFrameFillsSeveralSlots) {
  start(70);
  show_ticks();
  for (uint32_t i = 0; i < 4; i++) present(i);
  ASSERT_EQ(slots.size(), 4u);
  EXPECT_EQ(show_ticks(), 4u);
}

TEST_F(VirtualMachineTest, LowerFrameRatesStepSeveralTicksPerSlot) {
  start(35);
  for (uint32_t k = 0; k < 20; k++) {
    EXPECT_EQ(show_ticks(), 2 * k);
    present(k);
  }
  start(140);
  for (uint32_t k = 0; k < 20; k++) {
    EXPECT_EQ(show_ticks(), k / 2);
    present(k);
  }
}

TEST_F(VirtualMachineTest, PollsReportEscapeOnceTheLastSlotIsFilled) {
  start(70, 3);
  for (int k = 0; k <= 3; k++) {
    EXPECT_EQ(display_poll_escape(), 0);
    show_ticks();
    present(static_cast<uint32_t>(k));
  }
  EXPECT_EQ(display_poll_escape(), 1);
  EXPECT_EQ(display_poll_escape(), 1);
  display_close();
  EXPECT_EQ(closes, 1);
}

TEST_F(VirtualMachineTest, TimeReachesTheSoundAfterEveryReading) {
  start(70);
  times.clear();
  for (int k = 0; k < 10; k++) {
    show_ticks();
    present(0);
  }
  ASSERT_EQ(times.size(), 10u);
  for (size_t i = 1; i < times.size(); i++) EXPECT_GT(times[i], times[i - 1]);
  EXPECT_NEAR(times.back(), 9.6 * 0.014286, 1e-9);  // slot 9's window starts 0.4 slot in, plus one reading
}

}  // namespace
