#include <gtest/gtest.h>

#include "base/clock.h"

namespace {

double fake_now = 0;
double fake_micros() { return fake_now; }
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

TEST_F(ClockTest, WallClockAdvances) {
  clock_set_source(nullptr);
  clock_reset();
  EXPECT_EQ(show_ticks(), 0u);
  EXPECT_LT(show_ticks(), 2u);
}

}  // namespace
