// The real tundrix binary's command line and the encoding of its messages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "tests/support/support.h"
#include "tundrix_version.h"

namespace {

const std::string kSoundMenu = kSoundMenuText;
const std::string kModeMenu = kModeMenuText;
const std::string kTryHelp = "Try 'tundrix --help' for more information.\n";

std::vector<std::string> with_binary(std::vector<std::string> args) {
  args.insert(args.begin(), tundrix_binary());
  return args;
}

// Runs the show with args and stdin, pressing Escape until it ends.
RunResult run_show(const std::vector<std::string>& args, const std::string& input,
                   std::vector<std::string> env = {}) {
  const std::string display = xvfb_display(24);
  env.push_back("DISPLAY=" + display);
  Child c = start_program(with_binary(args), env);
  child_write(c, input);
  return child_finish_escaping(c, display, 60);
}

TEST(CommandLine, HelpAndVersionAnswerAndAskNothing) {
  for (const char* flag : {"--help", "-h"}) {
    RunResult r = run_program(with_binary({flag}), {"0\n1\n", true, {}, 30});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: tundrix [OPTION]...\n", 0), 0u) << r.out;
    for (const char* option : {"--sound N", "--mode M", "--from TICK", "--flat-out", "--help", "--version"})
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(r.out.find("Select your sound device"), std::string::npos);
    EXPECT_EQ(r.err, "");
  }
  // The version answers whatever else the line holds, in the one line
  // packaging tools read.
  RunResult version = run_program(with_binary({"--sound", "0", "--version"}), {"0\n1\n", true, {}, 30});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tundrix " TUNDRIX_VERSION "\n");
  EXPECT_EQ(version.err, "");
  // Help or a version that cannot be written is a failure, said in one line.
  for (const char* flag : {"--help", "--version"}) {
    RunResult r = run_program({"/bin/sh", "-c", "exec \"$0\" $1 >/dev/full", tundrix_binary(), flag});
    EXPECT_EQ(r.status, 1) << flag;
    EXPECT_EQ(r.err, "tundrix: standard output: No space left on device\n") << flag;
  }
}

TEST(CommandLine, BadArgumentsSayWhatIsWrongAndStartNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--sound"}, "--sound needs a value (0, 1 or 2)"},
      {{"--sound", "3"}, "--sound must be 0, 1 or 2, not '3'"},
      {{"--sound", "x"}, "--sound must be 0, 1 or 2, not 'x'"},
      {{"--sound="}, "--sound must be 0, 1 or 2, not ''"},
      {{"--sound", "-0"}, "--sound must be 0, 1 or 2, not '-0'"},
      {{"--mode", "0"}, "--mode must be 1 to 6, not '0'"},
      {{"--mode=7"}, "--mode must be 1 to 6, not '7'"},
      {{"--mode", " 1"}, "--mode must be 1 to 6, not ' 1'"},
      {{"--from", "20392"}, "--from must be a tick from 0 to 20391, not '20392'"},
      {{"--from", "1e3"}, "--from must be a tick from 0 to 20391, not '1e3'"},
      {{"--from", "99999999999999999999999"}, "--from must be a tick from 0 to 20391, not '99999999999999999999999'"},
      {{"--sound", "0", "--from"}, "--from needs a value (a tick from 0 to 20391)"},
      {{"--sounds=1"}, "unknown option '--sounds=1'"},
      {{"-x"}, "unknown option '-x'"},
      {{"2"}, "unexpected argument '2'"},
  };
  for (const Case& c : cases) {
    RunResult r = run_program(with_binary(c.args), {"0\n1\n", true, {}, 30});
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_EQ(r.out, "") << c.message;  // no menu, no show
    EXPECT_EQ(r.err, "tundrix: " + c.message + "\n" + kTryHelp);
  }
}

// Each option answers its own question; the other one is still asked.
TEST(CommandLine, OptionsAnswerTheQuestionsTheMenusAskOtherwise) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string shown;  // what precedes the show's message
  };
  const Case cases[] = {
      {{}, "0\n1\n", kSoundMenu + kModeMenu},
      {{"--sound", "0", "--mode", "1"}, "", ""},
      {{"--sound=0", "--mode=2"}, "7\n", ""},  // standard input is not read
      {{"--sound", "0"}, "1\n", kModeMenu},
      {{"--mode", "1"}, "0\n", kSoundMenu},
  };
  for (const Case& c : cases) {
    RunResult r = run_show(c.args, c.input);
    SCOPED_TRACE(r.out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(c.shown, 0), 0u);
    EXPECT_EQ(r.out, c.shown + "Bou bou bou.\n");
  }
}

