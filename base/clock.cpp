#include "base/clock.h"

#include <sched.h>
#include <sys/time.h>
#include <time.h>

namespace {

double wall_micros() {
  timeval tv;
  gettimeofday(&tv, nullptr);
  return 1000000.0 * tv.tv_sec + tv.tv_usec;
}

const TimeSource* source = &kWallClock;
double start_micros = 0.0;  // 0.0: not started
uint32_t first_tick = 0;

void wall_sleep(double micros) {
  if (micros <= 0.0) {
    sched_yield();
    return;
  }
  timespec pause = {0, static_cast<long>(micros * 1000.0)};
  nanosleep(&pause, nullptr);
}

}  // namespace

const TimeSource kWallClock = {wall_micros, true, wall_sleep};

void clock_set_source(const TimeSource* s) { source = s ? s : &kWallClock; }

void clock_reset() {
  start_micros = 0.0;
  first_tick = 0;
}

void show_clock_start_at(uint32_t tick) {
  // Half a microsecond further back keeps the reading off the boundary,
  // where the rounding of the tick factor could give tick - 1.
  start_micros = source->now_micros() - double(tick) * kTickMicros - 0.5;
  first_tick = tick;
}

uint32_t show_clock_first_tick() { return first_tick; }

uint32_t show_ticks() {
  double now = source->now_micros();
  if (start_micros == 0.0) {
    start_micros = now;
    return 0;
  }
  // The factor is the double nearest 1/14,286, not a division, so that the
  // tick boundaries fall exactly where the show's timing expects them.
  constexpr double kTicksPerMicro = 1.0 / kTickMicros;
  int64_t ticks = static_cast<int64_t>((now - start_micros) * kTicksPerMicro);
  return static_cast<uint32_t>(ticks);
}

bool show_clock_sleeps() { return start_micros != 0.0 && source->real_time; }

void show_clock_doze(uint32_t tick) {
  if (!show_clock_sleeps()) return;
  // A microsecond past the boundary, where the reading has surely turned.
  double due = start_micros + static_cast<double>(tick) * kTickMicros + 1.0;
  double wait = due - source->now_micros();
  if (wait < 0.0) wait = 0.0;
  if (wait > kTickMicros) wait = kTickMicros;
  (source->sleep ? source->sleep : wall_sleep)(wait);
}
