// The X11 frame sink: window, shared-memory or DGA output set up by display_open.
#pragma once
#include "display/display.h"

extern const FrameSink kX11Sink;

// The sink's operations (present.cpp, x11_poll.cpp, x11_close.cpp); contracts as display_present,
// display_poll_escape, display_close and display_window_closed.
void x11_present(const uint32_t* frame);
int x11_poll_escape();
void x11_close();
bool x11_window_closed();
void x11_gather_keys();
