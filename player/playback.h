// Module playback.
#pragma once
#include <cstdint>

// The player's speed (ticks per row); 0 once the music has stopped. Safe to
// read from the main flow while the signal handlers run the player.
uint32_t pt_speed();
