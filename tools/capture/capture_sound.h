// The sound of a show capture: exactly the stream the 16-bit device would
// play (32,000 Hz stereo, one block per player tick), paced by virtual time
// instead of by a sound card.
#pragma once
#include <cstdint>
#include <vector>

#include "sound/devices.h"

constexpr int kCaptureSoundRate = kSoundRate16Bit;

// Installs the 16-bit device's mixer without opening any device file: the
// capture's choice of sound device, in the start-up's place of sd_menu.
// Returns kSdReady.
int capture_sound_init();

// Runs player ticks and mixes their blocks until the stream holds at least
// seconds of sound, appending the new interleaved left/right samples to out.
void capture_sound_render_to(double seconds, std::vector<int16_t>* out);
