#include "tools/gen_tune/dsp.h"

#include <cmath>

double Rng::bipolar() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_ / 2147483648.0 - 1.0;
}

double midi_hz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

namespace {
constexpr int kTableSize = 4096;
}

Wavetable::Wavetable(const std::vector<double>& amps) : table_(kTableSize + 1, 0.0) {
  for (int i = 0; i < kTableSize; ++i) {
    double x = 2.0 * kPi * i / kTableSize;
    double v = 0;
    for (size_t k = 0; k < amps.size(); ++k) v += amps[k] * std::sin((k + 1) * x);
    table_[i] = v;
  }
  table_[kTableSize] = table_[0];
}

double Wavetable::at(double phase) const {
  double p = (phase - std::floor(phase)) * kTableSize;
  int i = static_cast<int>(p);
  double f = p - i;
  return table_[i] + (table_[i + 1] - table_[i]) * f;
}

std::vector<double> saw_harmonics(int count, double bright) {
  std::vector<double> amps(count);
  for (int k = 1; k <= count; ++k) {
    double roll = bright > 0 ? 1.0 / (1.0 + std::pow(k / bright, 2.0)) : 1.0;
    amps[k - 1] = roll / k;
  }
  return amps;
}

std::vector<double> square_harmonics(int count, double bright) {
  std::vector<double> amps = saw_harmonics(count, bright);
  for (int k = 2; k <= count; k += 2) amps[k - 1] = 0;
  return amps;
}

Biquad::Biquad(Kind kind, double hz, double q, double rate) : kind_(kind), rate_(rate) {
  tune(hz, q);
}

void Biquad::tune(double hz, double q) {
  double w = 2.0 * kPi * std::fmin(hz, rate_ * 0.45) / rate_;
  double alpha = std::sin(w) / (2.0 * q);
  double c = std::cos(w);
  double a0 = 1.0 + alpha;
  switch (kind_) {
    case kLowPass:
      b0_ = (1.0 - c) / 2.0;
      b1_ = 1.0 - c;
      b2_ = b0_;
      break;
    case kHighPass:
      b0_ = (1.0 + c) / 2.0;
      b1_ = -(1.0 + c);
      b2_ = b0_;
      break;
    case kBandPass:
      b0_ = alpha;
      b1_ = 0;
      b2_ = -alpha;
      break;
  }
  b0_ /= a0;
  b1_ /= a0;
  b2_ /= a0;
  a1_ = -2.0 * c / a0;
  a2_ = (1.0 - alpha) / a0;
}

double Biquad::run(double x) {
  double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

std::vector<int8_t> to_bytes(const Signal& s, double peak) {
  double top = 1e-12;
  for (double v : s) top = std::fmax(top, std::fabs(v));
  std::vector<int8_t> out(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    double v = std::round(s[i] / top * peak);
    out[i] = static_cast<int8_t>(std::fmax(-127.0, std::fmin(127.0, v)));
  }
  return out;
}

Signal render_loop(int length, const std::vector<LoopVoice>& voices) {
  Signal out(length, 0.0);
  for (const LoopVoice& v : voices) {
    for (int n = 0; n < length; ++n) {
      // Integer phase arithmetic keeps the loop exactly periodic.
      int64_t whole = static_cast<int64_t>(v.cycles) * n % length;
      out[n] += v.gain * v.wave->at(v.phase + static_cast<double>(whole) / length);
    }
  }
  return out;
}

int loop_cycles(double hz, double rate, int length) {
  int c = static_cast<int>(std::lround(hz * length / rate));
  return c < 1 ? 1 : c;
}
