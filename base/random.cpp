#include "base/random.h"

namespace {

// An additive lagged generator over 31 words: each output adds the word
// three places back to the word 31 places back (modulo 2^32) and drops the
// lowest bit. The words start from the seed 1 stepped by the minimal
// standard multiplier 16807 modulo 2^31 - 1, and the first 310 sums are
// thrown away, as glibc does for its default state.
constexpr int kWords = 31;
constexpr int kLag = 3;
constexpr int kWarmUp = 10 * kWords;

struct Additive {
  uint32_t word[kWords];
  int front, rear;
};
Additive gen;
bool started = false;

uint32_t step(Additive& g) {
  g.word[g.front] += g.word[g.rear];
  uint32_t result = g.word[g.front] >> 1;
  g.front = (g.front + 1) % kWords;
  g.rear = (g.rear + 1) % kWords;
  return result;
}

void seed(Additive& g) {
  int32_t w = 1;
  g.word[0] = uint32_t(w);
  for (int i = 1; i < kWords; i++) {
    // 16807 w mod (2^31 - 1) without overflow (Schrage's method).
    int32_t hi = w / 127773, lo = w % 127773;
    w = 16807 * lo - 2836 * hi;
    if (w < 0) w += 2147483647;
    g.word[i] = uint32_t(w);
  }
  g.front = kLag;
  g.rear = 0;
  for (int i = 0; i < kWarmUp; i++) step(g);
}

}  // namespace

int32_t show_random() {
  if (!started) {
    seed(gen);
    started = true;
  }
  return int32_t(step(gen));
}

void show_random_restart() { started = false; }
