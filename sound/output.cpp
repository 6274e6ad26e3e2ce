// The writer process, the pipe messages that feed it, and the signals that
// drive the player. The sound card's demand paces the music: the writer asks
// (SIGCHLD), the handler answers with one tick's block, the writer plays it
// and asks again.
#include "sound/output.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "sound/devices.h"
#include "sound/io.h"
#include "sound/stream.h"
#include "sound/writer_device.h"

namespace {

constexpr int32_t kEndOfStream = 65535;
constexpr int kReapMilliseconds = 3000;
// Why the writer left, as its exit status (0 to 4); the end message gives 1.
enum WriterExit : int { kWriterOrphaned, kWriterEnded, kWriterBadMessage, kWriterDeviceGone, kWriterNoDevice };

// Requests the writer has made, counted in memory both processes share. A
// SIGCHLD only says "look": notices do not queue, so one signal may carry a
// request together with another child's news, and the count is what tells
// whether a block is owed.
struct Requests {
  std::atomic<uint32_t> made;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free);

struct Output {
  bool started;
  bool timer_running;
  int kind;
  int pipe_write;
  pid_t writer;
  Requests* requests;
  uint32_t answered;
  struct sigaction old_chld, old_alrm, old_pipe;
  itimerval old_timer;
  void (*callback)();
  MusicTick music_tick;
};

Output output = {false, false, kSoundNone, -1, -1, nullptr, 0, {}, {}, {}, {}, nullptr, nullptr};
std::atomic<uint32_t> ticks{0};
// Set once the writer is gone for good: from then on the timer runs the
// player, as when no writer could start.
std::atomic<bool> timer_plays{false};
// One message: the 4-byte length, then the block, sent in one write.
alignas(4) uint8_t message[4 + kSoundBlockBytes];
// The writer's own copy; after the fork only the writer touches it.
uint8_t writer_block[kSoundBlockBytes];

void alarm_handler(int) {
  int saved = errno;
  if (output.callback) output.callback();
  errno = saved;
}

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
    output.requests->made.fetch_add(1);
    kill(parent, SIGCHLD);
    int32_t length;
    if (!sound_read_all(pipe_read, reinterpret_cast<uint8_t*>(&length), 4)) writer_leave(device, kWriterOrphaned);
    if (length == kEndOfStream) writer_leave(device, kWriterEnded);
    if (length < 0 || length > kSoundBlockBytes) writer_leave(device, kWriterBadMessage);
    if (!sound_read_all(pipe_read, writer_block, size_t(length))) writer_leave(device, kWriterOrphaned);
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
  if (output.writer < 0) return;  // already reaped when it went away
  for (int waited = 0; waited < kReapMilliseconds; waited += 5) {
    pid_t r = waitpid(output.writer, nullptr, WNOHANG);
    if (r == output.writer || (r < 0 && errno != EINTR)) {
      output.writer = -1;
      return;
    }
    sleep_milliseconds(5);
  }
  kill(output.writer, SIGKILL);
  while (waitpid(output.writer, nullptr, 0) < 0 && errno == EINTR) {
  }
  output.writer = -1;
}

void restore_handlers() {
  sigaction(SIGCHLD, &output.old_chld, nullptr);
  sigaction(SIGPIPE, &output.old_pipe, nullptr);
}

void release_requests() {
  if (output.requests) munmap(output.requests, sizeof(Requests));
  output.requests = nullptr;
}

// Waits for the writer's report on its device. A writer that could not open
// it has left already (or leaves now) and is reaped here.
bool writer_reports_open(int report, pid_t pid) {
  uint8_t opened = 0;
  const bool read_ok = sound_read_all(report, &opened, 1);
  close(report);
  if (read_ok && opened) return true;
  output.writer = pid;
  reap_writer();
  return false;
}

