// Loads arbitrary bytes as a module and, when they load, plays and mixes a
// few thousand ticks through both devices' blocks.
#include <cstdint>
#include <cstring>
#include <vector>

#include "player/loader.h"
#include "show/start_up.h"
#include "sound/devices.h"
#include "sound/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static uint8_t block[kSoundBlockBytes];
  std::vector<uint8_t> bytes(data, data + size);  // loading converts in place
  const int kind = size % 2 ? kSound8Bit : kSound16Bit;
  sd_offline_init(kind);
  if (!pt_load(bytes.data(), bytes.size())) return 0;
  for (int tick = 0; tick < 3000; ++tick) {
    int n = sound_render_tick(kind, show_music_tick, block);
    if (n <= 0 || n > kSoundBlockBytes) __builtin_trap();
  }
  return 0;
}
