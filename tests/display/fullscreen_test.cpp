// Modes 5 and 6 on servers without DGA: a window over the whole screen with
// the picture scaled by a whole factor and centred on black, read back from
// the server pixel by pixel; mode 6 on a screen too small for its doubled
// picture shows mode 5's, and a screen too small for any is refused.
// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/display_state.h"
#include "tests/display/private_xvfb.h"
#include "tests/display/test_frame.h"
#include "tests/support/support.h"

namespace {

struct FullScreenCase {
  int depth;
  int mode;
  const char* screen;  // a private server of this screen, or nullptr for the shared one
  bool shm;            // the server offers MIT-SHM
  int width, height;   // of the screen
  int scale;
};
void PrintTo(const FullScreenCase& c, std::ostream* os) {
  *os << "depth " << c.depth << " mode " << c.mode << " screen " << c.width << "x" << c.height;
}

// The whole window as pixel values.
std::vector<uint32_t> read_whole_window(int width, int height) {
  const DisplayState& s = display_state;
  std::vector<uint32_t> values;
  XImage* image = XGetImage(s.display, s.window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) return values;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) values.push_back(XGetPixel(image, x, y));
  XDestroyImage(image);
  return values;
}

bool asks_for_full_screen(Display* d, Window w) {
  Atom state = XInternAtom(d, "_NET_WM_STATE", False);
  Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(d, w, state, 0, 16, False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
      data) {
    const long* atoms = reinterpret_cast<const long*>(data);
    for (unsigned long i = 0; i < count; ++i) found = found || static_cast<Atom>(atoms[i]) == full;
    XFree(data);
  }
  return found;
}

class FullScreenWindow : public testing::TestWithParam<FullScreenCase> {
 protected:
  void TearDown() override {
    if (display_state.display) display_close();
    private_xvfb_stop(server_);
  }
  std::string display_for(const FullScreenCase& c) {
    if (!c.screen) return xvfb_display(c.depth);
    std::vector<std::string> extra;
    if (!c.shm) extra = {"-extension", "MIT-SHM"};
    server_ = private_xvfb_start({}, c.screen, extra);
    return server_.display;
  }
  PrivateXvfb server_;
};

TEST_P(FullScreenWindow, ShowsTheScaledFrameCentredOnBlack) {
  const FullScreenCase c = GetParam();
  std::string display = display_for(c);
  ASSERT_FALSE(display.empty());
  setenv("DISPLAY", display.c_str(), 1);
  ASSERT_EQ(shm_segments_created_by(getpid()), 0);
  ASSERT_EQ(display_open_mode(320, 200, c.mode), 0);
  const DisplayState& s = display_state;
  EXPECT_EQ(s.path, OutputPath::kFullScreen);
  EXPECT_EQ(shm_segments_created_by(getpid()), c.shm ? 1 : 0);

  Window root;
  int x, y;
  unsigned width, height, border, depth;
  XGetGeometry(s.display, s.window, &root, &x, &y, &width, &height, &border, &depth);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(int(width), c.width);
  EXPECT_EQ(int(height), c.height);
  EXPECT_EQ(border, 0u);
  EXPECT_TRUE(asks_for_full_screen(s.display, s.window));
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(s.display, s.window, &name));
  EXPECT_STREQ(name, "Tundrix in X11");
  XFree(name);

  // Mode 6's doubled picture where the screen holds it, else mode 5's.
  const bool doubled = c.mode == 6 && c.width >= 640 && c.height >= 400;
  const int picture_width = (doubled ? 640 : 320) * c.scale, picture_height = (doubled ? 400 : 200) * c.scale;
  const int left = (c.width - picture_width) / 2, top = (c.height - picture_height) / 2;
  for (uint32_t seed : {11u, 12u}) {  // the second frame replaces the first everywhere
    std::vector<uint32_t> frame = test_frame(seed + c.mode);
    display_present(frame.data());
    std::vector<uint32_t> shown = read_whole_window(c.width, c.height);
    ASSERT_EQ(shown.size(), size_t(c.width) * c.height);
    int wrong = 0;
    for (int py = 0; py < c.height; ++py) {
      for (int px = 0; px < c.width; ++px) {
        int ix = px - left, iy = py - top;
        bool inside = ix >= 0 && iy >= 0 && ix < picture_width && iy < picture_height;
        uint32_t want = inside ? expected_pixel(frame, c.depth, doubled, ix / c.scale, iy / c.scale) : 0;
        if (shown[size_t(py) * c.width + px] != want && ++wrong <= 5)
          ADD_FAILURE() << "pixel " << px << "," << py << " is " << std::hex << shown[size_t(py) * c.width + px]
                        << ", expected " << want;
      }
    }
    EXPECT_EQ(wrong, 0);
    // The middle of the screen holds the middle of the picture.
    int cx = c.width / 2 - left, cy = c.height / 2 - top;
    EXPECT_EQ(shown[size_t(c.height / 2) * c.width + c.width / 2],
              expected_pixel(frame, c.depth, doubled, cx / c.scale, cy / c.scale));
  }
  display_close();
  EXPECT_EQ(shm_segments_created_by(getpid()), 0);
}

