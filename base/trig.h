// Sine, cosine and arctangents rounded correctly: each returns the double
// nearest the exact value, for every argument (see base/trig_wide.h for the
// one proviso), so every build of the show gets the same bits. The scenes and
// the 3D engine take their trigonometry from here rather than from the C
// library, whose last bits differ between libraries (glibc, musl in a browser
// build) and would move pixels where a result is truncated to an integer.
//
// Each function tries up to three steps and stops at the first that can tell
// which way the exact value rounds: a quick series in plain doubles, the full
// series in double-double arithmetic (about 106 bits) and a wide step of 256
// bits or more. The double-double arithmetic needs every multiplication and
// addition rounded on its own: the build compiles everything with contraction
// into fused multiply-adds off (cmake/float_contract.cmake).
#pragma once

// sin(x) and cos(x). NaN and the infinities give NaN. Arguments from 2^40 on
// (the show's angles stay below a few thousand radians) take the wide step.
double trig_sin(double x);
double trig_cos(double x);

// atan(x), in -pi/2 to pi/2.
double trig_atan(double x);

// atan2(y, x): the angle of the point (x, y), in -pi to pi, with the C
// standard's signs for zeros (atan2(+-0, +0) = +-0, atan2(+-0, -0) = +-pi)
// and its values for infinities. Subnormal results are rounded once.
double trig_atan2(double y, double x);

// Which step decided a result (zeros, infinities and NaNs count as quick;
// the arctangents have no quick step). For tests and benchmarks; trig_atan(t)
// takes the steps of trig_atan2_step(t, 1.0).
enum class TrigStep { quick, series, wide };
TrigStep trig_sin_step(double x);
TrigStep trig_cos_step(double x);
TrigStep trig_atan2_step(double y, double x);
