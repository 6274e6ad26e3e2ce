// Not composed yet: no module, so the show stays silent.
#include "data/content.h"

uint8_t* module_bytes() { return nullptr; }
size_t module_size() { return 0; }
