#include "tools/gen_tune/song.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "tools/gen_tune/periods.h"

namespace {

bool place_effect(Row& row, int command, int param) {
  for (int c = kChannels - 1; c >= 0; --c) {
    if (!row[c].has_effect) {
      row[c].has_effect = true;
      row[c].command = command;
      row[c].param = param;
      return true;
    }
  }
  return false;
}

// Speed written explicitly on a row (F with a value below 32), or -1.
int explicit_speed(const Row& row) {
  int speed = -1;
  for (const Cell& c : row)
    if (c.has_effect && c.command == 0xF && c.param < 32) speed = c.param;
  return speed;
}

struct Walker {
  const Score& score;
  const std::vector<int>& numbers;       // order position -> pattern index
  std::map<std::pair<int, int>, std::pair<int, int>> first_visit;  // (pos,row) -> (tick, ticks)
  int end_tick = -1;
  int end_position = -1;

  // Returns false if the song never reaches a speed-0 row.
  bool run() {
    int speed = 6, position = 0, row = 0, break_row = 0, tick = 0;
    int loop_row[kChannels] = {}, loop_count[kChannels] = {};
    for (int guard = 0; guard < 200000; ++guard) {
      const Pattern& p = score.patterns[numbers[position]];
      const Row& cells = p.cells[row];
      int delay = 0;
      for (int c = 0; c < kChannels; ++c) {
        const Cell& cell = cells[c];
        if (!cell.has_effect) continue;
        int hi = cell.param >> 4, lo = cell.param & 15;
        if (cell.command == 0xF && cell.param < 32) speed = cell.param;
        if (cell.command == 0xE && hi == 0xE) delay = lo > delay ? lo : delay;
      }
      int ticks = speed * (1 + delay);
      first_visit.emplace(std::make_pair(position, row), std::make_pair(tick, speed));
      if (speed == 0) {
        end_tick = tick;
        end_position = position;
        return true;
      }
      for (int c = 0; c < kChannels; ++c) {
        const Cell& cell = cells[c];
        if (!cell.has_effect) continue;
        int hi = cell.param >> 4, lo = cell.param & 15;
        if (cell.command == 0xB) {
          row = 63;
          position = cell.param - 1;
        } else if (cell.command == 0xD) {
          row = 63;
          break_row = hi * 10 + lo;
        } else if (cell.command == 0xE && hi == 6) {
          if (lo == 0) {
            loop_row[c] = row;
          } else if (loop_count[c] == 0) {
            loop_count[c] = lo;
            row = loop_row[c] - 1;
          } else if (--loop_count[c] > 0) {
            row = loop_row[c] - 1;
          }
        }
      }
      tick += ticks;
      if (++row > 63) {
        row = break_row;
        break_row = 0;
        if (++position >= static_cast<int>(numbers.size())) position = score.restart;
      }
    }
    return false;
  }
};

void put16(std::vector<uint8_t>& b, int v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v & 0xFF));
}

void put_text(std::vector<uint8_t>& b, const std::string& s, size_t n) {
  for (size_t i = 0; i < n; ++i) b.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

std::vector<uint8_t> layout(const Score& score, const std::vector<Instrument>& instruments,
                            const std::vector<int>& numbers, const std::vector<int>& used) {
  std::vector<uint8_t> b;
  put_text(b, "tundrix", 20);
  for (int n = 0; n < 31; ++n) {
    if (n < static_cast<int>(instruments.size())) {
      const Instrument& in = instruments[n];
      put_text(b, in.name, 22);
      put16(b, static_cast<int>(in.data.size() / 2));
      b.push_back(0);
      b.push_back(static_cast<uint8_t>(in.volume));
      put16(b, in.loop_start / 2);
      put16(b, in.loop_length ? in.loop_length / 2 : 1);
    } else {
      put_text(b, "", 22);
      put16(b, 0);
      b.push_back(0);
      b.push_back(0);
      put16(b, 0);
      put16(b, 1);
    }
  }
  b.push_back(static_cast<uint8_t>(numbers.size()));
  b.push_back(static_cast<uint8_t>(score.restart));
  std::map<int, int> number_of;  // pattern index -> stored number
  for (size_t i = 0; i < used.size(); ++i) number_of[used[i]] = static_cast<int>(i);
  for (int i = 0; i < 128; ++i)
    b.push_back(i < static_cast<int>(numbers.size()) ? static_cast<uint8_t>(number_of[numbers[i]]) : 0);
  put_text(b, "8CHN", 4);
  for (int index : used) {
    for (const Row& row : score.patterns[index].cells) {
      for (const Cell& c : row) {
        int period = c.note >= 0 ? note_period(c.note) : 0;
        int cmd = c.has_effect ? c.command : 0;
        int par = c.has_effect ? c.param : 0;
        b.push_back(static_cast<uint8_t>((c.sample & 0xF0) | (period >> 8)));
        b.push_back(static_cast<uint8_t>(period & 0xFF));
        b.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | cmd));
        b.push_back(static_cast<uint8_t>(par));
      }
    }
  }
  for (const Instrument& in : instruments)
    for (int8_t v : in.data) b.push_back(static_cast<uint8_t>(v));
  return b;
}

