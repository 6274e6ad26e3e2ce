// Temporary: silence until the music engine lands.
#include "tools/capture/capture_sound.h"

static double rendered = 0;
void capture_sound_init() {}
void capture_sound_render_to(double seconds, std::vector<int16_t>* out) {
  while (rendered < seconds) {
    out->push_back(0);
    out->push_back(0);
    rendered += 1.0 / kCaptureSoundRate;
  }
}
