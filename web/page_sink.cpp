#include <emscripten.h>

#include "web/page.h"

namespace {

// The canvas wants bytes red, green, blue, alpha; a frame's words are
// 0x00RRGGBB little-endian (blue first).
uint32_t rgba[kFramePixels];

EM_JS(void, canvas_put, (const uint32_t* pixels), { Module.putFrame(HEAPU8.subarray(pixels, pixels + 256000)); });
EM_JS(int, page_escape, (), { return Module.escapePressed ? 1 : 0; });
EM_JS(void, page_close, (), { Module.showClosed(); });

void canvas_present(const uint32_t* frame) {
  page_breathe();
  page_sound_feed();
  canvas_draw(frame);
}

// Once seen, Escape stays seen: one press ends the show, whichever of the
// scene's polls comes next.
int canvas_poll_escape() { return page_escape(); }

void canvas_close() { page_close(); }

}  // namespace

void canvas_draw(const uint32_t* frame) {
  for (int i = 0; i < kFramePixels; i++) {
    const uint32_t p = frame[i];
    rgba[i] = 0xFF000000u | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
  }
  canvas_put(rgba);
}

const FrameSink kCanvasSink = {canvas_present, canvas_poll_escape, canvas_close};

const FrameSink* display_home_sink() { return &kCanvasSink; }
