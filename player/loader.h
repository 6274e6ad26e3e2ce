// Module loader.
#pragma once
#include <cstddef>
#include <cstdint>

// Loads the module in module[0..length) (converting its patterns in place) and
// resets playback. Returns 1 on success, 0 on failure.
int pt_load(uint8_t* module, size_t length);