INSTANTIATE_TEST_SUITE_P(WithoutDga, FullScreenWindow,
                         testing::Values(FullScreenCase{24, 5, nullptr, true, 1024, 768, 3},
                                         FullScreenCase{24, 6, nullptr, true, 1024, 768, 1},
                                         FullScreenCase{16, 5, nullptr, true, 1024, 768, 3},
                                         FullScreenCase{15, 6, nullptr, true, 1024, 768, 1},
                                         FullScreenCase{8, 5, nullptr, true, 1024, 768, 3},
                                         FullScreenCase{8, 6, nullptr, true, 1024, 768, 1},
                                         FullScreenCase{30, 5, nullptr, true, 1024, 768, 3},
                                         FullScreenCase{24, 5, "1366x768x24", false, 1366, 768, 3},
                                         FullScreenCase{24, 6, "1920x1080x24", true, 1920, 1080, 2},
                                         FullScreenCase{16, 5, "1280x720x16", true, 1280, 720, 3},
                                         FullScreenCase{24, 6, "320x240x24", true, 320, 240, 1},
                                         FullScreenCase{8, 6, "600x400x8", false, 600, 400, 1},
                                         FullScreenCase{16, 6, "639x480x16", true, 639, 480, 1}),
                         [](const testing::TestParamInfo<FullScreenCase>& info) {
                           const FullScreenCase& c = info.param;
                           return "Depth" + std::to_string(c.depth) + "Mode" + std::to_string(c.mode) +
                                  "Screen" + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                  (c.shm ? "" : "NoShm");
                         });

// A screen smaller than even mode 5's picture: both modes refuse, saying
// why, and leave nothing on the server.
TEST(FullScreenWindowRefusal, AScreenTooSmallForThePictureIsRefusedNotCut) {
  PrivateXvfb server = private_xvfb_start({}, "300x180x24");
  ASSERT_FALSE(server.display.empty());
  setenv("DISPLAY", server.display.c_str(), 1);
  for (int mode : {5, 6}) {
    EXPECT_EQ(display_open_mode(320, 200, mode), 2) << mode;
    EXPECT_STREQ(display_failure(), "the screen of 300x180 is smaller than the show's 320x200 picture")
        << mode;
    EXPECT_EQ(display_state.display, nullptr) << mode;
    EXPECT_EQ(shm_segments_created_by(getpid()), 0) << mode;
  }
  private_xvfb_stop(server);
}

TEST(FullScreenWindowClose, LeavesNoWindowBehind) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  setenv("DISPLAY", display.c_str(), 1);
  Display* other = XOpenDisplay(display.c_str());
  ASSERT_NE(other, nullptr);
  auto top_level_windows = [other] {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(other, DefaultRootWindow(other), &root, &parent, &children, &count);
    if (children) XFree(children);
    return count;
  };
  unsigned before = top_level_windows();
  ASSERT_EQ(display_open_mode(320, 200, 5), 0);
  EXPECT_EQ(top_level_windows(), before + 1);
  display_close();
  EXPECT_EQ(top_level_windows(), before);
  XCloseDisplay(other);
}

}  // namespace
