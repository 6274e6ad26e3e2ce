// Escape during the polar scenes, on the real tundrix binary in a window on
// the test X server: two Escape presses (one ends the running loop, the next
// is seen by the closing poll) end the show with the scene's own message.
// gtest before Xlib: Xlib's None macro would break gtest's own None.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
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

Window find_named(Display* d, Window w, const char* name) {
  char* title = nullptr;
  if (XFetchName(d, w, &title) && title) {
    bool match = std::string(title) == name;
    XFree(title);
    if (match) return w;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = None;
  if (XQueryTree(d, w, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && found == None; i++) found = find_named(d, children[i], name);
    if (children) XFree(children);
  }
  return found;
}

// Sends presses of key code 9 to the show's window; false if it has none.
bool press_escape(const std::string& display, int presses) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  Window w = find_named(d, DefaultRootWindow(d), "Tundrix in X11");
  if (w != None) {
    for (int i = 0; i < presses; i++) {
      XKeyEvent e = {};
      e.type = KeyPress;
      e.display = d;
      e.window = w;
      e.root = DefaultRootWindow(d);
      e.time = CurrentTime;
      e.same_screen = True;
      e.keycode = 9;
      XSendEvent(d, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&e));
    }
    XFlush(d);
  }
  XCloseDisplay(d);
  return w != None;
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
  EXPECT_TRUE(press_escape(display, 2)) << "no window named \"Tundrix in X11\"";
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
