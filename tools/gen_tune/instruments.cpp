#include "tools/gen_tune/instruments.h"

#include <cmath>

#include "tools/gen_tune/dsp.h"
#include "tools/gen_tune/periods.h"

// Drums are written at the rate of note index 60 (about 33 kHz), close to the
// 32 kHz device, so they play back almost sample for sample. Pitched sounds
// live at note 48 (about 16.6 kHz) and are voiced so that the score's notes
// land between indices 36 and 62, where the period table is well in tune.
namespace {

constexpr int kDrumNote = 60;
constexpr int kToneNote = 48;

double drum_rate() { return note_rate(kDrumNote); }
double tone_rate() { return note_rate(kToneNote); }

int samples_for(double seconds, double rate) {
  int n = static_cast<int>(seconds * rate);
  return n & ~1;
}

// A sample's bytes, of even length.
Instrument sampled(const char* name, int base, int root, int volume, const Signal& s, double peak) {
  Instrument in;
  in.name = name;
  in.base_note = base;
  in.root_midi = root;
  in.volume = volume;
  in.data = to_bytes(s, peak);
  if (in.data.size() & 1) in.data.push_back(0);
  return in;
}

// A sample that plays once begins with two zero bytes, as trackers expect: a
// player parks a finished one-shot channel on its first byte and keeps
// adding that byte to the mix until the next note.
Instrument one_shot(const char* name, int base, int root, int volume, const Signal& s,
                    double peak = 127.0) {
  Instrument in = sampled(name, base, root, volume, s, peak);
  in.data.insert(in.data.begin(), 2, 0);
  return in;
}

// Attack ramp followed by a seamless loop of the same periodic signal.
Instrument looped(const char* name, int root, int volume, const Signal& loop, double attack_s,
                  double peak = 127.0) {
  int attack = samples_for(attack_s, tone_rate());
  Signal s(attack + loop.size());
  for (size_t n = 0; n < s.size(); ++n) {
    double env = n < static_cast<size_t>(attack) ? std::pow(static_cast<double>(n) / attack, 1.5) : 1.0;
    s[n] = loop[n % loop.size()] * env;
  }
  Instrument in = sampled(name, kToneNote, root, volume, s, peak);
  in.loop_start = attack;
  in.loop_length = static_cast<int>(loop.size());
  return in;
}

// ---- drums --------------------------------------------------------------

Signal kick() {
  double rate = drum_rate();
  Signal s(samples_for(0.42, rate));
  Rng rng(11);
  Biquad click(Biquad::kLowPass, 3000, 0.7, rate);
  double phase = 0;
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double hz = 46 + 120 * std::exp(-t / 0.03) + 40 * std::exp(-t / 0.004);
    phase += hz / rate;
    double body = std::sin(2 * kPi * phase) * std::exp(-t / 0.22) * std::fmin(1.0, t / 0.001);
    double c = click.run(rng.bipolar()) * std::exp(-t / 0.004) * 0.8;
    s[n] = std::tanh(1.6 * (body + c));
  }
  return s;
}

Signal snare() {
  double rate = drum_rate();
  Signal s(samples_for(0.34, rate));
  Rng rng(23);
  Biquad hp(Biquad::kHighPass, 1400, 0.7, rate);
  Biquad bp(Biquad::kBandPass, 5200, 0.8, rate);
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double body = (std::sin(2 * kPi * 182 * t) + 0.5 * std::sin(2 * kPi * 331 * t)) *
                  std::exp(-t / 0.05);
    double x = rng.bipolar();
    double noise = (hp.run(x) * 0.8 + bp.run(x) * 0.6) * std::exp(-t / 0.1);
    s[n] = std::tanh(1.3 * (0.8 * body + 1.2 * noise));
  }
  return s;
}

// Six detuned square partials: the metallic core of hats and cymbals.
double metal(double t, double scale) {
  static const double hz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  double v = 0;
  for (double f : hz) v += std::sin(2 * kPi * f * scale * t) > 0 ? 1.0 : -1.0;
  return v / 6.0;
}

Signal hat(double seconds, double decay, uint32_t seed) {
  double rate = drum_rate();
  Signal s(samples_for(seconds, rate));
  Rng rng(seed);
  Biquad hp(Biquad::kHighPass, 7000, 0.9, rate);
  Biquad hp2(Biquad::kHighPass, 6000, 0.7, rate);
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double x = 0.6 * metal(t, 8.0) + 0.7 * rng.bipolar();
    s[n] = hp2.run(hp.run(x)) * std::exp(-t / decay) * std::fmin(1.0, t / 0.0005);
  }
  return s;
}

