#include <gtest/gtest.h>

#include <cstdlib>

#include "base/random.h"

// The show's sequence is glibc's unseeded rand(): the same numbers, in the
// same order, for far longer than the show draws (a few hundred thousand).
TEST(ShowRandom, FollowsGlibcRandForTenMillionDraws) {
  show_random_restart();
  std::srand(1);  // the state an unseeded rand() starts from
  EXPECT_EQ(show_random(), 0x6B8B4567);
  EXPECT_EQ(std::rand(), 0x6B8B4567);
  int differing = 0;
  for (int i = 1; i < 10000000; i++) differing += show_random() != std::rand();
  EXPECT_EQ(differing, 0);
}

TEST(ShowRandom, RestartsFromItsFirstNumber) {
  show_random_restart();
  int32_t first[40];
  for (int32_t& v : first) v = show_random();
  show_random_restart();
  for (int32_t v : first) EXPECT_EQ(show_random(), v);
}
