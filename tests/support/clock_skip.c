/* Test-only preload: moves the wall clock of the process forward by
 * TUNDRIX_TEST_SKIP_MICROS microseconds after its first reading, so that a
 * real show starts its clock normally and then finds itself that much later
 * in show time: every scene before is entered late and returns at once. The
 * show's own --from does the same and moves the music on too; this moves
 * only the clock. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/time.h>

static int (*real_gettimeofday)(struct timeval*, void*);
static long long skip_micros = -1;
static int readings;

int gettimeofday(struct timeval* tv, void* tz) {
  if (!real_gettimeofday) real_gettimeofday = (int (*)(struct timeval*, void*))dlsym(RTLD_NEXT, "gettimeofday");
  if (skip_micros < 0) {
    const char* s = getenv("TUNDRIX_TEST_SKIP_MICROS");
    skip_micros = s ? atoll(s) : 0;
  }
  int r = real_gettimeofday(tv, tz);
  if (r == 0 && readings++ > 0) {
    long long t = (long long)tv->tv_sec * 1000000 + tv->tv_usec + skip_micros;
    tv->tv_sec = t / 1000000;
    tv->tv_usec = t % 1000000;
  }
  return r;
}
