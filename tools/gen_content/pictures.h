// The show's pictures, one builder per role.
#pragma once
#include "data/content.h"
#include "tools/gen_content/raster.h"

// Builds the picture of a role: the same pixels and palette on every call.
Picture make_picture(PictureRole role);
// True for the roles stored as planar ILBM files; all others are chunky PBM.
bool picture_is_planar(PictureRole role);

// Builders, grouped by the files that hold them.
Picture make_swirl();
Picture make_sector();
Picture make_title();
Picture make_silhouette_mask();
Picture make_second_silhouette();
Picture make_late_texture();
Picture make_gallery(int number);  // 1..5
Picture make_transition();
Picture make_final();
Picture make_threshold();
Picture make_fade_threshold();
Picture make_ring_texture();
Picture make_object_texture(int number);  // 0..2
Picture make_font();
Picture make_still();
Picture make_warp_source();
Picture make_env_texture();
Picture make_main_texture();
Picture make_tunnel();

// Threshold maps: ranks the field's values and spreads them over `levels`
// equal-area steps from lo to hi (rounded), so every step occurs.
Picture threshold_picture(const std::vector<float>& field, int width, int height, int levels, int lo, int hi);
