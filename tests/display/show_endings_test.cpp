// However the real show ends (a signal, or its X server going away), its
// shared-memory segment goes away with it, as `ipcs -m` lists them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sstream>
#include <string>

// After gtest: Xlib defines None and Bool as macros.
#include <X11/Xlib.h>

#include "tests/display/private_xvfb.h"
#include "tests/display/show_window.h"
#include "tests/support/support.h"

namespace {

// Segments that `ipcs -m -p` lists with pid as their creator.
int ipcs_segments_created_by(int pid) {
  RunResult r = run_program({"/usr/bin/ipcs", "-m", "-p"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, owner, creator;
    if (fields >> id >> owner >> creator && id.find_first_not_of("0123456789") == std::string::npos &&
        creator == std::to_string(pid))
      ++count;
  }
  return count;
}

// The server lets go of a dead client's segment once it notices the closed
// connection, so the listing is read until it is clean or time runs out.
int segments_left_by(int pid) {
  int left = ipcs_segments_created_by(pid);
  for (double give_up = monotonic_seconds() + 10; left > 0 && monotonic_seconds() < give_up; usleep(50000))
    left = ipcs_segments_created_by(pid);
  return left;
}

// The window maps before the segment is made: waits for the segment.
int segments_made_by(int pid) {
  int made = ipcs_segments_created_by(pid);
  for (double give_up = monotonic_seconds() + 10; made == 0 && monotonic_seconds() < give_up; usleep(50000))
    made = ipcs_segments_created_by(pid);
  return made;
}

Child start_show(const std::string& display, const std::string& mode) {
  Child child = start_program({tundrix_binary()}, {"DISPLAY=" + display});
  child_write(child, "0\n" + mode + "\n");
  return child;
}

struct Ending {
  const char* name;
  int signal;
};

TEST(ShowEndings, NoSegmentIsLeftAfterASignal) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  const Ending endings[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGKILL", SIGKILL}};
  for (const Ending& e : endings) {
    for (const char* mode : {"3", "4", "5"}) {
      Child child = start_show(display, mode);
      int pid = child.pid;
      ASSERT_TRUE(wait_for_show_window(display)) << e.name << " mode " << mode;
      EXPECT_EQ(segments_made_by(pid), 1) << e.name << " mode " << mode;
      kill(pid, e.signal);
      RunResult r = child_finish(child, 20);
      EXPECT_EQ(r.status, 128 + e.signal) << e.name << " mode " << mode;
      EXPECT_EQ(segments_left_by(pid), 0) << e.name << " mode " << mode;
    }
  }
}

const std::string kMenus = std::string(kSoundMenuText) + kModeMenuText;

// The line a show ends with when the connection to its X server is lost.
std::string lost_line(const std::string& display) {
  return "tundrix: lost the connection to the X display " + display + "\n";
}

TEST(ShowEndings, NoSegmentIsLeftWhenTheServerGoesAway) {
  for (const char* mode : {"3", "4", "5"}) {
    PrivateXvfb server = private_xvfb_start({}, "1024x768x24");
    ASSERT_FALSE(server.display.empty());
    Child child = start_show(server.display, mode);
    int pid = child.pid;
    ASSERT_TRUE(wait_for_show_window(server.display)) << mode;
    EXPECT_EQ(segments_made_by(pid), 1) << mode;
    const std::string name = server.display;  // the stop forgets it
    private_xvfb_stop(server);
    RunResult r = child_finish(child, 20);
    EXPECT_FALSE(r.timed_out) << mode;
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_EQ(r.out, kMenus) << mode;
    EXPECT_EQ(r.err, lost_line(name)) << mode;
    EXPECT_EQ(segments_left_by(pid), 0) << mode;
  }
}

// What a desktop does to the show's window: its close button sends
// WM_DELETE_WINDOW; xdotool's windowclose destroys the window; xkill cuts the
// show's connection.
enum class Closing { kCloseButton, kWindowDestroyed, kConnectionKilled };

void send_close_button(Display* d, Window w) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = w;
  event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &event);
  XSync(d, False);
}

// Starts the show in mode on display, lets it show frames, closes its window
// the given way and returns how it ended. Fails the test when the window
// does not come, or (shared-memory modes) its segment is not made.
RunResult close_show(const std::string& display, const std::string& mode, Closing how, int* pid) {
  Child child = start_show(display, mode);
  *pid = child.pid;
  Display* d = XOpenDisplay(display.c_str());
  EXPECT_TRUE(d) << display;
  if (!d || !wait_for_show_window(display)) {
    ADD_FAILURE() << "no window, mode " << mode;
    if (d) XCloseDisplay(d);
    return child_finish(child, 5);
  }
  if (mode != "1") {
    EXPECT_EQ(segments_made_by(child.pid), 1) << mode;
  }
  usleep(500000);  // frames are being shown
  Window w = find_show_window(d);
  EXPECT_NE(w, 0u);
  switch (how) {
    case Closing::kCloseButton: send_close_button(d, w); break;
    case Closing::kWindowDestroyed: {
      RunResult x = run_program({"/usr/bin/xdotool", "windowclose", std::to_string(w)}, {"", true, {"DISPLAY=" + display}, 10});
      EXPECT_EQ(x.status, 0) << x.err;
      break;
    }
    case Closing::kConnectionKilled:
      XKillClient(d, w);
      XSync(d, False);
      break;
  }
  XCloseDisplay(d);
  return child_finish(child, 20);
}

TEST(ShowEndings, ClosingTheWindowEndsTheShowWithNothingLeft) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  for (Closing how : {Closing::kCloseButton, Closing::kWindowDestroyed}) {
    for (const char* mode : {"1", "3", "5"}) {
      SCOPED_TRACE(std::string(how == Closing::kCloseButton ? "close button" : "window destroyed") + " mode " + mode);
      int pid = -1;
      RunResult r = close_show(display, mode, how, &pid);
      EXPECT_FALSE(r.timed_out);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, kMenus + "The window was closed.\n");
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(segments_left_by(pid), 0);
    }
  }
}

TEST(ShowEndings, AKilledConnectionEndsTheShowWithOneLine) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  for (const char* mode : {"1", "3", "5"}) {
    SCOPED_TRACE(std::string("mode ") + mode);
    int pid = -1;
    RunResult r = close_show(display, mode, Closing::kConnectionKilled, &pid);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kMenus);
    EXPECT_EQ(r.err, lost_line(display));
    EXPECT_EQ(segments_left_by(pid), 0);
  }
}

// Memory that runs out in a scene's set-up (here the ring's first picture
// buffer, 320,000 bytes, refused by a test-only preload) ends the show the
// way its other endings do, the display and sound given back, but as a
// failure: one line and status 1, not the scene's closing message and 0.
TEST(ShowEndings, MemoryRunningOutInASceneEndsTheShowWithOneLine) {
#ifdef TUNDRIX_SANITIZER_RUNTIME
  GTEST_SKIP() << "the sanitizer's allocator comes before the test preload";
#endif
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  RunOptions options;
  options.env = {"DISPLAY=" + display, std::string("LD_PRELOAD=") + TUNDRIX_FAIL_ALLOCATION_LIBRARY,
                 "TUNDRIX_TEST_FAIL_ALLOCATION_SIZE=320000"};
  options.timeout_seconds = 30;
  Child child =
      start_program({tundrix_binary(), "--sound", "0", "--mode", "3", "--from", "9451"}, options.env);
  const int pid = child.pid;
  RunResult r = child_finish(child, 30);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tundrix: out of memory\n");
  EXPECT_EQ(segments_left_by(pid), 0);
}

}  // namespace
