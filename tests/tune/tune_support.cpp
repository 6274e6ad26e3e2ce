#include "tests/tune/tune_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "tests/support/support.h"

namespace {
int word(const uint8_t* p) { return (p[0] << 8) | p[1]; }
const uint8_t* header(const ModuleView& m, int n) { return m.bytes + 20 + 30 * (n - 1); }
}  // namespace

int ModuleView::pattern_count() const {
  int highest = 0;
  for (int i = 0; i < 128; ++i) highest = bytes[952 + i] > highest ? bytes[952 + i] : highest;
  return highest + 1;
}

int ModuleView::sample_length(int n) const { return 2 * word(header(*this, n) + 22); }
int ModuleView::loop_start(int n) const { return 2 * word(header(*this, n) + 26); }
int ModuleView::loop_length(int n) const { return 2 * word(header(*this, n) + 28); }

RawCell ModuleView::cell(int pattern, int row, int channel) const {
  const uint8_t* c = bytes + 1084 + ((pattern * 64 + row) * kTuneChannels + channel) * 4;
  return {(c[0] & 0xF0) | (c[2] >> 4), ((c[0] & 0x0F) << 8) | c[1], c[2] & 0x0F, c[3]};
}

std::vector<RowTime> walk_song(const ModuleView& m) {
  std::vector<RowTime> rows;
  std::map<std::pair<int, int>, bool> seen;
  int speed = 6, position = 0, row = 0, break_row = 0, tick = 0;
  int loop_row[kTuneChannels] = {}, loop_count[kTuneChannels] = {};
  for (int guard = 0; guard < 100000; ++guard) {
    int pattern = m.order(position);
    int delay = 0;
    for (int c = 0; c < kTuneChannels; ++c) {
      RawCell cell = m.cell(pattern, row, c);
      if (cell.command == 0xF && cell.param < 32) speed = cell.param;
      if (cell.command == 0xE && (cell.param >> 4) == 0xE && (cell.param & 15) > delay) delay = cell.param & 15;
    }
    if (!seen[{position, row}]) rows.push_back({position, row, tick, speed});
    seen[{position, row}] = true;
    if (speed == 0) return rows;
    for (int c = 0; c < kTuneChannels; ++c) {
      RawCell cell = m.cell(pattern, row, c);
      int hi = cell.param >> 4, lo = cell.param & 15;
      if (cell.command == 0xB) {
        row = 63;
        position = cell.param - 1;
      } else if (cell.command == 0xD) {
        row = 63;
        break_row = hi * 10 + lo;
      } else if (cell.command == 0xE && hi == 6) {
        if (lo == 0)
          loop_row[c] = row;
        else if (loop_count[c] == 0)
          loop_count[c] = lo, row = loop_row[c] - 1;
        else if (--loop_count[c] > 0)
          row = loop_row[c] - 1;
      }
    }
    tick += speed * (1 + delay);
    if (++row > 63) {
      row = break_row;
      break_row = 0;
      if (++position >= m.song_length()) position = m.restart();
    }
  }
  return {};
}

bool read_wav(const std::string& path, Wav* out) {
  std::vector<uint8_t> b = read_file(path);
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) return false;
  size_t at = 12;
  auto le16 = [&](size_t p) { return b[p] | (b[p + 1] << 8); };
  auto le32 = [&](size_t p) { return static_cast<uint32_t>(le16(p) | (le16(p + 2) << 16)); };
  while (at + 8 <= b.size()) {
    uint32_t size = le32(at + 4);
    if (!std::memcmp(b.data() + at, "fmt ", 4)) {
      out->channels = le16(at + 10);
      out->rate = static_cast<int>(le32(at + 12));
      out->bits = le16(at + 22);
    } else if (!std::memcmp(b.data() + at, "data", 4)) {
      size_t end = at + 8 + size > b.size() ? b.size() : at + 8 + size;
      for (size_t p = at + 8; p + (out->bits / 8) <= end; p += out->bits / 8)
        out->raw.push_back(out->bits == 16 ? static_cast<int16_t>(le16(p)) : b[p] - 128);
      return out->bits == 8 || out->bits == 16;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

bool played_rows(std::vector<PlayedRow>* out) {
  std::string base = testing::TempDir() + "/tune_timeline_" + std::to_string(getpid());
  std::string timeline = base + ".txt", wav = base + ".wav";
  RunOptions slow;
  slow.timeout_seconds = 240;
  RunResult r = run_program({capture_binary(), "music", "--device", "16", "--timeline", timeline, "-o", wav},
                            slow);
  std::remove(wav.c_str());
  if (r.status != 0) return false;
  std::ifstream in(timeline);
  double seconds;
  int position, row;
  // A tick's block is 32000 / 70 = 457 frames, so frames / 457 is the tick.
  while (in >> seconds >> position >> row)
    out->push_back({static_cast<int>(std::lround(seconds * 32000.0 / 457.0)), position, row});
  std::remove(timeline.c_str());
  return !out->empty();
}
