// The loader: tags, refusals, pattern conversion, sample registration, and
// the period table.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "tests/player/tiny_module.h"
#include "tests/support/support.h"

namespace {

TEST(LoaderTags, ChannelCountComesFromTheTag) {
  const std::pair<const char*, int> cases[] = {{"M.K.", 4}, {"8CHN", 8}, {"32CH", 32}, {"FLT8", 8},
                                               {"OCTA", 8}, {"2CHN", 2}, {"6CHN", 6}};
  for (auto [tag, channels] : cases) {
    TinyModule m(channels);
    m.tag = tag;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(load_tiny(m, &bytes), 1) << tag;
    EXPECT_EQ(pt_module.channels, channels) << tag;
    EXPECT_EQ(device_log.channels_set, channels) << tag;
    EXPECT_STREQ(pt_load_error(), "") << tag;
  }
}

TEST(LoaderTags, LowerCaseAndUntaggedModulesAreRefused) {
  for (const char* tag : {"m.k.", "8chn", "STOP", "\0\0\0\0", "M.K "}) {
    TinyModule m(4);
    m.tag.assign(tag, 4);
    std::vector<uint8_t> bytes;
    device_log.channels_set = -1;
    EXPECT_EQ(load_tiny(m, &bytes), 0);
    EXPECT_STREQ(pt_load_error(), "pt_takemod error: unknown module type!");
    EXPECT_EQ(pt_module.channels, 0);
    EXPECT_EQ(device_log.sample_count, 0);  // nothing registered
    EXPECT_EQ(device_log.channels_set, 0);  // set_channels never called
  }
}

TEST(LoaderRefusals, MissingOrTruncatedDataIsRefusedWithoutConverting) {
  install_recording_device();
  EXPECT_EQ(pt_load(nullptr, 0), 0);
  EXPECT_STREQ(pt_load_error(), "pt_takemod error: no module data!");

  TinyModule m(4, 2);
  m.orders[0] = 1;
  m.put(1, 0, 0, 1, 428);
  std::vector<uint8_t> full = m.bytes();
  for (size_t cut : {size_t(10), size_t(1083), size_t(1084 + 2 * 1024 - 1)}) {
    std::vector<uint8_t> part(full.begin(), full.begin() + long(cut));
    std::vector<uint8_t> before = part;
    EXPECT_EQ(pt_load(part.data(), part.size()), 0) << cut;
    EXPECT_STREQ(pt_load_error(), "pt_takemod error: truncated module!") << cut;
    EXPECT_EQ(part, before) << "patterns converted although refused, cut " << cut;
    EXPECT_EQ(pt_module.channels, 0);
  }
}

TEST(LoaderHeader, VolumeRestartAndSongLengthAreBounded) {
  TinyModule m(4);
  m.samples[1] = {8, 0x1F, 70, 0, 2, 0};
  m.restart = 127;
  m.song_length = 200;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(pt_module.samples[1].volume, 64);    // 70 is held as 64
  EXPECT_EQ(pt_module.samples[1].finetune, 15);  // low nibble only
  EXPECT_EQ(pt_module.restart, 0);               // 127 becomes 0
  EXPECT_EQ(pt_module.song_length, 128);         // the order table's size
}

TEST(LoaderPatterns, HighestPatternOfAllOrdersCountsAndSamplesFollowIt) {
  // Only position 0 is played, but order entry 5 names pattern 2: three
  // patterns precede the sample data.
  TinyModule m(4, 3);
  m.orders[5] = 2;
  m.samples[1] = {4, 0, 64, 0, 2, 7};
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(pt_module.highest_pattern, 2);
  EXPECT_EQ(device_log.sample_data[1], reinterpret_cast<const int8_t*>(bytes.data() + 1084 + 3 * 1024));
  EXPECT_EQ(device_log.sample_data[1][0], 7);
}

TEST(LoaderPatterns, CellsAreConvertedInPlace) {
  TinyModule m(4);
  m.put(0, 0, 0, 0x1F, 428, 0xE, 0xD3);
  m.put(0, 0, 1, 0x20, 427, 0xF, 0x06);
  m.put(0, 0, 2, 0, 0, 0, 0);
  m.put(0, 0, 3, 0xF1, 4000, 0x1, 0xFF);
  m.put(0, 1, 0, 1, 3424);
  m.put(0, 1, 1, 1, 28);
  m.put(0, 1, 2, 1, 27);
  m.put(0, 1, 3, 1, 113);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  const uint8_t* c = bytes.data() + 1084;
  const uint8_t expected[] = {
      0x1F, 36, 0xE, 0xD3,  // period 428 is note 36
      0x20, 37, 0xF, 0x06,  // 427 lies between 428 and 404: the higher note, 37
      0x00, 84, 0x0, 0x00,  // period 0: no note
      0xF1, 0,  0x1, 0xFF,  // 4000 is below the table: note 0; sample 241 kept as is
      0x01, 0,  0,   0,     // 3424: note 0
      0x01, 83, 0,   0,     // 28: the top note
      0x01, 84, 0,   0,     // 27 is above every note: no note
      0x01, 59, 0,   0,     // 113
  };
  EXPECT_EQ(std::vector<uint8_t>(c, c + sizeof expected), std::vector<uint8_t>(expected, expected + sizeof expected));
}

TEST(LoaderSamples, LoopsAndLengths) {
  TinyModule m(4);
  m.samples[1] = {16, 0, 64, 4, 2, 0};  // loop of 1 word: plays once
  m.samples[2] = {16, 0, 64, 4, 4, 0};  // loop of 2 words: loops 4..8
  m.samples[3] = {16, 0, 64, 8, 20, 0}; // loop past the end: cut at 16
  m.samples[5] = {8, 0, 64, 0, 2, 0};   // 4 has no data and is not registered
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(device_log.sample_count, 4);
  EXPECT_EQ(device_log.looped[1], 0);
  EXPECT_EQ(device_log.looped[2], 1);
  EXPECT_EQ(device_log.loop_start[2], 4u);
  EXPECT_EQ(device_log.loop_end[2], 8u);
  EXPECT_EQ(device_log.looped[3], 1);
  EXPECT_EQ(device_log.loop_end[3], 16u);
  EXPECT_EQ(device_log.sample_data[5], device_log.sample_data[3] + 16);
}

TEST(LoaderSamples, ASampleRunningPastTheDataIsShortened) {
  TinyModule m(4);
  m.samples[1] = {100, 0, 64, 40, 60, 0};
  m.samples[2] = {10, 0, 64, 0, 2, 0};
  m.trim = 10 + 70;  // sample 2 gone, sample 1 keeps 30 bytes
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(device_log.sample_count, 1);
  EXPECT_EQ(device_log.sample_length[1], 30u);
  EXPECT_EQ(pt_module.samples[1].length, 30u);
  EXPECT_EQ(device_log.looped[1], 0);  // the loop started past the data
}

TEST(LoaderSamples, SamplesOf64KilobytesAndMoreKeepTheirLength) {
  TinyModule m(4);
  m.samples[1] = {0x1FFFE, 0, 64, 0, 2, 1};  // 65535 words
  m.samples[2] = {4, 0, 64, 0, 2, 9};
  std::vector<uint8_t> bytes;
  ASSERT_EQ(load_tiny(m, &bytes), 1);
  EXPECT_EQ(device_log.sample_length[1], 0x1FFFEu);
  EXPECT_EQ(device_log.sample_data[2][0], 9);  // found right after it
}

// PeriodTable

std::vector<std::vector<int>> published_rows() {
  std::ifstream in(testdata_path("finetune-periods.csv"));
  std::vector<std::vector<int>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<int> row;
    std::stringstream s(line);
    std::string v;
    while (std::getline(s, v, ',')) row.push_back(std::stoi(v));
    rows.push_back(row);
  }
  return rows;
}

