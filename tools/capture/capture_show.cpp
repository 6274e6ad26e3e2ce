// Not built yet.
#include "tools/capture/capture.h"

int capture_show_main(int, char**) { return capture_usage_error("show: not built yet"); }
