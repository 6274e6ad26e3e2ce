// The picture wipes in the real scene sequence, through tundrix-capture:
// frames at known ticks against the embedded pictures decoded here.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "display/display.h"
#include "scenes/scene_kit.h"
#include "tests/support/scene_run.h"
#include "tests/support/support.h"

namespace {

// The frame the capture shows at tick as 0x00RRGGBB pixels, through netpbm.
std::vector<uint32_t> captured_frame(uint32_t tick) {
  std::string dir = test_temp_dir() + "/at-" + std::to_string(tick);
  RunOptions options;
  options.timeout_seconds = 240;
  RunResult r = run_program({capture_binary(), "show", "--from", std::to_string(tick), "--to", std::to_string(tick),
                             "-o", dir},
                            options);
  EXPECT_EQ(r.status, 0) << r.err;
  RunResult ppm = run_program({"/usr/bin/pngtopnm", dir + "/frame-000000.png"});
  std::string header = "P6\n320 200\n255\n";
  if (ppm.status != 0 || ppm.out.compare(0, header.size(), header) != 0 ||
      ppm.out.size() != header.size() + 3 * kFramePixels) {
    ADD_FAILURE() << "no frame at tick " << tick;
    return {};
  }
  std::vector<uint32_t> frame(kFramePixels);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(ppm.out.data()) + header.size();
  for (int i = 0; i < kFramePixels; i++, p += 3) frame[i] = p[0] << 16 | p[1] << 8 | p[2];
  return frame;
}

int differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.size(); i++) n += a[i] != b[i];
  return n;
}

// At each wipe start the previous picture stands whole; at the end of the
// dissolve (tick 9,451, every threshold below 255) the final picture shows
// at one eighth brightness.
TEST(PictureWipesInTheShow, GalleryPicturesAtTheirTicksAndTheDarkFinalPicture) {
  EXPECT_EQ(differing(captured_frame(7196), embedded_picture(PIC_GALLERY_1)), 0);
  EXPECT_EQ(differing(captured_frame(7596), embedded_picture(PIC_GALLERY_2)), 0);
  EXPECT_EQ(differing(captured_frame(7896), embedded_picture(PIC_GALLERY_3)), 0);
  std::vector<uint32_t> dark = embedded_picture(PIC_FINAL);
  for (uint32_t& p : dark) p = (p >> 3) & 0x1F1F1F;
  EXPECT_EQ(differing(captured_frame(9451), dark), 0);
}

}  // namespace
