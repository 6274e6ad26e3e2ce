// The music's tick: the one wiring of the player and its sync triggers that
// every sound stream runs (the writer's, the timer's, the capture's, the
// fuzzers'). The sound output calls it back and never includes the player.
#pragma once
#include <cstdint>

// One tick of the music: pt_tick, then sync_check. Returns the tempo after
// the tick, which sets the length of that tick's sound block.
uint32_t show_music_tick();
