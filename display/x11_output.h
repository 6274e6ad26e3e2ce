// The X11 frame sink: window, shared-memory or DGA output set up by display_open.
#pragma once
#include "display/display.h"

extern const FrameSink kX11Sink;
