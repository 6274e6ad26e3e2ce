// Not built yet.
#include "tools/capture/capture.h"

int capture_embedded_main(int, char**) { return capture_usage_error("picture --list/--embedded: not built yet"); }
