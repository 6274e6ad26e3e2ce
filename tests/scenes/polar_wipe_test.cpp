// The opening scene's frames at pixel level, against the scene's rules worked
// out here from their definitions, over test pictures whose every pixel has
// its own colour.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "display/display.h"
#include "scenes/polar_wipe.h"
#include "tests/support/scene_run.h"

namespace {

uint32_t half(uint32_t p) { return (p >> 1) & 0x7F7F7F; }

int radius_of(int m) {
  int x = pixel_x(m), y = pixel_y(m);
  return static_cast<int>(std::sqrt(static_cast<double>(x * x + y * y)));
}

int angle_of(int m) {
  double turn = std::atan2(static_cast<double>(pixel_y(m)), static_cast<double>(pixel_x(m))) + std::numbers::pi;
  return static_cast<int>(turn * 40.66408795997926);
}

int64_t mod(int64_t v, int64_t n) { return ((v % n) + n) % n; }

// True when some b in [from, to) is congruent to q modulo spacing.
bool reached(int64_t q, int64_t from, int64_t to, int64_t spacing) {
  int64_t b = from + mod(q - from, spacing);
  return b < to;
}

// Phase 1's level for angle step a at tick t: 2 full, 1 half, 0 dark.
int sector_level(int a, uint32_t t) {
  int64_t h = t >> 1, s = t >> 4;
  int64_t q = mod(a - h, 64);
  if (reached(q, 2, s, 64)) return 2;
  if (reached(q, 0, s + 2, 64) || reached(mod(a - h, 16), 0, 4, 16)) return 1;
  return 0;
}

uint32_t expected_sector_wipe(const PolarWipe& w, int m, uint32_t t) {
  double g = (t >> 1) * 0.125;
  int a = angle_of(m);
  int wave = static_cast<int>(3 * g + g * std::sin(g + a * 0.098173964264677));
  if (wave <= radius_of(m)) return 0;
  int level = sector_level(a, t);
  return level == 2 ? w.sector[m] : level == 1 ? half(w.sector[m]) : 0;
}

// Phase 2's level of spiral step k at tick t.
int arm_level(int k, uint32_t t) {
  int64_t h = static_cast<int64_t>(t) - 1200;
  int64_t n = h / 16;
  int64_t q = mod(k - h, 32);
  if (reached(q, 2, n - 2, 32)) return 2;
  return reached(q, 0, n, 32) ? 1 : 0;
}

uint32_t expected_spiral(const PolarWipe& w, int m, uint32_t t) {
  const uint32_t* window = w.swirl + 101 * 320;
  int level = arm_level(static_cast<int>(mod(angle_of(m) - radius_of(m) - 1, 256)), t);
  return level == 2 ? window[m] : level == 1 ? half(window[m]) + half(w.sector[m]) : w.sector[m];
}

// Column and row of the swirled picture at radius step k, angle step l.
void swirl_point(int k, int l, int64_t* column, int64_t* row) {
  double theta = 2 * l * 0.012319971190548208;
  *column = static_cast<int64_t>(k * std::cos(theta) + 160);
  *row = static_cast<int64_t>(k * std::sin(theta) + 201);
}

// The swirled picture's pixel at radius step k, angle step l; -1 outside it.
int64_t swirl_offset(int k, int l) {
  int64_t column, row;
  swirl_point(k, l, &column, &row);
  int64_t offset = column + 320 * row;
  return offset >= 0 && offset < 128000 ? offset : -1;
}

uint32_t scaled(uint32_t p, int level) {
  uint32_t r = ((p >> 16) & 255) * level >> 8, g = ((p >> 8) & 255) * level >> 8, b = (p & 255) * level >> 8;
  return r << 16 | g << 8 | b;
}

int low_byte(double v) { return static_cast<int>(static_cast<int64_t>(v) & 255); }

// The swirl at elapsed tick e, drawn with the previous frame's P and Q.
uint32_t expected_swirl(const PolarWipe& w, int m, uint32_t e, double P, double Q, bool* outside) {
  int d = radius_of(m);
  double s = 0.02 * d;
  int64_t turn = 128 + 255 * static_cast<int64_t>(e) / 1000;
  int angle_shift = low_byte(turn + Q * std::sin(3 * s + Q) * 0.06666666666666667);
  int radius_shift = low_byte(0.5 * Q * std::sin(7 * s - 2 * P) + 0.5 * Q);
  int level = low_byte(255 - 2.5 * Q + 2.2 * Q * std::sin(7 * s - 2 * P));
  int64_t offset = swirl_offset((d + radius_shift) & 255, (angle_of(m) + angle_shift) & 255);
  *outside = offset < 0;
  return offset < 0 ? 0 : scaled(w.swirl[offset], level);
}

class PolarWipeFrames : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(polar_wipe_open(w));
    for (uint32_t i = 0; i < kSwirlPixels; i++) w.swirl[i] = test_colour(i);
    // About one pixel in four of B is pure black, so empty pixels lie under
    // every sector and spoke.
    for (uint32_t i = 0; i < kFramePixels; i++) w.sector[i] = (i * 7919u) % 4 == 1 ? 0 : test_colour(i + 900000);
  }
  static void TearDownTestSuite() { polar_wipe_close(w); }

  template <typename Expected>
  void expect_frame(const char* what, uint32_t t, Expected expected) {
    std::vector<uint32_t> want(kFramePixels);
    for (int m = 0; m < kFramePixels; m++) want[m] = expected(m);
    std::string where;
    EXPECT_EQ(count_differences(w.frame, want.data(), kFramePixels, &where), 0) << what << " at " << t << where;
  }

  static PolarWipe w;
};
PolarWipe PolarWipeFrames::w;

