#include "show/sequence.h"

#include <cstdio>
#include <cstdlib>

#include "data/content.h"
#include "display/display.h"
#include "player/loader.h"
#include "scenes/scenes.h"
#include "show/clock.h"
#include "show/tables.h"
#include "sound/devices.h"
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

// Start-up failures are printed with their letters running backwards.
[[noreturn]] void start_up_failed(const char* reversed_text) {
  std::fputs(reversed_text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::exit(1);
}

// Every exit after the display is open: silence, the screen back, one line.
[[noreturn]] void leave_show(const char* message, int status) {
  sound_stop();
  display_close();
  std::fputs(message, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::exit(status);
}

}  // namespace

void end_show(const char* message) { leave_show(message, 0); }

void end_show_failed(const char* message) { leave_show(message, 1); }

void show_run_scenes() {
  for (const SceneEntry& scene : kScenes) {
    if (scene.run() == 0 && scene.abort_message) end_show(scene.abort_message);
  }
  end_show(kClosingMessage);
}

void show_start_up() {
  build_sine_table();
  build_mul_table();
  if (sd_menu() == 0) start_up_failed("...dnuof ton ecived dnuoS");
  // A module that fails to load does not stop the show; it just stays silent.
  pt_load(module_bytes(), module_size());
  if (display_open(2, 0) != 0) start_up_failed("...dnuof ton edoM");
  sound_start(70);
  show_ticks();
}