Signal crash() {
  double rate = drum_rate();
  Signal s(samples_for(1.55, rate));
  Rng rng(37);
  Biquad hp(Biquad::kHighPass, 3500, 0.7, rate);
  Biquad bp(Biquad::kBandPass, 9000, 0.6, rate);
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double x = 0.5 * metal(t, 5.3) + rng.bipolar();
    double env = std::exp(-t / 0.45) * 0.85 + 0.15 * std::exp(-t / 0.03);
    s[n] = (hp.run(x) + 0.5 * bp.run(x)) * env;
  }
  return s;
}

Signal clap() {
  double rate = drum_rate();
  Signal s(samples_for(0.3, rate));
  Rng rng(41);
  Biquad bp(Biquad::kBandPass, 1200, 1.4, rate);
  const double bursts[4] = {0.0, 0.011, 0.022, 0.034};
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double env = 0;
    for (int b = 0; b < 4; ++b) {
      double d = t - bursts[b];
      if (d >= 0) env += std::exp(-d / (b == 3 ? 0.085 : 0.006));
    }
    s[n] = bp.run(rng.bipolar()) * env;
  }
  return s;
}

Signal tom() {
  double rate = drum_rate();
  Signal s(samples_for(0.45, rate));
  double phase = 0;
  Rng rng(43);
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    phase += 98 * (1 + 0.5 * std::exp(-t / 0.06)) / rate;
    s[n] = std::sin(2 * kPi * phase) * std::exp(-t / 0.17) + 0.1 * rng.bipolar() * std::exp(-t / 0.01);
  }
  return s;
}

// ---- effects --------------------------------------------------------------

// Noise through a resonant band-pass that sweeps up: the wipe and build riser.
Signal riser() {
  double rate = tone_rate();
  Signal s(64000);
  Rng rng(53);
  Biquad bp(Biquad::kBandPass, 300, 4, rate);
  double phase = 0;
  for (size_t n = 0; n < s.size(); ++n) {
    double u = static_cast<double>(n) / s.size();
    double hz = 250 * std::pow(24.0, u);
    bp.tune(hz, 3 + 5 * u);
    phase += hz * 0.5 / rate;
    double tone = 0.25 * std::sin(2 * kPi * phase);
    double env = std::pow(u, 1.4) * (u > 0.97 ? (1 - u) / 0.03 : 1.0);
    s[n] = (bp.run(rng.bipolar()) * 3 + tone) * env;
  }
  return s;
}

Signal boom() {
  double rate = tone_rate();
  Signal s(samples_for(1.6, rate));
  Rng rng(59);
  Biquad lp(Biquad::kLowPass, 900, 0.7, rate);
  double phase = 0;
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    phase += (34 + 50 * std::exp(-t / 0.12)) / rate;
    double body = std::sin(2 * kPi * phase) * std::exp(-t / 0.55);
    double hit = lp.run(rng.bipolar()) * std::exp(-t / 0.09);
    s[n] = std::tanh(1.4 * (body + 0.7 * hit));
  }
  return s;
}

Signal zap() {
  double rate = tone_rate();
  Signal s(samples_for(0.55, rate));
  double phase = 0, mod = 0;
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double hz = 60 + 2400 * std::exp(-t / 0.09);
    mod += hz * 1.5 / rate;
    phase += hz / rate;
    s[n] = std::sin(2 * kPi * phase + 2.5 * std::exp(-t / 0.2) * std::sin(2 * kPi * mod)) *
           std::exp(-t / 0.25);
  }
  return s;
}

// A cymbal played backwards: swells into the downbeat it lands on.
Signal swell() {
  double rate = tone_rate();
  Signal s(samples_for(1.9, rate));
  Rng rng(61);
  Biquad hp(Biquad::kHighPass, 2500, 0.7, rate);
  for (size_t n = 0; n < s.size(); ++n) {
    double left = (s.size() - n) / rate;
    double x = 0.4 * metal(n / rate, 4.1) + rng.bipolar();
    s[n] = hp.run(x) * std::exp(-left / 0.55);
  }
  return s;
}

// ---- pitched --------------------------------------------------------------

int harmonics_below(double hz, double limit) {
  int k = static_cast<int>(limit / hz);
  return k < 1 ? 1 : k;
}

Instrument sub_bass() {
  double rate = tone_rate();
  int root = 36;
  double hz = midi_hz(root);
  int length = 4096;
  Wavetable w({1.0, 0.18, 0.06});
  Signal loop = render_loop(length, {{&w, loop_cycles(hz, rate, length), 1.0, 0.0}});
  return looped("sub", root, 52, loop, 0.004);
}

