#include <cstdio>
#include <cstring>

#include "tools/capture/capture.h"

namespace {

const char kHelp[] =
    "Usage: tundrix-capture COMMAND [OPTIONS]\n"
    "\n"
    "  show -o OUT [--fps N] [--from TICK] [--to TICK] [--scale K]\n"
    "      Renders the show on a virtual clock at N frames per second (default 70,\n"
    "      one show tick per frame). OUT is a folder (PNG frames and sound.wav),\n"
    "      a .y4m stream (and OUT.wav beside it), or a .mp4/.mkv/.webm video made\n"
    "      by ffmpeg with the sound muxed in. --from and --to keep only the frames\n"
    "      from tick TICK on and stop after tick TICK; --scale K enlarges frames K times.\n"
    "\n"
    "  music [--module FILE] [--device 8|16] [--seconds S] [--timeline FILE] -o OUT.wav\n"
    "      Renders a module (default: the show's own) exactly as the 8-bit or 16-bit\n"
    "      sound device would play it.\n"
    "\n"
    "  picture FILE -o OUT.png\n"
    "      Decodes an IFF ILBM or PBM picture with the show's decoder.\n"
    "  picture --list\n"
    "  picture --embedded ROLE|all -o OUT.png\n"
    "      Lists or exports the show's embedded pictures (all: a labelled contact sheet).\n"
    "\n"
    "  --help\n"
    "      Shows this text.\n";

}  // namespace

int capture_usage_error(const char* message) {
  std::fprintf(stderr, "tundrix-capture: %s\nTry 'tundrix-capture --help'.\n", message);
  return 2;
}

int main(int argc, char** argv) {
  if (argc < 2) return capture_usage_error("missing command");
  const char* command = argv[1];
  if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h") || !std::strcmp(command, "help")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (!std::strcmp(command, "show")) return capture_show_main(argc - 1, argv + 1);
  if (!std::strcmp(command, "music")) return capture_music_main(argc - 1, argv + 1);
  if (!std::strcmp(command, "picture")) return capture_picture_main(argc - 1, argv + 1);
  return capture_usage_error("unknown command");
}
