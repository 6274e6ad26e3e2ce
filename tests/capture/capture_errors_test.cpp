// tundrix-capture given what a careless or unlucky user gives it: inputs that
// are not files or are far too large, output names it cannot honour, stray
// arguments, writes that fail half way, damaged pictures. Every failure is one
// clear line, a non-zero status, and nothing left of the outputs.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

std::string temp_dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/tundrix-capture-errors-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir;
}

std::string in_temp(const std::string& name) { return temp_dir() + "/" + name; }

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

void write_bytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

RunResult capture(const std::vector<std::string>& args, double timeout = 60) {
  std::vector<std::string> argv = {capture_binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  RunOptions options;
  options.timeout_seconds = timeout;
  return run_program(argv, options);
}

// The capture under a file size limit of `bytes`, started with SIGXFSZ at its
// default as a shell's `ulimit -f` leaves it: the tool must not die of it.
RunResult capture_with_file_limit(long long bytes, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {capture_binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  RunOptions options;
  options.timeout_seconds = 240;
  ChildSetup limited;
  limited.file_size_limit = bytes;
  return run_program(argv, options, limited);
}

// Exactly one line of the tool's own on standard error.
bool one_own_line(const std::string& err) {
  return err.rfind("tundrix-capture: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

// An 8-plane ILBM of width x height from netpbm's encoder.
std::string netpbm_ilbm(int width, int height, const std::vector<std::string>& options) {
  std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  // 150 colours (a colour map, not 24-bit planes) scattered so that the
  // picture does not compress to almost nothing.
  for (int i = 0; i < width * height; i++) {
    int c = static_cast<int>((static_cast<uint32_t>(i) * 2654435761u >> 16) % 150);
    ppm += static_cast<char>(c);
    ppm += static_cast<char>(255 - c);
    ppm += static_cast<char>(c * 3 % 256);
  }
  RunOptions in;
  in.stdin_text = ppm;
  std::vector<std::string> argv = {"/usr/bin/ppmtoilbm", "-fixplanes", "8"};
  argv.insert(argv.end(), options.begin(), options.end());
  RunResult r = run_program(argv, in);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

TEST(CaptureInputs, OnlyRegularFilesOfASaneSizeAreRead) {
  std::string fifo = in_temp("fifo"), big = in_temp("big.bin");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Sparse: 100 MB of size without 100 MB of disk.
  write_bytes(big, "");
  ASSERT_EQ(truncate(big.c_str(), 100 << 20), 0);
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"picture", "/dev/zero", "-o", in_temp("z.png")}, "/dev/zero: not a regular file"},
      {{"music", "--module", "/dev/zero", "-o", in_temp("z.wav")}, "/dev/zero: not a regular file"},
      {{"picture", fifo, "-o", in_temp("z.png")}, "not a regular file"},
      {{"music", "--module", temp_dir(), "-o", in_temp("z.wav")}, "not a regular file"},
      {{"picture", big, "-o", in_temp("z.png")}, "too large"},
      {{"music", "--module", big, "-o", in_temp("z.wav")}, "too large"},
      {{"picture", in_temp("missing.iff"), "-o", in_temp("z.png")}, "No such file"},
      {{"music", "--module", in_temp("missing.mod"), "-o", in_temp("z.wav")}, "No such file"},
  };
  for (const Case& c : cases) {
    RunResult r = capture(c.args, 30);
    EXPECT_FALSE(r.timed_out) << c.args[1] << " " << c.args[2];
    EXPECT_EQ(r.status, 1) << c.args[1] << " " << c.args[2];
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(exists(in_temp("z.png")) || exists(in_temp("z.wav")));
  }
}

TEST(CaptureOutputs, UnknownNamesAndMissingFoldersAreRefusedBeforeAnyWork) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
    std::string never;  // a path that must not exist afterwards
  } cases[] = {
      {{"show", "--to", "2", "-o", in_temp("out.avi")}, 2, "out.avi is not a folder", in_temp("out.avi")},
      {{"show", "--to", "2", "-o", in_temp("out.txt")}, 2, "out.txt is not a folder", in_temp("out.txt")},
      {{"show", "--to", "2", "-o", in_temp(".mp4")}, 2, "is not a folder", in_temp(".mp4")},
      {{"music", "--seconds", "1", "-o", in_temp("out.txt")}, 2, "must be a .wav file", in_temp("out.txt")},
      {{"picture", "--embedded", "still", "-o", in_temp("out.jpg")}, 2, "must be a .png file", in_temp("out.jpg")},
      {{"show", "--to", "2", "-o", in_temp("nowhere/out.mp4")}, 1, in_temp("nowhere") + ": no such folder",
       in_temp("nowhere")},
      {{"show", "--to", "2", "-o", in_temp("nowhere/out.y4m")}, 1, in_temp("nowhere") + ": no such folder",
       in_temp("nowhere")},
      {{"show", "--to", "2", "-o", in_temp("nowhere/frames/")}, 1, in_temp("nowhere") + ": no such folder",
       in_temp("nowhere")},
      {{"music", "--seconds", "1", "-o", in_temp("nowhere/a.wav")}, 1, in_temp("nowhere") + ": no such folder",
       in_temp("nowhere")},
  };
  for (const Case& c : cases) {
    RunResult r = capture(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back() << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("ffmpeg"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".video."), std::string::npos) << r.err;
    EXPECT_FALSE(exists(c.never)) << c.never;
  }
}

