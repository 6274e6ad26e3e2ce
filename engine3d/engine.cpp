#include "engine3d/engine.h"

#include <cstdlib>
#include <cstring>

EngineState engine = {
    {},
    320, 200, 8,
    nullptr,
    0,
    {900, 10000, -400},
    0, 255, 256,
};

void engine_reset() {
  std::free(engine.depth_buffer);
  std::free(engine.rotated_normals);
  std::free(engine.view_vertices);
  std::free(engine.screen_points);
  std::free(engine.visible_faces);
  std::free(engine.face_keys);
  std::memset(&engine, 0, sizeof engine);
  engine.viewport_width = 320;
  engine.viewport_height = 200;
  engine.pixel_depth = 8;
  engine.light = {900, 10000, -400};
  engine.shade_min = 0;
  engine.shade_max = 255;
  engine.shade_range = 256;
}
