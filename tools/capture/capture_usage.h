// tundrix-capture's help text and usage errors, which every subcommand
// uses.
#pragma once

#include <string>
#include <vector>

#include "show/options.h"

// Writes "tundrix-capture: " and the message, and where to find help, to
// standard error; returns 2.
int capture_usage_error(const std::string& message);

// Reads a command's words after its name by the command-line convention of
// both programs (show/options.h). Returns 0; or, after a usage error that
// names the command, 2.
int capture_read_options(const char* command, int argc, char** argv, const std::vector<Option>& options,
                         std::vector<const char*>* arguments, size_t max_arguments);

// Prints the usage of command ("show", "sheet", "music", "picture"), or of every
// command for null, to standard output; returns 0.
int capture_help(const char* command);
// Prints "tundrix-capture VERSION" to standard output; returns 0.
int capture_version();
// True when argv[1..argc) asks for help (--help or -h before any "--").
bool capture_wants_help(int argc, char** argv);
