// Frames per second of the whole presentation (conversion, image transfer,
// Escape poll) in the window modes, on the X display named by DISPLAY:
//   DISPLAY=:NN build/bench/display/present_fps [frames] [modes...]
// Defaults: 500 frames, modes 1 and 3.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "display/display.h"
#include "display/display_state.h"

namespace {

double seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// A moving colour pattern, so every frame differs as in the show.
void render(std::vector<uint32_t>& frame, int t) {
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x)
      frame[y * 320 + x] = uint32_t((x + t) & 255) << 16 | uint32_t((y * 2 + t) & 255) << 8 | uint32_t((x ^ y) & 255);
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 500;
  std::vector<int> modes;
  for (int i = 2; i < argc; ++i) modes.push_back(std::atoi(argv[i]));
  if (modes.empty()) modes = {1, 3};
  if (frames <= 0) frames = 500;
  std::vector<uint32_t> frame(320 * 200);
  int failures = 0;
  for (int mode : modes) {
    if (int status = display_open_mode(320, 200, mode)) {
      std::printf("mode %d: cannot open on DISPLAY=%s (status %d)\n", mode, std::getenv("DISPLAY"), status);
      ++failures;
      continue;
    }
    int depth = display_state.depth;
    render(frame, 0);
    display_present(frame.data());  // warm-up
    double render_time = 0, start = seconds();
    for (int t = 1; t <= frames; ++t) {
      double r0 = seconds();
      render(frame, t);
      render_time += seconds() - r0;
      display_poll_escape();
      display_present(frame.data());
    }
    display_poll_escape();  // the last frame reached the server
    double total = seconds() - start;
    double present_only = total - render_time;
    std::printf("mode %d, depth %d: %d frames in %.3f s: %.1f frames/s (%.3f ms per presentation)\n",
                mode, depth, frames, total, frames / total, 1000 * present_only / frames);
    display_close();
  }
  return failures ? 1 : 0;
}
