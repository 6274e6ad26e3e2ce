// One builder per picture role, defined in the pic_*.cpp files; only
// make_picture's dispatch calls them, so the builders never include it.
#pragma once
#include "tools/gen_content/raster.h"

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
