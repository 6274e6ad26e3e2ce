// The PeriodTable: the published ProTracker octaves in the middle of every
// row, equal-tempered extensions outside them.
#include <cmath>

#include "player/module.h"

namespace {

constexpr int kRowLength = kPtNotes + 1;
constexpr int kMiddleFirst = 24;  // first entry of the three ProTracker octaves
constexpr int kMiddleCount = 36;

// The ProTracker finetune table, rows finetune 0..+7 then -8..-1.
constexpr uint16_t kProTracker[kPtFinetunes][kMiddleCount] = {
    {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
     302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113},
    {850, 802, 757, 715, 674, 637, 601, 567, 535, 505, 477, 450, 425, 401, 379, 357, 337, 318,
     300, 284, 268, 253, 239, 225, 213, 201, 189, 179, 169, 159, 150, 142, 134, 126, 119, 113},
    {844, 796, 752, 709, 670, 632, 597, 563, 532, 502, 474, 447, 422, 398, 376, 355, 335, 316,
     298, 282, 266, 251, 237, 224, 211, 199, 188, 177, 167, 158, 149, 141, 133, 125, 118, 112},
    {838, 791, 746, 704, 665, 628, 592, 559, 528, 498, 470, 444, 419, 395, 373, 352, 332, 314,
     296, 280, 264, 249, 235, 222, 209, 198, 187, 176, 166, 157, 148, 140, 132, 125, 118, 111},
    {832, 785, 741, 699, 660, 623, 588, 555, 524, 495, 467, 441, 416, 392, 370, 350, 330, 312,
     294, 278, 262, 247, 233, 220, 208, 196, 185, 175, 165, 156, 147, 139, 131, 124, 117, 110},
    {826, 779, 736, 694, 655, 619, 584, 551, 520, 491, 463, 437, 413, 390, 368, 347, 328, 309,
     292, 276, 260, 245, 232, 219, 206, 195, 184, 174, 164, 155, 146, 138, 130, 123, 116, 109},
    {820, 774, 730, 689, 651, 614, 580, 547, 516, 487, 460, 434, 410, 387, 365, 345, 325, 307,
     290, 274, 258, 244, 230, 217, 205, 193, 183, 172, 163, 154, 145, 137, 129, 122, 115, 109},
    {814, 768, 725, 684, 646, 610, 575, 543, 513, 484, 457, 431, 407, 384, 363, 342, 323, 305,
     288, 272, 256, 242, 228, 216, 204, 192, 181, 171, 161, 152, 144, 136, 128, 121, 114, 108},
    {907, 856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339,
     320, 302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120},
    {900, 850, 802, 757, 715, 675, 636, 601, 567, 535, 505, 477, 450, 425, 401, 379, 357, 337,
     318, 300, 284, 268, 253, 238, 225, 212, 200, 189, 179, 169, 159, 150, 142, 134, 126, 119},
    {894, 844, 796, 752, 709, 670, 632, 597, 563, 532, 502, 474, 447, 422, 398, 376, 355, 335,
     316, 298, 282, 266, 251, 237, 223, 211, 199, 188, 177, 167, 158, 149, 141, 133, 125, 118},
    {887, 838, 791, 746, 704, 665, 628, 592, 559, 528, 498, 470, 444, 419, 395, 373, 352, 332,
     314, 296, 280, 264, 249, 235, 222, 209, 198, 187, 176, 166, 157, 148, 140, 132, 125, 118},
    {881, 832, 785, 741, 699, 660, 623, 588, 555, 524, 494, 467, 441, 416, 392, 370, 350, 330,
     312, 294, 278, 262, 247, 233, 220, 208, 196, 185, 175, 165, 156, 147, 139, 131, 123, 117},
    {875, 826, 779, 736, 694, 655, 619, 584, 551, 520, 491, 463, 437, 413, 390, 368, 347, 328,
     309, 292, 276, 260, 245, 232, 219, 206, 195, 184, 174, 164, 155, 146, 138, 130, 123, 116},
    {868, 820, 774, 730, 689, 651, 614, 580, 547, 516, 487, 460, 434, 410, 387, 365, 345, 325,
     307, 290, 274, 258, 244, 230, 217, 205, 193, 183, 172, 163, 154, 145, 137, 129, 122, 115},
    {862, 814, 768, 725, 684, 646, 610, 575, 543, 513, 484, 457, 431, 407, 384, 363, 342, 323,
     305, 288, 272, 256, 242, 228, 216, 203, 192, 181, 171, 161, 152, 144, 136, 128, 121, 114},
};

uint16_t table[kPtFinetunes][kRowLength];
bool built = false;

int signed_finetune(int row) { return row < 8 ? row : row - 16; }

// Row 0 repeats its middle octave times 4 and times 2 below it; the other
// rows start from the equal-tempered lowest note (3424 * 2^(-f/96), rounded)
// and go down by semitones, fractions dropped. Above the middle, every row
// halves and quarters its highest ProTracker octave, fractions dropped.
void build_row(int row) {
  uint16_t* r = table[row];
  const uint16_t* pt = kProTracker[row];
  for (int k = 0; k < kMiddleCount; ++k) r[kMiddleFirst + k] = pt[k];
  if (row == 0) {
    for (int k = 0; k < 12; ++k) {
      r[k] = uint16_t(pt[k] * 4);
      r[12 + k] = uint16_t(pt[k] * 2);
    }
  } else {
    double lowest = std::round(3424.0 * std::pow(2.0, -signed_finetune(row) / 96.0));
    for (int n = 0; n < kMiddleFirst; ++n) r[n] = uint16_t(lowest * std::pow(2.0, -n / 12.0));
  }
  for (int k = 0; k < 12; ++k) {
    r[60 + k] = uint16_t(pt[24 + k] / 2);
    r[72 + k] = uint16_t(pt[24 + k] / 4);
  }
  r[kPtNotes] = r[kPtNotes - 1];
}

void build_table() {
  if (built) return;
  for (int row = 0; row < kPtFinetunes; ++row) build_row(row);
  built = true;
}

// Built before main, so the signal handlers never build it.
struct Builder {
  Builder() { build_table(); }
} builder;

}  // namespace

uint16_t pt_period(int finetune, int note) {
  build_table();
  finetune = finetune < 0 ? 0 : finetune & (kPtFinetunes - 1);
  note = note < 0 ? 0 : note > kPtNotes ? kPtNotes : note;
  return table[finetune][note];
}

const uint16_t* pt_period_table() {
  build_table();
  return &table[0][0];
}

uint8_t pt_period_to_note(int period) {
  build_table();
  for (int j = 0; j < kPtNotes; ++j)
    if (table[0][j] <= period) return uint8_t(j);
  return kPtNoNote;
}
