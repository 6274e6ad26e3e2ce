#include "scenes/polar_maps.h"

#include "base/trig.h"

void fill_polar_lookup(int32_t* lookup, const PolarGrid& grid) {
  for (int k = 0; k < kPolarSteps; k++) {
    double rho = k * grid.radius_step;
    for (int l = 0; l < kPolarSteps; l++) {
      double theta = 2 * l * grid.angle_unit;
      int32_t column = static_cast<int32_t>(grid.centre_x + rho * trig_cos(theta));
      int32_t row = static_cast<int32_t>(grid.centre_y + rho * trig_sin(theta));
      lookup[k * kPolarSteps + l] = column + grid.row_pixels * row;
    }
  }
}

void clip_polar_lookup(int32_t* lookup, int32_t picture_pixels, int32_t outside) {
  for (int i = 0; i < kPolarSteps * kPolarSteps; i++)
    if (lookup[i] < 0 || lookup[i] >= picture_pixels) lookup[i] = outside;
}
