// The tune as it sounds. Our own player renders it through
// `tundrix-capture music` at both devices; openmpt123 renders the generated
// file as an independent cross-check of length and continuity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/content.h"
#include "player/loader.h"
#include "player/playback.h"
#include "player/sync.h"
#include "sound/devices.h"
#include "sound/mixer.h"
#include "sound/stream.h"
#include "tests/support/support.h"
#include "tests/tune/tune_support.h"

namespace {

constexpr double kTicksPerSecond = 70.0;
constexpr double kEndTick = 20400.0;

// RMS in dB of each window of `seconds`, mixing channels down to mono and
// removing the window's mean (a parked channel can hold a constant offset).
std::vector<double> window_levels(const Wav& w, double seconds, double full_scale) {
  std::vector<double> levels;
  size_t frame = static_cast<size_t>(w.channels);
  size_t per = static_cast<size_t>(seconds * w.rate);
  size_t frames = w.raw.size() / frame;
  for (size_t start = 0; start + per <= frames; start += per) {
    double sum = 0, sq = 0;
    for (size_t f = start; f < start + per; ++f) {
      double v = 0;
      for (size_t c = 0; c < frame; ++c) v += w.raw[f * frame + c];
      v /= frame * full_scale;
      sum += v;
      sq += v * v;
    }
    double mean = sum / per;
    levels.push_back(10.0 * std::log10(sq / per - mean * mean + 1e-12));
  }
  return levels;
}

// Renders the show's module with our own player; false (and a skip) while
// the capture tool cannot render music yet.
bool render_ours(int device, Wav* out) {
  // Named per test: ctest runs the cases of this file side by side.
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string path = testing::TempDir() + "/tune_" + test->name() + ".wav";
  RunOptions slow;
  slow.timeout_seconds = 240;
  RunResult r = run_program({capture_binary(), "music", "--device", std::to_string(device), "--seconds",
                             "295", "-o", path},
                            slow);
  if (r.status != 0 && r.err.find("not built") != std::string::npos) return false;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(read_wav(path, out)) << path;
  std::remove(path.c_str());
  return true;
}

void expect_no_clipping(const Wav& w, int low, int high) {
  size_t clipped = 0;
  for (int v : w.raw) clipped += v <= low || v >= high;
  EXPECT_EQ(clipped, 0u) << "samples at the rails";
}

// Loud enough in every half second up to shortly before the final row.
void expect_no_gaps(const Wav& w, double full_scale, double floor_db) {
  std::vector<double> levels = window_levels(w, 0.5, full_scale);
  size_t until = static_cast<size_t>((kEndTick - 70) / kTicksPerSecond / 0.5);
  ASSERT_GT(levels.size(), until);
  for (size_t i = 0; i < until; ++i)
    EXPECT_GT(levels[i], floor_db) << "near silence at " << i * 0.5 << " s";
}

TEST(TuneRender, SixteenBitDeviceNeverClipsAndNeverFallsSilent) {
  Wav w;
  if (!render_ours(16, &w)) GTEST_SKIP() << "tundrix-capture music is not built yet";
  ASSERT_EQ(w.channels, 2);
  ASSERT_EQ(w.rate, 32000);
  expect_no_clipping(w, -32768, 32767);
  expect_no_gaps(w, 32768.0, -45.0);
}

TEST(TuneRender, EightBitDeviceNeverClips) {
  Wav w;
  if (!render_ours(8, &w)) GTEST_SKIP() << "tundrix-capture music is not built yet";
  ASSERT_EQ(w.channels, 1);
  ASSERT_EQ(w.rate, 21700);
  expect_no_clipping(w, -128, 127);
  expect_no_gaps(w, 128.0, -40.0);
}

TEST(TuneRender, SectionsAreEvenlyLoudAndTheMusicEndsInSilence) {
  Wav w;
  if (!render_ours(16, &w)) GTEST_SKIP() << "tundrix-capture music is not built yet";
  const int bounds[] = {0, 2940, 6795, 9451, 10451, 13121, 14191, 16191, 20300};
  std::vector<double> levels = window_levels(w, 1.0 / kTicksPerSecond, 32768.0);
  ASSERT_GE(levels.size(), 20300u);
  std::vector<double> section_db;
  for (size_t s = 0; s + 1 < sizeof bounds / sizeof bounds[0]; ++s) {
    double power = 0;
    for (int t = bounds[s]; t < bounds[s + 1]; ++t) power += std::pow(10.0, levels[t] / 10.0);
    section_db.push_back(10.0 * std::log10(power / (bounds[s + 1] - bounds[s])));
  }
  double loudest = *std::max_element(section_db.begin(), section_db.end());
  for (size_t s = 0; s < section_db.size(); ++s)
    EXPECT_GT(section_db[s], loudest - 6.0) << "section from tick " << bounds[s] << " is too quiet";
  // The capture stops after the tick that sets speed 0: the frozen last row
  // is its final block, and every channel is already at volume 0 there.
  const size_t block = 32000 / 70;
  size_t frames = w.raw.size() / 2;
  EXPECT_NEAR(static_cast<double>(frames) / block, kEndTick + 1, 7.0);
  ASSERT_GE(frames, block);
  for (size_t i = 2 * (frames - block); i < w.raw.size(); ++i)
    ASSERT_EQ(w.raw[i], 0) << "sound on the last row, frame " << i / 2;
}

TEST(TuneRender, OpenmptPlaysTheGeneratedFileToTheEnd) {
  std::string mod = testing::TempDir() + "/tune_x.mod";
  ASSERT_EQ(run_program({TUNE_GEN_BIN, "--score", TUNE_SCORE, "--mod", mod}).status, 0);
  RunOptions slow;
  slow.timeout_seconds = 240;
  RunResult r = run_program({"/usr/bin/env", "openmpt123", "--render", "--no-float", "--samplerate", "32000",
                             "--force", mod},
                            slow);
  if (r.status == 127) GTEST_SKIP() << "openmpt123 is not installed";
  Wav w;
  bool read = read_wav(mod + ".wav", &w);
  std::remove((mod + ".wav").c_str());
  std::remove(mod.c_str());
  ASSERT_TRUE(read) << r.err;
  ASSERT_EQ(w.bits, 16);
  std::vector<double> levels = window_levels(w, 0.5, 32768.0);
  size_t last_sound = 0;
  for (size_t i = 0; i < levels.size(); ++i)
    if (levels[i] > -60.0) last_sound = i;
  double end_seconds = kEndTick / kTicksPerSecond;
  EXPECT_NEAR(last_sound * 0.5, end_seconds, 3.0) << "openmpt hears the end elsewhere";
  for (size_t i = 0; i < static_cast<size_t>((end_seconds - 2.0) / 0.5); ++i)
    EXPECT_GT(levels[i], -50.0) << "openmpt hears a gap at " << i * 0.5 << " s";
}

// A play-once channel that has run out stays parked at position 0 and adds
// its sample's first byte, at the channel's volume, to every frame. Over the
// whole tune no parked channel may do that with a non-zero byte: each such
// offset becomes a click when it starts, stops or changes volume.
TEST(TuneRender, NoParkedChannelAddsAnOffset) {
  std::vector<uint8_t> module(module_bytes(), module_bytes() + module_size());
  sd_offline_init(kSound16Bit);
  ASSERT_EQ(pt_load(module.data(), module.size()), 1);
  static int16_t block[2 * kMixMaxFrames];
  int ticks = 0, offset_ticks = 0, worst = 0;
  for (; ticks < 30000 && pt_speed() != 0; ++ticks) {
    pt_tick();
    sync_check();
    bool offset = false;
    for (int i = 0; i < mix_channel_count(); ++i) {
      const MixChannel& mixing = mix_mixing_channel(i);
      const MixChannel& control = mix_control_channel(i);
      // Parked after the last block and nothing moves it on in this one.
      bool parked = !mixing.looped && mixing.length && !mixing.position && !mixing.position_fraction &&
                    !mixing.step && !mixing.step_fraction && !control.position_changed &&
                    !control.step_changed;
      if (!parked || control.volume == 0 || control.length == 0 || control.data[0] == 0) continue;
      offset = true;
      int level = control.data[0] * control.volume;
      worst = std::max(worst, level < 0 ? -level : level);
    }
    offset_ticks += offset;
    mix_stereo(block, sound_block_frames(kSound16Bit, pt_tempo()), true);
  }
  EXPECT_EQ(pt_speed(), 0u) << "the tune ends by setting speed 0";
  EXPECT_GT(ticks, 10000);
  EXPECT_EQ(offset_ticks, 0) << "of " << ticks << " ticks; largest byte x volume " << worst;
}

}  // namespace
