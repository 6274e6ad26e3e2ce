#include "show/controls.h"

#include "base/clock.h"
#include "display/display.h"
#include "sound/output.h"

namespace {

struct Controls {
  ShowScene scene = kScenePolarWipe;  // the scene running
  int target = -1;                    // the scene a pending change goes to; -1: none
  bool paused = false;
  bool escaped = false;
} controls;

void pause(bool on) {
  if (on == controls.paused) return;
  controls.paused = on;
  if (on) {
    show_clock_pause();
    sound_hold(true);
  } else {
    sound_hold(false);
    show_clock_resume();
  }
}

// Steps from the scene a pending change goes to, so that two presses go two
// scenes on. Left in the first scene starts it again; Right in the last
// does nothing.
void change_scene(int step) {
  const int from = controls.target >= 0 ? controls.target : controls.scene;
  const int to = from + step < 0 ? 0 : from + step;
  if (to >= kShowSceneCount) return;
  pause(false);
  controls.target = to;
  show_clock_leave();
  display_hold_frames(true);
}

void take_keys() {
  for (DisplayKey key; (key = display_take_key()) != kKeyNone;) {
    if (key == kKeyPause) {
      // A scene change under way ends any pause.
      if (controls.target < 0) pause(!controls.paused);
    } else {
      change_scene(key == kKeyNextScene ? 1 : -1);
    }
  }
}

}  // namespace

int show_controls_poll(int escape) {
  for (;;) {
    if (escape) {
      // The scene's closing steps may wait for the clock: it runs again.
      controls.escaped = true;
      pause(false);
      return 1;
    }
    take_keys();
    if (controls.target >= 0) return 1;
    if (!controls.paused) return 0;
    show_clock_nap(kTickMicros);
    escape = display_poll_sink();
  }
}

void show_controls_enter(ShowScene scene) {
  controls.scene = scene;
  display_hold_frames(false);
}

bool show_controls_take_change(ShowScene* target) {
  if (controls.target < 0 || controls.escaped) return false;
  *target = static_cast<ShowScene>(controls.target);
  controls.target = -1;
  return true;
}

ShowScene show_controls_scene() { return controls.scene; }
bool show_controls_paused() { return controls.paused; }
