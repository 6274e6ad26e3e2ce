// The show's one pseudo-random sequence. The player's random vibrato table
// and the silhouette's sinking pixels draw from it in turn, as they once drew
// from the C library's unseeded rand(): the sequence is glibc's, made here so
// that every build of the show (native or in a browser) draws the same numbers.
#pragma once
#include <cstdint>

// The next number of the sequence, 0 to 2^31 - 1: the values an unseeded
// glibc rand() returns, in the same order (0x6B8B4567 first). The sequence
// is shared by every caller and never restarts.
int32_t show_random();

// Starts the sequence again from its first number. Only tests use it.
void show_random_restart();
