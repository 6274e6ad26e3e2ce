// The show's keys besides Escape, the same in every home of the show (the
// X11 window, the page, a check run's pressed keys): Space pauses the show
// clock and the music and lets both go on where they were; Left and Right
// go to the previous and the next scene, at its first tick with the music
// there, showing nothing more of the scene being left. The homes only
// deliver the keys (display_push_key); the sequence runs the scenes.
#pragma once
#include "base/timeline.h"

// The display's poll hook (display_set_poll_hook): takes the keys pushed
// since the last poll and acts on them. While the show is paused it holds
// the caller, polling on, until a key or Escape ends the pause. Returns 1
// (the running phase ends) after Escape and while a scene change is pending,
// else 0.
int show_controls_poll(int escape);

// The sequence starts running scene: its frames are shown, and Left and
// Right count from it.
void show_controls_enter(ShowScene scene);

// After a scene returned: true, with the scene asked for in *target, when a
// scene change is pending and no Escape came; the request is taken.
bool show_controls_take_change(ShowScene* target);

// The scene running, and whether the show is paused (for a home's own
// display of them).
ShowScene show_controls_scene();
bool show_controls_paused();