TEST(PeriodTable, RowsZeroAndEightAreExact) {
  const int row0[85] = {3424, 3232, 3048, 2880, 2712, 2560, 2416, 2280, 2152, 2032, 1920, 1812,
                        1712, 1616, 1524, 1440, 1356, 1280, 1208, 1140, 1076, 1016, 960,  906,
                        856,  808,  762,  720,  678,  640,  604,  570,  538,  508,  480,  453,
                        428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  226,
                        214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120,  113,
                        107,  101,  95,   90,   85,   80,   75,   71,   67,   63,   60,   56,
                        53,   50,   47,   45,   42,   40,   37,   35,   33,   31,   30,   28,   28};
  for (int n = 0; n < 85; ++n) EXPECT_EQ(pt_period(0, n), row0[n]) << n;
  const int begins[] = {3628, 3424, 3232, 3050, 2879, 2717};
  for (int n = 0; n < 6; ++n) EXPECT_EQ(pt_period(8, n), begins[n]) << n;
  const int middle[] = {907, 856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480};
  for (int n = 0; n < 12; ++n) EXPECT_EQ(pt_period(8, 24 + n), middle[n]) << n;
  const int ends[] = {35, 33, 31, 30, 30};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(pt_period(8, 80 + n), ends[n]) << n;
}

