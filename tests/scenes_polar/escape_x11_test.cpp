// Escape during the polar scenes, on the real tundrix binary in a window on
// the test X server: two Escape presses (one ends the running loop, the next
// is seen by the closing poll) end the show with the scene's own message.
#include <gtest/gtest.h>
#include <time.h>

#include <string>

#include "tests/support/support.h"

namespace {

const char kDisplayFailed[] = "...dnuof ton edoM";

double now_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

struct EscapeRun {
  bool skipped = false;
  RunResult result;
};

// Starts the show in mode 1 without sound, presses Escape twice at the given
// show time (seconds after the mode answer) and collects the outcome.
EscapeRun escape_at(double show_seconds) {
  EscapeRun run;
  std::string display = xvfb_display(24);
  if (display.empty()) return run;
  Child child = start_program({tundrix_binary()}, {"DISPLAY=" + display});
  double started = now_seconds();
  child_write(child, "0\n1\n");
  std::string seen;
  if (child_wait_output(child, kDisplayFailed, seen, 3.0)) {
    run.skipped = true;
    run.result = child_finish(child, 10);
    return run;
  }
  while (now_seconds() < started + show_seconds) child_wait_output(child, "\x01", seen, 0.5);
  EXPECT_TRUE(press_escape_on_show(display, 2)) << "no window named \"Tundrix in X11\"";
  run.result = child_finish(child, 30);
  run.result.out = seen + run.result.out;
  return run;
}

void expect_ends_with(const RunResult& r, const std::string& message) {
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  ASSERT_GE(r.out.size(), message.size() + 1) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - message.size() - 1), message + "\n") << r.out;
}

TEST(PolarScenesOnX11, EscapeInTheOpeningSceneSaysBouBouBou) {
  EscapeRun run = escape_at(5.0);  // tick 350: the sector wipe
  if (run.skipped) GTEST_SKIP() << "the X11 output is not built: display_open fails on the test server";
  expect_ends_with(run.result, "Bou bou bou.");
}

TEST(PolarScenesOnX11, EscapeInTheHyperbolicWhirlSaysNih) {
  EscapeRun run = escape_at(13500 / 70.0);  // the whirl covers the screen
  if (run.skipped) GTEST_SKIP() << "the X11 output is not built: display_open fails on the test server";
  expect_ends_with(run.result, "Nih.");
}

}  // namespace
