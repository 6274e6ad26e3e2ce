// The real tundrix binary with /dev/dsp replaced by the preloaded fake, and
// ALSA's default device by a `file` PCM of a test HOME's .asoundrc. The parts
// past the mode menu need a working display and are skipped while the
// display cannot open.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "tests/sound/fake_dsp.h"
#include "tests/support/support.h"

namespace {

const std::string kSoundMenu = kSoundMenuText;

struct ShowRun {
  RunResult result;
  bool group_left_over;  // a process of the show's group outlived it
};

struct Device {
  const char* answer;
  const char* capture_device;  // tundrix-capture music --device
  int byte_rate;
  uint8_t silence;
};
const Device k8Bit = {"1", "8", 21700, 128};
const Device k16Bit = {"2", "16", 128000, 0};

Child start_show(const std::string& input, const FakeDsp& dsp, const std::string& home = "",
                 const std::vector<std::string>& args = {}) {
  std::vector<std::string> env = {"LD_PRELOAD=" FAKE_DSP_LIBRARY, "FAKE_DSP_DIR=" + dsp.dir,
                                  "DISPLAY=" + xvfb_display(24)};
  if (!home.empty()) env.push_back("HOME=" + home);
  std::vector<std::string> argv = {tundrix_binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  Child c = start_program(argv, env);
  child_write(c, input);
  return c;
}

// The scenes run for minutes: Escape ends the show in the scene it is in.
ShowRun finish_show(Child& c) {
  const int group = c.pid;
  ShowRun run{child_finish_escaping(c, xvfb_display(24), 60), false};
  usleep(200000);
  run.group_left_over = kill(-group, 0) == 0;
  if (run.group_left_over) kill(-group, SIGKILL);
  return run;
}

ShowRun run_show(const std::string& input, const FakeDsp& dsp, const std::string& home = "") {
  Child c = start_show(input, dsp, home);
  return finish_show(c);
}

bool display_missing(const RunResult& r) { return r.out.find("...dnuof ton edoM") != std::string::npos; }

// The device's bytes are the start of what `tundrix-capture music` renders
// for the same device (all silence when the show has no module).
void expect_capture_bytes(const FakeDsp& dsp, const Device& device) {
  std::string wav = ::testing::TempDir() + "show-device-" + device.capture_device + ".wav";
  RunResult cap = run_program(
      {capture_binary(), "music", "--device", device.capture_device, "--seconds", "600", "-o", wav},
      {"", true, {}, 120});
  if (cap.status == 0) {
    std::vector<uint8_t> expected = read_file(wav);
    expected.erase(expected.begin(), expected.begin() + 44);
    ASSERT_GE(expected.size(), dsp.bytes.size());
    expected.resize(dsp.bytes.size());
    EXPECT_TRUE(expected == dsp.bytes) << "the device got other bytes than the capture";
  } else {
    for (uint8_t b : dsp.bytes) ASSERT_EQ(b, device.silence);
  }
}

void check_device(const Device& device, int block, const std::vector<std::string>& ioctls) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, device.byte_rate, 16384);
  ShowRun run = run_show(std::string(device.answer) + "\n1\n", dsp);
  fake_dsp_finish(&dsp, 5);
  EXPECT_EQ(run.result.out.rfind(kSoundMenu, 0), 0u) << run.result.out;
  EXPECT_EQ(fake_dsp_ioctls(dsp), ioctls);
  EXPECT_FALSE(run.group_left_over) << "a process outlived the show";
  if (display_missing(run.result)) {
    EXPECT_EQ(run.result.status, 1);
    EXPECT_TRUE(fake_dsp_write_sizes(dsp).empty());
    GTEST_SKIP() << "the display cannot open yet: streaming is checked once it can";
  }
  EXPECT_EQ(run.result.status, 0) << run.result.err;
  std::vector<int> sizes = fake_dsp_write_sizes(dsp);
  for (int s : sizes) EXPECT_EQ(s, block);  // the show's module sets tempo 175 on its first row
  expect_capture_bytes(dsp, device);
}

TEST(ShowSound, SixteenBitDevice) {
  check_device(k16Bit, 1828, {"0xc004500a 131085", "0xc0045005 16", "0xc0045003 1", "0xc0045002 32000"});
}

TEST(ShowSound, EightBitDevice) {
  check_device(k8Bit, 310, {"0xc004500a 131083", "0xc0045003 0", "0xc0045002 21700"});
}