// Two slowly beating, filtered saws an octave-and-unison deep.
Instrument reese() {
  double rate = tone_rate();
  int root = 36;
  double hz = midi_hz(root);
  int length = 16574;
  Wavetable w(saw_harmonics(harmonics_below(hz, 7000), 9));
  Wavetable sub({1.0});
  int c = loop_cycles(hz, rate, length);
  Signal loop = render_loop(length, {{&w, c, 0.6, 0.0}, {&w, c + 1, 0.5, 0.3}, {&sub, c, 0.5, 0.0}});
  return looped("bass", root, 50, loop, 0.006);
}

Instrument pluck_bass() {
  double rate = tone_rate();
  int root = 36;
  double hz = midi_hz(root);
  Signal s(samples_for(0.7, rate));
  Biquad lp(Biquad::kLowPass, 2000, 2.2, rate);
  double phase = 0;
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    phase += hz / rate;
    double p = phase - std::floor(phase);
    double saw = 2 * p - 1;
    lp.tune(180 + 2600 * std::exp(-t / 0.07), 2.0);
    s[n] = std::tanh(1.5 * (lp.run(saw) + 0.5 * std::sin(2 * kPi * phase))) *
           std::exp(-t / 0.45) * std::fmin(1.0, t / 0.002);
  }
  return one_shot("pluckbass", kToneNote, root, 56, s);
}

// Detuned saw stack over the given chord (semitones above the root).
Signal saw_stack(int root, const std::vector<int>& chord, int length, double bright, int spread) {
  double rate = tone_rate();
  std::vector<Wavetable> waves;
  waves.reserve(chord.size());
  for (int iv : chord) {
    double hz = midi_hz(root + iv);
    waves.emplace_back(saw_harmonics(harmonics_below(hz, 7500), bright));
  }
  std::vector<LoopVoice> voices;
  for (size_t i = 0; i < chord.size(); ++i) {
    int c = loop_cycles(midi_hz(root + chord[i]), rate, length);
    for (int d = -spread; d <= spread; ++d) {
      voices.push_back({&waves[i], c + d, d == 0 ? 1.0 : 0.7, 0.137 * (d + 3) + 0.31 * i});
    }
  }
  return render_loop(length, voices);
}

Instrument strings() {
  return looped("strings", 62, 40, saw_stack(62, {0}, 45000, 6, 2), 0.35);
}

Instrument chord_pad(const char* name, int third) {
  return looped(name, 62, 40, saw_stack(62, {-12, 0, 7, 12 + third}, 40000, 4, 1), 0.25);
}

// Additive vowel: harmonics weighted by three formants of an open "ah".
Instrument choir() {
  double rate = tone_rate();
  int root = 62;
  double hz = midi_hz(root);
  int count = harmonics_below(hz, 7000);
  std::vector<double> amps(count);
  const double formant[3][3] = {{800, 80, 1.0}, {1150, 90, 0.5}, {2900, 120, 0.25}};
  for (int k = 1; k <= count; ++k) {
    double f = k * hz, a = 0.02;
    for (const auto& fm : formant) a += fm[2] / (1.0 + std::pow((f - fm[0]) / fm[1], 2.0));
    amps[k - 1] = a;
  }
  Wavetable w(amps);
  int length = 36000;
  int c = loop_cycles(hz, rate, length);
  Signal loop = render_loop(length, {{&w, c - 1, 0.8, 0.0}, {&w, c, 1.0, 0.4}, {&w, c + 1, 0.8, 0.7}});
  return looped("choir", root, 40, loop, 0.3);
}

Instrument lead() {
  double rate = tone_rate();
  int root = 74;
  double hz = midi_hz(root);
  int length = 8288;
  Wavetable saw(saw_harmonics(harmonics_below(hz, 7800), 7));
  Wavetable sq(square_harmonics(harmonics_below(hz, 7800), 9));
  int c = loop_cycles(hz, rate, length);
  Signal loop = render_loop(length, {{&saw, c, 0.7, 0.0}, {&saw, c + 1, 0.5, 0.2}, {&sq, c, 0.45, 0.5}});
  return looped("lead", root, 50, loop, 0.01);
}

Instrument flute() {
  double rate = tone_rate();
  int root = 74;
  double hz = midi_hz(root);
  int length = 16576;
  Wavetable w({1.0, 0.25, 0.1, 0.04});
  int c = loop_cycles(hz, rate, length);
  Signal loop = render_loop(length, {{&w, c, 1.0, 0.0}});
  Rng rng(67);
  Biquad bp(Biquad::kBandPass, hz * 2, 2, rate);
  Signal breath(length);
  for (int i = 0; i < 2 * length; ++i) breath[i % length] = bp.run(rng.bipolar());
  for (int n = 0; n < length; ++n) loop[n] += 0.25 * breath[n];
  return looped("flute", root, 44, loop, 0.05);
}