TEST(CaptureOutputs, AFolderIsANameEndingInASlashAnExistingFolderOrHasNoExtension) {
  std::string made = in_temp("made.d/"), existing = in_temp("existing.avi"), plain = in_temp("plain");
  ASSERT_EQ(mkdir(existing.c_str(), 0755), 0);
  for (const std::string& out : {made, existing, plain}) {
    RunResult r = capture({"show", "--to", "1", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(exists(out + "/frame-000000.png")) << out;
    EXPECT_TRUE(exists(out + "/sound.wav")) << out;
  }
}

TEST(CaptureMessages, HelpPerCommandAndStrayArgumentsNamed) {
  for (std::string command : {"show", "music", "picture"}) {
    RunResult r = capture({command, "--help"});
    EXPECT_EQ(r.status, 0) << command << r.err;
    EXPECT_NE(r.out.find("  " + command + " "), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
  }
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"show", "-o", in_temp("x.y4m"), "extra"}, "show: unexpected argument 'extra'"},
      {{"show", "extra", "-o", in_temp("x.y4m")}, "show: unexpected argument 'extra'"},
      {{"show", "-o", in_temp("x.y4m"), "--fps"},
       "show: --fps needs a value (a whole number from 1 to 1000)"},
      {{"music", "-o", in_temp("x.wav"), "extra"}, "music: unexpected argument 'extra'"},
      {{"music", "-o"}, "music: -o needs a value"},
      {{"picture", "a.iff", "extra", "-o", in_temp("x.png")}, "picture: unexpected argument 'extra'"},
      {{"picture", "--embedded", "still", "extra", "-o", in_temp("x.png")},
       "picture: unexpected argument 'extra'"},
      {{"picture", "--embedded", "nothing", "-o", in_temp("x.png")},
       "picture: unknown picture role 'nothing' (see picture --list)"},
  };
  for (const Case& c : cases) {
    RunResult r = capture(c.args);
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_EQ(r.err, std::string("tundrix-capture: ") + c.says +
                         "\nTry 'tundrix-capture --help' for more information.\n");
  }
}

