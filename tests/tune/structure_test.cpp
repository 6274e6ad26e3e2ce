// The embedded module's shape: what the loader and the show rely on.
#include <gtest/gtest.h>

#include <set>

#include "data/content.h"
#include "tests/support/support.h"
#include "tests/tune/tune_support.h"

namespace {

ModuleView embedded() { return {module_bytes(), module_size()}; }

// Finetune-0 periods: the only values the loader maps back to a note exactly.
const std::set<int> kPeriods = {
    3424, 3232, 3048, 2880, 2712, 2560, 2416, 2280, 2152, 2032, 1920, 1812, 1712, 1616, 1524,
    1440, 1356, 1280, 1208, 1140, 1076, 1016, 960,  906,  856,  808,  762,  720,  678,  640,
    604,  570,  538,  508,  480,  453,  428,  404,  381,  360,  339,  320,  302,  285,  269,
    254,  240,  226,  214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120,  113,
    107,  101,  95,   90,   85,   80,   75,   71,   67,   63,   60,   56,   53,   50,   47,
    45,   42,   40,   37,   35,   33,   31,   30,   28};

TEST(TuneStructure, HeaderHasTheShowsShape) {
  ModuleView m = embedded();
  ASSERT_NE(m.bytes, nullptr);
  EXPECT_EQ(m.tag(), "8CHN");
  EXPECT_EQ(m.song_length(), 48);
  EXPECT_EQ(m.restart(), 36);
  EXPECT_EQ(m.pattern_count(), 46);
  std::set<int> used;
  for (int p = 0; p < 48; ++p) used.insert(m.order(p));
  EXPECT_EQ(used.size(), 46u) << "exactly two positions repeat a pattern";
  for (int p = 48; p < 128; ++p) EXPECT_EQ(m.order(p), 0) << "unused order entry " << p;
}

TEST(TuneStructure, SamplesFitTheLoaderAndFillTheImage) {
  ModuleView m = embedded();
  size_t samples = 0;
  int registered = 0;
  for (int n = 1; n <= 31; ++n) {
    int length = m.sample_length(n);
    EXPECT_LT(length, 65536) << "sample " << n;
    EXPECT_LE(m.sample_volume(n), 64) << "sample " << n;
    if (m.loop_length(n) > 2) {
      EXPECT_LE(m.loop_start(n) + m.loop_length(n), length) << "sample " << n;
    }
    samples += length;
    registered += length > 0;
  }
  EXPECT_GE(registered, 20) << "drums, bass, pads, leads, keys and effects";
  EXPECT_EQ(m.size, 1084u + 46u * 64u * kTuneChannels * 4u + samples);
  EXPECT_GT(m.size, 550000u);
  EXPECT_LT(m.size, 700000u);
}

TEST(TuneStructure, CellsHoldOnlyTableNotesAndRealSamples) {
  ModuleView m = embedded();
  for (int p = 0; p < 46; ++p) {
    for (int r = 0; r < 64; ++r) {
      for (int c = 0; c < kTuneChannels; ++c) {
        RawCell cell = m.cell(p, r, c);
        if (cell.period) {
          EXPECT_TRUE(kPeriods.count(cell.period)) << p << "/" << r << "/" << c;
        }
        ASSERT_LE(cell.sample, 31);
        if (cell.sample && cell.period) {
          EXPECT_GT(m.sample_length(cell.sample), 0) << "note on an empty sample at " << p << "/" << r;
        }
      }
    }
  }
}

TEST(TuneStructure, FirstRowLocksTheTempoToTheShowClock) {
  ModuleView m = embedded();
  int tempo = 0;
  for (int c = 0; c < kTuneChannels; ++c) {
    RawCell cell = m.cell(m.order(0), 0, c);
    if (cell.command == 0xF && cell.param >= 32) tempo = cell.param;
  }
  EXPECT_EQ(tempo, 175) << "175 x 2 / 5 = 70 player ticks a second, one per show tick";
}

TEST(TuneStructure, ModuleBytesAreWritable) {
  uint8_t* b = module_bytes();
  uint8_t keep = b[0];
  b[0] = static_cast<uint8_t>(keep ^ 0x5A);
  EXPECT_EQ(b[0], keep ^ 0x5A);
  b[0] = keep;
}

TEST(TuneStructure, GeneratorIsDeterministicAndMatchesTheBuild) {
  std::string dir = testing::TempDir();
  std::string a = dir + "/tune_a.mod", b = dir + "/tune_b.mod";
  RunResult ra = run_program({TUNE_GEN_BIN, "--score", TUNE_SCORE, "--mod", a});
  RunResult rb = run_program({TUNE_GEN_BIN, "--score", TUNE_SCORE, "--mod", b});
  ASSERT_EQ(ra.status, 0) << ra.err;
  ASSERT_EQ(rb.status, 0) << rb.err;
  std::vector<uint8_t> first = read_file(a), second = read_file(b);
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(first == second) << "two runs wrote different bytes";
  std::vector<uint8_t> built(module_bytes(), module_bytes() + module_size());
  EXPECT_TRUE(first == built) << "the embedded module is not the generator's current output";
}

// Scores the generator must refuse, each with the word its message names.
TEST(TuneStructure, GeneratorRefusesBrokenScores) {
  const std::string head = "groove fast 7 6 6 6\npattern a 20 fast\n  section 0 start 0\n";
  const std::string tail = "end\norder a\n";
  const struct {
    const char* body;
    const char* says;
  } cases[] = {
      {"  cue 16 late 120\n  7 kick ./19 :F00\n", "late"},               // 100 ticks, not 120
      {"  7 kick D4:E96 ./18 :F00\n", "retriggers"},                     // flams on a 7-tick row
      {"  7 kick . | ./18 :F00\n", "bar line"},                          // row 1 is no bar start
      {"  7 lead C0 ./18 :F00\n", "out of range"},                       // below the period table
      {"  7 kick D4v70 ./18 :F00\n", "volume"},                          // above 64
      {"  7 kick ./19\n", "speed 0"},                                    // never stops
      {"  7 nothing ./19 :F00\n", "unknown instrument"},
  };
  for (const auto& c : cases) {
    std::string path = testing::TempDir() + "/broken.score";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs((head + c.body + tail).c_str(), f);
    std::fclose(f);
    RunResult r = run_program({TUNE_GEN_BIN, "--score", path});
    EXPECT_NE(r.status, 0) << c.body;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.body << " gave: " << r.err;
  }
}

}  // namespace
