/* Test-only preload: counts the images the show sends to the X server
 * (XPutImage, XShmPutImage: one per presented frame in the window modes)
 * and the show ticks (14,286 us) from the first to the last, and writes
 * "PRESENTS TICKS" to the file named by TUNDRIX_TEST_PRESENT_LOG at exit. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long presents;
static double first = -1, last;

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static void note(void) {
  last = now();
  if (first < 0) first = last;
  presents++;
}

__attribute__((destructor)) static void write_counts(void) {
  const char* path = getenv("TUNDRIX_TEST_PRESENT_LOG");
  FILE* f = path ? fopen(path, "w") : NULL;
  if (!f) return;
  fprintf(f, "%ld %ld\n", presents, first < 0 ? 0L : (long)((last - first) / 0.014286));
  fclose(f);
}

int XPutImage(Display* d, Drawable w, GC gc, XImage* im, int sx, int sy, int dx, int dy, unsigned wd,
              unsigned ht) {
  static int (*real)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned);
  if (!real) real = (int (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned))dlsym(RTLD_NEXT, "XPutImage");
  note();
  return real(d, w, gc, im, sx, sy, dx, dy, wd, ht);
}

Bool XShmPutImage(Display* d, Drawable w, GC gc, XImage* im, int sx, int sy, int dx, int dy, unsigned wd,
                  unsigned ht, Bool send_event) {
  static Bool (*real)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool);
  if (!real) real = (Bool (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool))dlsym(RTLD_NEXT, "XShmPutImage");
  note();
  return real(d, w, gc, im, sx, sy, dx, dy, wd, ht, send_event);
}
