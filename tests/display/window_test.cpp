// The window paths on the real test servers: set-up, converted pixels read
// back with XGetImage, the colour map on 8-bit displays, and releasing
// the image, segment and window.
// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "display/display.h"
#include "display/display_state.h"
#include "tests/display/private_xvfb.h"
#include "tests/display/test_frame.h"
#include "tests/support/support.h"

namespace {

bool use_display(const std::string& display) {
  if (display.empty()) return false;
  setenv("DISPLAY", display.c_str(), 1);
  return true;
}

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> values;
  uint32_t at(int x, int y) const { return values[y * width + x]; }
};

// The window's contents as pixel values, read on the display's own connection.
Pixels read_window() {
  const DisplayState& s = display_state;
  Pixels pixels{s.output_width, s.output_height, {}};
  XImage* image = XGetImage(s.display, s.window, 0, 0, s.output_width, s.output_height, AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int y = 0; y < s.output_height; ++y)
    for (int x = 0; x < s.output_width; ++x) pixels.values.push_back(XGetPixel(image, x, y));
  XDestroyImage(image);
  return pixels;
}

struct ModeCase {
  int depth;
  int mode;
};
void PrintTo(const ModeCase& c, std::ostream* os) { *os << "depth " << c.depth << " mode " << c.mode; }

class WindowModes : public testing::TestWithParam<ModeCase> {};

