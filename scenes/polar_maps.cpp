#include "scenes/polar_maps.h"

#include "base/trig.h"

void fill_polar_lookup(int32_t* lookup, const PolarGrid& grid) {
  // The angles are the same on every ring: their cosines and sines are
  // worked out once (the show's own trigonometry is exact, not fast).
  double cosine[kPolarSteps], sine[kPolarSteps];
  for (int l = 0; l < kPolarSteps; l++) {
    double theta = 2 * l * grid.angle_unit;
    cosine[l] = trig_cos(theta);
    sine[l] = trig_sin(theta);
  }
  for (int k = 0; k < kPolarSteps; k++) {
    double rho = k * grid.radius_step;
    for (int l = 0; l < kPolarSteps; l++) {
      int32_t column = static_cast<int32_t>(grid.centre_x + rho * cosine[l]);
      int32_t row = static_cast<int32_t>(grid.centre_y + rho * sine[l]);
      lookup[k * kPolarSteps + l] = column + grid.row_pixels * row;
    }
  }
}

void clip_polar_lookup(int32_t* lookup, int32_t picture_pixels, int32_t outside) {
  for (int i = 0; i < kPolarSteps * kPolarSteps; i++)
    if (lookup[i] < 0 || lookup[i] >= picture_pixels) lookup[i] = outside;
}
