/* Test-only preload: counts the images the show sends to the X server
 * (XPutImage, XShmPutImage: one per presented frame in the window modes)
 * and the show ticks (14,286 us) from the first to the last, and writes
 * "PRESENTS TICKS" to the file named by TUNDRIX_TEST_PRESENT_LOG at exit.
 * With TUNDRIX_TEST_IMAGE_LOG it also writes a line per image to that file:
 * the monotonic clock's seconds and the image's hash, which for a 320 x 200
 * image of 32-bit pixels (mode 1 on a 24-bit display: the frame's words
 * unchanged) is the check run's frame hash (64-bit FNV-1a over the words,
 * web/check_run.h), else 0. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long presents;
static double first = -1, last;
static FILE* image_log;

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static uint64_t frame_hash(const XImage* im) {
  if (im->width != 320 || im->height != 200 || im->bits_per_pixel != 32 || im->bytes_per_line != 1280) return 0;
  const uint32_t* words = (const uint32_t*)im->data;
  uint64_t h = 0xCBF29CE484222325u;
  for (int i = 0; i < 320 * 200; i++) h = (h ^ words[i]) * 0x100000001B3u;
  return h;
}

static void note(const XImage* im) {
  last = now();
  if (first < 0) first = last;
  presents++;
  const char* path = getenv("TUNDRIX_TEST_IMAGE_LOG");
  if (path && !image_log) image_log = fopen(path, "w");
  if (image_log) fprintf(image_log, "%.6f %016llx\n", last, (unsigned long long)frame_hash(im));
}

__attribute__((destructor)) static void write_counts(void) {
  if (image_log) fclose(image_log);
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
  note(im);
  return real(d, w, gc, im, sx, sy, dx, dy, wd, ht);
}

Bool XShmPutImage(Display* d, Drawable w, GC gc, XImage* im, int sx, int sy, int dx, int dy, unsigned wd,
                  unsigned ht, Bool send_event) {
  static Bool (*real)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool);
  if (!real) real = (Bool (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool))dlsym(RTLD_NEXT, "XShmPutImage");
  note(im);
  return real(d, w, gc, im, sx, sy, dx, dy, wd, ht, send_event);
}
