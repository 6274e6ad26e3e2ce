// The sound output in a test process: the menu answered through standard
// input, the writer process streaming into the fake /dev/dsp, the player
// driven by the device's demand or by the timer.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio_ext.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "base/clock.h"
#include "player/loader.h"
#include "player/playback.h"
#include "show/music_tick.h"
#include "sound/devices.h"
#include "sound/output.h"
#include "sound/stream.h"
#include "sound/writer_process.h"
#include "tests/player/tiny_module.h"
#include "tests/sound/fake_dsp.h"
#include "tests/support/support.h"

namespace {

// Answers the sound menu as a user would, through standard input.
int answer_menu(const char* answer) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  ssize_t n = write(fds[1], answer, strlen(answer));
  (void)n;
  close(fds[1]);
  dup2(fds[0], 0);
  close(fds[0]);
  // Forget what an earlier answer left in stdin's buffer.
  __fpurge(stdin);
  clearerr(stdin);
  return sd_menu();
}

// Sleeps through the SIGCHLD interruptions of the running sound.
void sleep_seconds(double s) {
  timespec ts = {time_t(s), long((s - time_t(s)) * 1e9)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

std::vector<uint8_t> module_copy(const std::string& name) {
  return read_file(testdata_path("mods/" + name));
}

// The data bytes of `tundrix-capture music` for the same module.
std::vector<uint8_t> capture_data(const std::string& module, const char* device, double seconds) {
  std::string out = ::testing::TempDir() + "capture-" + device + ".wav";
  RunResult r = run_program({capture_binary(), "music", "--module", module, "--device", device, "--seconds",
                             std::to_string(seconds), "-o", out});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<uint8_t> wav = read_file(out);
  return wav.size() > 44 ? std::vector<uint8_t>(wav.begin() + 44, wav.end()) : std::vector<uint8_t>();
}

// The device's bytes are the start of the capture's for hiscore.mod.
void expect_hiscore_capture(const std::vector<uint8_t>& device_bytes) {
  std::vector<uint8_t> expected = capture_data(testdata_path("mods/hiscore.mod"), "16", 10);
  ASSERT_GE(expected.size(), device_bytes.size());
  expected.resize(device_bytes.size());
  EXPECT_TRUE(expected == device_bytes) << "the device got other bytes than the capture";
}

// Loads hiscore.mod (kept alive: the player reads it in place) and starts
// the sound output.
void play_hiscore() {
  static std::vector<uint8_t> module;
  module = module_copy("hiscore.mod");
  ASSERT_EQ(pt_load(module.data(), module.size()), 1);
  sound_start(kShowTicksPerSecond, show_music_tick);
}

bool reaped(int pid) { return pid > 0 && waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(SoundDevices, SixteenBitStreamsWhatTheCaptureRenders) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 128000, 16384);
  ASSERT_EQ(answer_menu("2\n"), 1);
  EXPECT_STREQ(sd_name(), "/dev/dspW 16-bit stereo");
  std::vector<uint8_t> module = module_copy("hiscore.mod");
  ASSERT_EQ(pt_load(module.data(), module.size()), 1);
  sound_start(kShowTicksPerSecond, show_music_tick);
  sleep_seconds(1.5);
  for (int i = 0; i < 1000 && fake_dsp_write_sizes(dsp).size() < 12; ++i) sleep_seconds(0.01);
  const int writer = sound_writer_pid();
  EXPECT_GT(writer, 0);
  sound_stop();
  EXPECT_TRUE(reaped(writer)) << "the writer was not reaped";
  EXPECT_EQ(sound_writer_pid(), -1);
  EXPECT_TRUE(fake_dsp_finish(&dsp, 5));

  EXPECT_EQ(fake_dsp_ioctls(dsp), (std::vector<std::string>{
                                      "0xc004500a 131085",  // SETFRAGMENT 0x2000D
                                      "0xc0045005 16",      // SETFMT signed 16-bit LE
                                      "0xc0045003 1",       // STEREO
                                      "0xc0045002 32000",   // SPEED
                                  }));
  int pid = 0;
  std::vector<int> sizes = fake_dsp_write_sizes(dsp, &pid);
  EXPECT_EQ(pid, writer);  // only the writer writes to the device
  ASSERT_GT(sizes.size(), 10u);
  for (int s : sizes) EXPECT_EQ(s, 2560);  // 640 frames at tempo 125
  ASSERT_EQ(dsp.bytes.size(), sizes.size() * 2560);
  expect_hiscore_capture(dsp.bytes);
}

TEST(SoundDevices, EightBitBlocksFollowTheTempo) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 21700, 4096);
  ASSERT_EQ(answer_menu("1xyz\n"), 1);
  EXPECT_STREQ(sd_name(), "/dev/dsp 8-bit mono");
  TinyModule m(4);
  m.samples[1] = {512, 0, 64, 0, 512, 40};
  m.put(0, 0, 0, 1, 428);
  m.put(0, 1, 0, 0, 0, 0xF, 0xAF);  // tempo 175 from the second row on
  std::vector<uint8_t> bytes = m.bytes();
  ASSERT_EQ(pt_load(bytes.data(), bytes.size()), 1);
  sound_start(kShowTicksPerSecond, show_music_tick);
  // As long as a loaded machine needs for a dozen blocks.
  for (int i = 0; i < 1000 && fake_dsp_write_sizes(dsp).size() < 12; ++i) sleep_seconds(0.01);
  sound_stop();
  fake_dsp_finish(&dsp, 5);
  EXPECT_EQ(fake_dsp_ioctls(dsp), (std::vector<std::string>{
                                      "0xc004500a 131083",  // SETFRAGMENT 0x2000B
                                      "0xc0045003 0",       // mono
                                      "0xc0045002 21700",
                                  }));
  std::vector<int> sizes = fake_dsp_write_sizes(dsp);
  ASSERT_GT(sizes.size(), 8u);
  for (size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], i < 6 ? 434 : 310) << i;
}

