// Presented frames per second of the twisting silhouette, the picture wipes
// and the tunnel on a live X display, phase by phase, in the window modes:
//   DISPLAY=:NN build/bench/scenes/scene_live_fps [seconds] [modes...]
// Defaults: 3 seconds per phase, modes 1 and 3. Each scene function runs as
// in the show, on the wall clock shifted so that it enters each measured
// stretch of its window in turn; presentation goes to the real X11 output.
#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/clock.h"
#include "base/tables.h"
#include "display/display.h"
#include "display/display_state.h"
#include "display/x11_output.h"
#include "scenes/scenes.h"

namespace {

struct Stretch {
  const char* name;
  uint32_t tick;    // show tick the stretch starts at (the tunnel: its own time)
  uint32_t length;  // ticks it lasts at most
};

struct SceneRun {
  const char* name;
  int (*run)();
  std::vector<Stretch> stretches;
  uint32_t after;  // a tick past the scene's end, to finish it
};

const SceneRun kRuns[] = {
    {"twisting silhouette",
     scene_twisting_silhouette,
     {{"title sinking", 2941, 598},
      {"turning", 3640, 400},
      {"morphing", 4340, 220},
      {"twisting", 5540, 800},
      {"vanishing", 6440, 100},
      {"dissolve", 6541, 254}},
     6796},
    {"picture wipes",
     scene_picture_wipes,
     {{"wipe", 7196, 300}, {"picture alone", 7500, 95}, {"dissolve", 9196, 255}},
     9452},
    {"tunnel", scene_tunnel, {{"tunnel", 0, 4199}}, 4200},
};

double wall_micros() {
  timeval tv;
  gettimeofday(&tv, nullptr);
  return 1e6 * tv.tv_sec + tv.tv_usec;
}

// The show clock runs on the wall clock plus shift; a jump moves the shift
// so that the clock reads the next stretch's tick.
double shift = 0.0;
double shifted_micros() { return wall_micros() + shift; }
const TimeSource kShiftedClock = {shifted_micros};

const SceneRun* current = nullptr;
size_t stretch = 0;
double measure_micros = 3e6;
double stretch_start = 0.0;
long frames = 0;
uint32_t tunnel_t0 = 0;

void jump_to(uint32_t tick) {
  uint32_t now = show_ticks();
  shift += (static_cast<double>(tick) - now) * kTickMicros;
}

void end_stretch() {
  double seconds = (wall_micros() - stretch_start) / 1e6;
  std::printf("  %-20s %5ld frames in %5.2f s: %7.1f frames/s\n", current->stretches[stretch].name, frames,
              seconds, frames / seconds);
  frames = 0;
  stretch_start = wall_micros();
  ++stretch;
  bool tunnel = current->run == scene_tunnel;
  uint32_t base = tunnel ? tunnel_t0 : 0;
  jump_to(base + (stretch < current->stretches.size() ? current->stretches[stretch].tick : current->after));
}

void counting_present(const uint32_t* frame) {
  kX11Sink.present(frame);
  if (stretch >= current->stretches.size()) return;
  ++frames;
  const Stretch& s = current->stretches[stretch];
  uint32_t base = current->run == scene_tunnel ? tunnel_t0 : 0;
  bool over = show_ticks() + 1 >= base + s.tick + s.length;
  if (over || wall_micros() - stretch_start >= measure_micros) end_stretch();
}

int passing_poll() { return kX11Sink.poll_escape(); }
void no_close() {}
const FrameSink kCountingSink = {counting_present, passing_poll, no_close};

void run_scene(const SceneRun& r) {
  current = &r;
  stretch = 0;
  frames = 0;
  clock_reset();
  shift = 0.0;
  show_ticks();
  jump_to(r.run == scene_tunnel ? 0 : r.stretches[0].tick);
  tunnel_t0 = show_ticks();
  stretch_start = wall_micros();
  std::printf(" %s\n", r.name);
  int result = r.run();
  if (result == 0) std::printf("  (ended by Escape)\n");
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  if (seconds > 0) measure_micros = seconds * 1e6;
  std::vector<int> modes;
  for (int i = 2; i < argc; ++i) modes.push_back(std::atoi(argv[i]));
  if (modes.empty()) modes = {1, 3};
  build_sine_table();
  build_mul_table();
  clock_set_source(&kShiftedClock);
  int failures = 0;
  for (int mode : modes) {
    if (int status = display_open_mode(320, 200, mode)) {
      std::printf("mode %d: cannot open on DISPLAY=%s (status %d)\n", mode, std::getenv("DISPLAY"), status);
      ++failures;
      continue;
    }
    std::printf("mode %d, depth %d\n", mode, display_state.depth);
    display_set_sink(&kCountingSink);
    for (const SceneRun& r : kRuns) run_scene(r);
    display_set_sink(nullptr);
    display_close();
  }
  return failures ? 1 : 0;
}
