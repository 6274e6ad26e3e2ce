#include "display/palette.h"

namespace {

void set_cell(XColor& c, unsigned r, unsigned g, unsigned b) {
  c.red = static_cast<unsigned short>(r);
  c.green = static_cast<unsigned short>(g);
  c.blue = static_cast<unsigned short>(b);
  c.flags = DoRed | DoGreen | DoBlue;
}

}  // namespace

void palette_fill(XColor cells[256], bool doubled) {
  for (int i = 0; i < 256; ++i) cells[i] = XColor{static_cast<unsigned long>(i), 0, 0, 0, 0, 0};
  if (!doubled) {
    for (unsigned i = 0; i < 256; ++i) {
      unsigned level = i < 96 ? i * 65535 / 96 : 0;
      set_cell(cells[i], level, level, level);
    }
    return;
  }
  for (unsigned i = 0; i < 64; ++i) set_cell(cells[i], i * 65535 / 64, 0, 0);
  for (unsigned j = 0; j < 128; ++j) set_cell(cells[128 + j], 0, (j & 15) * 4369, (j >> 4) * 65535 / 7);
}
