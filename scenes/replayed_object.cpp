// Replayed object with time waves, the seventh scene (until show tick 16,191
// or the end of the music).
#include "scenes/replayed_object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/clock.h"
#include "base/tables.h"
#include "base/trig.h"
#include "display/display.h"
#include "engine3d/faces.h"
#include "engine3d/frame_blend.h"
#include "engine3d/raster.h"
#include "engine3d/texture.h"
#include "player/playback.h"
#include "scenes/scenes.h"

namespace {

constexpr int kRenderRows = kFrameHeight + 1;
constexpr int32_t kEyeZ = 20000;
constexpr int32_t kObjectZ = 10000;
constexpr int kPresentsPerFrame = 4;
constexpr double kWavePerUnit = 0.00039269908169872416;  // pi / 8000

// The combined palette is dimmed to 5/13 (green 5/14) as it becomes pixels,
// so that the trails, which settle near 16 times their input, stay in a byte.
uint32_t display_colour(const uint8_t* c) {
  return static_cast<uint32_t>(c[0] * 0.3846153846153846) << 16 |
         static_cast<uint32_t>(c[1] * 0.35714285714285715) << 8 | static_cast<uint32_t>(c[2] * 0.3846153846153846);
}

// The object's pose in animation frame k: a full turn about y over the 256
// frames, rocking about x and z.
void pose(Object3D* o, int k) {
  double phi = k * 0.02454369260617026;  // pi / 128
  o->angle_x = static_cast<int32_t>(trig_sin(phi) * 128 + 640);
  o->angle_y = 4 * k;
  o->angle_z = static_cast<int32_t>(trig_sin(phi) * 64 + 128);
}

}  // namespace

SceneSetUp replayed_object_open(ReplayedObject* s) {
  s->animation = s->memory.take<uint8_t>(static_cast<size_t>(kAnimationFrames) * kAnimationFrameBytes);
  s->render = s->memory.take<uint32_t>(kRenderRows * kFrameWidth);
  s->frame = s->memory.take<uint32_t>(kFramePixels);
  if (s->memory.failed || !s->world.open()) return kSetUpNoMemory;
  if (!s->environment.load(PIC_ENV_TEXTURE, s->environment_palette) || !s->main.load(PIC_MAIN_TEXTURE, s->main_palette))
    return kSetUpNoMemory;
  texture_select(s->environment.buffer, 2);
  texture_select(s->main.buffer, 1);
  texture_quantize(s->main.buffer, 16, 4);
  palette_combine(s->environment_palette, s->main_palette, s->combined_palette, 16, 4);
  World& w = s->world.world;
  Object3D* o;
  if (const SceneSetUp added = world_add_model(&w, model_data(MODEL_D), &o); added != kSetUpDone)
    return added;
  w.eye_z = kEyeZ;
  o->texture2 = s->environment.buffer;
  o->texture1 = s->main.buffer;
  if (!o->normals && object_build_normals(o) != 0) return kSetUpNoNormals;
  o->position_z = kObjectZ;
  o->render_flags = kModeTextureEnvironment;
  fade_table_init();
  for (int n = 0; n < 256; n++) s->colours[n] = display_colour(s->combined_palette + 3 * n);
  viewport_set(kAnimationWidth, kAnimationHeight, 8);
  return kSetUpDone;
}

void prerender_animation(ReplayedObject* s) {
  World& w = s->world.world;
  for (int k = 0; k < kAnimationFrames; k++) {
    uint8_t* target = s->animation + static_cast<size_t>(k) * kAnimationFrameBytes;
    std::memset(target, 0, kAnimationFrameBytes);
    render_target_set(target);
    world_cull_and_sort(&w);
    world_rewind(&w);
    for (Object3D* o = world_next(&w); o; o = world_next(&w)) {
      pose(o, k);
      object_rotate(o);
      object_place_and_project(&w, o);
      object_draw(o);
    }
  }
}

int32_t wave_amplitude(uint32_t c1) {
  uint32_t W = c1 * 160;
  return std::abs(static_cast<int32_t>((W / 2560) % 32) - 16) + 5;
}

void replay_frame(ReplayedObject* s, uint32_t c1, uint32_t c2) {
  s->frame_count++;
  uint32_t W = c1 * 160;
  uint32_t F = base_animation_frame(c2);
  int32_t a = wave_amplitude(c1);
  // Every other pair of frames the picture sits one row lower.
  int first_row = (s->frame_count & 2) ? 1 : 0;
  for (int L = 0; L < kAnimationHeight; L++) {
    uint32_t o = static_cast<uint32_t>(kAnimationWidth * L);
    int32_t h = static_cast<int32_t>((trig_sin((W + o) * kWavePerUnit) + 1.0) * a);
    const uint8_t* line = s->animation + static_cast<size_t>((h + F) % 256) * kAnimationFrameBytes + o;
    expand_2x_smooth(s->render + (2 * L + first_row) * kFrameWidth, line, kAnimationWidth, s->colours);
  }
  frame_fade_add(nullptr, s->render, s->frame, kFramePixels);
  corner_copy(s->frame);
}

void corner_copy(uint32_t* frame) {
  for (int j = 0; j < 50; j++)
    for (int n = 0; n < 80; n++) frame[j * kFrameWidth + n] = frame[4 * j * kFrameWidth + 4 * n];
}

int32_t replay_fade_level(uint32_t clock) {
  uint32_t past = clock - kReplayFadeStart;
  return 255 - static_cast<int32_t>(past < 255 ? past : 255);
}

void fade_frame(uint32_t* frame, int32_t level) {
  const uint16_t* scale = MulTable + level * 256;
  for (int i = 0; i < kFramePixels; i++) {
    uint32_t p = frame[i];
    frame[i] = (p & 0xFF000000) | static_cast<uint32_t>(scale[(p >> 16) & 255] >> 8) << 16 |
               static_cast<uint32_t>(scale[(p >> 8) & 255] >> 8) << 8 | scale[p & 255] >> 8;
  }
}

int scene_replayed_object() {
  ReplayedObject s{};
  const SceneSetUp set_up = replayed_object_open(&s);
  if (set_up != kSetUpDone) return set_up_failed(set_up);
  prerender_animation(&s);
  // Nothing is drawn while waiting; an Escape here only ends the wait. Each
  // round sleeps at most a tick, so Escape is still seen at once.
  while (!display_poll_escape() && show_ticks() <= kReplayWaitUntil) show_clock_doze(kReplayWaitUntil + 1);
  for (;;) {
    if (display_poll_escape()) break;
    if (show_ticks() > kReplayLimit || pt_speed() == 0) break;
    uint32_t c1 = show_ticks();
    uint32_t c2 = show_ticks();
    replay_frame(&s, c1, c2);
    uint32_t clock = show_ticks();
    if (clock > kReplayFadeStart) fade_frame(s.frame, replay_fade_level(clock));
    for (int i = 0; i < kPresentsPerFrame; i++) display_present(s.frame);
  }
  s.world.release();
  s.memory.release();
  return scene_closing_poll();
}
