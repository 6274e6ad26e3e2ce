// What the build embeds from the tune generator: the module bytes and the
// cues the score was written against.
#pragma once
#include <cstddef>
#include <cstdint>

// The module as the loader reads it. Writable on purpose: loading converts
// the patterns in place.
extern uint8_t tune_module_bytes[];
extern const size_t tune_module_size;

// A row the score ties to the show clock: a scene change (section) or a
// moment inside a scene. tick is the show tick it was written for.
struct TuneCue {
  const char* name;
  int position;
  int row;
  int tick;
  bool section;
};
extern const TuneCue tune_cues[];
extern const int tune_cue_count;
