// The DGA and VidMode path against a stand-in for a server that has both
// extensions: video memory is a buffer of the test, every call is logged.
// The display connection, colour map and keyboard grab are real (Xvfb).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/dga.h"
#include "display/display.h"
#include "display/display_state.h"
#include "tests/display/test_frame.h"
#include "tests/support/support.h"

namespace {

struct Size {
  int width, height;
};

// What the stand-in server offers and what it was asked to do.
struct FakeServer {
  bool has_dga = true, has_vidmode = true;
  bool direct_possible = true;  // direct video offered and video memory mappable
  int line_width = 1024, bank_size = 2048, memory_kb = 2048;
  std::vector<uint8_t> memory;
  std::vector<Size> modes_at_open, modes_at_close;
  int lists_given = 0;
  int viewport_busy = 2;  // "not changed yet" answers before each flip shows
  int viewport_polls = 0;
  Colormap installed = 0;
  std::vector<std::string> log;
} fake;

// One malloc block, as the library returns it, so XFree can release it.
XF86VidModeModeInfo** make_mode_list(const std::vector<Size>& sizes) {
  size_t n = sizes.size();
  void* block = std::calloc(1, n * (sizeof(void*) + sizeof(XF86VidModeModeInfo)) + 1);
  auto** list = static_cast<XF86VidModeModeInfo**>(block);
  auto* infos = reinterpret_cast<XF86VidModeModeInfo*>(list + n);
  for (size_t i = 0; i < n; ++i) {
    infos[i].hdisplay = static_cast<unsigned short>(sizes[i].width);
    infos[i].vdisplay = static_cast<unsigned short>(sizes[i].height);
    infos[i].privsize = static_cast<int>(i);  // the entry's index, for the log
    list[i] = &infos[i];
  }
  return list;
}

Bool fake_dga_query(Display*, int*, int*) {
  fake.log.push_back("dga_query_version");
  return fake.has_dga;
}
Bool fake_direct_possible(Display*, int) { return fake.direct_possible; }
Status fake_get_video(Display*, int, char** base, int* width, int* bank, int* memory) {
  fake.log.push_back("dga_get_video");
  *base = reinterpret_cast<char*>(fake.memory.data());
  *width = fake.line_width;
  *bank = fake.bank_size;
  *memory = fake.memory_kb;
  return 1;
}
Status fake_direct_video(Display*, int, int enable) {
  fake.log.push_back("direct_video " + std::to_string(enable));
  return 1;
}
Status fake_install_colormap(Display*, int, Colormap map) {
  fake.log.push_back("install_colormap");
  fake.installed = map;
  return 1;
}
Status fake_dga_viewport(Display*, int, int x, int y) {
  fake.log.push_back("dga_viewport " + std::to_string(x) + "," + std::to_string(y));
  return 1;
}
Bool fake_viewport_changed(Display*, int, int pages) {
  ++fake.viewport_polls;
  if (pages != 2) ADD_FAILURE() << "viewport check for " << pages << " pages";
  if (fake.viewport_busy > 0) {
    --fake.viewport_busy;
    return False;
  }
  fake.viewport_busy = 2;
  return True;
}
Bool fake_vm_query(Display*, int*, int*) {
  fake.log.push_back("vm_query_version");
  return fake.has_vidmode;
}
Bool fake_get_modes(Display*, int, int* count, XF86VidModeModeInfo*** modes) {
  fake.log.push_back("vm_get_all_mode_lines");
  const std::vector<Size>& sizes = fake.lists_given++ == 0 ? fake.modes_at_open : fake.modes_at_close;
  *count = static_cast<int>(sizes.size());
  *modes = make_mode_list(sizes);
  return True;
}
Bool fake_switch(Display*, int, XF86VidModeModeInfo* mode) {
  fake.log.push_back("vm_switch " + std::to_string(mode->privsize));
  return True;
}
Bool fake_vm_viewport(Display*, int, int x, int y) {
  fake.log.push_back("vm_viewport " + std::to_string(x) + "," + std::to_string(y));
  return True;
}

const DgaCalls kFakeCalls = {fake_dga_query,    fake_direct_possible, fake_get_video,  fake_direct_video,
                             fake_install_colormap, fake_dga_viewport, fake_viewport_changed,
                             fake_vm_query,     fake_get_modes,  fake_switch,
                             fake_vm_viewport};

using Log = std::vector<std::string>;

class DgaPath : public testing::Test {
 protected:
  void SetUp() override { fake = FakeServer{}; dga_set_calls(&kFakeCalls); }
  void TearDown() override {
    if (display_state.display) display_close();
    dga_set_calls(nullptr);
  }

