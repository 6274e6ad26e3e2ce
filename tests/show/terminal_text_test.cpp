// The messages' encoding, decided from the environment's locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "show/terminal_text.h"

namespace {

struct Env {
  const char* lc_all;
  const char* lc_ctype;
  const char* lang;
  bool utf8;
};

void set_or_unset(const char* name, const char* value) {
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

TEST(TerminalText, TheLocalesCharacterSetDecides) {
  const Env cases[] = {
      {"C", nullptr, "C.UTF-8", false},       {"C.UTF-8", nullptr, "C", true},
      {"C.utf8", nullptr, nullptr, true},     {nullptr, "C.UTF-8", "C", true},
      {nullptr, nullptr, "C.UTF-8", true},    {nullptr, nullptr, nullptr, false},
      {"POSIX", "C.UTF-8", "C.UTF-8", false}, {nullptr, nullptr, "xx_XX.ISO-8859-1", false},
      {"", "", "C.UTF-8", true},
  };
  for (const Env& e : cases) {
    set_or_unset("LC_ALL", e.lc_all);
    set_or_unset("LC_CTYPE", e.lc_ctype);
    set_or_unset("LANG", e.lang);
    EXPECT_EQ(terminal_is_utf8(), e.utf8) << (e.lc_all ? e.lc_all : "-") << " " << (e.lc_ctype ? e.lc_ctype : "-")
                                          << " " << (e.lang ? e.lang : "-");
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C") << "the program's own locale changed";
  }
}

std::string written(const char* text, bool utf8) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&buffer, &size);
  write_latin1_line(f, text, utf8);
  std::fclose(f);
  std::string out(buffer, size);
  std::free(buffer);
  return out;
}

TEST(TerminalText, Latin1LettersBecomeTwoUtf8Bytes) {
  EXPECT_EQ(written("N\xF6tbuske stad gr\xE4nser.", false), "N\xF6tbuske stad gr\xE4nser.\n");
  EXPECT_EQ(written("N\xF6tbuske stad gr\xE4nser.", true), "N\xC3\xB6tbuske stad gr\xC3\xA4nser.\n");
  EXPECT_EQ(written("Nih.", true), "Nih.\n");
  EXPECT_EQ(written("\x80\xBF\xC0\xFF", true), "\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF\n");
  EXPECT_EQ(written("", true), "\n");
}

}  // namespace
