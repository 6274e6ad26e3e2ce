// picture --list | --embedded ROLE|all -o OUT.png: the show's embedded
// pictures, decoded with the show's own decoder and written as PNG.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/content.h"
#include "picture/iff.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_files.h"
#include "tools/capture/capture_usage.h"

namespace {

struct Decoded {
  int width = 0, height = 0;
  bool planar = false;
  std::vector<uint8_t> indices;
  uint8_t palette[768] = {};  // 8 bits per component, as the file stores them
};

// Decodes a role's picture with the show's decoder; false when the embedded
// bytes do not decode.
bool decode_role(PictureRole role, Decoded& out) {
  Blob blob = picture_data(role);
  if (!blob.data || !iff_decode(blob.data, blob.size, nullptr, 0, nullptr)) return false;
  out.width = iff_header.width;
  out.height = iff_header.height;
  out.planar = !iff_header.chunky;
  size_t pixels = static_cast<size_t>(out.width) * out.height;
  std::vector<uint8_t> body(iff_output_size(iff_header), 0);
  out.indices.assign(pixels, 0);
  if (!iff_decode(blob.data, blob.size, body.data(), body.size(), out.palette)) return false;
  if (out.planar)
    iff_planar_to_chunky(body.data(), body.size(), out.indices.data(), out.indices.size());
  else
    out.indices = body;
  for (uint8_t& c : out.palette) c = static_cast<uint8_t>(c << 2 | c >> 4);
  return true;
}

uint32_t colour(const Decoded& d, size_t i) {
  const uint8_t* c = &d.palette[d.indices[i] * 3];
  return static_cast<uint32_t>(c[0]) << 16 | c[1] << 8 | c[2];
}

std::string upper(const char* text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

int written(bool ok, const std::string& why) {
  if (ok) return 0;
  std::fprintf(stderr, "tundrix-capture: %s\n", why.c_str());
  return 1;
}

}  // namespace

int capture_list_embedded() {
  for (int r = 0; r < PIC_COUNT; r++) {
    PictureRole role = static_cast<PictureRole>(r);
    Blob blob = picture_data(role);
    if (!blob.data || !iff_decode(blob.data, blob.size, nullptr, 0, nullptr)) {
      std::printf("%-18s (does not decode)\n", picture_role_name(role));
      continue;
    }
    std::printf("%-18s %dx%d %s %zu bytes\n", picture_role_name(role), iff_header.width, iff_header.height,
                iff_header.chunky ? "PBM " : "ILBM", blob.size);
  }
  return 0;
}

namespace {

constexpr int kCellWidth = 336, kCellHeight = 228, kColumns = 5;

// Every role in a grid, scaled to fit 320x200 (nearest pixel), labelled with
// its name, size and type.
int write_sheet(const char* out) {
  std::string why;
  int rows = (PIC_COUNT + kColumns - 1) / kColumns;
  int width = kColumns * kCellWidth, height = rows * kCellHeight;
  std::vector<uint32_t> sheet(static_cast<size_t>(width) * height, 0x282828);
  for (int r = 0; r < PIC_COUNT; r++) {
    Decoded d;
    PictureRole role = static_cast<PictureRole>(r);
    if (!decode_role(role, d)) {
      std::fprintf(stderr, "tundrix-capture: %s does not decode\n", picture_role_name(role));
      return 1;
    }
    int scale_num = 1, scale_den = 1;  // fit into 320x200
    if (d.height > 200) scale_num = 200, scale_den = d.height;
    int w = d.width * scale_num / scale_den, h = d.height * scale_num / scale_den;
    int ox = (r % kColumns) * kCellWidth + 8 + (320 - w) / 2, oy = (r / kColumns) * kCellHeight + 8;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        size_t src = static_cast<size_t>(y) * scale_den / scale_num * d.width + static_cast<size_t>(x) * scale_den / scale_num;
        sheet[static_cast<size_t>(oy + y) * width + ox + x] = colour(d, src);
      }
    std::string text = upper(picture_role_name(role)) + " " + std::to_string(d.width) + "X" + std::to_string(d.height) +
                       (d.planar ? " ILBM" : " PBM");
    draw_label(sheet, width, height, (r % kColumns) * kCellWidth + 8, oy + 204, text);
  }
  return written(png_write_rgb(out, sheet.data(), width, height, &why), why);
}

int export_role(const char* name, const char* out) {
  for (int r = 0; r < PIC_COUNT; r++) {
    PictureRole role = static_cast<PictureRole>(r);
    if (std::strcmp(name, picture_role_name(role)) != 0) continue;
    Decoded d;
    if (!decode_role(role, d)) {
      std::fprintf(stderr, "tundrix-capture: %s does not decode\n", name);
      return 1;
    }
    std::string why;
    return written(png_write_indexed(out, d.indices.data(), d.width, d.height, d.palette, &why), why);
  }
  return capture_usage_error("picture: unknown picture role '" + shown(name) + "' (see picture --list)");
}

}  // namespace

int capture_embedded(const char* role, const char* out) {
  if (!std::strcmp(role, "all")) return write_sheet(out);
  return export_role(role, out);
}
