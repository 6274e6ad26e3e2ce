// Escape during the second, third and eighth scenes of the real tundrix
// binary on the test X servers. The three shows run side by side, one per
// server, because the eighth scene starts only after three and a half
// minutes of show.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <time.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "scenes/tunnel.h"
#include "tests/support/support.h"

namespace {

const char kLastMenuLine[] = "6 - XF86 fullscreen DGA double pixels\n";
const char kNoDisplay[] = "...dnuof ton edoM\n";

double now_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

int ignore_x_errors(Display*, XErrorEvent*) { return 0; }

// Whether the window shows a tunnel frame: every group of screen pixels that
// the tunnel table maps to one texel has one colour, and the frame is not
// nearly flat (the tunnel's first frame is black).
bool shows_tunnel(Display* d, Window w, const std::vector<uint32_t>& table) {
  XImage* image = XGetImage(d, w, 0, 0, 320, 200, AllPlanes, ZPixmap);
  if (!image) return false;
  std::vector<int> first(65536, -1);
  std::vector<unsigned long> colours;
  bool consistent = true;
  for (int i = 0; i < 64000 && consistent; i++) {
    unsigned long p = XGetPixel(image, i % 320, i / 320);
    int& group = first[table[i] / 4];
    if (group < 0) {
      group = i;
      if (colours.size() < 64 && std::find(colours.begin(), colours.end(), p) == colours.end()) colours.push_back(p);
    } else {
      consistent = XGetPixel(image, group % 320, group / 320) == p;
    }
  }
  XDestroyImage(image);
  return consistent && colours.size() >= 64;
}

struct EscapeCase {
  const char* scene;
  int depth;
  const char* expected_end;  // the message line
  double escape_at;          // seconds after start; 0: when the tunnel shows
  int escapes;
};

struct EscapeRun {
  EscapeCase c;
  Display* x = nullptr;
  Child child;
  std::string out;
  double started = 0, escaped = 0;
  Window window = 0;
  RunResult result;
  bool finished = false;
};

TEST(SceneEscape, EndsTheShowWithTheScenesMessage) {
  // Scene 2 runs from tick 2,940 (42 s) to 6,795 (97 s); Escape three times
  // at 47 s: the phase loop's poll, the poll after it and the closing poll.
  // Scene 3 runs to tick 9,451 (135 s); Escape at 106 s ends its wipe loop
  // and the closing poll. Scene 8 starts by tick 16,191 at the latest; its
  // result is ignored, so one Escape ends the show with the closing line.
  const EscapeCase cases[3] = {
      {"scene 2", 16, "Go hell!\n", 47.0, 3},
      {"scene 3", 15, "No jee!\n", 106.0, 3},
      {"scene 8", 24, "N\xF6tbuske stad gr\xE4nser.\n", 0.0, 1},
  };
  EscapeRun runs[3];
  for (int i = 0; i < 3; i++) runs[i].c = cases[i];
  std::vector<uint32_t> table(kFramePixels);
  build_tunnel_table(table.data(), kTunnelSqueeze);
  XSetErrorHandler(ignore_x_errors);
  for (EscapeRun& r : runs) {
    std::string display = xvfb_display(r.c.depth);
    ASSERT_FALSE(display.empty());
    r.x = XOpenDisplay(display.c_str());
    ASSERT_NE(r.x, nullptr) << display;
    r.child = start_program({tundrix_binary()}, {"DISPLAY=" + display});
    r.started = now_seconds();
    child_write(r.child, "0\n1\n");
    ASSERT_TRUE(child_wait_output(r.child, kLastMenuLine, r.out, 10)) << r.out;
  }
  double deadline = now_seconds() + 16191 / 70.0 + 60;
  int running = 3;
  while (running > 0 && now_seconds() < deadline) {
    for (EscapeRun& r : runs) {
      if (r.finished) continue;
      child_wait_output(r.child, "\n\n", r.out, 0.05);  // collects what is printed
      if (r.out.find(kNoDisplay) != std::string::npos) {
        for (EscapeRun& k : runs) k.result = child_finish(k.child, 1), k.finished = true;
        GTEST_SKIP() << "this build has no X11 output";
      }
      if (!r.window) r.window = find_show_window(r.x);
      double age = now_seconds() - r.started;
      bool due = r.c.escape_at > 0 ? age >= r.c.escape_at : r.window && shows_tunnel(r.x, r.window, table);
      if (!r.escaped && r.window && due) {
        press_escape_on_show(xvfb_display(r.c.depth), r.c.escapes);
        r.escaped = now_seconds();
      }
      if (r.escaped && now_seconds() - r.escaped > 0.2) {
        r.result = child_finish(r.child, 15);
        r.finished = true;
        --running;
        r.result.out = r.out + r.result.out;
        // Without the Escape the show would run on: 50 s more for scene 3,
        // a minute for the tunnel.
        EXPECT_LT(now_seconds() - r.escaped, 10.0) << r.c.scene;
      }
    }
  }
  for (EscapeRun& r : runs) {
    if (!r.finished) {
      r.result = child_finish(r.child, 1);
      r.result.out = r.out + r.result.out;
    }
    EXPECT_TRUE(r.escaped > 0) << r.c.scene << ": never got to send Escape";
    EXPECT_EQ(r.result.status, 0) << r.c.scene;
    const std::string& out = r.result.out;
    std::string end = r.c.expected_end;
    ASSERT_GE(out.size(), end.size()) << r.c.scene;
    EXPECT_EQ(out.substr(out.size() - end.size()), end) << r.c.scene << ": " << out;
    EXPECT_EQ(out.find(kLastMenuLine) + sizeof kLastMenuLine - 1, out.size() - end.size())
        << r.c.scene << ": one line after the menus";
    XCloseDisplay(r.x);
  }
}

}  // namespace
