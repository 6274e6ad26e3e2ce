// The tune against the show clock, computed from the module's own rows and
// speeds: every scene change and marked moment starts within one row of its
// tick, and the final row stops the player at about tick 20,400.
#include <gtest/gtest.h>

#include <cstdlib>

#include "data/content.h"
#include "tests/tune/tune_support.h"
#include "data/embedded.h"

namespace {

ModuleView embedded() { return {module_bytes(), module_size()}; }

const RowTime* find_row(const std::vector<RowTime>& rows, int position, int row) {
  for (const RowTime& r : rows)
    if (r.position == position && r.row == row) return &r;
  return nullptr;
}

// The row starting closest to tick, if that is within one row's length.
const RowTime* row_near(const std::vector<RowTime>& rows, int tick) {
  const RowTime* best = nullptr;
  for (const RowTime& r : rows)
    if (!best || std::abs(r.tick - tick) < std::abs(best->tick - tick)) best = &r;
  if (best && std::abs(best->tick - tick) <= (best->ticks ? best->ticks : 1)) return best;
  return nullptr;
}

const TuneCue* section_at(const RowTime& r) {
  for (int i = 0; i < tune_cue_count; ++i)
    if (tune_cues[i].section && tune_cues[i].position == r.position && tune_cues[i].row == r.row)
      return &tune_cues[i];
  return nullptr;
}

TEST(TuneTiming, EveryCueStartsWithinOneRowOfItsTick) {
  std::vector<RowTime> rows = walk_song(embedded());
  ASSERT_FALSE(rows.empty()) << "the song never stops";
  ASSERT_GT(tune_cue_count, 20);
  for (int i = 0; i < tune_cue_count; ++i) {
    const TuneCue& cue = tune_cues[i];
    const RowTime* r = find_row(rows, cue.position, cue.row);
    ASSERT_NE(r, nullptr) << cue.name << " is never played";
    EXPECT_LE(std::abs(r->tick - cue.tick), r->ticks ? r->ticks : 6)
        << cue.name << " starts at tick " << r->tick << ", written for " << cue.tick;
  }
}

TEST(TuneTiming, SectionsChangeWithTheScenes) {
  std::vector<RowTime> rows = walk_song(embedded());
  ASSERT_FALSE(rows.empty());
  // The scene windows of the show, and the replayed object's playback start.
  const int scene_changes[] = {0, 1940, 2940, 6795, 9451, 10451, 13121, 14191, 14891, 16191};
  for (int tick : scene_changes) {
    const RowTime* r = row_near(rows, tick);
    ASSERT_NE(r, nullptr) << "no row near tick " << tick;
    EXPECT_NE(section_at(*r), nullptr) << "no section starts near tick " << tick << " (row at "
                                       << r->tick << ")";
  }
}

TEST(TuneTiming, GalleryWipesAndWarpAreMarked) {
  std::vector<RowTime> rows = walk_song(embedded());
  ASSERT_FALSE(rows.empty());
  for (int wipe = 0; wipe < 6; ++wipe) {
    int tick = 6796 + 400 * wipe;
    const RowTime* r = row_near(rows, tick);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->row, 0) << "wipe at tick " << tick << " should open a pattern";
  }
  bool warp = false;
  for (int i = 0; i < tune_cue_count; ++i)
    warp = warp || (tune_cues[i].tick == 13196 && !tune_cues[i].section);
  EXPECT_TRUE(warp) << "the warp at tick 13196 has no cue";
}

TEST(TuneTiming, LastRowSilencesEveryChannelAndStopsNearTick20400) {
  ModuleView m = embedded();
  std::vector<RowTime> rows = walk_song(m);
  ASSERT_FALSE(rows.empty());
  const RowTime& last = rows.back();
  EXPECT_LE(std::abs(last.tick - 20400), 7) << "the music stops at tick " << last.tick;
  EXPECT_GE(last.tick, 16191 + 4200 - 7) << "the tunnel must have music to its end";
  int pattern = m.order(last.position);
  for (int c = 0; c < kTuneChannels; ++c) {
    RawCell cell = m.cell(pattern, last.row, c);
    bool silent = (cell.command == 0xC && cell.param == 0) ||
                  (cell.sample && m.sample_volume(cell.sample) == 0 && !cell.period);
    EXPECT_TRUE(silent) << "channel " << c << " keeps sounding on the last row";
  }
}

TEST(TuneTiming, RestartPositionIsNeverReached) {
  std::vector<RowTime> rows = walk_song(embedded());
  ASSERT_FALSE(rows.empty());
  for (size_t i = 1; i < rows.size(); ++i)
    EXPECT_GE(rows[i].position, rows[i - 1].position) << "the song wraps before its last row";
  EXPECT_EQ(rows.back().position, 47);
}

// Our own player, through the capture tool's timeline: every row starts on
// the tick the module's rows and speeds give, so every cue lands as above.
TEST(TuneTiming, OurPlayerStartsEveryRowOnTheComputedTick) {
  std::vector<PlayedRow> played;
  ASSERT_TRUE(played_rows(&played)) << "tundrix-capture music --timeline failed";
  std::vector<RowTime> computed = walk_song(embedded());
  ASSERT_FALSE(computed.empty());
  size_t next = 0;
  for (const RowTime& r : computed) {
    while (next < played.size() && (played[next].position != r.position || played[next].row != r.row))
      ++next;
    ASSERT_LT(next, played.size()) << "position " << r.position << " row " << r.row << " never played";
    EXPECT_EQ(played[next].tick, r.tick) << "position " << r.position << " row " << r.row;
  }
  EXPECT_LE(std::abs(played.back().tick - 20400), 7) << "the player stops at tick " << played.back().tick;
  for (int i = 0; i < tune_cue_count; ++i) {
    const TuneCue& cue = tune_cues[i];
    bool found = false;
    for (size_t k = 0; k < played.size() && !found; ++k) {
      if (played[k].position != cue.position || played[k].row != cue.row) continue;
      found = true;
      // The last row (speed 0) has no successor; a sixteenth is its measure.
      int length = k + 1 < played.size() ? played[k + 1].tick - played[k].tick : 6;
      EXPECT_LE(std::abs(played[k].tick - cue.tick), length) << cue.name;
    }
    EXPECT_TRUE(found) << cue.name << " is never played";
  }
}

}  // namespace
