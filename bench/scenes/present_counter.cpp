// Preloaded into the real tundrix binary by scene_present_rate: counts the
// images sent to the X server (XPutImage or XShmPutImage, one per presented
// frame in the window modes) per show tick of 14,286 microseconds from the
// first one, and writes the counts (kTicks 32-bit words) to the file named by
// TUNDRIX_PRESENT_LOG when the program exits.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTicks = 1 << 16;
uint32_t per_tick[kTicks];
double first = -1;

void note() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  double now = ts.tv_sec + ts.tv_nsec * 1e-9;
  if (first < 0) first = now;
  auto tick = static_cast<long>((now - first) / 0.014286);
  if (tick < kTicks) per_tick[tick]++;
}

struct WriteAtExit {
  ~WriteAtExit() {
    const char* path = std::getenv("TUNDRIX_PRESENT_LOG");
    if (!path || first < 0) return;
    if (FILE* f = std::fopen(path, "wb")) {
      std::fwrite(per_tick, sizeof per_tick, 1, f);
      std::fclose(f);
    }
  }
} write_at_exit;

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int XPutImage(Display* d, Drawable w, GC gc, XImage* image, int sx, int sy, int dx, int dy,
                         unsigned width, unsigned height) {
  using Put = int (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned);
  static Put put = next<Put>("XPutImage");
  note();
  return put(d, w, gc, image, sx, sy, dx, dy, width, height);
}

extern "C" Bool XShmPutImage(Display* d, Drawable w, GC gc, XImage* image, int sx, int sy, int dx, int dy,
                             unsigned width, unsigned height, Bool send_event) {
  using Put = Bool (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool);
  static Put put = next<Put>("XShmPutImage");
  note();
  return put(d, w, gc, image, sx, sy, dx, dy, width, height, send_event);
}
