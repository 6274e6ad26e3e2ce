// Escape during the second, third and eighth scenes of the real tundrix
// binary on a test X server.
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

int ignore_x_errors(Display*, XErrorEvent*) { return 0; }

// Recognises the tunnel on screen: a frame is the band texture of some
// scene time e mapped through the tunnel table, so the window must equal one
// of the 4,200 possible frames, built here with the embedded picture.
struct TunnelOracle {
  TunnelScene scene{};
  std::vector<uint32_t> shown = std::vector<uint32_t>(kFramePixels);

  TunnelOracle() {
    tunnel_open(scene);
  }
  ~TunnelOracle() { tunnel_close(scene); }

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
  unsigned tick;             // where the show's clock is moved on to
  const char* expected_end;  // the message line
  int escapes;
  bool wait_for_tunnel;      // press only once the window shows the tunnel
};

// The show starts with its clock moved on into the scene, so each case takes
// seconds rather than minutes of show.
RunResult escape_in(const EscapeCase& c, const std::string& display, TunnelOracle& tunnel) {
  Display* x = XOpenDisplay(display.c_str());
  EXPECT_NE(x, nullptr) << display;
  Child child = start_show_at(display, c.tick);
  std::string out;
  EXPECT_TRUE(child_wait_output(child, kLastMenuLine, out, 10)) << out;
  // A second in the scene before pressing; the tunnel is waited for on screen.
  double press_after = now_seconds() + 1, deadline = press_after + 19;
  bool pressed = false;
  while (!pressed && x && now_seconds() < deadline && out.find(kNoDisplay) == std::string::npos) {
    child_wait_output(child, "\n\n", out, 0.2);  // collects what is printed
    Window w = find_show_window(x);
    if (w && now_seconds() > press_after && (!c.wait_for_tunnel || tunnel.window_is_tunnel(x, w)))
      pressed = press_escape_on_show(display, c.escapes);
  }
  double escaped = now_seconds();
  RunResult r = child_finish(child, 15);
  r.out = out + r.out;
  if (out.find(kNoDisplay) == std::string::npos) {
    EXPECT_TRUE(pressed) << c.scene << ": never got to send Escape";
    // Without the Escape the show would run on for many seconds.
    EXPECT_LT(now_seconds() - escaped, 10.0) << c.scene;
  }
  if (x) XCloseDisplay(x);
  return r;
}

TEST(SceneEscape, EndsTheShowWithTheScenesMessage) {
  // Scene 2's title phase: Escape three times meets the phase loop's poll,
  // the poll after it and the closing poll. Scene 3's second wipe: the wipe
  // loop's poll and the closing poll. Scene 8's result is ignored, so one
  // Escape ends the show with the closing line.
  const EscapeCase cases[] = {
      {"scene 2", 3000, "Go hell!\n", 3, false},
      {"scene 3", 7250, "No jee!\n", 3, false},
      {"scene 8", 16300, "N\xF6tbuske stad gr\xE4nser.\n", 1, true},
  };
  TunnelOracle tunnel;
  XSetErrorHandler(ignore_x_errors);
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  for (const EscapeCase& c : cases) {
    RunResult r = escape_in(c, display, tunnel);
    if (r.out.find(kNoDisplay) != std::string::npos) GTEST_SKIP() << "this build has no X11 output";
    EXPECT_EQ(r.status, 0) << c.scene;
    std::string end = c.expected_end;
    ASSERT_GE(r.out.size(), end.size()) << c.scene;
    EXPECT_EQ(r.out.substr(r.out.size() - end.size()), end) << c.scene << ": " << r.out;
    EXPECT_EQ(r.out.find(kLastMenuLine) + sizeof kLastMenuLine - 1, r.out.size() - end.size())
        << c.scene << ": one line after the menus";
  }
}

}  // namespace
