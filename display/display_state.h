// The one display state shared by set-up, presentation, input and restore.
#pragma once
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdio>

#include "display/convert.h"

// kFullScreen: modes 5 and 6 where DGA is unavailable, a window over the
// whole screen with the picture scaled up (fullscreen.cpp).
enum class OutputPath { kPlain, kShm, kDga, kFullScreen };

struct DisplayState {
  Display* display;
  int screen;
  Window root;
  Visual* visual;
  GC gc;
  int depth;
  int bytes_per_pixel;

  OutputPath path;
  bool doubled;
  bool page_flip;  // DGA grayscale mode only
  int step;        // 1, or 2 with doubled pixels
  int page;        // page being drawn while flipping: 0 or 1

  int internal_width, internal_height;
  int output_width, output_height;

  // Full-screen window: the output picture is scaled by a whole factor into
  // the image, which is put at image_x, image_y of the window.
  int scale;
  int image_x, image_y;

  bool escape_seen;  // an Escape key event was taken: every poll says so
  // The window's close button was used (WM_DELETE_WINDOW), or another client
  // destroyed the window: every poll says so, as after Escape.
  bool window_closed;
  bool window_gone;  // destroyed by another client: not to be destroyed again
  Atom wm_protocols, wm_delete_window;

  PixelConverter convert;
  Window window;
  XImage* image;
  XShmSegmentInfo shm;
  Colormap colormap;

  // DGA video memory and the video mode size to go back to.
  char* video_base;
  int line_width;  // pixels
  int bank_size;
  int memory_kb;
  int saved_hdisplay, saved_vdisplay;
};

extern DisplayState display_state;

// Static image of the plain path, big enough for 640 x 480 at 4 bytes.
constexpr int kImageBufferSize = 640 * 480 * 4;
extern uint8_t display_image_buffer[kImageBufferSize];

// Makes the shared-memory image of width x height for the window paths and
// has the server attach it; the segment is marked for removal at once.
// Returns 0, or 2 with nothing left when any step fails.
int shm_image_open(DisplayState& s, int width, int height);

// Full screen without DGA shows the mode's picture whole, never cut: on a
// screen smaller than mode 6's doubled picture, mode 6 shows mode 5's (the
// state becomes mode 5's); on one smaller than even that, the mode fails
// with 2. Call before the converter and palette are chosen.
int fullscreen_fit(DisplayState& s);

// Full screen without DGA for modes 5 and 6 on the open display state (fitted,
// the converter and palette chosen): a screen-sized window with the picture
// scaled up by the largest whole factor that fits and centred on black.
// Returns 0, or 2 when no image can be made.
int fullscreen_open(DisplayState& s);

// Scales the converted picture (display_image_buffer) into the full-screen
// window's image and shows it.
void fullscreen_show();

// Names the window before it is mapped: its title, and its class (instance
// "tundrix", class "Tundrix"), by which a desktop ties the window to the
// menu entry and shows the entry's icon for it.
void window_name(DisplayState& s);

// Lets the window take part in WM_DELETE_WINDOW, so that a window manager's
// close button asks the show to end instead of cutting its connection. Call
// before the window is mapped.
void window_take_part_in_closing(DisplayState& s);

// The window events a window path selects: key presses and releases (the
// DGA keyboard grab delivers both), and the window's own destruction.
constexpr long kWindowEventMask = KeyPressMask | KeyReleaseMask | StructureNotifyMask;

// Installs the show's X error and I/O error handlers for display_state:
// errors about the show's own window, once it is gone, mark it closed
// (other errors keep Xlib's handling); a lost connection ends the process
// (see display_set_lost_hook).
void watch_connection();

// Records why opening the display failed (printf format), for
// display_failure, and returns code.
int display_fails(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Reads the mode number for the menu: optional white space, an optional sign
// and decimal digits, stopping at the first other character. Returns the
// number, or 0 when there are no digits; values beyond +-1,000,000 saturate.
int display_read_number(FILE* in);
