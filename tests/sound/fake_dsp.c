/* A stand-in for /dev/dsp, used only by tests: either preloaded into the
 * real show (LD_PRELOAD) or linked into a test program. When FAKE_DSP_DIR is
 * set, open("/dev/dsp") opens $FAKE_DSP_DIR/dsp instead (a FIFO that the test
 * drains at the device's byte rate, or a plain file), fails when
 * $FAKE_DSP_DIR/missing exists, and every ioctl, write and close on that
 * descriptor is appended to $FAKE_DSP_DIR/log:
 *   open ACCESS / ioctl REQUEST VALUE / write PID BYTES / close PID
 * ioctls on it succeed without doing anything. Two more files make writes
 * fail before they write anything, each logged as "fail PID ERRNO":
 * $FAKE_DSP_DIR/flaky makes every third write fail with EINTR or EAGAIN in
 * turn (a signal, a full buffer), $FAKE_DSP_DIR/gone makes every write fail
 * with EIO (a card that was unplugged). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int fake_fd = -1;

typedef int (*open_fn)(const char*, int, ...);
typedef int (*ioctl_fn)(int, unsigned long, ...);
typedef ssize_t (*write_fn)(int, const void*, size_t);
typedef int (*close_fn)(int);

static open_fn next_open(void) { return (open_fn)dlsym(RTLD_NEXT, "open"); }
static write_fn next_write(void) { return (write_fn)dlsym(RTLD_NEXT, "write"); }
static close_fn next_close(void) { return (close_fn)dlsym(RTLD_NEXT, "close"); }
static ioctl_fn next_ioctl(void) { return (ioctl_fn)dlsym(RTLD_NEXT, "ioctl"); }

static void log_line(const char* fmt, ...) {
  const char* dir = getenv("FAKE_DSP_DIR");
  char path[4096], line[256];
  va_list ap;
  int fd, n;
  if (!dir) return;
  snprintf(path, sizeof path, "%s/log", dir);
  va_start(ap, fmt);
  n = vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  fd = next_open()(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  next_write()(fd, line, (size_t)n);
  next_close()(fd);
}

static int is_dsp(const char* path) { return getenv("FAKE_DSP_DIR") && path && !strcmp(path, "/dev/dsp"); }

static int open_fake(int flags) {
  const char* dir = getenv("FAKE_DSP_DIR");
  char path[4096];
  struct stat st;
  log_line("open %d\n", flags & O_ACCMODE);
  snprintf(path, sizeof path, "%s/missing", dir);
  if (stat(path, &st) == 0) {
    errno = ENOENT;
    return -1;
  }
  snprintf(path, sizeof path, "%s/dsp", dir);
  fake_fd = next_open()(path, flags | O_CREAT | O_APPEND, 0644);
  return fake_fd;
}

static mode_t mode_of(int flags, va_list ap) { return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0; }

int open(const char* path, int flags, ...) {
  va_list ap;
  mode_t mode;
  va_start(ap, flags);
  mode = mode_of(flags, ap);
  va_end(ap);
  if (is_dsp(path)) return open_fake(flags);
  return next_open()(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list ap;
  mode_t mode;
  va_start(ap, flags);
  mode = mode_of(flags, ap);
  va_end(ap);
  if (is_dsp(path)) return open_fake(flags);
  return next_open()(path, flags, mode);
}

int __open_2(const char* path, int flags) { return is_dsp(path) ? open_fake(flags) : next_open()(path, flags); }
int __open64_2(const char* path, int flags) { return __open_2(path, flags); }

int ioctl(int fd, unsigned long request, ...) {
  va_list ap;
  void* arg;
  va_start(ap, request);
  arg = va_arg(ap, void*);
  va_end(ap);
  if (fd >= 0 && fd == fake_fd) {
    log_line("ioctl 0x%lx %d\n", request, arg ? *(int*)arg : -1);
    return 0;
  }
  return next_ioctl()(fd, request, arg);
}

static int marker_exists(const char* name) {
  char path[4096];
  struct stat st;
  snprintf(path, sizeof path, "%s/%s", getenv("FAKE_DSP_DIR"), name);
  return stat(path, &st) == 0;
}

/* The errno a write on the fake device fails with, or 0 to let it through. */
static int injected_failure(void) {
  static unsigned calls;
  if (marker_exists("gone")) return EIO;
  if (marker_exists("flaky") && ++calls % 3 == 0) return (calls / 3) % 2 ? EINTR : EAGAIN;
  return 0;
}

ssize_t write(int fd, const void* data, size_t n) {
  if (fd >= 0 && fd == fake_fd) {
    int failure = injected_failure();
    if (failure) {
      log_line("fail %d %d\n", (int)getpid(), failure);
      errno = failure;
      return -1;
    }
    log_line("write %d %zu\n", (int)getpid(), n);
  }
  return next_write()(fd, data, n);
}

int close(int fd) {
  if (fd >= 0 && fd == fake_fd) {
    log_line("close %d\n", (int)getpid());
    fake_fd = -1;
  }
  return next_close()(fd);
}
