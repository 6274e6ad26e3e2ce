#include "tests/display/show_window.h"

#include <time.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include "tests/support/support.h"

double monotonic_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

bool wait_for_show_window(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  bool found = false;
  for (double give_up = monotonic_seconds() + 15; !found && monotonic_seconds() < give_up; usleep(20000)) {
    XSync(d, False);
    found = find_show_window(d) != 0;
  }
  XCloseDisplay(d);
  return found;
}
