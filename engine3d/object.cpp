#include "engine3d/object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine3d/object_data.h"

static int32_t read_s16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}
static int32_t read_u16(const uint8_t* p) { return p[0] | p[1] << 8; }

Object3D* object_alloc(int32_t vertices, int32_t faces, bool with_texture_coordinates) {
  if (vertices < 0 || faces < 0 || vertices > kMaxVertices || faces > kMaxFaces) return nullptr;
  auto* o = static_cast<Object3D*>(std::calloc(1, sizeof(Object3D)));
  if (!o) return nullptr;
  // One extra element keeps a zero count from meeting malloc(0)'s null.
  o->vertices = static_cast<Point3*>(std::malloc(sizeof(Point3) * (vertices + 1)));
  o->faces = static_cast<int32_t(*)[4]>(std::malloc(sizeof(int32_t[4]) * (faces + 1)));
  if (with_texture_coordinates)
    o->texture_coords = static_cast<int32_t(*)[2]>(std::malloc(sizeof(int32_t[2]) * (vertices + 1)));
  if (!o->vertices || !o->faces || (with_texture_coordinates && !o->texture_coords)) {
    object_free(o);
    return nullptr;
  }
  o->vertex_count = vertices;
  o->face_count = faces;
  return o;
}

bool object_data_fits(const uint8_t* data, size_t size, bool with_texture_coordinates) {
  if (!data || size < kObjectDataHeaderBytes) return false;
  const int32_t v = read_s16(data), f = read_s16(data + 2);
  if (v < 0 || f < 0 || v > kMaxVertices || f > kMaxFaces) return false;
  if (size < object_data_bytes(v, f, with_texture_coordinates)) return false;
  const uint8_t* corners = data + object_data_faces_offset(v);
  for (int32_t i = 0; i < 3 * f; i++)
    if (read_u16(corners + 2 * i) >= v) return false;
  return true;
}

Object3D* object_from_data(const uint8_t* data, size_t size, Object3D* object, bool with_texture_coordinates) {
  // Checked before anything is written, so a refused model leaves a given
  // object untouched.
  if (!object_data_fits(data, size, with_texture_coordinates)) return nullptr;
  const int32_t v = read_s16(data), f = read_s16(data + 2);
  const uint8_t* coords = data + kObjectDataHeaderBytes;
  const uint8_t* corners = data + object_data_faces_offset(v);
  const uint8_t* texels = data + object_data_texture_offset(v, f);
  Object3D* o = object ? object : object_alloc(v, f, with_texture_coordinates);
  if (!o) return nullptr;
  o->vertex_count = v;
  o->face_count = f;
  for (int32_t i = 0; i < v; i++)
    o->vertices[i] = {read_s16(coords + 6 * i), read_s16(coords + 6 * i + 2), read_s16(coords + 6 * i + 4)};
  for (int32_t j = 0; j < f; j++) {
    for (int k = 0; k < 3; k++) o->faces[j][k] = read_u16(corners + 6 * j + 2 * k);
    o->faces[j][3] = -1;
  }
  if (with_texture_coordinates)
    for (int32_t i = 0; i < v; i++) o->texture_coords[i][0] = texels[2 * i], o->texture_coords[i][1] = texels[2 * i + 1];
  object_finish(o);
  return o;
}

void object_finish(Object3D* o) {
  o->rotated_normals = engine.rotated_normals;
  o->view_vertices = engine.view_vertices;
  o->screen_points = engine.screen_points;
  o->visible_faces = engine.visible_faces;
  o->face_keys = engine.face_keys;
  o->render_flags = kModeFlat;
  o->angle_x = o->angle_y = o->angle_z = 0;
  o->position_x = o->position_y = o->position_z = 0;
  o->depth = 0;
  for (int32_t j = 0; j < o->face_count; j++) {
    const int32_t t = o->faces[j][0];
    o->faces[j][0] = o->faces[j][2];
    o->faces[j][2] = t;
  }
  // 64 bits: three squares of 16-bit coordinates reach 3 x 2^30.
  int64_t r2max = 0;
  for (int32_t i = 0; i < o->vertex_count; i++) {
    const int64_t x = o->vertices[i].x, y = o->vertices[i].y, z = o->vertices[i].z;
    const int64_t r2 = x * x + y * y + z * z;
    if (r2 > r2max) r2max = r2;
  }
  int64_t r = static_cast<int64_t>(std::sqrt(static_cast<double>(r2max)));
  while (r * r > r2max) r--;  // exact floor even where the double rounds up
  while ((r + 1) * (r + 1) <= r2max) r++;
  o->radius = static_cast<int32_t>(r + 1 > INT32_MAX ? INT32_MAX : r + 1);
}

static void face_normal(const Object3D* o, const int32_t* face, Point3& out) {
  const Point3 p0 = o->vertices[face[0]], p1 = o->vertices[face[1]], p2 = o->vertices[face[2]];
  const double e1x = static_cast<double>(p1.x) - p0.x, e1y = static_cast<double>(p1.y) - p0.y,
               e1z = static_cast<double>(p1.z) - p0.z;
  const double e2x = static_cast<double>(p2.x) - p0.x, e2y = static_cast<double>(p2.y) - p0.y,
               e2z = static_cast<double>(p2.z) - p0.z;
  const double nx = e1y * e2z - e1z * e2y, ny = e1z * e2x - e1x * e2z, nz = e1x * e2y - e1y * e2x;
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (len == 0) {
    out = {0, 0, 0};
    return;
  }
  out = {static_cast<int32_t>(nx * 121 / len), static_cast<int32_t>(ny * 121 / len),
         static_cast<int32_t>(nz * 121 / len)};
}

// A vertex averages at most this many of its faces, the first in face order.
constexpr int kFacesPerVertex = 15;

int object_build_normals(Object3D* o) {
  const int32_t v = o->vertex_count, f = o->face_count;
  if (!o->normals) o->normals = static_cast<Point3*>(std::malloc(sizeof(Point3) * (v + 1)));
  auto* table = static_cast<int32_t(*)[kFacesPerVertex + 1]>(std::calloc(v + 1, sizeof(int32_t[kFacesPerVertex + 1])));
  auto* fn = static_cast<Point3*>(std::malloc(sizeof(Point3) * (f + 1)));
  if (!o->normals || !table || !fn) {
    std::free(o->normals);
    o->normals = nullptr;
    std::free(table);
    std::free(fn);
    return 1;
  }
  for (int32_t j = 0; j < f; j++) face_normal(o, o->faces[j], fn[j]);
  for (int32_t j = 0; j < f; j++)
    for (int k = 0; k < 4; k++) {
      const int32_t i = o->faces[j][k];
      if (i < 0) continue;
      if (table[i][0] < kFacesPerVertex) table[i][++table[i][0]] = j;
    }
  for (int32_t i = 0; i < v; i++) {
    int32_t sx = 0, sy = 0, sz = 0;
    const int32_t n = table[i][0];
    for (int32_t k = 1; k <= n; k++) sx += fn[table[i][k]].x, sy += fn[table[i][k]].y, sz += fn[table[i][k]].z;
    o->normals[i] = n ? Point3{sx / n, sy / n, sz / n} : Point3{0, 0, 0};
  }
  std::free(table);
  std::free(fn);
  return 0;
}

void object_free(Object3D* o) {
  if (!o) return;
  std::free(o->texture_coords);
  std::free(o->faces);
  std::free(o->vertices);
  std::free(o->normals);
  std::free(o);
}
