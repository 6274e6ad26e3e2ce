// The symbols the content generators write into the build tree: the tables
// of pictures and models (tools/gen_content) and the module with the cues it
// was composed against (tools/gen_tune). The generated sources include this
// header, so a definition that drifts from its declaration does not compile.
// The show reads them through data/content.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "data/content.h"

// The IFF bytes of every picture role, and the ObjectData of every model.
extern const Blob kPictureBlobs[PIC_COUNT];
extern const Blob kModelBlobs[MODEL_COUNT];

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
