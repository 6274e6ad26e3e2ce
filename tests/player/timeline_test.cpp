// Row timelines of the real modules: `tundrix-capture music --timeline`
// against libopenmpt's current order and row while it renders at 32 kHz.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <fstream>

#include "tests/support/support.h"

namespace {

struct RowStart {
  double seconds;
  int position, row;
};

std::vector<RowStart> read_timeline(const std::string& path) {
  std::ifstream in(path);
  std::vector<RowStart> rows;
  RowStart r;
  while (in >> r.seconds >> r.position >> r.row) rows.push_back(r);
  return rows;
}

// libopenmpt plays the song once; the order and row are read after every 8
// frames (a quarter millisecond).
std::vector<RowStart> openmpt_timeline(const std::vector<uint8_t>& bytes, double seconds) {
  openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                         nullptr, nullptr, nullptr, nullptr);
  std::vector<RowStart> rows;
  if (!m) return rows;
  openmpt_module_set_repeat_count(m, 0);
  int16_t buf[16];
  long frames = 0;
  int last_order = -1, last_row = -1;
  while (frames < seconds * 32000) {
    size_t got = openmpt_module_read_interleaved_stereo(m, 32000, 8, buf);
    if (got == 0) break;
    int order = openmpt_module_get_current_order(m), row = openmpt_module_get_current_row(m);
    if (order != last_order || row != last_row) rows.push_back({frames / 32000.0, order, row});
    last_order = order;
    last_row = row;
    frames += long(got);
  }
  openmpt_module_destroy(m);
  return rows;
}

struct Agreement {
  size_t rows_compared, same_rows, same_times;
  double worst_ratio;  // largest relative time difference
};

Agreement compare(const std::string& name) {
  const std::string module = testdata_path("mods/" + name + ".mod");
  const std::string timeline = ::testing::TempDir() + name + ".timeline";
  RunResult r = run_program({capture_binary(), "music", "--module", module, "--seconds", "400", "--timeline",
                             timeline, "-o", ::testing::TempDir() + name + ".wav"},
                            {"", true, {}, 120});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<RowStart> ours = read_timeline(timeline);
  std::vector<RowStart> theirs = openmpt_timeline(read_file(module), 400);
  Agreement a = {std::min(ours.size(), theirs.size()), 0, 0, 0};
  for (size_t i = 0; i < a.rows_compared; ++i) {
    if (ours[i].position != theirs[i].position || ours[i].row != theirs[i].row) break;
    ++a.same_rows;
    if (std::fabs(ours[i].seconds - theirs[i].seconds) <= 0.0005) ++a.same_times;
    if (theirs[i].seconds > 0)
      a.worst_ratio = std::max(a.worst_ratio, std::fabs(ours[i].seconds / theirs[i].seconds - 1));
  }
  std::printf("%-28s rows %zu/%zu in order, %zu at the same time, worst time ratio %.4f\n", name.c_str(),
              a.same_rows, a.rows_compared, a.same_times, a.worst_ratio);
  return a;
}

TEST(Timeline, EveryRowStartsWhereLibopenmptStartsItAtTempo125) {
  for (const char* name : {"AnarchyMenu1", "The_Last_V8", "android-commando_hiscore", "dreamfish-green_beret",
                           "dreamfish-sanxion", "dreamfish-uridium2_loader", "finally", "hiscore", "hiscreen",
                           "kaupunki", "klovninarki", "kollaps-tron"}) {
    Agreement a = compare(name);
    EXPECT_GT(a.rows_compared, 60u) << name;
    EXPECT_EQ(a.same_rows, a.rows_compared) << name;
    EXPECT_EQ(a.same_times, a.rows_compared) << name;
  }
}

TEST(Timeline, OtherTemposKeepTheRowsAndRoundTheTickRateDown) {
  // starpaws plays at tempo 97 and 194. Our device ticks tempo * 2 / 5 times
  // a second, rounded down (38 and 77), so each tick lasts 842 and 415
  // frames where libopenmpt takes 824.7 and 412.4: rows agree, times run up
  // to 2.1% late.
  Agreement a = compare("starpaws");
  EXPECT_GT(a.rows_compared, 1000u);
  EXPECT_EQ(a.same_rows, a.rows_compared);
  EXPECT_LT(a.worst_ratio, 0.025);  // 842 / 824.7 - 1 = 2.1%, plus the 8-frame reading step
  EXPECT_GT(a.worst_ratio, 0.01);
}

}  // namespace
