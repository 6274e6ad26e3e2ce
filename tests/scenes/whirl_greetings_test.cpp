// The whirl with the object ring and greetings: the whirl's tables, the text
// colours, glyphs and their wrap, the greetings' life, the final fade, and
// whole runs of the scene function on a fake clock against its routines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "data/content.h"
#include "engine3d/world.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"
#include "scenes/whirl_greetings.h"
#include "tests/scenes/scenes3d_support.h"
#include "tests/support/scene_run.h"

namespace {

TEST(TextColours, TenStepsOfNineTenthsDownFromTheBrightest) {
  const uint32_t expected[10] = {0x510D2D, 0x5A0F32, 0x651138, 0x71133F, 0x7E1646,
                                 0x8D194E, 0x9D1C57, 0xAF2061, 0xC3246C, 0xD92878};
  uint32_t colours[10];
  make_text_colours(colours);
  for (int i = 0; i < 10; i++) EXPECT_EQ(colours[i], expected[i]) << "entry " << i;
}

// A font whose cell for code c is solid ink and every other cell empty.
std::vector<uint8_t> solid_glyph_font(char c) {
  std::vector<uint8_t> font(kFramePixels, 0);
  int g = c - 32;
  for (int y = 0; y < kGlyphSize; y++)
    for (int x = 0; x < kGlyphSize; x++) font[(32 * (g / 10) + y) * kFrameWidth + 32 * (g % 10) + x] = 13;
  return font;
}

TEST(Glyphs, AGlyphAtColumn296SpillsIntoTheNextRowAtTheLeftEdge) {
  std::vector<uint8_t> font = solid_glyph_font('W');
  std::vector<uint32_t> frame(kFramePixels, 0);
  draw_glyph('W', 296, 20, 0xABCDEF, font.data(), frame.data());
  for (int y = 20; y < 52; y++) {
    for (int x = 296; x < 320; x++) EXPECT_EQ(frame[y * kFrameWidth + x], 0xABCDEFu) << x << "," << y;
    // The last eight columns of the cell row land at the start of the next frame row.
    for (int x = 0; x < 8; x++) EXPECT_EQ(frame[(y + 1) * kFrameWidth + x], 0xABCDEFu) << x << "," << y + 1;
    EXPECT_EQ(frame[(y + 1) * kFrameWidth + 8], 0u);
    EXPECT_EQ(frame[y * kFrameWidth + 295], 0u);
  }
  EXPECT_EQ(lit_pixels(frame.data()), 32 * 32);
}

TEST(Glyphs, OnlyInkIsDrawnAndOtherCodesDrawNothing) {
  std::vector<uint8_t> font = solid_glyph_font('A');
  font[(32 * 3) * kFrameWidth + 32 * 3] = 12;  // one non-ink pixel in the cell of 'A'
  std::vector<uint32_t> frame(kFramePixels, 0);
  draw_glyph('A', 0, 0, 7, font.data(), frame.data());
  EXPECT_EQ(frame[0], 0u);
  EXPECT_EQ(frame[1], 7u);
  EXPECT_EQ(lit_pixels(frame.data()), 32 * 32 - 1);
  std::vector<uint32_t> untouched(kFramePixels, 0);
  for (char c : {'B', 'a', '~', '\t'}) draw_glyph(static_cast<uint8_t>(c), 0, 0, 7, font.data(), untouched.data());
  EXPECT_TRUE(frame_is_black(untouched.data()));
}

TEST(Glyphs, AGlyphBelowTheFrameWritesNothingOutsideIt) {
  std::vector<uint8_t> font = solid_glyph_font('Z');
  // A guard band after the frame, as far as a glyph could reach.
  std::vector<uint32_t> frame(kFramePixels + 40 * kFrameWidth, 0);
  draw_glyph('Z', 310, 185, 0x123456, font.data(), frame.data());
  draw_glyph('Z', 0, 230, 0x123456, font.data(), frame.data());
  for (size_t m = kFramePixels; m < frame.size(); m++) ASSERT_EQ(frame[m], 0u) << "past the frame at " << m;
  // The part inside the frame is drawn: rows 185..199 from column 310, and
  // the wrapped columns on the rows below.
  EXPECT_EQ(frame[185 * kFrameWidth + 310], 0x123456u);
  EXPECT_EQ(frame[199 * kFrameWidth + 319], 0x123456u);
  EXPECT_EQ(frame[186 * kFrameWidth + 21], 0x123456u);
}

Greetings fresh_greetings() {
  Greetings g{};
  g.random = 1;
  return g;
}

TEST(Greetings, TheJitterIsTheSameEveryRunAndStaysWithinFivePixels) {
  Greetings a = fresh_greetings(), b = fresh_greetings();
  greet_start(&a, 40, 50, kGreetings[0], 120);
  greet_start(&b, 40, 50, kGreetings[0], 120);
  EXPECT_EQ(std::memcmp(a.dx, b.dx, sizeof a.dx), 0);
  EXPECT_EQ(std::memcmp(a.dy, b.dy, sizeof a.dy), 0);
  int seen[5] = {};
  for (int i = 0; i < kJitterPairs; i++) {
    ASSERT_LT(a.dx[i], 5);
    ASSERT_LT(a.dy[i], 5);
    seen[a.dx[i]]++;
  }
  for (int v = 0; v < 5; v++) EXPECT_GT(seen[v], 5) << "every offset occurs";
  // A new start draws new jitter from the same sequence.
  greet_start(&a, 40, 50, kGreetings[0], 120);
  EXPECT_NE(std::memcmp(a.dx, b.dx, sizeof a.dx), 0);
}

TEST(Greetings, ATextFadesInHoldsFadesOutAndTheNextOneStarts) {
  Greetings g = fresh_greetings();
  greet_start(&g, 40, 50, kGreetings[0], 120);
  for (int i = 0; i < 27; i++) greet_tick(&g);
  EXPECT_EQ(g.fade, 27);
  EXPECT_EQ(g.life, 93);
  for (int i = 0; i < 62; i++) greet_tick(&g);
  EXPECT_EQ(g.fade, 27) << "held";
  EXPECT_EQ(g.life, 31);
  greet_tick(&g);  // at life 31 both steps run
  EXPECT_EQ(g.fade, 26);
  EXPECT_EQ(g.life, 29);
  for (int i = 0; i < 28; i++) greet_tick(&g);
  EXPECT_EQ(g.fade, 0);
  EXPECT_EQ(g.life, 1);
  EXPECT_EQ(g.index, 0);
  greet_tick(&g);
  EXPECT_EQ(g.index, 1);
  EXPECT_EQ(g.text, kGreetings[1]);
  EXPECT_EQ(g.x, 0);
  EXPECT_GE(g.y, 30);
  EXPECT_LT(g.y, 80);
  EXPECT_EQ(g.life, 80);
}

TEST(Greetings, LinesStepRightAndAnEDrawsNothingButRestartsTheList) {
  std::vector<uint8_t> font(kFramePixels, 0);
  for (char c : {'A', 'B'}) {
    std::vector<uint8_t> one = solid_glyph_font(c);
    for (int m = 0; m < kFramePixels; m++) font[m] |= one[m];
  }
  uint32_t colours[10];
  make_text_colours(colours);
  Greetings g = fresh_greetings();
  greet_start(&g, 10, 20, "AeB\nA", 80);
  std::memset(g.dx, 0, sizeof g.dx);
  std::memset(g.dy, 0, sizeof g.dy);
  std::vector<uint32_t> frame(kFramePixels, 0);
  greet_draw(&g, colours, font.data(), frame.data());
  EXPECT_TRUE(frame_is_black(frame.data())) << "nothing at fade level 0";
  g.fade = 14;
  g.index = 4;
  greet_draw(&g, colours, font.data(), frame.data());
  EXPECT_EQ(g.index, -1);
  uint32_t c = colours[14 / 3];
  EXPECT_EQ(frame[20 * kFrameWidth + 10], c);       // A at x
  EXPECT_EQ(frame[20 * kFrameWidth + 10 + 32], 0u);  // the gap of "e"
  EXPECT_EQ(frame[20 * kFrameWidth + 10 + 64], c);  // B
  // After the newline the column is back at x and then steps on by 32.
  EXPECT_EQ(frame[52 * kFrameWidth + 42], c);
  EXPECT_EQ(frame[52 * kFrameWidth + 41], 0u);
  EXPECT_EQ(lit_pixels(frame.data()), 3 * 32 * 32);
}

// The whirl's half of the scene, without the engine.
struct WhirlOnly {
  WhirlGreetings s{};
  WhirlOnly() {
    s.whirl_source = s.memory.take<uint32_t>(70000);
    s.work = s.memory.take<uint32_t>(70000);
    s.maps = s.memory.take<PolarMaps>(1);
    s.lookup = s.memory.take<int32_t>(65536);
    for (int i = 0; i < 70000; i++) s.whirl_source[i] = (i * 2654435761u >> 8) | 0x010101;
    init_whirl_tables(&s);
  }
};

TEST(Whirl, TheFirstFrameWithZeroRippleTablesIsThePlainPolarView) {
  WhirlOnly w;
  WhirlGreetings& s = w.s;
  EXPECT_EQ(s.phase, 510.0);
  int shift = static_cast<int>(std::sin(510.0) * 20 + 256);
  render_whirl(&s);
  int checked = 0;
  for (int m = 0; m < kFramePixels; m += 37, checked++) {
    int px = m % kFrameWidth - 160, py = m / kFrameWidth - 100;
    double x = px * (5.0 / 6.0), y = py;
    int r = static_cast<int>(std::sqrt(x * x + y * y)) & 255;
    int d = static_cast<int>(r * (1 - 0.25 * std::sin(0.02 * px + 0.02 * py))) & 255;
    int a = static_cast<int>((std::atan2(y, x) + M_PI) * (255 / (2 * M_PI))) & 255;
    ASSERT_EQ(s.maps->radius[m], d) << m;
    ASSERT_EQ(s.maps->angle[m], a) << m;
    double rho = d / 3.0, phi = 2 * M_PI * a / 256;
    int offset = static_cast<int>(128 + rho * std::cos(phi)) + 256 * static_cast<int>(128 + rho * std::sin(phi));
    ASSERT_EQ(s.work[m], s.whirl_source[offset + shift]) << "pixel " << m;
  }
  EXPECT_GT(checked, 1000);
  EXPECT_DOUBLE_EQ(s.phase, 510.01);
}

TEST(Whirl, LaterFramesRippleByTheTablesOfTheFrameBefore) {
  WhirlOnly w;
  WhirlGreetings& s = w.s;
  render_whirl(&s);
  // Radius ripples lie between 4 and 88; the twist starts near P + 128.
  for (int n = 0; n < 256; n++) {
    EXPECT_GE(s.warp.radius_shift[n], 4);
    EXPECT_LE(s.warp.radius_shift[n], 88);
  }
  EXPECT_EQ(s.warp.angle_shift[0], static_cast<uint8_t>(static_cast<int>(510 + 35 * std::sin(510.0) + 128)));
  std::vector<uint32_t> first(s.work, s.work + kFramePixels);
  PolarWarp used = s.warp;
  render_whirl(&s);
  int shift = static_cast<int>(std::sin(510.01) * 20 + 256);
  for (int m = 0; m < kFramePixels; m++)
    ASSERT_EQ(s.work[m], s.whirl_source[warped_offset(*s.maps, used, s.lookup, m) + shift]) << m;
  int differ = 0;
  for (int m = 0; m < kFramePixels; m++) differ += first[m] != s.work[m];
  EXPECT_GT(differ, kFramePixels / 2);
}

TEST(FinalFade, ThresholdsAboveMGoBlack) {
  std::vector<uint8_t> threshold(kFramePixels);
  uint8_t palette[768];
  ASSERT_EQ(load_picture(PIC_FADE_THRESHOLD, threshold.data(), threshold.size(), palette), -1);
  WhirlGreetings s{};
  s.threshold = threshold.data();
  std::vector<uint32_t> frame(kFramePixels);
  s.frame = frame.data();
  int at_most_1 = 0, top = 0;
  for (uint8_t v : threshold) {
    at_most_1 += v <= 1;
    top = std::max<int>(top, v);
  }
  EXPECT_EQ(top, 222);
  ASSERT_GT(at_most_1, 0);
  for (int32_t m : {254, 230, 222}) {
    std::fill(frame.begin(), frame.end(), 0x808080u);
    threshold_fade(&s, m);
    EXPECT_EQ(lit_pixels(frame.data()), kFramePixels) << "m " << m << " blacks nothing out";
  }
  std::fill(frame.begin(), frame.end(), 0x808080u);
  threshold_fade(&s, 221);
  EXPECT_LT(lit_pixels(frame.data()), kFramePixels);
  // The last frame, at tick 13,121: m = 1.
  std::fill(frame.begin(), frame.end(), 0x808080u);
  threshold_fade(&s, kFadeEnd - 13121);
  EXPECT_EQ(lit_pixels(frame.data()), at_most_1);
  for (int m = 0; m < kFramePixels; m++) {
    if (frame[m]) {
      ASSERT_LE(threshold[m], 1) << m;
    }
  }
}

// The camera rocks upside down (roll 1056 - (|t mod 1024 - 512| >> 3)),
// drifts (eye x = 3970 sin(2 pi t / 1024), y = 1280 cos sin(t pi / 1024),
// z = 7970 cos(3 pi t / 1024) sin(2 pi t / 1024)) and looks along (0, 0,
// 65535) turned by (2, t >> 2, roll); the objects turn by z = (t >> 1),
// y = (y >> 13) t and x = (x >> 12) t, all mod 1024 with truncation.
TEST(WhirlGreetingsScene, CameraAndObjectAnglesFollowTheClock) {
  WhirlGreetings s{};
  ASSERT_EQ(whirl_greetings_open(&s), kSetUpDone);
  const struct {
    uint32_t t;
    int32_t roll;
    Point3 eye, target;
  } cases[] = {{11000, 1025, {-3965, -639, -6027}, {56269, -691, -31845}},
               {12500, 1019, {3826, 616, -2852}, {-17079, -787, 59243}},
               {13000, 1031, {-3737, -602, -7232}, {-61870, 1525, 22947}}};
  for (const auto& c : cases) {
    whirl_draw_objects(&s, c.t);
    const World& w = s.world.world;
    EXPECT_EQ(w.roll, c.roll) << c.t;
    EXPECT_EQ(w.eye_x, c.eye.x) << c.t;
    EXPECT_EQ(w.eye_y, c.eye.y) << c.t;
    EXPECT_EQ(w.eye_z, c.eye.z) << c.t;
    EXPECT_EQ(w.target_x, c.target.x) << c.t;
    EXPECT_EQ(w.target_y, c.target.y) << c.t;
    EXPECT_EQ(w.target_z, c.target.z) << c.t;
  }
  // At tick 11000, by ring position (x, y): objects 0 and 10, 5, and 13 and 17.
  const struct {
    int32_t x, y;
    int32_t angle_x, angle_y, angle_z;
  } objects[] = {{0, 3700, 0, 0, 380}, {17000, 3700, 992, 0, 380}, {-13753, -2993, -992, -760, 380}};
  whirl_draw_objects(&s, 11000);
  World& w = s.world.world;
  int found = 0;
  world_rewind(&w);
  for (Object3D* o = world_next(&w); o; o = world_next(&w))
    for (const auto& e : objects) {
      if (o->position_x != e.x || o->position_y != e.y) continue;
      found++;
      EXPECT_EQ(o->angle_x, e.angle_x) << e.x;
      EXPECT_EQ(o->angle_y, e.angle_y) << e.x;
      EXPECT_EQ(o->angle_z, e.angle_z) << e.x;
    }
  EXPECT_EQ(found, 5);
}

// A whole run recorded by run_scene, drawn again by the frame routines from
// its own clock readings. Per frame: the start reading, the poll, the limit
// test, the frame's tick, the text's reading, the fade test (and m).
std::vector<uint64_t> replay(const SceneRun& run, int* fading_frames) {
  WhirlGreetings s{};
  EXPECT_EQ(whirl_greetings_open(&s), kSetUpDone);
  std::vector<uint64_t> hashes;
  size_t e = 0, r = 0;
  while (run.events.compare(e, 6, "TPTTTT") == 0) {
    uint32_t start = run.readings[r], t = run.readings[r + 2], text = run.readings[r + 3];
    uint32_t fade = run.readings[r + 4];
    e += 6, r += 5;
    whirl_draw_objects(&s, t);
    for (uint32_t n = text - start; n > 0; n--) greet_tick(&s.greet);
    render_whirl(&s);
    whirl_compose(&s);
    if (kFadeEnd - static_cast<int64_t>(fade) <= 254) {
      EXPECT_EQ(run.events[e], 'T');
      int64_t m = kFadeEnd - static_cast<int64_t>(run.readings[r]);
      threshold_fade(&s, m < 0 ? 0 : static_cast<int32_t>(m));
      e++, r++;
      ++*fading_frames;
    }
    EXPECT_EQ(run.events[e], 'F');
    e++;
    hashes.push_back(frame_hash(s.frame));
  }
  EXPECT_EQ(run.events.substr(e), "TPTFP") << "the limit ends the loop; a black frame; the closing poll";
  std::memset(s.frame, 0, kFrameBytes);
  hashes.push_back(frame_hash(s.frame));
  return hashes;
}

TEST(WhirlGreetingsScene, EveryPresentedFrameIsTheRoutinesAtItsTicksAndTheFadeEatsTheEnd) {
  SceneRun run;
  run.first_tick = 12820;
  run.ticks_per_reading = 1;
  run.keep_frames = true;
  EXPECT_EQ(run_scene(scene_whirl_greetings, &run), 1);
  int fading = 0;
  std::vector<uint64_t> expected = replay(run, &fading);
  ASSERT_GT(run.presents, 40);
  EXPECT_TRUE(expected == run.frame_hashes);
  EXPECT_GT(fading, 30);
  EXPECT_GT(run.readings.back(), kWhirlGreetingsLimit);

  // Bit-identical from run to run: the jitter does not depend on anything
  // outside the scene.
  SceneRun again;
  again.first_tick = 12820;
  again.keep_frames = true;
  EXPECT_EQ(run_scene(scene_whirl_greetings, &again), 1);
  EXPECT_TRUE(again.frame_hashes == run.frame_hashes);
}

TEST(WhirlGreetingsScene, EnteredLateOrEscapedItEndsWithABlackFrame) {
  SceneRun late;
  late.first_tick = kWhirlGreetingsLimit + 1;
  late.keep_frames = true;
  EXPECT_EQ(run_scene(scene_whirl_greetings, &late), 1);
  EXPECT_EQ(late.events, "TPTFP");
  std::vector<uint32_t> black(kFramePixels, 0);
  EXPECT_EQ(late.frame_hashes.back(), frame_hash(black.data()));
  for (int escapes : {1, 2}) {
    SceneRun run;
    run.first_tick = 11000;
    run.escape_polls = {1};
    if (escapes == 2) run.escape_polls.insert(2);
    EXPECT_EQ(run_scene(scene_whirl_greetings, &run), escapes == 2 ? 0 : 1);
    EXPECT_EQ(run.events, "TPTTTTFTPFP");
  }
}

}  // namespace
