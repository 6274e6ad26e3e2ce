// The real tundrix binary, driven through its two menus on standard input;
// and how each scene's result ends the show.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "display/display.h"
#include "scenes/scenes.h"
#include "show/sequence.h"
#include "tests/support/support.h"

namespace {

const std::string kSoundMenu = kSoundMenuText;
const std::string kModeMenu = kModeMenuText;

RunResult run_show(const std::string& input, const std::string& display = ":0") {
  RunOptions options;
  options.stdin_text = input;
  options.env = {"DISPLAY=" + display};
  options.timeout_seconds = 30;
  return run_program({tundrix_binary()}, options);
}

// Each start-up failure prints the show's own reversed line, then the reason
// on standard error.
TEST(ShowMenus, UnknownSoundDeviceFailsBeforeTheModeMenu) {
  const std::string no_device = "tundrix: the sound device must be 0, 1 or 2\n";
  const std::string no_answer = "tundrix: no answer to the sound question (end of input)\n";
  const struct {
    const char* answer;
    std::string says;
  } cases[] = {
      {"3\n", no_device}, {"x\n", no_device}, {"9abc\n", no_device}, {"", no_answer}, {"   \n", no_answer}};
  for (const auto& c : cases) {
    RunResult r = run_show(c.answer);
    EXPECT_EQ(r.status, 1) << c.answer;
    EXPECT_EQ(r.out, kSoundMenu + "...dnuof ton ecived dnuoS\n") << c.answer;
    EXPECT_EQ(r.err, c.says) << c.answer;
  }
}

// The sine table is the first thing the show allocates; without it the
// show must stop with a message before any menu, not crash.
TEST(ShowStartUp, SineTableAllocationFailureEndsCleanly) {
#ifdef TUNDRIX_SANITIZER_RUNTIME
  GTEST_SKIP() << "the sanitizer's own malloc comes before the test preload";
#endif
  RunOptions options;
  options.stdin_text = "0\n1\n";
  options.env = {"DISPLAY=:0", std::string("LD_PRELOAD=") + TUNDRIX_FAIL_ALLOCATION_LIBRARY,
                 "TUNDRIX_TEST_FAIL_ALLOCATION_SIZE=" + std::to_string(1281 * 4)};
  options.timeout_seconds = 30;
  RunResult r = run_program({tundrix_binary()}, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "...yromem fo tuO\n");
  EXPECT_EQ(r.err, "tundrix: out of memory\n");
}

TEST(ShowMenus, OnlyTheFirstCharacterOfTheSoundAnswerCounts) {
  RunResult r = run_show("0xyz\n0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kSoundMenu + kModeMenu + "...dnuof ton edoM\n");
  EXPECT_EQ(r.err, "tundrix: the output mode must be a number from 1 to 6\n");
}

TEST(ShowMenus, UnreadableOrOutOfRangeModeFails) {
  // A huge number must not wrap into 1..6; a word, EOF, 0, 7 and negatives fail.
  for (const char* mode : {"9\n", "0\n", "7\n", "-1\n", "word\n", "", "4294967297\n",
                           "99999999999999999999\n", "+\n"}) {
    RunResult r = run_show(std::string("0\n") + mode);
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_EQ(r.out, kSoundMenu + kModeMenu + "...dnuof ton edoM\n") << mode;
    EXPECT_EQ(r.err, "tundrix: the output mode must be a number from 1 to 6\n") << mode;
  }
}

TEST(ShowMenus, ModeWithoutAnXServerFailsNamingTheDisplay) {
  RunResult r = run_show("0\n1\n", ":250");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kSoundMenu + kModeMenu + "...dnuof ton edoM\n");
  EXPECT_EQ(r.err, "tundrix: cannot open the X display :250 (DISPLAY=:250)\n");
  RunOptions unset;
  unset.stdin_text = "0\n1\n";
  r = run_program({"/usr/bin/env", "-u", "DISPLAY", tundrix_binary()}, unset);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tundrix: cannot open an X display: DISPLAY is not set\n");
}

// Started inside the last scene, the show ends where a whole show ends,
// tick 20,391: from 20,300 that is 1.3 s away, where the tunnel's own minute
// would be 60 s. The bound only tells the two apart.
TEST(ShowFrom, StartedInTheLastSceneEndsWhenAWholeShowDoes) {
  const std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  RunOptions options;
  options.env = {"DISPLAY=" + display};
  options.timeout_seconds = 90;
  const double started = now_seconds();
  RunResult r = run_program({tundrix_binary(), "--sound", "0", "--mode", "1", "--from", "20300"}, options);
  const double seconds = now_seconds() - started;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "N\xF6tbuske stad gr\xE4nser.\n");
  EXPECT_LT(seconds, 30.0);
}

}  // namespace

