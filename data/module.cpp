// The show's module, written into the build tree by tools/gen_tune.
#include "data/content.h"
#include "data/embedded.h"

uint8_t* module_bytes() { return tune_module_bytes; }
size_t module_size() { return tune_module_size; }
