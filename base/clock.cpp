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
int64_t moved_ticks = 0;
bool leaving = false;
bool paused = false;
double paused_at = 0.0;  // the source's time when the pause began
uint32_t last_reading = 0;

// The factor is the double nearest 1/14,286, not a division, so that the
// tick boundaries fall exactly where the show's timing expects them.
constexpr double kTicksPerMicro = 1.0 / kTickMicros;
int64_t whole_ticks(double micros) { return static_cast<int64_t>((micros - start_micros) * kTicksPerMicro); }

void wall_sleep(double micros) {
  if (micros <= 0.0) {
    sched_yield();
    return;
  }
  timespec pause = {0, static_cast<long>(micros * 1000.0)};
  nanosleep(&pause, nullptr);
}

uint32_t read_ticks() {
  if (leaving) return 0xFFFFFFFFu;
  double now = paused ? paused_at : source->now_micros();
  if (start_micros == 0.0) {
    // Half a microsecond further back keeps a later start's reading off the
    // boundary, where the rounding of the tick factor could give tick - 1.
    start_micros = first_tick == 0 ? now : now - double(first_tick) * kTickMicros - 0.5;
    return first_tick;
  }
  return static_cast<uint32_t>(whole_ticks(now));
}

}  // namespace

const TimeSource kWallClock = {wall_micros, true, wall_sleep};

void clock_set_source(const TimeSource* s) { source = s ? s : &kWallClock; }

void clock_reset() {
  start_micros = 0.0;
  first_tick = 0;
  moved_ticks = 0;
  last_reading = 0;
  leaving = paused = false;
}

void show_clock_start_at(uint32_t tick) {
  first_tick = tick;
  moved_ticks = tick;
  start_micros = 0.0;
  show_ticks();
}

uint32_t show_clock_first_tick() { return first_tick; }

uint32_t show_ticks() { return last_reading = read_ticks(); }

uint32_t show_clock_last_reading() { return last_reading; }

void show_clock_pause() {
  if (paused || start_micros == 0.0) return;
  paused_at = source->now_micros();
  paused = true;
}

void show_clock_resume() {
  if (!paused) return;
  paused = false;
  start_micros += source->now_micros() - paused_at;
}

bool show_clock_paused() { return paused; }

void show_clock_leave() { leaving = start_micros != 0.0; }

void show_clock_move_to(uint32_t tick) {
  leaving = false;
  first_tick = tick;
  if (start_micros == 0.0) {
    moved_ticks = tick;
    return;
  }
  show_clock_resume();
  // Whole ticks of 14,286 us keep the start a whole number of microseconds
  // away from where it was: exact in a double.
  const int64_t shift = int64_t(tick) - whole_ticks(source->now_micros());
  start_micros -= double(shift) * kTickMicros;
  moved_ticks += shift;
}

int64_t show_clock_moved_ticks() { return moved_ticks; }

double show_clock_micros() {
  if (start_micros == 0.0) return double(first_tick) * kTickMicros;
  return (paused ? paused_at : source->now_micros()) - start_micros;
}

bool show_clock_sleeps() { return start_micros != 0.0 && source->real_time; }

void show_clock_nap(double micros) {
  if (source->real_time) (source->sleep ? source->sleep : wall_sleep)(micros);
}

void show_clock_doze(uint32_t tick) {
  if (!show_clock_sleeps()) return;
  // A microsecond past the boundary, where the reading has surely turned.
  double due = start_micros + static_cast<double>(tick) * kTickMicros + 1.0;
  double wait = due - source->now_micros();
  if (wait < 0.0) wait = 0.0;
  if (wait > kTickMicros) wait = kTickMicros;
  (source->sleep ? source->sleep : wall_sleep)(wait);
}
