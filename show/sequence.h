// The fixed order of scenes and the one way out of the show.
#pragma once

#include "base/timeline.h"

// How the show ends: the line it prints (ISO-8859-1 bytes) and its exit
// status.
struct ShowEnding {
  const char* message;
  int status;
};

// What ends the show after scene returned result: the scene's own message
// (status 0) for kSceneEndsShow, the failure's line (status 1) for object
// data that could not be used, the closing message after the last scene;
// a null message when the show goes on with the next scene. The tunnel's
// result never ends the show early.
ShowEnding show_ending_after(ShowScene scene, int result);

// Stops the sound, restores the display, writes the ending's message and a
// newline to standard output (in the terminal's encoding) and exits with its
// status. When the window was closed (which the scenes see as Escape), an
// ending with status 0 says so instead. Never returns.
[[noreturn]] void end_show(const ShowEnding& ending);

// Runs the scenes in show order, from the one whose window holds the tick
// the clock starts at, until one's result ends the show (see
// show_ending_after); a scene change (show/controls.h) goes on with the
// scene asked for, through show_go_to. Never returns.
[[noreturn]] void show_run_scenes();
