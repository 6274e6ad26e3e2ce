// tundrix-gen-icon OUT_DIR
// Writes the icon at every size as OUT_DIR/SIZExSIZE/apps/tundrix.png, the
// layout of an icon theme's folder.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/gen_icon/icon.h"

namespace {

bool write_png(const std::string& path, int size, const std::vector<uint8_t>& rgba) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(size);
  image.height = static_cast<png_uint_32>(size);
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tundrix-gen-icon OUT_DIR\n");
    return 2;
  }
  for (int size : kIconSizes) {
    std::string folder =
        std::string(argv[1]) + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !write_png(folder + "/tundrix.png", size, draw_icon(size))) {
      std::fprintf(stderr, "tundrix-gen-icon: cannot write %s/tundrix.png\n", folder.c_str());
      return 1;
    }
  }
  return 0;
}
