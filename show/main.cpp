// Tundrix: eight scenes and a module, played once from start to end.
#include <cstdio>

#include "show/command_line.h"
#include "show/sequence.h"
#include "show/start_up.h"

int main(int argc, char** argv) {
  StartOptions options;
  char error[160];
  switch (show_parse_command_line(argc, argv, &options, error, sizeof error)) {
    case kShowHelp:
      return show_print_help();
    case kShowVersion:
      return show_print_version();
    case kBadArguments:
      std::fprintf(stderr, "tundrix: %s\nTry 'tundrix --help' for more information.\n", error);
      return 2;
    case kRunShow:
      break;
  }
  show_start_up(options);
  show_run_scenes();
}
