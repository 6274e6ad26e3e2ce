// The writer process, the pipe messages that feed it, and the signals that
// drive the player. The sound card's demand paces the music: the writer asks
// (SIGCHLD), the handler answers with one tick's block, the writer plays it
// and asks again.
#include "sound/output.h"

#include <fcntl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "sound/devices.h"
#include "sound/stream.h"

namespace {

constexpr int32_t kEndOfStream = 65535;
constexpr int kReapMilliseconds = 3000;

struct Output {
  bool started;
  bool timer_running;
  int kind;
  int pipe_write;
  pid_t writer;
  struct sigaction old_chld, old_alrm, old_pipe;
  itimerval old_timer;
  void (*callback)();
  MusicTick music_tick;
};

Output output = {false, false, kSoundNone, -1, -1, {}, {}, {}, {}, nullptr, nullptr};
std::atomic<uint32_t> ticks{0};
// One message: the 4-byte length, then the block, sent in one write.
alignas(4) uint8_t message[4 + kSoundBlockBytes];
// The writer's own copy; after the fork only the writer touches it.
uint8_t writer_block[kSoundBlockBytes];

// Moves length bytes in as many steps as it takes; step(done) reads or
// writes from offset done on. A signal that interrupts a step is not a
// failure. False on end of file or an error.
template <typename Step>
bool transfer_all(size_t length, Step step) {
  size_t done = 0;
  while (done < length) {
    ssize_t n = step(done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

bool write_all(int fd, const uint8_t* data, size_t length) {
  return transfer_all(length, [&](size_t done) { return write(fd, data + done, length - done); });
}

bool read_all(int fd, uint8_t* data, size_t length) {
  return transfer_all(length, [&](size_t done) { return read(fd, data + done, length - done); });
}

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

// The writer: asks for a block, plays it, asks again. It leaves with _exit
// (no stdio flushing, no atexit work of the show) on the end message, and
// also when the show's process is gone: then the pipe reads end of file.
[[noreturn]] void writer_main(int pipe_read, int device, pid_t parent) {
  reset_inherited_signals();
  for (;;) {
    if (getppid() != parent) _exit(0);
    kill(parent, SIGCHLD);
    int32_t length;
    if (!read_all(pipe_read, reinterpret_cast<uint8_t*>(&length), 4)) _exit(0);
    if (length == kEndOfStream) _exit(1);
    if (length < 0 || length > kSoundBlockBytes) _exit(2);
    if (!read_all(pipe_read, writer_block, size_t(length))) _exit(0);
    if (!write_all(device, writer_block, size_t(length))) _exit(3);
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

// Installs the SIGCHLD handler, the pipe and the writer. False (with
// everything undone) when no writer could be started.
bool start_writer() {
  struct sigaction chld = {};
  chld.sa_sigaction = sound_tick;
  chld.sa_flags = SA_SIGINFO;
  sigemptyset(&chld.sa_mask);
  sigaction(SIGCHLD, &chld, &output.old_chld);
  // A request answered after the writer left must not kill the show.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &output.old_pipe);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    sigaction(SIGCHLD, &output.old_chld, nullptr);
    sigaction(SIGPIPE, &output.old_pipe, nullptr);
    return false;
  }
  // The first request may arrive before fork returns here; it waits until
  // the writer's id is known, so the handler can tell it from other SIGCHLDs.
  sigset_t previous;
  block_sigchld(&previous);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[1]);
    writer_main(fds[0], sd_fd(), parent);
  }
  close(fds[0]);
  if (pid < 0) {
    close(fds[1]);
    sigaction(SIGCHLD, &output.old_chld, nullptr);
    sigaction(SIGPIPE, &output.old_pipe, nullptr);
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
  const int32_t end = kEndOfStream;
  write_all(output.pipe_write, reinterpret_cast<const uint8_t*>(&end), 4);
  sigaction(SIGCHLD, &output.old_chld, nullptr);
  tick_timer_stop();
  sd_device.stop();
  sd_device.close();
  close(output.pipe_write);
  output.pipe_write = -1;
  reap_writer();
  sigaction(SIGPIPE, &output.old_pipe, nullptr);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
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
  if (output.kind == kSoundNone) output.music_tick();
}

void sound_tick(int, siginfo_t* info, void*) {
  // Only the writer's requests are answered; a child's exit or stop also
  // raises SIGCHLD and must not queue a block nobody asked for.
  if (info == nullptr || info->si_code != SI_USER || info->si_pid != output.writer) return;
  int saved = errno;
  int32_t length = sound_render_tick(output.kind, output.music_tick, message + 4);
  std::memcpy(message, &length, 4);
  write_all(output.pipe_write, message, 4 + size_t(length));
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
