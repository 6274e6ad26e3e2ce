// tundrix-capture's picture --list / --embedded, called directly until the
// capture tool's picture command hands them over.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>

#include "tests/content/content_support.h"
#include "tools/capture/capture.h"

int capture_usage_error(const char*) { return 2; }

namespace {

struct Png {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

bool read_png(const std::string& path, Png& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
}

int run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return capture_embedded_main(static_cast<int>(argv.size()), argv.data());
}

TEST(CaptureEmbedded, ExportsOneRoleWithItsPalette) {
  std::string dir = make_temp_dir();
  std::string out = dir + "/still.png";
  ASSERT_EQ(run({"picture", "--embedded", "still", "-o", out}), 0);
  Png png;
  ASSERT_TRUE(read_png(out, png));
  DecodedPicture d = decode_embedded(PIC_STILL);
  ASSERT_EQ(png.width, 320);
  ASSERT_EQ(png.height, 200);
  for (size_t i = 0; i < d.indices.size(); i += 997)
    for (int k = 0; k < 3; k++) {
      uint8_t c = d.palette[d.indices[i] * 3 + k];
      ASSERT_EQ(png.rgb[i * 3 + k], static_cast<uint8_t>(c << 2 | c >> 4)) << "pixel " << i;
    }
  std::remove(out.c_str());
  std::remove(dir.c_str());
}

TEST(CaptureEmbedded, WritesAContactSheetOfEveryRole) {
  std::string dir = make_temp_dir();
  std::string out = dir + "/sheet.png";
  ASSERT_EQ(run({"picture", "--embedded", "all", "-o", out}), 0);
  Png png;
  ASSERT_TRUE(read_png(out, png));
  EXPECT_EQ(png.width, 5 * 336);
  EXPECT_EQ(png.height, 5 * 228);
  // The first cell holds the swirl picture at half size: its top-left pixel.
  DecodedPicture swirl = decode_embedded(PIC_SWIRL);
  size_t at = (static_cast<size_t>(8) * png.width + 8 + 80) * 3;
  uint8_t c = swirl.palette[swirl.indices[0] * 3];
  EXPECT_EQ(png.rgb[at], static_cast<uint8_t>(c << 2 | c >> 4));
  std::remove(out.c_str());
  std::remove(dir.c_str());
}

TEST(CaptureEmbedded, RejectsUnknownRolesAndMissingOutput) {
  EXPECT_EQ(run({"picture", "--embedded", "nonsense", "-o", "/tmp/x.png"}), 2);
  EXPECT_EQ(run({"picture", "--embedded", "still"}), 2);
  EXPECT_EQ(run({"picture", "--bogus"}), 2);
}

TEST(CaptureEmbedded, ListsEveryRole) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(run({"picture", "--list"}), 0);
  std::string text = testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  EXPECT_EQ(run({"--list"}), 0) << "also without the subcommand's name in front";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), text);
  for (int r = 0; r < PIC_COUNT; r++) EXPECT_NE(text.find(picture_role_name(static_cast<PictureRole>(r))), std::string::npos);
  EXPECT_NE(text.find("texture-1          256x256 ILBM"), std::string::npos) << text;
  EXPECT_NE(text.find("swirl              320x400 PBM "), std::string::npos) << text;
}

}  // namespace
