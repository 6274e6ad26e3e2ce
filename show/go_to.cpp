#include "show/go_to.h"

#include "base/clock.h"
#include "base/random.h"
#include "player/playback.h"
#include "show/music_tick.h"
#include "sound/devices.h"
#include "sound/mixer.h"
#include "sound/output.h"
#include "sound/stream.h"

ShowScene show_scene_at(uint32_t tick) {
  int s = kSceneTunnel;
  while (s > 0 && tick < kSceneStartTick[s]) s--;
  return static_cast<ShowScene>(s);
}

void show_go_to(uint32_t tick) {
  sound_hold(true);
  // The silhouette's sinking pixels draw from the sequence after the
  // player's waveform, as in a show played from its start.
  show_random_restart();
  pt_restart();
  mix_reset_channels();
  const double music = uint64_t(tick) * kTickMicros + sound_queued_micros();
  sound_moved(sound_skip_music(sd_kind(), kShowTicksPerSecond, show_music_tick, uint64_t(music)));
  show_clock_move_to(tick);
  sound_hold(false);
}
