// The start-up steps every home of the show shares (the terminal show, the
// capture, the browser), apart from the steps that need a terminal or a
// display.
#include "base/tables.h"
#include "data/content.h"
#include "player/loader.h"
#include "player/sync.h"
#include "show/start_up.h"
#include "sound/devices.h"

ShowPrepared show_prepare(int (*choose_sound)()) {
  if (!build_sine_table()) return kShowNoMemory;
  build_mul_table();
  if (choose_sound() != kSdReady) return kShowNoSound;
  sync_clear();
  pt_load(module_bytes(), module_size());
  return kShowPrepared;
}
