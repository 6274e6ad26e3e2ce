#include "tools/capture/capture_files.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/capture/capture_outputs.h"
#include "tools/capture/capture_usage.h"
#include "tools/gen_content/glyphs.h"

namespace {

bool fail(std::string* why, const std::string& path) {
  if (why) *why = shown(path) + ": " + std::strerror(errno ? errno : EIO);
  return false;
}

// libpng's own messages ("Write Error") are not shown: a write failure is
// reported by the output with its file's name and reason.
extern "C" void png_failed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
extern "C" void png_warned(png_structp, png_const_charp) {}
extern "C" void png_write_bytes(png_structp png, png_bytep data, size_t bytes) {
  output_write(*static_cast<OutputFile*>(png_get_io_ptr(png)), data, bytes);
}
extern "C" void png_flush_nothing(png_structp) {}

// rows: height row pointers. color_type PNG_COLOR_TYPE_RGB or _PALETTE.
// libpng reports errors by longjmp; nothing with a destructor lives between
// here and the end of the writes.
bool png_encode(OutputFile& file, int width, int height, int color_type, const png_color* palette,
                png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_failed, png_warned);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &file, png_write_bytes, png_flush_nothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               color_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette) png_set_PLTE(png, info, palette, 256);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool png_write_rows(const std::string& path, int width, int height, int color_type,
                    const png_color* palette, png_bytep* rows, std::string* why) {
  OutputFile file;
  if (!output_open(file, path, why)) return false;
  if (!png_encode(file, width, height, color_type, palette, rows) && !output_failed(file)) {
    output_remove(file);
    *why = shown(path) + ": out of memory";
    return false;
  }
  if (output_finish(file, why) && output_commit(file, why)) return true;
  output_remove(file);
  return false;
}

}  // namespace

bool read_whole_file(const char* path, size_t max_bytes, std::vector<uint8_t>* bytes, std::string* why) {
  // Non-blocking, so that opening a pipe with no writer does not hang before
  // it is seen not to be a regular file.
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(why, path);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    fail(why, path);
    close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    *why = shown(path) + ": not a regular file";
    return false;
  }
  // The size is checked before and while reading: a file that grows meanwhile
  // is refused the same way.
  const std::string too_large =
      shown(path) + ": too large (the limit is " + std::to_string(max_bytes >> 20) + " MB)";
  if (static_cast<unsigned long long>(st.st_size) > max_bytes) {
    close(fd);
    *why = too_large;
    return false;
  }
  bytes->clear();
  bytes->reserve(static_cast<size_t>(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      fail(why, path);
      close(fd);
      return false;
    }
    if (n == 0) break;
    if (bytes->size() + static_cast<size_t>(n) > max_bytes) {
      close(fd);
      *why = too_large;
      return false;
    }
    bytes->insert(bytes->end(), buf, buf + n);
  }
  close(fd);
  return true;
}

bool has_suffix(const std::string& path, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (path.size() < n) return false;
  for (size_t i = 0; i < n; i++)
    if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) !=
        std::tolower(static_cast<unsigned char>(suffix[i])))
      return false;
  return true;
}

std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool names_stream(const std::string& path) {
  struct stat st;
  return path == "-" || (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode));
}

int check_output_file(const char* command, const std::string& path, const char* suffix) {
  if (names_stream(path)) return 0;
  if (!has_suffix(path, suffix) || path.size() == std::strlen(suffix) || path.back() == '/')
    return capture_usage_error(std::string(command) + ": the output must be a " + suffix +
                               " file: " + shown(path));
  std::string folder = folder_of(path);
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "tundrix-capture: %s: %s: no such folder\n", command, shown(folder).c_str());
    return 1;
  }
  return 0;
}

void wav_header(uint8_t h[44], int channels, int rate, int bits, uint32_t data_bytes) {
  auto put = [&](int at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  uint32_t frame = static_cast<uint32_t>(channels * bits / 8);
  std::memcpy(h, "RIFF", 4);
  put(4, 36 + data_bytes, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put(16, 16, 4);
  put(20, 1, 2);  // PCM
  put(22, static_cast<uint32_t>(channels), 2);
  put(24, static_cast<uint32_t>(rate), 4);
  put(28, static_cast<uint32_t>(rate) * frame, 4);
  put(32, frame, 2);
  put(34, static_cast<uint32_t>(bits), 2);
  std::memcpy(h + 36, "data", 4);
  put(40, data_bytes, 4);
}

bool png_write_rgb(const std::string& path, const uint32_t* pixels, int width, int height,
                   std::string* why) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (size_t i = 0; i < static_cast<size_t>(width) * height; i++) {
    rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
    rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
  }
  for (int y = 0; y < height; y++) rows[static_cast<size_t>(y)] = &rgb[static_cast<size_t>(y) * width * 3];
  return png_write_rows(path, width, height, PNG_COLOR_TYPE_RGB, nullptr, rows.data(), why);
}

bool png_write_indexed(const std::string& path, const uint8_t* indices, int width, int height,
                       const uint8_t palette[768], std::string* why) {
  png_color colours[256];
  for (int i = 0; i < 256; i++) colours[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; y++)
    rows[static_cast<size_t>(y)] = const_cast<png_bytep>(indices + static_cast<size_t>(y) * width);
  return png_write_rows(path, width, height, PNG_COLOR_TYPE_PALETTE, colours, rows.data(), why);
}

void wav_append_s16(OutputFile& file, const std::vector<int16_t>& samples, int channels, int rate) {
  uint8_t h[44];
  size_t bytes = samples.size() * 2;
  wav_header(h, channels, rate, 16, static_cast<uint32_t>(bytes));
  output_write(file, h, sizeof h);
  // WAV is little-endian, as is every machine the show runs on.
  output_write(file, samples.data(), bytes);
}

void draw_label(std::vector<uint32_t>& canvas, int width, int height, int x, int y, const std::string& text) {
  for (size_t i = 0; i < text.size(); i++) {
    const Glyph8& g = glyph_for(static_cast<unsigned char>(text[i]));
    for (int gy = 0; gy < 8; gy++)
      for (int gx = 0; gx < 8; gx++) {
        int px = x + static_cast<int>(i) * 8 + gx, py = y + gy;
        if (!glyph_ink(g, gx, gy) || px < 0 || py < 0 || px >= width || py >= height) continue;
        canvas[static_cast<size_t>(py) * width + px] = 0xE8E8E8;
      }
  }
}
