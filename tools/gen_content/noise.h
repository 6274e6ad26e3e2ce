// Deterministic randomness for the generators: an integer hash, a seeded
// generator and value noise. No global state, so every picture is the same
// whatever was generated before it.
#pragma once
#include <cstdint>

// Mixes the inputs into 32 well-spread bits.
uint32_t hash32(uint32_t a, uint32_t b = 0, uint32_t c = 0);
// hash32 scaled to 0..1.
float hash01(uint32_t a, uint32_t b = 0, uint32_t c = 0);

// A small seeded generator (xorshift with a multiply); same sequence for the
// same seed on every build.
struct Rng {
  uint64_t state;
  explicit Rng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t next();
  // Uniform in [0, 1).
  float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
  // Uniform in [lo, hi).
  float range(float lo, float hi) { return lo + (hi - lo) * unit(); }
  // Uniform integer in [0, n).
  int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

// Smooth value noise in 0..1 with lattice spacing 1; seed picks the field.
float value_noise(float x, float y, uint32_t seed);
// Sum of octaves of value noise (each octave twice the frequency and gain
// times the amplitude), normalised to 0..1.
float fbm(float x, float y, int octaves, float gain, uint32_t seed);
