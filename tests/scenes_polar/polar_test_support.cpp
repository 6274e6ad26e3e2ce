#include "tests/scenes_polar/polar_test_support.h"

#include <cstdio>

#include "display/display.h"
#include "show/clock.h"

uint32_t test_colour(uint32_t i) {
  uint32_t h = (i + 1) * 2654435761u;
  h ^= h >> 15;
  return (h & 0xFFFFFF) | 0x010101;
}

int pixel_x(int m) { return m % kFrameWidth - kFrameWidth / 2; }
int pixel_y(int m) { return m / kFrameWidth - kFrameHeight / 2; }

int count_differences(const uint32_t* a, const uint32_t* b, int pixels, std::string* where) {
  int differ = 0;
  for (int m = 0; m < pixels; m++) {
    if (a[m] == b[m]) continue;
    if (differ++ < 5 && where) {
      char text[96];
      std::snprintf(text, sizeof text, " (%d,%d): %06X vs %06X", m % kFrameWidth, m / kFrameWidth, a[m], b[m]);
      *where += text;
    }
  }
  return differ;
}

uint64_t frame_hash(const uint32_t* frame) {
  uint64_t h = 1469598103934665603ull;
  for (int m = 0; m < kFramePixels; m++) {
    h ^= frame[m];
    h *= 1099511628211ull;
  }
  return h;
}

namespace {

constexpr double kEpoch = 5e6;
SceneRun* current;
double micros;  // fake time since the epoch

double fake_now() {
  current->events += 'T';
  current->readings.push_back(static_cast<uint32_t>(micros * (1.0 / kTickMicros)));
  double now = kEpoch + micros;
  micros += current->ticks_per_reading * kTickMicros;
  return now;
}

void record_present(const uint32_t* frame) {
  current->events += 'F';
  current->presents++;
  if (current->keep_frames) current->frame_hashes.push_back(frame_hash(frame));
}

int record_poll() {
  current->events += 'P';
  return current->escape_polls.count(current->polls++) ? 1 : 0;
}

void no_close() {}

const TimeSource kFakeClock = {fake_now};
const FrameSink kRecordingSink = {record_present, record_poll, no_close};

}  // namespace

int run_scene(int (*scene)(), SceneRun* run) {
  current = run;
  micros = 0;
  clock_set_source(&kFakeClock);
  clock_reset();
  show_ticks();
  run->events.clear();
  run->readings.clear();
  // Half a tick in, so readings never sit on a tick boundary.
  micros = (run->first_tick + 0.5) * kTickMicros;
  display_set_sink(&kRecordingSink);
  int result = scene();
  display_set_sink(nullptr);
  clock_set_source(nullptr);
  clock_reset();
  return result;
}
