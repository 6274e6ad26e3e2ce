// Module loader.
#pragma once
#include <cstddef>
#include <cstdint>

// Results of pt_load and pt_takemod.
constexpr int kPtLoaded = 1;
constexpr int kPtLoadFailed = 0;

// Loads the module in module[0..length) (converting its patterns in place) and
// resets playback. Returns 1 on success, 0 on failure.
int pt_load(uint8_t* module, size_t length);

// Parses the module without resetting playback: fills the Module, converts
// every pattern in place, registers the samples and the channel count with
// the current sound device. Returns 1 on success; 0 with nothing converted
// or registered when the tag is unknown, the data is missing, or the header
// or the patterns run past length. A sample running past the end of the data
// is shortened to the bytes that are there.
int pt_takemod(uint8_t* module, size_t length);

// The last load's error text ("" after a success or before any load).
const char* pt_load_error();
