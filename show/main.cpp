// Tundrix: eight scenes and a module, played once from start to end.
#include <string>

#include "show/command_line.h"
#include "show/options.h"
#include "show/sequence.h"
#include "show/start_up.h"

int main(int argc, char** argv) {
  StartOptions options;
  std::string error;
  switch (show_parse_command_line(argc, argv, &options, &error)) {
    case kShowHelp:
      return show_print_help();
    case kShowVersion:
      return show_print_version();
    case kBadArguments:
      return usage_error("tundrix", error);
    case kRunShow:
      break;
  }
  show_start_up(options);
  show_run_scenes();
}
