// Tundrix: eight scenes and a module, played once from start to end.
#include "show/sequence.h"

int main() {
  show_start_up();
  show_run_scenes();
}
