// The pictures are drawn by tools/gen_content at build time; this file
// gives them to the scenes by role.
#include "data/content.h"

extern const Blob kPictureBlobs[PIC_COUNT];

namespace {

const char* const kRoleNames[PIC_COUNT] = {
    "swirl",     "sector",    "title",      "silhouette-mask", "second-silhouette", "late-texture", "gallery-1",
    "gallery-2", "gallery-3", "gallery-4",  "gallery-5",       "transition",        "final",        "threshold",
    "ring-texture", "fade-threshold", "texture-0", "texture-1", "texture-2", "font", "still", "warp-source",
    "env-texture", "main-texture", "tunnel"};

bool valid(PictureRole role) { return role >= 0 && role < PIC_COUNT; }

}  // namespace

Blob picture_data(PictureRole role) { return valid(role) ? kPictureBlobs[role] : Blob{nullptr, 0}; }

const char* picture_role_name(PictureRole role) { return valid(role) ? kRoleNames[role] : "none"; }