// Without /dev/dsp both devices play the same bytes through ALSA's default
// device; nothing is written where /dev/dsp would be.
TEST(ShowSound, WithoutDevDspAlsaPlaysWhatTheCaptureRenders) {
  for (const Device& device : {k8Bit, k16Bit}) {
    SCOPED_TRACE(device.capture_device);
    FakeDsp dsp;
    fake_dsp_start(&dsp, device.byte_rate, 16384, true);
    Child c = start_show(std::string(device.answer) + "\n1\n", dsp, fake_alsa_home(dsp, true));
    // ALSA's file PCM holds back up to a buffer: wait for more than that.
    const bool streamed = fake_dsp_wait_bytes(dsp, 40000, 30);
    ShowRun run = finish_show(c);
    fake_dsp_finish(&dsp, 5);
    EXPECT_TRUE(streamed) << "ALSA's device received " << dsp.bytes.size() << " bytes";
    EXPECT_EQ(run.result.status, 0) << run.result.out << run.result.err;
    EXPECT_EQ(run.result.err, "");  // ALSA says nothing on the terminal
    EXPECT_FALSE(run.group_left_over);
    EXPECT_EQ(fake_dsp_log(dsp), std::vector<std::string>{"open 1"});  // /dev/dsp was only tried
    expect_capture_bytes(dsp, device);
  }
}

TEST(ShowSound, NeitherDevDspNorAlsaFailsAndNoneStillWorks) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 0, 0, true);
  const std::string home = fake_alsa_home(dsp, false);
  for (const char* answer : {"1\n", "2\n"}) {
    ShowRun run = run_show(answer, dsp, home);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.out, kSoundMenu + "...dnuof ton ecived dnuoS\n");
    // The show's own line, then why: both devices tried, each with its error.
    EXPECT_EQ(run.result.err,
              "tundrix: no sound device: /dev/dsp: No such file or directory; ALSA's default device: No such file "
              "or directory\n");
  }
  ShowRun run = run_show("0\n1\n", dsp, home);
  EXPECT_EQ(run.result.out.find("...dnuof ton ecived dnuoS"), std::string::npos) << run.result.out;
  EXPECT_EQ(run.result.status, 0);
}

TEST(ShowSound, NoDeviceOpensNothing) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 128000, 16384);
  ShowRun run = run_show("0\n1\n", dsp);
  fake_dsp_finish(&dsp, 5);
  EXPECT_TRUE(fake_dsp_log(dsp).empty());
  EXPECT_TRUE(dsp.bytes.empty());
  EXPECT_FALSE(run.group_left_over);
  if (!display_missing(run.result)) {
    EXPECT_EQ(run.result.status, 0);
  }
}

// Ctrl-Z and fg, again and again: the terminal stops and continues the
// show's whole process group, writer included. The music must go on.
TEST(ShowSound, MusicSurvivesStopAndContinue) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, k16Bit.byte_rate, 16384);
  Child c = start_show("2\n1\n", dsp);
  ASSERT_TRUE(fake_dsp_wait_bytes(dsp, 20000, 30)) << "the show never streamed";
  for (int i = 0; i < 40; ++i) {
    kill(-c.pid, SIGSTOP);
    usleep(5000 + 1000 * (i % 7));
    kill(-c.pid, SIGCONT);
    usleep(10000 + 3000 * (i % 5));
  }
  const size_t after_storm = dsp.received.load();
  const bool flowing = fake_dsp_wait_bytes(dsp, after_storm + 128000, 30);
  ShowRun run = finish_show(c);
  fake_dsp_finish(&dsp, 5);
  EXPECT_TRUE(flowing) << "the stream stopped after the stops and continues";
  EXPECT_EQ(run.result.status, 0) << run.result.err;
  EXPECT_FALSE(run.group_left_over);
  expect_capture_bytes(dsp, k16Bit);
}

// Writes interrupted by a signal or refused by a full buffer are retried:
// nothing is lost, nothing is played twice.
TEST(ShowSound, InterruptedDeviceWritesAreRetried) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, k16Bit.byte_rate, 16384);
  fake_dsp_mark(dsp, "flaky");
  Child c = start_show("2\n1\n", dsp);
  const bool streamed = fake_dsp_wait_bytes(dsp, 100000, 30);
  ShowRun run = finish_show(c);
  fake_dsp_finish(&dsp, 5);
  EXPECT_TRUE(streamed);
  EXPECT_EQ(run.result.status, 0) << run.result.err;
  EXPECT_GT(fake_dsp_failed_writes(dsp), 5);
  expect_capture_bytes(dsp, k16Bit);
}

