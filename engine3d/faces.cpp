#include "engine3d/faces.h"

#include <cmath>

#include "engine3d/raster.h"

int faces_cull_and_key(Object3D* o) {
  const int64_t base = 3 * (static_cast<int64_t>(o->radius) - o->depth);
  const int32_t* sp = o->screen_points;
  const Point3* vv = o->view_vertices;
  int i = 0;
  for (int32_t j = 0; j < o->face_count; j++) {
    const int32_t a = o->faces[j][0], b = o->faces[j][1], c = o->faces[j][2];
    const int64_t ax = sp[2 * a], ay = sp[2 * a + 1], bx = sp[2 * b], by = sp[2 * b + 1],
                  cx = sp[2 * c], cy = sp[2 * c + 1];
    // Clockwise on screen (y down) or of zero area; wide products because
    // corners near the eye project far off screen.
    if ((by - ay) * (cx - bx) > (cy - by) * (bx - ax)) continue;
    const int64_t zsum = static_cast<int64_t>(vv[b].z) + vv[a].z + vv[c].z;
    if (zsum >= 0) continue;
    int64_t key = (base - zsum) >> 7;
    if (key > 254) key = 255;
    if (key < 0) key = 0;
    o->face_keys[i] = static_cast<int32_t>(key);
    o->visible_faces[i] = 4 * j;
    i++;
  }
  return i;
}

// A full bucket passes its face to the nearest bucket below with room (the
// face is then drawn a little later than its key says, among slightly nearer
// faces), and only when every bucket below is full to the nearest above.
// 256 buckets of 8,000 hold far more than the 80,000 faces an object may
// have, so every face is drawn.
static void bucket_put(int32_t key, int32_t entry) {
  int32_t b = key;
  while (b >= 0 && engine.bucket_count[b] >= kFaceBucketDepth) b--;
  if (b < 0) {
    b = key + 1;
    while (b < kFaceBucketCount && engine.bucket_count[b] >= kFaceBucketDepth) b++;
    if (b == kFaceBucketCount) return;
  }
  engine.bucket[b][engine.bucket_count[b]++] = entry;
}

static void select_textures(const Object3D* o, int32_t base) {
  const void* slot1 = base == kModeTexture                                           ? o->texture1
                      : base == kModeEnvironment                                     ? o->texture2
                      : base == kModeTextureEnvironment || base == kModeInvisible ? o->texture1
                                                                                     : nullptr;
  if ((base == kModeTextureEnvironment || base == kModeInvisible) && o->texture2) texture_select(o->texture2, 2);
  if (slot1) texture_select(slot1, 1);
}

int face_corners(const Object3D* o, int32_t f, PolyVertex corner[4]) {
  const int32_t mode = o->render_flags, base = mode & ~(kModeDepthTested | kModePerspective);
  const bool depth = engine.depth_buffer != nullptr;
  const bool uv = base == kModeTexture || base == kModeTextureShade || base == kModeTextureEnvironment ||
                  base == kModeInvisible;
  const bool env = base == kModeEnvironment || base == kModeTextureEnvironment || base == kModeInvisible;
  const int32_t* face = &o->faces[0][0] + f;
  int n = 0;
  for (; n < 4 && face[n] >= 0; n++) {
    const int32_t v = face[n];
    int32_t* s = corner[n].slot;
    s[kSlotX] = o->screen_points[2 * v];
    s[kSlotY] = o->screen_points[2 * v + 1];
    if (base == kModeSmooth || base == kModeTextureShade) s[kSlotShade] = shade_value(o, f + n);
    if (uv && o->texture_coords) s[kSlotU] = o->texture_coords[v][0], s[kSlotV] = o->texture_coords[v][1];
    if (env) s[kSlotEnvU] = o->rotated_normals[v].x + 128, s[kSlotEnvV] = 128 - o->rotated_normals[v].y;
    const int64_t z = -static_cast<int64_t>(o->view_vertices[v].z);
    if (depth) s[kSlotZ] = static_cast<int32_t>((z >> 1) > 65535 ? 65535 : (z >> 1));
    if (mode & kModePerspective) s[kSlotZ] = static_cast<int32_t>(z > INT32_MAX ? INT32_MAX : z);
  }
  if (mode == kModeFlat) corner[0].slot[kSlotShade] = shade_value(o, f);
  return n;
}

static void emit_face(const Object3D* o, int32_t f) {
  const int32_t mode = o->render_flags;
  render_mode_select(engine.depth_buffer ? mode | kModeDepthTested : mode);
  select_textures(o, mode & ~(kModeDepthTested | kModePerspective));
  PolyVertex corner[4] = {};
  const int n = face_corners(o, f, corner);
  polygon_draw(n, corner);
}

void faces_in_bucket_order(const Object3D* o, int n, void (*visit)(const Object3D*, int32_t)) {
  for (int i = 0; i < n; i++) bucket_put(o->face_keys[i], i);
  int32_t b = kFaceBucketCount - 1;
  for (int k = 0; k < n; k++) {
    while (engine.bucket_count[b] == 0) b--;
    const int32_t i = engine.bucket[b][--engine.bucket_count[b]];
    visit(o, o->visible_faces[i]);
  }
}

void object_draw(Object3D* o) { faces_in_bucket_order(o, faces_cull_and_key(o), emit_face); }

int32_t shade_value(const Object3D* o, int32_t e) {
  const int32_t* face = &o->faces[0][0] + (e & ~3);
  const Point3* rn = o->rotated_normals;
  double nx, ny, nz;
  if (o->render_flags & kModeSmooth) {
    const Point3 p = rn[face[e & 3]];
    nx = p.x, ny = p.y, nz = p.z;
  } else {
    const int32_t* c = face;  // the face normal: its three corners, whichever corner asked
    nx = static_cast<double>(rn[c[0]].x) + rn[c[1]].x + rn[c[2]].x;
    ny = static_cast<double>(rn[c[0]].y) + rn[c[1]].y + rn[c[2]].y;
    nz = static_cast<double>(rn[c[0]].z) + rn[c[1]].z + rn[c[2]].z;
  }
  const double lx = static_cast<double>(engine.light.x) - o->position_x,
               ly = static_cast<double>(engine.light.y) - o->position_y,
               lz = static_cast<double>(engine.light.z) - o->position_z;
  // Wide: the squared lengths' product passes 2^31 for any ordinary light.
  const double len = std::sqrt((lx * lx + ly * ly + lz * lz) * (nx * nx + ny * ny + nz * nz));
  if (len == 0) return engine.shade_min;
  const double value = std::trunc((nx * lx + ny * ly + nz * lz) * engine.shade_range / len) + engine.shade_min;
  if (value >= engine.shade_max) return engine.shade_max;
  if (value <= engine.shade_min) return engine.shade_min;
  return static_cast<int32_t>(value);
}

void set_light_position(int32_t x, int32_t y) {
  engine.light.x = x;
  engine.light.y = y;
}

void set_shade_range(int32_t minimum, int32_t range) {
  if (minimum < 0 || range < 0) return;
  engine.shade_min = minimum;
  engine.shade_max = minimum + range - 1;
  engine.shade_range = range;
}
