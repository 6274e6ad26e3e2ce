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

// Recognises the tunnel on screen: a frame is the band texture of some
// scene time e mapped through the tunnel table, so the window must equal one
// of the 4,200 possible frames, built here with the embedded picture.
struct TunnelOracle {
  TunnelScene scene{};
  std::vector<uint32_t> shown = std::vector<uint32_t>(kFramePixels);

  TunnelOracle() {
    tunnel_allocate(scene);
    tunnel_set_up(scene);
  }
  ~TunnelOracle() { tunnel_free(scene); }

  uint32_t texel(int i) const { return scene.texture[scene.table[i] / 4] & 0xFFFFFF; }

  // Cheap first: every group of pixels that shares a texel has one colour,
  // and the frame is not black (the tunnel's first frame is).
  bool could_be_tunnel() const {
    std::vector<int> first(kTunnelTexels, -1);
    bool lit = false;
    for (int i = 0; i < kFramePixels; i++) {
      int& group = first[scene.table[i] / 4];
      if (group >= 0 && shown[group] != shown[i]) return false;
      if (group < 0) group = i;
      lit |= shown[i] != 0;
    }
    return lit;
  }

  bool is_tunnel() {
    if (!could_be_tunnel()) return false;
    for (uint32_t e = 0; e < kTunnelTicks; e++) {
      tunnel_build_bands(scene, e);
      if (matches(97) && matches(1)) return true;
    }
    return false;
  }

  bool matches(int stride) const {
    for (int i = 0; i < kFramePixels; i += stride)
      if (texel(i) != shown[i]) return false;
    return true;
  }

  // Reads the window (depth 24: the frame's low three bytes).
  bool window_is_tunnel(Display* d, Window w) {
    XImage* image = XGetImage(d, w, 0, 0, 320, 200, AllPlanes, ZPixmap);
    if (!image) return false;
    for (int i = 0; i < kFramePixels; i++) shown[i] = XGetPixel(image, i % 320, i / 320) & 0xFFFFFF;
    XDestroyImage(image);
    return is_tunnel();
  }
};

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
  TunnelOracle tunnel;
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
      bool due = r.c.escape_at > 0 ? age >= r.c.escape_at : r.window && tunnel.window_is_tunnel(r.x, r.window);
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
