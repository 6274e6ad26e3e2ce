// The hyperbolic whirl's frames at pixel level, against its rules worked out
// here from their definitions, and the bounds of its sampling over the real
// tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "display/display.h"
#include "scenes/hyperbolic_whirl.h"
#include "tests/support/scene_run.h"

namespace {

// Byte 3 set: no rendered or picture pixel can equal it.
constexpr uint32_t kUntouched = 0xFF000000;

int distance_of(int m) {
  double xs = pixel_x(m) * 0.8333333333333334;
  double y = pixel_y(m);
  return static_cast<int>(std::sqrt(std::fabs(xs * xs - y * y)));
}

int angle_of(int m) {
  double turn = std::atan2(static_cast<double>(pixel_y(m)), static_cast<double>(pixel_x(m))) + std::numbers::pi;
  return static_cast<int>(turn * 40.58451048843331);
}

int64_t source_offset(int u, int v) {
  double rho = u * 0.6666666666666666, phi = 2 * v * 0.01227184630308513;
  return static_cast<int64_t>(128 + rho * std::cos(phi)) + 256 * static_cast<int64_t>(128 + rho * std::sin(phi));
}

uint32_t scaled(uint32_t p, int level) {
  uint32_t r = ((p >> 16) & 255) * level / 256, g = ((p >> 8) & 255) * level / 256, b = (p & 255) * level / 256;
  return r << 16 | g << 8 | b;
}

class HyperbolicWhirlFrames : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(hyperbolic_whirl_open(w));
    for (uint32_t i = 0; i < kWarpSourcePixels; i++) w.source[i] = test_colour(i);
    for (uint32_t i = 0; i < kFramePixels; i++) w.still[i] = test_colour(i + 700000);
    build_whirl_tables(&tables, 13500 * 0.02);
  }
  static void TearDownTestSuite() { hyperbolic_whirl_close(w); }

  static uint32_t warped(int m, int shift) {
    int d = distance_of(m), a = angle_of(m);
    int u = (d + tables.warp.radius_shift[d]) & 255, v = (a + tables.warp.angle_shift[d]) & 255;
    return scaled(w.source[source_offset(u, v) + shift], tables.brightness[a]);
  }

  // Renders frame n over a frame of untouched pixels and checks every pixel
  // against what its distance says it should show.
  template <typename Shows>
  void expect_frame(int32_t n, Shows shows) {
    const int shift = 250;
    std::fill(w.frame, w.frame + kFramePixels, kUntouched);
    render_hyperbolic_whirl(w, tables, n, shift);
    std::vector<uint32_t> want(kFramePixels);
    for (int m = 0; m < kFramePixels; m++) {
      char what = shows(distance_of(m));
      want[m] = what == 'w' ? warped(m, shift) : what == 's' ? w.still[m] : kUntouched;
    }
    std::string where;
    EXPECT_EQ(count_differences(w.frame, want.data(), kFramePixels, &where), 0) << "n = " << n << where;
  }

  static HyperbolicWhirl w;
  static WhirlTables tables;
};
HyperbolicWhirl HyperbolicWhirlFrames::w;
WhirlTables HyperbolicWhirlFrames::tables;

TEST_F(HyperbolicWhirlFrames, OnlyTheDiagonalsWarpAtTheStart) {
  expect_frame(0, [](int d) { return d == 0 ? 'w' : 'k'; });
  // The diagonals |x'| = |y| run from the centre into all four quadrants,
  // out to the top and bottom edges.
  int quadrants[4] = {}, reach[4] = {};
  for (int m = 0; m < kFramePixels; m++) {
    if (distance_of(m) != 0) continue;
    int q = (pixel_x(m) < 0) * 2 + (pixel_y(m) < 0);
    quadrants[q]++;
    reach[q] = std::max(reach[q], std::abs(pixel_y(m)));
  }
  for (int q = 0; q < 4; q++) {
    EXPECT_GT(quadrants[q], 10) << q;
    EXPECT_GE(reach[q], 90) << q;
  }
}

TEST_F(HyperbolicWhirlFrames, WarpGrowsAndShrinksByDistance) {
  for (int32_t n : {1, 40, 133, 249}) expect_frame(n, [n](int d) { return d <= n ? 'w' : 'k'; });
  for (int32_t n : {250, 500, 749}) expect_frame(n, [](int) { return 'w'; });
  for (int32_t n : {750, 800, 882}) expect_frame(n, [n](int d) { return d > n - 750 ? 'w' : 's'; });
  // At 882 only the farthest pixels, distance 133, still warp.
  int farthest = 0;
  for (int m = 0; m < kFramePixels; m++) farthest = std::max(farthest, distance_of(m));
  EXPECT_EQ(farthest, 133);
}

TEST_F(HyperbolicWhirlFrames, StillPictureBeforeTheWarpAndWholeFrom883) {
  for (int32_t n : {-13196, -75, -1, 883, 884, 995, 2000000000}) {
    std::fill(w.frame, w.frame + kFramePixels, kUntouched);
    render_hyperbolic_whirl(w, tables, n, 256);
    std::string where;
    EXPECT_EQ(count_differences(w.frame, w.still, kFramePixels, &where), 0) << "n = " << n << where;
  }
}

TEST_F(HyperbolicWhirlFrames, BandsAndRipplesStayInTheirRanges) {
  for (int tick = 0; tick < 20000; tick += 7) {
    double P = tick * 0.02;
    WhirlTables t;
    build_whirl_tables(&t, P);
    int shift = whirl_shift(P);
    ASSERT_GE(shift, 226) << tick;
    ASSERT_LE(shift, 286) << tick;
    for (int e = 0; e < 256; e++) {
      ASSERT_GE(t.warp.radius_shift[e], 2) << tick << " " << e;
      ASSERT_LE(t.warp.radius_shift[e], 18) << tick << " " << e;
      ASSERT_GE(t.brightness[e], 71) << tick << " " << e;
      ASSERT_LE(t.brightness[e], 185) << tick << " " << e;
    }
    // Entry 0 twists by P + 128 + 5 sin P; its bands by 128 + 57 cos 3P.
    ASSERT_EQ(t.warp.angle_shift[0], static_cast<uint8_t>(static_cast<int64_t>(P + 128 + 5 * std::sin(P)))) << tick;
    ASSERT_EQ(t.brightness[0], static_cast<uint8_t>(static_cast<int64_t>(128 + 57 * std::cos(-3 * P)))) << tick;
  }
}

TEST_F(HyperbolicWhirlFrames, EverySampleStaysInsideTheWarpSource) {
  // The farthest radius step a pixel can reach: its map distance plus the
  // largest ripple (checked above to stay at or below 18).
  int farthest = 0;
  for (int m = 0; m < kFramePixels; m++) farthest = std::max<int>(farthest, w.maps->radius[m]);
  EXPECT_EQ(farthest, 133);
  int reach = farthest + 18;
  int32_t low = INT32_MAX, high = INT32_MIN;
  for (int u = 0; u <= reach; u++)
    for (int v = 0; v < 256; v++) {
      low = std::min(low, w.lookup[u * 256 + v]);
      high = std::max(high, w.lookup[u * 256 + v]);
    }
  EXPECT_GE(low + 226, 0);
  EXPECT_LT(high + 286, kWarpSourcePixels);
}

}  // namespace
