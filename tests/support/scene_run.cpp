#include "tests/support/scene_run.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>

#include "base/clock.h"
#include "display/display.h"
#include "scenes/scene_kit.h"

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

std::vector<uint32_t> embedded_picture(PictureRole role, int pixels) {
  std::vector<uint8_t> indices(pixels);
  uint8_t palette[768] = {};
  load_picture(role, indices.data(), indices.size(), palette);
  std::vector<uint32_t> out(pixels);
  indexed_to_rgb32(out.data(), indices.data(), palette, pixels);
  return out;
}

std::string test_temp_dir() {
  static std::string dir = [] {
    char name[] = "/tmp/tundrix-test-XXXXXX";
    return std::string(mkdtemp(name));
  }();
  return dir;
}

const ShownFrame* SceneRun::kept_at(uint32_t tick) const {
  for (const ShownFrame& f : frames)
    if (f.tick >= tick && !f.pixels.empty()) return &f;
  return nullptr;
}

namespace {

constexpr double kEpoch = 5e6;
SceneRun* current;
double micros;  // fake time since the clock started

uint32_t current_tick() { return static_cast<uint32_t>(micros * (1.0 / kTickMicros)); }

double fake_now() {
  current->events += 'T';
  current->readings.push_back(current_tick());
  double now = kEpoch + micros;
  micros += current->ticks_per_reading * kTickMicros;
  return now;
}

void record_present(const uint32_t* frame) {
  current->events += 'F';
  current->presents++;
  ShownFrame shown{current_tick(), frame_hash(frame), {}};
  for (uint32_t k : current->keep_ticks) {
    bool first_since = shown.tick >= k && (current->frames.empty() || current->frames.back().tick < k);
    if (first_since) shown.pixels.assign(frame, frame + kFramePixels);
  }
  if (current->keep_frames) current->frame_hashes.push_back(shown.hash);
  current->frames.push_back(std::move(shown));
  micros += current->ticks_per_present * kTickMicros;
}

int record_poll() {
  current->events += 'P';
  if (current->escape_polls.count(current->polls++)) return 1;
  std::vector<uint32_t>& due = current->escape_ticks;
  auto reached = std::find_if(due.begin(), due.end(), [](uint32_t t) { return current_tick() >= t; });
  if (reached == due.end()) return 0;
  due.erase(reached);
  return 1;
}

void no_close() {}

const TimeSource kFakeClock = {fake_now};
const FrameSink kRecordingSink = {record_present, record_poll, no_close};

}  // namespace

int run_scene(int (*scene)(), SceneRun* run) {
  current = run;
  // Fake time counts from the show's tick 0 in either case.
  micros = static_cast<double>(run->show_from) * kTickMicros;
  clock_set_source(&kFakeClock);
  clock_reset();
  if (run->show_from > 0) show_clock_start_at(run->show_from);
  show_ticks();
  run->events.clear();
  run->readings.clear();
  run->frame_hashes.clear();
  run->frames.clear();
  run->polls = run->presents = 0;
  // Half a tick in, so readings never sit on a tick boundary.
  micros = (run->first_tick + 0.5) * kTickMicros;
  display_set_sink(&kRecordingSink);
  int result = scene();
  display_set_sink(nullptr);
  clock_set_source(nullptr);
  clock_reset();
  return result;
}

int run_scene_paced(int (*scene)(), SceneRun* run, uint32_t first_tick, double ticks_per_present) {
  run->first_tick = first_tick;
  run->ticks_per_reading = 0.0;
  run->ticks_per_present = ticks_per_present;
  return run_scene(scene, run);
}
