// The player stepped tick by tick on tiny modules, compared with what the
// channel registers should receive.
#include <gtest/gtest.h>

#include "tests/player/tiny_module.h"

namespace {

// Row 0 of pattern 0, channel 0, with sample 1 (finetune 0, volume 64).
TinyModule one_channel_song(int patterns = 1) {
  TinyModule m(4, patterns);
  m.samples[1] = {64, 0, 64, 0, 2, 0};
  m.song_length = patterns;
  for (int p = 0; p < patterns; ++p) m.orders[p] = uint8_t(p);
  return m;
}

struct Step {
  uint32_t position, row, tick;
};

Step step() {
  begin_tick();
  pt_tick();
  return {pt_state().cells_position, pt_state().cells_row, pt_state().tick};
}

std::vector<int> periods(int ticks, int channel = 0) {
  std::vector<int> out;
  for (int t = 0; t < ticks; ++t) {
    step();
    out.push_back(device_log.period[channel]);
  }
  return out;
}

std::vector<int> volumes(int ticks, int channel = 0) {
  std::vector<int> out;
  for (int t = 0; t < ticks; ++t) {
    step();
    out.push_back(device_log.volume[channel]);
  }
  return out;
}

TEST(PlaybackRows, FirstCallPlaysRowZeroAndSpeedSixMakesSixTickRows) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428);
  m.put(0, 1, 0, 1, 214);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(pt_speed(), 6u);
  EXPECT_EQ(pt_tempo(), 125u);
  Step s = step();
  EXPECT_EQ(s.position, 0u);
  EXPECT_EQ(s.row, 0u);
  EXPECT_EQ(s.tick, 0u);
  EXPECT_EQ(device_log.period[0], 428);
  EXPECT_EQ(device_log.offset[0], 0);
  for (int t = 1; t < 6; ++t) EXPECT_EQ(step().row, 0u);
  s = step();  // the seventh call
  EXPECT_EQ(s.row, 1u);
  EXPECT_EQ(device_log.period[0], 214);
  EXPECT_EQ(pt_song_position(), 1u);
}

TEST(PlaybackRows, PatternDelayHoldsTheRowWithoutProcessingChannels) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0xE, 0xE2);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  std::vector<int> selects;
  std::vector<uint32_t> rows;
  for (int t = 0; t < 19; ++t) {
    int before = device_log.selects;
    rows.push_back(step().row);
    selects.push_back(device_log.selects - before);
  }
  for (int t = 0; t < 18; ++t) EXPECT_EQ(rows[t], 0u) << t;
  EXPECT_EQ(rows[18], 1u);  // 18 ticks in all
  // The two held row starts (ticks 6 and 12) process no channel at all.
  for (int t = 0; t < 18; ++t) EXPECT_EQ(selects[t], t == 6 || t == 12 ? 0 : 4) << t;
}

TEST(PlaybackRows, JumpAndBreakOnOneRow) {
  TinyModule m = one_channel_song(8);
  m.song_length = 8;
  m.put(0, 0, 0, 0, 0, 0xB, 0x05);
  m.put(0, 0, 1, 0, 0, 0xD, 0x12);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  for (int t = 0; t < 6; ++t) step();
  Step s = step();
  EXPECT_EQ(s.position, 5u);
  EXPECT_EQ(s.row, 12u);
}

TEST(PlaybackRows, JumpsPastTheSongAndBreaksPastThePatternAreBounded) {
  TinyModule m = one_channel_song(3);
  m.song_length = 3;
  m.restart = 1;
  m.put(0, 0, 0, 0, 0, 0xB, 0xF0);  // far past the song: restart position
  m.put(1, 0, 0, 0, 0, 0xD, 0x99);  // row 99 does not exist: row 0
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  for (int t = 0; t < 6; ++t) step();
  Step s = step();
  EXPECT_EQ(s.position, 1u);
  EXPECT_EQ(s.row, 0u);
  for (int t = 0; t < 5; ++t) step();
  s = step();
  EXPECT_EQ(s.position, 2u);
  EXPECT_EQ(s.row, 0u);
}

TEST(PlaybackRows, PatternLoopPlaysTheRowsThreeTimes) {
  TinyModule m = one_channel_song();
  m.put(0, 8, 2, 0, 0, 0xE, 0x60);
  m.put(0, 15, 2, 0, 0, 0xE, 0x62);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  std::vector<uint32_t> rows;
  for (int t = 0; t < 6 * 40; ++t) {
    Step s = step();
    if (s.tick == 0) rows.push_back(s.row);
  }
  std::vector<uint32_t> expected;
  for (uint32_t r = 0; r < 8; ++r) expected.push_back(r);
  for (int pass = 0; pass < 3; ++pass)
    for (uint32_t r = 8; r <= 15; ++r) expected.push_back(r);
  for (uint32_t r = 16; expected.size() < rows.size(); ++r) expected.push_back(r);
  EXPECT_EQ(rows, expected);
}

