// The real tundrix binary, driven through its two menus on standard input.
#include <gtest/gtest.h>

#include "tests/support/support.h"

namespace {

const std::string kSoundMenu = kSoundMenuText;
const std::string kModeMenu = kModeMenuText;

RunResult run_show(const std::string& input, const std::string& display = ":0") {
  RunOptions options;
  options.stdin_text = input;
  options.env = {"DISPLAY=" + display};
  options.timeout_seconds = 30;
  return run_program({tundrix_binary()}, options);
}

TEST(ShowMenus, UnknownSoundDeviceFailsBeforeTheModeMenu) {
  for (const char* answer : {"3\n", "x\n", "", "   \n", "9abc\n"}) {
    RunResult r = run_show(answer);
    EXPECT_EQ(r.status, 1) << answer;
    EXPECT_EQ(r.out, kSoundMenu + "...dnuof ton ecived dnuoS\n") << answer;
  }
}

// The sine table is the first thing the show allocates; without it the
// show must stop with a message before any menu, not crash.
TEST(ShowStartUp, SineTableAllocationFailureEndsCleanly) {
#ifdef TUNDRIX_SANITIZER_RUNTIME
  GTEST_SKIP() << "the sanitizer's own malloc comes before the test preload";
#endif
  RunOptions options;
  options.stdin_text = "0\n1\n";
  options.env = {"DISPLAY=:0", std::string("LD_PRELOAD=") + TUNDRIX_FAIL_MALLOC_LIBRARY,
                 "TUNDRIX_TEST_FAIL_MALLOC_SIZE=" + std::to_string(1281 * 4)};
  options.timeout_seconds = 30;
  RunResult r = run_program({tundrix_binary()}, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "...yromem fo tuO\n");
}

TEST(ShowMenus, OnlyTheFirstCharacterOfTheSoundAnswerCounts) {
  RunResult r = run_show("0xyz\n0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kSoundMenu + kModeMenu + "...dnuof ton edoM\n");
}

TEST(ShowMenus, UnreadableOrOutOfRangeModeFails) {
  // A huge number must not wrap into 1..6; a word, EOF, 0, 7 and negatives fail.
  for (const char* mode : {"9\n", "0\n", "7\n", "-1\n", "word\n", "", "4294967297\n",
                           "99999999999999999999\n", "+\n"}) {
    RunResult r = run_show(std::string("0\n") + mode);
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_EQ(r.out, kSoundMenu + kModeMenu + "...dnuof ton edoM\n") << mode;
  }
}

TEST(ShowMenus, ModeWithoutAnXServerFails) {
  RunResult r = run_show("0\n1\n", ":250");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kSoundMenu + kModeMenu + "...dnuof ton edoM\n");
}

// Started inside the last scene, the show ends where a whole show ends,
// tick 20,391: from 20,300 that is 1.3 s away, where the tunnel's own minute
// would be 60 s. The bound only tells the two apart.
TEST(ShowFrom, StartedInTheLastSceneEndsWhenAWholeShowDoes) {
  const std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  RunOptions options;
  options.env = {"DISPLAY=" + display};
  options.timeout_seconds = 90;
  const double started = now_seconds();
  RunResult r = run_program({tundrix_binary(), "--sound", "0", "--mode", "1", "--from", "20300"}, options);
  const double seconds = now_seconds() - started;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "N\xF6tbuske stad gr\xE4nser.\n");
  EXPECT_LT(seconds, 30.0);
}

}  // namespace

namespace {

// The test preload that moves a show's clock on must do exactly that, or the
// Escape tests of late scenes would test the wrong scene.
TEST(ClockSkip, MovesTheShowClockOnAfterItStarts) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  // Tick 16,200: every scene but the tunnel is over; the tunnel then runs
  // for a minute, so the show is still up two seconds later.
  Child child = start_show_at(display, 16200);
  std::string seen;
  child_wait_output(child, "\x01", seen, 2.0);
  RunResult r = child_finish_escaping(child, display, 30);
  EXPECT_EQ(r.status, 0);
  std::string tail = "N\xF6tbuske stad gr\xE4nser.\n";
  ASSERT_GE((seen + r.out).size(), tail.size());
  EXPECT_EQ((seen + r.out).substr((seen + r.out).size() - tail.size()), tail);
}

}  // namespace
