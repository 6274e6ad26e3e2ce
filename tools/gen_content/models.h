// The show's four polygon models, built from parametric shapes and written
// in the engine's object data layout.
#pragma once
#include <cstdint>
#include <vector>

#include "data/content.h"

struct MeshVertex {
  double x, y, z;
  uint8_t u, v;  // texture coordinates
};

struct Mesh {
  std::vector<MeshVertex> vertices;
  std::vector<int> faces;  // three vertex indices per triangle
};

// The mesh of a model. Faces are wound so that, in stored order, (P1 - P0) x
// (P2 - P0) points out of the model: the loader swaps the first and third
// index, and the renderer keeps faces that then run clockwise on screen,
// which are exactly the faces turned towards the viewer.
Mesh model_mesh(ModelId model);

// Object data bytes: vertex and face counts, int16 coordinates (rounded),
// uint16 face indices, then u, v bytes per vertex.
std::vector<uint8_t> model_object_data(ModelId model);