std::string effect_name(const Cell& c) {
  char buf[8];
  if (c.command == 0xE)
    std::snprintf(buf, sizeof buf, "E%X", c.param >> 4);
  else if (c.command == 0 )
    std::snprintf(buf, sizeof buf, "0");
  else
    std::snprintf(buf, sizeof buf, "%X", c.command);
  return buf;
}

}  // namespace

bool finish_patterns(Score* score, std::string* error) {
  for (Pattern& p : score->patterns) {
    int current = -1;
    for (int r = 0; r < p.rows; ++r) {
      Row& row = p.cells[r];
      int want = p.groove[r];
      auto o = p.speed.find(r);
      if (o != p.speed.end()) want = o->second;
      int given = explicit_speed(row);
      if (given >= 0) {
        current = given;
        continue;
      }
      // Our retrigger fires on every later tick that lo divides; one on the
      // row's last tick would flam into the next row's first.
      for (const Cell& c : row) {
        int lo = c.param & 15;
        if (c.has_effect && c.command == 0xE && (c.param >> 4) == 9 && lo > 1 &&
            (want - 1) % lo == 0) {
          *error = "pattern " + p.name + " row " + std::to_string(r) + ": E9" + std::to_string(lo) +
                   " retriggers on the last of " + std::to_string(want) + " ticks";
          return false;
        }
      }
      if (want != current) {
        if (!place_effect(row, 0xF, want)) {
          *error = "pattern " + p.name + " row " + std::to_string(r) + ": no free column for speed";
          return false;
        }
        current = want;
      }
    }
    // A last row that stops the player (F00) never advances, so needs no break.
    bool stops = explicit_speed(p.cells[p.rows - 1]) == 0;
    if (p.rows < kRows && !stops && !place_effect(p.cells[p.rows - 1], 0xD, 0)) {
      *error = "pattern " + p.name + ": no free column for its break";
      return false;
    }
  }
  return true;
}

bool build_song(const Score& score, const std::vector<Instrument>& instruments, Song* out,
                std::string* error) {
  std::vector<int> numbers;
  std::vector<int> used;
  for (const std::string& name : score.order) {
    int index = -1;
    for (size_t i = 0; i < score.patterns.size(); ++i)
      if (score.patterns[i].name == name) index = static_cast<int>(i);
    if (index < 0) {
      *error = "order names an unknown pattern: " + name;
      return false;
    }
    bool seen = false;
    for (int u : used) seen = seen || u == index;
    if (!seen) used.push_back(index);
    numbers.push_back(index);
  }
  if (used.size() != score.patterns.size()) {
    *error = "some patterns are never used in the order list";
    return false;
  }
  Walker walk{score, numbers, {}};
  if (!walk.run()) {
    *error = "the song never reaches a row with speed 0";
    return false;
  }
  out->end_tick = walk.end_tick;
  std::string report;
  char line[200];
  for (size_t pos = 0; pos < numbers.size(); ++pos) {
    auto v = walk.first_visit.find({static_cast<int>(pos), 0});
    int tick = v == walk.first_visit.end() ? -1 : v->second.first;
    std::snprintf(line, sizeof line, "position %2zu  pattern %-14s rows %2d  starts at tick %6d\n",
                  pos, score.patterns[numbers[pos]].name.c_str(), score.patterns[numbers[pos]].rows,
                  tick);
    report += line;
  }
  bool ok = true;
  for (size_t i = 0; i < score.patterns.size(); ++i) {
    const Pattern& p = score.patterns[i];
    if (p.cues.empty()) continue;
    int position = -1;
    for (size_t pos = 0; pos < numbers.size() && position < 0; ++pos)
      if (numbers[pos] == static_cast<int>(i)) position = static_cast<int>(pos);
    for (const Cue& cue : p.cues) {
      auto v = walk.first_visit.find({position, cue.row});
      if (v == walk.first_visit.end()) {
        *error = "cue " + cue.name + " sits on a row that is never played";
        return false;
      }
      TimedCue t{cue.name, position, cue.row, cue.tick, v->second.first, v->second.second,
                 cue.section};
      int miss = std::abs(t.tick - t.target);
      bool near = miss <= (t.row_ticks ? t.row_ticks : 6);
      std::snprintf(line, sizeof line, "%-8s %-12s position %2d row %2d  tick %6d  wanted %6d%s\n",
                    cue.section ? "section" : "cue", cue.name.c_str(), position, cue.row, t.tick,
                    t.target, near ? "" : "  <-- more than one row away");
      report += line;
      ok = ok && near;
      out->cues.push_back(t);
    }
  }
  std::map<std::string, int> effects;
  for (int index : used)
    for (const Row& row : score.patterns[index].cells)
      for (const Cell& c : row)
        if (c.has_effect && (c.command || c.param)) ++effects[effect_name(c)];
  report += "effects:";
  for (const auto& [name, count] : effects) report += " " + name + "x" + std::to_string(count);
  report += "\n";
  out->bytes = layout(score, instruments, numbers, used);
  std::snprintf(line, sizeof line, "%zu positions, %zu patterns, %zu bytes, ends at tick %d\n",
                numbers.size(), used.size(), out->bytes.size(), walk.end_tick);
  report += line;
  out->report = report;
  if (!ok) *error = "cues missed their ticks:\n" + report;
  return ok;
}
