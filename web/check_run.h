// The browser build's check run: the whole show (or a stretch of it) on the
// capture's virtual machine at 70 frames per second, with the 16-bit sound
// stream the capture renders, reduced to one hash per frame and the stream's
// bytes. The same source runs natively (tests/web) and in the browser, and
// the two runs must agree frame for frame.
#pragma once
#include <cstddef>
#include <cstdint>

// What a check run delivers at its end: the hash of every slot from the
// first slot on (see check_frame_hash) and the show tick each slot shows
// (the slot's number in a run from the show's start that nothing moved),
// and the sound of those slots as interleaved 16-bit little-endian stereo
// samples at 32,000 Hz, trimmed as the capture trims its WAV.
struct CheckResult {
  const uint64_t* frame_hashes;
  const uint32_t* frame_ticks;
  size_t frames;
  long long first_slot;
  const int16_t* sound;
  size_t sound_samples;
};

// 64-bit FNV-1a over the frame's 64,000 pixel words: equal frames give equal
// hashes in every build.
uint64_t check_frame_hash(const uint32_t* frame);

// What a check run renders: slots from to to (to < 0: to the show's end),
// the earlier ones rendered but not kept; the show moved to tick start
// first, as a later start does (0: from the show's start); and keys pressed
// in given slots, in slot order (the show takes each at its next poll or
// present).
struct CheckKey {
  long long slot;
  int key;  // a DisplayKey
};
struct CheckPlan {
  long long from = 0, to = -1;
  uint32_t start = 0;
  const CheckKey* keys = nullptr;
  int key_count = 0;
};

// Runs the show on the virtual machine as planned. Calls report once with
// the result, when the show ends (the end then goes on as usual: the
// closing message and the exit). The hooks may be null: shown gets every
// kept frame (the page draws it), yield is called every few hundred slots so
// that a browser page can breathe. Never returns.
struct CheckHooks {
  void (*report)(const CheckResult&);
  void (*shown)(const uint32_t* frame);
  void (*yield)();
};
[[noreturn]] void check_run(const CheckPlan& plan, const CheckHooks& hooks);
