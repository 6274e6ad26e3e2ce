// Set-up of an output mode on the X server: the converter, the 8-bit
// palette, and the window paths (plain and shared-memory XImage); the DGA
// path continues in dga.cpp.
#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/dga.h"
#include "display/display.h"
#include "display/display_state.h"
#include "display/palette.h"

DisplayState display_state;
uint8_t display_image_buffer[kImageBufferSize];

namespace {

char failure[256];

// Bits per pixel of the server's ZPixmap format for a depth; 0 if it has none.
int server_bits_per_pixel(Display* d, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(d, &count);
  int bits = 0;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
  if (formats) XFree(formats);
  return bits;
}

// Chooses the converter. A depth without one, a pixel size the converters do
// not write, or a read-only 8-bit visual (the AllocAll colour map would raise
// a fatal X error) is refused rather than left to garble or kill the show.
int choose_converter(DisplayState& s) {
  int slot = converter_slot(s.depth, s.doubled);
  s.bytes_per_pixel = converter_bytes_per_pixel(s.depth);
  if (slot < 0)
    return display_fails(2, "the X display's depth of %d bits is none the show can draw", s.depth);
  const int bits = server_bits_per_pixel(s.display, s.depth);
  if (bits != 8 * s.bytes_per_pixel)
    return display_fails(2, "the X display keeps its %d-bit pixels in %d bits, which the show does not write",
                         s.depth, bits);
  if (s.depth == 8 && s.visual->c_class != PseudoColor && s.visual->c_class != GrayScale)
    return display_fails(2, "the X display's 8-bit visual has fixed colours; the show needs one it can fill");
  // The 30-bit converter writes red highest; another order would show wrong colours.
  if (s.depth == 30 && (s.visual->red_mask != 0x3FF00000 || s.visual->green_mask != 0xFFC00 ||
                        s.visual->blue_mask != 0x3FF))
    return display_fails(
        2, "the X display's 30-bit visual keeps its colours in an order the show does not write");
  s.convert = kPixelConverters[slot];
  if (slot == 2) build_green_blue_table();
  return 0;
}

void store_palette(DisplayState& s) {
  XColor cells[256];
  palette_fill(cells, s.doubled);
  s.colormap = XCreateColormap(s.display, s.root, s.visual, AllocAll);
  XStoreColors(s.display, s.colormap, cells, 256);
}

bool attach_error;
int note_attach_error(Display*, XErrorEvent*) {
  attach_error = true;
  return 0;
}

// Asks the server to attach the segment and waits for its answer. A server
// that cannot reach the segment (another host, another IPC namespace) answers
// with an error that Xlib's default handler would make fatal.
bool shm_attach(DisplayState& s) {
  XSync(s.display, False);
  attach_error = false;
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(note_attach_error);
  Status ok = XShmAttach(s.display, &s.shm);
  XSync(s.display, False);
  XSetErrorHandler(previous);
  return ok && !attach_error;
}

void shm_release(DisplayState& s) {
  if (s.image) {
    s.image->data = nullptr;
    XDestroyImage(s.image);
    s.image = nullptr;
  }
  if (s.shm.shmaddr && s.shm.shmaddr != reinterpret_cast<char*>(-1)) shmdt(s.shm.shmaddr);
  if (s.shm.shmid >= 0) shmctl(s.shm.shmid, IPC_RMID, nullptr);
  s.shm = XShmSegmentInfo{};
  s.shm.shmid = -1;
}

}  // namespace

int shm_image_open(DisplayState& s, int width, int height) {
  s.shm.shmid = -1;
  s.image = XShmCreateImage(s.display, s.visual, s.depth, ZPixmap, nullptr, &s.shm, width, height);
  if (!s.image) return display_fails(2, "out of memory for the shared-memory image");
  s.image->bitmap_unit = 32;
  s.shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(s.image->bytes_per_line) * s.image->height,
                       IPC_CREAT | 0777);
  if (s.shm.shmid < 0) {
    display_fails(2, "cannot make the image's shared memory: %s", std::strerror(errno));
    shm_release(s);
    return 2;
  }
  s.shm.shmaddr = s.image->data = static_cast<char*>(shmat(s.shm.shmid, nullptr, 0));
  s.shm.readOnly = False;
  if (s.shm.shmaddr == reinterpret_cast<char*>(-1)) {
    display_fails(2, "cannot map the image's shared memory: %s", std::strerror(errno));
    shm_release(s);
    return 2;
  }
  if (!shm_attach(s)) {
    display_fails(2,
                  "the X display %s cannot attach the show's shared memory (a server on another machine, or "
                  "in another IPC namespace)",
                  DisplayString(s.display));
    shm_release(s);
    return 2;
  }
  // Both sides are attached: marked for removal now, the segment goes away
  // with the last of them however the show ends (a signal, a lost server).
  shmctl(s.shm.shmid, IPC_RMID, nullptr);
  s.shm.shmid = -1;
  return 0;
}

