// The score: a compact, tracker-like text that names instruments, grooves,
// phrases, patterns and the order list, and its compilation into cells.
//
//   groove fast 7 6 6 6        ticks per row, cycled; a cycle is one beat
//   kit k=kick s=snare t=tom@55   letters for drum lines (optional note index)
//   # comment                  from a '#' that starts a word to the line's end
//   phrase NAME tokens...      reusable tokens; repeating the line appends
//   pattern NAME ROWS GROOVE   starts a pattern, ended by "end"
//     C INSTR tokens...        channel C (0-7) plays INSTR ("kit": letters);
//                              more lines for the same channel append
//     groove ROW NAME          from ROW on, another groove
//     bars ROW                 bar lines count from ROW (after a pickup)
//     speed ROW=TICKS ...      rows held longer or shorter than the groove
//     section ROW NAME TICK    a scene change that must start on this row
//     cue ROW NAME TICK        a moment inside a scene
//   order NAME...              order list (several lines append)
//   restart N
//
// Tokens, one row each unless stretched:
//   .  ./N        nothing (for N rows)
//   |             bar line: checked to fall on a bar boundary (100 ticks)
//   D4 C#5 Bb3    a note (scientific pitch, C4 = MIDI 60); in kit lines a letter
//   ^             silence the channel (C00)
//   v40           volume in decimal (C command), e.g. D4v40
//   :A04          any effect in tracker hex, e.g. D4:304 or just :A02
//   /N            the token lasts N rows (the rest stay empty)
//   *N            the token's effect repeats on N rows (the note only once)
//   ~D4           a note without its sample number: the channel keeps its
//                 volume (for rolls and echoes at a set level)
//   [ ... ]N      the group N times
//   $name $name+7 a phrase, optionally transposed by semitones
// A note whose effect is 3xx or 5xx glides: it is written without a sample
// number, so the playing sample and its volume carry on.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/gen_tune/instruments.h"

constexpr int kChannels = 8;
constexpr int kRows = 64;

struct Cell {
  int sample = 0;    // 0 = none
  int note = -1;     // note index 0..83, -1 = none
  int command = 0;
  int param = 0;
  bool has_effect = false;
};

using Row = std::array<Cell, kChannels>;

struct Cue {
  int row = 0;
  std::string name;
  int tick = 0;
  bool section = false;  // a scene change rather than a moment inside one
};

struct Pattern {
  std::string name;
  int rows = kRows;      // rows played; a shorter pattern ends with a break
  std::vector<int> groove = std::vector<int>(kRows, 6);  // ticks of each row by its groove
  std::map<int, int> speed;  // row -> ticks, overriding the groove
  int bar_anchor = 0;        // row from which bar lines are counted
  std::vector<Row> cells = std::vector<Row>(kRows);
  std::vector<Cue> cues;
};

struct Score {
  std::vector<Pattern> patterns;
  std::vector<std::string> order;
  int restart = 0;
};

// Parses and compiles the score text against the instrument list (sample n
// is instruments[n - 1]). On failure returns false with a message naming the
// line. Speed commands and pattern breaks are added later by finish_patterns.
bool parse_score(const std::string& text, const std::vector<Instrument>& instruments, Score* out,
                 std::string* error);
