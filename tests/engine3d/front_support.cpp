#include "tests/engine3d/front_support.h"

#include "engine3d/object_data.h"

ModelBytes::ModelBytes(const std::vector<V>& vertices, const std::vector<F>& faces, const std::vector<T>& texels) {
  bytes.resize(object_data_bytes(vertices.size(), faces.size(), false) + 2 * texels.size());
  object_data_store16(&bytes[0], static_cast<int>(vertices.size()));
  object_data_store16(&bytes[2], static_cast<int>(faces.size()));
  uint8_t* p = &bytes[kObjectDataHeaderBytes];
  for (const V& v : vertices) object_data_store16(p, v.x), object_data_store16(p + 2, v.y), object_data_store16(p + 4, v.z), p += 6;
  for (const F& f : faces) object_data_store16(p, f.a), object_data_store16(p + 2, f.b), object_data_store16(p + 4, f.c), p += 6;
  for (const T& t : texels) *p++ = static_cast<uint8_t>(t.u), *p++ = static_cast<uint8_t>(t.v);
}
