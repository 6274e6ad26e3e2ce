// Escape polling and giving the screen back.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "display/dga.h"
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

// Whether the server has key code 9 down right now.
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

// Restores the video mode (DGA) or releases image, segment and window, then
// closes the connection. The state is cleared, so a later open starts afresh.
void x11_close() {
  DisplayState& s = display_state;
  if (!s.display) return;
  if (s.path == OutputPath::kDga) {
    dga_restore();
  } else {
    if (s.shm.shmaddr) {  // the shared-memory modes, and full screen on most servers
      XShmDetach(s.display, &s.shm);
      XDestroyImage(s.image);
      // Marked for removal at set-up: the last detach removes it. Marking it
      // again could hit another program's segment that reused the id.
      shmdt(s.shm.shmaddr);
    } else {
      // The plain modes' pixels are static storage: only the image record
      // is freed. The full-screen image owns its pixels.
      if (s.path == OutputPath::kPlain) s.image->data = nullptr;
      XDestroyImage(s.image);
    }
    XDestroyWindow(s.display, s.window);
  }
  XCloseDisplay(s.display);
  s = DisplayState{};
  escape_held = false;
}
