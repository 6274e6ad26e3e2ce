#include <emscripten.h>

#include "web/page.h"

namespace {

bool slept = false;

// The page's show time in milliseconds (the page's script keeps it still
// while the tab is hidden), moved on by a second so that it never reads 0.
double page_micros() { return EM_ASM_DOUBLE({ return Module.showMillis(); }) * 1000.0 + 1e6; }

void page_sleep(double micros) {
  slept = true;
  page_sound_feed();
  emscripten_sleep(static_cast<unsigned>(micros / 1000.0));
}

}  // namespace

const TimeSource kPageClock = {page_micros, true, page_sleep};

void page_breathe() {
  if (!slept) emscripten_sleep(0);
  slept = false;
}
