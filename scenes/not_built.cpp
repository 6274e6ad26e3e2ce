#include "display/display.h"
#include "scenes/scenes.h"

int scene_not_built() {
  static const uint32_t black[kFramePixels] = {};
  display_present(black);
  return 1;
}
