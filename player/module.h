// The loaded module and the period table, shared by the loader, playback and
// the sync triggers.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kPtRows = 64;
constexpr int kPtOrders = 128;
constexpr int kPtSamples = 31;           // sample numbers 1..31
constexpr int kPtNotes = 84;             // note indices 0..83; 84 = no note
constexpr int kPtNoNote = 84;
constexpr int kPtFinetunes = 16;
constexpr int kPtHeaderSize = 1084;      // title, 31 sample headers, orders, tag
constexpr int kPtMinPeriod = 27;         // the table's extremes bound the slides
constexpr int kPtMaxPeriod = 3628;

struct PtSample {
  uint32_t length;      // bytes actually present in the module data
  uint8_t finetune;     // PeriodTable row 0..15
  uint8_t volume;       // 0..64
  uint32_t loop_start;  // bytes
  uint32_t loop_length; // bytes
};

struct Module {
  uint8_t* bytes;
  size_t size;
  size_t cursor;
  uint16_t channels;        // 0 while nothing is loaded
  uint8_t song_length;      // 1..128 order positions played (0 only if the header says so)
  uint8_t restart;          // 0..126
  uint8_t orders[kPtOrders];
  char tag[5];
  uint8_t highest_pattern;
  uint8_t* patterns[256];   // first converted cell of each pattern 0..highest
  PtSample samples[kPtSamples + 1];  // entry 0 unused (all zero)
  const char* error;        // "" until a load fails
};

// The one loaded module.
extern Module pt_module;

// PeriodTable: 16 rows (finetune 0..+7, -8..-1) of 85 periods; entry 84
// repeats entry 83. Returns the period of note n (0..84) in row f (0..15);
// out-of-range arguments are clamped into the table.
uint16_t pt_period(int finetune, int note);
// The whole table, row-major, for tests and tools.
const uint16_t* pt_period_table();
// The note index a stored period converts to: the first entry of row 0 whose
// period is not above it, 84 when there is none (period 0 included).
uint8_t pt_period_to_note(int period);