TEST(ShowSound, AGivenDeviceThatCannotOpenFailsAsTheMenuWould) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 0, 0, true);
  for (const char* device : {"1", "2"}) {
    Child c = start_show("", dsp, fake_alsa_home(dsp, false), {"--sound", device, "--mode", "1"});
    ShowRun run = finish_show(c);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.out, "...dnuof ton ecived dnuoS\n");
  }
}

// A show started at a later tick plays the music from where it would be at
// that tick: the device's first bytes are the capture's at that time, give
// or take the block the time falls in.
TEST(ShowSound, ALaterStartPlaysTheMusicFromThatTick) {
  const unsigned from = 6795;
  FakeDsp dsp;
  fake_dsp_start(&dsp, k16Bit.byte_rate, 16384);
  Child c = start_show("", dsp, "", {"--sound", "2", "--mode", "1", "--from", std::to_string(from)});
  const bool streamed = fake_dsp_wait_bytes(dsp, 20000, 30);
  ShowRun run = finish_show(c);
  fake_dsp_finish(&dsp, 5);
  ASSERT_TRUE(streamed);
  EXPECT_EQ(run.result.status, 0);
  std::string wav = ::testing::TempDir() + "show-from.wav";
  RunResult cap = run_program({capture_binary(), "music", "--device", "16", "-o", wav}, {"", true, {}, 120});
  if (cap.status != 0) GTEST_SKIP() << "no embedded module";
  std::vector<uint8_t> music = read_file(wav);
  music.erase(music.begin(), music.begin() + 44);
  const size_t at = size_t(uint64_t(from) * 14286 * 32000 / 1000000) * 4;
  const size_t largest_block = 2666 * 4;
  ASSERT_GT(music.size(), at + largest_block + 8192);
  auto found = std::search(music.begin() + long(at), music.end(), dsp.bytes.begin(), dsp.bytes.begin() + 8192);
  ASSERT_NE(found, music.end()) << "the device's music is not the capture's from that tick on";
  EXPECT_LT(size_t(found - music.begin()) - at, largest_block);
}

// An unplugged card: the writer leaves after its first refused write, and
// the show goes on to end as usual.
TEST(ShowSound, AGoneDeviceLeavesTheShowRunning) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, k16Bit.byte_rate, 16384);
  Child c = start_show("2\n1\n", dsp);
  ASSERT_TRUE(fake_dsp_wait_bytes(dsp, 20000, 30));
  fake_dsp_mark(dsp, "gone");
  for (int i = 0; i < 500 && fake_dsp_failed_writes(dsp) == 0; ++i) usleep(10000);
  usleep(300000);
  const bool still_showing = press_escape_on_show(xvfb_display(24), 0);
  ShowRun run = finish_show(c);
  fake_dsp_finish(&dsp, 5);
  EXPECT_EQ(fake_dsp_failed_writes(dsp), 1) << "the writer went on writing to a gone device";
  EXPECT_TRUE(still_showing) << "the show ended with its device";
  EXPECT_EQ(run.result.status, 0) << run.result.err;
  EXPECT_FALSE(run.group_left_over);
}

// Each menu takes its whole line: what follows the sound answer on its line
// is not read as the output mode.
TEST(ShowSound, TheRestOfTheSoundAnswerLineIsNotTheMode) {
  for (const std::string& line : {std::string(3000, '2'), std::string("2 and some words"), std::string("0")}) {
    SCOPED_TRACE(line.substr(0, 20));
    FakeDsp dsp;
    fake_dsp_start(&dsp, 128000, 16384);
    ShowRun run = run_show(line + "\n1\n", dsp);
    fake_dsp_finish(&dsp, 5);
    EXPECT_EQ(fake_dsp_ioctls(dsp).size(), line[0] == '2' ? 4u : 0u);  // the 16-bit device
    EXPECT_EQ(run.result.out.find("...dnuof ton edoM"), std::string::npos) << run.result.out;
    EXPECT_EQ(run.result.status, 0);
  }
}

}  // namespace
