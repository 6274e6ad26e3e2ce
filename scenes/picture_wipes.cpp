// The third scene: the picture wipe sequence.
#include "scenes/picture_wipes.h"

#include <algorithm>
#include <cstring>

#include "base/clock.h"
#include "display/display.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"

namespace {

constexpr PictureRole kGallery[5] = {PIC_GALLERY_1, PIC_GALLERY_2, PIC_GALLERY_3, PIC_GALLERY_4,
                                     PIC_GALLERY_5};

void load_converted(WipeScene& s, PictureRole role, uint32_t* pixels, int count) {
  load_picture(role, s.indices, kTransitionPixels, s.palette);
  indexed_to_rgb32(pixels, s.indices, s.palette, count);
}

// Stages 1 to 6, then the change into the dissolve. The clock alone decides
// the stage, so a scene entered late passes through every stage change on
// consecutive iterations without drawing. Returns false when the poll after
// a wipe frame sees Escape.
bool wipe_stages(WipeScene& s) {
  int stage = 0;
  while (stage < kWipeStages) {
    if (show_ticks() > kWipeStage[stage].limit) {
      if (++stage < kWipeStages) wipes_enter_stage(s, stage + 1);
      continue;
    }
    int64_t t = show_ticks();
    wipes_wipe_frame(s, (t - kWipeStage[stage].start) * 640);
    display_present(s.frame);
    if (display_poll_escape()) return false;
  }
  return true;
}

// Stage 7 until tick 9,451; it does not poll.
void dissolve_stage(WipeScene& s) {
  wipes_enter_dissolve(s);
  while (show_ticks() <= kWipesEnd) {
    wipes_dissolve_frame(s, static_cast<int32_t>(show_ticks() - kDissolveStart));
    display_present(s.frame);
  }
}

}  // namespace

bool wipes_open(WipeScene& s) {
  if (!s.memory.take_each(s.indices, kTransitionPixels, s.frame, kFramePixels, s.outgoing, kFramePixels,
                          s.incoming, kFramePixels, s.transition, kTransitionPixels))
    return false;
  load_converted(s, PIC_GALLERY_1, s.incoming, kFramePixels);
  load_converted(s, PIC_TRANSITION, s.transition, kTransitionPixels);
  return true;
}

void wipes_close(WipeScene& s) { s.memory.release(); }

void wipes_enter_stage(WipeScene& s, int stage) {
  std::memcpy(s.outgoing, s.incoming, kFrameBytes);
  if (stage <= 5)
    load_converted(s, kGallery[stage - 1], s.incoming, kFramePixels);
  else
    std::memset(s.incoming, 0, kFrameBytes);
  load_converted(s, PIC_TRANSITION, s.transition, kTransitionPixels);
}

void wipes_enter_dissolve(WipeScene& s) {
  load_converted(s, PIC_FINAL, s.incoming, kFramePixels);
  uint8_t unused_palette[768];
  load_picture(PIC_THRESHOLD, s.indices, kTransitionPixels, unused_palette);
}

void wipes_wipe_frame(WipeScene& s, int64_t offset) {
  // Frame pixels [0, arrived) lie above the transition picture, [passed, end)
  // below its bottom edge.
  int64_t arrived = std::clamp<int64_t>(kFramePixels - offset, 0, kFramePixels);
  int64_t passed = std::clamp<int64_t>(kFramePixels + kTransitionPixels - offset, 0, kFramePixels);
  std::memcpy(s.frame, s.outgoing, arrived * sizeof(uint32_t));
  for (int64_t c = arrived; c < passed; c++) {
    int64_t m = c + offset - kFramePixels;
    uint8_t index = s.indices[m];
    s.frame[c] = index == 1 ? s.outgoing[c] : index == 2 ? s.incoming[c] : s.transition[m];
  }
  std::memcpy(s.frame + passed, s.incoming + passed, (kFramePixels - passed) * sizeof(uint32_t));
}

void wipes_dissolve_frame(WipeScene& s, int32_t u) {
  for (int c = 0; c < kFramePixels; c++)
    if (static_cast<int32_t>(s.indices[c]) < u) s.frame[c] = (s.incoming[c] >> 3) & 0x1F1F1F;
}

int scene_picture_wipes() {
  WipeScene s{};
  if (!wipes_open(s)) return kSceneNoMemory;
  if (wipe_stages(s)) dissolve_stage(s);
  wipes_close(s);
  return scene_closing_poll();
}
