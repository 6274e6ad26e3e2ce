// Loads arbitrary bytes as a module and, when they load, plays a few hundred
// ticks through the 16-bit stereo device's mixer and then, loaded afresh,
// through the 8-bit mono one: every effect, period and sample the player can
// be driven to must stay inside the sample data and the block.
#include <cstdint>
#include <cstring>
#include <vector>

#include "player/loader.h"
#include "show/music_tick.h"
#include "sound/devices.h"
#include "sound/stream.h"

namespace {

constexpr int kTicksPerDevice = 150;

void play(const uint8_t* data, size_t size, int kind) {
  static uint8_t block[kSoundBlockBytes];
  std::vector<uint8_t> bytes(data, data + size);  // loading converts in place
  sd_offline_init(kind);
  if (!pt_load(bytes.data(), bytes.size())) return;
  for (int tick = 0; tick < kTicksPerDevice; ++tick) {
    int n = sound_render_tick(kind, show_music_tick, block);
    if (n <= 0 || n > kSoundBlockBytes) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  play(data, size, kSound16Bit);
  play(data, size, kSound8Bit);
  return 0;
}
