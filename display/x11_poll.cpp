// Escape polling on the X server.
#include <X11/Xlib.h>

#include "display/display_state.h"
#include "display/x11_output.h"

// Waits until the server has handled everything sent so far, then takes
// queued events up to the first key event with key code 9.
// Returns 1 when it found one (later events stay queued), else 0.
int x11_poll_escape() {
  Display* d = display_state.display;
  XSync(d, False);
  XFlush(d);
  while (XPending(d)) {
    XEvent event;
    XNextEvent(d, &event);
    if ((event.type == KeyPress || event.type == KeyRelease) && event.xkey.keycode == 9) return 1;
  }
  return 0;
}
