// Small deterministic signal-processing kit for synthesising the samples.
// Everything is plain double arithmetic and a fixed-seed generator, so the
// same build machine always produces the same bytes.
#pragma once
#include <cstdint>
#include <vector>

using Signal = std::vector<double>;

constexpr double kPi = 3.14159265358979323846;

// xorshift32: a fixed, portable noise source (std distributions are not).
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 1) {}
  // Uniform in [-1, 1).
  double bipolar();

 private:
  uint32_t state_;
};

// Frequency in Hz of a (possibly fractional) MIDI pitch, A4 = 69 = 440 Hz.
double midi_hz(double midi);

// One cycle of a band-limited wave, read with linear interpolation. Built
// from harmonic amplitudes so loops never carry energy above the rate they
// are rendered for.
class Wavetable {
 public:
  // amps[k] is the sine amplitude of harmonic k + 1.
  explicit Wavetable(const std::vector<double>& amps);
  // phase in cycles; any real value.
  double at(double phase) const;

 private:
  std::vector<double> table_;
};

// Harmonic amplitudes of a sawtooth with `count` harmonics, each further
// multiplied by a gentle low-pass roll-off above `bright` harmonics (0: none).
std::vector<double> saw_harmonics(int count, double bright);
// Odd harmonics only: a square wave.
std::vector<double> square_harmonics(int count, double bright);

// Biquad filter (RBJ cookbook). Kept as a class so a sweep can retune it.
class Biquad {
 public:
  enum Kind { kLowPass, kHighPass, kBandPass };
  Biquad(Kind kind, double hz, double q, double rate);
  // New corner (or centre) frequency and Q; the filter's memory is kept, so
  // a sweep stays smooth. Frequencies are held below 0.45 of the rate.
  void tune(double hz, double q);
  // Filters one sample.
  double run(double x);

 private:
  Kind kind_;
  double rate_;
  double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Scales to a peak of `peak` (of 127) and rounds to signed bytes. The peak
// leaves the mixer headroom decisions to the default volumes and the score.
std::vector<int8_t> to_bytes(const Signal& s, double peak = 127.0);

// A seamless loop: every partial in `voices` completes a whole number of
// cycles in `length` samples, so sample length wraps onto sample 0.
struct LoopVoice {
  const Wavetable* wave;
  int cycles;      // cycles per loop
  double gain;
  double phase;    // start phase in cycles
};
Signal render_loop(int length, const std::vector<LoopVoice>& voices);

// Cycles per loop of `length` samples that best approximate hz at `rate`.
int loop_cycles(double hz, double rate, int length);