// Installs the SIGCHLD handler, the pipe and the writer, and waits until the
// writer's device plays. False (with everything undone) when no writer could
// be started or its device did not open.
bool start_writer() {
  const WriterDevice* device = sd_writer_device();
  if (!device) return false;
  void* shared = mmap(nullptr, sizeof(Requests), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return false;
  output.requests = new (shared) Requests{};
  output.answered = 0;
  struct sigaction chld = {};
  chld.sa_sigaction = sound_tick;
  // Stop and continue notices would only add signals to look at: a terminal's
  // Ctrl-Z and fg stop and continue the writer too.
  chld.sa_flags = SA_SIGINFO | SA_NOCLDSTOP;
  sigemptyset(&chld.sa_mask);
  sigaction(SIGCHLD, &chld, &output.old_chld);
  // A request answered after the writer left must not kill the show.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &output.old_pipe);

  int fds[2], report[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    restore_handlers();
    release_requests();
    return false;
  }
  if (pipe2(report, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    restore_handlers();
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
    restore_handlers();
    release_requests();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  output.pipe_write = fds[1];
  output.writer = pid;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return true;
}

void stop_writer() {
  sigset_t previous;
  block_sigchld(&previous);
  if (output.writer >= 0) {
    const int32_t end = kEndOfStream;
    sound_write_all(output.pipe_write, reinterpret_cast<const uint8_t*>(&end), 4);
  }
  sigaction(SIGCHLD, &output.old_chld, nullptr);
  tick_timer_stop();
  sd_device.stop();
  sd_device.close();
  close(output.pipe_write);
  output.pipe_write = -1;
  reap_writer();
  sigaction(SIGPIPE, &output.old_pipe, nullptr);
  release_requests();
  timer_plays = false;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}

// The writer leaves by itself only when its device is gone for good (or it
// was killed): the music goes on, silently, from the timer.
void notice_writer_gone() {
  if (output.writer < 0) return;
  int status;
  if (waitpid(output.writer, &status, WNOHANG) != output.writer) return;
  output.writer = -1;
  timer_plays = true;
}

}  // namespace

void tick_timer_start(int rate, void (*callback)()) {
  if (rate <= 0) rate = 70;
  output.callback = callback;
  // The handler goes in before the timer: an alarm without one would end
  // the process.
  struct sigaction alrm = {};
  alrm.sa_handler = alarm_handler;
  alrm.sa_flags = SA_RESTART;
  sigemptyset(&alrm.sa_mask);
  sigaction(SIGALRM, &alrm, &output.old_alrm);
  itimerval timer = {{0, 1000000 / rate}, {0, 1000000 / rate}};
  setitimer(ITIMER_REAL, &timer, &output.old_timer);
  output.timer_running = true;
}

void tick_timer_stop() {
  if (!output.timer_running) return;
  setitimer(ITIMER_REAL, &output.old_timer, nullptr);
  sigaction(SIGALRM, &output.old_alrm, nullptr);
  output.timer_running = false;
}

void timer_tick() {
  ticks.fetch_add(1, std::memory_order_relaxed);
  if (output.kind == kSoundNone || timer_plays) output.music_tick();
}

void sound_tick(int, siginfo_t*, void*) {
  // Whatever this signal says, at most one request is outstanding, and the
  // shared count tells whether it is. Another child's news, or a signal
  // from elsewhere, answers nothing.
  int saved = errno;
  if (output.requests && output.requests->made.load() != output.answered) {
    output.answered = output.requests->made.load();
    int32_t length = sound_render_tick(output.kind, output.music_tick, message + 4);
    std::memcpy(message, &length, 4);
    sound_write_all(output.pipe_write, message, 4 + size_t(length));
  }
  notice_writer_gone();
  errno = saved;
}

void sound_start(int rate, MusicTick music_tick) {
  if (output.started) return;
  ticks.store(0, std::memory_order_relaxed);
  output.music_tick = music_tick;
  output.kind = sd_kind();
  if (output.kind != kSoundNone && !start_writer()) output.kind = kSoundNone;
  tick_timer_start(rate, timer_tick);
  output.started = true;
}

void sound_stop() {
  if (!output.started) return;
  output.started = false;
  if (output.kind == kSoundNone) {
    tick_timer_stop();
    // A device whose writer could not start still has its descriptor.
    if (sd_kind() != kSoundNone) {
      sd_device.stop();
      sd_device.close();
    }
    return;
  }
  stop_writer();
}

uint32_t sound_ticks() { return ticks.load(std::memory_order_relaxed); }

int sound_writer_pid() { return output.writer; }
