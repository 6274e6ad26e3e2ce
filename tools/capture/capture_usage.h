// tundrix-capture's help text and usage errors, which every subcommand
// uses.
#pragma once

// Writes "tundrix-capture: " and the message to standard error; returns 2.
int capture_usage_error(const char* message);

// Prints the usage of command ("show", "music", "picture"), or of every
// command for null, to standard output; returns 0.
int capture_help(const char* command);
// True when argv[1..argc) asks for help (--help or -h).
bool capture_wants_help(int argc, char** argv);
