// The span fillers, fed edge tables written by hand.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "engine3d/engine.h"
#include "engine3d/raster.h"
#include "engine3d/spans.h"
#include "tests/engine3d/raster_support.h"

namespace {

class Spans : public ::testing::Test {
 protected:
  void SetUp() override { raster_reset(); }
  void TearDown() override { raster_reset(); }
};

constexpr int32_t kOne = 1 << 16;

// Table row y: x from L to R (whole pixels), and positions 1.. from the left
// and right values (16.16).
void set_row(int y, int L, int R, std::vector<int32_t> left = {}, std::vector<int32_t> right = {}) {
  engine.edge[kLeftSide][0][y] = L * kOne;
  engine.edge[kRightSide][0][y] = R * kOne;
  for (size_t p = 0; p < left.size(); p++) engine.edge[kLeftSide][p + 1][y] = left[p];
  for (size_t p = 0; p < right.size(); p++) engine.edge[kRightSide][p + 1][y] = right[p];
}
void set_rows(int ymin, int ymax) {
  engine.ymin = ymin;
  engine.ymax = ymax;
}

uint32_t texel_one(int, int) { return 1; }
uint32_t texel_u_plus_one(int u, int) { return static_cast<uint32_t>(u + 1); }
uint32_t texel_low_v_plus_one(int, int v) { return static_cast<uint32_t>((v & 0x3F) + 1); }

struct FillerCase {
  const char* name;
  SpanFiller filler;
  int depth;
};
const FillerCase kAllFillers[] = {
    {"fill_flat", fill_flat, 8},
    {"fill_gouraud", fill_gouraud, 8},
    {"fill_texture8", fill_texture8, 8},
    {"fill_texture8_depth", fill_texture8_depth, 8},
    {"fill_texture8_perspective", fill_texture8_perspective, 8},
    {"fill_texture8_shaded", fill_texture8_shaded, 8},
    {"fill_texture8_env", fill_texture8_env, 8},
    {"fill_none", fill_none, 8},
    {"fill_texture32", fill_texture32, 32},
    {"fill_texture32_depth", fill_texture32_depth, 32},
    {"fill_texture32_perspective", fill_texture32_perspective, 32},
};

// Every filler draws something non-zero wherever it writes: textures of
// ones, a shade and a colour of 1, z 5 in front of a clear depth buffer.
struct Stage {
  TestTarget target;
  TestTexture tex8{1, texel_one}, tex32{4, texel_one};
  PolyVertex corners[3] = {corner(0, 0, {{kSlotShade, 1}}), corner(0, 0), corner(0, 0)};
  Stage(int w, int h, int depth) : target(w, h, depth) {
    const TestTexture& tex = depth == 8 ? tex8 : tex32;
    texture_select(tex.data(), 1);
    texture_select(tex.data(), 2);
    depth_buffer_alloc(true);
  }
  // A row whose every position holds 1.0 and whose z (position 3) is 5,
  // which the gouraud filler reads as its shade 1 and the others as z.
  void row(int y, int L, int R) {
    set_row(y, L, R, {kOne, kOne, 5, kOne}, {kOne, kOne, 5, kOne});
    for (int side : {kLeftSide, kRightSide}) engine.edge[side][3][y] = 5 * kOne;
  }
  void perspective_row(int y, int L, int R) {
    set_row(y, L, R, {kOne, kOne, 5}, {kOne, kOne, 5});
  }
  // Written pixels as (column, frame row) pairs.
  std::vector<std::pair<int, int>> written() const {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < target.h; y++)
      for (int x = 0; x < target.w; x++)
        if (target.at(x, y)) out.emplace_back(x, y);
    return out;
  }
};

std::vector<std::pair<int, int>> run(int first, int last, int row) {
  std::vector<std::pair<int, int>> out;
  for (int x = first; x <= last; x++) out.emplace_back(x, row);
  return out;
}

TEST_F(Spans, EachFillerCoversItsColumnsAndFrameRow) {
  // Table row 50, L = 10, R = 14; and a span with L = R, which only the flat
  // filler draws (one pixel).
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> wide, point;
  } expected[] = {
      {"fill_flat", run(10, 14, 51), run(12, 12, 51)},
      {"fill_gouraud", run(11, 14, 51), {}},
      {"fill_texture8", run(10, 13, 50), {}},
      {"fill_texture8_depth", run(10, 14, 51), {}},
      {"fill_texture8_perspective", run(10, 14, 51), {}},
      {"fill_texture8_shaded", run(10, 14, 51), {}},
      {"fill_texture8_env", run(10, 13, 51), {}},
      {"fill_none", {}, {}},
      {"fill_texture32", run(10, 13, 50), {}},
      {"fill_texture32_depth", run(10, 14, 51), {}},
      {"fill_texture32_perspective", run(10, 14, 51), {}},
  };
  for (size_t i = 0; i < std::size(kAllFillers); i++) {
    const FillerCase& f = kAllFillers[i];
    for (bool point : {false, true}) {
      raster_reset();
      Stage stage(20, 60, f.depth);
      set_rows(50, 51);
      const bool perspective = f.filler == fill_texture8_perspective || f.filler == fill_texture32_perspective;
      const int L = point ? 12 : 10, R = point ? 12 : 14;
      perspective ? stage.perspective_row(50, L, R) : stage.row(50, L, R);
      f.filler(stage.corners);
      EXPECT_EQ(stage.written(), point ? expected[i].point : expected[i].wide)
          << f.name << (point ? " with L = R" : " with L = 10, R = 14");
    }
  }
}