namespace {

// The test preload that moves a show's clock on must do exactly that, or the
// Escape tests of late scenes would test the wrong scene.
TEST(ClockSkip, MovesTheShowClockOnAfterItStarts) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  // Tick 16,200: every scene but the tunnel is over; the tunnel then runs
  // for a minute, so the show is still up two seconds later.
  Child child = start_show_at(display, 16200);
  std::string seen;
  child_wait_output(child, "\x01", seen, 2.0);
  RunResult r = child_finish_escaping(child, display, 30);
  EXPECT_EQ(r.status, 0);
  std::string tail = "N\xF6tbuske stad gr\xE4nser.\n";
  ASSERT_GE((seen + r.out).size(), tail.size());
  EXPECT_EQ((seen + r.out).substr((seen + r.out).size() - tail.size()), tail);
}

}  // namespace

namespace {

TEST(ShowEnding, EachResultEndsTheShowWithItsLineAndStatus) {
  const char* const kNoMemory = "out of memory";
  const struct {
    ShowScene scene;
    int result;
    const char* message;  // null: none
    int status;
    const char* failure;  // null: none; message and failure null: the show goes on
  } cases[] = {
      {kScenePolarWipe, kSceneRanToEnd, nullptr, 0, nullptr},
      {kScenePolarWipe, kSceneEndsShow, "Bou bou bou.", 0, nullptr},
      {kSceneObjectRing, kSceneEndsShow, "Viturarrallallaa!", 0, nullptr},
      {kSceneWhirlGreetings, kSceneEndsShow, "Senkus meet!", 0, nullptr},
      {kSceneReplayedObject, kSceneEndsShow, "Out of memory tai muuta tyhm\xE4\xE4!", 0, nullptr},
      {kSceneObjectRing, kSceneBadObjectData, "Inva kewl.dat!", 1, nullptr},
      {kSceneWhirlGreetings, kSceneBadObjectData, "Inva kewl.dat!", 1, nullptr},
      {kSceneWhirlGreetings, kSceneNoNormals, "No luck!", 1, kNoMemory},
      {kSceneReplayedObject, kSceneNoNormals, "No luck!", 1, kNoMemory},
      // Memory that ran out is a failure in every scene, the last included,
      // not the scene's Escape line with status 0.
      {kScenePolarWipe, kSceneNoMemory, nullptr, 1, kNoMemory},
      {kSceneObjectRing, kSceneNoMemory, nullptr, 1, kNoMemory},
      {kSceneReplayedObject, kSceneNoMemory, nullptr, 1, kNoMemory},
      {kSceneTunnel, kSceneNoMemory, nullptr, 1, kNoMemory},
      {kSceneTunnel, kSceneEndsShow, "N\xF6tbuske stad gr\xE4nser.", 0, nullptr},
      {kSceneTunnel, kSceneRanToEnd, "N\xF6tbuske stad gr\xE4nser.", 0, nullptr},
  };
  for (const auto& c : cases) {
    const ShowEnding e = show_ending_after(c.scene, c.result);
    const std::string label = "scene " + std::to_string(c.scene) + ", result " + std::to_string(c.result);
    EXPECT_STREQ(e.message, c.message) << label;
    EXPECT_STREQ(e.failure, c.failure) << label;
    if (c.message || c.failure) {
      EXPECT_EQ(e.status, c.status) << label;
    }
  }
}

// Runs end_show in a child whose display says on standard output how it
// was given back.
struct Ended {
  int status = -1;
  std::string out, err;
};
std::string read_all(int fd) {
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}
Ended end_in_child(const ShowEnding& ending) {
  int out[2], err[2];
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    static const FrameSink sink = {[](const uint32_t*) {}, [] { return 0; },
                                   [] { (void)!write(1, "display given back\n", 19); }, nullptr,
                                   [] { (void)!write(1, "display abandoned\n", 18); }};
    display_set_sink(&sink);
    end_show(ending);
  }
  close(out[1]);
  close(err[1]);
  Ended e;
  e.out = read_all(out[0]);
  e.err = read_all(err[0]);
  int status;
  waitpid(pid, &status, 0);
  e.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return e;
}

TEST(EndShow, GivesTheDisplayBackWritesTheLinesAndExitsWithTheStatus) {
  Ended e = end_in_child({"Nih.", 0});
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, "display given back\nNih.\n");
  EXPECT_EQ(e.err, "");
  // A failure abandons the display: a capture keeps nothing of the run.
  e = end_in_child({"Inva kewl.dat!", 1});
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(e.out, "display abandoned\nInva kewl.dat!\n");
  EXPECT_EQ(e.err, "");
  e = end_in_child({nullptr, 1, "out of memory"});
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(e.out, "display abandoned\n");
  EXPECT_EQ(e.err, "show_tests: out of memory\n");
}

}  // namespace
