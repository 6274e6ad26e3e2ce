// A small ray tracer for the rendered pictures: spheres of clear ice on a
// frozen lake under the night sky, one ray per pixel.
#pragma once
#include <vector>

#include "tools/gen_content/raster.h"

struct V3f {
  float x, y, z;
};

struct Sphere {
  V3f centre;
  float radius;
  Rgb tint;           // colour the light takes on through the ice
  float reflectivity; // extra mirror share on top of the Fresnel term
  float clarity;      // 1 = clear, 0 = frosted (takes more of the tint)
};

struct Scene {
  std::vector<Sphere> spheres;  // standing on the lake at y = 0
};

struct Camera {
  V3f eye, target;
  float zoom;  // tangent of half the horizontal view angle
};

// Renders the scene into the whole image.
void render(const Scene& scene, const Camera& camera, Image& image);