  int open(int depth, int mode) {
    std::string display = xvfb_display(depth);
    if (display.empty()) return -1;
    setenv("DISPLAY", display.c_str(), 1);
    fake.memory.assign(size_t(fake.memory_kb) * 1024, 0xAA);
    return display_open_mode(320, 200, mode);
  }

  // Pixel value at column x of row y of the video memory (from its base).
  uint32_t memory_pixel(int bytes, int x, int y) const {
    uint32_t v = 0;
    std::memcpy(&v, fake.memory.data() + size_t(y) * fake.line_width * bytes + size_t(x) * bytes, bytes);
    return v;
  }

  // Number of pixels of rows [first, first + rows) that differ from the frame.
  int page_mismatches(const std::vector<uint32_t>& frame, int depth, bool doubled, int first, int rows) const {
    int bytes = depth == 8 ? 1 : depth == 24 ? 4 : 2;
    int wrong = 0;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < 320 * (doubled ? 2 : 1); ++x)
        wrong += (memory_pixel(bytes, x, first + y) & 0xFFFFFF) != expected_pixel(frame, depth, doubled, x, y);
    return wrong;
  }
};

TEST_F(DgaPath, SetUpSwitchesToTheLastModeOfTheOutputSizeAndClearsVideoMemory) {
  fake.modes_at_open = {{1024, 768}, {320, 200}, {640, 400}, {320, 200}, {800, 600}};
  ASSERT_EQ(open(24, 5), 0);
  EXPECT_EQ(fake.log, (Log{"dga_query_version", "dga_get_video", "vm_query_version",
                           "vm_get_all_mode_lines", "vm_switch 3", "vm_viewport 0,0", "direct_video 14"}));
  size_t dirty = 0;
  for (uint8_t b : fake.memory) dirty += b != 0;
  EXPECT_EQ(dirty, 0u);
  EXPECT_EQ(fake.installed, 0u);  // no colour map on a true-colour display
  // The keyboard is grabbed on the root window: another client cannot grab it.
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            AlreadyGrabbed);
  display_close();
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XCloseDisplay(other);
}

TEST_F(DgaPath, GrayscaleModeDrawsIntoTheHiddenPageAndFlipsToIt) {
  fake.modes_at_open = {{1024, 768}, {320, 200}};
  ASSERT_EQ(open(24, 5), 0);
  fake.log.clear();
  std::vector<uint32_t> a = test_frame(1), b = test_frame(2), c = test_frame(3);

  display_present(a.data());  // the first frame goes to page 0, the one shown at set-up
  EXPECT_EQ(page_mismatches(a, 24, false, 0, 200), 0);
  EXPECT_EQ(memory_pixel(4, 0, 0), a[0]);  // byte 3 goes along unchanged
  EXPECT_EQ(fake.viewport_polls, 3);  // busy until the previous flip took effect
  EXPECT_EQ(fake.log, (Log{"dga_viewport 0,0"}));

  display_present(b.data());  // page 1 while page 0 is on the screen
  EXPECT_EQ(page_mismatches(b, 24, false, 200, 200), 0);
  EXPECT_EQ(page_mismatches(a, 24, false, 0, 200), 0);
  EXPECT_EQ(fake.log, (Log{"dga_viewport 0,0", "dga_viewport 0,200"}));

  display_present(c.data());
  EXPECT_EQ(page_mismatches(c, 24, false, 0, 200), 0);
  EXPECT_EQ(page_mismatches(b, 24, false, 200, 200), 0);
  EXPECT_EQ(fake.log, (Log{"dga_viewport 0,0", "dga_viewport 0,200", "dga_viewport 0,0"}));
  EXPECT_EQ(fake.viewport_polls, 9);
  // Past the output width each line stays as cleared.
  EXPECT_EQ(memory_pixel(4, 320, 0), 0u);
  EXPECT_EQ(memory_pixel(4, 1023, 399), 0u);
  EXPECT_EQ(memory_pixel(4, 0, 400), 0u);
}