Instrument pluck() {
  double rate = tone_rate();
  int root = 74;
  double hz = midi_hz(root);
  Signal s(samples_for(0.5, rate));
  Wavetable w(saw_harmonics(harmonics_below(hz, 7800), 4));
  Biquad lp(Biquad::kLowPass, 3000, 1.5, rate);
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double x = w.at(hz * t) + 0.6 * w.at(hz * 1.003 * t + 0.25);
    lp.tune(700 + 6000 * std::exp(-t / 0.06), 1.5);
    s[n] = lp.run(x) * std::exp(-t / 0.16) * std::fmin(1.0, t / 0.001);
  }
  return one_shot("pluck", kToneNote, root, 34, s);
}

// Two-operator FM with a decaying index: bells at ratio 3.5, keys at 1.
Signal fm_tone(double hz, double seconds, double ratio, double index, double decay,
               double index_decay) {
  double rate = tone_rate();
  Signal s(samples_for(seconds, rate));
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate;
    double m = index * std::exp(-t / index_decay) * std::sin(2 * kPi * hz * ratio * t);
    s[n] = std::sin(2 * kPi * hz * t + m) * std::exp(-t / decay) * std::fmin(1.0, t / 0.002);
  }
  return s;
}

Instrument bell() {
  int root = 74;
  Signal a = fm_tone(midi_hz(root), 2.2, 3.5, 2.2, 0.8, 0.5);
  Signal b = fm_tone(midi_hz(root) * 2.0, 2.2, 1.0, 0.5, 0.3, 0.2);
  for (size_t n = 0; n < a.size(); ++n) a[n] += 0.3 * b[n];
  return one_shot("bell", kToneNote, root, 40, a);
}

Instrument epiano() {
  int root = 62;
  Signal a = fm_tone(midi_hz(root), 1.4, 1.0, 1.6, 0.55, 0.25);
  Signal b = fm_tone(midi_hz(root), 1.4, 14.0, 0.6, 0.03, 0.02);
  for (size_t n = 0; n < a.size(); ++n) a[n] += 0.25 * b[n];
  return one_shot("epiano", kToneNote, root, 44, a);
}

Instrument stab() {
  double rate = tone_rate();
  int root = 62;
  Signal s(samples_for(0.4, rate));
  const int chord[4] = {0, 3, 7, 12};
  std::vector<Wavetable> w;
  for (int iv : chord) w.emplace_back(saw_harmonics(harmonics_below(midi_hz(root + iv), 7800), 0));
  Biquad lp(Biquad::kLowPass, 3000, 1.2, rate);
  for (size_t n = 0; n < s.size(); ++n) {
    double t = n / rate, x = 0;
    for (int i = 0; i < 4; ++i) x += w[i].at(midi_hz(root + chord[i]) * t);
    lp.tune(500 + 5000 * std::exp(-t / 0.05), 1.2);
    s[n] = lp.run(x) * std::exp(-t / 0.12) * std::fmin(1.0, t / 0.001);
  }
  return one_shot("stab", kToneNote, root, 44, s);
}

}  // namespace

std::vector<Instrument> make_instruments() {
  std::vector<Instrument> all;
  all.push_back(one_shot("kick", kDrumNote, 60, 64, kick()));
  all.push_back(one_shot("snare", kDrumNote, 60, 50, snare()));
  all.push_back(one_shot("hat", kDrumNote, 60, 46, hat(0.1, 0.022, 29)));
  all.push_back(one_shot("ohat", kDrumNote, 60, 40, hat(0.45, 0.13, 31)));
  all.push_back(one_shot("crash", kDrumNote, 60, 40, crash()));
  all.push_back(one_shot("clap", kDrumNote, 60, 44, clap()));
  all.push_back(one_shot("tom", kDrumNote, 60, 50, tom()));
  all.push_back(one_shot("riser", kToneNote, 60, 40, riser()));
  all.push_back(one_shot("boom", kToneNote, 60, 46, boom()));
  all.push_back(one_shot("zap", kToneNote, 60, 40, zap()));
  all.push_back(one_shot("swell", kToneNote, 60, 40, swell()));
  all.push_back(sub_bass());
  all.push_back(reese());
  all.push_back(pluck_bass());
  all.push_back(strings());
  all.push_back(chord_pad("minor", 3));
  all.push_back(chord_pad("major", 4));
  all.push_back(choir());
  all.push_back(lead());
  all.push_back(flute());
  all.push_back(pluck());
  all.push_back(bell());
  all.push_back(epiano());
  all.push_back(stab());
  Instrument end;
  end.name = "end";
  end.volume = 0;
  all.push_back(end);
  return all;
}
