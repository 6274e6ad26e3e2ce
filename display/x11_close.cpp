// Giving the screen back: the video mode (DGA), or the image, the shared
// memory and the window.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "display/dga.h"
#include "display/display_state.h"
#include "display/x11_output.h"

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
    if (!s.window_gone) XDestroyWindow(s.display, s.window);
  }
  XCloseDisplay(s.display);
  s = DisplayState{};
}