namespace {

int plain_image_open(DisplayState& s) {
  int pitch = s.bytes_per_pixel * s.output_width;
  s.image = XCreateImage(s.display, s.visual, s.depth, ZPixmap, 0, nullptr, s.output_width,
                         s.output_height, 32, pitch);
  if (!s.image) return display_fails(2, "out of memory for the image");
  s.image->bitmap_unit = 32;
  // The doubled true-colour modes never write the odd rows; they show black.
  std::memset(display_image_buffer, 0, static_cast<size_t>(pitch) * s.output_height);
  return 0;
}

int window_open(DisplayState& s) {
  XSetWindowAttributes attributes{};
  attributes.backing_store = NotUseful;
  attributes.colormap = s.colormap;
  s.window = XCreateWindow(s.display, s.root, 0, 0, s.output_width, s.output_height, 4, s.depth,
                           InputOutput, s.visual, CWBackingStore | CWColormap, &attributes);
  window_name(s);
  window_take_part_in_closing(s);
  XMapWindow(s.display, s.window);
  XSync(s.display, False);
  XSelectInput(s.display, s.window, kWindowEventMask);
  int status = s.path == OutputPath::kShm ? shm_image_open(s, s.output_width, s.output_height)
                                           : plain_image_open(s);
  if (status != 0) return status;
  XFlush(s.display);
  return 0;
}

int open_connected(DisplayState& s) {
  if (s.path == OutputPath::kShm && !XShmQueryExtension(s.display))
    return display_fails(
        2, "the X display %s has no MIT-SHM extension, which modes 3 and 4 need (1 and 2 do without)",
        DisplayString(s.display));
  s.screen = DefaultScreen(s.display);
  s.root = RootWindow(s.display, s.screen);
  s.visual = DefaultVisual(s.display, s.screen);
  s.gc = DefaultGC(s.display, s.screen);
  s.depth = DefaultDepth(s.display, s.screen);
  // Full screen without DGA may show mode 5's picture for mode 6's: decided
  // before the converter and the palette are.
  const bool dga = s.path == OutputPath::kDga && dga_available();
  if (s.path == OutputPath::kDga && !dga) {
    if (int status = fullscreen_fit(s)) return status;
  }
  if (int status = choose_converter(s)) return status;
  if (s.depth == 8) store_palette(s);
  if (s.path != OutputPath::kDga) return window_open(s);
  return dga ? dga_open() : fullscreen_open(s);
}

}  // namespace

void window_name(DisplayState& s) {
  XStoreName(s.display, s.window, "Tundrix in X11");
  char instance[] = "tundrix", class_name[] = "Tundrix";
  XClassHint hint{instance, class_name};
  XSetClassHint(s.display, s.window, &hint);
}

void window_take_part_in_closing(DisplayState& s) {
  s.wm_protocols = XInternAtom(s.display, "WM_PROTOCOLS", False);
  s.wm_delete_window = XInternAtom(s.display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(s.display, s.window, &s.wm_delete_window, 1);
}

int display_fails(int code, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(failure, sizeof failure, format, arguments);
  va_end(arguments);
  return code;
}

const char* display_failure() { return failure; }

int display_open_mode(int width, int height, int mode) {
  failure[0] = '\0';
  if (mode < 1 || mode > 6) return display_fails(1, "the output mode must be a number from 1 to 6");
  DisplayState& s = display_state;
  s = DisplayState{};
  s.internal_width = width;
  s.internal_height = height;
  s.doubled = mode % 2 == 0;
  s.step = s.doubled ? 2 : 1;
  s.output_width = width * s.step;
  s.output_height = height * s.step;
  s.path = mode <= 2 ? OutputPath::kPlain : mode <= 4 ? OutputPath::kShm : OutputPath::kDga;
  s.page_flip = mode == 5;
  s.shm.shmid = -1;  // no segment yet
  s.display = XOpenDisplay(nullptr);
  if (!s.display) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return display_fails(1, "cannot open an X display: DISPLAY is not set");
    return display_fails(1, "cannot open the X display %.100s (DISPLAY=%.100s)", XDisplayName(nullptr), name);
  }
  watch_connection();
  int status = open_connected(s);
  if (status != 0) {
    // Closing the connection also takes the window and colour map away.
    XCloseDisplay(s.display);
    s = DisplayState{};
  }
  return status;
}
