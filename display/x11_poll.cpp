// Escape polling on the X server.
#include <X11/Xlib.h>

#include "display/display_state.h"
#include "display/x11_output.h"

// Waits until the server has handled everything sent so far, then takes
// queued events up to the first key event with key code 9, press or release
// alike, and returns 1 (later events stay queued). Once one was taken, every
// later poll returns 1 at once: one press of Escape ends the show. A scene
// may poll three times after the phase that an Escape cut short (the
// silhouette's title phase does), and a user's press is one or two events,
// its release coming whenever the key is let go.
int x11_poll_escape() {
  DisplayState& s = display_state;
  XSync(s.display, False);
  XFlush(s.display);
  while (!s.escape_seen && XPending(s.display)) {
    XEvent event;
    XNextEvent(s.display, &event);
    s.escape_seen = (event.type == KeyPress || event.type == KeyRelease) && event.xkey.keycode == 9;
  }
  return s.escape_seen ? 1 : 0;
}
