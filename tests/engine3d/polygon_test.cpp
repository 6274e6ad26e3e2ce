#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine3d/engine.h"
#include "engine3d/raster.h"
#include "engine3d/spans.h"
#include "tests/engine3d/raster_support.h"

namespace {

using Rows = std::vector<std::string>;

class Polygon : public ::testing::Test {
 protected:
  void SetUp() override { raster_reset(); }
  void TearDown() override { raster_reset(); }
};

uint32_t texel_is_v(int, int v) { return static_cast<uint32_t>(v); }
uint32_t texel_one(int, int) { return 1; }
uint32_t texel_two(int, int) { return 2; }

TEST_F(Polygon, ViewportSetAcceptsOnlySizesUpTo640x480AndDepthsFrom8) {
  struct Case {
    int w, h, depth, result;
  } cases[] = {
      {640, 480, 8, 0}, {641, 480, 8, 1}, {320, 200, 7, 1}, {0, 200, 32, 1},
      {320, 0, 8, 1},   {320, 481, 32, 1}, {1, 1, 32, 0},   {160, 100, 8, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(viewport_set(100, 50, 32), 0);
    EXPECT_EQ(viewport_set(c.w, c.h, c.depth), c.result) << c.w << "x" << c.h << "x" << c.depth;
    if (c.result) {
      EXPECT_EQ(engine.viewport_width, 100);
      EXPECT_EQ(engine.viewport_height, 50);
      EXPECT_EQ(engine.pixel_depth, 32);
    } else {
      EXPECT_EQ(engine.viewport_width, c.w);
      EXPECT_EQ(engine.viewport_height, c.h);
      EXPECT_EQ(engine.pixel_depth, c.depth);
    }
  }
}

TEST_F(Polygon, TextureSelectStoresTheNext1024ByteBoundaryEvenWhenAligned) {
  auto* block = static_cast<char*>(std::aligned_alloc(4096, 8192));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(texture_select(block, 1), block + 1024);
  EXPECT_EQ(engine.texture_slot[1], block + 1024);
  EXPECT_EQ(texture_select(block + 1, 2), block + 1024);
  EXPECT_EQ(engine.texture_slot[2], block + 1024);
  EXPECT_EQ(texture_select(block + 1023, 1), block + 1024);
  EXPECT_EQ(texture_select(block + 1024, 2), block + 2048);
  // Another slot number stores nothing.
  EXPECT_EQ(texture_select(block + 3000, 3), block + 3072);
  EXPECT_EQ(texture_select(block + 3000, 0), block + 3072);
  EXPECT_EQ(engine.texture_slot[0], nullptr);
  EXPECT_EQ(engine.texture_slot[1], block + 1024);
  EXPECT_EQ(engine.texture_slot[2], block + 2048);
  std::free(block);
}

TEST_F(Polygon, RenderModeSelectChoosesFillerWalkerAndInterpolants) {
  struct Case {
    int mode, depth;
    SpanFiller filler;
    int result;
    std::vector<int> list;
  } cases[] = {
      {1, 8, fill_flat, 0, {0}},
      {2, 8, fill_gouraud, 0, {0, 6}},
      {4, 8, fill_texture8, 0, {0, 2, 3}},
      {8, 8, fill_texture8, 0, {0, 4, 5}},
      {6, 8, fill_texture8_shaded, 0, {0, 2, 3, 6}},
      {12, 8, fill_texture8_env, 0, {0, 2, 3, 4, 5}},
      {16, 8, fill_none, 0, {0, 2, 3, 4, 5}},
      {36, 8, fill_texture8_depth, 0, {0, 2, 3, 7}},
      {40, 8, fill_texture8_depth, 0, {0, 4, 5, 7}},
      {68, 8, fill_texture8_perspective, 0, {0, 2, 3, 7}},
      {72, 8, fill_texture8_perspective, 0, {0, 4, 5, 7}},
      {3, 8, fill_texture8, 1, {0, 6}},
      {100, 8, fill_texture8, 1, {0, 2, 3, 7}},
      {4, 32, fill_texture32, 0, {0, 2, 3}},
      {8, 32, fill_texture32, 0, {0, 4, 5}},
      {36, 32, fill_texture32_depth, 0, {0, 2, 3, 7}},
      {40, 32, fill_texture32_depth, 0, {0, 4, 5, 7}},
      {68, 32, fill_texture32_perspective, 0, {0, 2, 3, 7}},
      {72, 32, fill_texture32_perspective, 0, {0, 4, 5, 7}},
      {2, 32, fill_texture32, 1, {0, 6}},
      {12, 32, fill_texture32, 1, {0, 2, 3, 4, 5}},
      {1, 24, fill_texture32, 1, {0}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(viewport_set(320, 200, c.depth), 0);
    EXPECT_EQ(render_mode_select(c.mode), c.result) << "mode " << c.mode << " depth " << c.depth;
    EXPECT_EQ(engine.filler, c.filler) << "mode " << c.mode << " depth " << c.depth;
    EXPECT_EQ(engine.walker, (c.mode & 64) ? edge_scan_perspective : edge_scan_linear);
    std::vector<int> list(engine.interpolant, engine.interpolant + engine.interpolant_count);
    EXPECT_EQ(list, c.list) << "mode " << c.mode;
  }
}

// The edge tables start full of a marker, so rows an edge leaves alone show.
constexpr int32_t kUntouched = 0x7EADBEEF;
void mark_edge_tables() {
  for (auto& side : engine.edge)
    for (auto& position : side)
      for (int32_t& v : position) v = kUntouched;
}
std::vector<int> written_rows(int side) {
  std::vector<int> rows;
  for (int y = 0; y < kEdgeRows; y++)
    if (engine.edge[side][0][y] != kUntouched) rows.push_back(y);
  return rows;
}
std::vector<int> row_range(int first, int last) {
  std::vector<int> rows;
  for (int y = first; y <= last; y++) rows.push_back(y);
  return rows;
}

TEST_F(Polygon, LinearWalkerWritesTheVisibleRowsOfAnEdge) {
  struct Case {
    int top_y, bottom_y;
    std::vector<int> rows;
  } cases[] = {
      {-10, 50, row_range(0, 50)},
      {190, 260, row_range(190, 199)},
      {-5, 0, {}},
      {30, 30, {}},
      {199, 400, {}},  // no row above the last one to start from
      {198, 400, row_range(198, 199)},
      {-300, -1, {}},
      {-300, 1, row_range(0, 1)},
  };
  viewport_set(16, 200, 8);
  render_mode_select(kModeTexture);
  for (const Case& c : cases) {
    mark_edge_tables();
    edge_scan_linear(corner(0, c.top_y), corner(9, c.bottom_y));
    EXPECT_EQ(written_rows(kRightSide), c.rows) << c.top_y << ".." << c.bottom_y;
    EXPECT_EQ(written_rows(kLeftSide), std::vector<int>{});
    // Walked upward, the same edge bounds the left side.
    mark_edge_tables();
    edge_scan_linear(corner(9, c.bottom_y), corner(0, c.top_y));
    EXPECT_EQ(written_rows(kLeftSide), c.rows) << c.top_y << ".." << c.bottom_y;
    EXPECT_EQ(written_rows(kRightSide), std::vector<int>{});
  }
}

TEST_F(Polygon, LinearWalkerStepsFromTheBottomCornerAndRecomputesAClippedBottom) {
  viewport_set(16, 200, 8);
  render_mode_select(kModeTexture);  // x, u, v
  mark_edge_tables();
  // u runs 0..100 over 70 rows: step 6,553,600 / 70 = 93,622 (truncated).
  edge_scan_linear(corner(0, 190, {{kSlotU, 0}, {kSlotV, 7}}),
                   corner(70, 260, {{kSlotU, 100}, {kSlotV, 7}}));
  // Row 199 gets the top corner plus 9 whole steps, its fraction dropped:
  // 0 + (9 x 93,622) >> 16 = 12; x = 0 + (9 x 65,536) >> 16 = 9.
  EXPECT_EQ(engine.edge[kRightSide][0][199], 9 << 16);
  EXPECT_EQ(engine.edge[kRightSide][1][199], 12 << 16);
  EXPECT_EQ(engine.edge[kRightSide][2][199], 7 << 16);
  // Going up, each row subtracts one step; the top row holds the top
  // corner itself, not the stepped value 12 - 9 x 93,622 / 65,536 short of it.
  EXPECT_EQ(engine.edge[kRightSide][1][198], (12 << 16) - 93622);
  EXPECT_EQ(engine.edge[kRightSide][1][191], (12 << 16) - 8 * 93622);
  EXPECT_EQ(engine.edge[kRightSide][1][190], 0);
  EXPECT_EQ(engine.edge[kRightSide][0][190], 0);

  mark_edge_tables();
  edge_scan_linear(corner(5, 10, {{kSlotU, 40}}), corner(1, 14, {{kSlotU, 0}}));
  // Unclipped, the bottom row holds the bottom corner's exact values.
  EXPECT_EQ(engine.edge[kRightSide][0][14], 1 << 16);
  EXPECT_EQ(engine.edge[kRightSide][1][14], 0);
  EXPECT_EQ(engine.edge[kRightSide][0][10], 5 << 16);
  EXPECT_EQ(engine.edge[kRightSide][1][10], 40 << 16);
  EXPECT_EQ(engine.edge[kRightSide][1][12], 20 << 16);
}

TEST_F(Polygon, PerspectiveWalkerInterpolatesTextureOverDepth) {
  viewport_set(16, 200, 8);
  render_mode_select(kModeTexture | kModePerspective);  // x, u, v, z
  mark_edge_tables();
  // Depth 100 at the top, 300 at the bottom: halfway down, 1/z is halfway
  // between 1/100 and 1/300, so z = 150; u/z is halfway between 0 and
  // 200/300, so u = 150 x 1/3 = 50, not the affine 100.
  edge_scan_perspective(corner(0, 0, {{kSlotU, 0}, {kSlotZ, 100}}),
                        corner(100, 100, {{kSlotU, 200}, {kSlotZ, 300}}));
  EXPECT_EQ(engine.edge[kRightSide][0][50], 50 << 16);
  EXPECT_NEAR(engine.edge[kRightSide][3][50], 150, 1);
  EXPECT_NEAR(engine.edge[kRightSide][1][50] / 65536.0, 50.0, 0.01);
  EXPECT_NEAR(engine.edge[kRightSide][3][100], 300, 1);
  EXPECT_NEAR(engine.edge[kRightSide][1][100] / 65536.0, 200.0, 0.01);
  EXPECT_NEAR(engine.edge[kRightSide][3][0], 100, 1);
  EXPECT_NEAR(engine.edge[kRightSide][1][0] / 65536.0, 0.0, 0.01);
  // A corner at or behind the eye leaves the edge out.
  mark_edge_tables();
  edge_scan_perspective(corner(0, 0, {{kSlotZ, 0}}), corner(8, 100, {{kSlotZ, 300}}));
  edge_scan_perspective(corner(0, 0, {{kSlotZ, 100}}), corner(8, 100, {{kSlotZ, -3}}));
  EXPECT_EQ(written_rows(kRightSide), std::vector<int>{});
}

TEST_F(Polygon, PolygonsWhollyOutsideTheViewportDrawNothing) {
  TestTarget target(16, 8, 8);
  render_mode_select(kModeFlat);
  const PolyVertex above[] = {corner(0, -9, {{kSlotShade, 5}}), corner(15, -9), corner(0, -1)};
  const PolyVertex right[] = {corner(16, 0, {{kSlotShade, 5}}), corner(40, 0), corner(16, 7)};
  const PolyVertex below[] = {corner(0, 8, {{kSlotShade, 5}}), corner(15, 8), corner(0, 30)};
  const PolyVertex left[] = {corner(-9, 0, {{kSlotShade, 5}}), corner(-1, 0), corner(-9, 7)};
  for (const PolyVertex* p : {above, right, below, left}) polygon_draw(3, p);
  EXPECT_EQ(target.rows(), Rows(8, "................"));
}

TEST_F(Polygon, FlatTriangleWithAHorizontalTopEdge) {
  TestTarget target(16, 8, 8);
  render_mode_select(kModeFlat);
  // Clockwise on screen; the flat filler writes table row y into frame row
  // y + 1, columns L..R, and leaves out the last table row.
  const PolyVertex tri[] = {corner(2, 1, {{kSlotShade, 7}}), corner(12, 1), corner(2, 6)};
  polygon_draw(3, tri);
  EXPECT_EQ(target.rows(), (Rows{
                               "................",
                               "................",
                               "..77777777777...",
                               "..777777777.....",
                               "..7777777.......",
                               "..77777.........",
                               "..777...........",
                               "................",
                           }));
}

TEST_F(Polygon, QuadrilateralTexturedAt32Bits) {
  TestTarget target(16, 8, 32);
  TestTexture tex(4, texel_is_v);
  texture_select(tex.data(), 1);
  render_mode_select(kModeTexture);
  // v runs down the quad from 1 to 7; fill_texture32 writes table row y into
  // frame row y, columns L..R-1.
  const PolyVertex quad[] = {corner(3, 0, {{kSlotV, 1}}), corner(10, 0, {{kSlotV, 1}}),
                             corner(10, 6, {{kSlotV, 7}}), corner(3, 6, {{kSlotV, 7}})};
  polygon_draw(4, quad);
  EXPECT_EQ(target.rows(), (Rows{
                               "...1111111......",
                               "...2222222......",
                               "...3333333......",
                               "...4444444......",
                               "...5555555......",
                               "...6666666......",
                               "................",
                               "................",
                           }));
}

// Two faces meeting at corner V = (9, 2), on either side of the edge from V
// down to W = (3, 9) whose 16.16 step, -6/7 of a pixel, is truncated. For
// the left face V is the top corner, for the right face a middle corner
// whose table row also gets the edge from above, which ends on V exactly.
// Both must end and start row 2 at the same column, so pixel 8 is drawn
// once. Table rows as frame rows, columns L..R-1: the texture fillers;
// columns L..R: the depth, shaded and perspective ones, one row lower.
TEST_F(Polygon, FacesMeetingAtACornerLeaveNoPixelBetweenThem) {
  struct Case {
    int mode, depth;
  } cases[] = {{kModeTexture, 8},  {kModeTexture, 32}, {kModeTexture | kModeDepthTested, 8},
               {kModeTextureShade, 8}, {kModeTexture | kModePerspective, 32}};
  for (const Case& c : cases) {
    TestTarget target(16, 12, c.depth);
    TestTexture tex(c.depth / 8, texel_one);
    texture_select(tex.data(), 1);
    ASSERT_EQ(depth_buffer_alloc(true), 0);
    render_mode_select(c.mode);
    auto at = [](int x, int y) { return corner(x, y, {{kSlotZ, 100}}); };
    const PolyVertex left[] = {at(1, 2), at(9, 2), at(3, 9)};
    const PolyVertex right[] = {at(3, 9), at(9, 2), at(12, 0)};
    polygon_draw(3, left);
    polygon_draw(3, right);
    const int row = (c.mode & (kModeDepthTested | kModePerspective)) || c.mode == kModeTextureShade ? 3 : 2;
    const std::string drawn = target.rows()[row];
    EXPECT_EQ(drawn.find_first_of('.', drawn.find_first_not_of('.')), drawn.find_last_not_of('.') + 1)
        << "mode " << c.mode << " at depth " << c.depth << ": " << drawn;
    EXPECT_NE(target.at(8, row), 0u) << "mode " << c.mode << " at depth " << c.depth;
    depth_buffer_alloc(false);
  }
}

// A corner close to the eye is projected millions of pixels away; its
// polygon must still clip to the target exactly, with nothing undefined
// (the sanitized build checks the latter).
TEST_F(Polygon, CornersMillionsOfPixelsOffScreenClipExactly) {
  struct Case {
    int mode;
    int far;
  } cases[] = {{kModeFlat, 4000000}, {kModeFlat, -4000000}, {kModeTexture | kModePerspective, 4000000},
               {kModeTexture | kModePerspective, 2147483000}};
  for (const Case& c : cases) {
    TestTarget target(16, 8, 8);
    TestTexture tex(1, texel_one);
    texture_select(tex.data(), 1);
    render_mode_select(c.mode);
    std::vector<PolyVertex> tri;
    if (c.far > 0)  // a right angle at the top left, legs running far right and down
      tri = {corner(0, 0, {{kSlotShade, 1}, {kSlotZ, 100}}), corner(c.far, 0, {{kSlotZ, 100}}),
             corner(0, c.far, {{kSlotZ, 100}})};
    else  // a right angle at the bottom right, legs running far left and up
      tri = {corner(15, 7, {{kSlotShade, 1}, {kSlotZ, 100}}), corner(c.far, 7, {{kSlotZ, 100}}),
             corner(15, c.far, {{kSlotZ, 100}})};
    polygon_draw(3, tri.data());
    // Frame row 0 is above the first drawn table row for these fillers.
    Rows expected(8, "1111111111111111");
    expected[0] = "................";
    EXPECT_EQ(target.rows(), expected) << "mode " << c.mode << " corner at " << c.far;
  }
}

TEST_F(Polygon, DepthBufferStartsClearKeepsNearerPixelsAndClearsForANewFrame) {
  TestTarget target(16, 8, 8);
  TestTexture near_tex(1, texel_one), far_tex(1, texel_two);
  ASSERT_EQ(depth_buffer_alloc(true), 0);
  ASSERT_NE(engine.depth_buffer, nullptr);
  render_mode_select(kModeTexture | kModeDepthTested);
  auto square = [](int x0, int x1, int z) {
    return std::vector<PolyVertex>{corner(x0, 0, {{kSlotZ, z}}), corner(x1, 0, {{kSlotZ, z}}),
                                   corner(x1, 7, {{kSlotZ, z}}), corner(x0, 7, {{kSlotZ, z}})};
  };
  texture_select(near_tex.data(), 1);
  polygon_draw(4, square(2, 9, 100).data());
  texture_select(far_tex.data(), 1);
  polygon_draw(4, square(6, 13, 200).data());
  Rows expected(8, "..111111112222..");
  expected[0] = "................";
  EXPECT_EQ(target.rows(), expected);

  // The next frame: without a clear every entry still holds this z or a
  // nearer one and the far square draws nothing; after it, it shows whole.
  target.bytes.assign(target.bytes.size(), 0);
  polygon_draw(4, square(6, 13, 200).data());
  EXPECT_EQ(target.rows(), Rows(8, "................"));
  depth_buffer_clear();
  polygon_draw(4, square(6, 13, 200).data());
  expected.assign(8, "......22222222..");
  expected[0] = "................";
  EXPECT_EQ(target.rows(), expected);

  // A new viewport size brings a new, clear buffer of the new size.
  ASSERT_EQ(viewport_set(32, 16, 8), 0);
  for (int i = 0; i < 32 * 16; i++) ASSERT_EQ(engine.depth_buffer[i], 0xFFFFFFFFu) << i;
  EXPECT_EQ(depth_buffer_alloc(false), 0);
  EXPECT_EQ(engine.depth_buffer, nullptr);
}

// A middle row narrower than one pixel gives a zero divisor for the 16.16
// steps: the polygon keeps the previous steps instead.
TEST_F(Polygon, MiddleRowNarrowerThanAPixelKeepsThePreviousSteps) {
  for (int mode : std::vector<int>{kModeTextureEnvironment, kModeTextureShade}) {
    TestTarget target(16, 8, 8);
    TestTexture tex(1, texel_one);
    texture_select(tex.data(), 1);
    texture_select(tex.data(), 2);
    depth_buffer_alloc(true);
    render_mode_select(mode);
    // Width 8 at the middle row, u 0..16 across it: step -2 pixels per pixel.
    const PolyVertex wide[] = {corner(0, 0, {{kSlotU, 0}, {kSlotZ, 5}}),
                               corner(8, 0, {{kSlotU, 16}, {kSlotZ, 5}}),
                               corner(8, 6, {{kSlotU, 16}, {kSlotZ, 5}}),
                               corner(0, 6, {{kSlotU, 0}, {kSlotZ, 5}})};
    polygon_draw(4, wide);
    const int32_t u_step = engine.span_step[1];
    EXPECT_EQ(u_step, -2 << 16) << "mode " << mode;
    // The right edge runs from x 5 to 4 over rows 0..2: half a pixel wide at
    // the middle row 1.
    const PolyVertex thin[] = {corner(4, 0, {{kSlotU, 0}, {kSlotZ, 5}}),
                               corner(5, 0, {{kSlotU, 200}, {kSlotZ, 5}}),
                               corner(4, 2, {{kSlotU, 0}, {kSlotZ, 5}})};
    polygon_draw(3, thin);
    EXPECT_EQ(engine.span_step[1], u_step) << "mode " << mode;
    depth_buffer_alloc(false);
  }
}


// Random clockwise triangles, some with corners millions of pixels away,
// against their coverage computed in floating point: every pixel whose
// sample point (x + 0.5, y) lies more than 1.5 pixels inside is drawn, none
// more than 1.5 pixels outside is. The affine filler leaves out the last
// table row and, for a clipped span, the last column.
TEST_F(Polygon, TrianglesCoverWhatFloatingPointCoverageSays) {
  constexpr int kW = 64, kH = 48;
  std::mt19937 random(20261208);
  auto coordinate = [&](int low, int high) {
    if (random() % 10 < 2) return static_cast<int>(random() % 10000001) - 5000000;
    return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
  };
  int drawn_somewhere = 0;
  for (int trial = 0; trial < 1500; trial++) {
    TestTarget target(kW, kH, 32);
    TestTexture tex(4, texel_one);
    texture_select(tex.data(), 1);
    render_mode_select(kModeTexture);
    double px[3], py[3];
    PolyVertex tri[3];
    for (int i = 0; i < 3; i++) {
      tri[i] = corner(coordinate(-20, kW + 20), coordinate(-20, kH + 20));
      px[i] = tri[i].slot[kSlotX];
      py[i] = tri[i].slot[kSlotY];
    }
    // The clockwise test the face stage applies (y grows downward).
    if ((py[1] - py[0]) * (px[2] - px[1]) > (py[2] - py[1]) * (px[1] - px[0])) {
      std::swap(tri[1], tri[2]);
      std::swap(px[1], px[2]);
      std::swap(py[1], py[2]);
    }
    const double area = (px[1] - px[0]) * (py[2] - py[0]) - (py[1] - py[0]) * (px[2] - px[0]);
    if (std::fabs(area) < 1) continue;
    polygon_draw(3, tri);
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++) {
        double inside = 1e300;
        for (int i = 0; i < 3; i++) {
          const int j = (i + 1) % 3;
          const double ex = px[j] - px[i], ey = py[j] - py[i];
          const double cross = ex * (y - py[i]) - ey * (x + 0.5 - px[i]);
          inside = std::min(inside, (area > 0 ? cross : -cross) / std::hypot(ex, ey));
        }
        const bool drawn = target.at(x, y) != 0;
        drawn_somewhere += drawn;
        if (inside > 1.5 && x < kW - 1 && y < kH - 1) {
          ASSERT_TRUE(drawn) << "trial " << trial << " pixel " << x << "," << y;
        }
        if (inside < -1.5) {
          ASSERT_FALSE(drawn) << "trial " << trial << " pixel " << x << "," << y;
        }
      }
  }
  EXPECT_GT(drawn_somewhere, 100000);
}

}  // namespace
