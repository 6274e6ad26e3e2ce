// Not built yet: the show passes through this scene's place with one black frame.
#include "scenes/scenes.h"

int scene_twisting_silhouette() { return scene_not_built(); }
