/* Test-only preload: makes one chosen allocation of a real program fail, to
 * see what the program does when memory runs out at exactly that point.
 *
 * Allocations are malloc, calloc, realloc to a size above 0, the aligned
 * allocations and pthread_create (a thread's stack is memory too). They are
 * counted from the start of main, so the dynamic loader's and the C++
 * runtime's own start-up never fail. The variables:
 *
 *   TUNDRIX_TEST_FAIL_ALLOCATION=N        the Nth allocation fails (1 is the first)
 *   TUNDRIX_TEST_FAIL_ALLOCATION_SIZE=S   every allocation of exactly S bytes fails
 *   TUNDRIX_TEST_ALLOCATION_COUNT=PATH    at exit, the number counted goes to PATH
 *
 * A failed allocation returns null with errno ENOMEM (operator new then
 * calls the program's new handler); a failed pthread_create returns EAGAIN.
 * The variables and the preload are taken out of the environment when main
 * starts: the programs the program runs (ffmpeg) run unhindered. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* p, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static int armed;
static long fail_at = -1;
static long fail_size = -1;
static long counted;
static const char* count_path;

/* Whether this allocation of size bytes fails; counts it when armed. */
static int fails(size_t size) {
  if (!armed) return 0;
  long n = __atomic_add_fetch(&counted, 1, __ATOMIC_RELAXED);
  if (n != fail_at && (long)size != fail_size) return 0;
  errno = ENOMEM;
  return 1;
}

void* malloc(size_t size) { return fails(size) ? NULL : __libc_malloc(size); }

void* calloc(size_t count, size_t size) {
  size_t total;
  if (__builtin_mul_overflow(count, size, &total)) total = (size_t)-1;
  return fails(total) ? NULL : __libc_calloc(count, size);
}

void* realloc(void* p, size_t size) {
  if (size > 0 && fails(size)) return NULL;
  return __libc_realloc(p, size);
}

void* memalign(size_t alignment, size_t size) {
  return fails(size) ? NULL : __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
void* valloc(size_t size) { return memalign(4096, size); }
void* pvalloc(size_t size) { return memalign(4096, (size + 4095) & ~(size_t)4095); }

int posix_memalign(void** out, size_t alignment, size_t size) {
  void* p = memalign(alignment, size);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}

typedef int (*ThreadCreate)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
static ThreadCreate real_pthread_create;

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
  if (fails(0)) return EAGAIN;
  return real_pthread_create(thread, attr, start, arg);
}

static void report_count(void) {
  armed = 0;
  FILE* f = fopen(count_path, "w");
  if (!f) return;
  fprintf(f, "%ld\n", counted);
  fclose(f);
}

static long number_from(const char* name) {
  const char* text = getenv(name);
  return text ? atol(text) : -1;
}

typedef int (*Main)(int, char**, char**);
static Main real_main;

static int armed_main(int argc, char** argv, char** envp) {
  fail_at = number_from("TUNDRIX_TEST_FAIL_ALLOCATION");
  fail_size = number_from("TUNDRIX_TEST_FAIL_ALLOCATION_SIZE");
  count_path = getenv("TUNDRIX_TEST_ALLOCATION_COUNT");
  if (count_path) atexit(report_count);
  unsetenv("TUNDRIX_TEST_FAIL_ALLOCATION");
  unsetenv("TUNDRIX_TEST_FAIL_ALLOCATION_SIZE");
  unsetenv("TUNDRIX_TEST_ALLOCATION_COUNT");
  unsetenv("LD_PRELOAD");
  real_pthread_create = (ThreadCreate)dlsym(RTLD_NEXT, "pthread_create");
  armed = 1;
  return real_main(argc, argv, envp);
}

typedef int (*StartMain)(Main, int, char**, void (*)(void), void (*)(void), void (*)(void), void*);

int __libc_start_main(Main main, int argc, char** argv, void (*init)(void), void (*fini)(void),
                      void (*rtld_fini)(void), void* stack_end) {
  StartMain real = (StartMain)dlsym(RTLD_NEXT, "__libc_start_main");
  real_main = main;
  return real(armed_main, argc, argv, init, fini, rtld_fini, stack_end);
}
