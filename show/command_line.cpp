#include "show/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/timeline.h"

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
    "\n"
    "Space pauses the show and lets it go on; Left and Right go to the previous\n"
    "and the next scene; Escape ends the show. Exit status: 0 after the show,\n"
    "1 when the start-up fails (no sound device, no display, no memory), 2 for\n"
    "bad arguments.\n";

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

int show_print_help() {
  errno = 0;
  std::fputs(show_help_text().c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "tundrix: standard output: %s\n", std::strerror(errno ? errno : EIO));
  return 1;
}

namespace {

// A whole decimal number from low to high, nothing else.
bool parse_number(const char* text, unsigned long low, unsigned long high, unsigned long* out) {
  unsigned long value = 0;
  if (*text == '\0') return false;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + unsigned(*p - '0');
    if (value > high) return false;
  }
  if (value < low) return false;
  *out = value;
  return true;
}

struct Option {
  const char* name;
  unsigned long low, high;
  const char* range;  // for the error message: a format that may print high
};

const Option kSound = {"--sound", 0, 2, "0, 1 or 2"};
const Option kMode = {"--mode", 1, 6, "1 to 6"};
const Option kFrom = {"--from", 0, kShowLastTick, "a tick from 0 to %lu"};
const Option* const kValued[] = {&kSound, &kMode, &kFrom};

// Matches "--name VALUE" and "--name=VALUE"; advances i past the value.
const Option* valued_option(int argc, char** argv, int* i, const char** value) {
  const char* arg = argv[*i];
  for (const Option* o : kValued) {
    const size_t n = std::strlen(o->name);
    if (std::strncmp(arg, o->name, n) != 0) continue;
    if (arg[n] == '=') {
      *value = arg + n + 1;
      return o;
    }
    if (arg[n] == '\0') {
      *value = *i + 1 < argc ? argv[++*i] : nullptr;
      return o;
    }
  }
  return nullptr;
}

}  // namespace

CommandLineResult show_parse_command_line(int argc, char** argv, StartOptions* options, char* error,
                                          size_t error_size) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) return kShowHelp;
    if (!std::strcmp(arg, "--flat-out")) {
      options->flat_out = true;
      continue;
    }
    const char* value = nullptr;
    const Option* o = valued_option(argc, argv, &i, &value);
    if (!o) {
      std::snprintf(error, error_size, "%s '%s'", arg[0] == '-' ? "unknown option" : "unexpected argument", arg);
      return kBadArguments;
    }
    char range[40];
    std::snprintf(range, sizeof range, o->range, o->high);
    if (!value) {
      std::snprintf(error, error_size, "%s needs a value (%s)", o->name, range);
      return kBadArguments;
    }
    unsigned long number = 0;
    if (!parse_number(value, o->low, o->high, &number)) {
      std::snprintf(error, error_size, "%s must be %s, not '%.40s'", o->name, range, value);
      return kBadArguments;
    }
    if (o == &kSound) options->sound = int(number);
    if (o == &kMode) options->mode = int(number);
    if (o == &kFrom) options->from = uint32_t(number);
  }
  return kRunShow;
}
