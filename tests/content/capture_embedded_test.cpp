// tundrix-capture picture --list / --embedded ROLE|all, run as the real program.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>

#include "tests/content/content_support.h"

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

RunResult capture(const std::vector<std::string>& args) {
  std::vector<std::string> argv{capture_binary(), "picture"};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_program(argv);
}

uint8_t expand(uint8_t c) { return static_cast<uint8_t>(c << 2 | c >> 4); }

TEST(CaptureEmbedded, ExportsOneRoleThroughItsPalette) {
  std::string dir = make_temp_dir();
  std::string out = dir + "/texture-1.png";
  RunResult r = capture({"--embedded", "texture-1", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  Png png;
  ASSERT_TRUE(read_png(out, png));
  DecodedPicture d = decode_embedded(PIC_TEXTURE_1);
  ASSERT_EQ(png.width, 256);
  ASSERT_EQ(png.height, 256);
  size_t wrong = 0;
  for (size_t i = 0; i < d.indices.size(); i++)
    for (int k = 0; k < 3; k++) wrong += png.rgb[i * 3 + k] != expand(d.palette[d.indices[i] * 3 + k]);
  EXPECT_EQ(wrong, 0u);
  std::remove(out.c_str());
  std::remove(dir.c_str());
}

TEST(CaptureEmbedded, WritesAContactSheetOfEveryRole) {
  std::string dir = make_temp_dir();
  std::string out = dir + "/sheet.png";
  RunResult r = capture({"--embedded", "all", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  Png png;
  ASSERT_TRUE(read_png(out, png));
  ASSERT_EQ(png.width, 5 * 336);
  ASSERT_EQ(png.height, 5 * 228);
  // The first cell holds the 320x400 swirl picture at half size, centred.
  DecodedPicture swirl = decode_embedded(PIC_SWIRL);
  for (int y = 0; y < 200; y += 37)
    for (int x = 0; x < 160; x += 23) {
      size_t at = (static_cast<size_t>(8 + y) * png.width + 88 + x) * 3;
      uint8_t v = swirl.indices[static_cast<size_t>(y * 2) * 320 + x * 2];
      ASSERT_EQ(png.rgb[at], expand(swirl.palette[v * 3])) << x << "," << y;
    }
  // Every cell carries a label in light ink below its picture.
  for (int r0 = 0; r0 < PIC_COUNT; r0++) {
    int lit = 0;
    for (int y = 0; y < 8; y++)
      for (int x = 0; x < 160; x++) {
        size_t at = (static_cast<size_t>((r0 / 5) * 228 + 212 + y) * png.width + (r0 % 5) * 336 + 8 + x) * 3;
        lit += png.rgb[at] == 0xE8;
      }
    EXPECT_GT(lit, 40) << "label of " << picture_role_name(static_cast<PictureRole>(r0));
  }
  std::remove(out.c_str());
  std::remove(dir.c_str());
}

TEST(CaptureEmbedded, RejectsUnknownRolesAndMissingOutput) {
  EXPECT_EQ(capture({"--embedded", "nonsense", "-o", "/tmp/tundrix-nonsense.png"}).status, 2);
  EXPECT_EQ(capture({"--embedded", "still"}).status, 2);
  EXPECT_EQ(capture({"--embedded", "still", "-o", "/nonexistent/dir/x.png"}).status, 1);
}

TEST(CaptureEmbedded, ListsEveryRoleWithSizeAndType) {
  RunResult r = capture({"--list"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (int i = 0; i < PIC_COUNT; i++)
    EXPECT_NE(r.out.find(picture_role_name(static_cast<PictureRole>(i))), std::string::npos);
  EXPECT_NE(r.out.find("texture-1          256x256 ILBM"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("swirl              320x400 PBM "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("font               320x200 PBM "), std::string::npos) << r.out;
}

}  // namespace
