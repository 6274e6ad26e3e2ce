// The role names, in PictureRole order: the one table behind
// picture_role_name and the generator's preview files.
#pragma once
#include "data/content.h"

inline constexpr const char* kPictureRoleNames[PIC_COUNT] = {
    "swirl",          "sector",         "title",     "silhouette-mask", "second-silhouette",
    "late-texture",   "gallery-1",      "gallery-2", "gallery-3",       "gallery-4",
    "gallery-5",      "transition",     "final",     "threshold",       "ring-texture",
    "fade-threshold", "texture-0",      "texture-1", "texture-2",       "font",
    "still",          "warp-source",    "env-texture", "main-texture",  "tunnel"};
