// Channel carries over every frame of the three scenes whose trails add
// pictures up in 32-bit pixels: the object ring, the whirl and the replayed
// object (faded frame plus render). The additions carry a channel past 255
// into its neighbour by design; the show's pictures are drawn so that no
// frame of these ever does. (The tunnel's ten bands may, rarely: its
// picture's test counts them.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/tables.h"
#include "scenes/object_ring.h"
#include "scenes/replayed_object.h"
#include "scenes/whirl_greetings.h"

namespace {

// 15/16 of each colour channel, rounded down; the top byte stays.
uint32_t faded(uint32_t p) {
  uint32_t out = p & 0xFF000000;
  for (int shift = 0; shift < 24; shift += 8) out |= (15 * (p >> shift & 255) >> 4) << shift;
  return out;
}

bool carries(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8)
    if ((a >> shift & 255) + (b >> shift & 255) > 255) return true;
  return false;
}

// Pixels of one fade-and-add of render onto display whose sum carried.
int fade_add_carries(const uint32_t* display, const uint32_t* render, int pixels) {
  int n = 0;
  for (int k = 0; k < pixels; k++) n += carries(faded(display[k]), render[k]);
  return n;
}

// The same from the display before and after the add: the addition is
// invertible, so the render pixel is after - faded(before). Pixels for which
// skip is true (written after the add) are not counted.
template <typename Skip>
int carries_between(const uint32_t* before, const uint32_t* after, int pixels, Skip skip) {
  int n = 0;
  for (int k = 0; k < pixels; k++)
    if (!skip(k)) n += carries(faded(before[k]), after[k] - faded(before[k]));
  return n;
}

TEST(TrailCarries, TheFadeAndAddCountsExactlyTheCarriedPixels) {
  // The fade's own examples: 240 fades to 225, plus 32 passes 255.
  const uint32_t display[3] = {0x101010, 0xF0F0F0, 0x0000F0};
  const uint32_t render[3] = {0x202020, 0x202020, 0x00001E};
  EXPECT_EQ(fade_add_carries(display, render, 3), 1);
  const uint32_t after[3] = {faded(display[0]) + render[0], faded(display[1]) + render[1], 0x0000FF};
  EXPECT_EQ(after[1], 0x01020201u) << "225 + 32 in every channel, each carrying into the next";
  EXPECT_EQ(carries_between(display, after, 3, [](int) { return false; }), 1);
  EXPECT_EQ(carries_between(display, after, 3, [](int k) { return k == 1; }), 0);
}

TEST(TrailCarries, NoFrameOfTheObjectRingCarries) {
  ObjectRing s{};
  ASSERT_EQ(object_ring_open(&s), kSetUpDone);
  std::vector<uint32_t> before(kTrailPixels);
  long total = 0;
  for (uint32_t t = kSceneStartTick[kSceneObjectRing]; t <= kObjectRingLimit; t++) {
    std::memcpy(before.data(), s.trails, kTrailPixels * 4);
    object_ring_frame(&s, t);
    total += carries_between(before.data(), s.trails, kTrailPixels, [](int) { return false; });
  }
  std::printf("object ring: %ld carried pixels\n", total);
  EXPECT_EQ(total, 0);
}

TEST(TrailCarries, NoFrameOfTheWhirlCarries) {
  WhirlGreetings s{};
  ASSERT_EQ(whirl_greetings_open(&s), kSetUpDone);
  long total = 0;
  for (uint32_t t = kSceneStartTick[kSceneWhirlGreetings]; t <= kWhirlGreetingsLimit; t++) {
    whirl_draw_objects(&s, t);
    greet_tick(&s.greet);
    render_whirl(&s);
    total += fade_add_carries(s.frame, s.render, kTrailPixels);
    whirl_compose(&s);
    int32_t m = kFadeEnd - static_cast<int32_t>(t);
    if (m <= 254) threshold_fade(&s, m);
  }
  std::printf("whirl: %ld carried pixels\n", total);
  EXPECT_EQ(total, 0);
}

TEST(TrailCarries, NoFrameOfTheReplayedObjectCarries) {
  build_mul_table();
  ReplayedObject s{};
  ASSERT_EQ(replayed_object_open(&s), kSetUpDone);
  prerender_animation(&s);
  std::vector<uint32_t> before(kFramePixels);
  // The corner is overwritten by the copy after the add: its pixels are
  // copies of counted ones.
  auto corner = [](int k) { return k / kFrameWidth < 50 && k % kFrameWidth < 80; };
  long total = 0;
  for (uint32_t t = kReplayWaitUntil + 1; t <= kReplayLimit; t++) {
    std::memcpy(before.data(), s.frame, kFrameBytes);
    replay_frame(&s, t, t);
    total += carries_between(before.data(), s.frame, kFramePixels, corner);
    if (t > kReplayFadeStart) fade_frame(s.frame, replay_fade_level(t));
  }
  std::printf("replayed object: %ld carried pixels\n", total);
  EXPECT_EQ(total, 0);
}

}  // namespace
