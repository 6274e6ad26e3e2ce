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
    if (s.path == OutputPath::kShm) {
      XShmDetach(s.display, &s.shm);
      XDestroyImage(s.image);
      shmdt(s.shm.shmaddr);
      shmctl(s.shm.shmid, IPC_RMID, nullptr);
    } else {
      // The pixels are static storage; only the image record is freed.
      s.image->data = nullptr;
      XDestroyImage(s.image);
    }
    XDestroyWindow(s.display, s.window);
  }
  XCloseDisplay(s.display);
  s = DisplayState{};
}
