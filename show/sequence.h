// The fixed order of scenes and the one way out of the show.
#pragma once

struct StartOptions;

// Stops the sound, restores the display, writes message and a newline to
// standard output and exits with status 0. Never returns.
[[noreturn]] void end_show(const char* message);

// Runs the eight scenes in show order; a scene that returns 0 ends the show
// with its own message, and the last scene ends it with the closing message.
// Never returns.
[[noreturn]] void show_run_scenes();

// Start-up of the live show, in its fixed order: tables, sound menu, module,
// display menu, sound output, show clock. Options given on the command line
// answer the menus in advance, and a starting tick moves the clock and the
// music on. Exits with status 1 and a reversed failure text when the sound
// or display set-up fails.
void show_start_up(const StartOptions& options);
