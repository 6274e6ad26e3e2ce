// display_present, display_poll_escape and display_close go to one sink: the
// X11 output unless a capture run installed its own.
#include "display/display.h"
#include "display/x11_output.h"

namespace {
const FrameSink* sink = &kX11Sink;
}

void display_set_sink(const FrameSink* s) { sink = s ? s : &kX11Sink; }
void display_present(const uint32_t* frame) { sink->present(frame); }
int display_poll_escape() { return sink->poll_escape(); }
void display_close() { sink->close(); }
