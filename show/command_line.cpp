#include "show/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/timeline.h"
#include "show/options.h"
#include "tundrix_version.h"

namespace {

const char kHelpBeforeFrom[] =
    "Usage: tundrix [OPTION]...\n"
    "Plays the Tundrix show: eight scenes and a tracker tune, about five minutes.\n"
    "Without --sound and --mode it asks for them on standard input.\n"
    "\n"
    "  --sound N     the sound device, as the first question's answer:\n"
    "                  0 none, 1 8-bit mono, 2 16-bit stereo (through /dev/dsp,\n"
    "                  or ALSA's default device where there is no /dev/dsp)\n"
    "  --mode M      the display mode, as the second question's answer:\n"
    "                  1 window, 2 window with double pixels,\n"
    "                  3 shared-memory window, 4 the same with double pixels,\n"
    "                  5 full screen, 6 full screen with double pixels\n";
const char kHelpAfterFrom[] =
    "  --flat-out    present frames as fast as they are drawn, not once per tick\n"
    "                (for measuring)\n"
    "  -h, --help    print this help and exit\n"
    "  --version     print the version and exit\n"
    "\n"
    "An option's value is the next word or follows '=' (--mode=4); numbers are\n"
    "plain decimal digits; -- ends the options.\n"
    "\n"
    "Space pauses the show and lets it go on; Left and Right go to the previous\n"
    "and the next scene; Escape ends the show. Exit status: 0 after the show,\n"
    "1 when the start-up fails (no sound device, no display) or memory runs out,\n"
    "with the reason on standard error, 2 for bad arguments.\n";

}  // namespace

std::string show_help_text() {
  std::string text = kHelpBeforeFrom;
  text += "  --from TICK   start the show at TICK, 70 ticks a second (0 to " + std::to_string(kShowLastTick) +
          "),\n                with the music in step; the scenes start at";
  // The scene starts wrap after the fourth, as the help's other lines do.
  for (int s = 0; s < kShowSceneCount; s++) {
    text += s == 4 ? "\n                " : " ";
    text += std::to_string(kSceneStartTick[s]);
    text += s + 2 < kShowSceneCount ? "," : s + 1 < kShowSceneCount ? " and" : "\n";
  }
  return text + kHelpAfterFrom;
}

namespace {

int print(const std::string& text) {
  errno = 0;
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "tundrix: standard output: %s\n", std::strerror(errno ? errno : EIO));
  return 1;
}

}  // namespace

int show_print_help() { return print(show_help_text()); }

int show_print_version() { return print("tundrix " TUNDRIX_VERSION "\n"); }

CommandLineResult show_parse_command_line(int argc, char** argv, StartOptions* options, std::string* error) {
  if (asks_for_help(argc, argv, 1)) return kShowHelp;
  long long sound = -1, mode = 0, from = 0;
  bool version = false;
  const std::vector<Option> known = {
      {.name = "--sound", .number = &sound, .low = 0, .high = 2, .range = "0, 1 or 2"},
      {.name = "--mode", .number = &mode, .low = 1, .high = 6, .range = "1 to 6"},
      {.name = "--from",
       .number = &from,
       .low = 0,
       .high = kShowLastTick,
       .range = "a tick from 0 to " + std::to_string(kShowLastTick)},
      {.name = "--flat-out", .flag = &options->flat_out},
      {.name = "--version", .flag = &version},
  };
  std::vector<const char*> arguments;
  if (!read_options(argc, argv, 1, known, &arguments, 0, error)) return kBadArguments;
  if (version) return kShowVersion;
  options->sound = int(sound);
  options->mode = int(mode);
  options->from = uint32_t(from);
  return kRunShow;
}
