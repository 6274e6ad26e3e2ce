// tundrix-capture when memory runs out: a short run of each kind of output
// is repeated with its first allocation failing, then its second, and so on
// to its last (every one: the runs make 15 to 130). Each time the tool either
// ends with status 1, one line of its own that says memory ran out, and
// nothing left where it wrote; or it made exactly what a run without a
// failure makes. Never a signal, a hang or a partial result with status 0.
//
// The allocations fail through a test-only preload of the real binary
// (tests/support/fail_allocation.c); a sanitized build brings its own
// allocator first, so there the test has nothing to do.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

struct Kind {
  const char* name;
  std::vector<std::string> args;  // after the binary, run in a folder of its own
};
void PrintTo(const Kind& kind, std::ostream* os) { *os << kind.name; }

std::string test_dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/tundrix-allocation-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir;
}

// Every file under folder by its path below it, with its bytes.
void snapshot(const std::string& folder, const std::string& below,
              std::map<std::string, std::vector<uint8_t>>* files) {
  for (const std::string& name : folder_entries(folder + "/" + below)) {
    const std::string path = below.empty() ? name : below + "/" + name;
    struct stat st;
    if (stat((folder + "/" + path).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) snapshot(folder, path, files);
    (*files)[path] = S_ISDIR(st.st_mode) ? std::vector<uint8_t>{} : read_file(folder + "/" + path);
  }
}

struct Outputs {
  RunResult result;
  std::map<std::string, std::vector<uint8_t>> files;
};

// The kind's command in a new empty folder, the preload set as env asks.
Outputs run_in_new_folder(const Kind& kind, const std::string& folder, const std::vector<std::string>& env) {
  EXPECT_EQ(mkdir(folder.c_str(), 0755), 0) << folder;
  std::vector<std::string> argv = {capture_binary()};
  argv.insert(argv.end(), kind.args.begin(), kind.args.end());
  RunOptions options;
  options.env = env;
  options.env.push_back(std::string("LD_PRELOAD=") + TUNDRIX_FAIL_ALLOCATION_LIBRARY);
  options.timeout_seconds = 60;
  ChildSetup setup;
  setup.working_dir = folder;
  Outputs run;
  run.result = run_program(argv, options, setup);
  snapshot(folder, "", &run.files);
  return run;
}

// An ILBM picture from netpbm's encoder, for the picture command.
void write_netpbm_picture(const std::string& path) {
  std::string ppm = "P6\n64 40\n255\n";
  for (int i = 0; i < 64 * 40; i++) {  // 150 colours: a colour map, not 24-bit planes
    const int c = i * 7 % 150;
    ppm += char(c);
    ppm += char(255 - c);
    ppm += char(c * 3 % 256);
  }
  RunOptions in;
  in.stdin_text = ppm;
  RunResult ilbm = run_program({"/usr/bin/ppmtoilbm", "-fixplanes", "8", "-compress"}, in);
  ASSERT_EQ(ilbm.status, 0) << ilbm.err;
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(ilbm.out.data(), 1, ilbm.out.size(), f);
  std::fclose(f);
}

class EveryAllocationFails : public testing::TestWithParam<Kind> {};

TEST_P(EveryAllocationFails, EndsWithOneLineAndNothingLeftOrMakesTheWholeResult) {
#ifdef TUNDRIX_SANITIZER_RUNTIME
  GTEST_SKIP() << "the sanitizer's allocator comes before the test preload";
#endif
  const Kind& kind = GetParam();
  write_netpbm_picture(test_dir() + "/in.ilbm");
  const std::string base = test_dir() + "/" + kind.name;
  ASSERT_EQ(mkdir(base.c_str(), 0755), 0);
  const std::string count_file = base + "/count";
  const Outputs whole =
      run_in_new_folder(kind, base + "/whole", {"TUNDRIX_TEST_ALLOCATION_COUNT=" + count_file});
  ASSERT_EQ(whole.result.status, 0) << whole.result.err;
  ASSERT_FALSE(whole.files.empty());
  std::vector<uint8_t> count_text = read_file(count_file);
  const long allocations = std::atol(std::string(count_text.begin(), count_text.end()).c_str());
  ASSERT_GT(allocations, 5);

  int failures = 0;
  for (long n = 1; n <= allocations; n++) {
    SCOPED_TRACE(std::string(kind.name) + ", allocation " + std::to_string(n) + " of " +
                 std::to_string(allocations));
    const Outputs run = run_in_new_folder(kind, base + "/" + std::to_string(n),
                                          {"TUNDRIX_TEST_FAIL_ALLOCATION=" + std::to_string(n)});
    const RunResult& r = run.result;
    ASSERT_FALSE(r.timed_out);
    ASSERT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << "\n" << r.err;
    if (r.status == 1) {
      failures++;
      EXPECT_TRUE(run.files.empty()) << run.files.begin()->first << " was left";
      EXPECT_EQ(r.err.rfind("tundrix-capture: ", 0), 0u) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
      EXPECT_TRUE(r.err.find("out of memory") != std::string::npos ||
                  r.err.find("Cannot allocate memory") != std::string::npos)
          << r.err;
    } else {
      EXPECT_TRUE(run.files == whole.files) << "a run that survived its failure made something else";
      EXPECT_EQ(r.out, whole.result.out);
      EXPECT_EQ(r.err, whole.result.err);
    }
  }
  std::printf("%s: %ld allocations failed in turn, %d of them ended the run\n", kind.name, allocations,
              failures);
  RecordProperty("allocations", int(allocations));
  EXPECT_GT(failures, 0);
}

const Kind kKinds[] = {
    {"y4m", {"show", "--to", "2", "-o", "a.y4m"}},
    {"png_folder", {"show", "--to", "2", "-o", "frames/"}},
    {"mp4", {"show", "--to", "2", "-o", "a.mp4"}},
    {"wav",
     {"music", "--module", TUNDRIX_TESTDATA_DIR "/mods/hiscore.mod", "--seconds", "1", "--timeline", "t.txt",
      "-o", "a.wav"}},
    {"picture", {"picture", "../../in.ilbm", "-o", "p.png"}},
    {"sheet", {"sheet", "--every", "70", "--to", "70", "-o", "s.png"}},
};

INSTANTIATE_TEST_SUITE_P(ShortRuns, EveryAllocationFails, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<Kind>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
