// How a tundrix-capture run ends when it does not end well: it removes only
// what it made itself (never a device, a link, a file or a folder that was
// there before), writes devices, FIFOs and "-" as streams, reports a failed
// write in one line of its own, and on a stop signal removes its outputs and
// stops ffmpeg.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

// A new empty folder for one case.
std::string fresh_folder() {
  char tmpl[] = "/tmp/tundrix-capture-endings-XXXXXX";
  return std::string(mkdtemp(tmpl));
}

std::string joined(const std::vector<std::string>& names) {
  std::string all;
  for (const std::string& n : names) all += n + " ";
  return all;
}

// The file type bits of what path itself is (a link is not followed), 0 when nothing.
mode_t kind_of(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

std::string text_of(const std::string& path) {
  std::vector<uint8_t> bytes = read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

void write_text(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

bool one_own_line(const std::string& err, const std::string& prefix = "tundrix-capture: ") {
  return err.rfind(prefix, 0) == 0 && err.find('\n') == err.size() - 1;
}

RunResult capture(const std::vector<std::string>& args, const ChildSetup& setup = {}) {
  std::vector<std::string> argv = {capture_binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  RunOptions options;
  options.timeout_seconds = 240;
  return run_program(argv, options, setup);
}

// Runs a bash command line with the capture binary as $0 and extra as $1...
RunResult bash(const std::string& command, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> argv = {"/bin/bash", "-c", command, capture_binary()};
  argv.insert(argv.end(), extra.begin(), extra.end());
  return run_program(argv);
}

TEST(CaptureOwnOutputs, DevicesLinksAndFoldersThatWereThereSurviveAFailedRun) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make device nodes";
  const std::string d = fresh_folder();
  // Like /dev/full (writes fail: no space) and /dev/null.
  ASSERT_EQ(mknod((d + "/full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  ASSERT_EQ(mknod((d + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  ASSERT_EQ(symlink("full", (d + "/full-link").c_str()), 0);
  ASSERT_EQ(mkdir((d + "/v.wav").c_str(), 0755), 0);
  write_text(d + "/keep.wav", "precious");
  ASSERT_EQ(symlink("keep.wav", (d + "/link.wav").c_str()), 0);
  ASSERT_EQ(mkdir((d + "/frames").c_str(), 0755), 0);
  write_text(d + "/frames/mine.txt", "mine");
  const std::vector<std::string> before = folder_entries(d);

  ChildSetup limited;
  limited.file_size_limit = 64 << 10;
  struct Case {
    std::vector<std::string> args;
    bool limited;
    std::string says;
  } cases[] = {
      {{"music", "--seconds", "20", "--timeline", d + "/full", "-o", d + "/o.wav"}, false,
       d + "/full: No space left on device"},
      {{"music", "--seconds", "20", "--timeline", d + "/full-link", "-o", d + "/o.wav"}, false,
       d + "/full-link: No space left on device"},
      {{"music", "--seconds", "20", "--timeline", d + "/null", "-o", d + "/o.wav"}, true,
       d + "/o.wav: File too large"},
      {{"show", "--to", "70", "-o", d + "/v.y4m"}, false, d + "/v.wav: Is a directory"},
      {{"music", "--seconds", "20", "-o", d + "/link.wav"}, true, d + "/link.wav: File too large"},
      {{"music", "--seconds", "20", "-o", d + "/keep.wav"}, true, d + "/keep.wav: File too large"},
      {{"music", "--seconds", "20", "-o", d + "/full"}, false, d + "/full: No space left on device"},
      {{"show", "--to", "200", "-o", d + "/frames"}, true, d + "/frames/sound.wav: File too large"},
  };
  for (const Case& c : cases) {
    RunResult r = capture(c.args, c.limited ? limited : ChildSetup{});
    EXPECT_EQ(r.status, 1) << c.says << "\n" << r.err;
    EXPECT_TRUE(one_own_line(r.err)) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(joined(folder_entries(d)), joined(before)) << c.says;
    EXPECT_EQ(kind_of(d + "/full"), S_IFCHR);
    EXPECT_EQ(kind_of(d + "/null"), S_IFCHR);
    EXPECT_EQ(kind_of(d + "/full-link"), S_IFLNK);
    EXPECT_EQ(kind_of(d + "/v.wav"), S_IFDIR);
    EXPECT_EQ(kind_of(d + "/link.wav"), S_IFLNK);
    EXPECT_TRUE(text_of(d + "/keep.wav") == "precious") << "keep.wav changed";
    EXPECT_EQ(joined(folder_entries(d + "/frames")), "mine.txt ");
  }

  // Written to in place, and still a device afterwards.
  RunResult r = capture({"music", "--seconds", "1", "--timeline", d + "/null", "-o", d + "/null"});
  EXPECT_EQ(r.status, 2) << r.err;  // the same file twice
  r = capture({"music", "--seconds", "1", "-o", d + "/null"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(kind_of(d + "/null"), S_IFCHR);
  std::filesystem::remove_all(d);
}

TEST(CaptureOwnOutputs, DashIsStandardOutputAndFilesThatExistAreReplacedWhole) {
  const std::string d = fresh_folder();
  ChildSetup in_d;
  in_d.working_dir = d;
  ASSERT_EQ(capture({"music", "--seconds", "2", "--timeline", d + "/t.txt", "-o", d + "/a.wav"}).status, 0);
  RunResult r = capture({"music", "--seconds", "2", "--timeline", "-", "-o", "b.wav"}, in_d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(r.out.size(), 20u);
  EXPECT_EQ(r.out, text_of(d + "/t.txt"));
  EXPECT_EQ(kind_of(d + "/-"), 0u);
  r = capture({"music", "--seconds", "2", "-o", "-"}, in_d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out == text_of(d + "/a.wav"));
  EXPECT_EQ(kind_of(d + "/-"), 0u);
  // /dev/stdout is the descriptor the shell set up, appending included.
  write_text(d + "/log.txt", "before\n");
  r = bash("\"$0\" music --seconds 2 --timeline /dev/stdout -o \"$1\" >>\"$2\"", {d + "/b.wav", d + "/log.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(text_of(d + "/log.txt"), "before\n" + text_of(d + "/t.txt"));

  // An existing file, named directly or through a link, gets the new content;
  // the link stays a link.
  write_text(d + "/old.wav", "old");
  ASSERT_EQ(symlink("old.wav", (d + "/link.wav").c_str()), 0);
  ASSERT_EQ(capture({"music", "--seconds", "2", "-o", d + "/link.wav"}).status, 0);
  EXPECT_EQ(kind_of(d + "/link.wav"), S_IFLNK);
  EXPECT_TRUE(read_file(d + "/old.wav") == read_file(d + "/a.wav"));
  write_text(d + "/old.wav", "old");
  ASSERT_EQ(capture({"music", "--seconds", "2", "-o", d + "/old.wav"}).status, 0);
  EXPECT_TRUE(read_file(d + "/old.wav") == read_file(d + "/a.wav"));
  EXPECT_EQ(joined(folder_entries(d)), joined({"a.wav", "b.wav", "link.wav", "log.txt", "old.wav", "t.txt"}))
      << "no temporary file is left";
}

TEST(CaptureEndings, AClosedPipeIsAWriteErrorOfTheTool) {
  const std::string d = fresh_folder();
  RunResult r = bash("set -o pipefail; \"$0\" music --seconds 20 --timeline /dev/stdout -o \"$1\" | head -c 10",
                     {d + "/o.wav"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out.size(), 10u);
  EXPECT_TRUE(one_own_line(r.err)) << r.err;
  EXPECT_NE(r.err.find("/dev/stdout: Broken pipe"), std::string::npos) << r.err;
  EXPECT_TRUE(folder_entries(d).empty()) << joined(folder_entries(d));
}

TEST(CaptureEndings, ErrorsWritingStandardOutputAreReported) {
  struct Case {
    std::string command;
    std::string says;
  } cases[] = {
      {"\"$0\" --help >/dev/full", "tundrix-capture: standard output: No space left on device\n"},
      {"\"$0\" show --help >/dev/full", "tundrix-capture: standard output: No space left on device\n"},
      {"\"$0\" picture --list >&-", "tundrix-capture: standard output: Bad file descriptor\n"},
      {"\"$0\" music --seconds 1 -o - >&-", "tundrix-capture: music: standard output: Bad file descriptor\n"},
  };
  for (const Case& c : cases) {
    RunResult r = bash(c.command);
    EXPECT_EQ(r.status, 1) << c.command;
    EXPECT_EQ(r.err, c.says) << c.command;
  }
}

// The pids whose parent is pid.
std::vector<int> children_of(int pid) {
  std::vector<int> found;
  for (const std::string& name : folder_entries("/proc")) {
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string stat = text_of("/proc/" + name + "/stat");
    size_t close = stat.rfind(')');
    int parent = 0;
    if (close != std::string::npos && std::sscanf(stat.c_str() + close + 1, " %*c %d", &parent) == 1 && parent == pid)
      found.push_back(std::stoi(name));
  }
  return found;
}

bool is_ffmpeg(int pid) { return text_of("/proc/" + std::to_string(pid) + "/cmdline").rfind("ffmpeg", 0) == 0; }

TEST(CaptureEndings, StopSignalsRemoveTheOutputsAndStopFfmpeg) {
  for (int sig : {SIGINT, SIGTERM}) {
    const std::string d = fresh_folder();
    Child c = start_program({capture_binary(), "show", "-o", d + "/v.mp4"});
    // Frames are on their way into ffmpeg's file once it exists and ffmpeg runs
    // (a child seen between its spawn and its exec is not ffmpeg yet).
    std::vector<int> encoders;
    for (double end = now_seconds() + 60;
         now_seconds() < end && (folder_entries(d).empty() || encoders.empty() || !is_ffmpeg(encoders[0]));) {
      usleep(20000);
      encoders = children_of(c.pid);
    }
    ASSERT_FALSE(encoders.empty());
    ASSERT_TRUE(is_ffmpeg(encoders[0]));
    EXPECT_NE(joined(folder_entries(d)).find("v.mp4.video"), std::string::npos);
    usleep(300000);
    kill(c.pid, sig);
    RunResult r = child_finish(c, 60);
    EXPECT_EQ(r.status, 128 + sig) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(folder_entries(d).empty()) << joined(folder_entries(d));
    EXPECT_FALSE(is_ffmpeg(encoders[0])) << "ffmpeg runs on";
  }
}

}  // namespace
