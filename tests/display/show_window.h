// Waiting for the real show's window from a test.
#pragma once
#include <string>

// Seconds on a monotonic clock.
double monotonic_seconds();

// Waits up to 15 s for a window named "Tundrix in X11" on display; false
// when none came.
bool wait_for_show_window(const std::string& display);
