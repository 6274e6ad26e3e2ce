#include <gtest/gtest.h>

#include <cmath>

#include "base/tables.h"

TEST(SineTable, CheckValues) {
  build_sine_table();
  ASSERT_NE(SineTable, nullptr);
  EXPECT_EQ(SineTable[0], 220);
  EXPECT_EQ(SineTable[1], 420);
  EXPECT_EQ(SineTable[128], 23265);
  EXPECT_EQ(SineTable[255], 32767);
  EXPECT_EQ(SineTable[256], 32767);
  EXPECT_EQ(SineTable[384], 23265);
  EXPECT_EQ(SineTable[511], 420);
  EXPECT_EQ(SineTable[512], -220);
  EXPECT_EQ(SineTable[256 + 512], -32767);  // cosine of half a turn
}

TEST(SineTable, HalvesAndTailMirrorTheFirstHalf) {
  build_sine_table();
  for (int i = 0; i < 512; i++) EXPECT_EQ(SineTable[512 + i], -SineTable[i]) << i;
  for (int i = 0; i <= 256; i++) EXPECT_EQ(SineTable[1024 + i], SineTable[i]) << i;
}

TEST(SineTable, FollowsTheCosineAwayFromTheWrappedEnds) {
  // Entry i is a cosine of x = -6400 + 25 i (1/4,096 radian). The eighth
  // power wraps for the four first and three last entries, so those are
  // far off; the rest stay within a fraction of a percent.
  build_sine_table();
  for (int i = 4; i < 509; i++) {
    double x = (-6400 + 25 * i) / 4096.0;
    EXPECT_NEAR(SineTable[i], 32767 * std::cos(x), 120) << i;
  }
}

TEST(MulTable, HoldsByteProducts) {
  build_mul_table();
  EXPECT_EQ(MulTable[0], 0);
  EXPECT_EQ(MulTable[255 * 256 + 255], 65025);
  EXPECT_EQ(MulTable[128 * 256 + 3], 384);
  EXPECT_EQ(MulTable[254 * 256 + 200] >> 8, (254 * 200) >> 8);
}
