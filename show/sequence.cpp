#include "show/sequence.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/clock.h"
#include "display/display.h"
#include "scenes/scenes.h"
#include "show/controls.h"
#include "show/go_to.h"
#include "show/terminal_text.h"
#include "sound/output.h"

namespace {

struct SceneEntry {
  int (*run)();
  const char* abort_message;  // ISO-8859-1 bytes
};

// "Out of memory tai muuta tyhm\xE4\xE4!" and the closing line are Latin-1 on
// purpose: the terminal gets those bytes unconverted.
const SceneEntry kScenes[kShowSceneCount] = {
    {scene_polar_wipe, "Bou bou bou."},
    {scene_twisting_silhouette, "Go hell!"},
    {scene_picture_wipes, "No jee!"},
    {scene_object_ring, "Viturarrallallaa!"},
    {scene_whirl_greetings, "Senkus meet!"},
    {scene_hyperbolic_whirl, "Nih."},
    {scene_replayed_object, "Out of memory tai muuta tyhm\xE4\xE4!"},
    {scene_tunnel, nullptr},  // its result is ignored
};
const uint32_t kBlackFrame[kFramePixels] = {};

const char kClosingMessage[] = "N\xF6tbuske stad gr\xE4nser.";
const char kBadObjectDataMessage[] = "Inva kewl.dat!";
const char kNoNormalsMessage[] = "No luck!";
const char kNoMemoryReason[] = "out of memory";
// In place of the line of an ending with status 0 when the window's close
// button (or another client) ended the show.
const char kWindowClosedMessage[] = "The window was closed.";

}  // namespace

ShowEnding show_ending_after(ShowScene scene, int result) {
  // A scene that failed ends the show with status 1 wherever it is: a show
  // that could not draw a scene never ends with status 0.
  if (result == kSceneBadObjectData) return {kBadObjectDataMessage, 1};
  // Normals fail only when memory runs out: the scene's line says what
  // failed, the failure why.
  if (result == kSceneNoNormals) return {kNoNormalsMessage, 1, kNoMemoryReason};
  if (result == kSceneNoMemory) return {nullptr, 1, kNoMemoryReason};
  if (scene == kSceneTunnel) return {kClosingMessage, 0};
  if (result == kSceneEndsShow) return {kScenes[scene].abort_message, 0};
  return {nullptr, 0};
}

void end_show(const ShowEnding& ending) {
  // The scenes see a closed window as Escape: the line says what happened.
  const char* message = ending.status == 0 && display_window_closed() ? kWindowClosedMessage : ending.message;
  sound_stop();
  if (ending.status == 0)
    display_close();
  else
    display_abandon();
  if (message) write_latin1_line(stdout, message, terminal_is_utf8());
  if (ending.failure) std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, ending.failure);
  std::exit(ending.status);
}

void show_run_scenes() {
  display_set_poll_hook(show_controls_poll);
  ShowScene scene = show_scene_at(show_clock_first_tick());
  for (;;) {
    show_controls_enter(scene);
    const int result = kScenes[scene].run();
    // A failure ends the show whatever was asked.
    ShowScene target;
    if ((result == kSceneRanToEnd || result == kSceneEndsShow) && show_controls_take_change(&target)) {
      // Black while the music moves and the scene sets up: a scene that
      // draws nothing at first (the replay waits) shows nothing of the last.
      display_hold_frames(false);
      display_present(kBlackFrame);
      show_go_to(kSceneStartTick[target]);
      scene = target;
      continue;
    }
    const ShowEnding ending = show_ending_after(scene, result);
    if (ending.message || ending.failure) end_show(ending);
    scene = static_cast<ShowScene>(scene + 1);
  }
}
