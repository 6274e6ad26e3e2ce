// Not built yet: the show passes through this scene's place with one black frame.
#include "scenes/scenes.h"

int scene_hyperbolic_whirl() { return scene_not_built(); }
