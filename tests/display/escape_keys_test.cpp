// One real press of Escape, typed through the X server's test extension by
// xdotool as a keyboard would, ends the real show in the scene it was
// pressed in, in every mode. The show is started with its clock moved on into
// the scene under test, so every scene before it passes at once.
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <string>

// After gtest: Xlib defines None and Bool as macros.
#include <X11/Xlib.h>

#include "tests/display/show_window.h"
#include "tests/support/support.h"

namespace {

// The show in mode `mode` without sound, its clock moved on by tick ticks.
Child start_show(const std::string& display, int mode, unsigned tick) {
  std::vector<std::string> env = {"DISPLAY=" + display, std::string("LD_PRELOAD=") + TUNDRIX_CLOCK_SKIP_LIBRARY,
                                  "TUNDRIX_TEST_SKIP_MICROS=" + std::to_string(tick * 14286ull)};
  Child child = start_program({tundrix_binary()}, env);
  child_write(child, "0\n" + std::to_string(mode) + "\n");
  return child;
}

void xdotool(const std::string& display, const std::vector<std::string>& args) {
  EXPECT_TRUE(type_on_show(display, args));
}

enum class Typing { kOnePress, kHeldDown, kTenPresses };

struct EscapeCase {
  const char* where;
  int depth;
  int mode;
  unsigned tick;  // inside the scene, twelve seconds or more before its end
  Typing typing;
  const char* message;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.where << " mode " << c.mode; }

class EscapeKey : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeKey, EndsTheShowInTheSceneItIsPressedIn) {
  const EscapeCase c = GetParam();
  std::string display = xvfb_display(c.depth);
  ASSERT_FALSE(display.empty());
  Child child = start_show(display, c.mode, c.tick);
  ASSERT_TRUE(wait_for_show_window(display)) << "no window named \"Tundrix in X11\"";
  // The scenes before the tick only set up and return, which takes well
  // under a second even on a busy machine; the scene of the tick runs ten
  // seconds or more after that.
  usleep(2500000);
  switch (c.typing) {
    case Typing::kOnePress: xdotool(display, {"key", "Escape"}); break;
    // Down for a third of a second, as a slow finger: the running phase sees
    // the press long before the release comes.
    case Typing::kHeldDown: xdotool(display, {"keydown", "Escape", "sleep", "0.3", "keyup", "Escape"}); break;
    case Typing::kTenPresses: xdotool(display, {"key", "--repeat", "10", "--delay", "200", "Escape"}); break;
  }
  // Left alone, the show would run on into later scenes for minutes.
  RunResult r = child_finish(child, 20);
  EXPECT_FALSE(r.timed_out) << "still running after Escape";
  EXPECT_EQ(r.status, 0) << r.err;
  std::string last_line = std::string(c.message) + "\n";
  ASSERT_GE(r.out.size(), last_line.size()) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - last_line.size()), last_line);
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, EscapeKey,
    testing::Values(EscapeCase{"SectorWipe", 24, 1, 300, Typing::kOnePress, "Bou bou bou."},
                    EscapeCase{"SpiralSpread", 16, 3, 1300, Typing::kHeldDown, "Bou bou bou."},
                    EscapeCase{"Swirl", 24, 5, 2000, Typing::kOnePress, "Bou bou bou."},
                    EscapeCase{"SilhouetteTitle", 24, 2, 2960, Typing::kOnePress, "Go hell!"},
                    EscapeCase{"SilhouetteSolid", 24, 3, 4000, Typing::kHeldDown, "Go hell!"},
                    EscapeCase{"PictureWipes", 8, 4, 7200, Typing::kOnePress, "No jee!"},
                    EscapeCase{"PictureWipesHeld", 24, 6, 8000, Typing::kHeldDown, "No jee!"},
                    EscapeCase{"ObjectRing", 24, 3, 9700, Typing::kOnePress, "Viturarrallallaa!"},
                    EscapeCase{"ObjectRingSliding", 16, 1, 10150, Typing::kHeldDown, "Viturarrallallaa!"},
                    EscapeCase{"WhirlGreetings", 24, 4, 11000, Typing::kOnePress, "Senkus meet!"},
                    EscapeCase{"WhirlGreetingsFading", 8, 1, 12700, Typing::kTenPresses, "Senkus meet!"},
                    EscapeCase{"ReplayedObjectWait", 24, 3, 14300, Typing::kOnePress,
                               "Out of memory tai muuta tyhm\xE4\xE4!"},
                    EscapeCase{"ReplayedObject", 24, 1, 15200, Typing::kOnePress,
                               "Out of memory tai muuta tyhm\xE4\xE4!"},
                    EscapeCase{"HyperbolicWhirl", 24, 3, 13300, Typing::kOnePress, "Nih."},
                    EscapeCase{"HyperbolicWhirlTenPresses", 24, 1, 13300, Typing::kTenPresses, "Nih."},
                    EscapeCase{"Tunnel", 24, 4, 16300, Typing::kOnePress, "N\xF6tbuske stad gr\xE4nser."},
                    EscapeCase{"TunnelHeld", 24, 5, 16300, Typing::kHeldDown, "N\xF6tbuske stad gr\xE4nser."}),
    [](const testing::TestParamInfo<EscapeCase>& info) {
      return std::string(info.param.where) + "Mode" + std::to_string(info.param.mode);
    });

// A press while the show reads no key (a phase that does not poll) waits in
// the queue, press and release, and still ends the show in that scene. The
// second scene's dissolve does not poll; the scene looks once it is over.
TEST(EscapeKeyBetweenPhases, APressDuringTheSilhouetteDissolveEndsTheShowThere) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  // The dissolve runs from tick 6,541 to 6,795: pressed about 2.5 s after
  // the start at 6,400, when the scenes before have passed.
  Child child = start_show(display, 1, 6400);
  ASSERT_TRUE(wait_for_show_window(display));
  usleep(2500000);
  xdotool(display, {"key", "Escape"});
  RunResult r = child_finish(child, 20);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  ASSERT_GE(r.out.size(), 9u) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - 9), "Go hell!\n");
}

}  // namespace
