// Not built yet.
#include "tools/capture/capture.h"

int capture_picture_main(int, char**) { return capture_usage_error("picture: not built yet"); }
