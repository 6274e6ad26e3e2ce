#include "base/tables.h"

#include <cstdlib>

int32_t* SineTable = nullptr;
uint16_t MulTable[65536];

namespace {

// x^n scaled: r starts at 16,384 and each step is (x * r) >> 12 on 32-bit
// integers. The eighth power wraps for the outermost x; the table keeps that.
int32_t power_term(int32_t x, int n) {
  int32_t r = 16384;
  for (int k = 0; k < n; k++) r = static_cast<int32_t>(static_cast<uint32_t>(x) * static_cast<uint32_t>(r)) >> 12;
  return r;
}

}  // namespace

int build_sine_table() {
  if (SineTable) return 1;
  SineTable = static_cast<int32_t*>(std::malloc(kSineTableSize * sizeof(int32_t)));
  if (!SineTable) return 0;
  int32_t x = -6400;  // 1/4,096 radian; entry 0 sits near -pi/2
  for (int i = 0; i < 512; i++, x += 25) {
    // A Taylor cosine of x scaled to 32,768, less one.
    int32_t v = 32767 + power_term(x, 4) / 12 - power_term(x, 2) - power_term(x, 6) / 360 +
                power_term(x, 8) / 20160;
    SineTable[i] = v;
    SineTable[512 + i] = -v;
    if (i <= 256) SineTable[1024 + i] = v;
  }
  return 1;
}

void build_mul_table() {
  for (int i = 0; i < 65536; i++) MulTable[i] = static_cast<uint16_t>((i >> 8) * (i & 255));
}