TEST_P(WindowModes, ShowsTheFrameConvertedForTheDisplay) {
  const ModeCase c = GetParam();
  ASSERT_TRUE(use_display(xvfb_display(c.depth)));
  ASSERT_EQ(display_open_mode(320, 200, c.mode), 0);
  const bool doubled = c.mode % 2 == 0;
  const DisplayState& s = display_state;
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  XGetGeometry(s.display, s.window, &root, &x, &y, &width, &height, &border, &depth);
  EXPECT_EQ(width, doubled ? 640u : 320u);
  EXPECT_EQ(height, doubled ? 400u : 200u);
  EXPECT_EQ(border, 4u);

  std::vector<uint32_t> frame = test_frame(c.mode);
  display_present(frame.data());
  Pixels shown = read_window();
  ASSERT_EQ(shown.values.size(), size_t(width) * height);
  int wrong = 0;
  for (int py = 0; py < shown.height; ++py)
    for (int px = 0; px < shown.width; ++px)
      if (shown.at(px, py) != expected_pixel(frame, c.depth, doubled, px, py) && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << px << "," << py << " is " << std::hex << shown.at(px, py)
                      << ", expected " << expected_pixel(frame, c.depth, doubled, px, py);
  EXPECT_EQ(wrong, 0);

  // The edge values, as literal numbers. Source (0,0) is white, (1,0) is (255,128,64).
  int s1 = doubled ? 2 : 1;
  switch (c.depth) {
    case 8:
      if (doubled) {
        EXPECT_EQ(shown.at(0, 0), 63u);
        EXPECT_EQ(shown.at(1, 0), 255u);
        EXPECT_EQ(shown.at(0, 1), 255u);
        EXPECT_EQ(shown.at(1, 1), 63u);
      } else {
        EXPECT_EQ(shown.at(0, 0), 95u);
      }
      break;
    case 15: EXPECT_EQ(shown.at(s1, 0), 0x7E08u); break;
    case 16: EXPECT_EQ(shown.at(s1, 0), 0xFC08u); break;
    case 24:
      EXPECT_EQ(shown.at(0, 0), 0xFFFFFFu);
      EXPECT_EQ(shown.at(s1, 0), 0xFF8040u);
      break;
    case 30:
      EXPECT_EQ(shown.at(0, 0), 0x3FFFFFFFu);
      EXPECT_EQ(shown.at(s1, 0), 0x3FF80901u);  // 1023, 514, 257
      // The server's own pixel for each colour of row 0, given in 16 bits.
      for (int i = 0; i < 7; ++i) {
        uint32_t p = frame[i];
        XColor colour{};
        colour.red = static_cast<unsigned short>(((p >> 16) & 255) * 257);
        colour.green = static_cast<unsigned short>(((p >> 8) & 255) * 257);
        colour.blue = static_cast<unsigned short>((p & 255) * 257);
        ASSERT_TRUE(XAllocColor(s.display, DefaultColormap(s.display, s.screen), &colour));
        EXPECT_EQ(shown.at(i * s1, 0), colour.pixel) << "row 0 pixel " << i;
      }
      break;
  }
  if (doubled && c.depth != 8) {
    EXPECT_EQ(shown.at(0, 1), 0u);
    EXPECT_EQ(shown.at(s1, 1), 0u);
    EXPECT_EQ(shown.at(1, 0), shown.at(0, 0));
  }

  // A second, different frame replaces the first everywhere.
  std::vector<uint32_t> next = test_frame(c.mode + 100);
  display_present(next.data());
  shown = read_window();
  wrong = 0;
  for (int py = 0; py < shown.height; ++py)
    for (int px = 0; px < shown.width; ++px) wrong += shown.at(px, py) != expected_pixel(next, c.depth, doubled, px, py);
  EXPECT_EQ(wrong, 0);
  display_close();
  EXPECT_EQ(display_state.display, nullptr);
}

std::vector<ModeCase> all_window_modes() {
  std::vector<ModeCase> cases;
  for (int depth : {8, 15, 16, 24, 30})
    for (int mode = 1; mode <= 4; ++mode) cases.push_back({depth, mode});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllDepths, WindowModes, testing::ValuesIn(all_window_modes()),
                         [](const testing::TestParamInfo<ModeCase>& info) {
                           return "Depth" + std::to_string(info.param.depth) + "Mode" +
                                  std::to_string(info.param.mode);
                         });

// The server keeps only the significant bits of each component.
void expect_cell(const XColor& cell, unsigned red, unsigned green, unsigned blue, int bits) {
  unsigned shift = 16 - bits;
  EXPECT_EQ(cell.red >> shift, red >> shift) << "cell " << cell.pixel;
  EXPECT_EQ(cell.green >> shift, green >> shift) << "cell " << cell.pixel;
  EXPECT_EQ(cell.blue >> shift, blue >> shift) << "cell " << cell.pixel;
}

std::vector<XColor> stored_cells() {
  std::vector<XColor> cells(256);
  for (int i = 0; i < 256; ++i) cells[i].pixel = i;
  XQueryColors(display_state.display, display_state.colormap, cells.data(), 256);
  return cells;
}

TEST(EightBitPalette, GrayscaleModeStores96GraysAndBlack) {
  ASSERT_TRUE(use_display(xvfb_display(8)));
  ASSERT_EQ(display_open_mode(320, 200, 1), 0);
  int bits = display_state.visual->bits_per_rgb;
  std::vector<XColor> cells = stored_cells();
  for (unsigned i = 0; i < 256; ++i) {
    unsigned level = i < 96 ? i * 65535 / 96 : 0;
    expect_cell(cells[i], level, level, level, bits);
  }
  EXPECT_EQ(cells[95].red >> 8, 0xFDu);  // 95 * 65535 / 96 = 0xFD55
  display_close();
}

TEST(EightBitPalette, DoublePixelModeStoresRedAndGreenBlueCells) {
  ASSERT_TRUE(use_display(xvfb_display(8)));
  ASSERT_EQ(display_open_mode(320, 200, 2), 0);
  int bits = display_state.visual->bits_per_rgb;
  std::vector<XColor> cells = stored_cells();
  for (unsigned i = 0; i < 64; ++i) expect_cell(cells[i], i * 65535 / 64, 0, 0, bits);
  for (unsigned j = 0; j < 128; ++j)
    expect_cell(cells[128 + j], 0, (j & 15) * 4369, (j >> 4) * 65535 / 7, bits);
  expect_cell(cells[255], 0, 65535, 65535, bits);
  display_close();
}

TEST(SharedMemory, SegmentLivesWhileOpenAndIsRemovedByClose) {
  ASSERT_TRUE(use_display(xvfb_display(16)));
  ASSERT_EQ(shm_segments_created_by(getpid()), 0);
  ASSERT_EQ(display_open_mode(320, 200, 4), 0);
  EXPECT_EQ(shm_segments_created_by(getpid()), 1);
  EXPECT_EQ(display_state.image->bytes_per_line, 640 * 2);
  display_close();
  EXPECT_EQ(shm_segments_created_by(getpid()), 0);
}

TEST(SharedMemory, ServerThatCannotAttachTheSegmentFailsWithTwo) {
  // A server in its own IPC namespace cannot see our segment, just like one in
  // another container: its attach fails with an asynchronous X error, which
  // must not end this process.
  PrivateXvfb server = private_xvfb_start_isolated("1024x768x24");
  if (server.display.empty()) GTEST_SKIP() << "no IPC namespace can be made here (unshare)";
  ASSERT_TRUE(use_display(server.display));
  EXPECT_EQ(display_open_mode(320, 200, 3), 2);
  EXPECT_EQ(display_failure(),
            "the X display " + server.display +
                " cannot attach the show's shared memory (a server on another machine, or in "
                "another IPC namespace)");
  EXPECT_EQ(display_state.display, nullptr);
  EXPECT_EQ(shm_segments_created_by(getpid()), 0);
  EXPECT_EQ(display_open_mode(320, 200, 4), 2);
  EXPECT_EQ(shm_segments_created_by(getpid()), 0);
  // The window modes need no shared memory and still work there.
  ASSERT_EQ(display_open_mode(320, 200, 2), 0);
  std::vector<uint32_t> frame = test_frame();
  display_present(frame.data());
  EXPECT_EQ(read_window().at(2, 0), expected_pixel(frame, 24, true, 2, 0));
  display_close();
  private_xvfb_stop(server);
}

TEST(SetUpRefusals, ServerWithoutSharedMemoryRefusesOnlyTheShmModes) {
  PrivateXvfb server = private_xvfb_start({}, "1024x768x16", {"-extension", "MIT-SHM"});
  ASSERT_FALSE(server.display.empty());
  ASSERT_TRUE(use_display(server.display));
  const std::string no_shm = "the X display " + server.display +
                             " has no MIT-SHM extension, which modes 3 and 4 need (1 and 2 do without)";
  EXPECT_EQ(display_open_mode(320, 200, 3), 2);
  EXPECT_EQ(display_failure(), no_shm);
  EXPECT_EQ(display_open_mode(320, 200, 4), 2);
  EXPECT_EQ(display_failure(), no_shm);
  for (int mode : {1, 2}) {
    ASSERT_EQ(display_open_mode(320, 200, mode), 0) << mode;
    EXPECT_STREQ(display_failure(), "") << "a success leaves no reason behind";
    display_close();
  }
  private_xvfb_stop(server);
}

TEST(SetUpRefusals, ReadOnlyEightBitVisualIsRefusedNotFatal) {
  // A StaticColor default visual cannot take the AllocAll colour map.
  PrivateXvfb server = private_xvfb_start({}, "1024x768x8", {"-cc", "2"});
  ASSERT_FALSE(server.display.empty());
  ASSERT_TRUE(use_display(server.display));
  EXPECT_EQ(display_open_mode(320, 200, 1), 2);
  EXPECT_STREQ(display_failure(),
               "the X display's 8-bit visual has fixed colours; the show needs one it can fill");
  EXPECT_EQ(display_open_mode(320, 200, 2), 2);
  private_xvfb_stop(server);
}

TEST(SetUpRefusals, BadSizeKindModeOrDisplay) {
  ASSERT_TRUE(use_display(xvfb_display(24)));
  EXPECT_EQ(display_open(0, 1), 1);
  EXPECT_EQ(display_open(3, 1), 1);
  EXPECT_EQ(display_open_mode(320, 200, 0), 1);
  EXPECT_STREQ(display_failure(), "the output mode must be a number from 1 to 6");
  EXPECT_EQ(display_open_mode(320, 200, 7), 1);
  setenv("DISPLAY", ":250", 1);
  EXPECT_EQ(display_open_mode(320, 200, 1), 1);
  EXPECT_STREQ(display_failure(), "cannot open the X display :250 (DISPLAY=:250)");
  unsetenv("DISPLAY");
  EXPECT_EQ(display_open_mode(320, 200, 1), 1);
  EXPECT_STREQ(display_failure(), "cannot open an X display: DISPLAY is not set");
}

TEST(SetUpWithoutMenu, FlagsPickModeOneAndSizeKindOneIs320x240) {
  ASSERT_TRUE(use_display(xvfb_display(24)));
  ASSERT_EQ(display_open(1, 1), 0);
  EXPECT_EQ(display_state.output_width, 320);
  EXPECT_EQ(display_state.output_height, 240);
  EXPECT_EQ(display_state.path, OutputPath::kPlain);
  // A taller picture's rows are read straight on: 240 rows here.
  std::vector<uint32_t> frame(320 * 240, 0x123456);
  frame[320 * 239 + 5] = 0xABCDEF;
  display_present(frame.data());
  EXPECT_EQ(read_window().at(5, 239), 0xABCDEFu);
  display_close();
  // Bits 0 and 1: mode 5; without DGA on Xvfb, in a full-screen window.
  ASSERT_EQ(display_open(2, 3), 0);
  EXPECT_EQ(display_state.path, OutputPath::kFullScreen);
  EXPECT_EQ(display_state.output_height, 200);
  display_close();
}

}  // namespace
