// The content generator makes the same bytes every time, and they are the
// bytes compiled into the show.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/content/content_support.h"

namespace {

bool run_generator(const std::string& dir) {
  std::string command = std::string(TUNDRIX_GEN_CONTENT_BIN) + " " + dir;
  return std::system(command.c_str()) == 0;
}

TEST(Generator, TwoRunsWriteIdenticalFilesEqualToTheBuiltOnes) {
  std::string a = make_temp_dir(), b = make_temp_dir();
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  ASSERT_TRUE(run_generator(a));
  ASSERT_TRUE(run_generator(b));
  for (const char* name : {"/pictures_gen.cpp", "/models_gen.cpp"}) {
    std::vector<uint8_t> first = read_file(a + name), second = read_file(b + name);
    std::vector<uint8_t> built = read_file(std::string(TUNDRIX_GENERATED_DIR) + name);
    EXPECT_GT(first.size(), 1000u) << name;
    EXPECT_TRUE(first == second) << name << " differs between two runs";
    EXPECT_TRUE(first == built) << name << " differs from the one compiled into the show";
    std::remove((a + name).c_str());
    std::remove((b + name).c_str());
  }
  std::remove(a.c_str());
  std::remove(b.c_str());
}

TEST(Generator, RejectsAMissingOutputFolder) {
  std::string command = std::string(TUNDRIX_GEN_CONTENT_BIN) + " /nonexistent/tundrix 2>/dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
  EXPECT_NE(std::system((std::string(TUNDRIX_GEN_CONTENT_BIN) + " 2>/dev/null").c_str()), 0);
}

}  // namespace
