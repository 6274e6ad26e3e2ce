// The mixer: levels, take-over, parking, offsets, conversion and clipping.
#include <gtest/gtest.h>

#include <vector>

#include "sound/mixer.h"

namespace {

std::vector<int8_t> filled(size_t n, int8_t value) { return std::vector<int8_t>(n, value); }

// One channel on sample 1 at period 428 and 32000 Hz.
void one_channel(const std::vector<int8_t>& data, bool looped, int volume = 64, int panning = 127) {
  mixer_init(32000);
  mix_set_master_volume(64);
  mix_set_channels(1);
  mix_set_sample(1, data.data(), uint32_t(data.size()), 0, looped ? uint32_t(data.size()) : 0, looped);
  mix_select_channel(0);
  mix_set_instrument(1);
  mix_set_volume(volume);
  mix_set_panning(panning);
  mix_set_period(428);
  mix_set_offset(0);
}

std::vector<int16_t> stereo16(int frames) {
  std::vector<int16_t> out(size_t(2 * frames));
  mix_stereo(out.data(), frames, true);
  return out;
}

std::vector<int16_t> mono16(int frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames));
  mix_mono(out.data(), frames, true);
  return out;
}

TEST(MixerLevels, MonoAndStereoLevelsAtMaster64) {
  std::vector<int8_t> ones = filled(64, 1);
  one_channel(ones, true);
  EXPECT_EQ(mono16(4), (std::vector<int16_t>(4, 129)));  // 255 * 64 * 64 / 8064
  const std::pair<int, std::pair<int, int>> cases[] = {
      {127, {65, 64}}, {112, {72, 56}}, {144, {56, 73}}, {0, {129, 0}}, {255, {0, 129}}};
  // 144 * 64 * 64 / 8064 = 73.1: the right side of 144 is 73, one above the
  // mirror image of 112.
  for (auto [pan, lr] : cases) {
    one_channel(ones, true, 64, pan);
    std::vector<int16_t> s = stereo16(2);
    EXPECT_EQ(s[0], lr.first) << pan;
    EXPECT_EQ(s[1], lr.second) << pan;
  }
}

TEST(MixerLevels, LoudVolumesSaturateInsteadOfWrapping) {
  std::vector<int8_t> ones = filled(64, 1);
  one_channel(ones, true, 200);
  EXPECT_EQ(mono16(1)[0], 255);  // 255*64*200/8064 = 404 would wrap to 148
  mix_set_master_volume(300);
  EXPECT_EQ(mix_master_volume(), 252);
  mix_set_master_volume(-5);
  EXPECT_EQ(mix_master_volume(), 0);
}

TEST(MixerSteps, StepFromPeriodAndZeroPeriodKeepsIt) {
  one_channel(filled(64, 0), true);
  const MixChannel& c = mix_control_channel(0);
  EXPECT_EQ(c.step, 0u);
  // 3546836 / (32000 * 428) = 0.2589687 of a byte per frame: 4344774 / 2^24
  EXPECT_EQ(c.step_fraction, 4344774u * 256u);
  EXPECT_EQ(c.step_fraction & 0xFF, 0u);
  EXPECT_EQ(c.step_changed, 1u);
  uint32_t before = c.step_fraction;
  mix_set_period(0);
  mix_set_period(-12);
  EXPECT_EQ(c.step_fraction, before);
  mix_set_period(28);
  EXPECT_EQ(c.step, 3u);  // 3546836 / 28 / 32000
}

TEST(MixerTakeOver, PositionAndStepMoveOnlyWhenFlagged) {
  std::vector<int8_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[size_t(i)] = int8_t(i / 4);
  one_channel(ramp, true);
  mix_set_period(107);  // about one byte per frame
  stereo16(10);
  const MixChannel& m = mix_mixing_channel(0);
  uint32_t pos = m.position;
  EXPECT_GT(pos, 0u);
  mix_set_volume(32);  // taken over without moving the position
  stereo16(1);
  EXPECT_EQ(m.volume, 32);
  EXPECT_GT(m.position, pos);
  mix_set_offset(100);
  stereo16(1);
  EXPECT_EQ(m.position, 101u);  // taken over, then advanced one step
  EXPECT_EQ(mix_control_channel(0).position_changed, 0u);
}

TEST(MixerTakeOver, VolumeZeroKeepsThePosition) {
  std::vector<int8_t> data = filled(4096, 1);
  one_channel(data, true);
  stereo16(100);
  uint32_t pos = mix_mixing_channel(0).position;
  mix_set_volume(0);
  stereo16(100);
  EXPECT_EQ(mix_mixing_channel(0).position, pos);
  mix_set_volume(64);
  stereo16(1);
  EXPECT_GE(mix_mixing_channel(0).position, pos);
  EXPECT_LE(mix_mixing_channel(0).position, pos + 1);
}

TEST(MixerLoops, AStepLongerThanTheLoopLandsOnTheLoopStart) {
  std::vector<int8_t> data(64);
  for (int i = 0; i < 64; ++i) data[size_t(i)] = int8_t(i);
  one_channel(data, false);
  mix_set_sample(1, data.data(), 64, 40, 44, 1);
  mix_set_instrument(1);
  mix_set_period(28);  // 3.96 bytes per frame > loop of 4
  mix_set_offset(38);
  std::vector<int16_t> out = mono16(6);
  // 38 -> 41.96 (41), then every step passes 44 and restarts at 40.
  EXPECT_EQ(out[0], 41 * 129);
  for (int f = 1; f < 6; ++f) EXPECT_EQ(out[size_t(f)], 40 * 129) << f;
}

