// The greetings as the scene lays them out: 32-pixel glyphs (ink in the
// cell's top-left 28x28), jitter of up to 4 pixels, the opening line from
// (40, 50) and every other text from x 0 and y up to 79, later lines 32
// pixels further right. A glyph past the right edge would wrap onto the
// next row at the left, so every inked glyph must end inside the screen.
#include <gtest/gtest.h>

#include <string>

#include "data/content.h"
#include "tools/gen_content/glyphs.h"

namespace {

constexpr int kInk = 28, kJitter = 4;

TEST(Greetings, ListHasTheShowsShape) {
  EXPECT_EQ(std::string(kGreetings[0]).size(), 9u);
  EXPECT_EQ(std::string(kGreetings[0]).find('\n'), std::string::npos);
  for (int i = 1; i <= 5; i++) {
    int lines = 1;
    for (const char* c = kGreetings[i]; *c; c++) lines += *c == '\n';
    EXPECT_GE(lines, 2) << "greeting " << i;
    EXPECT_LE(lines, 3) << "greeting " << i;
  }
  for (int i = 6; i <= 9; i++) EXPECT_STREQ(kGreetings[i], " ");
  EXPECT_STREQ(kGreetings[10], "e");
}

TEST(Greetings, UseOnlyTheFontsCharacters) {
  for (int i = 0; i < 10; i++)
    for (const char* c = kGreetings[i]; *c; c++) {
      bool ok = *c == '\n' || (*c >= kGlyphFirst && *c <= kGlyphLast);
      EXPECT_TRUE(ok) << "text " << i << " has code " << static_cast<int>(*c);
    }
}

TEST(Greetings, EveryGlyphStaysOnScreen) {
  for (int i = 0; i < 10; i++) {
    int x0 = i == 0 ? 40 : 0, y0 = i == 0 ? 50 : 79;
    int column = x0, row = y0;
    for (const char* c = kGreetings[i]; *c; c++) {
      if (*c == '\n') {
        row += 32;
        column = x0;
      } else {
        bool inked = false;
        for (int y = 0; y < 8; y++) inked |= glyph_for(*c).rows[y] != 0;
        if (inked) {
          EXPECT_LE(column + kInk - 1 + kJitter, 319) << "text " << i << " char '" << *c << "'";
          EXPECT_LE(row + kInk - 1 + kJitter, 199) << "text " << i;
        }
      }
      column += 32;
    }
  }
}

}  // namespace
