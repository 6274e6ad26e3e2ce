// Reading the embedded module the way a tracker does, and reading renders.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kTuneChannels = 8;

// One stored pattern cell, decoded from its four bytes.
struct RawCell {
  int sample;
  int period;
  int command;
  int param;
};

// A read-only view of a module image laid out as the loader expects.
struct ModuleView {
  const uint8_t* bytes;
  size_t size;

  int song_length() const { return bytes[950]; }
  int restart() const { return bytes[951]; }
  int order(int position) const { return bytes[952 + position]; }
  std::string tag() const { return std::string(reinterpret_cast<const char*>(bytes) + 1080, 4); }
  int pattern_count() const;                  // highest order entry + 1
  int sample_length(int n) const;             // bytes, n = 1..31
  int sample_volume(int n) const { return bytes[20 + 30 * (n - 1) + 25]; }
  int loop_start(int n) const;                // bytes
  int loop_length(int n) const;               // bytes
  RawCell cell(int pattern, int row, int channel) const;
};

// Where and when one row is first played, walking the song as the player
// does: speed (F below 32), pattern delay (EE), loop (E6), break (D), jump (B).
struct RowTime {
  int position;
  int row;
  int tick;   // first tick of the row
  int ticks;  // how long the row lasts (its speed)
};

// Rows in play order until the row that sets speed 0 (included, ticks 0).
// Empty if no such row is reached within a generous limit.
std::vector<RowTime> walk_song(const ModuleView& m);

// A row as our own player started it, from `tundrix-capture music
// --timeline` with the 16-bit device (457 frames a tick at tempo 175).
struct PlayedRow {
  int tick;
  int position;
  int row;
};
// Renders the show's module with the capture tool and reads its timeline.
// False if the tool fails or writes nothing.
bool played_rows(std::vector<PlayedRow>* out);

// A decoded WAV file: samples scaled to -1..1, interleaved if stereo, plus
// the raw integer values for clip counting.
struct Wav {
  int rate = 0;
  int channels = 0;
  int bits = 0;
  std::vector<int> raw;
};
bool read_wav(const std::string& path, Wav* out);
