// Tiny modules built in code for the loader and player tests, and a sound
// device that records what the player asks of each channel.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "player/loader.h"
#include "player/module.h"
#include "player/playback.h"
#include "sound/devices.h"

struct TinySample {
  int length = 0;      // bytes (even)
  int finetune = 0;
  int volume = 64;
  int loop_start = 0;  // bytes
  int loop_length = 2; // bytes
  int8_t fill = 0;
};

struct TinyCell {
  int sample = 0, period = 0, command = 0, param = 0;
};

// A 31-sample module: patterns of 64 rows x channels cells.
struct TinyModule {
  int channels = 4;
  std::string tag = "M.K.";
  int song_length = 1;
  int restart = 0;
  uint8_t orders[128] = {};
  int patterns = 1;
  TinySample samples[32];
  std::vector<TinyCell> cells;  // patterns * 64 * channels
  int trim = 0;                 // bytes cut from the end of the file

  explicit TinyModule(int channel_count = 4, int pattern_count = 1)
      : channels(channel_count), patterns(pattern_count), cells(size_t(pattern_count) * 64 * channel_count) {}

  TinyCell& at(int pattern, int row, int channel) {
    return cells[size_t((pattern * 64 + row) * channels + channel)];
  }
  void put(int pattern, int row, int channel, int sample, int period, int command = 0, int param = 0) {
    at(pattern, row, channel) = {sample, period, command, param};
  }

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> b(1084, 0);
    std::memcpy(b.data(), "tiny", 4);
    for (int n = 1; n <= 31; ++n) {
      uint8_t* h = &b[size_t(20 + 30 * (n - 1))];
      const TinySample& s = samples[n];
      h[22] = uint8_t((s.length / 2) >> 8), h[23] = uint8_t(s.length / 2);
      h[24] = uint8_t(s.finetune), h[25] = uint8_t(s.volume);
      h[26] = uint8_t((s.loop_start / 2) >> 8), h[27] = uint8_t(s.loop_start / 2);
      h[28] = uint8_t((s.loop_length / 2) >> 8), h[29] = uint8_t(s.loop_length / 2);
    }
    b[950] = uint8_t(song_length);
    b[951] = uint8_t(restart);
    std::memcpy(&b[952], orders, 128);
    std::memcpy(&b[1080], tag.data(), 4);
    for (const TinyCell& c : cells) {
      b.push_back(uint8_t((c.sample & 0xF0) | ((c.period >> 8) & 0x0F)));
      b.push_back(uint8_t(c.period));
      b.push_back(uint8_t(((c.sample & 0x0F) << 4) | (c.command & 0x0F)));
      b.push_back(uint8_t(c.param));
    }
    for (int n = 1; n <= 31; ++n) b.insert(b.end(), size_t(samples[n].length), uint8_t(samples[n].fill));
    b.resize(b.size() - size_t(trim));
    return b;
  }
};

// What the player last asked of each channel, and how often.
struct DeviceLog {
  int period[32], volume[32], panning[32], instrument[32];
  int offset[32];   // last offset, -1 when none this tick
  int period_calls[32], offset_calls[32];
  int selects;      // select_channel calls (one per processed channel)
  int current;
  int sample_count; // set_sample calls
  int sample_numbers[32];
  const int8_t* sample_data[32];
  uint32_t sample_length[32], loop_start[32], loop_end[32];
  int looped[32];
  int channels_set;
};
extern DeviceLog device_log;

// Installs the recording device and clears the log.
void install_recording_device();
// Clears the per-tick fields (offset) before a tick.
void begin_tick();

// Loads a tiny module (kept alive by the caller's vector) with the
// recording device; returns pt_load's result.
int load_tiny(const TinyModule& m, std::vector<uint8_t>* storage);
