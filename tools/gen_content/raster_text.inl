// Text drawing is a template over the ink callback, so it lives in the header.
template <typename Ink>
int draw_text(const char* text, int x, int y, int scale, Ink ink) {
  int size = 8 * scale;
  int pen = x;
  for (const char* c = text; *c; c++) {
    std::vector<uint8_t> bits = glyph_bitmap(static_cast<unsigned char>(*c), scale);
    for (int gy = 0; gy < size; gy++)
      for (int gx = 0; gx < size; gx++)
        if (bits[gy * size + gx]) ink(pen + gx, y + gy);
    pen += size;
  }
  return pen - x;
}
