// The check run's front end where it has no display and no sound device (on
// another CPU, under an emulator). The virtual machine takes the clock and the
// frames before the first scene, so a frame that reaches the home sink is a
// fault; no sound output ever starts, so the show's end has none to stop and
// a later start or a scene change none to hold or move.
#include <cstdio>
#include <cstdlib>

#include "display/display.h"
#include "sound/output.h"

namespace {

void refuse_frame(const uint32_t*) {
  std::fprintf(stderr, "show_check: a frame went past the virtual machine\n");
  std::exit(1);
}
int no_escape() { return 0; }
void nothing_to_close() {}

const FrameSink kHeadless = {refuse_frame, no_escape, nothing_to_close};

}  // namespace

const FrameSink* display_home_sink() { return &kHeadless; }

void sound_stop() {}
void sound_hold(bool) {}
double sound_queued_micros() { return 0.0; }
void sound_moved(double) {}
