#include "tools/capture/capture_usage.h"

#include <cstdio>
#include <cstring>

#include "base/timeline.h"
#include "tundrix_version.h"

namespace {

const char kUsage[] = "Usage: tundrix-capture COMMAND [OPTIONS]\n";
// %u: the last tick --from may name.
const char kShowCommandHelp[] =
    "  show -o OUT [--fps N] [--from TICK] [--to TICK] [--scale K] [--draw-at-fps]\n"
    "      Renders the show on a virtual clock, one frame per show tick (70 a\n"
    "      second), and writes N frames per second (1 to 1000, default 70): the\n"
    "      frames that fall on N's grid, each shown frame repeated above 70. The\n"
    "      stream says exactly N frames a second (30/1). OUT is a folder for PNG\n"
    "      frames and sound.wav (a name ending in /, an existing folder or a name\n"
    "      without an extension), a .y4m stream (and OUT.wav beside it), or a\n"
    "      .mp4/.mkv/.webm video made by ffmpeg with the sound muxed in; other\n"
    "      names are refused. --from and --to keep only the frames from tick TICK\n"
    "      on (0 to %u, 70 ticks a second) and stop after tick TICK; --scale K\n"
    "      enlarges frames K times (1 to 8). --draw-at-fps has the scenes draw N\n"
    "      frames a second instead, as a machine that draws no faster shows them:\n"
    "      trails, dissolves and fades advance per drawn frame, so below 70 the\n"
    "      show looks different.\n";
const char kSheetHelp[] =
    "  sheet -o OUT.png [--every TICKS] [--columns C] [--from TICK] [--to TICK]\n"
    "      Renders the show as show does and writes a contact sheet: the frame at\n"
    "      the middle of every stretch of TICKS ticks (70 to %u, default 840: one\n"
    "      every 12 s) at half size with its time beneath, C in a row (1 to 20,\n"
    "      default 6). The stretches start at --from and end at --to (ticks, by\n"
    "      default the whole show).\n";
const char kMusicHelp[] =
    "  music [--module FILE] [--device 8|16] [--seconds S] [--timeline FILE] -o OUT.wav\n"
    "      Renders a module (default: the show's own) exactly as the 8-bit or 16-bit\n"
    "      sound device would play it, for S seconds (above 0, at most and by\n"
    "      default 600; decimals allowed) or until the module ends. --timeline\n"
    "      writes one line per row played: seconds, order position, row. FILE or\n"
    "      OUT.wav - is standard output.\n";
const char kPictureHelp[] =
    "  picture FILE -o OUT.png [--keep-damaged]\n"
    "      Decodes an IFF ILBM or PBM picture (stored or ByteRun1) with the show's\n"
    "      decoder. A damaged picture (a body that ends early, another compression,\n"
    "      no bit planes) is reported with status 1 and no PNG, or with the PNG of\n"
    "      what decoded when --keep-damaged is given.\n"
    "  picture --list\n"
    "  picture --embedded ROLE|all -o OUT.png\n"
    "      Lists or exports the show's embedded pictures (all: a labelled contact sheet).\n";
const char kHelpHelp[] =
    "  --help, COMMAND --help\n"
    "      Shows this text, or only the command's part.\n"
    "  --version\n"
    "      Shows the program's name and version.\n"
    "\n"
    "An option's value is the next word or follows '=' (--fps=30); numbers are\n"
    "plain decimal digits; -- ends the options (a FILE named like an option\n"
    "follows it).\n"
    "\n"
    "Status: 0 done; 1 failed (out of memory too), and nothing is left of the\n"
    "outputs (but the PNG --keep-damaged asks for); 2 a bad command line; 128 + N\n"
    "stopped by signal N (Ctrl-C: 130), with nothing left of the outputs. Outputs\n"
    "that exist are replaced only when complete; devices and FIFOs are written to\n"
    "as they are.\n";

}  // namespace

int capture_help(const char* command) {
  std::fputs(kUsage, stdout);
  std::fputc('\n', stdout);
  bool all = command == nullptr;
  if (all || !std::strcmp(command, "show")) std::printf(kShowCommandHelp, unsigned{kShowLastTick});
  if (all) std::fputc('\n', stdout);
  if (all || !std::strcmp(command, "sheet")) std::printf(kSheetHelp, unsigned{kShowLastTick});
  if (all) std::fputc('\n', stdout);
  if (all || !std::strcmp(command, "music")) std::fputs(kMusicHelp, stdout);
  if (all) std::fputc('\n', stdout);
  if (all || !std::strcmp(command, "picture")) std::fputs(kPictureHelp, stdout);
  if (all) {
    std::fputc('\n', stdout);
    std::fputs(kHelpHelp, stdout);
  }
  return 0;
}

int capture_version() {
  std::fputs("tundrix-capture " TUNDRIX_VERSION "\n", stdout);
  return 0;
}

bool capture_wants_help(int argc, char** argv) { return asks_for_help(argc, argv, 1); }

int capture_usage_error(const std::string& message) { return usage_error("tundrix-capture", message); }

int capture_read_options(const char* command, int argc, char** argv, const std::vector<Option>& options,
                         std::vector<const char*>* arguments, size_t max_arguments) {
  std::string why;
  if (read_options(argc, argv, 1, options, arguments, max_arguments, &why)) return 0;
  return capture_usage_error(std::string(command) + ": " + why);
}
