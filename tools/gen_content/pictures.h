// Every picture of the show by its role, and how each is stored.
#pragma once
#include "data/content.h"
#include "tools/gen_content/raster.h"

// Builds the picture of a role: the same pixels and palette on every call.
Picture make_picture(PictureRole role);
// True for the roles stored as planar ILBM files; all others are chunky PBM.
bool picture_is_planar(PictureRole role);
