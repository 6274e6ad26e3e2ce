// Polling the X server for Escape and the show's other keys.
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include "display/display_state.h"
#include "display/x11_output.h"

namespace {

// The close button's message from the window manager, or the window's end
// at the hands of another client.
void note_closing(DisplayState& s, const XEvent& event) {
  if (event.type == ClientMessage && event.xclient.message_type == s.wm_protocols &&
      event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == s.wm_delete_window)
    s.window_closed = true;
  if (event.type == DestroyNotify && event.xdestroywindow.window == s.window)
    s.window_closed = s.window_gone = true;
}

// Space, Left and Right pressed (auto-repeat included) are the show's keys;
// their releases and every other key are not.
DisplayKey show_key(Display* display, const XEvent& event) {
  if (event.type != KeyPress) return kKeyNone;
  switch (XkbKeycodeToKeysym(display, KeyCode(event.xkey.keycode), 0, 0)) {
    case XK_space: return kKeyPause;
    case XK_Left: return kKeyPreviousScene;
    case XK_Right: return kKeyNextScene;
    default: return kKeyNone;
  }
}

Bool is_show_key(Display* display, XEvent* event, XPointer) { return show_key(display, *event) != kKeyNone; }

}  // namespace

// Waits until the server has handled everything sent so far, then takes
// queued events up to the first key event with key code 9, press or release
// alike, and returns 1 (later events stay queued). Once one was taken, every
// later poll returns 1 at once: one press of Escape ends the show. A scene
// may poll three times after the phase that an Escape cut short (the
// silhouette's title phase does), and a user's press is one or two events,
// its release coming whenever the key is let go.
// A closed window ends the show as Escape does. The show's other keys taken
// on the way are pushed for the show (display_push_key).
int x11_poll_escape() {
  DisplayState& s = display_state;
  XSync(s.display, False);
  XFlush(s.display);
  while (!s.escape_seen && !s.window_closed && XPending(s.display)) {
    XEvent event;
    XNextEvent(s.display, &event);
    s.escape_seen = (event.type == KeyPress || event.type == KeyRelease) && event.xkey.keycode == 9;
    display_push_key(show_key(s.display, event));
    note_closing(s, event);
  }
  return s.escape_seen || s.window_closed ? 1 : 0;
}

bool x11_window_closed() { return display_state.window_closed; }

void x11_gather_keys() {
  DisplayState& s = display_state;
  XEvent event;
  while (XCheckIfEvent(s.display, &event, is_show_key, nullptr)) display_push_key(show_key(s.display, event));
}
