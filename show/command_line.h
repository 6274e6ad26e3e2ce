// The show's command line: the two start-up questions answered in advance, a
// later starting point, unpaced frames, the help and the version.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct StartOptions {
  int sound = -1;         // the sound menu's answer 0..2; -1: ask
  int mode = 0;           // the display menu's answer 1..6; 0: ask
  uint32_t from = 0;      // show tick to start at, with the music in step
  bool flat_out = false;  // present frames unpaced
};

enum CommandLineResult { kRunShow, kShowHelp, kShowVersion, kBadArguments };

// Reads argv[1..argc-1] into options, by the convention of show/options.h.
// kBadArguments leaves a one-line reason (without a newline) in *error.
CommandLineResult show_parse_command_line(int argc, char** argv, StartOptions* options, std::string* error);

// The text --help prints; --from's range and the scene starts come from the
// show's timeline.
std::string show_help_text();

// Write show_help_text(), or the line "tundrix VERSION", to standard output.
// Return the exit status: 0, or 1 after a line on standard error when it
// could not be written (a full disk, a closed output).
int show_print_help();
int show_print_version();
