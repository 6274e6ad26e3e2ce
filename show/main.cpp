// Tundrix: eight scenes and a module, played once from start to end.
#include "show/sequence.h"
#include "show/start_up.h"

int main() {
  show_start_up();
  show_run_scenes();
}
