// Module playback: one call of pt_tick is one tick of the music. It writes
// the sound device's channel registers and never mixes.
#pragma once
#include <atomic>
#include <cstdint>

constexpr int kPtChannels = 32;

// Global playback state. The main flow may read speed at any time.
struct PtState {
  std::atomic<uint32_t> speed;  // ticks per row; 0 freezes the current row and tick
  uint32_t tempo;               // beats per minute (32..255 once set by F)
  uint32_t tick;                // tick within the row, 0 = first
  uint32_t row;                 // 0..63
  uint32_t position;            // order index; 0xFFFFFFFF before the first row
  uint32_t break_row;           // row the next pattern starts at (D)
  uint32_t pattern;
  uint8_t* row_cells;           // first converted cell of the current row
  const int16_t* vibrato_waveform;  // shared by all channels
  const int16_t* tremolo_waveform;
  uint32_t rows_started;        // counts row starts since pt_reset
  // The position and row whose cells are playing. They differ from position
  // and row only on a row whose B, D or E6 has already aimed the next start.
  uint32_t cells_position;
  uint32_t cells_row;
};

struct PtChannel {
  int32_t instrument, finetune, note, period, target, porta_speed, volume, panning, glissando;
  int32_t vibrato_position, vibrato_speed, vibrato_depth;
  int32_t tremolo_position, tremolo_speed, tremolo_depth;  // depth stored doubled
  int32_t loop_row, loop_count, delay;
};

// One tick: advances tick, row and position and applies the current row's
// notes and effects to the sound device's channels. Must not run
// concurrently with itself. Does nothing before a successful load.
void pt_tick();
// Sets the playback state for the start of the song (speed 6, tempo 125,
// first call plays row 0 of position 0) and draws the random waveform.
void pt_reset();
// The player as a load leaves it, for a show moved to another point: every
// channel cleared, the panning and glissando that pt_reset keeps included,
// then pt_reset (which draws the random waveform again).
void pt_restart();
// Song position and row back to 0 (the loader does this before parsing).
void pt_clear_position();

// The player's speed (ticks per row); 0 once the music has stopped. Safe to
// read from the main flow while the signal handlers run the player.
uint32_t pt_speed();
// The tempo in beats per minute (0 before anything was loaded).
uint32_t pt_tempo();
// position * 100 + row.
uint32_t pt_song_position();

// Read-only views for the sync triggers, tools and tests.
const PtState& pt_state();
const PtChannel& pt_channel(int i);
