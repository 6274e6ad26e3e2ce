// The output-mode menu: the question on the terminal and the answer that
// picks the mode to open.
#include <cstdio>

#include "display/display.h"
#include "display/display_state.h"

namespace {

const char* const kModeLines[] = {
    "1 - Standard X11 (Grayscale in 8-bit)",
    "2 - Standard X11 double pixels",
    "3 - X11 Shm (Grayscale in 8-bit)",
    "4 - X11 Shm double pixels",
    "5 - XF86 fullscreen DGA (Grayscale in 8-bit)",
    "6 - XF86 fullscreen DGA double pixels",
};

}  // namespace

int display_read_number(FILE* in) {
  int c = std::fgetc(in);
  while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') c = std::fgetc(in);
  int sign = 1;
  if (c == '-' || c == '+') {
    if (c == '-') sign = -1;
    c = std::fgetc(in);
  }
  long value = 0;
  for (; c >= '0' && c <= '9'; c = std::fgetc(in))
    if (value < 1000000) value = value * 10 + (c - '0');
  if (c != EOF) std::ungetc(c, in);
  return static_cast<int>(sign * (value > 1000000 ? 1000000 : value));
}

int display_open(int size_kind, int flags) {
  if (size_kind != kDisplaySize320x240 && size_kind != kDisplaySizeShow)
    return display_fails(1, "no internal size of kind %d", size_kind);
  int width = 320, height = size_kind == kDisplaySize320x240 ? 240 : 200;
  int mode = (flags & 2) ? 5 : 1;
  if (!(flags & 1)) {
    std::printf("Internal window size: %dx%d\n", width, height);
    for (const char* line : kModeLines) std::puts(line);
    std::fflush(stdout);
    mode = display_read_number(stdin);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }  // the rest of the answer's line belongs to it
  }
  return display_open_mode(width, height, mode);
}
