// Note indices and the periods the show's loader maps them to.
#pragma once
#include <cstdint>

// Number of playable note indices (0..83); 84 means "no note".
constexpr int kNoteCount = 84;

// Period stored in a pattern cell for note index 0..83 (finetune 0). The
// loader turns exactly these values back into the same note index.
uint16_t note_period(int note);

// The rate in samples per second at which the mixer reads a sample played at
// note index 0..83: its clock constant divided by the period.
double note_rate(int note);