TEST(PeriodTable, MiddleOctavesArePublishedAndOuterOnesEqualTempered) {
  auto rows = published_rows();
  ASSERT_EQ(rows.size(), 16u);
  int largest = 0, smallest = 1 << 30;
  for (int r = 0; r < 16; ++r) {
    ASSERT_EQ(rows[r].size(), 36u);
    for (int k = 0; k < 36; ++k) EXPECT_EQ(pt_period(r, 24 + k), rows[r][k]) << r << "," << k;
    const double f = r < 8 ? r : r - 16;
    for (int n = 0; n < 84; ++n) {
      const int p = pt_period(r, n);
      const double ideal = 3424.0 * std::pow(2.0, -(n + f / 8) / 12);
      // Row 0 is listed exactly above; the others extend equal-tempered.
      if (r > 0 && n < 24) {
        EXPECT_LE(std::fabs(p - ideal), 3.0) << r << "," << n;
      }
      if (r > 0 && n >= 60) {
        EXPECT_LE(std::fabs(p - ideal), 1.1) << r << "," << n;
      }
      if (n > 0) {
        EXPECT_LT(p, pt_period(r, n - 1)) << r << "," << n;
      }
      largest = std::max(largest, p);
      smallest = std::min(smallest, p);
    }
    EXPECT_EQ(pt_period(r, 84), pt_period(r, 83)) << r;
  }
  EXPECT_EQ(largest, 3628);
  EXPECT_EQ(smallest, 27);
}

TEST(PeriodTable, PeriodToNote) {
  EXPECT_EQ(pt_period_to_note(428), 36);
  EXPECT_EQ(pt_period_to_note(427), 37);
  EXPECT_EQ(pt_period_to_note(0), 84);
  EXPECT_EQ(pt_period_to_note(4000), 0);
  EXPECT_EQ(pt_period_to_note(3424), 0);
  EXPECT_EQ(pt_period_to_note(3423), 1);
}

TEST(RealModules, EveryTestModuleLoads) {
  for (const char* name : {"AnarchyMenu1", "The_Last_V8", "android-commando_hiscore", "dreamfish-green_beret",
                           "dreamfish-sanxion", "dreamfish-uridium2_loader", "finally", "hiscore", "hiscreen",
                           "kaupunki", "klovninarki", "kollaps-tron", "starpaws"}) {
    std::vector<uint8_t> bytes = read_file(testdata_path(std::string("mods/") + name + ".mod"));
    ASSERT_FALSE(bytes.empty()) << name;
    install_recording_device();
    EXPECT_EQ(pt_load(bytes.data(), bytes.size()), 1) << name;
    EXPECT_EQ(pt_module.channels, std::string(name) == "starpaws" ? 6 : 4) << name;
    // Every sample's data lies inside the file.
    for (int n = 0; n < device_log.sample_count; ++n) {
      int s = device_log.sample_numbers[n];
      EXPECT_LE(reinterpret_cast<const uint8_t*>(device_log.sample_data[s]) + device_log.sample_length[s],
                bytes.data() + bytes.size())
          << name << " sample " << s;
    }
  }
}

}  // namespace
