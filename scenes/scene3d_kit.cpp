#include "scenes/scene3d_kit.h"

#include <cmath>
#include <numbers>

#include "base/trig.h"
#include "engine3d/faces.h"
#include "engine3d/raster.h"
#include "engine3d/texture.h"
#include "scenes/scenes.h"

bool SceneWorld::open() {
  open_ = world_init(&world) == 0;
  return open_;
}

void SceneWorld::release() {
  if (!open_) return;
  world_destroy_objects(&world);
  world_release(&world);
  open_ = false;
}

bool LoadedTexture::load(PictureRole role, uint8_t* palette) {
  std::free(buffer);
  Blob b = picture_data(role);
  buffer = b.data ? texture_load(b.data, b.size, palette) : nullptr;
  return buffer != nullptr;
}

uint8_t* LoadedTexture::texels() const {
  return buffer ? static_cast<uint8_t*>(const_cast<void*>(texture_origin(buffer))) : nullptr;
}

uint32_t* texels32(void* buffer) { return static_cast<uint32_t*>(const_cast<void*>(texture_origin(buffer))); }

int set_up_failed(SceneSetUp set_up) {
  switch (set_up) {
    case kSetUpBadData: return kSceneBadObjectData;
    case kSetUpNoNormals: return kSceneNoNormals;
    default: return kSceneNoMemory;
  }
}

Point3 ring_position(const RingShape& shape, int k) {
  double a = 2 * std::numbers::pi * shape.turn_step * k;
  return {static_cast<int32_t>(trig_sin(a) * shape.radius_x),
          static_cast<int32_t>(trig_cos(k * shape.height_step) * shape.height),
          static_cast<int32_t>(trig_cos(a) * shape.radius_z)};
}

SceneSetUp world_add_model(World* world, const Blob& model, Object3D** object) {
  if (!object_data_fits(model.data, model.size, true)) return kSetUpBadData;
  Object3D* o = object_from_data(model.data, model.size, nullptr, true);
  if (!o) return kSetUpNoMemory;
  if (world_add(world, o) != 0) {
    object_free(o);
    return kSetUpNoMemory;
  }
  *object = o;
  return kSetUpDone;
}

SceneSetUp ring_build(World* world, const RingShape& shape, const Blob* models, int model_count) {
  for (int i = 0; i < shape.count; i++) {
    Object3D* o;
    const SceneSetUp added = world_add_model(world, models[i % model_count], &o);
    if (added != kSetUpDone) return added;
  }
  world_rewind(world);
  int k = shape.first_number;
  for (Object3D* o = world_next(world); o; o = world_next(world), k++) {
    if (!o->normals && object_build_normals(o) != 0) return kSetUpNoNormals;
    Point3 p = ring_position(shape, k);
    o->position_x = p.x;
    o->position_y = p.y;
    o->position_z = p.z;
  }
  return kSetUpDone;
}

int32_t spin_angle(int32_t step, uint32_t t) {
  // In 64 bits so that a late clock cannot overflow the product; C++'s %
  // truncates like the show's arithmetic.
  return static_cast<int32_t>(static_cast<int64_t>(step) * t % 1024);
}

void draw_ring(World* world, uint32_t t, RingTurn turn, bool environment_slot) {
  world_cull_and_sort(world);
  world_rewind(world);
  for (Object3D* o = world_next(world); o; o = world_next(world)) {
    texture_select(environment_slot ? o->texture2 : o->texture1, 1);
    turn(o, t);
    object_rotate(o);
    object_place_and_project(world, o);
    object_draw(o);
  }
}
