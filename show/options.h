// The command-line convention of both programs (tundrix and
// tundrix-capture): options as "--name VALUE" or "--name=VALUE" ("-o VALUE"
// for the one-letter ones), in any order; "--" ends the options, so every
// later word is an argument even when it starts with '-'; "-" alone is an
// argument. Numbers are plain decimal digits (no sign, space, exponent or
// base), and one outside its range is refused with the range, never capped.
// Messages quote what the user gave, shortened when long.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// A whole number of plain decimal digits from low to high, nothing else,
// into *out; false (and *out untouched) otherwise.
bool parse_whole_number(const char* text, long long low, long long high, long long* out);

// A decimal number of plain digits with at most `decimals` digits after a
// point ("2", "2.5", "0.125" for decimals 3) as a whole count of its last
// place (2000, 2500, 125) from low to high into *out; false otherwise.
bool parse_decimal(const char* text, int decimals, long long low, long long high, long long* out);

// Text from the user as a message quotes it: at most 100 bytes, the middle of
// a longer one replaced by "..." (never inside a UTF-8 character), so that a
// message stays one line of reasonable length whatever was given.
std::string shown(const std::string& text);

// One option of a command. The value goes to exactly one target: a flag
// (bool, no value), a text, a whole number, or a decimal number (counted in
// its last place, see parse_decimal).
struct Option {
  const char* name;  // "--fps", "-o", "--flat-out"
  bool* flag = nullptr;
  const char** text = nullptr;
  long long* number = nullptr;
  long long low = 0, high = 0;  // a number's range (a decimal's in its last place)
  int decimals = 0;             // above 0: a decimal number with that many places at most
  // How messages say a number's range: "1 to 6", "a tick from 0 to 20391".
  std::string range = {};
};

// Reads argv[first..argc) by options: fills their targets and collects the
// words that are no options in *arguments, at most max_arguments of them.
// Returns true; or false with a one-line reason in *error (an unknown
// option, an unexpected argument, a missing or refused value).
bool read_options(int argc, char** argv, int first, const std::vector<Option>& options,
                  std::vector<const char*>* arguments, size_t max_arguments, std::string* error);

// The reason read_options gives for a value of option it refuses:
// "--mode must be 1 to 6, not '7'".
std::string refused_value(const Option& option, const char* value);

// Whether argv[first..argc) asks for help: -h or --help before any "--".
bool asks_for_help(int argc, char** argv, int first);

// Writes "PROGRAM: MESSAGE" and "Try 'PROGRAM --help' for more information."
// to standard error; returns 2, the status of a bad command line.
int usage_error(const char* program, const std::string& message);
