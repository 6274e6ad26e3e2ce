// tundrix-capture music and the show capture's sound: the same stream the
// devices play.
#include <gtest/gtest.h>

#include <fstream>

#include "player/loader.h"
#include "tests/player/tiny_module.h"
#include "tests/support/support.h"
#include "tools/capture/capture_sound.h"

namespace {

RunResult capture(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {capture_binary(), "music"};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_program(argv);
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
}

TEST(CaptureMusic, ShowCaptureSoundEqualsTheSixteenBitRendering) {
  const std::string module = testdata_path("mods/klovninarki.mod");
  const std::string wav = ::testing::TempDir() + "klovninarki16.wav";
  ASSERT_EQ(capture({"--module", module, "--device", "16", "--seconds", "4", "-o", wav}).status, 0);
  std::vector<uint8_t> file = read_file(wav);

  capture_sound_init();
  std::vector<uint8_t> bytes = read_file(module);
  ASSERT_EQ(pt_load(bytes.data(), bytes.size()), 1);
  std::vector<int16_t> samples;
  for (int frame = 1; frame <= 4 * 70; ++frame) {
    size_t before = samples.size();
    capture_sound_render_to(frame / 70.0, &samples);
    // Whole blocks of 640 frames, only as many as that frame's time needs.
    EXPECT_EQ((samples.size() - before) % 1280, 0u);
    EXPECT_GE(samples.size(), size_t(2 * 32000 * frame / 70));
    EXPECT_LT(samples.size(), size_t(2 * 32000 * frame / 70) + 1280);
  }
  ASSERT_EQ(file.size(), 44u + 4 * 32000 * 4);
  for (size_t i = 0; i < 2 * 32000 * 4; ++i) {
    int16_t expected = int16_t(file[44 + 2 * i] | file[45 + 2 * i] << 8);
    ASSERT_EQ(samples[i], expected) << "sample " << i;
  }
}

TEST(CaptureMusic, WavHeadersAndExactLengths) {
  const std::string module = testdata_path("mods/hiscore.mod");
  const std::string w16 = ::testing::TempDir() + "h16.wav", w8 = ::testing::TempDir() + "h8.wav";
  ASSERT_EQ(capture({"--module", module, "--seconds", "2.5", "-o", w16}).status, 0);
  ASSERT_EQ(capture({"--module", module, "--device", "8", "--seconds", "2.5", "-o", w8}).status, 0);
  std::vector<uint8_t> a = read_file(w16), b = read_file(w8);
  ASSERT_GE(a.size(), 44u);
  ASSERT_GE(b.size(), 44u);
  EXPECT_EQ(std::string(a.begin(), a.begin() + 4), "RIFF");
  EXPECT_EQ(le32(a, 24), 32000u);
  EXPECT_EQ(a[22], 2);   // stereo
  EXPECT_EQ(a[34], 16);  // bits
  EXPECT_EQ(le32(a, 40), 80000u * 4);
  EXPECT_EQ(a.size(), 44u + 80000 * 4);
  EXPECT_EQ(le32(b, 24), 21700u);
  EXPECT_EQ(b[22], 1);
  EXPECT_EQ(b[34], 8);
  EXPECT_EQ(le32(b, 40), 54250u);
}

TEST(CaptureMusic, StopsWhenTheSpeedBecomesZeroAndWritesTheTimeline) {
  TinyModule m(4);
  m.samples[1] = {256, 0, 64, 0, 256, 30};
  m.put(0, 0, 0, 1, 428);
  m.put(0, 2, 0, 0, 0, 0xF, 0x00);
  const std::string mod = ::testing::TempDir() + "stop.mod", wav = ::testing::TempDir() + "stop.wav",
                    timeline = ::testing::TempDir() + "stop.timeline";
  std::vector<uint8_t> bytes = m.bytes();
  std::ofstream(mod, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  RunResult r = capture({"--module", mod, "--timeline", timeline, "-o", wav});
  ASSERT_EQ(r.status, 0) << r.err;
  // Rows 0 and 1 (12 ticks) and the tick that froze row 2: 13 blocks.
  EXPECT_EQ(read_file(wav).size(), 44u + 13 * 2560);
  std::ifstream in(timeline);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "0.0000 0 0\n0.1200 0 1\n0.2400 0 2\n");
}

TEST(CaptureMusic, ErrorsAndUsage) {
  EXPECT_EQ(capture({"--module", testdata_path("mods/hiscore.mod")}).status, 2);  // no -o
  EXPECT_EQ(capture({"--device", "7", "-o", "/tmp/x.wav"}).status, 2);
  EXPECT_EQ(capture({"--seconds", "-1", "-o", "/tmp/x.wav"}).status, 2);
  EXPECT_EQ(capture({"--bogus", "-o", "/tmp/x.wav"}).status, 2);
  RunResult missing = capture({"--module", "/nonexistent.mod", "-o", "/tmp/x.wav"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read the module"), std::string::npos);
  RunResult refused = capture({"--module", testdata_path("finetune-periods.csv"), "-o", "/tmp/x.wav"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("pt_takemod error"), std::string::npos) << refused.err;
}

TEST(CaptureMusic, EmbeddedModuleOrAClearMessage) {
  RunResult r = capture({"--seconds", "1", "-o", ::testing::TempDir() + "embedded.wav"});
  if (r.status == 0) {
    EXPECT_EQ(read_file(::testing::TempDir() + "embedded.wav").size(), 44u + 32000 * 4);
  } else {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no embedded module"), std::string::npos) << r.err;
  }
}

}  // namespace
