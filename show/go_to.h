// Moving the show to a tick of its timeline: a later start and every scene
// change go this one way.
#pragma once
#include <cstdint>

#include "base/timeline.h"

// The scene whose window holds tick; the tunnel from its start on.
ShowScene show_scene_at(uint32_t tick);

// Puts the music, the show's random sequence and the clock where a show that
// had played up to tick has them: the player and the mixer start again from
// the beginning and play, unheard, up to the tick (and on by the sound the
// output has queued, so that the tick is heard when the clock reads it), the
// random sequence starts again and the player draws its waveform from it as
// the load did, and the clock reads tick. The music is held meanwhile; a
// pause ends.
void show_go_to(uint32_t tick);
