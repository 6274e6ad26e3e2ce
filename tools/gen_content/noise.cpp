#include "tools/gen_content/noise.h"

#include <cmath>

uint32_t hash32(uint32_t a, uint32_t b, uint32_t c) {
  uint32_t h = a * 0x85EBCA6Bu ^ (b + 0x9E3779B9u) * 0xC2B2AE35u ^ (c + 0x7F4A7C15u) * 0x27D4EB2Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

float hash01(uint32_t a, uint32_t b, uint32_t c) { return static_cast<float>(hash32(a, b, c) >> 8) / 16777216.0f; }

uint32_t Rng::next() {
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return static_cast<uint32_t>((state * 0x2545F4914F6CDD1Dull) >> 32);
}

namespace {

float smooth(float t) { return t * t * (3 - 2 * t); }

float lattice(int x, int y, uint32_t seed) {
  return hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed);
}

}  // namespace

float value_noise(float x, float y, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = smooth(x - fx), ty = smooth(y - fy);
  float a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
  float c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
  float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

float fbm(float x, float y, int octaves, float gain, uint32_t seed) {
  float sum = 0, amp = 1, total = 0;
  for (int i = 0; i < octaves; i++) {
    sum += amp * value_noise(x, y, seed + static_cast<uint32_t>(i) * 101u);
    total += amp;
    amp *= gain;
    x *= 2;
    y *= 2;
  }
  return sum / total;
}
