// picture --list | --embedded ROLE|all -o OUT.png: the show's embedded
// pictures, decoded with the show's own decoder and written as PNG.
#include <png.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/content.h"
#include "picture/iff.h"
#include "tools/capture/capture.h"
#include "tools/gen_content/glyphs.h"

namespace {

struct Decoded {
  int width = 0, height = 0;
  bool planar = false;
  std::vector<uint8_t> rgb;  // 8 bits per channel
};

// Decodes a role's picture to RGB through its palette; false when the
// embedded bytes do not decode.
bool decode_role(PictureRole role, Decoded& out) {
  Blob blob = picture_data(role);
  if (!blob.data || !iff_decode(blob.data, blob.size, nullptr, 0, nullptr)) return false;
  out.width = iff_header.width;
  out.height = iff_header.height;
  out.planar = !iff_header.chunky;
  size_t pixels = static_cast<size_t>(out.width) * out.height;
  std::vector<uint8_t> body(pixels * 2, 0), indices(pixels, 0);
  uint8_t palette[768];
  if (!iff_decode(blob.data, blob.size, body.data(), body.size(), palette)) return false;
  if (out.planar)
    iff_planar_to_chunky(body.data(), body.size(), indices.data(), indices.size());
  else
    std::memcpy(indices.data(), body.data(), pixels);
  out.rgb.resize(pixels * 3);
  for (size_t i = 0; i < pixels; i++)
    for (int k = 0; k < 3; k++) {
      uint8_t c = palette[indices[i] * 3 + k];
      out.rgb[i * 3 + k] = static_cast<uint8_t>(c << 2 | c >> 4);
    }
  return true;
}

bool write_png(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; y++) png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<size_t>(y) * width * 3]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

std::string upper(const char* text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Writes text in the show's 8x8 font at (x, y) into an RGB canvas.
void label(std::vector<uint8_t>& rgb, int width, int height, int x, int y, const std::string& text) {
  for (size_t i = 0; i < text.size(); i++) {
    const Glyph8& g = glyph_for(static_cast<unsigned char>(text[i]));
    for (int gy = 0; gy < 8; gy++)
      for (int gx = 0; gx < 8; gx++) {
        int px = x + static_cast<int>(i) * 8 + gx, py = y + gy;
        if (!glyph_ink(g, gx, gy) || px < 0 || py < 0 || px >= width || py >= height) continue;
        std::memset(&rgb[(static_cast<size_t>(py) * width + px) * 3], 0xE8, 3);
      }
  }
}

int list_roles() {
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

constexpr int kCellWidth = 336, kCellHeight = 228, kColumns = 5;

// Every role in a grid, scaled to fit 320x200 (nearest pixel), labelled with
// its name, size and type.
int write_sheet(const char* out) {
  int rows = (PIC_COUNT + kColumns - 1) / kColumns;
  int width = kColumns * kCellWidth, height = rows * kCellHeight;
  std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 3, 0x28);
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
        size_t src = (static_cast<size_t>(y) * scale_den / scale_num * d.width + static_cast<size_t>(x) * scale_den / scale_num) * 3;
        std::memcpy(&sheet[(static_cast<size_t>(oy + y) * width + ox + x) * 3], &d.rgb[src], 3);
      }
    std::string text = upper(picture_role_name(role)) + " " + std::to_string(d.width) + "X" + std::to_string(d.height) +
                       (d.planar ? " ILBM" : " PBM");
    label(sheet, width, height, (r % kColumns) * kCellWidth + 8, oy + 204, text);
  }
  return write_png(out, width, height, sheet) ? 0 : 1;
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
    return write_png(out, d.width, d.height, d.rgb) ? 0 : 1;
  }
  return capture_usage_error("unknown picture role (see picture --list)");
}

}  // namespace

int capture_embedded_main(int argc, char** argv) {
  const char* role = nullptr;
  const char* out = nullptr;
  bool list = false;
  // argv[0] is the subcommand's name when the caller passes it along.
  int first = argc > 0 && argv[0][0] != '-' ? 1 : 0;
  for (int i = first; i < argc; i++) {
    if (!std::strcmp(argv[i], "--list")) {
      list = true;
    } else if (!std::strcmp(argv[i], "--embedded") && i + 1 < argc) {
      role = argv[++i];
    } else if (!std::strcmp(argv[i], "-o") && i + 1 < argc) {
      out = argv[++i];
    } else {
      return capture_usage_error("picture: unexpected argument");
    }
  }
  if (list) return list_roles();
  if (!role || !out) return capture_usage_error("picture --embedded ROLE|all -o OUT.png");
  if (!std::strcmp(role, "all")) return write_sheet(out);
  return export_role(role, out);
}