TEST_F(Spans, TheLastTableRowIsNotDrawn) {
  Stage stage(16, 40, 32);
  for (int y = 0; y < 40; y++) stage.row(y, 2, 6);
  set_rows(20, 30);
  fill_texture32(stage.corners);
  std::vector<std::pair<int, int>> expected;
  for (int y = 20; y <= 29; y++)
    for (int x = 2; x <= 5; x++) expected.emplace_back(x, y);
  EXPECT_EQ(stage.written(), expected);
}

TEST_F(Spans, RightClipStartsFromTheValueAtTheLastColumn) {
  TestTarget target(320, 4, 32);
  TestTexture tex(4, texel_u_plus_one);
  texture_select(tex.data(), 1);
  // u = x / 2 + 20 along the row: 17.5 at x = -5, 220 at x = 400, and at
  // x = 319 179.5, which the first pixel written (318) gets.
  set_row(0, -5, 400, {35 * kOne / 2, 0}, {220 * kOne, 0});
  set_rows(0, 1);
  fill_texture32(nullptr);
  EXPECT_EQ(target.at(319, 0), 0u);
  EXPECT_EQ(target.at(318, 0), 180u);  // texel 179
  EXPECT_EQ(target.at(317, 0), 180u);  // 179.0
  EXPECT_EQ(target.at(316, 0), 179u);  // 178.5
  EXPECT_EQ(target.at(0, 0), 21u);     // 179.5 - 318 / 2 = 20.5
}

TEST_F(Spans, PixelFormulasOfTheShadedAndEnvironmentFillers) {
  TestTarget target(16, 4, 8);
  TestTexture texel200(1, [](int, int) -> uint32_t { return 200; });
  TestTexture texel30(1, [](int, int) -> uint32_t { return 0x30; });
  TestTexture texel05(1, [](int, int) -> uint32_t { return 0x05; });
  set_rows(0, 1);

  texture_select(texel200.data(), 1);
  set_row(0, 2, 6, {0, 0, 100 * kOne}, {0, 0, 100 * kOne});
  fill_texture8_shaded(nullptr);
  EXPECT_EQ(target.at(4, 1), 44u);  // (200 + 100) mod 256

  texture_select(texel30.data(), 1);
  texture_select(texel05.data(), 2);
  set_row(0, 2, 6, {0, 0, 0, 0}, {0, 0, 0, 0});
  fill_texture8_env(nullptr);
  EXPECT_EQ(target.at(4, 1), 0x35u);
}

