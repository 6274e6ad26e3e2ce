#include "sound/stream.h"

#include "player/playback.h"
#include "player/sync.h"
#include "sound/devices.h"
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

int sound_render_tick(int kind, uint8_t* out) {
  pt_tick();
  sync_check();
  // The tempo is read after the tick: a tempo change sets this tick's length.
  const int frames = sound_block_frames(kind, pt_tempo());
  if (kind == kSound8Bit) return mix_mono(out, frames, false);
  if (kind == kSound16Bit) return 4 * mix_stereo(out, frames, true);
  return 0;
}

void sound_skip_music(int kind, uint32_t show_ticks) {
  constexpr uint64_t kShowTickMicros = 14286, kTimerMicros = 1000000 / 70;
  const uint64_t micros = uint64_t(show_ticks) * kShowTickMicros;
  static uint8_t dropped[kSoundBlockBytes];
  if (kind != kSound8Bit && kind != kSound16Bit) {
    for (uint64_t t = 0; t < micros / kTimerMicros; ++t) sound_render_tick(kSoundNone, dropped);
    return;
  }
  const uint64_t frames = micros * uint64_t(sound_rate(kind)) / 1000000;
  for (uint64_t done = 0; done < frames;) done += uint64_t(sound_render_tick(kind, dropped) / sound_frame_bytes(kind));
}
