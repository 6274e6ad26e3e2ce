#include <emscripten.h>

#include "base/clock.h"
#include "show/controls.h"
#include "web/check_run.h"
#include "web/page.h"

namespace {

// The canvas wants bytes red, green, blue, alpha; a frame's words are
// 0x00RRGGBB little-endian (blue first).
uint32_t rgba[kFramePixels];

// The page shows the newest frame on the screen's next refresh. The tick it
// was drawn at goes with it, and how far the show clock has gone past that
// tick (the page times the sound to the picture it shows), and the frame's
// hash when the page keeps a log of them (its tests do).
EM_JS(void, canvas_put,
      (const uint32_t* pixels, double tick, double late_micros, double hash_high, double hash_low),
      { Module.putFrame(HEAPU8.subarray(pixels, pixels + 256000), tick, late_micros, hash_high, hash_low); });
EM_JS(int, page_logs_frames, (), { return Module.frameLog ? 1 : 0; });
EM_JS(int, page_escape, (), { return Module.escapePressed ? 1 : 0; });
EM_JS(int, page_take_key, (), { return Module.takeKey(); });
EM_JS(void, page_show_state, (int scene, int paused), { Module.showState(scene, paused); });
EM_JS(void, page_close, (), { Module.showClosed(); });

void put(const uint32_t* frame, uint32_t tick, double late_micros) {
  for (int i = 0; i < kFramePixels; i++) {
    const uint32_t p = frame[i];
    rgba[i] = 0xFF000000u | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
  }
  uint64_t hash = page_logs_frames() ? check_frame_hash(frame) : 0;
  canvas_put(rgba, tick, late_micros, double(hash >> 32), double(hash & 0xFFFFFFFFu));
}

void canvas_present(const uint32_t* frame) {
  page_breathe();
  page_sound_feed();
  const uint32_t tick = display_frame_tick();
  put(frame, tick, show_clock_micros() - double(tick) * kTickMicros);
}

// The page's keys and buttons, in the order pressed; the show's state goes
// back for the page's buttons.
void canvas_gather_keys() {
  for (int key; (key = page_take_key()) != kKeyNone;) display_push_key(static_cast<DisplayKey>(key));
  page_show_state(show_controls_scene(), show_controls_paused() ? 1 : 0);
}

// Once seen, Escape stays seen: one press ends the show, whichever of the
// scene's polls comes next.
int canvas_poll_escape() {
  canvas_gather_keys();
  return page_escape();
}

void canvas_close() { page_close(); }

}  // namespace

void canvas_draw(const uint32_t* frame) { put(frame, 0, 0.0); }

const FrameSink kCanvasSink = {
    .present = canvas_present, .poll_escape = canvas_poll_escape, .close = canvas_close, .gather_keys = canvas_gather_keys};

const FrameSink* display_home_sink() { return &kCanvasSink; }