TEST_F(Spans, GouraudStepsItsShadeAcrossEachRow) {
  TestTarget target(16, 4, 8);
  set_rows(0, 1);
  set_row(0, 2, 12, {10 * kOne}, {20 * kOne});
  fill_gouraud(nullptr);
  EXPECT_EQ(target.rows()[1], "...bcdef#####...");  // 11..15, then 16..20
  std::vector<uint32_t> shades;
  for (int x = 3; x <= 12; x++) shades.push_back(target.at(x, 1));
  EXPECT_EQ(shades, (std::vector<uint32_t>{11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
}

TEST_F(Spans, AMiddleRowOfZeroWidthKeepsThePreviousSteps) {
  for (const FillerCase& f : kAllFillers) {
    if (f.filler == fill_flat || f.filler == fill_gouraud || f.filler == fill_none ||
        f.filler == fill_texture8_perspective || f.filler == fill_texture32_perspective ||
        f.filler == fill_texture8_depth || f.filler == fill_texture32_depth)
      continue;  // no per-polygon steps
    raster_reset();
    Stage stage(16, 8, f.depth);
    for (int p = 0; p < kMaxInterpolants; p++) engine.span_step[p] = 1000 + p;
    stage.row(0, 3, 9);
    stage.row(1, 5, 5);  // the middle row of rows 0..2
    stage.row(2, 3, 9);
    set_rows(0, 2);
    f.filler(stage.corners);
    for (int p = 0; p < kMaxInterpolants; p++) EXPECT_EQ(engine.span_step[p], 1000 + p) << f.name;
  }
}

// The depth fillers step each row from its right edge's values (pixel R) to
// its left edge's (pixel L), whatever the other rows hold: the middle row
// here has a width of 1 and another slope, which a step per polygon would
// carry across the 4-pixel rows, reading u 50, 10, then 226 and 186.
TEST_F(Spans, DepthFillersStepEachRowFromEdgeToEdge) {
  const FillerCase depth_fillers[] = {{"fill_texture8_depth", fill_texture8_depth, 8},
                                      {"fill_texture32_depth", fill_texture32_depth, 32}};
  for (const FillerCase& f : depth_fillers) {
    raster_reset();
    TestTarget target(16, 8, f.depth);
    TestTexture tex(f.depth / 8, texel_u_plus_one);
    texture_select(tex.data(), 1);
    ASSERT_EQ(depth_buffer_alloc(true), 0);
    set_row(0, 2, 6, {10 * kOne, 0, 300 * kOne}, {50 * kOne, 0, 100 * kOne});
    set_row(1, 4, 5, {0, 0, 100 * kOne}, {40 * kOne, 0, 900 * kOne});
    set_row(2, 2, 6, {10 * kOne, 0, 300 * kOne}, {50 * kOne, 0, 100 * kOne});
    set_rows(0, 3);
    f.filler(nullptr);
    for (int frame_row : {1, 3}) {
      for (int x = 2; x <= 6; x++) {
        EXPECT_EQ(target.at(x, frame_row), static_cast<uint32_t>(10 * x - 9)) << f.name << " " << x << "," << frame_row;
        EXPECT_EQ(engine.depth_buffer[frame_row * 16 + x], static_cast<uint32_t>((300 - 50 * (x - 2)) * kOne))
            << f.name << " " << x << "," << frame_row;
      }
    }
    depth_buffer_alloc(false);
  }
}

TEST_F(Spans, PerspectiveRowsWithZAtOrBehindTheEyeAreSkipped) {
  for (SpanFiller filler : {fill_texture8_perspective, fill_texture32_perspective}) {
    raster_reset();
    Stage stage(16, 8, filler == fill_texture8_perspective ? 8 : 32);
    const int z[][2] = {{0, 5}, {5, 0}, {-1, 5}, {5, -7}, {5, 5}};
    for (int y = 0; y < 5; y++) {
      stage.perspective_row(y, 2, 6);
      engine.edge[kLeftSide][3][y] = z[y][0];
      engine.edge[kRightSide][3][y] = z[y][1];
    }
    set_rows(0, 5);
    filler(stage.corners);
    EXPECT_EQ(stage.written(), run(2, 6, 5));  // only table row 4, in frame row 5
  }
}

// A clipped or overshooting span can carry u past 255; the read must stay in
// the same texture row (and inside the map).
TEST_F(Spans, TextureReadsWrapUInsideTheMap) {
  const SpanFiller fillers[] = {fill_texture8_depth, fill_texture8_shaded, fill_texture8_env,
                                fill_texture32_depth};
  for (SpanFiller filler : fillers) {
    for (int v : {0, 255}) {
      raster_reset();
      const int depth = filler == fill_texture32_depth ? 32 : 8;
      TestTarget target(16, 4, depth);
      TestTexture tex(depth / 8, texel_low_v_plus_one);
      texture_select(tex.data(), 1);
      texture_select(tex.data(), 2);
      depth_buffer_alloc(true);
      set_rows(0, 1);
      // u 300 and v at the right end, no change along the row; shade and
      // environment values 0 (for env: environment u 300 too).
      set_row(0, 2, 6, {300 * kOne, v * kOne, filler == fill_texture8_env ? 300 * kOne : 0, v * kOne},
              {300 * kOne, v * kOne, filler == fill_texture8_env ? 300 * kOne : 0, v * kOne});
      if (filler != fill_texture8_env)
        for (int side : {kLeftSide, kRightSide}) engine.edge[side][3][0] = filler == fill_texture8_shaded ? 0 : 9 * kOne;
      filler(nullptr);
      uint32_t expected = static_cast<uint32_t>((v & 0x3F) + 1);
      if (filler == fill_texture8_env) expected *= 2;
      EXPECT_EQ(target.at(4, 1), expected) << "v " << v;
    }
  }
}

TEST_F(Spans, FillersWithoutTheirTextureOrTargetDrawNothing) {
  for (const FillerCase& f : kAllFillers) {
    raster_reset();
    Stage stage(16, 8, f.depth);
    stage.row(0, 2, 9);
    set_rows(0, 1);
    // A 32-bit filler at pixel depth 8 would write four times the target.
    if (f.depth == 32) viewport_set(16, 8, 8);
    engine.texture_slot[1] = engine.texture_slot[2] = nullptr;
    depth_buffer_alloc(false);
    if (f.filler != fill_flat && f.filler != fill_gouraud) {
      f.filler(stage.corners);
      EXPECT_EQ(stage.written(), (std::vector<std::pair<int, int>>{})) << f.name;
    }
  }
}

}  // namespace
