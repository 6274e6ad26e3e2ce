#include "show/start_up.h"

#include <cstdio>
#include <cstdlib>

#include "base/clock.h"
#include "display/display.h"
#include "show/command_line.h"
#include "show/go_to.h"
#include "show/music_tick.h"
#include "sound/devices.h"
#include "sound/output.h"

namespace {

// Start-up failures are printed with their letters running backwards, and
// then the reason on standard error, the right way round.
[[noreturn]] void start_up_failed(const char* reversed_text, const char* reason) {
  std::fputs(reversed_text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::fprintf(stderr, "tundrix: %s\n", reason);
  std::exit(1);
}

// The sound device named on the command line, for show_prepare.
int given_sound = kSoundNone;
int choose_given_sound() { return sd_choose(given_sound); }

}  // namespace

void show_start_up(const StartOptions& options) {
  given_sound = options.sound;
  switch (show_prepare(options.sound < 0 ? sd_menu : choose_given_sound)) {
    case kShowPrepared: break;
    case kShowNoMemory: start_up_failed("...yromem fo tuO", "out of memory");
    case kShowNoSound: start_up_failed("...dnuof ton ecived dnuoS", sd_failure());
  }
  const int display = options.mode == 0 ? display_open(kDisplaySizeShow, 0)
                                        : display_open_mode(kFrameWidth, kFrameHeight, options.mode);
  if (display != kDisplayOpened) start_up_failed("...dnuof ton edoM", display_failure());
  display_set_lost_hook(sound_stop);
  display_set_flat_out(options.flat_out);
  // A later start finds the music where it would be at that tick, and the
  // scene of that tick is the first one shown.
  if (options.from > 0) show_go_to(options.from);
  sound_start(kShowTicksPerSecond, show_music_tick);
  show_ticks();
}
