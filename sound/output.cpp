// The tick driving of the player: the writer's requests (SIGCHLD) and the
// interval timer (SIGALRM) each run the music's tick; the writer's get a
// block mixed for it.
#include "sound/output.h"

#include <atomic>
#include <cerrno>

#include "sound/block_pipe.h"
#include "sound/devices.h"
#include "sound/stream.h"
#include "sound/tick_timer.h"
#include "sound/writer_process.h"

namespace {

struct Output {
  bool started;
  int kind;
  struct sigaction old_chld, old_pipe;
  MusicTick music_tick;
};

Output output = {false, kSoundNone, {}, {}, nullptr};
std::atomic<uint32_t> ticks{0};
// Set once the writer is gone for good: from then on the timer runs the
// player, as when no writer could start.
std::atomic<bool> timer_plays{false};
std::atomic<bool> held{false};
BlockMessage message;

void block_sigchld(sigset_t* previous) {
  sigset_t chld;
  sigemptyset(&chld);
  sigaddset(&chld, SIGCHLD);
  sigprocmask(SIG_BLOCK, &chld, previous);
}

void install_handlers() {
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
}

// The SIGCHLD handler and the writer, started together; false with both
// undone when the writer does not play.
bool start_writer() {
  install_handlers();
  if (writer_start(sd_writer_device())) return true;
  sigaction(SIGCHLD, &output.old_chld, nullptr);
  sigaction(SIGPIPE, &output.old_pipe, nullptr);
  return false;
}

void stop_writer() {
  sigset_t previous;
  block_sigchld(&previous);
  writer_send_end();
  sigaction(SIGCHLD, &output.old_chld, nullptr);
  tick_timer_stop();
  sd_device.stop();
  sd_device.close();
  writer_finish();
  sigaction(SIGPIPE, &output.old_pipe, nullptr);
  timer_plays = false;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

void timer_tick() {
  ticks.fetch_add(1, std::memory_order_relaxed);
  if ((output.kind == kSoundNone || timer_plays) && !held) output.music_tick();
}

void sound_tick(int, siginfo_t*, void*) {
  // Whatever this signal says, at most one request is outstanding, and the
  // writer's count tells whether it is. Another child's news, or a signal
  // from elsewhere, answers nothing.
  int saved = errno;
  if (writer_owes_block()) {
    int32_t length = held ? sound_render_silence(output.kind, message.samples())
                          : sound_render_tick(output.kind, output.music_tick, message.samples());
    block_pipe_send(writer_pipe(), &message, length);
  }
  // The writer leaves by itself only when its device is gone for good (or
  // it was killed): the music goes on, silently, from the timer.
  if (writer_left()) timer_plays = true;
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

void sound_hold(bool on) { held = on; }

double sound_queued_micros() {
  if (!output.started || output.kind == kSoundNone || timer_plays) return 0.0;
  const int frames = kSoundBufferFrames + sound_block_frames(output.kind, 125);
  return double(frames) * 1e6 / sound_rate(output.kind);
}

void sound_moved(double) {}
