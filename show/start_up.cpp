#include "show/start_up.h"

#include <cstdio>
#include <cstdlib>

#include "data/content.h"
#include "display/display.h"
#include "player/loader.h"
#include "player/playback.h"
#include "player/sync.h"
#include "show/clock.h"
#include "show/tables.h"
#include "sound/devices.h"
#include "sound/output.h"

namespace {

// Start-up failures are printed with their letters running backwards.
[[noreturn]] void start_up_failed(const char* reversed_text) {
  std::fputs(reversed_text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::exit(1);
}

}  // namespace

uint32_t show_music_tick() {
  pt_tick();
  sync_check();
  return pt_tempo();
}

ShowPrepared show_prepare(int (*choose_sound)()) {
  if (!build_sine_table()) return kShowNoMemory;
  build_mul_table();
  if (choose_sound() != kSdReady) return kShowNoSound;
  sync_clear();
  pt_load(module_bytes(), module_size());
  return kShowPrepared;
}

void show_start_up() {
  switch (show_prepare(sd_menu)) {
    case kShowPrepared: break;
    case kShowNoMemory: start_up_failed("...yromem fo tuO");
    case kShowNoSound: start_up_failed("...dnuof ton ecived dnuoS");
  }
  if (display_open(kDisplaySizeShow, 0) != kDisplayOpened) start_up_failed("...dnuof ton edoM");
  sound_start(kShowTicksPerSecond, show_music_tick);
  show_ticks();
}
