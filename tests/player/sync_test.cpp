// Sync triggers: conditions over the player state, checked after each tick.
#include <gtest/gtest.h>

#include "player/sync.h"
#include "tests/player/tiny_module.h"

namespace {

int fired = 0;
int fire() { return ++fired; }

SyncCondition open_condition() {
  return {0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 1, 0, -1, 0, -1};
}

// Plays ticks, collecting "position:row:tick" of each tick the trigger fired.
std::vector<std::string> run(int ticks) {
  std::vector<std::string> out;
  for (int t = 0; t < ticks; ++t) {
    int before = fired;
    pt_tick();
    sync_check();
    if (fired != before) {
      const PtState& s = pt_state();
      out.push_back(std::to_string(s.cells_position) + ":" + std::to_string(s.cells_row) + ":" +
                    std::to_string(s.tick));
      EXPECT_EQ(fired, before + 1) << "one call per tick at most";
    }
  }
  return out;
}

void load(TinyModule m, std::vector<uint8_t>* bytes) {
  ASSERT_EQ(load_tiny(m, bytes), 1);
  sync_clear();
  fired = 0;
}

TEST(SyncTriggers, OpenConditionHoldsOnEveryTick) {
  TinyModule m(4);
  std::vector<uint8_t> bytes;
  load(m, &bytes);
  SyncCondition c = open_condition();
  SyncTrigger t = {fire, 1, &c};
  EXPECT_GT(sync_register(&t), 0);
  EXPECT_EQ(run(20).size(), 20u);
}

TEST(SyncTriggers, ChannelCommandAndFirstTick) {
  TinyModule m(4);
  m.put(0, 3, 2, 0, 0, 0xC, 0x10);
  m.put(0, 5, 2, 0, 0, 0xC, 0x20);
  m.put(0, 7, 1, 0, 0, 0xC, 0x20);  // another channel: ignored
  std::vector<uint8_t> bytes;
  load(m, &bytes);
  SyncCondition c = open_condition();
  c.channel_low = c.channel_high = 2;
  c.command_low = c.command_high = 12;
  c.tick_low = c.tick_high = 0;
  SyncTrigger t = {fire, 1, &c};
  sync_register(&t);
  EXPECT_EQ(run(6 * 10), (std::vector<std::string>{"0:3:0", "0:5:0"}));
}

TEST(SyncTriggers, PositionAndRowDivisor) {
  TinyModule m(4, 1);
  m.song_length = 7;
  std::vector<uint8_t> bytes;
  load(m, &bytes);
  SyncCondition c = open_condition();
  c.position_low = c.position_high = 5;
  c.row_divisor = 16;
  c.row_low = c.row_high = 0;
  c.tick_low = c.tick_high = 0;
  SyncTrigger t = {fire, 1, &c};
  sync_register(&t);
  EXPECT_EQ(run(6 * 64 * 7), (std::vector<std::string>{"5:0:0", "5:16:0", "5:32:0", "5:48:0"}));
}

TEST(SyncTriggers, TwoHoldingConditionsCallOnce) {
  TinyModule m(4);
  std::vector<uint8_t> bytes;
  load(m, &bytes);
  SyncCondition c[2] = {open_condition(), open_condition()};
  SyncTrigger t = {fire, 2, c};
  sync_register(&t);
  EXPECT_EQ(run(5).size(), 5u);
  EXPECT_EQ(fired, 5);
}

TEST(SyncTriggers, InstrumentAndParameterRanges) {
  TinyModule m(4);
  m.samples[3] = {8, 0, 64, 0, 2, 0};
  m.put(0, 0, 0, 3, 428, 0x4, 0x35);
  m.put(0, 1, 0, 0, 0, 0x4, 0x99);
  std::vector<uint8_t> bytes;
  load(m, &bytes);
  SyncCondition c = open_condition();
  c.instrument_low = c.instrument_high = 3;
  c.parameter_low = 0x30;
  c.parameter_high = 0x3F;
  SyncTrigger t = {fire, 1, &c};
  sync_register(&t);
  EXPECT_EQ(run(12).size(), 6u);  // every tick of row 0, none of row 1
}

TEST(SyncRegistry, IdsCountOnAndTheRegistryHolds1024) {
  sync_clear();
  SyncCondition c = open_condition();
  SyncTrigger t = {fire, 1, &c};
  int first = sync_register(&t);
  EXPECT_GT(first, 0);
  for (int i = 1; i < kSyncMaxTriggers; ++i) EXPECT_EQ(sync_register(&t), first + i);
  EXPECT_EQ(sync_register(&t), 0);  // the 1025th
  EXPECT_EQ(sync_count(), kSyncMaxTriggers);
  sync_clear();
  EXPECT_EQ(sync_count(), 0);
  EXPECT_EQ(sync_register(&t), first + kSyncMaxTriggers);  // ids keep counting
}

TEST(SyncRegistry, UnusableTriggersAreRefused) {
  sync_clear();
  SyncCondition c = open_condition();
  c.row_divisor = 0;
  SyncTrigger zero_divisor = {fire, 1, &c};
  SyncTrigger no_callback = {nullptr, 0, nullptr};
  SyncTrigger no_conditions = {fire, 2, nullptr};
  EXPECT_EQ(sync_register(&zero_divisor), 0);
  EXPECT_EQ(sync_register(&no_callback), 0);
  EXPECT_EQ(sync_register(&no_conditions), 0);
  EXPECT_EQ(sync_register(nullptr), 0);
  EXPECT_EQ(sync_count(), 0);
}

TEST(SyncRegistry, NoChannelsNoMatch) {
  install_recording_device();
  std::vector<uint8_t> junk(1200, 0);
  pt_load(junk.data(), junk.size());
  sync_clear();
  fired = 0;
  SyncCondition c = open_condition();
  SyncTrigger t = {fire, 1, &c};
  sync_register(&t);
  for (int i = 0; i < 10; ++i) sync_check();
  EXPECT_EQ(fired, 0);
}

}  // namespace
