// tundrix-capture as a user runs it.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/timeline.h"
#include "tests/support/support.h"
#include "tundrix_version.h"

namespace {

std::string temp_dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/tundrix-capture-test-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir;
}

RunResult capture(const std::vector<std::string>& args, const std::string& stdin_text = "") {
  std::vector<std::string> argv = {capture_binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  RunOptions options;
  options.stdin_text = stdin_text;
  options.timeout_seconds = 240;
  return run_program(argv, options);
}

TEST(CaptureCli, HelpAndUsageErrors) {
  RunResult r = capture({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("show -o OUT"), std::string::npos);
  EXPECT_NE(r.out.find("music"), std::string::npos);
  EXPECT_NE(r.out.find("picture FILE -o OUT.png"), std::string::npos);
  // The limits of the numbers, as the messages state them.
  EXPECT_NE(r.out.find("per second (1 to 1000,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(0 to " + std::to_string(kShowLastTick) + ", 70"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("times (1 to 8)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  --version\n"), std::string::npos) << r.out;
  r = capture({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "tundrix-capture " TUNDRIX_VERSION "\n");
  EXPECT_EQ(r.err, "");
  // Refused before anything is made: nothing of x.y4m or x.wav appears.
  const std::string x = temp_dir() + "/x.y4m";
  const std::string last = std::to_string(kShowLastTick), beyond = std::to_string(kShowLastTick + 1);
  struct Case {
    std::vector<std::string> args;
    std::string says;  // the first line, after "tundrix-capture: "
  } cases[] = {
      {{}, "missing command"},
      {{"dance"}, "unknown command 'dance'"},
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"show", "--bogus", "-o", x}, "show: unknown option '--bogus'"},
      {{"show"}, "show: -o OUT is required"},
      {{"show", "-o"}, "show: -o needs a value"},
      {{"show", "-o", x, "--fps", "0"}, "show: --fps must be a whole number from 1 to 1000, not '0'"},
      {{"show", "-o", x, "--fps", "12x"}, "show: --fps must be a whole number from 1 to 1000, not '12x'"},
      {{"show", "-o", x, "--from", "9", "--to", "8"}, "show: --to is before --from"},
      {{"show", "-o", x, "--fps", "1", "--from", "71", "--to", "139"},
       "show: at 1 frame per second no frame falls between --from and --to"},
      {{"show", "-o", x, "--scale", "9"}, "show: --scale must be a whole number from 1 to 8, not '9'"},
      {{"show", "-o", temp_dir() + "/late/", "--from", beyond},
       "show: --from must be a tick from 0 to " + last + ", not '" + beyond + "'"},
      {{"show", "-o", temp_dir() + "/late.mp4", "--from", "99999"},
       "show: --from must be a tick from 0 to " + last + ", not '99999'"},
      {{"show", "-o", "-"}, "show: -o - is not possible: a capture writes pictures and sound into files"},
      {{"sheet"}, "sheet: -o OUT.png is required"},
      {{"sheet", "-o", temp_dir() + "/s.png", "--every", "69"},
       "sheet: --every must be a number of ticks from 70 to " + last + ", not '69'"},
      {{"sheet", "-o", temp_dir() + "/s.png", "--columns", "0"},
       "sheet: --columns must be a whole number from 1 to 20, not '0'"},
      {{"sheet", "-o", temp_dir() + "/s.png", "--from", "100", "--to", "149"},
       "sheet: no frame falls between --from and --to"},
      {{"picture"}, "picture: FILE and -o OUT.png are required"},
      {{"picture", "a.iff"}, "picture: FILE and -o OUT.png are required"},
  };
  for (const Case& c : cases) {
    r = capture(c.args);
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_EQ(r.err, "tundrix-capture: " + c.says + "\nTry 'tundrix-capture --help' for more information.\n");
  }
  struct stat st;
  for (const std::string& made : {x, temp_dir() + "/x.wav", temp_dir() + "/late"})
    EXPECT_NE(stat(made.c_str(), &st), 0) << made << ": a refused run makes nothing";
  EXPECT_NE(stat((temp_dir() + "/late.mp4").c_str(), &st), 0) << "a refused run makes nothing";

  r = capture({"show", "--to", "0", "-o", temp_dir() + "/one.y4m"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "tundrix-capture: 1 frame written to " + temp_dir() + "/one.y4m\n");
}

std::string y4m_header(const std::string& path);

// Both programs read numbers and options alike: plain decimal digits only,
// "--name=VALUE" as well as "--name VALUE", "--" ending the options, and a
// value out of its range or a word they do not know refused by name.
TEST(CommandLines, BothProgramsReadNumbersAndOptionsAlike) {
  const std::string x = temp_dir() + "/alike.y4m";
  const std::string last = std::to_string(kShowLastTick);
  const std::string show_try = "Try 'tundrix --help' for more information.\n";
  const std::string capture_try = "Try 'tundrix-capture --help' for more information.\n";
  struct Case {
    std::vector<std::string> argv;
    std::string says;  // the first line of standard error
  };
  std::vector<Case> cases;
  for (const char* number : {" 5", "5 ", "+5", "-0", "05x", "1e1", "0x5", "5.0", "", "\xD9\xA5"}) {
    cases.push_back({{tundrix_binary(), "--mode", number},
                     "tundrix: --mode must be 1 to 6, not '" + std::string(number) + "'"});
    cases.push_back({{capture_binary(), "show", "-o", x, "--scale", number},
                     "tundrix-capture: show: --scale must be a whole number from 1 to 8, not '" +
                         std::string(number) + "'"});
  }
  const std::vector<Case> more = {
      {{tundrix_binary(), "--from", "20392"},
       "tundrix: --from must be a tick from 0 to " + last + ", not '20392'"},
      {{capture_binary(), "show", "-o", x, "--from=20392"},
       "tundrix-capture: show: --from must be a tick from 0 to " + last + ", not '20392'"},
      {{capture_binary(), "show", "-o", x, "--to", "99999"},
       "tundrix-capture: show: --to must be a tick from 0 to " + last + ", not '99999'"},
      {{capture_binary(), "sheet", "-o", x + ".png", "--to", "20392"},
       "tundrix-capture: sheet: --to must be a tick from 0 to " + last + ", not '20392'"},
      {{capture_binary(), "music", "-o", x + ".wav", "--seconds", "1e9"},
       "tundrix-capture: music: --seconds must be a number of seconds above 0 and at most 600, not '1e9'"},
      {{capture_binary(), "music", "-o", x + ".wav", "--seconds", "600.5"},
       "tundrix-capture: music: --seconds must be a number of seconds above 0 and at most 600, not '600.5'"},
      {{capture_binary(), "music", "-o", x + ".wav", "--device", "12"},
       "tundrix-capture: music: --device must be 8 or 16, not '12'"},
      {{tundrix_binary(), "--bogus"}, "tundrix: unknown option '--bogus'"},
      {{capture_binary(), "--bogus"}, "tundrix-capture: unknown option '--bogus'"},
      {{capture_binary(), "sheet", "--bogus=3", "-o", x + ".png"},
       "tundrix-capture: sheet: unknown option '--bogus=3'"},
      {{tundrix_binary(), "--flat-out=1"}, "tundrix: unknown option '--flat-out=1'"},
      // After "--" nothing is an option, not even the help.
      {{tundrix_binary(), "--", "--help"}, "tundrix: unexpected argument '--help'"},
      {{capture_binary(), "show", "-o", x, "--", "--fps"},
       "tundrix-capture: show: unexpected argument '--fps'"},
  };
  cases.insert(cases.end(), more.begin(), more.end());
  for (const Case& c : cases) {
    RunResult r = run_program(c.argv, {"", true, {"DISPLAY=:250"}, 30});
    const bool show = c.argv[0] == tundrix_binary();
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_EQ(r.out, "") << c.says;
    EXPECT_EQ(r.err, c.says + "\n" + (show ? show_try : capture_try));
  }
  struct stat st;
  EXPECT_NE(stat(x.c_str(), &st), 0) << "a refused command line makes nothing";

  // The same options in their other spelling, and a file named like an
  // option after "--", are taken.
  const std::string odd = temp_dir() + "/-odd.png";
  RunResult r = capture({"show", "--to=0", "--scale=2", "-o", x});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(y4m_header(x).substr(0, 24), "YUV4MPEG2 W640 H400 F70:");
  r = capture({"sheet", "--every=70", "--to=70", "-o", temp_dir() + "/one.png"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "tundrix-capture: 1 frame on " + temp_dir() + "/one.png\n");
}

// Messages quote what the user gave, shortened when it is long: a name of
// 100,000 bytes gives a line of about a hundred, with its end kept.
TEST(CommandLines, LongNamesAreShortenedInMessages) {
  const std::string long_name = temp_dir() + "/" + std::string(100000, 'n') + "-end.avi";
  const std::string long_value(100000, '7');
  struct Case {
    std::vector<std::string> argv;
    std::string starts, has;  // of the message's first line
  } cases[] = {
      {{capture_binary(), "show", "-o", long_name},
       "tundrix-capture: show: " + temp_dir() + "/nnn",
       "nnn-end.avi is not a folder"},
      {{capture_binary(), "show", "-o", temp_dir() + "/x.y4m", "--fps", long_value},
       "tundrix-capture: show: --fps must be a whole number from 1 to 1000, not '777",
       "777'"},
      {{capture_binary(), "picture", long_name, "-o", temp_dir() + "/x.png"},
       "tundrix-capture: picture: " + temp_dir(),
       "nnn-end.avi: File name too long"},
      {{tundrix_binary(), "--mode", long_value}, "tundrix: --mode must be 1 to 6, not '777", "777'"},
      {{tundrix_binary(), long_name}, "tundrix: unexpected argument '" + temp_dir() + "/nnn", "nnn-end.avi'"},
  };
  for (const Case& c : cases) {
    RunResult r = run_program(c.argv, {"", true, {}, 30});
    const std::string line = r.err.substr(0, r.err.find('\n'));
    EXPECT_NE(r.status, 0);
    EXPECT_LT(line.size(), 300u) << line.substr(0, 400);
    EXPECT_EQ(line.rfind(c.starts, 0), 0u) << line.substr(0, 400);
    EXPECT_NE(line.find("..."), std::string::npos) << line.substr(0, 400);
    EXPECT_NE(line.find(c.has), std::string::npos) << line.substr(0, 400);
  }
}

// Frames of a y4m stream: the header line, then "FRAME\n" and three planes each.
size_t y4m_frames(const std::vector<uint8_t>& y4m, size_t frame_bytes) {
  size_t header = 0;
  while (header < y4m.size() && y4m[header] != '\n') header++;
  size_t body = y4m.size() - header - 1;
  EXPECT_EQ(body % (6 + frame_bytes), 0u);
  return body / (6 + frame_bytes);
}

TEST(CaptureShow, TwoRunsGiveIdenticalFiles) {
  std::string a = temp_dir() + "/a.y4m", b = temp_dir() + "/b.y4m";
  ASSERT_EQ(capture({"show", "--from", "0", "--to", "200", "-o", a}).status, 0);
  ASSERT_EQ(capture({"show", "--from", "0", "--to", "200", "-o", b}).status, 0);
  std::vector<uint8_t> first = read_file(a), second = read_file(b);
  ASSERT_GT(first.size(), 1000u);
  EXPECT_TRUE(first == second);
  EXPECT_TRUE(read_file(temp_dir() + "/a.wav") == read_file(temp_dir() + "/b.wav"));
  std::string header(first.begin(), first.begin() + 45);
  EXPECT_EQ(header.substr(0, 42), "YUV4MPEG2 W320 H200 F70:1 Ip A1:1 C444\nFRA");
}

// The frames of a y4m file, each without its "FRAME\n".
std::vector<std::vector<uint8_t>> y4m_frame_list(const std::string& path, size_t frame_bytes) {
  std::vector<uint8_t> y4m = read_file(path);
  size_t at = 0;
  while (at < y4m.size() && y4m[at] != '\n') at++;
  std::vector<std::vector<uint8_t>> frames;
  for (at += 1; at + 6 + frame_bytes <= y4m.size(); at += 6 + frame_bytes)
    frames.emplace_back(y4m.begin() + static_cast<long>(at + 6), y4m.begin() + static_cast<long>(at + 6 + frame_bytes));
  return frames;
}

std::string y4m_header(const std::string& path) {
  std::vector<uint8_t> y4m = read_file(path);
  std::string all(y4m.begin(), y4m.end());
  return all.substr(0, all.find('\n'));
}

// --fps thins or repeats the 70 Hz show and states its rate exactly; a larger
// scale enlarges the same values; --draw-at-fps is the show drawn at the rate.
TEST(CaptureShow, FpsKeepsTheFramesOfTheShowOnItsGrid) {
  const size_t bytes = 320 * 200 * 3;
  const std::string d = temp_dir();
  ASSERT_EQ(capture({"show", "--to", "140", "-o", d + "/g70.y4m"}).status, 0);
  ASSERT_EQ(capture({"show", "--fps", "35", "--to", "140", "-o", d + "/g35.y4m"}).status, 0);
  ASSERT_EQ(capture({"show", "--fps", "140", "--to", "70", "-o", d + "/g140.y4m"}).status, 0);
  ASSERT_EQ(capture({"show", "--fps", "30", "--to", "70", "--scale", "2", "-o", d + "/g30.y4m"}).status, 0);
  auto f70 = y4m_frame_list(d + "/g70.y4m", bytes), f35 = y4m_frame_list(d + "/g35.y4m", bytes),
       f140 = y4m_frame_list(d + "/g140.y4m", bytes), f30 = y4m_frame_list(d + "/g30.y4m", bytes * 4);
  ASSERT_EQ(f70.size(), 141u);
  ASSERT_EQ(f35.size(), 71u);
  ASSERT_EQ(f140.size(), 141u);
  ASSERT_EQ(f30.size(), 31u);
  for (size_t j = 0; j < f35.size(); j++) EXPECT_TRUE(f35[j] == f70[2 * j]) << "frame " << j << " at 35";
  for (size_t j = 0; j < f140.size(); j++) EXPECT_TRUE(f140[j] == f70[j / 2]) << "frame " << j << " at 140";
  // Frame j at 30 shows tick j * 7 / 3, every value a 2 x 2 block.
  for (size_t j = 0; j < f30.size(); j++) {
    const std::vector<uint8_t>& small = f70[j * 7 / 3];
    size_t wrong = 0;
    for (size_t plane = 0; plane < 3; plane++)
      for (size_t y = 0; y < 400; y++)
        for (size_t x = 0; x < 640; x++)
          wrong += f30[j][plane * 256000 + y * 640 + x] != small[plane * 64000 + y / 2 * 320 + x / 2];
    EXPECT_EQ(wrong, 0u) << "frame " << j << " at 30, scale 2";
  }
  EXPECT_EQ(y4m_header(d + "/g35.y4m"), "YUV4MPEG2 W320 H200 F35:1 Ip A1:1 C444");
  EXPECT_EQ(y4m_header(d + "/g30.y4m"), "YUV4MPEG2 W640 H400 F30:1 Ip A1:1 C444");

  // In the ring's scene the trails build up per drawn frame: drawn at 35
  // frames a second they are not the 70 Hz show's.
  ASSERT_EQ(capture({"show", "--fps", "35", "--from", "9500", "--to", "9600", "-o", d + "/r35.y4m"}).status, 0);
  ASSERT_EQ(capture({"show", "--fps", "35", "--from", "9500", "--to", "9600", "--draw-at-fps", "-o",
                     d + "/d35.y4m"}).status, 0);
  auto resampled = y4m_frame_list(d + "/r35.y4m", bytes), drawn = y4m_frame_list(d + "/d35.y4m", bytes);
  ASSERT_EQ(resampled.size(), 51u);
  ASSERT_EQ(drawn.size(), 51u);
  EXPECT_FALSE(resampled == drawn);
  EXPECT_EQ(y4m_header(d + "/d35.y4m"), y4m_header(d + "/r35.y4m"));
}

TEST(CaptureShow, SoundLastsAsLongAsThePicture) {
  std::string y4m = temp_dir() + "/len.y4m";
  ASSERT_EQ(capture({"show", "--to", "200", "-o", y4m, "--scale", "2"}).status, 0);
  size_t frames = y4m_frames(read_file(y4m), 640 * 400 * 3);
  ASSERT_GT(frames, 0u);
  std::vector<uint8_t> wav = read_file(temp_dir() + "/len.wav");
  ASSERT_GE(wav.size(), 44u);
  double seconds = (wav.size() - 44) / 4.0 / 32000.0;
  EXPECT_NEAR(seconds, frames * 0.014286, 1.0 / 32000 + 1e-9);
}

TEST(CaptureShow, PngFramesAreNumberedInAFolder) {
  std::string dir = temp_dir() + "/frames";
  ASSERT_EQ(capture({"show", "--to", "3", "-o", dir + "/"}).status, 0);
  struct stat st;
  EXPECT_EQ(stat((dir + "/frame-000000.png").c_str(), &st), 0);
  EXPECT_EQ(stat((dir + "/sound.wav").c_str(), &st), 0);
  RunResult info = run_program({"/usr/bin/pngtopnm", dir + "/frame-000000.png"});
  ASSERT_EQ(info.status, 0);
  EXPECT_EQ(info.out.substr(0, 11), "P6\n320 200\n");
}

TEST(CaptureShow, VideoThroughFfmpegIsReproducible) {
  std::string a = temp_dir() + "/a.mkv", b = temp_dir() + "/b.mkv";
  ASSERT_EQ(capture({"show", "--to", "70", "-o", a}).status, 0);
  ASSERT_EQ(capture({"show", "--to", "70", "-o", b}).status, 0);
  std::vector<uint8_t> first = read_file(a);
  ASSERT_GT(first.size(), 100u);
  EXPECT_TRUE(first == read_file(b));
  RunResult probe = run_program({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
                                 "stream=codec_type,width,height,sample_rate", "-of", "csv=p=0", a});
  EXPECT_NE(probe.out.find("video,320,200"), std::string::npos) << probe.out;
  EXPECT_NE(probe.out.find("audio,32000"), std::string::npos) << probe.out;
  // No temporary file of ffmpeg's is left beside the videos.
  DIR* d = opendir(temp_dir().c_str());
  ASSERT_NE(d, nullptr);
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    EXPECT_TRUE(name.rfind("a.mkv.", 0) != 0 && name.rfind("b.mkv.", 0) != 0) << name;
  }
  closedir(d);
}

// Widths whose plane rows the file pads to 16 bits, from netpbm's encoder
// packed and stored: the PNG holds ffmpeg's decode of the same file.
TEST(CapturePicture, OddWidthsDecodeLikeFfmpeg) {
  struct Case {
    int width, height;
    const char* compression;
  } cases[] = {{17, 50, "-compress"}, {319, 9, "-nocompress"}};
  for (const Case& c : cases) {
    // 150 colours, 8 planes.
    std::string ppm = "P6\n" + std::to_string(c.width) + " " + std::to_string(c.height) + "\n255\n";
    for (int y = 0; y < c.height; y++)
      for (int x = 0; x < c.width; x++) {
        int v = (x * 7 + y * 3) % 150;
        ppm += static_cast<char>(v);
        ppm += static_cast<char>(255 - v);
        ppm += static_cast<char>(v * 3 % 256);
      }
    RunOptions in;
    in.stdin_text = ppm;
    RunResult ilbm = run_program({"/usr/bin/ppmtoilbm", "-maxplanes", "8", "-fixplanes", "8", c.compression}, in);
    ASSERT_EQ(ilbm.status, 0) << ilbm.err;
    std::string path = temp_dir() + "/odd" + std::to_string(c.width) + ".ilbm";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(ilbm.out.data(), 1, ilbm.out.size(), f);
    std::fclose(f);

    std::string png = path + ".png";
    RunResult r = capture({"picture", path, "-o", png});
    ASSERT_EQ(r.status, 0) << r.err;
    RunResult ours = run_program({"/usr/bin/ffmpeg", "-v", "error", "-i", png, "-f", "rawvideo", "-pix_fmt",
                                  "rgb24", "pipe:1"});
    RunResult oracle = run_program({"/usr/bin/ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                                    "rgb24", "pipe:1"});
    ASSERT_EQ(ours.status, 0) << ours.err;
    ASSERT_EQ(oracle.status, 0) << oracle.err;
    ASSERT_EQ(oracle.out.size(), static_cast<size_t>(c.width * c.height * 3));
    ASSERT_EQ(ours.out.size(), oracle.out.size());
    // The show keeps 6-bit colours: each channel is the oracle's with the low
    // two bits cleared.
    size_t wrong = 0;
    for (size_t i = 0; i < ours.out.size(); i++)
      wrong += static_cast<uint8_t>(ours.out[i]) != (static_cast<uint8_t>(oracle.out[i]) & 0xFC);
    EXPECT_EQ(wrong, 0u) << c.width << "x" << c.height << " " << c.compression;
  }
}

TEST(CapturePicture, BadInputsFailWithAReason) {
  std::string junk = temp_dir() + "/junk.iff";
  FILE* f = std::fopen(junk.c_str(), "wb");
  std::fputs("FORM\0\0\0\4JUNK and nothing else", f);
  std::fclose(f);
  RunResult r = capture({"picture", junk, "-o", temp_dir() + "/junk.png"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Invalid picture."), std::string::npos) << r.err;
  r = capture({"picture", temp_dir() + "/missing.iff", "-o", temp_dir() + "/m.png"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
}

}  // namespace

namespace {

// Runs the capture on a pseudo-terminal, as a user at a terminal would, and
// returns everything it wrote there.
std::string capture_on_terminal(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"/usr/bin/script", "-qefc"};
  std::string command = capture_binary();
  for (const std::string& a : args) command += " " + a;
  argv.push_back(command);
  argv.push_back("/dev/null");
  RunOptions options;
  options.timeout_seconds = 120;
  return run_program(argv, options).out;
}

}  // namespace

TEST(CaptureCli, ProgressLineOnATerminalOnly) {
  std::string out = temp_dir() + "/progress.y4m";
  std::string seen = capture_on_terminal({"show", "-o", out, "--to", "350"});
  // Frames, speed and time left, rewritten in place with a carriage return.
  EXPECT_NE(seen.find("\rtundrix-capture: 281 frames written, 4.0 s of show"), std::string::npos) << seen;
  EXPECT_NE(seen.find("x real time), about "), std::string::npos) << seen;
  EXPECT_NE(seen.find(" s left"), std::string::npos) << seen;

  RunResult piped = capture({"show", "-o", out, "--to", "350"});
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err.find("frames/s"), std::string::npos) << piped.err;
  std::remove(out.c_str());
  std::remove((out + ".wav").c_str());
}
