// Music sync triggers: callbacks fired after a player tick whose state
// matches one of their conditions.
#pragma once
#include <cstdint>

// Seventeen ranges over the player state. A range (low, high) accepts a
// value when high is negative or low <= value <= high (signed).
struct SyncCondition {
  int32_t channel_low, channel_high;
  int32_t instrument_low, instrument_high;
  int32_t reserved_low, reserved_high;
  int32_t command_low, command_high;
  int32_t parameter_low, parameter_high;
  int32_t position_low, position_high;
  int32_t row_divisor;  // at least 1; the row range tests row % divisor
  int32_t row_low, row_high;
  int32_t tick_low, tick_high;
};

// Owned by the caller; it must stay valid while registered.
struct SyncTrigger {
  int (*callback)();  // result ignored; runs in signal-handler context
  int32_t condition_count;
  const SyncCondition* conditions;  // fires if any of them holds
};

constexpr int kSyncMaxTriggers = 1024;

// Registers a trigger. Returns its id (1, 2, 3, ... across the program's
// life), or 0 when 1024 are registered already or the trigger is unusable
// (no callback, a negative count, no conditions for a positive count, or a
// row divisor below 1).
int sync_register(const SyncTrigger* trigger);
// Empties the registry; ids keep counting.
void sync_clear();
// Calls, in registration order, every trigger with a condition that holds
// for the tick just played. Runs right after each pt_tick.
void sync_check();
// Number of registered triggers.
int sync_count();
