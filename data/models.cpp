// The models are built by tools/gen_content at build time; this file gives
// them to the scenes.
#include "data/content.h"
#include "data/embedded.h"

Blob model_data(ModelId model) {
  return model >= 0 && model < MODEL_COUNT ? kModelBlobs[model] : Blob{nullptr, 0};
}
