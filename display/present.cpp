// Converting a FrameBuffer into the output and showing it on each path.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "display/dga.h"
#include "display/display_state.h"
#include "display/x11_output.h"

namespace {

void show_plain() {
  DisplayState& s = display_state;
  XSync(s.display, False);
  s.image->data = reinterpret_cast<char*>(display_image_buffer);
  XPutImage(s.display, s.window, s.gc, s.image, 0, 0, 0, 0, s.output_width, s.output_height);
  XFlush(s.display);
}

void show_shm() {
  DisplayState& s = display_state;
  XSync(s.display, False);
  XShmPutImage(s.display, s.window, s.gc, s.image, 0, 0, 0, 0, s.output_width, s.output_height, False);
  XFlush(s.display);
}

// Indexed by OutputPath.
void (*const kShow[])() = {show_plain, show_shm, dga_show, fullscreen_show};

// First destination row and row pitch of the current path (and page).
uint8_t* destination(const DisplayState& s, int& pitch) {
  switch (s.path) {
    case OutputPath::kPlain:
    case OutputPath::kFullScreen:  // scaled from there into its image
      pitch = s.output_width * s.bytes_per_pixel;
      return display_image_buffer;
    case OutputPath::kShm:
      pitch = s.output_width * s.bytes_per_pixel;
      return reinterpret_cast<uint8_t*>(s.image->data);
    case OutputPath::kDga:
      pitch = s.line_width * s.bytes_per_pixel;
      return reinterpret_cast<uint8_t*>(s.video_base) +
             (s.page_flip ? static_cast<long>(s.page) * pitch * s.output_height : 0);
  }
  return nullptr;
}

}  // namespace

void x11_present(const uint32_t* frame) {
  DisplayState& s = display_state;
  int pitch = 0;
  uint8_t* rows = destination(s, pitch);
  for (int y = 0; y < s.output_height; y += s.step)
    s.convert(rows + static_cast<long>(y) * pitch, frame + (y / s.step) * s.internal_width,
              s.internal_width, pitch, 0);
  kShow[static_cast<int>(s.path)]();
}

const FrameSink kX11Sink = {.present = x11_present,
                            .poll_escape = x11_poll_escape,
                            .close = x11_close,
                            .window_closed = x11_window_closed,
                            .gather_keys = x11_gather_keys};
