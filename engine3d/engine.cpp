#include "engine3d/engine.h"

#include <cstdlib>
#include <cstring>

namespace {

// The record is over 8 MB, almost all of it zero, so it starts zeroed and
// gets its few defaults here rather than from an initialiser that would put
// it whole into the program's data.
void set_defaults() {
  engine.viewport_width = 320;
  engine.viewport_height = 200;
  engine.pixel_depth = 8;
  engine.light = {900, 10000, -400};
  engine.shade_min = 0;
  engine.shade_max = 255;
  engine.shade_range = 256;
}

struct Defaults {
  Defaults() { set_defaults(); }
} defaults_at_start;

}  // namespace

EngineState engine;

void engine_reset() {
  std::free(engine.depth_buffer);
  std::free(engine.rotated_normals);
  std::free(engine.view_vertices);
  std::free(engine.screen_points);
  std::free(engine.visible_faces);
  std::free(engine.face_keys);
  std::memset(&engine, 0, sizeof engine);
  set_defaults();
}
