// Arbitrary bytes through the module loader only: it must never read outside
// the data, and a module it accepts must describe only bytes that are there.
// Parsing alone runs thousands of inputs a second; playing them is the player
// fuzzer's work.
#include <cstdint>
#include <cstring>
#include <vector>

#include "player/loader.h"
#include "sound/devices.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = sd_offline_init(kSound16Bit);
  (void)ready;
  // Loading converts the patterns in place; an exactly sized copy lets the
  // sanitizer see any read past the end.
  std::vector<uint8_t> bytes(data, data + size);
  if (pt_load(bytes.data(), bytes.size()) == 0 && pt_load_error()[0] == 0) __builtin_trap();
  return 0;
}
