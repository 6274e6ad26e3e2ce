// Not built yet.
#include "tools/capture/capture.h"

int capture_music_main(int, char**) { return capture_usage_error("music: not built yet"); }
