// The fixed order of scenes and the one way out of the show.
#pragma once

// Stops the sound, restores the display, writes message and a newline to
// standard output and exits with status 0. When the window was closed (which
// the scenes see as Escape) the line says so instead. Never returns.
[[noreturn]] void end_show(const char* message);

// The way out when the show cannot go on (object data that cannot be used):
// as end_show, but the status is 1.
[[noreturn]] void end_show_failed(const char* message);

// Runs the eight scenes in show order; a scene that returns 0 ends the show
// with its own message, and the last scene ends it with the closing message.
// Never returns.
[[noreturn]] void show_run_scenes();
