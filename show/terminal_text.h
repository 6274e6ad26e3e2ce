// The show's messages carry ISO-8859-1 letters (0xE4, 0xF6). A terminal whose
// locale speaks UTF-8 gets them as UTF-8; any other gets the bytes unchanged.
#pragma once
#include <cstdio>

// Whether the locale of the environment (LC_ALL, LC_CTYPE, LANG) has UTF-8 as
// its character set. The program's own locale stays "C".
bool terminal_is_utf8();

// Writes the ISO-8859-1 text and a newline to out, converted to UTF-8 when
// utf8 is true, and flushes.
void write_latin1_line(FILE* out, const char* latin1, bool utf8);
