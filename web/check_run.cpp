#include "web/check_run.h"

#include <utility>
#include <vector>

#include "base/clock.h"
#include "display/display.h"
#include "display/virtual_machine.h"
#include "show/go_to.h"
#include "show/music_tick.h"
#include "show/sequence.h"
#include "show/start_up.h"
#include "sound/devices.h"
#include "sound/stream.h"

namespace {

constexpr int kYieldSlots = 200;

struct CheckState {
  long long first_slot = 0;
  CheckPlan plan;
  std::vector<uint64_t> hashes;
  std::vector<uint32_t> ticks;
  // Where the clock was moved: from each slot on, a slot's tick is the slot
  // plus the ticks moved by then.
  std::vector<std::pair<long long, int64_t>> moves = {{0, 0}};
  std::vector<int16_t> sound;  // from the start of the show
  uint64_t sound_frames = 0;
  CheckHooks hooks = {};
} check;

uint8_t block[kSoundBlockBytes];

int sound_init() { return sd_offline_init(kSound16Bit); }

// The capture's sound: player ticks and their blocks until the stream
// covers the virtual time reached.
void render_sound(double seconds) {
  // Every move reads the clock: the reading after it notices the move.
  if (show_clock_moved_ticks() != check.moves.back().second)
    check.moves.push_back({vm_current_slot(), show_clock_moved_ticks()});
  const double target = seconds * kSoundRate16Bit;
  while (double(check.sound_frames) < target) {
    const int bytes = sound_render_tick(kSound16Bit, show_music_tick, block);
    if (bytes <= 0) return;
    for (int i = 0; i + 1 < bytes; i += 2) check.sound.push_back(int16_t(block[i] | block[i + 1] << 8));
    check.sound_frames += uint64_t(bytes) / 4;
  }
}

void keep_slot(long long slot, const uint32_t* frame) {
  if (slot >= check.first_slot && (vm.last_slot < 0 || slot <= vm.last_slot)) {
    check.hashes.push_back(check_frame_hash(frame));
    auto move = check.moves.rbegin();
    while (move->first > slot) ++move;
    check.ticks.push_back(uint32_t(slot + move->second));
    if (check.hooks.shown) check.hooks.shown(frame);
  }
  if (check.hooks.yield && slot % kYieldSlots == 0) check.hooks.yield();
}

// Each key at the first poll or present in its slot or later, as a key
// typed meanwhile waits in the input.
void press_keys(long long slot) {
  static int pressed = 0;
  while (pressed < check.plan.key_count && check.plan.keys[pressed].slot <= slot)
    display_push_key(static_cast<DisplayKey>(check.plan.keys[pressed++].key));
}

// The show's end closes the display: the stream is cut where the capture
// cuts its WAV, and the result goes out.
void finish() {
  const long long end_slot = vm.last_slot >= 0 && vm.next_slot > vm.last_slot + 1 ? vm.last_slot + 1 : vm.next_slot;
  const double end = double(end_slot) * vm_slot_seconds();
  render_sound(end);
  size_t begin = 2 * static_cast<size_t>(double(check.first_slot) * vm_slot_seconds() * kSoundRate16Bit);
  size_t stop = 2 * static_cast<size_t>(end * kSoundRate16Bit);
  if (stop > check.sound.size()) stop = check.sound.size();
  if (begin > stop) begin = stop;
  check.hooks.report({check.hashes.data(), check.ticks.data(), check.hashes.size(), check.first_slot,
                      check.sound.data() + begin, stop - begin});
}

}  // namespace

uint64_t check_frame_hash(const uint32_t* frame) {
  uint64_t h = 0xCBF29CE484222325u;
  for (int i = 0; i < kFramePixels; i++) h = (h ^ frame[i]) * 0x100000001B3u;
  return h;
}

void check_run(const CheckPlan& plan, const CheckHooks& hooks) {
  constexpr long long kFps = 70;  // one slot per show tick
  check.first_slot = plan.from;
  check.plan = plan;
  check.hooks = hooks;
  show_prepare(sound_init);
  vm_start(kFps, plan.to < 0 ? -1 : plan.to, keep_slot, render_sound, finish);
  vm.polled = press_keys;
  if (plan.start > 0) show_go_to(plan.start);
  show_run_scenes();
}
