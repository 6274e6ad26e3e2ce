// ALSA's `default` device as the writer's output, for systems without
// /dev/dsp (PipeWire and PulseAudio desktops play it through their ALSA
// plugins). Same formats and bytes as the OSS devices.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sound/devices.h"
#include "sound/stream.h"
#include "sound/writer_device.h"

namespace {

snd_pcm_t* pcm = nullptr;
int frame_bytes = 1;

// ALSA reports configuration trouble on standard error; the show's terminal
// only carries its menus and messages, and a missing device is an answer.
void quiet(const char*, int, const char*, int, const char*, ...) {}

// 1 when the PCM is open; 0 with ALSA's error code in *error otherwise.
int open_pcm(int kind, int* error) {
  snd_lib_error_set_handler(quiet);
  *error = -EINVAL;
  if (kind != kSound8Bit && kind != kSound16Bit) return 0;
  if ((*error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0)) < 0) {
    pcm = nullptr;
    return 0;
  }
  const bool mono8 = kind == kSound8Bit;
  const unsigned rate = unsigned(sound_rate(kind));
  // As much sound as the OSS devices buffer.
  const unsigned latency_us = unsigned(uint64_t(kSoundBufferFrames) * 1000000 / rate);
  frame_bytes = sound_frame_bytes(kind);
  if ((*error = snd_pcm_set_params(pcm, mono8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                                   SND_PCM_ACCESS_RW_INTERLEAVED, mono8 ? 1 : 2, rate, 1, latency_us)) < 0) {
    snd_pcm_close(pcm);
    pcm = nullptr;
    return 0;
  }
  return 1;
}

int alsa_open() {
  int error;
  return open_pcm(sd_kind(), &error);
}

int alsa_play(const uint8_t* data, size_t bytes) {
  snd_pcm_uframes_t frames = bytes / size_t(frame_bytes);
  while (frames > 0) {
    snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, frames);
    if (n == -EAGAIN || n == 0) {
      snd_pcm_wait(pcm, 100);
      continue;
    }
    // An underrun, a suspend or a signal is recovered; anything else (the
    // device unplugged, the server gone) is final.
    if (n < 0 && snd_pcm_recover(pcm, int(n), 1) < 0) return 0;
    if (n < 0) continue;
    data += n * frame_bytes;
    frames -= snd_pcm_uframes_t(n);
  }
  return 1;
}

void alsa_close() {
  if (!pcm) return;
  snd_pcm_drop(pcm);
  snd_pcm_close(pcm);
  pcm = nullptr;
}

}  // namespace

const WriterDevice kAlsaWriter = {alsa_open, alsa_play, alsa_close};

int alsa_probe(int kind, char* why, size_t why_size) {
  int said[2];
  pid_t child = -1;
  if (pipe2(said, O_CLOEXEC) == 0 && (child = fork()) < 0) {
    close(said[0]);
    close(said[1]);
  }
  if (child < 0) {
    std::snprintf(why, why_size, "cannot try it: %s", std::strerror(errno));
    return 0;
  }
  if (child == 0) {
    int error = 0;
    const int ok = open_pcm(kind, &error);
    if (ok) snd_pcm_close(pcm);
    else
      (void)!write(said[1], snd_strerror(error), std::strlen(snd_strerror(error)));
    _exit(ok ? 0 : 1);
  }
  close(said[1]);
  ssize_t n;
  while ((n = read(said[0], why, why_size - 1)) < 0 && errno == EINTR) {
  }
  why[n > 0 ? n : 0] = '\0';
  close(said[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 0;
  }
  const bool opened = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!opened && n <= 0) std::snprintf(why, why_size, "the probe ended without an answer");
  return opened;
}