TEST(CommandLine, AGivenModeFailsAsTheMenusAnswerWould) {
  RunResult r = run_program(with_binary({"--sound", "0", "--mode", "1"}), {"", true, {"DISPLAY=:999"}, 30});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "...dnuof ton edoM\n");
}

std::string to_utf8(const std::string& latin1) {
  std::string out;
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The show started in its last scene ends with "N\xF6tbuske stad gr\xE4nser."
// on Escape. Escape waits a moment so that the scenes before the starting
// tick have passed; should one of them still take it, its own message must
// be in the same encoding.
TEST(CommandLine, MessagesFollowTheTerminalsEncoding) {
  const std::vector<std::string> messages = {"N\xF6tbuske stad gr\xE4nser.", "Bou bou bou.", "Go hell!", "No jee!",
                                             "Viturarrallallaa!", "Senkus meet!", "Nih.",
                                             "Out of memory tai muuta tyhm\xE4\xE4!"};
  struct Case {
    std::vector<std::string> env;
    bool utf8;
  };
  const Case cases[] = {
      {{"LC_ALL=C", "LANG=C.UTF-8"}, false},
      {{"LC_ALL=POSIX", "LANG="}, false},
      {{"LC_ALL=C.UTF-8", "LANG=C"}, true},
      {{"LC_ALL=", "LC_CTYPE=C.UTF-8", "LANG=C"}, true},
      {{"LC_ALL=", "LC_CTYPE=", "LANG=C.UTF-8"}, true},
      {{"LC_ALL=", "LC_CTYPE=", "LANG=xx_XX.ISO-8859-1"}, false},  // no such locale: "C"
  };
  int closing = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env[0] + " " + c.env[1]);
    const std::string display = xvfb_display(24);
    std::vector<std::string> env = c.env;
    env.push_back("DISPLAY=" + display);
    Child child = start_program(with_binary({"--sound", "0", "--mode", "1", "--from", "16191"}), env);
    usleep(3000000);
    RunResult r = child_finish_escaping(child, display, 60);
    EXPECT_EQ(r.status, 0);
    bool known = false;
    for (const std::string& m : messages) {
      if (r.out == (c.utf8 ? to_utf8(m) : m) + "\n") known = true;
    }
    EXPECT_TRUE(known) << r.out;
    closing += r.out[0] == 'N' && r.out[1] != 'i';
  }
  EXPECT_GT(closing, 0) << "no run reached the closing message";
}

// The opening scene for a moment: paced, the show presents about once per
// show tick (the display's own tests hold it to that exactly); with
// --flat-out it presents as fast as it draws, many times more.
TEST(CommandLine, FlatOutPresentsUnpaced) {
  for (bool flat : {false, true}) {
    SCOPED_TRACE(flat ? "flat out" : "paced");
    const std::string display = xvfb_display(24);
    const std::string log = ::testing::TempDir() + (flat ? "presents-flat" : "presents-paced");
    std::vector<std::string> args = {"--sound", "0", "--mode", "1"};
    if (flat) args.push_back("--flat-out");
    Child child = start_program(with_binary(args), {"LD_PRELOAD=" TUNDRIX_PRESENT_COUNT_LIBRARY,
                                                    "TUNDRIX_TEST_PRESENT_LOG=" + log, "DISPLAY=" + display});
    usleep(1500000);  // let it present for a while
    RunResult r = child_finish_escaping(child, display, 60);
    EXPECT_EQ(r.status, 0) << r.err;
    long presents = 0, ticks = 0;
    FILE* f = std::fopen(log.c_str(), "r");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fscanf(f, "%ld %ld", &presents, &ticks), 2);
    std::fclose(f);
    ASSERT_GT(ticks, 20) << "the show presented for too short a time to tell";
    if (flat) {
      EXPECT_GT(presents, 2 * ticks);
    } else {
      EXPECT_LE(presents, ticks + ticks / 10 + 3);  // about one a tick
    }
  }
}

}  // namespace
