// Escape during the 3D scenes, on the real tundrix binary in a window on the
// test X server, started with its clock moved on into the scene: Escape ends
// the running loop and a further one, seen by a closing poll, ends the show
// with the scene's own message.
#include <gtest/gtest.h>
#include <time.h>

#include <string>

#include "tests/support/support.h"

namespace {

const char kDisplayFailed[] = "...dnuof ton edoM";

struct EscapeCase {
  const char* scene;
  unsigned tick;  // where the show's clock is moved on to
  const char* message;
};

// The scenes before the tick pass at once, each after its set-up; two
// seconds after the window appears the show is well inside the scene, which
// runs on for many more. Three presses: the loop's poll, the poll after it
// (the seventh scene's wait, when it is still waiting) and a closing poll.
RunResult escape_in(const EscapeCase& c, const std::string& display, bool* skipped) {
  Child child = start_show_at(display, c.tick);
  std::string seen;
  if (child_wait_output(child, kDisplayFailed, seen, 1.0)) {
    *skipped = true;
    return child_finish(child, 10);
  }
  double give_up = now_seconds() + 10, press_at = 0;
  bool pressed = false;
  while (!pressed && now_seconds() < give_up) {
    child_wait_output(child, "\n\n", seen, 0.1);
    if (press_at == 0 && press_escape_on_show(display, 0)) press_at = now_seconds() + 2;
    if (press_at > 0 && now_seconds() >= press_at) pressed = press_escape_on_show(display, 3);
  }
  EXPECT_TRUE(pressed) << c.scene << ": no window named \"Tundrix in X11\"";
  double escaped = now_seconds();
  RunResult r = child_finish(child, 30);
  r.out = seen + r.out;
  EXPECT_LT(now_seconds() - escaped, 8.0) << c.scene << ": left alone it would run on";
  return r;
}

TEST(Scenes3dOnX11, EscapeEndsTheShowWithTheScenesMessage) {
  const EscapeCase cases[] = {
      {"object ring", 9500, "Viturarrallallaa!"},
      {"whirl and greetings", 10600, "Senkus meet!"},
      {"replayed object", 14850, "Out of memory tai muuta tyhm\xE4\xE4!"},
  };
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  for (const EscapeCase& c : cases) {
    bool skipped = false;
    RunResult r = escape_in(c, display, &skipped);
    if (skipped) GTEST_SKIP() << "the X11 output is not built: display_open fails on the test server";
    EXPECT_FALSE(r.timed_out) << c.scene;
    EXPECT_EQ(r.status, 0) << c.scene;
    std::string end = std::string(c.message) + "\n";
    ASSERT_GE(r.out.size(), end.size()) << c.scene << ": " << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - end.size()), end) << c.scene << ": " << r.out;
  }
}

}  // namespace
