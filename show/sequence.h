// The fixed order of scenes and the one way out of the show.
#pragma once

#include "base/timeline.h"

// How the show ends: the line it prints on standard output (ISO-8859-1
// bytes; null for none), its exit status, and for a failure the reason
// written to standard error (null for none).
struct ShowEnding {
  const char* message;
  int status;
  const char* failure = nullptr;
};

// What ends the show after scene returned result: the scene's own message
// (status 0) for kSceneEndsShow, the failure's line (status 1) for object
// data that could not be used, the failure "out of memory" alone (status 1)
// when memory ran out, the closing message after the last scene; neither a
// message nor a failure when the show goes on with the next scene. The
// tunnel's result ends the show with the closing message unless memory ran
// out.
ShowEnding show_ending_after(ShowScene scene, int result);

// Stops the sound and gives the display back: closed after a show that
// ended well, abandoned after a failure (a capture then keeps nothing it
// made). Writes the ending's message and a newline to standard output (in
// the terminal's encoding), the failure after the program's name on
// standard error, and exits with its status. When the window was closed
// (which the scenes see as Escape), an ending with status 0 says so
// instead. Never returns.
[[noreturn]] void end_show(const ShowEnding& ending);

// Runs the scenes in show order, from the one whose window holds the tick
// the clock starts at, until one's result ends the show (see
// show_ending_after); a scene change (show/controls.h) goes on with the
// scene asked for, through show_go_to. Never returns.
[[noreturn]] void show_run_scenes();
