// The show's own 8x8 bitmap font, codes 32 (blank) to 90 ('Z'). One home for
// the letter shapes: the font picture enlarges them, the title and the
// contact sheet labels draw them directly.
#pragma once
#include <cstdint>

constexpr int kGlyphFirst = 32;
constexpr int kGlyphLast = 90;
constexpr int kGlyphCount = kGlyphLast - kGlyphFirst + 1;

// Row r of a glyph is byte r; bit 7 is the leftmost pixel. Letters use the
// top-left 7x7 pixels so that a row of glyphs keeps a one-pixel gap.
struct Glyph8 {
  uint8_t rows[8];
};

namespace glyph_detail {
// Builds one row from a 7-character picture ('X' = ink).
constexpr uint8_t row(const char* s) {
  uint8_t bits = 0;
  for (int i = 0; i < 7 && s[i]; i++)
    if (s[i] == 'X') bits |= static_cast<uint8_t>(0x80 >> i);
  return bits;
}
constexpr Glyph8 g(const char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* h) {
  return {{row(a), row(b), row(c), row(d), row(e), row(f), row(h), 0}};
}
}  // namespace glyph_detail

// clang-format off
inline constexpr Glyph8 kGlyphs[kGlyphCount] = {
  glyph_detail::g(".......", ".......", ".......", ".......", ".......", ".......", "......."),  // blank
  glyph_detail::g("..XX...", "..XX...", "..XX...", "..XX...", "..XX...", ".......", "..XX..."),  // !
  glyph_detail::g("XX.XX..", "XX.XX..", ".X..X..", ".......", ".......", ".......", "......."),  // "
  glyph_detail::g(".XX.XX.", "XXXXXXX", ".XX.XX.", ".XX.XX.", "XXXXXXX", ".XX.XX.", "......."),  // #
  glyph_detail::g("..XX...", ".XXXXX.", "XX.....", ".XXXX..", "....XX.", "XXXXX..", "..XX..."),  // $
  glyph_detail::g("XX...XX", "XX..XX.", "...XX..", "..XX...", ".XX....", "XX..XX.", "X...XX."),  // %
  glyph_detail::g(".XXX...", "XX.XX..", ".XXX...", "XXX.XXX", "XX.XXX.", "XX..XX.", ".XXX.XX"),  // &
  glyph_detail::g("..XX...", "..XX...", ".XX....", ".......", ".......", ".......", "......."),  // '
  glyph_detail::g("...XX..", "..XX...", ".XX....", ".XX....", ".XX....", "..XX...", "...XX.."),  // (
  glyph_detail::g(".XX....", "..XX...", "...XX..", "...XX..", "...XX..", "..XX...", ".XX...."),  // )
  glyph_detail::g(".......", ".XX.XX.", "..XXX..", "XXXXXXX", "..XXX..", ".XX.XX.", "......."),  // *
  glyph_detail::g(".......", "..XX...", "..XX...", "XXXXXX.", "..XX...", "..XX...", "......."),  // +
  glyph_detail::g(".......", ".......", ".......", ".......", "..XX...", "..XX...", ".XX...."),  // ,
  glyph_detail::g(".......", ".......", ".......", "XXXXXX.", ".......", ".......", "......."),  // -
  glyph_detail::g(".......", ".......", ".......", ".......", ".......", "..XX...", "..XX..."),  // .
  glyph_detail::g(".....XX", "....XX.", "...XX..", "..XX...", ".XX....", "XX.....", "X......"),  // /
  glyph_detail::g(".XXXXX.", "XX...XX", "XX..XXX", "XX.X.XX", "XXX..XX", "XX...XX", ".XXXXX."),  // 0
  glyph_detail::g("..XX...", ".XXX...", "XXXX...", "..XX...", "..XX...", "..XX...", "XXXXXX."),  // 1
  glyph_detail::g(".XXXXX.", "XX...XX", ".....XX", "..XXXX.", ".XX....", "XX.....", "XXXXXXX"),  // 2
  glyph_detail::g(".XXXXX.", "XX...XX", ".....XX", "..XXXX.", ".....XX", "XX...XX", ".XXXXX."),  // 3
  glyph_detail::g("...XXX.", "..XXXX.", ".XX.XX.", "XX..XX.", "XXXXXXX", "....XX.", "....XX."),  // 4
  glyph_detail::g("XXXXXXX", "XX.....", "XXXXXX.", ".....XX", ".....XX", "XX...XX", ".XXXXX."),  // 5
  glyph_detail::g("..XXXX.", ".XX....", "XX.....", "XXXXXX.", "XX...XX", "XX...XX", ".XXXXX."),  // 6
  glyph_detail::g("XXXXXXX", ".....XX", "....XX.", "...XX..", "..XX...", "..XX...", "..XX..."),  // 7
  glyph_detail::g(".XXXXX.", "XX...XX", "XX...XX", ".XXXXX.", "XX...XX", "XX...XX", ".XXXXX."),  // 8
  glyph_detail::g(".XXXXX.", "XX...XX", "XX...XX", ".XXXXXX", ".....XX", "....XX.", ".XXXX.."),  // 9
  glyph_detail::g(".......", "..XX...", "..XX...", ".......", "..XX...", "..XX...", "......."),  // :
  glyph_detail::g(".......", "..XX...", "..XX...", ".......", "..XX...", "..XX...", ".XX...."),  // ;
  glyph_detail::g("....XX.", "...XX..", "..XX...", ".XX....", "..XX...", "...XX..", "....XX."),  // <
  glyph_detail::g(".......", ".......", "XXXXXX.", ".......", "XXXXXX.", ".......", "......."),  // =
  glyph_detail::g(".XX....", "..XX...", "...XX..", "....XX.", "...XX..", "..XX...", ".XX...."),  // >
  glyph_detail::g(".XXXXX.", "XX...XX", "....XX.", "...XX..", "..XX...", ".......", "..XX..."),  // ?
  glyph_detail::g(".XXXXX.", "XX...XX", "XX.XXXX", "XX.XXXX", "XX.XXX.", "XX.....", ".XXXXX."),  // @
  glyph_detail::g("..XXX..", ".XX.XX.", "XX...XX", "XX...XX", "XXXXXXX", "XX...XX", "XX...XX"),  // A
  glyph_detail::g("XXXXXX.", "XX...XX", "XX...XX", "XXXXXX.", "XX...XX", "XX...XX", "XXXXXX."),  // B
  glyph_detail::g(".XXXXX.", "XX...XX", "XX.....", "XX.....", "XX.....", "XX...XX", ".XXXXX."),  // C
  glyph_detail::g("XXXXX..", "XX..XX.", "XX...XX", "XX...XX", "XX...XX", "XX..XX.", "XXXXX.."),  // D
  glyph_detail::g("XXXXXXX", "XX.....", "XX.....", "XXXXXX.", "XX.....", "XX.....", "XXXXXXX"),  // E
  glyph_detail::g("XXXXXXX", "XX.....", "XX.....", "XXXXXX.", "XX.....", "XX.....", "XX....."),  // F
  glyph_detail::g(".XXXXX.", "XX...XX", "XX.....", "XX..XXX", "XX...XX", "XX...XX", ".XXXXXX"),  // G
  glyph_detail::g("XX...XX", "XX...XX", "XX...XX", "XXXXXXX", "XX...XX", "XX...XX", "XX...XX"),  // H
  glyph_detail::g("XXXXXX.", "..XX...", "..XX...", "..XX...", "..XX...", "..XX...", "XXXXXX."),  // I
  glyph_detail::g("...XXXX", ".....XX", ".....XX", ".....XX", "XX...XX", "XX...XX", ".XXXXX."),  // J
  glyph_detail::g("XX...XX", "XX..XX.", "XX.XX..", "XXXX...", "XX.XX..", "XX..XX.", "XX...XX"),  // K
  glyph_detail::g("XX.....", "XX.....", "XX.....", "XX.....", "XX.....", "XX.....", "XXXXXXX"),  // L
  glyph_detail::g("XX...XX", "XXX.XXX", "XXXXXXX", "XX.X.XX", "XX...XX", "XX...XX", "XX...XX"),  // M
  glyph_detail::g("XX...XX", "XXX..XX", "XXXX.XX", "XX.XXXX", "XX..XXX", "XX...XX", "XX...XX"),  // N
  glyph_detail::g(".XXXXX.", "XX...XX", "XX...XX", "XX...XX", "XX...XX", "XX...XX", ".XXXXX."),  // O
  glyph_detail::g("XXXXXX.", "XX...XX", "XX...XX", "XXXXXX.", "XX.....", "XX.....", "XX....."),  // P
  glyph_detail::g(".XXXXX.", "XX...XX", "XX...XX", "XX...XX", "XX.X.XX", "XX..XX.", ".XXX.XX"),  // Q
  glyph_detail::g("XXXXXX.", "XX...XX", "XX...XX", "XXXXXX.", "XX.XX..", "XX..XX.", "XX...XX"),  // R
  glyph_detail::g(".XXXXX.", "XX...XX", "XX.....", ".XXXXX.", ".....XX", "XX...XX", ".XXXXX."),  // S
  glyph_detail::g("XXXXXX.", "..XX...", "..XX...", "..XX...", "..XX...", "..XX...", "..XX..."),  // T
  glyph_detail::g("XX...XX", "XX...XX", "XX...XX", "XX...XX", "XX...XX", "XX...XX", ".XXXXX."),  // U
  glyph_detail::g("XX...XX", "XX...XX", "XX...XX", "XX...XX", ".XX.XX.", "..XXX..", "...X..."),  // V
  glyph_detail::g("XX...XX", "XX...XX", "XX...XX", "XX.X.XX", "XXXXXXX", "XXX.XXX", "XX...XX"),  // W
  glyph_detail::g("XX...XX", "XX...XX", ".XX.XX.", "..XXX..", ".XX.XX.", "XX...XX", "XX...XX"),  // X
  glyph_detail::g("XX..XX.", "XX..XX.", "XX..XX.", ".XXXX..", "..XX...", "..XX...", "..XX..."),  // Y
  glyph_detail::g("XXXXXXX", ".....XX", "....XX.", "...XX..", "..XX...", ".XX....", "XXXXXXX"),  // Z
};
// clang-format on

// The glyph of a character code, or the blank for codes outside 32..90.
constexpr const Glyph8& glyph_for(int code) {
  return kGlyphs[code >= kGlyphFirst && code <= kGlyphLast ? code - kGlyphFirst : 0];
}

// True when pixel (x, y) of the glyph, 0..7 each, is ink.
constexpr bool glyph_ink(const Glyph8& glyph, int x, int y) {
  return x >= 0 && x < 8 && y >= 0 && y < 8 && (glyph.rows[y] >> (7 - x) & 1);
}
