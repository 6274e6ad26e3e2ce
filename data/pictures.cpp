// The pictures are drawn by tools/gen_content at build time; this file
// gives them to the scenes by role.
#include "data/content.h"
#include "data/embedded.h"
#include "data/picture_role_names.h"

namespace {

bool valid(PictureRole role) { return role >= 0 && role < PIC_COUNT; }

}  // namespace

Blob picture_data(PictureRole role) { return valid(role) ? kPictureBlobs[role] : Blob{nullptr, 0}; }

const char* picture_role_name(PictureRole role) { return valid(role) ? kPictureRoleNames[role] : "none"; }
