// The sync-trigger registry and its per-tick check.
#include "player/sync.h"

#include <atomic>

#include "player/module.h"
#include "player/playback.h"

namespace {

const SyncTrigger* triggers[kSyncMaxTriggers];
int ids[kSyncMaxTriggers];
// The count publishes the slots below it to the signal handler: it is
// stored with release after the slot is written.
std::atomic<int> count{0};
int next_id = 1;

bool in_range(int32_t value, int32_t low, int32_t high) {
  return high < 0 || (low <= value && value <= high);
}

bool channel_matches(const SyncCondition& c, int i, const uint8_t* cell) {
  const PtState& st = pt_state();
  // A divisor the registry refused cannot be checked later either: the
  // caller may have changed the conditions after registering them.
  if (c.row_divisor < 1) return false;
  return in_range(i, c.channel_low, c.channel_high) &&
         in_range(pt_channel(i).instrument, c.instrument_low, c.instrument_high) &&
         in_range(cell[2], c.command_low, c.command_high) &&
         in_range(cell[3], c.parameter_low, c.parameter_high) &&
         in_range(int32_t(st.cells_position), c.position_low, c.position_high) &&
         in_range(int32_t(st.cells_row % uint32_t(c.row_divisor)), c.row_low, c.row_high) &&
         in_range(int32_t(st.tick), c.tick_low, c.tick_high);
}

bool condition_holds(const SyncCondition& c) {
  const uint8_t* cells = pt_state().row_cells;
  if (cells == nullptr) return false;
  for (int i = 0; i < pt_module.channels; ++i)
    if (channel_matches(c, i, cells + 4 * i)) return true;
  return false;
}

bool usable(const SyncTrigger* t) {
  if (t == nullptr || t->callback == nullptr || t->condition_count < 0) return false;
  if (t->condition_count > 0 && t->conditions == nullptr) return false;
  for (int k = 0; k < t->condition_count; ++k)
    if (t->conditions[k].row_divisor < 1) return false;
  return true;
}

}  // namespace

int sync_register(const SyncTrigger* trigger) {
  int n = count.load(std::memory_order_relaxed);
  if (n >= kSyncMaxTriggers || !usable(trigger)) return 0;
  triggers[n] = trigger;
  ids[n] = next_id++;
  count.store(n + 1, std::memory_order_release);
  return ids[n];
}

void sync_clear() { count.store(0, std::memory_order_release); }

int sync_count() { return count.load(std::memory_order_acquire); }

void sync_check() {
  const int n = count.load(std::memory_order_acquire);
  for (int t = 0; t < n; ++t) {
    const SyncTrigger* trigger = triggers[t];
    bool fire = false;
    // Every condition is evaluated, even after one has held.
    for (int k = 0; k < trigger->condition_count; ++k) fire |= condition_holds(trigger->conditions[k]);
    if (fire) trigger->callback();
  }
}
