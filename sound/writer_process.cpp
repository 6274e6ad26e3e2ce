#include "sound/writer_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "sound/block_pipe.h"
#include "sound/io.h"

namespace {

constexpr int kReapMilliseconds = 3000;
// Why the writer left, as its exit status (0 to 4); the end message gives 1.
enum WriterExit : int { kWriterOrphaned, kWriterEnded, kWriterBadMessage, kWriterDeviceGone, kWriterNoDevice };

// Requests the writer has made, counted in memory both processes share: the
// count, not the signal, tells whether a block is owed.
struct Requests {
  std::atomic<uint32_t> made;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free);

struct Writer {
  pid_t pid;
  int pipe_write;
  Requests* requests;
  uint32_t answered;
};

Writer writer = {-1, -1, nullptr, 0};
// The writer's own copy; after the fork only the writer touches it.
uint8_t writer_block[kSoundBlockBytes];

// The handlers the show's process installed mean nothing in the writer, and
// the signals blocked around the fork must reach it again.
void reset_inherited_signals() {
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) != 0) continue;
    bool has_handler = (old.sa_flags & SA_SIGINFO) ? old.sa_sigaction != nullptr
                                                   : old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN;
    if (sig == SIGPIPE || has_handler) signal(sig, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

[[noreturn]] void writer_leave(const WriterDevice* device, WriterExit status) {
  device->close();
  _exit(status);
}

// The writer: opens its device and reports whether it plays, then asks for a
// block, plays it, asks again. It leaves with _exit (no stdio flushing, no
// atexit work of the show) on the end message, when its device is gone for
// good, and when the show's process is gone: then the pipe reads end of file.
[[noreturn]] void writer_main(int pipe_read, int report, const WriterDevice* device, pid_t parent) {
  reset_inherited_signals();
  const uint8_t opened = uint8_t(device->open());
  sound_write_all(report, &opened, 1);
  close(report);
  if (!opened) _exit(kWriterNoDevice);
  for (;;) {
    if (getppid() != parent) writer_leave(device, kWriterOrphaned);
    writer.requests->made.fetch_add(1);
    kill(parent, SIGCHLD);
    int32_t length = 0;
    switch (block_pipe_receive(pipe_read, writer_block, &length)) {
      case kBlockReceived: break;
      case kBlockEndOfStream: writer_leave(device, kWriterEnded);
      case kBlockBadLength: writer_leave(device, kWriterBadMessage);
      case kBlockPipeClosed: writer_leave(device, kWriterOrphaned);
    }
    if (!device->play(writer_block, size_t(length))) writer_leave(device, kWriterDeviceGone);
  }
}

void block_sigchld(sigset_t* previous) {
  sigset_t chld;
  sigemptyset(&chld);
  sigaddset(&chld, SIGCHLD);
  sigprocmask(SIG_BLOCK, &chld, previous);
}

void sleep_milliseconds(long ms) {
  timespec ts = {0, ms * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// The writer has the end message; it may still be finishing a device write.
// A writer that does not leave in time is killed, so stopping never hangs.
void reap_writer() {
  if (writer.pid < 0) return;  // already reaped when it went away
  for (int waited = 0; waited < kReapMilliseconds; waited += 5) {
    pid_t r = waitpid(writer.pid, nullptr, WNOHANG);
    if (r == writer.pid || (r < 0 && errno != EINTR)) {
      writer.pid = -1;
      return;
    }
    sleep_milliseconds(5);
  }
  kill(writer.pid, SIGKILL);
  while (waitpid(writer.pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  writer.pid = -1;
}

void release_requests() {
  if (writer.requests) munmap(writer.requests, sizeof(Requests));
  writer.requests = nullptr;
}

// Waits for the writer's report on its device. A writer that could not open
// it has left already (or leaves now) and is reaped here.
bool writer_reports_open(int report, pid_t pid) {
  uint8_t opened = 0;
  const bool read_ok = sound_read_all(report, &opened, 1);
  close(report);
  if (read_ok && opened) return true;
  writer.pid = pid;
  reap_writer();
  return false;
}

}  // namespace

bool writer_start(const WriterDevice* device) {
  if (!device) return false;
  void* shared = mmap(nullptr, sizeof(Requests), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return false;
  writer.requests = new (shared) Requests{};
  writer.answered = 0;
  int fds[2], report[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    release_requests();
    return false;
  }
  if (pipe2(report, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    release_requests();
    return false;
  }
  // The first request waits until the writer's device is known to play.
  sigset_t previous;
  block_sigchld(&previous);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[1]);
    close(report[0]);
    writer_main(fds[0], report[1], device, parent);
  }
  close(fds[0]);
  close(report[1]);
  if (pid < 0 || !writer_reports_open(report[0], pid)) {
    if (pid < 0) close(report[0]);
    close(fds[1]);
    release_requests();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  writer.pipe_write = fds[1];
  writer.pid = pid;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return true;
}

bool writer_owes_block() {
  if (!writer.requests || writer.requests->made.load() == writer.answered) return false;
  writer.answered = writer.requests->made.load();
  return true;
}

int writer_pipe() { return writer.pipe_write; }

bool writer_left() {
  if (writer.pid < 0) return false;
  int status;
  if (waitpid(writer.pid, &status, WNOHANG) != writer.pid) return false;
  writer.pid = -1;
  return true;
}

void writer_send_end() {
  if (writer.pid >= 0) block_pipe_send_end(writer.pipe_write);
}

void writer_finish() {
  if (writer.pipe_write >= 0) close(writer.pipe_write);
  writer.pipe_write = -1;
  reap_writer();
  release_requests();
}

int sound_writer_pid() { return writer.pid; }
