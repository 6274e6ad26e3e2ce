// The icon files as the desktop gets them, decoded by netpbm: a tile of its
// size with clear corners, a snowflake that stands out of it, and the same
// bytes from every run of the generator.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

const int kSizes[] = {16, 32, 48, 64, 128, 256};

std::string icon_file(const std::string& theme, int size) {
  return theme + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/tundrix.png";
}

struct Rgba {
  int width = 0, height = 0;
  std::vector<uint8_t> px;
  const uint8_t* at(int x, int y) const { return &px[(static_cast<size_t>(y) * width + x) * 4]; }
  double luma(int x, int y) const { return 0.299 * at(x, y)[0] + 0.587 * at(x, y)[1] + 0.114 * at(x, y)[2]; }
};

// Decodes a PNG with netpbm into RGBA; fails the test on anything but an
// RGB_ALPHA picture of maxval 255.
Rgba decode(const std::string& png) {
  RunResult r = run_program({"/usr/bin/pngtopam", "-alphapam", png});
  EXPECT_EQ(r.status, 0) << png << ": " << r.err;
  Rgba image;
  size_t end = r.out.find("ENDHDR\n");
  if (end == std::string::npos) {
    ADD_FAILURE() << png << ": no PAM header";
    return image;
  }
  std::istringstream header(r.out.substr(0, end));
  std::string key, tupltype;
  int depth = 0, maxval = 0;
  while (header >> key) {
    if (key == "WIDTH") header >> image.width;
    if (key == "HEIGHT") header >> image.height;
    if (key == "DEPTH") header >> depth;
    if (key == "MAXVAL") header >> maxval;
    if (key == "TUPLTYPE") header >> tupltype;
  }
  EXPECT_EQ(tupltype, "RGB_ALPHA") << png;
  EXPECT_EQ(depth, 4) << png;
  EXPECT_EQ(maxval, 255) << png;
  image.px.assign(r.out.begin() + static_cast<long>(end + 7), r.out.end());
  if (image.px.size() != static_cast<size_t>(image.width) * image.height * 4) {
    ADD_FAILURE() << png << ": " << image.px.size() << " bytes of pixels";
    image.width = image.height = 0;
  }
  return image;
}

// Every size is a square tile of that size: corners and a border of whole
// pixels see-through, the body opaque, so the desktop's panel shows around
// the tile and nowhere inside it.
TEST(Icon, EverySizeIsAnOpaqueTileWithClearCorners) {
  for (int size : kSizes) {
    SCOPED_TRACE(size);
    Rgba icon = decode(icon_file(TUNDRIX_ICON_DIR, size));
    ASSERT_EQ(icon.width, size);
    ASSERT_EQ(icon.height, size);
    int margin = std::max(1, static_cast<int>(std::lround(size / 32.0)));
    for (int c : {0, size - 1}) {
      EXPECT_EQ(icon.at(c, c)[3], 0);
      EXPECT_EQ(icon.at(c, size - 1 - c)[3], 0);
    }
    for (int i = 0; i < size; i++)
      for (int m = 0; m < margin; m++) {
        ASSERT_EQ(icon.at(i, m)[3], 0) << "top border at " << i;
        ASSERT_EQ(icon.at(m, i)[3], 0) << "left border at " << i;
        ASSERT_EQ(icon.at(i, size - 1 - m)[3], 0) << "bottom border at " << i;
        ASSERT_EQ(icon.at(size - 1 - m, i)[3], 0) << "right border at " << i;
      }
    // Inside the rounded corners everything is opaque, up to the straight
    // edges, which fall on pixel boundaries.
    int inset = margin + static_cast<int>(std::ceil(0.19 * size));
    for (int y = margin; y < size - margin; y++)
      for (int x = inset; x < size - inset; x++) {
        ASSERT_EQ(icon.at(x, y)[3], 255) << x << "," << y;
        ASSERT_EQ(icon.at(y, x)[3], 255) << y << "," << x;
      }
  }
}

// The upright arm of the snowflake (the two middle columns, from a third of
// the way out nearly to its tip) is far brighter than the tile around the
// flake, at every size; at the small sizes it sits on whole pixels, with
// darker columns on both sides.
TEST(Icon, SnowflakeStandsOutOfTheSkyAndIsSharpWhenSmall) {
  for (int size : kSizes) {
    SCOPED_TRACE(size);
    Rgba icon = decode(icon_file(TUNDRIX_ICON_DIR, size));
    ASSERT_EQ(icon.width, size);
    double radius = 0.4 * size, centre = size / 2.0;
    double arm = 0;
    int arm_pixels = 0;
    for (int y = static_cast<int>(centre - 0.9 * radius); y < centre - 0.35 * radius; y++, arm_pixels += 2)
      arm += icon.luma(size / 2 - 1, y) + icon.luma(size / 2, y);
    double sky = 0;
    int sky_pixels = 0;
    for (int y = 0; y < size; y++)
      for (int x = 0; x < size; x++)
        if (icon.at(x, y)[3] == 255 && std::hypot(x + 0.5 - centre, y + 0.5 - centre) > radius + 0.75) {
          sky += icon.luma(x, y);
          sky_pixels++;
        }
    ASSERT_GT(arm_pixels, 0);
    ASSERT_GT(sky_pixels, size / 2);
    EXPECT_GT(arm / arm_pixels, 200);
    EXPECT_LT(sky / sky_pixels, 80);
    if (size > 32) continue;
    // Rows of the upright arm clear of the side arms, branches and tip.
    int first = size == 16 ? 2 : 5, last = size == 16 ? 4 : 6;
    for (int y = first; y <= last; y++) {
      double left = icon.luma(size / 2 - 1, y), right = icon.luma(size / 2, y);
      EXPECT_NEAR(left, right, 12) << "row " << y;
      EXPECT_LT(icon.luma(size / 2 - 2, y), left - 100) << "row " << y;
      EXPECT_LT(icon.luma(size / 2 + 1, y), right - 100) << "row " << y;
    }
  }
}

// The generator makes the same bytes every time, and they are the icon the
// build installs; it fails when it cannot write.
TEST(Icon, GeneratorWritesTheSameFilesEveryRun) {
  char pattern[] = "/tmp/tundrix-icon-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string folder = pattern;
  for (const char* run : {"/a", "/b"}) {
    RunResult r = run_program({TUNDRIX_GEN_ICON_BIN, folder + run});
    EXPECT_EQ(r.status, 0) << r.err;
  }
  for (int size : kSizes) {
    std::vector<uint8_t> a = read_file(icon_file(folder + "/a", size));
    EXPECT_FALSE(a.empty()) << size;
    EXPECT_TRUE(a == read_file(icon_file(folder + "/b", size))) << size << " differs between runs";
    EXPECT_TRUE(a == read_file(icon_file(TUNDRIX_ICON_DIR, size))) << size << " differs from the built one";
  }
  std::filesystem::remove_all(folder);
  RunResult denied = run_program({TUNDRIX_GEN_ICON_BIN, "/dev/null/icons"});
  EXPECT_EQ(denied.status, 1);
  EXPECT_NE(denied.err.find("/dev/null/icons/16x16/apps/tundrix.png"), std::string::npos) << denied.err;
}

}  // namespace
