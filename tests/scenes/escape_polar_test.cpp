// Escape during the polar scenes, on the real tundrix binary in a window on
// the test X server: two Escape presses (one ends the running loop, the next
// is seen by the closing poll) end the show with the scene's own message.
#include <gtest/gtest.h>
#include <time.h>

#include <string>

#include "tests/support/support.h"

namespace {

const char kDisplayFailed[] = "...dnuof ton edoM";

struct EscapeRun {
  bool skipped = false;
  RunResult result;
};

// Starts the show in mode 1 without sound with its clock moved on to tick
// (every scene before it is entered late and returns at once), presses Escape
// twice a second later and collects the outcome.
EscapeRun escape_at(unsigned tick) {
  EscapeRun run;
  std::string display = xvfb_display(24);
  if (display.empty()) return run;
  Child child = start_show_at(display, tick);
  std::string seen;
  if (child_wait_output(child, kDisplayFailed, seen, 1.0)) {
    run.skipped = true;
    run.result = child_finish(child, 10);
    return run;
  }
  // The scenes before tick pass within milliseconds; a second after the menus
  // the show is in the scene of tick.
  bool pressed = false;
  for (double give_up = now_seconds() + 10; !pressed && now_seconds() < give_up;)
    if (!(pressed = press_escape_on_show(display, 2))) child_wait_output(child, kDisplayFailed, seen, 0.1);
  EXPECT_TRUE(pressed) << "no window named \"Tundrix in X11\"";
  double escaped = now_seconds();
  run.result = child_finish(child, 30);
  run.result.out = seen + run.result.out;
  // Left alone, either scene would run on for many seconds.
  EXPECT_LT(now_seconds() - escaped, 5.0);
  return run;
}

void expect_ends_with(const RunResult& r, const std::string& message) {
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  ASSERT_GE(r.out.size(), message.size() + 1) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - message.size() - 1), message + "\n") << r.out;
}

TEST(PolarScenesOnX11, EscapeInTheOpeningSceneSaysBouBouBou) {
  EscapeRun run = escape_at(300);  // the sector wipe
  if (run.skipped) GTEST_SKIP() << "the X11 output is not built: display_open fails on the test server";
  expect_ends_with(run.result, "Bou bou bou.");
}

TEST(PolarScenesOnX11, EscapeInTheHyperbolicWhirlSaysNih) {
  EscapeRun run = escape_at(13500);  // the whirl covers the screen
  if (run.skipped) GTEST_SKIP() << "the X11 output is not built: display_open fails on the test server";
  expect_ends_with(run.result, "Nih.");
}

}  // namespace
