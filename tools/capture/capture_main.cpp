// tundrix-capture: the command is dispatched to its subcommand; a stop by
// signal or a failed write to standard output decides the status last.
#include <cstdio>
#include <cstring>
#include <new>

#include "tools/capture/capture.h"
#include "tools/capture/capture_outputs.h"
#include "tools/capture/capture_usage.h"

namespace {

int run_command(int argc, char** argv) {
  // "--" before the command ends the tool's own options, of which there are
  // none but the help and the version.
  if (argc >= 2 && !std::strcmp(argv[1], "--")) argc--, argv++;
  if (argc < 2) return capture_usage_error("missing command");
  const char* command = argv[1];
  if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h") || !std::strcmp(command, "help"))
    return capture_help(nullptr);
  if (!std::strcmp(command, "--version")) return capture_version();
  if (!std::strcmp(command, "show")) return capture_show_main(argc - 1, argv + 1);
  if (!std::strcmp(command, "sheet")) return capture_sheet_main(argc - 1, argv + 1);
  if (!std::strcmp(command, "music")) return capture_music_main(argc - 1, argv + 1);
  if (!std::strcmp(command, "picture")) return capture_picture_main(argc - 1, argv + 1);
  if (command[0] == '-' && command[1] != '\0')
    return capture_usage_error("unknown option '" + shown(command) + "'");
  return capture_usage_error("unknown command '" + shown(command) + "'");
}

}  // namespace

int main(int argc, char** argv) {
  // Memory that runs out anywhere, the frame writer's thread included, ends
  // the run with one line and nothing left of its outputs.
  std::set_new_handler(outputs_out_of_memory);
  outputs_catch_signals();
  int status = run_command(argc, argv);
  // A stop that came after the last check still ends the run as a stop.
  outputs_check_stop();
  if (outputs_stdout_status() != 0 && status == 0) status = 1;
  return status;
}
