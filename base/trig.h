// Sine, cosine and arctangents rounded correctly: each returns the double
// nearest the exact value. The scenes and the 3D engine take their
// trigonometry from here rather than from the C library, whose last bits
// differ between libraries (glibc, musl in a browser build) and would move
// pixels where a result is truncated to an integer. glibc rounds these
// correctly for the arguments the show uses, so the show's pictures are the
// ones it has always had.
#pragma once

// sin(x) and cos(x) for |x| below 2^40 (the show's angles stay below a few
// thousand radians); larger arguments go to the C library. NaN and the
// infinities give NaN.
double trig_sin(double x);
double trig_cos(double x);

// atan(x), in -pi/2 to pi/2.
double trig_atan(double x);

// atan2(y, x): the angle of the point (x, y), in -pi to pi, with the C
// standard's signs for zeros (atan2(+-0, +0) = +-0, atan2(+-0, -0) = +-pi)
// and its values for infinities.
double trig_atan2(double y, double x);