TEST(SoundDevices, WithoutADeviceTheTimerPlaysAndNothingIsWritten) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 128000, 16384);
  ASSERT_EQ(answer_menu("0\n"), 1);
  EXPECT_STREQ(sd_name(), "Super Qor NoSound Device 2.0c");
  EXPECT_EQ(sd_kind(), 0);
  std::vector<uint8_t> module = module_copy("hiscore.mod");
  ASSERT_EQ(pt_load(module.data(), module.size()), 1);
  sound_start(kShowTicksPerSecond, show_music_tick);
  sleep_seconds(0.5);
  EXPECT_EQ(sound_writer_pid(), -1);
  sound_stop();
  const uint32_t ticks = sound_ticks();
  // About 35 ticks in half a second; every one ran the player (speed 6).
  EXPECT_GT(ticks, 5u);
  EXPECT_NEAR(double(pt_state().rows_started), ticks / 6.0, 1.0);
  sleep_seconds(0.1);
  EXPECT_EQ(sound_ticks(), ticks);  // the timer is off again
  fake_dsp_finish(&dsp, 2);
  EXPECT_TRUE(fake_dsp_log(dsp).empty());
  EXPECT_TRUE(dsp.bytes.empty());
}

TEST(SoundDevices, MissingDeviceFailsWithItsErrorText) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 0, 0, true);
  setenv("HOME", fake_alsa_home(dsp, false).c_str(), 1);  // no ALSA device either
  EXPECT_EQ(answer_menu("1\n"), 0);
  EXPECT_STREQ(sd_error(), "sd_dsp8_init: Cannot open /dev/dsp!");
  // For the user: both devices tried, each with its own error.
  const std::string reason = sd_failure();
  EXPECT_EQ(reason.rfind("no sound device: /dev/dsp: ", 0), 0u) << reason;
  const size_t alsa = reason.find("; ALSA's default device: ");
  ASSERT_NE(alsa, std::string::npos) << reason;
  EXPECT_GT(reason.size(), alsa + 25) << reason;
  EXPECT_EQ(answer_menu("2\n"), 0);
  EXPECT_STREQ(sd_error(), "sd_dsp16_init: Cannot find /dev/dspW!");
  EXPECT_EQ(answer_menu("0\n"), 1);
}

TEST(SoundDevices, MenuAnswers) {
  EXPECT_EQ(answer_menu("3\n"), 0);
  EXPECT_STREQ(sd_failure(), "the sound device must be 0, 1 or 2");
  EXPECT_EQ(answer_menu(""), 0);  // end of input before any word
  EXPECT_STREQ(sd_failure(), "no answer to the sound question (end of input)");
  EXPECT_EQ(answer_menu(std::string(5000, '0').c_str()), 1);  // read in bounded pieces
  EXPECT_EQ(answer_menu("  \n\t 0\n"), 1);
}

// Waits until cond holds, up to seconds; the sound runs in signal handlers
// meanwhile.
template <typename Cond>
bool wait_for(Cond cond, double seconds) {
  for (int i = 0; i < seconds * 100 && !cond(); ++i) sleep_seconds(0.01);
  return cond();
}

