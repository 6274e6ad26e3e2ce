// Turns a parsed score into the module bytes: speed commands and pattern
// breaks are filled in, the order list is numbered, the song is walked row
// by row to time every cue, and the bytes are laid out for the loader.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/gen_tune/instruments.h"
#include "tools/gen_tune/score.h"

struct TimedCue {
  std::string name;
  int position = 0;
  int row = 0;
  int target = 0;  // the show tick the cue is written for
  int tick = 0;    // the tick its row starts on
  int row_ticks = 0;
  bool section = false;
};

struct Song {
  std::vector<uint8_t> bytes;   // the module as the show embeds it
  std::vector<TimedCue> cues;
  int end_tick = 0;             // first tick of the frozen last row
  std::string report;           // a human-readable summary
};

// Adds the speed commands of each pattern's groove (and its overrides) and a
// D00 on the last row of every pattern shorter than 64 rows. Each command
// takes the first free effect column, searching from channel 7 down.
bool finish_patterns(Score* score, std::string* error);

// Numbers patterns by first use in the order list, walks the song as the
// player would (speed, pattern delay, loop, break and jump), checks that
// every cue starts within one row of its tick and that the song ends on a
// speed-0 row, and writes the module bytes.
bool build_song(const Score& score, const std::vector<Instrument>& instruments, Song* out,
                std::string* error);
