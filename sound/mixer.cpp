// The mixer: control channels written by the player, mixing channels that
// the render loop advances, and the volume table that replaces per-sample
// multiplication.
#include "sound/mixer.h"

#include <cmath>
#include <cstring>

namespace {

// Play positions and steps are 32.32 fixed point: integer byte index above,
// fraction below.
constexpr int kFracShift = 32;
constexpr uint64_t kFracMask = (uint64_t(1) << kFracShift) - 1;

struct SampleSlot {
  const int8_t* data;
  uint32_t length;
  uint32_t loop_start;
  uint32_t loop_end;
  uint32_t looped;
};

struct Mixer {
  int rate = 44100;
  int current = 0;
  int master = 63;
  int channels = 4;
  SampleSlot samples[kMixSampleSlots];
  MixChannel control[kMixChannels];
  MixChannel mixing[kMixChannels];
  int32_t accumulators[2 * kMixMaxFrames];
};

Mixer mixer;
// Entry (level << 8 | byte) = level * (signed) byte.
int32_t volume_table[256 * 256];

constexpr MixChannel kFreshChannel = {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 127, 0, 1, 1};

// Only one flow at a time touches the mixer (the sound handler, or the main
// flow before it is installed), so a plain reference to the selected channel
// is enough.
MixChannel& current_channel() { return mixer.control[mixer.current]; }

uint64_t join(uint32_t whole, uint32_t fraction) {
  return (uint64_t(whole) << kFracShift) | fraction;
}

// 255 * master * volume / 8064 keeps every level of the usual settings
// (master 64, volume 0..64) inside 0..129; louder settings saturate.
uint32_t clamp_level(uint64_t level) { return level > 255 ? 255 : uint32_t(level); }

void take_over(int i) {
  MixChannel& c = mixer.control[i];
  MixChannel& m = mixer.mixing[i];
  MixChannel next = c;
  if (!c.position_changed) {
    next.position = m.position;
    next.position_fraction = m.position_fraction;
  }
  if (!c.step_changed) {
    next.step = m.step;
    next.step_fraction = m.step_fraction;
  }
  m = next;
  c.position_changed = 0;
  c.step_changed = 0;
}

// Advances one mixing channel through the block, adding into the
// accumulators (stride 1 for mono, 2 for stereo). Most of the CPU time is
// spent here.
template <int kStride>
void mix_channel(MixChannel& ch, int frames, uint32_t level_a, uint32_t level_b) {
  const int32_t* table_a = &volume_table[level_a << 8];
  const int32_t* table_b = &volume_table[level_b << 8];
  const uint8_t* data = reinterpret_cast<const uint8_t*>(ch.data);
  int32_t* acc = mixer.accumulators;
  uint64_t pos = join(ch.position, ch.position_fraction);
  const uint64_t step = join(ch.step, ch.step_fraction);
  const bool looped = ch.looped != 0;
  const uint64_t end = uint64_t(looped ? ch.loop_end : ch.length) << kFracShift;
  const uint64_t restart = uint64_t(ch.loop_start) << kFracShift;
  for (int f = 0; f < frames; ++f) {
    pos += step;
    if (pos >= end) {
      if (!looped) {
        // A play-once sample that ran out parks for the rest of the block.
        pos = 0;
        ch.step = ch.step_fraction = 0;
        break;
      }
      // The overshoot is dropped: the loop restarts exactly at its start.
      pos = restart | (pos & kFracMask);
    }
    uint8_t b = data[pos >> kFracShift];
    acc[f * kStride] += table_a[b];
    if constexpr (kStride == 2) acc[f * kStride + 1] += table_b[b];
  }
  ch.position = uint32_t(pos >> kFracShift);
  ch.position_fraction = uint32_t(pos & kFracMask);
  if (!looped && ch.position == 0 && ch.position_fraction == 0) {
    ch.step = ch.step_fraction = 0;
    ch.volume = 0;
  }
}

template <int kStride>
void mix_block(int frames) {
  for (int i = 0; i < mixer.channels; ++i) take_over(i);
  std::memset(mixer.accumulators, 0, sizeof(int32_t) * kStride * frames);
  const uint64_t master = uint32_t(mixer.master);
  for (int i = 0; i < mixer.channels; ++i) {
    MixChannel& ch = mixer.mixing[i];
    if (ch.length == 0 || ch.volume == 0 || ch.data == nullptr) continue;
    const uint64_t volume = uint32_t(ch.volume);
    if constexpr (kStride == 1) {
      mix_channel<1>(ch, frames, clamp_level(255 * master * volume / 8064), 0);
    } else {
      const uint64_t pan = uint32_t(ch.panning);
      const uint64_t left = uint32_t(255 - ch.panning);
      mix_channel<2>(ch, frames, clamp_level(left * volume * master / 8064),
                     clamp_level(pan * volume * master / 8064));
    }
  }
}

void convert(void* out, int count, bool sixteen_bit) {
  const int32_t* acc = mixer.accumulators;
  uint8_t* bytes = static_cast<uint8_t*>(out);
  if (sixteen_bit) {
    for (int i = 0; i < count; ++i) {
      int32_t v = acc[i] < -32768 ? -32768 : acc[i] > 32767 ? 32767 : acc[i];
      bytes[2 * i] = uint8_t(v & 0xFF);
      bytes[2 * i + 1] = uint8_t((v >> 8) & 0xFF);
    }
  } else {
    for (int i = 0; i < count; ++i) {
      int32_t v = acc[i] >> 9;
      v = v < -128 ? -128 : v > 127 ? 127 : v;
      bytes[i] = uint8_t(v + 128);
    }
  }
}

int clamp_frames(int frames) { return frames < 0 ? 0 : frames > kMixMaxFrames ? kMixMaxFrames : frames; }

}  // namespace

