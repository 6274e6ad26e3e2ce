// The browser page's side of the show: the show clock on the page's time, a
// canvas as the frame sink, and the sound path into Web Audio. The page's
// script (index.html) owns the canvas, the audio worklet, the keyboard and
// the tab's visibility; these calls reach it.
#pragma once
#include <cstdint>

#include "base/clock.h"
#include "display/display.h"

// The page's clock: the page's milliseconds since it loaded, stopped while
// the tab is hidden, so a hidden tab pauses the show where it was. Its sleep
// hands the thread back to the page.
extern const TimeSource kPageClock;

// Presents into the page's canvas with the show tick it was drawn at;
// Escape comes from the page's keyboard and its end button, the show's
// other keys from its keyboard and its buttons.
extern const FrameSink kCanvasSink;

// Draws the frame into the canvas and nothing else (no pacing, no sound).
void canvas_draw(const uint32_t* frame);

// Lets the page run (paint, take events) when the show has not slept since
// the last call; the canvas sink calls it before each present.
void page_breathe();

// Plays the music: every call renders the stream's blocks as far as the
// page's audio worklet needs them, in step with the show clock (or drops
// them in the clock's time when no worklet plays). The music's ticks run
// here, on the show's thread.
void page_sound_feed();
