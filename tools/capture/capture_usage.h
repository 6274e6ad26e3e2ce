// tundrix-capture's help text and usage errors, which every subcommand
// uses.
#pragma once

// Writes "tundrix-capture: " and the message to standard error; returns 2.
int capture_usage_error(const char* message);

// Reads a whole decimal number from low to high, nothing else, into *out;
// false (and *out untouched) otherwise.
bool capture_parse_count(const char* text, long long low, long long high, long long* out);

// Prints the usage of command ("show", "sheet", "music", "picture"), or of every
// command for null, to standard output; returns 0.
int capture_help(const char* command);
// Prints "tundrix-capture VERSION" to standard output; returns 0.
int capture_version();
// True when argv[1..argc) asks for help (--help or -h).
bool capture_wants_help(int argc, char** argv);
