// The show capture's sound: the 16-bit device's stream, one block per player
// tick, advanced on the main flow by virtual time.
#include "tools/capture/capture_sound.h"

#include "show/music_tick.h"
#include "sound/stream.h"

namespace {

uint64_t frames_rendered = 0;
uint8_t block[kSoundBlockBytes];

}  // namespace

int capture_sound_init() {
  frames_rendered = 0;
  return sd_offline_init(kSound16Bit);
}

void capture_sound_render_to(double seconds, std::vector<int16_t>* out) {
  const double target_frames = seconds * kCaptureSoundRate;
  while (double(frames_rendered) < target_frames) {
    const int bytes = sound_render_tick(kSound16Bit, show_music_tick, block);
    if (bytes <= 0) return;
    for (int i = 0; i + 1 < bytes; i += 2) out->push_back(int16_t(block[i] | block[i + 1] << 8));
    frames_rendered += uint64_t(bytes) / 4;
  }
}
