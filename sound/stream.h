// One tick of the sound stream: the player advances one tick, the sync
// triggers are checked, and the device's block for that tick is mixed. The
// writer's signal handler, the WAV renderer and the show capture all stream
// through this, so their bytes agree.
#pragma once
#include <cstdint>

constexpr int kSoundBlockBytes = 40000;  // the largest block is 10,664 bytes (tempo 32)
constexpr int kSoundRate8Bit = 21700;
constexpr int kSoundRate16Bit = 32000;

// Frames in one tick's block for device kind 1 (8-bit mono, 21700 Hz) or 2
// (16-bit stereo, 32000 Hz) at tempo: rate / (tempo * 2 / 5). A tempo too
// small to give a tick rate (nothing loaded) counts as 125. 0 for kind 0.
int sound_block_frames(int kind, uint32_t tempo);
// Bytes per frame of the device kind (1 or 4; 0 for kind 0).
int sound_frame_bytes(int kind);
// Output rate of the device kind (0 for kind 0).
int sound_rate(int kind);

// pt_tick, sync_check, then the block for the new tempo into out (at least
// kSoundBlockBytes). Returns the bytes written (0 for kind 0).
int sound_render_tick(int kind, uint8_t* out);

// Moves the music on by the time of show_ticks show ticks (14,286 us each)
// without playing it: for kind 1 or 2 the player ticks and the blocks are
// mixed and dropped until they cover that time, so the mixer's channels stand
// where they would; for kind 0 the player takes the ticks the 70 Hz timer
// would have given it. Before sound_start only.
void sound_skip_music(int kind, uint32_t show_ticks);
