#include "sound/stream.h"

#include <cstring>

#include "sound/mixer.h"

int sound_rate(int kind) {
  return kind == kSound8Bit ? kSoundRate8Bit : kind == kSound16Bit ? kSoundRate16Bit : 0;
}

int sound_frame_bytes(int kind) { return kind == kSound8Bit ? 1 : kind == kSound16Bit ? 4 : 0; }

int sound_block_frames(int kind, uint32_t tempo) {
  uint32_t ticks_per_second = tempo * 2 / 5;
  if (ticks_per_second == 0) ticks_per_second = 125 * 2 / 5;
  return int(uint32_t(sound_rate(kind)) / ticks_per_second);
}

namespace {

// The tempo the last music tick left: the length of a held music's silence.
uint32_t last_tempo = 125;

}  // namespace

int sound_render_tick(int kind, MusicTick music_tick, uint8_t* out) {
  // The tempo is the one after the tick: a tempo change sets this tick's length.
  last_tempo = music_tick();
  const int frames = sound_block_frames(kind, last_tempo);
  if (kind == kSound8Bit) return mix_mono(out, frames, false);
  if (kind == kSound16Bit) return 4 * mix_stereo(out, frames, true);
  return 0;
}

int sound_render_silence(int kind, uint8_t* out) {
  const int bytes = sound_block_frames(kind, last_tempo) * sound_frame_bytes(kind);
  // 8-bit samples are unsigned: silence is their middle.
  std::memset(out, kind == kSound8Bit ? 0x80 : 0, size_t(bytes));
  return bytes;
}

double sound_skip_music(int kind, int timer_rate, MusicTick music_tick, uint64_t micros) {
  static uint8_t dropped[kSoundBlockBytes];
  if (kind != kSound8Bit && kind != kSound16Bit) {
    // The timer's period is a whole number of microseconds, as set up.
    const uint64_t period = uint64_t(1000000 / (timer_rate > 0 ? timer_rate : 70));
    for (uint64_t t = 0; t < micros / period; ++t) sound_render_tick(kSoundNone, music_tick, dropped);
    return double(micros / period * period);
  }
  const uint64_t frames = micros * uint64_t(sound_rate(kind)) / 1000000;
  const int frame_bytes = sound_frame_bytes(kind);
  uint64_t done = 0;
  while (done < frames) done += uint64_t(sound_render_tick(kind, music_tick, dropped) / frame_bytes);
  return double(done) * 1e6 / sound_rate(kind);
}
