// Arbitrary bytes as model data: the first byte says whether texture
// coordinates follow and how the object is drawn, the rest is the model.
// The reader must refuse what its counts or indices do not cover (exactly
// what object_data_fits refuses); an accepted model is given normals and
// drawn through the whole front end into a small target at both pixel
// depths.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine3d/engine.h"
#include "engine3d/faces.h"
#include "engine3d/object.h"
#include "engine3d/raster.h"
#include "engine3d/world.h"

namespace {

constexpr int32_t kModes[] = {1, 2, 4, 6, 8, 12, 16, 68};

std::vector<uint8_t> texture(1024 + 4 * 65536, 5);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  const bool with_texture = control & 1;
  World w;
  if (world_init(&w) != 0) return 0;
  Object3D* o = object_from_data(data + 1, size - 1, nullptr, with_texture);
  // The scenes tell bad data from memory that ran out by this check.
  if (object_data_fits(data + 1, size - 1, with_texture) != (o != nullptr)) std::abort();
  if (o && world_add(&w, o) == 0 && object_build_normals(o) == 0) {
    const int depth = control & 2 ? 32 : 8;
    std::vector<uint32_t> frame(64 * 40);
    viewport_set(64, 40, depth);
    render_target_set(frame.data());
    if (control & 4) depth_buffer_alloc(true);
    o->render_flags = kModes[(control >> 3) & 7];
    if (!with_texture && (o->render_flags & 4)) o->render_flags = 1;
    o->texture1 = o->texture2 = texture.data();
    w.eye_z = 1000 + ((control >> 6) * 6000);
    w.target_x = 0;
    o->angle_x = control * 37, o->angle_y = control * 11;
    world_draw(&w);
    for (int b = 0; b < kFaceBucketCount; b++)
      if (engine.bucket_count[b] != 0) std::abort();
    depth_buffer_alloc(false);
    world_destroy_objects(&w);
  } else if (o) {
    world_remove(&w, o);
    object_free(o);
  }
  world_release(&w);
  return 0;
}