TEST(SoundDevices, WithoutDevDspTheSameStreamGoesToAlsa) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 128000, 16384, true);
  setenv("HOME", fake_alsa_home(dsp, true).c_str(), 1);
  ASSERT_EQ(answer_menu("2\n"), 1);
  EXPECT_STREQ(sd_name(), "ALSA default 16-bit stereo");
  EXPECT_EQ(sd_fd(), -1);
  play_hiscore();
  EXPECT_TRUE(fake_dsp_wait_bytes(dsp, 40000, 20));
  sound_stop();
  EXPECT_TRUE(fake_dsp_finish(&dsp, 5)) << "the writer kept ALSA's device open";
  expect_hiscore_capture(dsp.bytes);
}

// The menu's check found ALSA's device, but the writer cannot open it: the
// show learns that before relying on the writer, and the timer plays.
TEST(SoundDevices, AWriterWhoseDeviceWillNotOpenLeavesTheMusicToTheTimer) {
  FakeDsp dsp;
  fake_dsp_start(&dsp, 21700, 4096, true);
  const std::string home = fake_alsa_home(dsp, true);
  setenv("HOME", home.c_str(), 1);
  ASSERT_EQ(answer_menu("1\n"), 1);
  EXPECT_STREQ(sd_name(), "ALSA default 8-bit mono");
  rename((fake_alsa_home(dsp, false) + "/.asoundrc").c_str(), (home + "/.asoundrc").c_str());
  play_hiscore();
  EXPECT_EQ(sound_writer_pid(), -1);
  const uint32_t rows = pt_state().rows_started;
  EXPECT_TRUE(wait_for([&] { return pt_state().rows_started >= rows + 3; }, 10)) << "the music stood still";
  sound_stop();
  fake_dsp_finish(&dsp, 2);
  EXPECT_TRUE(dsp.bytes.empty());
}

// Without a device the skipped music stands where the 70 Hz timer would
// have put it: one player tick per 14,285 us of show time.
TEST(SoundOutput, SkippingSilentMusicGivesTheTimersTicks) {
  struct Case {
    uint32_t show_ticks, player_ticks;
  };
  // 14,286 / 14,285 gains one timer tick every 14,285 show ticks.
  for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{700, 700}, Case{14284, 14284}, Case{14285, 14286},
                        Case{20391, 20392}}) {
    std::vector<uint8_t> skipped = module_copy("hiscore.mod"), ticked = skipped;
    ASSERT_EQ(pt_load(ticked.data(), ticked.size()), 1);
    for (uint32_t t = 0; t < c.player_ticks; ++t) show_music_tick();
    const uint32_t rows = pt_state().rows_started, position = pt_song_position(), tick = pt_state().tick;
    ASSERT_EQ(pt_load(skipped.data(), skipped.size()), 1);
    sound_skip_music(kSoundNone, kShowTicksPerSecond, show_music_tick, uint64_t(c.show_ticks) * kTickMicros);
    EXPECT_EQ(pt_state().rows_started, rows) << c.show_ticks;
    EXPECT_EQ(pt_song_position(), position) << c.show_ticks;
    EXPECT_EQ(pt_state().tick, tick) << c.show_ticks;
  }
}

// hiscore.mod streaming into the fake 16-bit device.
void stream_hiscore(FakeDsp* dsp) {
  fake_dsp_start(dsp, 128000, 16384);
  ASSERT_EQ(answer_menu("2\n"), 1);
  play_hiscore();
  ASSERT_TRUE(fake_dsp_wait_bytes(*dsp, 10000, 20)) << "the show never streamed";
}

// A held music (the show's pause) stands still: the device gets silence,
// in blocks as long as the music's, and the player does not move; let go,
// it goes on where it stood. The device's bytes are the capture's with the
// silence put in between; without a device the timer's ticks stop moving
// the player.
TEST(SoundOutput, HeldMusicPlaysSilenceAndGoesOnWhereItStood) {
  FakeDsp dsp;
  ASSERT_NO_FATAL_FAILURE(stream_hiscore(&dsp));
  sound_hold(true);
  const size_t held_at = dsp.received.load();
  const uint32_t rows = pt_state().rows_started;
  EXPECT_TRUE(fake_dsp_wait_bytes(dsp, held_at + 40 * 2560, 20));
  EXPECT_EQ(pt_state().rows_started, rows);
  sound_hold(false);
  EXPECT_TRUE(fake_dsp_wait_bytes(dsp, dsp.received.load() + 20 * 2560, 20));
  sound_stop();
  fake_dsp_finish(&dsp, 5);
  EXPECT_GT(pt_state().rows_started, rows);

  const std::vector<uint8_t>& got = dsp.bytes;
  std::vector<uint8_t> expected = capture_data(testdata_path("mods/hiscore.mod"), "16", 10);
  size_t same = 0;
  while (same < got.size() && same < expected.size() && got[same] == expected[same]) same++;
  size_t silent = same;
  while (silent < got.size() && got[silent] == 0) silent++;
  // The silence starts where the capture's sound and the device's part, at
  // most the device's buffer (the FIFO's 16,384 bytes) and two blocks after
  // where the hold came, and lasts whole blocks.
  EXPECT_EQ(same % 2560, 0u);
  EXPECT_LE(same, held_at + 16384 + 2 * 2560);
  const size_t blocks = (silent - same) / 2560;
  EXPECT_GE(blocks, 30u);
  const size_t resumed = same + blocks * 2560;
  ASSERT_GT(got.size(), resumed + 10 * 2560);
  EXPECT_TRUE(std::equal(got.begin() + long(resumed), got.end(), expected.begin() + long(same)))
      << "the music did not go on where it stood";
}

