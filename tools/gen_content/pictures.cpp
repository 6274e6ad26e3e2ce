#include "tools/gen_content/pictures.h"

#include "tools/gen_content/picture_builders.h"

Picture make_picture(PictureRole role) {
  switch (role) {
    case PIC_SWIRL: return make_swirl();
    case PIC_SECTOR: return make_sector();
    case PIC_TITLE: return make_title();
    case PIC_SILHOUETTE_MASK: return make_silhouette_mask();
    case PIC_SECOND_SILHOUETTE: return make_second_silhouette();
    case PIC_LATE_TEXTURE: return make_late_texture();
    case PIC_GALLERY_1: return make_gallery(1);
    case PIC_GALLERY_2: return make_gallery(2);
    case PIC_GALLERY_3: return make_gallery(3);
    case PIC_GALLERY_4: return make_gallery(4);
    case PIC_GALLERY_5: return make_gallery(5);
    case PIC_TRANSITION: return make_transition();
    case PIC_FINAL: return make_final();
    case PIC_THRESHOLD: return make_threshold();
    case PIC_RING_TEXTURE: return make_ring_texture();
    case PIC_FADE_THRESHOLD: return make_fade_threshold();
    case PIC_TEXTURE_0: return make_object_texture(0);
    case PIC_TEXTURE_1: return make_object_texture(1);
    case PIC_TEXTURE_2: return make_object_texture(2);
    case PIC_FONT: return make_font();
    case PIC_STILL: return make_still();
    case PIC_WARP_SOURCE: return make_warp_source();
    case PIC_ENV_TEXTURE: return make_env_texture();
    case PIC_MAIN_TEXTURE: return make_main_texture();
    case PIC_TUNNEL: return make_tunnel();
    case PIC_COUNT: break;
  }
  return Picture();
}

bool picture_is_planar(PictureRole role) { return role == PIC_TEXTURE_1 || role == PIC_TEXTURE_2; }
