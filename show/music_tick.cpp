#include "show/music_tick.h"

#include "player/playback.h"
#include "player/sync.h"

uint32_t show_music_tick() {
  pt_tick();
  sync_check();
  return pt_tempo();
}
