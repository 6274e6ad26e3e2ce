// Software mixer: up to 32 channels of 8-bit signed samples, pitched by
// Amiga-style periods, rendered by nearest-sample stepping in 32.32 fixed
// point through a table of pre-multiplied sample values.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kMixChannels = 32;
constexpr int kMixSampleSlots = 32;         // sample numbers 1..31; slot 0 unused
constexpr int kMixMaxFrames = 10240;        // the most frames one block can hold
constexpr uint32_t kMixPeriodClock = 3546836;  // Amiga colour clock / 1 byte per period tick

// One channel's "registers". The player writes the control copy through the
// channel operations; each block takes them over into the mixing copy.
struct MixChannel {
  const int8_t* data;
  uint32_t sample;
  int32_t volume;              // 0..64, more after a set-volume above 64
  uint32_t position_fraction;
  uint32_t position;           // byte index into data
  uint32_t step_fraction;      // low 8 bits always 0
  uint32_t step;
  uint32_t loop_start;
  uint32_t loop_end;           // play wraps when the position reaches it
  uint32_t looped;             // 1 = loop, 0 = play once
  uint32_t length;             // bytes; 0 = no sample
  int32_t panning;             // 0 = full left .. 255 = full right
  int32_t reserved;
  uint32_t step_changed;
  uint32_t position_changed;
};

// Sets the output rate (frames per second, used for pitch), resets both
// channel arrays and the sample table, and builds the volume table.
void mixer_init(int rate);

// Both channel arrays back to how mixer_init leaves them (the first channel
// selected); the samples, the rate, the master volume and the channel count
// stay. For music moved to another point: no channel sounds on from before.
void mix_reset_channels();

// The nine channel operations every sound device shares. They only change
// state; nothing renders until the next mix_mono/mix_stereo.
//
// Registers sample n (1..31; other numbers are ignored). The loop is
// clamped to the length; a loop that ends up shorter than 3 bytes plays once.
void mix_set_sample(int n, const int8_t* data, uint32_t length, uint32_t loop_start,
                    uint32_t loop_end, int looped);
// Later operations act on control channel i (0..31; others are ignored).
void mix_select_channel(int i);
// The current channel takes sample n's data and loop; position and step stay.
void mix_set_instrument(int n);
// Sets the step for an Amiga period; a period of 0 or below keeps the old step.
void mix_set_period(int period);
// Stored without limits; levels saturate at 255 when mixing.
void mix_set_volume(int volume);
void mix_set_panning(int panning);
// Moves the play position to offset bytes if it lies inside the sample; an
// offset past the loop end also turns the loop off until the next instrument.
void mix_set_offset(uint32_t offset);
// 0..252; larger values store 252, negative ones 0.
void mix_set_master_volume(int volume);
// Channels mixed from now on (0..32, clamped).
void mix_set_channels(int count);

// Render one block of frames (at most kMixMaxFrames; larger requests are cut
// to that) into out: 8-bit unsigned or 16-bit signed little-endian samples,
// mono or interleaved left/right. Returns the number of frames written.
int mix_mono(void* out, int frames, bool sixteen_bit);
int mix_stereo(void* out, int frames, bool sixteen_bit);

// Read-only views for tests and tools.
const MixChannel& mix_control_channel(int i);
const MixChannel& mix_mixing_channel(int i);
int mix_rate();
int mix_master_volume();
int mix_channel_count();
