#include "show/sequence.h"

#include <cstdio>
#include <cstdlib>

#include "data/content.h"
#include "display/display.h"
#include "display/display_state.h"
#include "player/loader.h"
#include "scenes/scenes.h"
#include "show/clock.h"
#include "show/command_line.h"
#include "show/tables.h"
#include "show/terminal_text.h"
#include "sound/devices.h"
#include "sound/output.h"
#include "sound/stream.h"

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

}  // namespace

void end_show(const char* message) {
  sound_stop();
  display_close();
  write_latin1_line(stdout, message, terminal_is_utf8());
  std::exit(0);
}

void show_run_scenes() {
  for (const SceneEntry& scene : kScenes) {
    if (scene.run() == 0 && scene.abort_message) end_show(scene.abort_message);
  }
  end_show(kClosingMessage);
}

void show_start_up(const StartOptions& options) {
  build_sine_table();
  build_mul_table();
  const int sound_ready = options.sound < 0 ? sd_menu() : sd_choose(options.sound);
  if (sound_ready == 0) start_up_failed("...dnuof ton ecived dnuoS");
  // A module that fails to load does not stop the show; it just stays silent.
  pt_load(module_bytes(), module_size());
  const int display_failed = options.mode == 0 ? display_open(2, 0) : display_open_mode(320, 200, options.mode);
  if (display_failed != 0) start_up_failed("...dnuof ton edoM");
  // A later start finds the music where it would be at that tick.
  if (options.from > 0) sound_skip_music(sd_kind(), options.from);
  sound_start(70);
  show_clock_start_at(options.from);
  show_ticks();
}
