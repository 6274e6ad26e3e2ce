// display_present, display_poll_escape, display_close and display_abandon go
// to one sink: the home sink (the X11 output, or the browser's canvas) unless
// a capture run installed its own. Presenting is paced here, for every sink,
// so the live show and a capture look alike.
#include "base/clock.h"
#include "display/display.h"

namespace {

const FrameSink* sink = display_home_sink();

int (*poll_hook)(int) = nullptr;
bool held = false;

// The keys pushed and not yet taken: a ring of 16.
constexpr int kKeySlots = 16;
DisplayKey keys[kKeySlots];
int first_key = 0, key_count = 0;

bool flat_out = false;
uint32_t frame_tick = 0;
bool presented = false;  // a paced present has happened; last_tick is its tick
uint32_t last_tick = 0;

// At most one present per show tick: a frame ready within the tick of the
// previous present waits, asleep, for the next tick. Effects that advance per
// frame (dissolves, trails) then run at the show's rate on any machine, as in
// a capture. A clock that went back is not waited for.
void pace() {
  if (flat_out || !show_clock_sleeps()) return;
  uint32_t now = show_ticks();
  while (presented && now == last_tick) {
    show_clock_doze(last_tick + 1);
    now = show_ticks();
  }
  presented = true;
  last_tick = now;
}

}  // namespace

void display_set_sink(const FrameSink* s) { sink = s ? s : display_home_sink(); }

void display_set_flat_out(bool on) {
  flat_out = on;
  presented = false;
}

void display_present(const uint32_t* frame) {
  if (held) return;
  frame_tick = show_clock_last_reading();
  pace();
  sink->present(frame);
  if (sink->gather_keys) sink->gather_keys();
  if (poll_hook) poll_hook(0);
}
uint32_t display_frame_tick() { return frame_tick; }
int display_poll_sink() { return sink->poll_escape(); }
int display_poll_escape() {
  const int escape = sink->poll_escape();
  return poll_hook ? poll_hook(escape) : escape;
}
void display_set_poll_hook(int (*hook)(int)) { poll_hook = hook; }
void display_hold_frames(bool on) { held = on; }

void display_push_key(DisplayKey key) {
  if (key == kKeyNone || key_count == kKeySlots) return;
  keys[(first_key + key_count++) % kKeySlots] = key;
}

DisplayKey display_take_key() {
  if (key_count == 0) return kKeyNone;
  const DisplayKey key = keys[first_key];
  first_key = (first_key + 1) % kKeySlots;
  key_count--;
  return key;
}
bool display_window_closed() { return sink->window_closed && sink->window_closed(); }
void display_close() { sink->close(); }
void display_abandon() { (sink->abandon ? sink->abandon : sink->close)(); }
