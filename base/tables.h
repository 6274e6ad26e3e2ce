// One-time lookup tables shared by the scenes.
#pragma once
#include <cstdint>

// 1,281 entries: a 1,024-steps-per-turn sine of amplitude 32,767. The cosine
// view starts at entry 256, so cosine index k (0..1023) is SineTable[256 + k].
constexpr int kSineTableSize = 1281;
extern int32_t* SineTable;

// 65,536 entries: entry a * 256 + b holds a * b for bytes a and b.
extern uint16_t MulTable[65536];

// Allocates and fills SineTable (once; later calls do nothing). Returns 1,
// or 0 when the allocation fails (SineTable stays null).
int build_sine_table();
// Fills MulTable.
void build_mul_table();
