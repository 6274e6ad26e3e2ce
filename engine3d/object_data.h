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
#include <cstdint>

constexpr size_t kObjectDataHeaderBytes = 4;

// Bytes of a model with V vertices and F faces.
// Where the face corners and the texture coordinates start.
constexpr size_t object_data_faces_offset(size_t vertices) { return kObjectDataHeaderBytes + 6 * vertices; }
constexpr size_t object_data_texture_offset(size_t vertices, size_t faces) {
  return object_data_faces_offset(vertices) + 6 * faces;
}

// Stores the low 16 bits of v little-endian (a coordinate, count or index).
inline void object_data_store16(uint8_t* p, int v) {
  p[0] = static_cast<uint8_t>(v & 255);
  p[1] = static_cast<uint8_t>((v >> 8) & 255);
}

constexpr size_t object_data_bytes(size_t vertices, size_t faces, bool with_texture_coordinates) {
  return object_data_texture_offset(vertices, faces) + (with_texture_coordinates ? 2 * vertices : 0);
}
