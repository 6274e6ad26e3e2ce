#include <gtest/gtest.h>

#include "base/clock.h"

namespace {

double fake_now = 0;
int fake_readings = 0;
double fake_micros() {
  fake_readings++;
  return fake_now;
}
const TimeSource kFake = {fake_micros};

struct ClockTest : ::testing::Test {
  void SetUp() override {
    clock_set_source(&kFake);
    clock_reset();
  }
  void TearDown() override {
    clock_set_source(nullptr);
    clock_reset();
  }
};

TEST_F(ClockTest, FirstCallStartsAtZeroHoweverLateItComes) {
  fake_now = 5e12;
  EXPECT_EQ(show_ticks(), 0u);
  EXPECT_EQ(show_ticks(), 0u);
}

TEST_F(ClockTest, TicksAre14286MicrosecondsLong) {
  fake_now = 1e9;
  show_ticks();
  fake_now = 1e9 + 14285;
  EXPECT_EQ(show_ticks(), 0u);
  fake_now = 1e9 + 14286;
  EXPECT_EQ(show_ticks(), 1u);
  fake_now = 1e9 + 14286.0 * 2940;
  EXPECT_EQ(show_ticks(), 2940u);
  fake_now = 1e9 + 60e6;  // one minute is 4,199.9 ticks
  EXPECT_EQ(show_ticks(), 4199u);
}

TEST_F(ClockTest, ClockSetBackGivesHugeReadingThatEndsEveryPhase) {
  fake_now = 1e9;
  show_ticks();
  fake_now = 1e9 - 14286;
  EXPECT_EQ(show_ticks(), 0xFFFFFFFFu);  // -1 read unsigned
  EXPECT_GT(show_ticks(), 20400u);
}

// A pause keeps the tick of its moment; after it the clock goes on from
// there, the paused time left out. Pausing twice or resuming a running clock
// changes nothing.
TEST_F(ClockTest, PauseHoldsTheTickAndTheClockGoesOnFromIt) {
  fake_now = 1e9;
  show_ticks();
  fake_now = 1e9 + 100 * 14286.0 + 7000;
  show_clock_pause();
  show_clock_pause();
  fake_now += 5e6;
  EXPECT_TRUE(show_clock_paused());
  EXPECT_EQ(show_ticks(), 100u);
  fake_now += 5e6;
  show_clock_resume();
  EXPECT_FALSE(show_clock_paused());
  EXPECT_EQ(show_ticks(), 100u);
  EXPECT_DOUBLE_EQ(show_clock_micros(), 100 * 14286.0 + 7000);
  fake_now += 7286;  // the rest of tick 100
  EXPECT_EQ(show_ticks(), 101u);
  EXPECT_EQ(show_clock_last_reading(), 101u);
  show_clock_resume();
  EXPECT_EQ(show_ticks(), 101u);
}

// A scene change: the scene being left reads past every limit without the
// source being read; the move then reads the given tick, at the same place
// within its tick as before (whole ticks moved), backwards too.
TEST_F(ClockTest, LeavingReadsPastEveryLimitAndAMoveKeepsThePlaceInTheTick) {
  fake_now = 1e9;
  show_ticks();
  fake_now = 1e9 + 3000 * 14286.0 + 10000;
  show_clock_leave();
  const int readings = fake_readings;
  EXPECT_EQ(show_ticks(), 0xFFFFFFFFu);
  EXPECT_EQ(fake_readings, readings);
  show_clock_move_to(9451);
  EXPECT_EQ(show_ticks(), 9451u);
  EXPECT_EQ(show_clock_moved_ticks(), 9451 - 3000);
  EXPECT_EQ(show_clock_first_tick(), 9451u);
  fake_now += 4285;
  EXPECT_EQ(show_ticks(), 9451u);
  fake_now += 1;
  EXPECT_EQ(show_ticks(), 9452u);
  show_clock_move_to(0);
  EXPECT_EQ(show_ticks(), 0u);
  EXPECT_EQ(show_clock_moved_ticks(), -3001);
  fake_now += 14285;
  EXPECT_EQ(show_ticks(), 0u);
}

// Moved before it started, the clock starts at the tick on its first
// reading, as show_clock_start_at starts it at once; a move also ends a
// pause.
TEST_F(ClockTest, AMoveBeforeTheStartStartsThereAndAMoveEndsAPause) {
  fake_now = 2e9;
  show_clock_move_to(6795);
  fake_now += 1e6;
  EXPECT_EQ(show_ticks(), 6795u);
  EXPECT_EQ(show_clock_first_tick(), 6795u);
  fake_now += 14286;
  EXPECT_EQ(show_ticks(), 6796u);
  show_clock_pause();
  fake_now += 1e6;
  show_clock_move_to(2940);
  EXPECT_FALSE(show_clock_paused());
  EXPECT_EQ(show_ticks(), 2940u);
  fake_now += 1e6;
  EXPECT_EQ(show_ticks(), 2940u + 69u);
}

TEST_F(ClockTest, WallClockAdvances) {
  clock_set_source(nullptr);
  clock_reset();
  EXPECT_EQ(show_ticks(), 0u);
  EXPECT_LT(show_ticks(), 2u);
}

}  // namespace
