// The real tundrix binary on the test servers: the window it opens, the
// shared memory it leaves behind (none), and the modes it must refuse.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <string>

#include "tests/display/private_xvfb.h"
#include "tests/support/support.h"

namespace {

const std::string kMenus = std::string(kSoundMenuText) + kModeMenuText;
const char kModeFailure[] = "...dnuof ton edoM\n";

int x_errors = 0;
int count_x_error(Display*, XErrorEvent*) {
  ++x_errors;
  return 0;
}

struct ShownWindow {
  bool read = false;  // the window still existed when the test looked
  std::string name, instance, class_name;  // title and WM_CLASS
  unsigned width = 0, height = 0, border = 0;
};

struct ShowRun {
  RunResult result;
  int pid = -1;
  ShownWindow window;
};

// The one line a show that opened its display ends with: a scene's message
// after Escape, or the closing message.
bool ends_with_a_show_message(const std::string& out) {
  static const char* const kMessages[] = {
      "Bou bou bou.", "Go hell!", "No jee!", "Viturarrallallaa!", "Senkus meet!", "Nih.",
      "Out of memory tai muuta tyhm\xE4\xE4!", "N\xF6tbuske stad gr\xE4nser."};
  for (const char* m : kMessages)
    if (out == kMenus + m + "\n") return true;
  return false;
}

// Reads names and geometry of the show's window while the server is held,
// so the show cannot destroy it meanwhile.
void read_window(Display* wm, Window w, ShownWindow& shown) {
  XGrabServer(wm);
  x_errors = 0;
  char* name = nullptr;
  if (XFetchName(wm, w, &name) && name) {
    shown.name = name;
    XFree(name);
  }
  XClassHint hint{};
  if (XGetClassHint(wm, w, &hint)) {
    shown.instance = hint.res_name;
    shown.class_name = hint.res_class;
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  Window root;
  int x, y;
  unsigned depth;
  Status alive = XGetGeometry(wm, w, &root, &x, &y, &shown.width, &shown.height, &shown.border, &depth);
  XSync(wm, False);
  shown.read = alive && x_errors == 0;
  XUngrabServer(wm);
}

// Runs the show with the two menu answers. The test acts as the window
// manager, so the show's XMapWindow reaches it as a MapRequest after the
// window was created and named; the test reads the window, maps it, and
// presses Escape on it until the show ends, so a run takes no longer than
// its first scene's first frames.
ShowRun run_show_as_window_manager(const std::string& display, const std::string& mode) {
  ShowRun run;
  Display* wm = XOpenDisplay(display.c_str());
  if (!wm) {
    ADD_FAILURE() << "cannot connect to " << display;
    return run;
  }
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(count_x_error);
  x_errors = 0;
  XSelectInput(wm, DefaultRootWindow(wm), SubstructureRedirectMask);
  XSync(wm, False);
  EXPECT_EQ(x_errors, 0) << "another window manager holds the test server";

  Child child = start_program({tundrix_binary()}, {"DISPLAY=" + display});
  run.pid = child.pid;
  child_write(child, "0\n" + mode + "\n");
  std::string out;
  Window window = 0;
  for (int waited = 0; waited < 600; ++waited) {
    if (out.size() > kMenus.size() && out.back() == '\n') break;  // the last line is out
    pollfd ready[2] = {{ConnectionNumber(wm), POLLIN, 0}, {child.stdout_fd, POLLIN, 0}};
    poll(ready, 2, 50);
    while (XPending(wm)) {
      XEvent event;
      XNextEvent(wm, &event);
      if (event.type != MapRequest || window) continue;
      window = event.xmaprequest.window;
      read_window(wm, window, run.window);
      XMapWindow(wm, window);
      XSync(wm, False);
    }
    // Three at once: a scene's phase loop, the poll after it and its closing
    // poll each take one. Single presses can let a scene slip into a phase
    // that does not poll (the second scene's dissolve runs to tick 6,795).
    for (int press = 0; window && press < 3; ++press) send_escape_key(wm, window);
    child_wait_output(child, "never printed", out, 0.001);
  }
  run.result = child_finish(child, 30);
  run.result.out = out + run.result.out;
  XCloseDisplay(wm);
  XSetErrorHandler(previous);
  return run;
}

// The show may close its window before the test gets to it; such a run says
// nothing about the window, so it is run again.
ShowRun run_show_until_window_read(const std::string& display, const std::string& mode) {
  ShowRun run;
  for (int attempt = 0; attempt < 5; ++attempt) {
    run = run_show_as_window_manager(display, mode);
    if (run.window.read) break;
  }
  return run;
}

struct WindowCase {
  int depth;
  int mode;
  unsigned width, height;
};
void PrintTo(const WindowCase& c, std::ostream* os) { *os << "depth " << c.depth << " mode " << c.mode; }

class ShowWindow : public testing::TestWithParam<WindowCase> {};

TEST_P(ShowWindow, IsTitledAndSizedForTheMode) {
  const WindowCase c = GetParam();
  std::string display = xvfb_display(c.depth);
  ASSERT_FALSE(display.empty());
  ShowRun run = run_show_until_window_read(display, std::to_string(c.mode));
  EXPECT_EQ(run.result.status, 0) << run.result.err;
  EXPECT_TRUE(ends_with_a_show_message(run.result.out)) << run.result.out;
  ASSERT_TRUE(run.window.read) << "the show's window was gone before it could be read";
  EXPECT_EQ(run.window.name, "Tundrix in X11");
  // The class the menu entry's StartupWMClass names.
  EXPECT_EQ(run.window.instance, "tundrix");
  EXPECT_EQ(run.window.class_name, "Tundrix");
  EXPECT_EQ(run.window.width, c.width);
  EXPECT_EQ(run.window.height, c.height);
  EXPECT_EQ(run.window.border, 4u);
}

INSTANTIATE_TEST_SUITE_P(Modes, ShowWindow,
                         testing::Values(WindowCase{24, 1, 320, 200}, WindowCase{24, 2, 640, 400},
                                         WindowCase{16, 3, 320, 200}, WindowCase{8, 4, 640, 400},
                                         WindowCase{30, 1, 320, 200}, WindowCase{30, 4, 640, 400}),
                         [](const testing::TestParamInfo<WindowCase>& info) {
                           return "Depth" + std::to_string(info.param.depth) + "Mode" +
                                  std::to_string(info.param.mode);
                         });

TEST(ShowSharedMemory, NoSegmentOfTheShowRemainsAfterTheShmModes) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  for (const char* mode : {"3", "4"}) {
    ShowRun run = run_show_as_window_manager(display, mode);
    EXPECT_EQ(run.result.status, 0) << mode << run.result.err;
    EXPECT_TRUE(ends_with_a_show_message(run.result.out)) << mode << run.result.out;
    EXPECT_EQ(shm_segments_created_by(run.pid), 0) << mode;
  }
}

TEST(ShowFullScreen, ModesFiveAndSixCoverTheScreenWithoutDga) {
  for (int depth : {24, 8}) {
    std::string display = xvfb_display(depth);
    ASSERT_FALSE(display.empty());
    for (const char* mode : {"5", "6"}) {
      ShowRun run = run_show_until_window_read(display, mode);
      EXPECT_EQ(run.result.status, 0) << mode << run.result.err;
      EXPECT_TRUE(ends_with_a_show_message(run.result.out)) << mode << run.result.out;
      // Nothing on standard error: no X error, and no library's word about
      // the DGA extension the server lacks.
      EXPECT_EQ(run.result.err, "") << mode;
      ASSERT_TRUE(run.window.read) << "the show's window was gone before it could be read";
      EXPECT_EQ(run.window.name, "Tundrix in X11");
      EXPECT_EQ(run.window.class_name, "Tundrix") << mode;
      EXPECT_EQ(run.window.width, 1024u) << mode;
      EXPECT_EQ(run.window.height, 768u) << mode;
      EXPECT_EQ(run.window.border, 0u) << mode;
      EXPECT_EQ(shm_segments_created_by(run.pid), 0) << mode;
    }
  }
}

TEST(ShowRefusals, ShmModesFailCleanlyWhenTheServerCannotAttach) {
  PrivateXvfb server = private_xvfb_start_isolated("1024x768x24");
  if (server.display.empty()) GTEST_SKIP() << "no IPC namespace can be made here (unshare)";
  for (const char* mode : {"3", "4"}) {
    Child child = start_program({tundrix_binary()}, {"DISPLAY=" + server.display});
    int pid = child.pid;
    child_write(child, std::string("0\n") + mode + "\n");
    RunResult r = child_finish(child, 30);
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_EQ(r.out, kMenus + kModeFailure) << mode;
    EXPECT_EQ(r.err,
              "tundrix: the X display " + server.display +
                  " cannot attach the show's shared memory (a server on another machine, or in another IPC "
                  "namespace)\n")
        << mode;
    EXPECT_EQ(shm_segments_created_by(pid), 0) << mode;
  }
  ShowRun plain = run_show_as_window_manager(server.display, "2");
  EXPECT_EQ(plain.result.status, 0) << plain.result.err;
  EXPECT_TRUE(ends_with_a_show_message(plain.result.out)) << plain.result.out;
  EXPECT_EQ(plain.window.width, 640u);
  private_xvfb_stop(server);
}

}  // namespace
