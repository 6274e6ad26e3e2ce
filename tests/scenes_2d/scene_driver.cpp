#include "tests/scenes_2d/scene_driver.h"

#include <algorithm>

#include "display/display.h"
#include "show/clock.h"

SceneDriver driver;

namespace {

constexpr double kEpoch = 1e9;
double within_tick = 0.0;  // 0 for the reading that starts the clock

double fake_micros() {
  driver.readings++;
  // Later readings sit half a tick in, never on a boundary.
  return kEpoch + (driver.tick + within_tick) * kTickMicros;
}
const TimeSource kFakeClock = {fake_micros};

void present(const uint32_t* frame) {
  ShownFrame shown{driver.tick, {}, 0};
  for (int i = 0; i < kFramePixels; i++) shown.sum = shown.sum * 1000003 + frame[i];
  for (uint32_t k : driver.keep) {
    bool first_since = driver.tick >= k && (driver.frames.empty() || driver.frames.back().tick < k);
    if (first_since) shown.pixels.assign(frame, frame + kFramePixels);
  }
  driver.frames.push_back(std::move(shown));
  driver.tick += driver.ticks_per_frame;
}

int poll_escape() {
  driver.polls++;
  auto due = std::find_if(driver.escapes_at.begin(), driver.escapes_at.end(),
                          [](uint32_t t) { return driver.tick >= t; });
  if (due == driver.escapes_at.end()) return 0;
  driver.escapes_at.erase(due);
  return 1;
}

void close_sink() {}
const FrameSink kRecordingSink = {present, poll_escape, close_sink};

}  // namespace

void SceneDriver::start(uint32_t start_tick, uint32_t step) {
  frames.clear();
  polls = readings = 0;
  ticks_per_frame = step;
  tick = 0;
  within_tick = 0.0;
  clock_set_source(&kFakeClock);
  clock_reset();
  show_ticks();
  within_tick = 0.5;
  tick = start_tick;
  readings = 0;
  display_set_sink(&kRecordingSink);
}

void SceneDriver::stop() {
  clock_set_source(nullptr);
  clock_reset();
  display_set_sink(nullptr);
}

const ShownFrame* SceneDriver::kept_at(uint32_t t) const {
  for (const ShownFrame& f : frames)
    if (f.tick >= t && !f.pixels.empty()) return &f;
  return nullptr;
}
