#include "show/terminal_text.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string>

bool terminal_is_utf8() {
  // Only asked, never kept: number parsing and printing stay in "C".
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  bool utf8 = false;
  if (std::setlocale(LC_CTYPE, "")) utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  std::setlocale(LC_CTYPE, previous.c_str());
  return utf8;
}

void write_latin1_line(FILE* out, const char* latin1, bool utf8) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(latin1); *p; ++p) {
    if (!utf8 || *p < 0x80) {
      std::fputc(*p, out);
    } else {
      // A Latin-1 byte is the code point itself: two UTF-8 bytes.
      std::fputc(0xC0 | (*p >> 6), out);
      std::fputc(0x80 | (*p & 0x3F), out);
    }
  }
  std::fputc('\n', out);
  std::fflush(out);
}
