// One tick of the sound stream: the music advances one tick (through the
// caller's MusicTick), then the device's block for that tick is mixed. The
// writer's signal handler, the WAV renderer and the show capture all stream
// through this, so their bytes agree.
#pragma once
#include <cstdint>

#include "sound/devices.h"

constexpr int kSoundBlockBytes = 40000;  // the largest block is 10,664 bytes (tempo 32)

// Advances the music one tick and returns the tempo (beats per minute) it
// leaves: the length of that tick's block follows from it. Called from the
// sound output's signal handlers, so it must not allocate or block.
using MusicTick = uint32_t (*)();

// Frames in one tick's block for device kind 1 (8-bit mono, 21700 Hz) or 2
// (16-bit stereo, 32000 Hz) at tempo: rate / (tempo * 2 / 5). A tempo too
// small to give a tick rate (nothing loaded) counts as 125. 0 for kind 0.
int sound_block_frames(int kind, uint32_t tempo);
// Bytes per frame of the device kind (1 or 4; 0 for kind 0).
int sound_frame_bytes(int kind);
// Output rate of the device kind (0 for kind 0).
int sound_rate(int kind);

// music_tick, then the block for the tempo it returns into out (at least
// kSoundBlockBytes). Returns the bytes written (0 for kind 0).
int sound_render_tick(int kind, MusicTick music_tick, uint8_t* out);

// A block of silence as long as the last tick's block, without a music tick:
// what a held music plays. Returns the bytes written (0 for kind 0).
int sound_render_silence(int kind, uint8_t* out);

// Moves the music on by micros microseconds without playing it: for kind 1
// or 2 music_tick runs and the blocks are mixed and dropped until they cover
// that time, so the mixer's channels stand where they would; for kind 0
// music_tick runs as often as the timer at timer_rate ticks per second
// would have run it. Returns the time the music moved on by, in
// microseconds: micros, or up to one block (one timer period) more. Before
// sound_start, or while the output holds the music (sound_hold).
double sound_skip_music(int kind, int timer_rate, MusicTick music_tick, uint64_t micros);
