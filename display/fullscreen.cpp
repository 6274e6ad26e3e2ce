// Full screen without DGA, for modes 5 and 6 on servers that do not offer
// direct video (most today, and XWayland never): a window over the whole
// screen that asks the window manager for full screen through EWMH, shows no
// cursor, and holds the mode's picture scaled by the largest whole factor
// that fits, centred on black (mode 6 on a screen too small for its doubled
// picture shows mode 5's). The desktop is left as it was: no video mode
// switch, no grab, and the window goes away at display_close.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdlib>
#include <cstring>

#include "display/display_state.h"

namespace {

// Widens each of the width pixels of a row to scale copies. Pixels go
// through memcpy, as the rows need not be aligned.
template <typename Pixel>
void widen_row(uint8_t* dst, const uint8_t* src, int width, int scale) {
  for (int x = 0; x < width; ++x, src += sizeof(Pixel)) {
    Pixel p;
    std::memcpy(&p, src, sizeof p);
    for (int i = 0; i < scale; ++i, dst += sizeof(Pixel)) std::memcpy(dst, &p, sizeof p);
  }
}

using RowWidener = void (*)(uint8_t* dst, const uint8_t* src, int width, int scale);

RowWidener widener_for(int bytes_per_pixel) {
  switch (bytes_per_pixel) {
    case 1: return widen_row<uint8_t>;
    case 2: return widen_row<uint16_t>;
    default: return widen_row<uint32_t>;
  }
}

RowWidener widen;

// A cursor of one transparent pixel, so none shows over the show.
Cursor blank_cursor(Display* d, Window w) {
  static const char kNoBits[1] = {0};
  Pixmap empty = XCreateBitmapFromData(d, w, kNoBits, 1, 1);
  XColor black{};
  Cursor cursor = XCreatePixmapCursor(d, empty, empty, &black, &black, 0, 0);
  XFreePixmap(d, empty);
  return cursor;
}

// Asks an EWMH window manager to show the window full screen, without its
// frame; set before mapping, where the manager reads it. Without a manager
// the window's own size and place already cover the screen.
void ask_for_full_screen(Display* d, Window w) {
  Atom state = XInternAtom(d, "_NET_WM_STATE", False);
  Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
  XChangeProperty(d, w, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&full), 1);
}

// An image of width x height in ordinary memory, for servers without MIT-SHM.
int plain_scaled_image_open(DisplayState& s, int width, int height) {
  int pitch = s.bytes_per_pixel * width;
  char* pixels = static_cast<char*>(std::calloc(static_cast<size_t>(pitch), static_cast<size_t>(height)));
  if (!pixels) return display_fails(2, "out of memory for the full-screen image");
  s.image = XCreateImage(s.display, s.visual, s.depth, ZPixmap, 0, pixels, width, height, 32, pitch);
  if (!s.image) {
    std::free(pixels);
    return display_fails(2, "out of memory for the full-screen image");
  }
  s.image->bitmap_unit = 32;
  return 0;
}

}  // namespace

int fullscreen_fit(DisplayState& s) {
  const int screen_width = DisplayWidth(s.display, s.screen),
            screen_height = DisplayHeight(s.display, s.screen);
  auto fits = [&] { return s.output_width <= screen_width && s.output_height <= screen_height; };
  if (!fits() && s.doubled) {
    s.doubled = false;
    s.step = 1;
    s.output_width = s.internal_width;
    s.output_height = s.internal_height;
  }
  if (!fits())
    return display_fails(2, "the screen of %dx%d is smaller than the show's %dx%d picture", screen_width,
                         screen_height, s.output_width, s.output_height);
  return 0;
}

int fullscreen_open(DisplayState& s) {
  s.path = OutputPath::kFullScreen;
  s.page_flip = false;
  int screen_width = DisplayWidth(s.display, s.screen);
  int screen_height = DisplayHeight(s.display, s.screen);
  int across = screen_width / s.output_width, down = screen_height / s.output_height;
  s.scale = across < down ? across : down;
  int width = s.output_width * s.scale, height = s.output_height * s.scale;
  s.image_x = (screen_width - width) / 2;
  s.image_y = (screen_height - height) / 2;
  widen = widener_for(s.bytes_per_pixel);

  XSetWindowAttributes attributes{};
  attributes.background_pixel = 0;  // black, also in both 8-bit palettes
  attributes.colormap = s.colormap;
  attributes.backing_store = NotUseful;
  s.window = XCreateWindow(s.display, s.root, 0, 0, screen_width, screen_height, 0, s.depth, InputOutput,
                           s.visual, CWBackPixel | CWColormap | CWBackingStore, &attributes);
  window_name(s);
  Cursor cursor = blank_cursor(s.display, s.window);
  XDefineCursor(s.display, s.window, cursor);
  XFreeCursor(s.display, cursor);  // the window keeps it while it lives
  ask_for_full_screen(s.display, s.window);
  window_take_part_in_closing(s);
  XMapWindow(s.display, s.window);
  XSync(s.display, False);
  XSelectInput(s.display, s.window, kWindowEventMask);

  // The mode's picture is converted into the static buffer first; the odd
  // rows of the doubled true-colour picture stay black there.
  std::memset(display_image_buffer, 0, static_cast<size_t>(s.output_width) * s.bytes_per_pixel * s.output_height);
  int status = XShmQueryExtension(s.display) && shm_image_open(s, width, height) == 0
                   ? 0
                   : plain_scaled_image_open(s, width, height);
  if (status != 0) return status;
  XFlush(s.display);
  return 0;
}

void fullscreen_show() {
  DisplayState& s = display_state;
  int src_pitch = s.output_width * s.bytes_per_pixel;
  int dst_pitch = s.image->bytes_per_line;
  int row_bytes = src_pitch * s.scale;
  const uint8_t* src = display_image_buffer;
  uint8_t* dst = reinterpret_cast<uint8_t*>(s.image->data);
  XSync(s.display, False);  // the server is done with the last frame's image
  for (int y = 0; y < s.output_height; ++y, src += src_pitch) {
    uint8_t* first = dst;
    widen(first, src, s.output_width, s.scale);
    dst += dst_pitch;
    for (int i = 1; i < s.scale; ++i, dst += dst_pitch) std::memcpy(dst, first, static_cast<size_t>(row_bytes));
  }
  int width = s.output_width * s.scale, height = s.output_height * s.scale;
  if (s.shm.shmaddr)
    XShmPutImage(s.display, s.window, s.gc, s.image, 0, 0, s.image_x, s.image_y, width, height, False);
  else
    XPutImage(s.display, s.window, s.gc, s.image, 0, 0, s.image_x, s.image_y, width, height);
  XFlush(s.display);
}