void mix_reset_channels() {
  mixer.current = 0;
  for (int i = 0; i < kMixChannels; ++i) mixer.control[i] = mixer.mixing[i] = kFreshChannel;
}

void mixer_init(int rate) {
  if (rate > 0) mixer.rate = rate;
  mix_reset_channels();
  for (SampleSlot& s : mixer.samples) s = {};
  for (int v = 0; v < 256; ++v)
    for (int b = 0; b < 256; ++b) volume_table[v << 8 | b] = v * int8_t(uint8_t(b));
}

void mix_set_sample(int n, const int8_t* data, uint32_t length, uint32_t loop_start,
                    uint32_t loop_end, int looped) {
  if (n < 0 || n >= kMixSampleSlots) return;
  if (data == nullptr) length = 0;
  if (loop_end > length) loop_end = length;
  if (loop_start >= loop_end || loop_end - loop_start <= 2) {
    looped = 0;
    loop_start = loop_end = 0;
  }
  mixer.samples[n] = {data, length, loop_start, loop_end, uint32_t(looped ? 1 : 0)};
}

void mix_select_channel(int i) {
  if (i >= 0 && i < kMixChannels) mixer.current = i;
}

void mix_set_instrument(int n) {
  if (n < 0 || n >= kMixSampleSlots) return;
  const SampleSlot& s = mixer.samples[n];
  MixChannel& ch = current_channel();
  ch.data = s.data;
  ch.length = s.length;
  ch.loop_start = s.loop_start;
  ch.loop_end = s.loop_end;
  ch.looped = s.looped;
  ch.sample = uint32_t(n);
}

void mix_set_period(int period) {
  // No pitch belongs to a period of 0 or below (a slide on a channel that
  // never had a note, deep vibrato on the highest notes): keep the old step.
  if (period <= 0) return;
  MixChannel& ch = current_channel();
  const uint32_t rate = uint32_t(mixer.rate);
  ch.step = (kMixPeriodClock / uint32_t(period)) / rate;
  double whole;
  double fraction = std::modf(double(kMixPeriodClock) / (double(rate) * period), &whole);
  ch.step_fraction = uint32_t(int64_t(fraction * 16777216.0)) * 256u;
  ch.step_changed = 1;
}

void mix_set_volume(int volume) { current_channel().volume = volume; }

void mix_set_panning(int panning) { current_channel().panning = panning; }

void mix_set_offset(uint32_t offset) {
  MixChannel& ch = current_channel();
  if (ch.loop_end < offset) ch.looped = 0;
  if (offset < ch.length) {
    ch.position = offset;
    ch.position_fraction = 0;
    ch.position_changed = 1;
  }
}

void mix_set_master_volume(int volume) { mixer.master = volume < 0 ? 0 : volume > 252 ? 252 : volume; }

void mix_set_channels(int count) { mixer.channels = count < 0 ? 0 : count > kMixChannels ? kMixChannels : count; }

int mix_mono(void* out, int frames, bool sixteen_bit) {
  frames = clamp_frames(frames);
  mix_block<1>(frames);
  convert(out, frames, sixteen_bit);
  return frames;
}

int mix_stereo(void* out, int frames, bool sixteen_bit) {
  frames = clamp_frames(frames);
  mix_block<2>(frames);
  convert(out, 2 * frames, sixteen_bit);
  return frames;
}

const MixChannel& mix_control_channel(int i) { return mixer.control[i & (kMixChannels - 1)]; }
const MixChannel& mix_mixing_channel(int i) { return mixer.mixing[i & (kMixChannels - 1)]; }
int mix_rate() { return mixer.rate; }
int mix_master_volume() { return mixer.master; }
int mix_channel_count() { return mixer.channels; }
