// The ObjectData format of the embedded models, its one home: the content
// generator writes it and object_from_data reads it.
//
// Little-endian, no padding:
//   offset 0           int16  V, vertices
//   offset 2           int16  F, faces
//   offset 4           int16  3V coordinates x, y, z, vertex after vertex
//   offset 4 + 6V      uint16 3F face corners (vertex indices 0..V-1)
//   offset 4 + 6V + 6F uint8  2V texture coordinates u, v, when the caller
//                             says they are there
#pragma once
#include <cstddef>

constexpr size_t kObjectDataHeaderBytes = 4;

// Bytes of a model with V vertices and F faces.
constexpr size_t object_data_bytes(size_t vertices, size_t faces, bool with_texture_coordinates) {
  return kObjectDataHeaderBytes + 6 * vertices + 6 * faces + (with_texture_coordinates ? 2 * vertices : 0);
}