TEST(PlaybackRows, SpeedZeroFreezesTheRow) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428);
  m.put(0, 1, 0, 1, 428, 0xF, 0x00);
  m.put(0, 1, 1, 1, 214, 0xC, 0x20);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  for (int t = 0; t < 7; ++t) step();
  EXPECT_EQ(pt_speed(), 0u);
  for (int t = 0; t < 50; ++t) {
    int offsets = device_log.offset_calls[1];
    Step s = step();
    EXPECT_EQ(s.row, 1u);
    EXPECT_EQ(s.tick, 0u);
    // The frozen first tick is processed again on every call.
    EXPECT_EQ(device_log.offset_calls[1], offsets + 1);
    EXPECT_EQ(device_log.volume[1], 0x20);
  }
}

TEST(PlaybackRows, TempoChangeAndSpeedOnALaterChannel) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 0, 0, 0xF, 0x00);
  m.put(0, 0, 1, 0, 0, 0xF, 0xAF);
  m.put(0, 0, 2, 0, 0, 0xF, 0x03);  // a later channel sets a speed again
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  step();
  EXPECT_EQ(pt_tempo(), 175u);
  EXPECT_EQ(pt_speed(), 3u);
  step();
  step();
  EXPECT_EQ(step().row, 1u);
}

TEST(PlaybackEffects, Arpeggio) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0x0, 0x47);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  const std::vector<int> expected = {
      428,  // tick 0: the note
      339,  // tick 1: note + 4
      285,  // tick 2: note + 7
      428,  // tick 3: the note again
      339,  // tick 4
      285,  // tick 5
  };
  EXPECT_EQ(periods(6), expected);
  EXPECT_EQ(pt_channel(0).period, 428);  // arpeggio leaves the period alone
}

TEST(PlaybackEffects, ArpeggioPastTheTableStaysOnTheTopNote) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 28, 0x0, 0xFF);  // note 83 + 15
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(periods(3), (std::vector<int>{28, 28, 28}));
}

TEST(PlaybackEffects, SlidesStopAtTheTableLimits) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 113, 0x1, 0x20);   // up 32 a tick
  m.put(0, 0, 1, 1, 3424, 0x2, 0x50);  // down 80 a tick
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  std::vector<int> up, down;
  for (int t = 0; t < 6; ++t) {
    step();
    up.push_back(device_log.period[0]);
    down.push_back(device_log.period[1]);
  }
  EXPECT_EQ(up, (std::vector<int>{113, 81, 49, 27, 27, 27}));           // 17 would pass 27
  EXPECT_EQ(down, (std::vector<int>{3424, 3504, 3584, 3628, 3628, 3628}));  // 3664 would pass 3628
}

TEST(PlaybackEffects, TonePortamentoGlidesAndNeverOvershoots) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428);
  m.put(0, 1, 0, 0, 404, 0x3, 0x0A);  // target 404, 10 a tick
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  periods(6);
  int offsets = device_log.offset_calls[0];
  const std::vector<int> expected = {
      428,  // tick 0: only the target is set, the old note keeps sounding
      418,  // -10
      408,  // -10
      404,  // stops at the target instead of 398
      404,  // stays
      404,
  };
  EXPECT_EQ(periods(6), expected);
  EXPECT_EQ(device_log.offset_calls[0], offsets);  // never retriggered
}

TEST(PlaybackEffects, GlissandoRoundsWhatTheDeviceHears) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0xE, 0x31);
  m.put(0, 1, 0, 0, 381, 0x3, 0x0A);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  periods(6);
  const std::vector<int> expected = {
      428,  // tick 0: target only
      428,  // 418: the first period from the top of the row that is >= 418
      428,  // 408: 404 is too small, 428
      404,  // 398
      404,  // 388
      381,  // 381 exactly
  };
  EXPECT_EQ(periods(6), expected);
  EXPECT_EQ(pt_channel(0).period, 381);
}

