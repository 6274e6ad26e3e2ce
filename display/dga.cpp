// Full-screen output through XFree86-DGA after a VidMode switch to exactly
// the output size; two pages flipped in the grayscale mode.
#include "display/dga.h"

#include <X11/extensions/Xxf86dga.h>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>
#include <time.h>

#include <cstring>

#include "display/display_state.h"

namespace {

// The library maps video memory through /dev/mem (root only, and absent
// from most systems now); a server may offer DGA all the same.
Bool direct_video_possible(Display* display, int screen) {
  int flags = 0;
  if (!XF86DGAQueryDirectVideo(display, screen, &flags) || !(flags & XF86DGADirectPresent)) return False;
  int fd = open("/dev/mem", O_RDWR);
  if (fd < 0) return False;
  close(fd);
  return True;
}

// The client libraries print Xlib's "extension ... missing on display" on
// standard error when asked about an extension the server lacks, so the
// server is asked first, quietly.
bool server_has(Display* display, const char* extension) {
  int opcode = 0, event = 0, error = 0;
  return XQueryExtension(display, extension, &opcode, &event, &error);
}

Bool dga_query_version(Display* display, int* major, int* minor) {
  return server_has(display, "XFree86-DGA") && XF86DGAQueryVersion(display, major, minor);
}

Bool vm_query_version(Display* display, int* major, int* minor) {
  return server_has(display, "XFree86-VidModeExtension") && XF86VidModeQueryVersion(display, major, minor);
}

}  // namespace

const DgaCalls kDgaLibraryCalls = {
    dga_query_version,       direct_video_possible,
    XF86DGAGetVideo,         XF86DGADirectVideo,
    XF86DGAInstallColormap,  XF86DGASetViewPort,       XF86DGAViewPortChanged,
    vm_query_version,        XF86VidModeGetAllModeLines, XF86VidModeSwitchToMode,
    XF86VidModeSetViewPort,
};

namespace {

const DgaCalls* calls = &kDgaLibraryCalls;

// Index of the last mode of that size, or -1.
int last_mode_of_size(XF86VidModeModeInfo** modes, int count, int width, int height) {
  int found = -1;
  for (int i = 0; i < count; ++i)
    if (modes[i]->hdisplay == width && modes[i]->vdisplay == height) found = i;
  return found;
}

// The pages must lie inside the mapped memory, or the converters would write
// past it.
bool pages_fit(const DisplayState& s) {
  long pitch = static_cast<long>(s.line_width) * s.bytes_per_pixel;
  long pages = s.page_flip ? 2 : 1;
  return s.line_width >= s.output_width && pitch * s.output_height * pages <= s.memory_kb * 1024L;
}

// Finds the mode of the output size, remembers the current one (the first in
// the list) and switches. Returns 0, or 1 when no mode has the output size.
int switch_video_mode(DisplayState& s) {
  int count = 0;
  XF86VidModeModeInfo** modes = nullptr;
  calls->vm_get_all_mode_lines(s.display, s.screen, &count, &modes);
  int chosen = last_mode_of_size(modes, count, s.output_width, s.output_height);
  if (chosen >= 0) {
    s.saved_hdisplay = modes[0]->hdisplay;
    s.saved_vdisplay = modes[0]->vdisplay;
    calls->vm_switch_to_mode(s.display, s.screen, modes[chosen]);
    calls->vm_set_viewport(s.display, s.screen, 0, 0);
    XFlush(s.display);
  }
  if (modes) XFree(modes);
  return chosen >= 0 ? 0 : 1;
}

double monotonic_seconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Set when a flip was never reported: the driver does not report flips, and
// waiting for each would hold every frame for the whole bound.
bool flips_unreported;

// Waits for the last flip to show, but not for ever: a driver that never
// reports it would freeze the show. The bound is a few refreshes even at the
// slowest rates; after it the next flip is asked for anyway.
void wait_for_flip(const DisplayState& s) {
  constexpr double kFlipWaitSeconds = 0.1;
  if (flips_unreported) return;
  double give_up = 0.0;
  while (!calls->dga_viewport_changed(s.display, s.screen, 2)) {
    double now = monotonic_seconds();
    if (give_up == 0.0) give_up = now + kFlipWaitSeconds;
    if (now >= give_up) {
      flips_unreported = true;
      return;
    }
    sched_yield();
  }
}

}  // namespace

void dga_set_calls(const DgaCalls* c) { calls = c ? c : &kDgaLibraryCalls; }

bool dga_available() {
  DisplayState& s = display_state;
  int major = 0, minor = 0;
  return calls->dga_query_version(s.display, &major, &minor) && calls->dga_direct_possible(s.display, s.screen);
}

int dga_open() {
  DisplayState& s = display_state;
  int major = 0, minor = 0;
  flips_unreported = false;
  calls->dga_get_video(s.display, s.screen, &s.video_base, &s.line_width, &s.bank_size, &s.memory_kb);
  // Only a linear frame buffer, visible all at once, will do.
  if (s.bank_size < s.memory_kb)
    return display_fails(
        2, "DGA offers video memory in banks (%d of %d KB), not the linear frame buffer the show needs",
        s.bank_size, s.memory_kb);
  if (!pages_fit(s))
    return display_fails(2, "the DGA video memory (%d KB) cannot hold the show's pages", s.memory_kb);
  if (!calls->vm_query_version(s.display, &major, &minor))
    return display_fails(1, "the X display has DGA but no XFree86-VidModeExtension to switch the video mode");
  if (switch_video_mode(s) != 0)
    return display_fails(1, "the X display has no %dx%d video mode for DGA", s.output_width, s.output_height);
  calls->dga_direct_video(s.display, s.screen, XF86DGADirectGraphics | XF86DGADirectMouse | XF86DGADirectKeyb);
  XGrabKeyboard(s.display, s.root, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  std::memset(s.video_base, 0, static_cast<size_t>(s.memory_kb) * 1024);
  if (s.depth == 8) calls->dga_install_colormap(s.display, s.screen, s.colormap);
  return 0;
}

void dga_show() {
  DisplayState& s = display_state;
  if (!s.page_flip) return;
  wait_for_flip(s);
  calls->dga_set_viewport(s.display, s.screen, 0, s.page * s.output_height);
  s.page = 1 - s.page;
}

void dga_restore() {
  DisplayState& s = display_state;
  XUngrabKeyboard(s.display, CurrentTime);
  calls->dga_direct_video(s.display, s.screen, 0);
  int count = 0;
  XF86VidModeModeInfo** modes = nullptr;
  calls->vm_get_all_mode_lines(s.display, s.screen, &count, &modes);
  int found = last_mode_of_size(modes, count, s.saved_hdisplay, s.saved_vdisplay);
  if (found >= 0) {
    calls->vm_switch_to_mode(s.display, s.screen, modes[found]);
    XFlush(s.display);
  }
  if (modes) XFree(modes);
}
