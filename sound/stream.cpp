#include "sound/stream.h"

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

int sound_render_tick(int kind, MusicTick music_tick, uint8_t* out) {
  // The tempo is the one after the tick: a tempo change sets this tick's length.
  const int frames = sound_block_frames(kind, music_tick());
  if (kind == kSound8Bit) return mix_mono(out, frames, false);
  if (kind == kSound16Bit) return 4 * mix_stereo(out, frames, true);
  return 0;
}