TEST(PlaybackEffects, VibratoSineAndWaveformSelection) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0x4, 0x88);  // speed 8, depth 8
  m.put(0, 1, 0, 0, 0, 0xE, 0x46);     // pulse, position kept
  m.put(0, 2, 0, 0, 0, 0x4, 0x00);
  m.put(0, 3, 0, 0, 0, 0xE, 0x41);     // ramp, position reset
  m.put(0, 4, 0, 0, 0, 0x4, 0x00);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  const std::vector<int> row0 = {
      428,              // tick 0: no vibrato
      428,              // position 0: sine 0
      428 + 180 * 8 / 127,   // position 8: 180 -> +11
      428 + 255 * 8 / 127,   // position 16: 255 -> +16
      428 + 180 * 8 / 127,   // position 24
      428,              // position 32: 0
  };
  EXPECT_EQ(periods(6), row0);
  EXPECT_EQ(pt_channel(0).vibrato_position, 40);
  EXPECT_EQ(pt_channel(0).period, 428);
  periods(6);
  EXPECT_EQ(pt_channel(0).vibrato_position, 40);  // E46 keeps the position
  std::vector<int> pulse = periods(6);
  // positions 40, 48, 56, 0, 8: pulse -256 from 48 on, 0 below 16
  EXPECT_EQ(pulse[1], 428 + 0 * 8 / 127);    // position 40: 0
  EXPECT_EQ(pulse[2], 428 - 256 * 8 / 127);  // 48: -256 -> -16
  EXPECT_EQ(pulse[4], 428 + 0);              // 0
  periods(6);
  EXPECT_EQ(pt_channel(0).vibrato_position, 0);  // E41 resets it
  std::vector<int> ramp = periods(3);
  EXPECT_EQ(ramp[1], 428 + 255 * 8 / 127);        // position 0: 255
  EXPECT_EQ(ramp[2], 428 + (255 - 64) * 8 / 127);  // position 8: 191
}

TEST(PlaybackEffects, RandomWaveformIsDrawnInRange) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0xE, 0x47);
  m.put(0, 1, 0, 0, 0, 0x4, 0x1F);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  periods(6);
  for (int p : periods(6)) {
    EXPECT_GE(p, 428 - 256 * 15 / 127);
    EXPECT_LE(p, 428 + 254 * 15 / 127);
  }
}

TEST(PlaybackEffects, SetVolumeAboveSixtyFourThenSlide) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0xC, 0x50);
  m.put(0, 1, 0, 0, 0, 0xA, 0x01);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  step();
  EXPECT_EQ(device_log.volume[0], 80);
  EXPECT_EQ(pt_channel(0).volume, 80);
  for (int t = 1; t < 6; ++t) step();
  const std::vector<int> expected = {
      80,  // tick 0 of the A row: nothing yet
      64,  // 79 limited to 64
      63, 62, 61, 60,
  };
  EXPECT_EQ(volumes(6), expected);
}

TEST(PlaybackEffects, TremoloLeavesTheVolume) {
  TinyModule m = one_channel_song();
  m.samples[1].volume = 32;
  m.put(0, 0, 0, 1, 428, 0x7, 0x84);  // speed 8, depth 4 (stored 8)
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  const std::vector<int> expected = {32, 32, 32 + 180 * 8 / 127, 32 + 255 * 8 / 127, 32 + 180 * 8 / 127, 32};
  EXPECT_EQ(volumes(6), expected);
  EXPECT_EQ(pt_channel(0).volume, 32);
}

TEST(PlaybackEffects, NoteCutAndEcZeroNeverCuts) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428, 0xE, 0xC2);
  m.put(0, 0, 1, 1, 428, 0xE, 0xC0);
  m.put(0, 0, 2, 1, 428, 0xE, 0xC9);  // past the row: cut on its last tick
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  std::vector<int> v0, v1, v2;
  for (int t = 0; t < 6; ++t) {
    step();
    v0.push_back(device_log.volume[0]);
    v1.push_back(device_log.volume[1]);
    v2.push_back(device_log.volume[2]);
  }
  EXPECT_EQ(v0, (std::vector<int>{64, 64, 0, 0, 0, 0}));
  EXPECT_EQ(v1, (std::vector<int>{64, 64, 64, 64, 64, 64}));
  EXPECT_EQ(v2, (std::vector<int>{64, 64, 64, 64, 64, 0}));
  EXPECT_EQ(pt_channel(0).volume, 64);
}

