// Escape polling on the X server.
#include <X11/Xlib.h>

#include "display/display_state.h"
#include "display/x11_output.h"

namespace {

// An Escape press was taken and its release not yet. A user's press is two
// events, but its release may come long after a poll took the press (a key
// is held for a tenth of a second or more), when the scene's closing poll has
// already looked; so while the key stays down every poll counts it.
bool escape_held;

// Takes queued events up to the first key event with key code 9, press or
// release alike. Returns 1 when it found one (later events stay queued).
int take_escape(Display* d) {
  while (XPending(d)) {
    XEvent event;
    XNextEvent(d, &event);
    if ((event.type == KeyPress || event.type == KeyRelease) && event.xkey.keycode == 9) {
      escape_held = event.type == KeyPress;
      return 1;
    }
  }
  return 0;
}

// Whether the server has key code 9 down right now. A flag left set by an
// earlier display is cleared by this check at the first poll of the next.
bool escape_down(Display* d) {
  char keys[32];
  XQueryKeymap(d, keys);
  return keys[9 / 8] & (1 << (9 % 8));
}

}  // namespace

// Waits until the server has handled everything sent so far, then takes
// queued events up to the first Escape key event. Returns 1 when it found
// one, or when an Escape press it took earlier is still held down; else 0.
int x11_poll_escape() {
  Display* d = display_state.display;
  XSync(d, False);
  XFlush(d);
  if (take_escape(d)) return 1;
  if (!escape_held) return 0;
  if (escape_down(d)) return 1;
  // Up by now: its release came before the keymap's reply, or went to
  // another window (focus moved, or a press sent by a client).
  escape_held = false;
  return take_escape(d);
}
