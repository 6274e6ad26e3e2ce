// The show's side of the X connection going wrong: its window closed under it,
// or the connection lost.
#include <X11/Xlib.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdio>

#include "display/display.h"
#include "display/display_state.h"

namespace {

XErrorHandler xlib_error_handler;  // the one in place before ours: Xlib's own
void (*lost_hook)();

// Once another client destroyed the window, every image put into it and its
// own destruction at the end come back as errors, which Xlib's handler would
// print and end the show with. They tell the show the window is gone.
int note_window_error(Display* d, XErrorEvent* e) {
  DisplayState& s = display_state;
  bool about_window = s.window && e->resourceid == s.window &&
                      (e->error_code == BadWindow || e->error_code == BadDrawable);
  if (!about_window) return xlib_error_handler ? xlib_error_handler(d, e) : 0;
  s.window_closed = s.window_gone = true;
  return 0;
}

// Xlib calls this when the connection broke and ends the process if it
// returns, with a message of its own; so it never returns. Nothing may be
// asked of the server any more: only this side's resources are given back.
// The segment was marked for removal once both sides had it; one the server
// never attached is removed here.
int connection_lost(Display* d) {
  DisplayState& s = display_state;
  if (lost_hook) lost_hook();
  if (s.shm.shmid >= 0) shmctl(s.shm.shmid, IPC_RMID, nullptr);
  if (s.shm.shmaddr && s.shm.shmaddr != reinterpret_cast<char*>(-1)) shmdt(s.shm.shmaddr);
  std::fflush(stdout);
  std::fprintf(stderr, "tundrix: lost the connection to the X display %s\n", DisplayString(d));
  std::fflush(stderr);
  // Not exit: handlers registered with atexit (the DGA library's) would talk
  // to the server that is gone.
  _exit(1);
}

}  // namespace

void watch_connection() {
  XErrorHandler previous = XSetErrorHandler(note_window_error);
  if (previous != note_window_error) xlib_error_handler = previous;
  XSetIOErrorHandler(connection_lost);
}

void display_set_lost_hook(void (*hook)()) { lost_hook = hook; }