TEST(SoundOutput, HeldMusicStopsTheTimersTicks) {
  ASSERT_EQ(answer_menu("0\n"), 1);
  play_hiscore();
  sleep_seconds(0.2);
  sound_hold(true);
  sleep_seconds(0.05);
  const uint32_t rows = pt_state().rows_started, ticks = sound_ticks();
  sleep_seconds(0.5);
  EXPECT_EQ(pt_state().rows_started, rows);
  EXPECT_GT(sound_ticks(), ticks + 10);  // the timer still counts
  sound_hold(false);
  EXPECT_TRUE(wait_for([&] { return pt_state().rows_started >= rows + 2; }, 10));
  sound_stop();
}

// An unplugged card: the writer leaves after the first refused write, and
// the music goes on from the timer, silently.
TEST(SoundOutput, AGoneDeviceLeavesTheMusicToTheTimer) {
  FakeDsp dsp;
  ASSERT_NO_FATAL_FAILURE(stream_hiscore(&dsp));
  const int writer = sound_writer_pid();
  fake_dsp_mark(dsp, "gone");
  EXPECT_TRUE(wait_for([] { return sound_writer_pid() == -1; }, 10)) << "the show did not notice";
  EXPECT_TRUE(reaped(writer));
  const uint32_t rows = pt_state().rows_started;
  EXPECT_TRUE(wait_for([&] { return pt_state().rows_started >= rows + 3; }, 10)) << "the music stood still";
  sound_stop();
  fake_dsp_finish(&dsp, 5);
  EXPECT_EQ(fake_dsp_failed_writes(dsp), 1);
}

// Other children come and go while the writer asks: their SIGCHLDs may
// merge with its requests, and none of its requests may go unanswered.
TEST(SoundOutput, OtherChildrenDoNotSilenceTheWriter) {
  FakeDsp dsp;
  ASSERT_NO_FATAL_FAILURE(stream_hiscore(&dsp));
  for (int i = 0; i < 300; ++i) {
    pid_t child = fork();
    if (child == 0) _exit(0);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    kill(getpid(), SIGCHLD);  // and a stray one from nobody
  }
  const size_t after = dsp.received.load();
  EXPECT_TRUE(fake_dsp_wait_bytes(dsp, after + 64000, 20)) << "the stream stopped";
  EXPECT_GT(sound_writer_pid(), 0);
  sound_stop();
  fake_dsp_finish(&dsp, 5);
}

TEST(SoundOutput, StopWithoutStartAndTwiceIsHarmless) {
  sound_stop();
  sound_stop();
  SUCCEED();
}

TEST(SoundOutput, TheWriterLeavesWhenTheShowDies) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  FakeDsp dsp;
  fake_dsp_start(&dsp, 128000, 16384);
  pid_t show = fork();
  if (show == 0) {
    if (answer_menu("2\n") != 1) _exit(1);
    std::vector<uint8_t> module = module_copy("hiscore.mod");
    pt_load(module.data(), module.size());
    sound_start(kShowTicksPerSecond, show_music_tick);
    for (;;) pause();
  }
  int writer = -1;
  for (int i = 0; i < 500 && writer < 0; ++i) {
    usleep(10000);
    fake_dsp_write_sizes(dsp, &writer);
  }
  kill(show, SIGKILL);
  waitpid(show, nullptr, 0);
  ASSERT_GT(writer, 0) << "the show never streamed";
  // The orphaned writer comes to this process (a subreaper); it must leave
  // by itself once the show's end of the pipe is gone.
  bool gone = false;
  for (int i = 0; i < 1000 && !gone; ++i) {
    gone = waitpid(writer, nullptr, WNOHANG) == writer;
    if (!gone) usleep(10000);
  }
  EXPECT_TRUE(gone) << "the writer outlived the show";
  if (!gone) kill(writer, SIGKILL);
  fake_dsp_finish(&dsp, 5);
}

}  // namespace
