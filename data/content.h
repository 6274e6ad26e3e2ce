// The show's embedded content: pictures, models, greetings and the module,
// all made by the generators under tools/ at build time.
#pragma once
#include <cstddef>
#include <cstdint>

struct Blob {
  const uint8_t* data;
  size_t size;
};

// Every picture role of the show. Sizes and kinds are listed by
// picture_role_name / `tundrix-capture picture --list`.
enum PictureRole : int {
  PIC_SWIRL,              // 320x400 PBM, swirled and framed by the opening scene
  PIC_SECTOR,             // 320x200 PBM, subject on pure black
  PIC_TITLE,              // 320x200 PBM, the show's title
  PIC_SILHOUETTE_MASK,    // 320x200 PBM, one inside run per row
  PIC_SECOND_SILHOUETTE,  // 320x200 PBM, index 0 outside
  PIC_LATE_TEXTURE,       // 320x200 PBM
  PIC_GALLERY_1,          // 320x200 PBM, gallery pictures 1..5
  PIC_GALLERY_2,
  PIC_GALLERY_3,
  PIC_GALLERY_4,
  PIC_GALLERY_5,
  PIC_TRANSITION,         // 320x400 PBM, index 1 outgoing, 2 incoming
  PIC_FINAL,              // 320x200 PBM
  PIC_THRESHOLD,          // 320x200 PBM, 64 values 1..235
  PIC_RING_TEXTURE,       // 256x256 PBM, dark: no palette component above 27
  PIC_FADE_THRESHOLD,     // 320x200 PBM, 61 values 0..222
  PIC_TEXTURE_0,          // 256x256 PBM
  PIC_TEXTURE_1,          // 256x256 ILBM
  PIC_TEXTURE_2,          // 256x256 ILBM
  PIC_FONT,               // 320x200 PBM, 32x32 cells, glyph index 13
  PIC_STILL,              // 320x200 PBM
  PIC_WARP_SOURCE,        // 256x256 PBM
  PIC_ENV_TEXTURE,        // 320x200 PBM, indices 0..15 only (added to the main texture's levels)
  PIC_MAIN_TEXTURE,       // 320x200 PBM, indices 0..63 carry the texture
  PIC_TUNNEL,             // 256x256 PBM, raw 6-bit colours lit for ten bands added up
  PIC_COUNT
};

// The IFF bytes of a picture role; null data for an unknown role.
Blob picture_data(PictureRole role);
// A short lower-case name for the role ("swirl", "gallery-1", ...).
const char* picture_role_name(PictureRole role);

enum ModelId : int { MODEL_A, MODEL_B, MODEL_C, MODEL_D, MODEL_COUNT };
// A model's bytes in the engine's ObjectData layout (engine3d/object_data.h),
// with texture coordinates: A 130 vertices /
// 256 faces, B 202/400, C 128/256, D 202/400. Faces are stored wound
// outward ((P1 - P0) x (P2 - P0) points out), so after the loader swaps the
// first and third index the renderer's clockwise test keeps the front faces.
// Null data for an unknown model.
Blob model_data(ModelId model);

// The eleven greetings texts, in show order.
constexpr int kGreetingCount = 11;
extern const char* const kGreetings[kGreetingCount];

// The show's module: writable, because loading converts its patterns in place.
uint8_t* module_bytes();
size_t module_size();
