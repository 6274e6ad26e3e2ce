// Helpers for the front end's tests: model bytes written field by field,
// and a world with one object ready to draw into a small target.
#pragma once
#include <cstdint>
#include <vector>

// ObjectData built from vertices, faces and (optionally) texture pairs.
struct ModelBytes {
  struct V {
    int x, y, z;
  };
  struct F {
    int a, b, c;
  };
  struct T {
    int u, v;
  };
  std::vector<uint8_t> bytes;
  ModelBytes(const std::vector<V>& vertices, const std::vector<F>& faces, const std::vector<T>& texels);
};
