#include "show/sequence.h"

#include <cstdio>
#include <cstdlib>

#include "display/display.h"
#include "scenes/scenes.h"
#include "show/terminal_text.h"
#include "sound/output.h"

namespace {

struct SceneEntry {
  int (*run)();
  const char* abort_message;  // ISO-8859-1 bytes
};

// "Out of memory tai muuta tyhm\xE4\xE4!" and the closing line are Latin-1 on
// purpose: the terminal gets those bytes unconverted.
const SceneEntry kScenes[] = {
    {scene_polar_wipe, "Bou bou bou."},
    {scene_twisting_silhouette, "Go hell!"},
    {scene_picture_wipes, "No jee!"},
    {scene_object_ring, "Viturarrallallaa!"},
    {scene_whirl_greetings, "Senkus meet!"},
    {scene_hyperbolic_whirl, "Nih."},
    {scene_replayed_object, "Out of memory tai muuta tyhm\xE4\xE4!"},
    {scene_tunnel, nullptr},  // its result is ignored
};
const char kClosingMessage[] = "N\xF6tbuske stad gr\xE4nser.";
// In place of the scene's message when the window's close button (or
// another client) ended the show.
const char kWindowClosedMessage[] = "The window was closed.";

// Every exit after the display is open: silence, the screen back, one line.
[[noreturn]] void leave_show(const char* message, int status) {
  sound_stop();
  display_close();
  write_latin1_line(stdout, message, terminal_is_utf8());
  std::exit(status);
}

}  // namespace

void end_show(const char* message) { leave_show(display_window_closed() ? kWindowClosedMessage : message, 0); }

void end_show_failed(const char* message) { leave_show(message, 1); }

void show_run_scenes() {
  for (const SceneEntry& scene : kScenes) {
    if (scene.run() == kSceneEndsShow && scene.abort_message) end_show(scene.abort_message);
  }
  end_show(kClosingMessage);
}
