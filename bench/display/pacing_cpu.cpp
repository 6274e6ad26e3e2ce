// CPU used by the show's process and by the X server while each 2D scene
// runs in mode 3, paced (the default) and flat out, and the share of show
// ticks that got a frame. Needs DISPLAY; run it through pacing_cpu.sh, which
// starts its own Xvfb at depth 24 and passes the server's pid.
//   pacing_cpu SECONDS XSERVER_PID
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "base/clock.h"
#include "base/tables.h"
#include "display/display.h"
#include "display/display_state.h"
#include "display/x11_output.h"
#include "scenes/scenes.h"

namespace {

struct SceneRun {
  const char* name;
  int (*run)();
  uint32_t start_tick;  // where the show clock is set when the scene starts
};

const SceneRun kScenes[] = {
    {"polar wipe", scene_polar_wipe, 0},
    {"twisting silhouette", scene_twisting_silhouette, 2940},
    {"picture wipes", scene_picture_wipes, 6795},
    {"hyperbolic whirl", scene_hyperbolic_whirl, 13121},
    {"tunnel", scene_tunnel, 16191},
};

// The wall clock moved on so that each scene starts at its own tick; it
// still runs in real time, so presenting is paced on it.
double shift = 0.0;
double shifted_micros() { return kWallClock.now_micros() + shift; }
const TimeSource kShiftedClock = {shifted_micros, true};

double own_cpu_seconds() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int server_pid = 0;
double server_cpu_seconds() {
  std::ifstream in("/proc/" + std::to_string(server_pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  if (close == std::string::npos) return 0.0;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  unsigned long long utime = 0, stime = 0;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stoull(f);
    if (i == 15) stime = std::stoull(f);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// One measured run: from the first present to `seconds` later, or to the
// scene's end when that comes first.
struct Measure {
  double seconds_wanted = 20.0;
  long presents = 0;
  uint32_t first_tick = 0, last_tick = 0;
  long ticks_with_frame = 0;
  double start_wall = 0, start_own = 0, start_server = 0;
  double wall = 0, own = 0, server = 0;
  bool done = false;
} m;

void finish() {
  if (m.done || m.presents == 0) return;
  m.done = true;
  m.wall = (kWallClock.now_micros() - m.start_wall) / 1e6;
  m.own = own_cpu_seconds() - m.start_own;
  m.server = server_cpu_seconds() - m.start_server;
}

// The tick is read before the frame goes out, as the pacing read it.
void measuring_present(const uint32_t* frame) {
  uint32_t tick = show_ticks();
  kX11Sink.present(frame);
  if (m.done) return;
  if (m.presents++ == 0) {
    m.first_tick = tick;
    m.start_wall = kWallClock.now_micros();
    m.start_own = own_cpu_seconds();
    m.start_server = server_cpu_seconds();
    m.ticks_with_frame = 1;
  } else if (tick != m.last_tick) {
    ++m.ticks_with_frame;
  }
  m.last_tick = tick;
  if (kWallClock.now_micros() - m.start_wall >= m.seconds_wanted * 1e6) finish();
}

// Once measured, the scene is ended by Escape at its next polls.
int measuring_poll() { return m.done ? 1 : kX11Sink.poll_escape(); }
void no_close() {}
const FrameSink kMeasuringSink = {measuring_present, measuring_poll, no_close};

void run(const SceneRun& scene, bool flat_out, double seconds) {
  m = Measure{};
  m.seconds_wanted = seconds;
  display_set_flat_out(flat_out);
  clock_reset();
  shift = 0.0;
  show_ticks();
  shift = static_cast<double>(scene.start_tick) * kTickMicros;
  scene.run();
  finish();
  long ticks = static_cast<long>(m.last_tick - m.first_tick) + 1;
  std::printf("%-20s %-8s %5.1f s %7ld frames %5ld ticks  %6.1f%% ticks with a frame  show %5.1f%%  X %5.1f%%\n",
              scene.name, flat_out ? "flat out" : "paced", m.wall, m.presents, ticks,
              100.0 * static_cast<double>(m.ticks_with_frame) / static_cast<double>(ticks), 100.0 * m.own / m.wall,
              100.0 * m.server / m.wall);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  server_pid = argc > 2 ? std::atoi(argv[2]) : 0;
  build_sine_table();
  build_mul_table();
  clock_set_source(&kShiftedClock);
  if (int status = display_open_mode(320, 200, 3)) {
    std::printf("mode 3: cannot open on DISPLAY=%s (status %d)\n", std::getenv("DISPLAY"), status);
    return 1;
  }
  std::printf("mode 3, depth %d, %.0f s per run; CPU as a share of one core\n", display_state.depth, seconds);
  display_set_sink(&kMeasuringSink);
  for (const SceneRun& scene : kScenes) {
    run(scene, false, seconds);
    run(scene, true, seconds);
  }
  display_set_sink(nullptr);
  display_close();
  return 0;
}