TEST(CaptureMessages, ModuleTagsTheLoaderDoesNotKnowAreNamed) {
  std::vector<uint8_t> mod = read_file(testdata_path("mods/hiscore.mod"));
  ASSERT_GT(mod.size(), 1084u);
  std::string bytes(mod.begin(), mod.end());
  struct Case {
    std::string tag;
    const char* says;
  } cases[] = {{"5CHN", "\"5CHN\""}, {"XYZ!", "\"XYZ!\""}, {std::string("\x01\x02M.", 4), "\"\\x01\\x02M.\""}};
  for (const Case& c : cases) {
    std::string changed = bytes;
    changed.replace(1080, 4, c.tag);
    write_bytes(in_temp("tag.mod"), changed);
    RunResult r = capture({"music", "--module", in_temp("tag.mod"), "-o", in_temp("tag.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("unknown module type"), std::string::npos) << r.err;
    EXPECT_FALSE(exists(in_temp("tag.wav")));
  }
  write_bytes(in_temp("short.mod"), bytes.substr(0, 600));
  RunResult r = capture({"music", "--module", in_temp("short.mod"), "-o", in_temp("tag.wav")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("600 bytes, shorter than"), std::string::npos) << r.err;
}

TEST(CaptureOutputs, AFailedCommandLeavesNothingBehind) {
  // A timeline that cannot be written: no WAV either.
  RunResult r = capture({"music", "--seconds", "1", "--timeline", in_temp("nowhere/t.txt"), "-o", in_temp("t.wav")});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(exists(in_temp("t.wav")));

  // Writes that fail part way under a file size limit of 128 KB: every
  // command says which file and why in one line of its own (not libpng's
  // "Write Error" nor ffmpeg's lines), and removes all it had written.
  std::string ilbm = in_temp("big.ilbm");
  write_bytes(ilbm, netpbm_ilbm(320, 256, {"-compress"}));
  std::string work = in_temp("limited");
  ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
  struct Case {
    std::vector<std::string> args;
    std::string names;  // the file the message names
  } cases[] = {
      {{"music", "--seconds", "5", "--timeline", work + "/m.txt", "-o", work + "/m.wav"}, work + "/m.wav"},
      {{"show", "--to", "20", "-o", work + "/s.y4m"}, work + "/s.y4m"},
      {{"show", "--to", "200", "-o", work + "/frames/"}, work + "/frames/"},
      {{"show", "--to", "140", "-o", work + "/s.mkv"}, work + "/s.mkv"},
      {{"show", "--to", "3000", "-o", work + "/s.mp4"}, work + "/s.mp4"},
      {{"picture", "--embedded", "all", "-o", work + "/sheet.png"}, work + "/sheet.png"},
      {{"picture", ilbm, "-o", work + "/big.png"}, work + "/big.png"},
  };
  for (const Case& c : cases) {
    r = capture_with_file_limit(16 << 10, c.args);
    EXPECT_EQ(r.status, 1) << c.args.back() << "\n" << r.err;
    EXPECT_TRUE(one_own_line(r.err)) << r.err;
    EXPECT_NE(r.err.find(c.names), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    // The user's own file, never the run's intermediate ones beside it.
    for (const char* own : {".video-", ".sound-", ".part-", ".tundrix"})
      EXPECT_EQ(r.err.find(own), std::string::npos) << r.err;
    std::vector<std::string> left = folder_entries(work);
    EXPECT_TRUE(left.empty()) << c.args.back() << ": " << left.front();
  }
}

TEST(CapturePicture, DamagedPicturesAreReportedAndWrittenOnlyOnRequest) {
  std::string good = netpbm_ilbm(64, 16, {"-compress"});
  std::string planes0 = good, packed2 = good;
  // BMHD data: width, height, x, y (2 bytes each), the plane count, the
  // masking and the compression.
  size_t bmhd = planes0.find("BMHD");
  ASSERT_NE(bmhd, std::string::npos);
  planes0[bmhd + 8 + 8] = 0;
  packed2[bmhd + 8 + 10] = 2;
  struct Case {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"cut.ilbm", good.substr(0, good.size() - 40), "the body ends after"},
      {"packed2.ilbm", packed2, "compression 2 is neither stored (0) nor ByteRun1 (1)"},
      {"flat.ilbm", planes0, "0 bit planes"},
  };
  for (const Case& c : cases) {
    std::string in = in_temp(c.name), png = in + ".png";
    write_bytes(in, c.bytes);
    RunResult r = capture({"picture", in, "-o", png});
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_NE(r.err.find("damaged picture: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(exists(png)) << c.name;

    r = capture({"picture", in, "-o", png, "--keep-damaged"});
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    RunResult decoded = run_program({"/usr/bin/pngtopnm", png});
    EXPECT_EQ(decoded.status, 0) << c.name;
    EXPECT_EQ(decoded.out.substr(0, 9), "P6\n64 16\n") << c.name;
  }
  write_bytes(in_temp("good.ilbm"), good);
  EXPECT_EQ(capture({"picture", in_temp("good.ilbm"), "-o", in_temp("good.png")}).status, 0);
  write_bytes(in_temp("stored.ilbm"), netpbm_ilbm(64, 16, {"-nocompress"}));
  EXPECT_EQ(capture({"picture", in_temp("stored.ilbm"), "-o", in_temp("stored.png")}).status, 0);
}

}  // namespace
