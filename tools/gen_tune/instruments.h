// The show's instruments, each synthesised into one 8-bit sample.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Instrument {
  std::string name;       // how the score refers to it
  int base_note = 60;     // note index at which the sample sounds at root pitch
  int root_midi = 60;     // MIDI pitch heard at base_note (drums: nominal)
  int volume = 64;        // default volume 0..64
  std::vector<int8_t> data;
  int loop_start = 0;     // bytes, even
  int loop_length = 0;    // bytes, even; 0 = plays once
};

// Every instrument, in sample-number order (sample n is entry n - 1). The
// last one is an empty, silent slot that the final row uses to park its
// channel at volume 0.
std::vector<Instrument> make_instruments();