TEST(MixerOffsets, BeyondTheLoopStopsLoopingBeyondTheLengthMovesNothing) {
  std::vector<int8_t> data = filled(1000, 1);
  one_channel(data, false);
  mix_set_sample(1, data.data(), 1000, 0, 500, 1);
  mix_set_instrument(1);
  mix_set_offset(600);
  EXPECT_EQ(mix_control_channel(0).looped, 0u);
  EXPECT_EQ(mix_control_channel(0).position, 600u);
  mix_set_instrument(1);
  EXPECT_EQ(mix_control_channel(0).looped, 1u);  // restored with the sample
  mix_set_offset(1000);
  EXPECT_EQ(mix_control_channel(0).looped, 0u);
  EXPECT_EQ(mix_control_channel(0).position, 600u);
}

TEST(MixerParking, PlayOnceSampleEndsMidBlockThenParks) {
  std::vector<int8_t> data = filled(10, 2);
  data[0] = 5;
  one_channel(data, false);
  mix_set_period(107);  // ~1.036 bytes per frame: ends after 9 frames
  std::vector<int16_t> out = mono16(20);
  int sounding = 0;
  for (int f = 0; f < 20; ++f) {
    if (out[size_t(f)] != 0) {
      EXPECT_EQ(out[size_t(f)], 2 * 129) << f;
      ++sounding;
    }
  }
  EXPECT_EQ(sounding, 9);
  for (int f = 9; f < 20; ++f) EXPECT_EQ(out[size_t(f)], 0) << f;
  const MixChannel& m = mix_mixing_channel(0);
  EXPECT_EQ(m.position, 0u);
  EXPECT_EQ(m.step, 0u);
  EXPECT_EQ(m.volume, 0);
  // Parked: the next block takes the volume over again and holds the first
  // byte for the whole block, then parks once more.
  EXPECT_EQ(mono16(3), (std::vector<int16_t>(3, 5 * 129)));
  EXPECT_EQ(m.volume, 0);
  // A new position starts it again.
  mix_set_offset(0);
  mix_set_period(107);
  EXPECT_EQ(mono16(2)[1], 2 * 129);
}

TEST(MixerConversion, EightAndSixteenBitClipping) {
  std::vector<int8_t> loud = filled(64, 127), quiet = filled(64, -128), zero = filled(64, 0);
  auto channels = [](const std::vector<int8_t>& d, int count, int volume) {
    mixer_init(21700);
    mix_set_master_volume(64);
    mix_set_channels(count);
    mix_set_sample(1, d.data(), 64, 0, 64, 1);
    for (int i = 0; i < count; ++i) {
      mix_select_channel(i);
      mix_set_instrument(1);
      mix_set_volume(volume);
      mix_set_period(428);
      mix_set_offset(0);
    }
  };
  uint8_t b[4];
  channels(zero, 1, 64);
  mix_mono(b, 2, false);
  EXPECT_EQ(b[0], 128);  // silence
  channels(loud, 1, 64);
  mix_mono(b, 2, false);
  EXPECT_EQ(b[0], 128 + (127 * 129 >> 9));  // 16383 >> 9 = 31
  channels(loud, 32, 200);
  mix_mono(b, 2, false);
  EXPECT_EQ(b[0], 255);
  channels(quiet, 32, 200);
  mix_mono(b, 2, false);
  EXPECT_EQ(b[0], 0);
  int16_t s[4];
  channels(loud, 2, 64);
  mix_mono(s, 2, true);
  EXPECT_EQ(s[0], 2 * 127 * 129);  // 32766 fits
  channels(loud, 3, 64);
  mix_mono(s, 2, true);
  EXPECT_EQ(s[0], 32767);  // 49149 clips
  channels(quiet, 3, 64);
  mix_mono(s, 2, true);
  EXPECT_EQ(s[0], -32768);
}

TEST(MixerBlocks, OversizedBlocksAreCut) {
  std::vector<int8_t> ones = filled(64, 1);  // the mixer plays it in place
  one_channel(ones, true);
  static int16_t out[2 * kMixMaxFrames];
  EXPECT_EQ(mix_stereo(out, kMixMaxFrames + 500, true), kMixMaxFrames);
  EXPECT_EQ(mix_mono(out, -3, true), 0);
}

TEST(MixerSamples, LoopsPastTheLengthAreCut) {
  std::vector<int8_t> data = filled(100, 3);
  mixer_init(32000);
  mix_set_channels(1);
  mix_set_sample(1, data.data(), 100, 50, 400, 1);
  mix_select_channel(0);
  mix_set_instrument(1);
  EXPECT_EQ(mix_control_channel(0).loop_end, 100u);
  mix_set_sample(2, data.data(), 100, 99, 400, 1);  // 1 byte left: plays once
  mix_set_instrument(2);
  EXPECT_EQ(mix_control_channel(0).looped, 0u);
}

}  // namespace
