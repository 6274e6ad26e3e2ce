#include "show/terminal_text.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

bool terminal_is_utf8() {
  // Only asked, never installed: number parsing and printing stay in "C".
  // A locale that cannot be made (unknown, or no memory) is not UTF-8.
  locale_t environment = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (!environment) return false;
  const bool utf8 = std::strcmp(nl_langinfo_l(CODESET, environment), "UTF-8") == 0;
  freelocale(environment);
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
