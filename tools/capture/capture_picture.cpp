// `tundrix-capture picture`: any IFF ILBM/PBM picture through the show's own
// decoder, written as a palette PNG; --list and --embedded go to the show's
// embedded pictures.
//
// The show's decoder is lenient on purpose (it unpacks any compression but a
// stored body as ByteRun1 and fills what a short body leaves black); the tool
// is not: a picture the decoder would show damaged is reported as such.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/iff.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_files.h"
#include "tools/capture/capture_usage.h"

namespace {

constexpr size_t kMaxPixels = size_t{1} << 26;
constexpr size_t kMaxDecodedBytes = size_t{1} << 29;
constexpr int kStored = 0;
constexpr int kByteRun1 = 1;

struct PictureOptions {
  const char* in = nullptr;
  const char* out = nullptr;
  bool keep_damaged = false;
  bool list = false;
  const char* embedded = nullptr;
};

// A usage error's status (2), a missing folder's (1), or 0.
int parse(int argc, char** argv, PictureOptions* o) {
  const std::vector<Option> known = {
      {.name = "-o", .text = &o->out},
      {.name = "--keep-damaged", .flag = &o->keep_damaged},
      {.name = "--list", .flag = &o->list},
      {.name = "--embedded", .text = &o->embedded},
  };
  std::vector<const char*> arguments;
  if (int status = capture_read_options("picture", argc, argv, known, &arguments, 1)) return status;
  if (!arguments.empty()) o->in = arguments[0];
  if (o->list || o->embedded) {
    if (o->in) return capture_usage_error("picture: unexpected argument '" + shown(o->in) + "'");
    if (o->keep_damaged || (o->list && (o->embedded || o->out)))
      return capture_usage_error("picture: --list and --embedded ROLE -o OUT.png take nothing else");
    if (o->list) return 0;
    if (!o->out) return capture_usage_error("picture: --embedded ROLE|all needs -o OUT.png");
  } else if (!o->in || !o->out) {
    return capture_usage_error("picture: FILE and -o OUT.png are required");
  }
  return check_output_file("picture", o->out, ".png");
}

int failed(const char* in, const std::string& what) {
  std::fprintf(stderr, "tundrix-capture: %s: %s\n", shown(in).c_str(), what.c_str());
  return 1;
}

// What makes the picture damaged for the user, or "" when nothing does.
std::string damage(const IffHeader& h, size_t output_size) {
  if (h.planes == 0) return "damaged picture: 0 bit planes";
  if (h.planes > 8) return "damaged picture: " + std::to_string(h.planes) + " bit planes (at most 8 decode)";
  if (h.compression != kStored && h.compression != kByteRun1)
    return "damaged picture: compression " + std::to_string(h.compression) +
           " is neither stored (0) nor ByteRun1 (1)";
  if (iff_body_filled < output_size)
    return "damaged picture: the body ends after " + std::to_string(iff_body_filled) + " of " +
           std::to_string(output_size) + " bytes";
  return "";
}

}  // namespace

int capture_picture_main(int argc, char** argv) {
  if (capture_wants_help(argc, argv)) return capture_help("picture");
  PictureOptions o;
  if (int status = parse(argc, argv, &o)) return status;
  if (o.list) return capture_list_embedded();
  if (o.embedded) return capture_embedded(o.embedded, o.out);

  std::string why;
  std::vector<uint8_t> data;
  if (!read_whole_file(o.in, kMaxPictureBytes, &data, &why)) return failed("picture", why);
  uint8_t palette[768];
  if (iff_decode(data.data(), data.size(), nullptr, 0, palette) == 0) return failed(o.in, iff_status);
  IffHeader h = iff_header;
  if (h.width == 0 || h.height == 0) return failed(o.in, "empty picture");
  size_t pixels = static_cast<size_t>(h.width) * h.height;
  // Up to 255 bit planes: the planar body can be far larger than the pixels.
  size_t decoded_size = iff_output_size(h);
  if (pixels > kMaxPixels || decoded_size > kMaxDecodedBytes)
    return failed(o.in, "picture too large (" + std::to_string(h.width) + "x" + std::to_string(h.height) + ")");
  std::vector<uint8_t> decoded(decoded_size, 0);
  if (iff_decode(data.data(), data.size(), decoded.data(), decoded.size(), palette) == 0)
    return failed(o.in, iff_status);
  std::string damaged = damage(h, decoded_size);
  if (!damaged.empty() && !o.keep_damaged) return failed(o.in, damaged + " (--keep-damaged writes what decoded)");

  std::vector<uint8_t> indices = decoded;
  if (!h.chunky) {
    indices.assign(pixels, 0);
    iff_planar_to_chunky(decoded.data(), decoded.size(), indices.data(), indices.size());
  }
  // The show turns a 6-bit component c into the 8-bit c << 2.
  uint8_t colours[768];
  for (int i = 0; i < 768; i++) colours[i] = static_cast<uint8_t>(palette[i] << 2);
  if (!png_write_indexed(o.out, indices.data(), h.width, h.height, colours, &why)) return failed("picture", why);
  if (!damaged.empty()) return failed(o.in, damaged + "; what decoded is in " + o.out);
  return 0;
}
