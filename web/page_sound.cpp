// The browser's sound output: in place of the writer process and the tick
// timer, the show's own thread renders the 16-bit device's stream ahead of
// the clock and posts it to the page's audio worklet, which plays it at
// 32,000 Hz. The music's ticks and sync triggers stay on the show's thread.
#include <emscripten.h>

#include "base/clock.h"
#include "sound/devices.h"
#include "sound/output.h"
#include "web/page.h"

namespace {

constexpr double kLeadSeconds = 0.5;

struct PageSound {
  MusicTick music_tick = nullptr;
  double start_micros = 0.0;  // the page clock when the stream started
  uint64_t frames = 0;        // stream frames rendered so far
} sound;

uint8_t block[kSoundBlockBytes];

EM_JS(void, worklet_post, (const uint8_t* bytes, int count), { Module.playBlock(HEAPU8.subarray(bytes, bytes + count)); });
EM_JS(void, worklet_stop, (), { Module.stopSound(); });

}  // namespace

void sound_start(int, MusicTick music_tick) {
  sound.music_tick = music_tick;
  sound.start_micros = kPageClock.now_micros();
  sound.frames = 0;
  page_sound_feed();
}

void sound_stop() {
  if (!sound.music_tick) return;
  sound.music_tick = nullptr;
  worklet_stop();
}

void page_sound_feed() {
  if (!sound.music_tick) return;
  const double now = (kPageClock.now_micros() - sound.start_micros) / 1e6 * kSoundRate16Bit;
  while (double(sound.frames) < now + kLeadSeconds * kSoundRate16Bit) {
    const int bytes = sound_render_tick(kSound16Bit, sound.music_tick, block);
    if (bytes <= 0) return;
    sound.frames += uint64_t(bytes) / 4;
    // A scene's set-up that held the thread longer than the lead left the
    // worklet without sound: what should have played meanwhile is dropped,
    // so the music goes on in step with the picture.
    if (double(sound.frames) > now) worklet_post(block, bytes);
  }
}
