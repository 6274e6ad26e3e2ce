// What the three 3D scenes share: the world they own for one run, the
// textures texture_load gives them, and how their set-up reports object
// data that cannot be used; and what the object ring and the whirl share: a ring of spinning
// objects, drawn each frame onto a background and laid over the faded
// previous frame so that moving edges leave trails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/content.h"
#include "engine3d/world.h"

// How a 3D scene's set-up ended: done, out of memory (a buffer, a texture,
// an object or its place in the world), on object data that holds no model,
// or on normals that cannot be built.
enum SceneSetUp { kSetUpDone, kSetUpNoMemory, kSetUpBadData, kSetUpNoNormals };

// The scene's result (scenes/scenes.h) for a set-up that was not done.
int set_up_failed(SceneSetUp set_up);

// Builds model (with texture coordinates) and appends it to world; the new
// object in *object. kSetUpBadData when the bytes hold no model,
// kSetUpNoMemory when memory runs out (nothing of the object is left).
SceneSetUp world_add_model(World* world, const Blob& model, Object3D** object);

// A scene's World for one run: initialised by open(), its objects destroyed
// and its work-buffer use dropped by the destructor, on every return path.
struct SceneWorld {
  World world = {};
  bool open_ = false;

  SceneWorld() = default;
  SceneWorld(const SceneWorld&) = delete;
  SceneWorld& operator=(const SceneWorld&) = delete;
  ~SceneWorld() { release(); }

  // world_init; false when the engine's work buffers cannot be allocated.
  bool open();
  // Destroys the objects and releases the work buffers; safe to call again.
  void release();
};

// An 8-bit Texture256 from texture_load, freed by the destructor.
struct LoadedTexture {
  uint8_t* buffer = nullptr;

  LoadedTexture() = default;
  LoadedTexture(const LoadedTexture&) = delete;
  LoadedTexture& operator=(const LoadedTexture&) = delete;
  ~LoadedTexture() { std::free(buffer); }

  // Loads the embedded picture of role (its palette into palette); false when
  // it has no header or memory runs out.
  bool load(PictureRole role, uint8_t* palette);
  // The first texel of the map (the buffer's first 1024-byte boundary after
  // its start).
  uint8_t* texels() const;
};

// The first 32-bit texel of a Texture256 held in buffer.
uint32_t* texels32(void* buffer);

// Bytes of a buffer that holds one 32-bit Texture256.
constexpr size_t kTexture32Bytes = 256 * 256 * 4 + 1024;

// How the ring's objects stand: object k (numbered from first_number) stands
// at angle a = 2 pi * turn_step * k, x = trunc(sin a * radius_x),
// y = trunc(cos(k * height_step) * height), z = trunc(cos a * radius_z).
struct RingShape {
  int count;
  int first_number;
  double turn_step;
  double radius_x, radius_z;
  double height, height_step;
};

// The position of object k of the ring.
Point3 ring_position(const RingShape& shape, int k);

// Builds shape.count objects, object i from models[i mod model_count] with
// texture coordinates, appends them to the world, then walks the world
// giving each object its normals and its ring position. Returns kSetUpDone,
// or how world_add_model or the normals failed (the objects made so far
// stay in the world).
SceneSetUp ring_build(World* world, const RingShape& shape, const Blob* models, int model_count);

// An object's spin angle at tick t: step * t as a remainder of truncating
// division by 1024 (negative for a negative step).
int32_t spin_angle(int32_t step, uint32_t t);

// How an object turns at tick t; called once per object per frame.
using RingTurn = void (*)(Object3D* object, uint32_t t);

// One frame of the ring into the render target: cull and sort, then every
// object in list order (those outside the view too: their faces behind the
// eye are dropped face by face) with its texture 1 (or texture 2 when
// environment_slot is set) selected as slot 1, turned, rotated, placed,
// projected and drawn.
void draw_ring(World* world, uint32_t t, RingTurn turn, bool environment_slot);

// The trails cover the first 199 rows: the last row of the frame is never
// added to.
constexpr int kTrailPixels = 320 * 199;