TEST_F(DgaPath, DoublePixelModeWritesStraightIntoTheVisiblePage) {
  fake.modes_at_open = {{1024, 768}, {640, 400}};
  ASSERT_EQ(open(16, 6), 0);
  fake.log.clear();
  std::vector<uint32_t> a = test_frame(4), b = test_frame(5);
  display_present(a.data());
  EXPECT_EQ(page_mismatches(a, 16, true, 0, 400), 0);  // odd rows: black
  display_present(b.data());
  EXPECT_EQ(page_mismatches(b, 16, true, 0, 400), 0);
  EXPECT_EQ(memory_pixel(2, 0, 400), 0u);
  EXPECT_TRUE(fake.log.empty());
  EXPECT_EQ(fake.viewport_polls, 0);
}

TEST_F(DgaPath, EightBitDisplayInstallsTheColourMapAndWritesGrayCells) {
  fake.modes_at_open = {{1024, 768}, {320, 200}};
  ASSERT_EQ(open(8, 5), 0);
  EXPECT_NE(fake.installed, 0u);
  EXPECT_EQ(fake.installed, display_state.colormap);
  EXPECT_EQ(fake.log.back(), "install_colormap");
  std::vector<uint32_t> a = test_frame(6);
  display_present(a.data());
  EXPECT_EQ(page_mismatches(a, 8, false, 0, 200), 0);
  EXPECT_EQ(memory_pixel(1, 0, 0), 95u);
}

TEST_F(DgaPath, EightBitDoublePixelsFillBothRowsOfEachPair) {
  fake.modes_at_open = {{1024, 768}, {640, 400}};
  ASSERT_EQ(open(8, 6), 0);
  std::vector<uint32_t> a = test_frame(7);
  display_present(a.data());
  EXPECT_EQ(page_mismatches(a, 8, true, 0, 400), 0);
  EXPECT_EQ(memory_pixel(1, 0, 0), 63u);
  EXPECT_EQ(memory_pixel(1, 0, 1), 255u);
}

TEST_F(DgaPath, CloseSwitchesBackToTheLastModeOfTheRememberedSize) {
  fake.modes_at_open = {{800, 600}, {320, 200}};
  fake.modes_at_close = {{320, 200}, {800, 600}, {1024, 768}, {800, 600}, {640, 480}};
  ASSERT_EQ(open(24, 5), 0);
  fake.log.clear();
  display_close();
  EXPECT_EQ(fake.log, (Log{"direct_video 0", "vm_get_all_mode_lines", "vm_switch 3"}));
  EXPECT_EQ(display_state.display, nullptr);
}

TEST_F(DgaPath, CloseKeepsTheModeWhenNoneHasTheRememberedSize) {
  fake.modes_at_open = {{800, 600}, {640, 400}};
  fake.modes_at_close = {{640, 400}, {1024, 768}};
  ASSERT_EQ(open(24, 6), 0);
  fake.log.clear();
  display_close();
  EXPECT_EQ(fake.log, (Log{"direct_video 0", "vm_get_all_mode_lines"}));
}

struct Refusal {
  const char* what;
  void (*arrange)();
  int status;
  Log log;
  const char* reason;  // display_failure's
};