TEST(PlaybackEffects, NoteDelayAndRetrigger) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 1, 428);
  m.put(0, 1, 0, 1, 214, 0xE, 0xD3);
  m.put(0, 1, 1, 1, 428, 0xE, 0x92);
  m.put(0, 1, 2, 1, 428, 0xE, 0xD0);  // no delay at all
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  periods(6);
  std::vector<int> delay_offsets, retrigger_offsets;
  std::vector<int> delayed_period;
  for (int t = 0; t < 6; ++t) {
    step();
    delay_offsets.push_back(device_log.offset[0]);
    retrigger_offsets.push_back(device_log.offset[1]);
    delayed_period.push_back(device_log.period[0]);
    if (t == 0) {
      EXPECT_EQ(device_log.period[2], 428);
    }
  }
  EXPECT_EQ(delayed_period, (std::vector<int>{428, 428, 428, 214, 214, 214}));
  EXPECT_EQ(delay_offsets, (std::vector<int>{-1, -1, -1, 0, -1, -1}));
  // E92: the note on tick 0, then ticks 2 and 4.
  EXPECT_EQ(retrigger_offsets, (std::vector<int>{0, -1, 0, -1, 0, -1}));
}

TEST(PlaybackEffects, FineSlidesAndFineVolumeMoveByOne) {
  TinyModule m = one_channel_song();
  m.samples[1].volume = 64;
  m.put(0, 0, 0, 1, 428, 0xE, 0x2F);  // down: +1 whatever the value
  m.put(0, 1, 0, 0, 0, 0xE, 0x1F);    // up: -1
  m.put(0, 2, 0, 0, 0, 0xE, 0xAF);    // volume 64 stays 64
  m.put(0, 3, 0, 0, 0, 0xE, 0xBF);    // 63
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  step();
  EXPECT_EQ(device_log.period[0], 429);
  for (int t = 0; t < 6; ++t) step();
  EXPECT_EQ(device_log.period[0], 428);
  for (int t = 0; t < 6; ++t) step();
  EXPECT_EQ(pt_channel(0).volume, 64);
  for (int t = 0; t < 6; ++t) step();
  EXPECT_EQ(device_log.volume[0], 63);
}

TEST(PlaybackEffects, SampleNumberWithoutNoteAndOffset) {
  TinyModule m = one_channel_song();
  m.samples[2] = {64, 3, 20, 0, 2, 0};
  m.put(0, 0, 0, 1, 428);
  m.put(0, 1, 0, 2, 0);               // sample only: volume, panning, data
  m.put(0, 2, 0, 0, 0, 0x9, 0x02);    // offset without a note
  m.put(0, 3, 0, 0, 428, 0x9, 0x01);  // offset with a note: 0 is not sent
  m.put(0, 4, 0, 0x25, 214);          // sample 37 does not exist
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  periods(6);
  step();
  EXPECT_EQ(device_log.instrument[0], 2);
  EXPECT_EQ(device_log.volume[0], 20);
  EXPECT_EQ(device_log.panning[0], 7 * 16);
  EXPECT_EQ(device_log.offset[0], -1);  // the playing position goes on
  periods(5);
  step();
  EXPECT_EQ(device_log.offset[0], 512);
  periods(5);
  int calls = device_log.offset_calls[0];
  step();
  EXPECT_EQ(device_log.offset[0], 256);
  EXPECT_EQ(device_log.offset_calls[0], calls + 1);
  EXPECT_EQ(device_log.period[0], pt_period(3, 36));  // sample 2's finetune
  periods(5);
  step();
  EXPECT_EQ(pt_channel(0).instrument, 2);  // 37 was ignored
  EXPECT_EQ(device_log.period[0], pt_period(3, 48));
}

TEST(PlaybackEffects, PanningCommands) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 1, 1, 428, 0x8, 0x40);
  m.put(0, 1, 1, 0, 0, 0xE, 0x8C);
  m.put(0, 2, 1, 1, 428);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  step();
  EXPECT_EQ(device_log.panning[1], 0x40);  // 8xx, not the default 144
  periods(6);
  EXPECT_EQ(device_log.panning[1], 0xC0);
  periods(6);
  EXPECT_EQ(device_log.panning[1], 0xC0);  // E8 rewrote the channel's default
}

TEST(PlaybackEffects, PeriodlessChannelsNeverSendANonPositivePeriodFromSlides) {
  TinyModule m = one_channel_song();
  m.put(0, 0, 0, 0, 0, 0x1, 0x10);
  m.put(0, 0, 1, 0, 0, 0x3, 0x10);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  periods(6);
  EXPECT_EQ(device_log.period[0], 27);
  EXPECT_EQ(device_log.period[1], 0);  // the mixer keeps its step for 0
}

TEST(PlaybackState, NothingHappensBeforeALoad) {
  install_recording_device();
  std::vector<uint8_t> junk(2000, 0);
  ASSERT_EQ(pt_load(junk.data(), junk.size()), 0);
  for (int t = 0; t < 10; ++t) pt_tick();
  EXPECT_EQ(device_log.selects, 0);
}

}  // namespace
