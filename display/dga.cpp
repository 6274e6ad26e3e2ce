// Full-screen output through XFree86-DGA after a VidMode switch to exactly
// the output size; two pages flipped in the grayscale mode.
#include "display/dga.h"

#include <X11/extensions/Xxf86dga.h>

#include <cstring>

#include "display/display_state.h"

const DgaCalls kDgaLibraryCalls = {
    XF86DGAQueryVersion,     XF86DGAGetVideo,          XF86DGADirectVideo,
    XF86DGAInstallColormap,  XF86DGASetViewPort,       XF86DGAViewPortChanged,
    XF86VidModeQueryVersion, XF86VidModeGetAllModeLines, XF86VidModeSwitchToMode,
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

}  // namespace

void dga_set_calls(const DgaCalls* c) { calls = c ? c : &kDgaLibraryCalls; }

int dga_open() {
  DisplayState& s = display_state;
  int major = 0, minor = 0;
  if (!calls->dga_query_version(s.display, &major, &minor)) return 2;
  calls->dga_get_video(s.display, s.screen, &s.video_base, &s.line_width, &s.bank_size, &s.memory_kb);
  // Only a linear frame buffer, visible all at once, will do.
  if (s.bank_size < s.memory_kb || !pages_fit(s)) return 2;
  if (!calls->vm_query_version(s.display, &major, &minor)) return 1;
  if (switch_video_mode(s) != 0) return 1;
  calls->dga_direct_video(s.display, s.screen, XF86DGADirectGraphics | XF86DGADirectMouse | XF86DGADirectKeyb);
  XGrabKeyboard(s.display, s.root, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  std::memset(s.video_base, 0, static_cast<size_t>(s.memory_kb) * 1024);
  if (s.depth == 8) calls->dga_install_colormap(s.display, s.screen, s.colormap);
  return 0;
}

void dga_show() {
  DisplayState& s = display_state;
  if (!s.page_flip) return;
  while (!calls->dga_viewport_changed(s.display, s.screen, 2)) {
  }
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
