// The show clock: one absolute time base of 70 ticks per second for every scene.
#pragma once
#include <cstdint>

// Microseconds per show tick (69.9986 ticks per second).
constexpr uint32_t kTickMicros = 14286;
// The show's nominal tick rate: the clock's ticks per second, and the rate
// the sound output's interval timer runs at (1000000 / 70 = 14285 us).
constexpr int kShowTicksPerSecond = 70;

// Where the clock reads the time: the wall clock for the live show, a virtual
// clock for a capture run. now_micros returns microseconds on a fixed epoch;
// it must never return 0.0 once the show is running, because a start time of
// 0.0 means "not started".
struct TimeSource {
  double (*now_micros)();
  // True when the readings follow real time (the wall clock, or the wall
  // clock shifted): only then can a wait for a tick sleep. A virtual clock
  // moves when it is read, so waiting on it means reading it.
  bool real_time = false;
  // How a real-time source waits: about micros microseconds, or for 0 just
  // lets other work run. The wall clock sleeps in the kernel (also for a
  // real-time source without a sleep of its own); a browser's clock hands
  // the thread back to the page, whose own sleep would spin.
  void (*sleep)(double micros) = nullptr;
};

// The wall clock (gettimeofday) that the live show uses by default.
extern const TimeSource kWallClock;

// Installs the time source; call before the first show_ticks. Passing nullptr
// restores the wall clock.
void clock_set_source(const TimeSource* source);

// Ticks since the first call. The first call starts the clock and returns 0;
// later calls return the whole ticks elapsed, as the low 32 bits of a
// truncated 64-bit count (a clock set back before the start gives huge values).
uint32_t show_ticks();

// Starts the clock as if it had been started tick ticks ago: the next
// show_ticks returns tick (and the time since this call). Before the first
// show_ticks only.
void show_clock_start_at(uint32_t tick);

// What the last show_ticks returned (0 before any reading).
uint32_t show_clock_last_reading();

// The tick show_clock_start_at started the clock at, or show_clock_move_to
// last moved it to: where a show started later than the beginning, or a
// scene change, came in. 0 for a clock started by its first reading and
// never moved, or not started.
uint32_t show_clock_first_tick();

// True when the clock has started and runs on a real-time source, so that
// show_clock_doze sleeps.
bool show_clock_sleeps();

// Sleeps until the show clock is due to read tick, or for one tick at most
// (a wall clock set back then stalls nothing); returns at once when the tick
// is due already or the clock does not sleep (see show_clock_sleeps). It
// reads no tick itself: the caller's own readings still decide when its wait
// is over, so a wait loop ends on the same tick with or without it.
void show_clock_doze(uint32_t tick);

// Waits about micros microseconds through the time source's sleep, without
// reading the clock: the pause's wait between polls. Returns at once on a
// source that does not run in real time.
void show_clock_nap(double micros);

// Pause: from show_clock_pause on, every reading gives the tick of that
// moment; show_clock_resume lets the clock go on from there, as if the time
// in between had not passed. Either is ignored when it changes nothing (a
// second pause, a resume of a running clock, a clock not started).
void show_clock_pause();
void show_clock_resume();
bool show_clock_paused();

// A scene change: from show_clock_leave until show_clock_move_to, every
// reading is 0xFFFFFFFF, past every limit, so the running scene ends each of
// its phases at the next reading (as for a wall clock set back); the time
// source is not read meanwhile.
void show_clock_leave();

// Moves the clock so that it reads tick now, keeping the place of now within
// its tick (the start moves by whole ticks): readings of a virtual clock then
// stay where they were against the tick boundaries. Ends a leave and a
// pause. Before the first reading: the first reading starts the clock at
// tick, as show_clock_start_at does at once.
void show_clock_move_to(uint32_t tick);

// The show time now in microseconds: show_ticks() x 14,286 and the time into
// the tick, as a fraction, for a clock not leaving (a leaving clock's time
// goes on underneath). Before the start, the time of the tick the first
// reading will give. Reads the time source once started.
double show_clock_micros();

// The ticks the clock has been moved by since it started (the first tick of
// show_clock_start_at included): a tick of the clock, less this, is a tick of
// the time since the start. 0 for a clock never moved.
int64_t show_clock_moved_ticks();

// Forgets the start time (and first tick) so the next show_ticks starts the
// clock again.
// Only tests and the capture tool use it; the show never restarts its clock.
void clock_reset();