int count_non_black(const uint32_t* frame) {
  int n = 0;
  for (int m = 0; m < kFramePixels; m++) n += frame[m] != 0;
  return n;
}

TEST_F(PolarWipeFrames, SectorWipeIsBlackBeforeTickTwo) {
  for (uint32_t t : {0u, 1u}) {
    render_sector_wipe(w, t);
    EXPECT_EQ(count_non_black(w.frame), 0) << t;
  }
  render_sector_wipe(w, 400);
  EXPECT_GT(count_non_black(w.frame), 1000);
}

TEST_F(PolarWipeFrames, SectorsSpokesAndWaveAtKnownTicks) {
  // From the first pixels near the centre, through sectors narrower and wider
  // than a quarter turn, to the last frame of the phase.
  for (uint32_t t : {6u, 40u, 130u, 333u, 700u, 1000u, 1279u}) {
    render_sector_wipe(w, t);
    expect_frame("sector wipe", t, [&](int m) { return expected_sector_wipe(w, m, t); });
  }
  // Both levels show: at tick 333 the sectors are 20 steps wide with spokes.
  render_sector_wipe(w, 333);
  int full = 0, halves = 0;
  for (int m = 0; m < kFramePixels; m++) {
    full += w.frame[m] != 0 && w.frame[m] == w.sector[m];
    halves += w.frame[m] != 0 && w.frame[m] == half(w.sector[m]);
  }
  EXPECT_GT(full, 1000);
  EXPECT_GT(halves, 1000);
}

TEST_F(PolarWipeFrames, PureBlackOfTheSectorPictureNeverShows) {
  for (uint32_t t = 3; t <= 1279; t += 37) {
    render_sector_wipe(w, t);
    int shown = 0;
    for (int m = 0; m < kFramePixels; m++) {
      if (w.sector[m] == 0) {
        EXPECT_EQ(w.frame[m], 0u) << m << " at " << t;
      }
      uint32_t f = w.frame[m];
      EXPECT_TRUE(f == 0 || f == w.sector[m] || f == half(w.sector[m])) << m << " at " << t;
      shown += f != 0;
    }
    if (t > 300) {
      EXPECT_GT(shown, 0) << t;
    }
  }
}

