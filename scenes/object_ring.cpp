// Object ring with trails, the fourth scene (until show tick 10,451).
#include "scenes/object_ring.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "base/clock.h"
#include "base/trig.h"
#include "display/display.h"
#include "engine3d/frame_blend.h"
#include "engine3d/raster.h"
#include "engine3d/texture.h"
#include "scenes/scenes.h"

const RingShape kObjectRingShape = {kRingObjects, 1, 0.1, 13076.923076923076, 20769.230769230766,
                                    769.2307692307692, 2.5132741228718345};

namespace {

constexpr size_t kPictureBytes = 320000;
constexpr int kTrailRows = 400;
constexpr int32_t kEyeZ = 8000;

// The palettes are scaled before the conversion halves them, so that a
// steady picture under the trails (which settle near 16 times their input)
// stays within a byte.
constexpr double kTextureScale = 0.8333333333333334;
constexpr double kBackgroundScale = 0.5263157894736842;
constexpr int kHalvingShift = 3;

void scale_palette(uint8_t* palette, double factor) {
  for (int i = 0; i < 768; i++) palette[i] = static_cast<uint8_t>(palette[i] * factor);
}

// Objects spin about z by x >> 13 and about y by z >> 13 per tick, so those
// standing on the axes keep one angle at 0.
void ring_turn(Object3D* o, uint32_t t) {
  o->angle_z = spin_angle(o->position_x >> 13, t);
  o->angle_y = spin_angle(o->position_z >> 13, t);
}

bool take_buffers(ObjectRing* s) {
  s->indices = s->memory.take<uint8_t>(kPictureBytes);
  s->texture = s->memory.take<uint32_t>(kPictureBytes / 4);
  s->background = s->memory.take<uint32_t>(kPictureBytes / 4);
  if (s->memory.failed || !s->world.open()) return false;
  s->world.world.eye_z = kEyeZ;
  s->render = s->memory.take<uint32_t>(kFramePixels);
  s->trails = s->memory.take<uint32_t>(kTrailRows * kFrameWidth);
  return !s->memory.failed;
}

// False when the texture map cannot be loaded (memory ran out).
bool load_pictures(ObjectRing* s) {
  LoadedTexture map;
  if (!map.load(PIC_RING_TEXTURE, s->palette)) return false;
  scale_palette(s->palette, kTextureScale);
  palette_to_rgb32(map.texels(), s->palette, texels32(s->texture), 65536, kHalvingShift);
  texture_select(s->texture, 1);
  load_picture(PIC_FINAL, s->indices, kPictureBytes, s->palette);
  scale_palette(s->palette, kBackgroundScale);
  palette_to_rgb32(s->indices, s->palette, s->background, kFramePixels, kHalvingShift);
  return true;
}

}  // namespace

SceneSetUp object_ring_open(ObjectRing* s) {
  if (!take_buffers(s)) return kSetUpNoMemory;
  render_target_set(s->render);
  if (!load_pictures(s)) return kSetUpNoMemory;
  const Blob models[2] = {model_data(MODEL_A), model_data(MODEL_B)};
  const SceneSetUp built = ring_build(&s->world.world, kObjectRingShape, models, 2);
  if (built != kSetUpDone) return built;
  world_rewind(&s->world.world);
  for (Object3D* o = world_next(&s->world.world); o; o = world_next(&s->world.world)) {
    o->render_flags = kModeEnvironment;
    o->texture1 = o->texture2 = s->texture;
  }
  viewport_set(kFrameWidth, kFrameHeight, 32);
  fade_table_init();
  return kSetUpDone;
}

void object_ring_frame(ObjectRing* s, uint32_t t) {
  s->tick = t;
  World& w = s->world.world;
  // The camera stays put; its target circles once every 1,024 ticks and
  // nods once every 2,048.
  w.target_x = static_cast<int32_t>(-w.eye_x + 14096 * trig_cos(t * (std::numbers::pi / 512)));
  w.target_y = static_cast<int32_t>(-w.eye_y + 1096 * trig_cos(t * (std::numbers::pi / 1024)));
  w.target_z = static_cast<int32_t>(-w.eye_z + 14096 * trig_sin(t * (std::numbers::pi / 512)));
  render_target_set(s->render);
  draw_ring(&w, t, ring_turn, false);
  frame_fade_add(s->background, s->render, s->trails, kTrailPixels);
}

uint32_t ring_window_row(uint32_t t) {
  if (t <= kRingSlideStart) return 0;
  // The loop's last frame may read the clock a little past its limit; the
  // window never leaves the 400 rows of the trail buffer.
  uint32_t row = t - kRingSlideStart;
  return row < kFrameHeight ? row : kFrameHeight;
}

const uint32_t* object_ring_window(const ObjectRing& s, uint32_t t) {
  return s.trails + ring_window_row(t) * kFrameWidth;
}

int scene_object_ring() {
  ObjectRing s{};
  const SceneSetUp set_up = object_ring_open(&s);
  if (set_up != kSetUpDone) return set_up_failed(set_up);
  while (frame_goes_on(kObjectRingLimit)) {
    uint32_t t = show_ticks();
    object_ring_frame(&s, t);
    display_present(object_ring_window(s, t));
  }
  s.world.release();
  s.memory.release();
  return scene_closing_poll();
}
