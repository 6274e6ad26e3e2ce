// `tundrix-capture picture`: any IFF ILBM/PBM picture through the show's own
// decoder, written as a palette PNG; --list and --embedded go to the show's
// embedded pictures.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/iff.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_files.h"

int capture_picture_main(int argc, char** argv) {
  for (int i = 1; i < argc; i++)
    if (!std::strcmp(argv[i], "--list") || !std::strcmp(argv[i], "--embedded"))
      return capture_embedded_main(argc, argv);
  const char* in = nullptr;
  const char* out = nullptr;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
      out = argv[++i];
    else if (!in && argv[i][0] != '-')
      in = argv[i];
    else
      return capture_usage_error((std::string("picture: unexpected argument ") + argv[i]).c_str());
  }
  if (!in || !out) return capture_usage_error("picture: FILE and -o OUT.png are required");

  std::string why;
  std::vector<uint8_t> data;
  if (!read_whole_file(in, &data, &why)) return capture_usage_error(why.c_str());
  uint8_t palette[768];
  if (iff_decode(data.data(), data.size(), nullptr, 0, palette) == 0) {
    std::fprintf(stderr, "tundrix-capture: %s: %s\n", in, iff_status);
    return 1;
  }
  IffHeader h = iff_header;
  if (h.width == 0 || h.height == 0) {
    std::fprintf(stderr, "tundrix-capture: %s: empty picture\n", in);
    return 1;
  }
  size_t pixels = static_cast<size_t>(h.width) * h.height;
  if (pixels > (size_t{1} << 26)) {
    std::fprintf(stderr, "tundrix-capture: %s: picture too large (%dx%d)\n", in, h.width, h.height);
    return 1;
  }
  size_t decoded_size = h.chunky ? pixels : static_cast<size_t>(h.width / 8) * h.planes * h.height;
  std::vector<uint8_t> decoded(decoded_size, 0);
  if (iff_decode(data.data(), data.size(), decoded.data(), decoded.size(), palette) == 0) {
    std::fprintf(stderr, "tundrix-capture: %s: %s\n", in, iff_status);
    return 1;
  }
  std::vector<uint8_t> indices = decoded;
  if (!h.chunky) {
    indices.assign(pixels, 0);
    iff_planar_to_chunky(decoded.data(), decoded.size(), indices.data(), indices.size());
  }
  // The show turns a 6-bit component c into the 8-bit c << 2.
  uint8_t colours[768];
  for (int i = 0; i < 768; i++) colours[i] = static_cast<uint8_t>(palette[i] << 2);
  if (!png_write_indexed(out, indices.data(), h.width, h.height, colours, &why)) {
    std::fprintf(stderr, "tundrix-capture: %s\n", why.c_str());
    return 1;
  }
  return 0;
}