TEST_F(DgaPath, SetUpRefusalsChangeNothingOnTheScreen) {
  const Log to_modes = {"dga_query_version", "dga_get_video", "vm_query_version", "vm_get_all_mode_lines"};
  const Refusal refusals[] = {
      {"banked memory",
       [] { fake.bank_size = 64; },
       2,
       {"dga_query_version", "dga_get_video"},
       "DGA offers video memory in banks (64 of 2048 KB), not the linear frame buffer the show needs"},
      {"two pages do not fit",
       [] {
         fake.memory_kb = 400 * 4096 / 1024 - 1;
         fake.bank_size = fake.memory_kb;
       },
       2,
       {"dga_query_version", "dga_get_video"},
       "the DGA video memory (1599 KB) cannot hold the show's pages"},
      {"lines narrower than the output",
       [] { fake.line_width = 256; },
       2,
       {"dga_query_version", "dga_get_video"},
       "the DGA video memory (2048 KB) cannot hold the show's pages"},
      {"no VidMode",
       [] { fake.has_vidmode = false; },
       1,
       {"dga_query_version", "dga_get_video", "vm_query_version"},
       "the X display has DGA but no XFree86-VidModeExtension to switch the video mode"},
      {"no mode of the output size",
       [] {
         fake.modes_at_open = {{1024, 768}, {640, 400}, {320, 240}};
       },
       1, to_modes, "the X display has no 320x200 video mode for DGA"},
      {"empty mode list", [] { fake.modes_at_open = {}; }, 1, to_modes,
       "the X display has no 320x200 video mode for DGA"},
  };
  for (const Refusal& r : refusals) {
    fake = FakeServer{};
    fake.modes_at_open = {{1024, 768}, {320, 200}};
    r.arrange();
    EXPECT_EQ(open(24, 5), r.status) << r.what;
    EXPECT_STREQ(display_failure(), r.reason) << r.what;
    EXPECT_EQ(fake.log, r.log) << r.what;
    EXPECT_EQ(display_state.display, nullptr) << r.what;
  }
}

TEST_F(DgaPath, WithoutUsableDgaTheModesOpenAFullScreenWindowAndLeaveTheVideoModeAlone) {
  struct Lack {
    const char* what;
    void (*arrange)();
  };
  const Lack lacks[] = {
      {"no DGA", [] { fake.has_dga = false; }},
      // Mapping the video memory would end the process: never tried.
      {"no direct video", [] { fake.direct_possible = false; }},
  };
  for (const Lack& l : lacks) {
    for (int mode : {5, 6}) {
      fake = FakeServer{};
      fake.modes_at_open = {{1024, 768}, {320, 200}, {640, 400}};
      l.arrange();
      ASSERT_EQ(open(24, mode), 0) << l.what;
      EXPECT_EQ(display_state.path, OutputPath::kFullScreen) << l.what;
      EXPECT_EQ(fake.log, (Log{"dga_query_version"})) << l.what;
      std::vector<uint32_t> a = test_frame(8);
      display_present(a.data());
      EXPECT_EQ(fake.viewport_polls, 0);
      display_close();
      EXPECT_EQ(fake.log, (Log{"dga_query_version"})) << l.what;
    }
  }
}

TEST_F(DgaPath, AFlipTheDriverNeverReportsDoesNotHoldTheShowUp) {
  fake.modes_at_open = {{1024, 768}, {320, 200}};
  fake.viewport_busy = 1 << 30;  // never "changed"
  ASSERT_EQ(open(24, 5), 0);
  fake.log.clear();
  std::vector<uint32_t> a = test_frame(1), b = test_frame(2);
  display_present(a.data());
  EXPECT_GT(fake.viewport_polls, 0);
  int polls = fake.viewport_polls;
  display_present(b.data());
  display_present(a.data());
  // The flips are still asked for, and once one went unreported the driver
  // is not asked again.
  EXPECT_EQ(fake.log, (Log{"dga_viewport 0,0", "dga_viewport 0,200", "dga_viewport 0,0"}));
  EXPECT_EQ(fake.viewport_polls, polls);
  EXPECT_EQ(page_mismatches(b, 24, false, 200, 200), 0);
  EXPECT_EQ(page_mismatches(a, 24, false, 0, 200), 0);
}

}  // namespace
