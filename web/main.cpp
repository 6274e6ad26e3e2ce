// The show in a browser page. The page's script calls main once the viewer
// has chosen on the start screen (a click, which lets the page play sound;
// whether it plays the stream is the page's business):
//   --from TICK   start at a tick of the show clock, with the music there
//   --check [--to TICK]   render on the virtual clock and report every
//                 frame's hash and the sound (the page's check run)
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "base/clock.h"
#include "base/timeline.h"
#include "show/go_to.h"
#include "show/music_tick.h"
#include "show/sequence.h"
#include "show/start_up.h"
#include "sound/devices.h"
#include "sound/output.h"
#include "web/check_run.h"
#include "web/page.h"

namespace {

struct PageOptions {
  bool check = false;
  long long from = 0, to = -1;
};

// The page builds the arguments itself: a value that does not parse counts
// as 0, and ticks past the show's end as its last tick.
PageOptions parse(int argc, char** argv) {
  PageOptions o;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--check")) o.check = true;
    else if (!std::strcmp(argv[i], "--from") && i + 1 < argc) o.from = std::atoll(argv[++i]);
    else if (!std::strcmp(argv[i], "--to") && i + 1 < argc) o.to = std::atoll(argv[++i]);
  }
  if (o.from < 0 || o.from > kShowLastTick) o.from = o.from < 0 ? 0 : kShowLastTick;
  return o;
}

EM_JS(void, report_check, (const uint64_t* hashes, int frames, int first_slot, const int16_t* sound, int samples),
      { Module.checkDone(HEAPU8.subarray(hashes, hashes + 8 * frames), first_slot, HEAPU8.subarray(sound, sound + 2 * samples)); });

void report(const CheckResult& r) {
  report_check(r.frame_hashes, int(r.frames), int(r.first_slot), r.sound, int(r.sound_samples));
}

void breathe() { emscripten_sleep(0); }

int sound_init() { return sd_offline_init(kSound16Bit); }

// The live show: the terminal show's start-up with the page in place of the
// menus, the display, the sound card and the wall clock. The page plays the
// 16-bit stream, or drops it: either way the music keeps the same time.
[[noreturn]] void run_live(const PageOptions& o) {
  show_prepare(sound_init);
  clock_set_source(&kPageClock);
  if (o.from > 0) show_go_to(uint32_t(o.from));
  sound_start(kShowTicksPerSecond, show_music_tick);
  show_ticks();
  show_run_scenes();
}

}  // namespace

int main(int argc, char** argv) {
  const PageOptions o = parse(argc, argv);
  if (o.check) {
    CheckPlan plan;
    plan.from = o.from;
    plan.to = o.to;
    check_run(plan, {report, canvas_draw, breathe});
  }
  run_live(o);
}