TEST_F(PolarWipeFrames, SpiralArmsAndAverages) {
  // Before tick 1,216 there are no arms: an early end of phase 1 shows B.
  for (uint32_t t : {900u, 1200u, 1215u}) {
    render_spiral_spread(w, t);
    std::string where;
    EXPECT_EQ(count_differences(w.frame, w.sector, kFramePixels, &where), 0) << t << where;
  }
  for (uint32_t t : {1264u, 1300u, 1333u, 1500u, 1777u, 1919u}) {
    render_spiral_spread(w, t);
    expect_frame("spiral", t, [&](int m) { return expected_spiral(w, m, t); });
  }
  // At 1,333 the arms are 8 steps wide: all three kinds of pixel show.
  render_spiral_spread(w, 1333);
  const uint32_t* window = swirl_window(w);
  int own = 0, averaged = 0, base = 0;
  for (int m = 0; m < kFramePixels; m++) {
    own += w.frame[m] == window[m];
    averaged += w.frame[m] == half(window[m]) + half(w.sector[m]);
    base += w.frame[m] == w.sector[m];
  }
  EXPECT_GT(own, 1000);
  EXPECT_GT(averaged, 1000);
  EXPECT_GT(base, 1000);
}

TEST_F(PolarWipeFrames, FirstSwirlFrameOnlyTurnsByHalfATurn) {
  SwirlMotion motion = {0.0, 0.0};
  render_swirl(w, &motion, 0);
  bool outside;
  expect_frame("first swirl frame", 0, [&](int m) { return expected_swirl(w, m, 0, 0.0, 0.0, &outside); });
  // No wobble, and the half turn cancels the angle map's own half turn: up
  // to two angle steps (255.5 and 255 to the turn) and the truncations, each
  // pixel shows the picture where W showed it.
  for (int m = 0; m < kFramePixels; m++) {
    int d = radius_of(m);
    int64_t column, row;
    swirl_point(d, (angle_of(m) + 128) & 255, &column, &row);
    double dx = column - (160 + pixel_x(m)), dy = row - (201 + pixel_y(m));
    ASSERT_LE(std::hypot(dx, dy), 2.0 + d * 4 * std::numbers::pi / 255) << m;
  }
}

TEST_F(PolarWipeFrames, SwirlMotionRisesAndFalls) {
  struct {
    uint32_t e;
    double P, Q;
  } cases[] = {{0, 0.0, 0.0},
               {250, 250 / 15.0, 250 / 15.0},
               {499, 499 / 15.0, 499 / 15.0},
               {500, 500 / 15.0, 500 / 15.0},
               {750, 50.0, 250 / 15.0},
               {1000, 1000 / 15.0, 0.0},
               {1003, 1003 / 15.0, 0.0}};
  for (auto c : cases) {
    SwirlMotion motion = {0.0, 0.0};
    render_swirl(w, &motion, c.e);
    EXPECT_NEAR(motion.P, c.P, 1e-9) << c.e;
    EXPECT_NEAR(motion.Q, c.Q, 1e-9) << c.e;
  }
}

TEST_F(PolarWipeFrames, WobblingSwirlAndItsBlackOutsideSamples) {
  for (uint32_t e : {37u, 160u, 339u, 500u, 661u, 999u}) {
    SwirlMotion motion = {0.0, 0.0};
    render_swirl(w, &motion, e - 1);
    SwirlMotion previous = motion;
    render_swirl(w, &motion, e);
    int outside_samples = 0;
    expect_frame("swirl", e, [&](int m) {
      bool outside;
      uint32_t p = expected_swirl(w, m, e, previous.P, previous.Q, &outside);
      outside_samples += outside;
      return p;
    });
    // Every pixel of the test picture has a colour: a black frame pixel is a
    // sample from outside the picture, and strong wobble reaches past it.
    int black = 64000 - count_non_black(w.frame);
    EXPECT_EQ(black, outside_samples) << e;
    // Late in the swirl the corners turn towards the vertical while the
    // wobble still stretches them past the picture's top and bottom.
    if (e == 661) {
      EXPECT_GT(outside_samples, 10);
    }
  }
}

}  // namespace
