// The last step of the show's trigonometry (base/trig.h): sines, cosines and
// arctangents worked out in fixed point with hundreds of bits and rounded once
// to the nearest double. A call takes microseconds, so the quicker steps in
// base/trig.cpp come here only when they cannot tell which way the exact
// value rounds.
//
// Each result carries an error bound; when a half-way point between two
// doubles lies within it, the work is done again with twice the bits (256,
// 512, then 1,024 bits after the point). The exact sine, cosine or
// arctangent of a nonzero double is never a half-way point itself, so only
// one within 2^-940 of its own size of such a point could remain undecided;
// the double nearest the 1,024-bit value would be returned then. The tests
// hold cases within 2^-113 of one, and subnormal arctangents just below one.
#pragma once

// sin(x) and cos(x) for every finite x: the reduction by pi / 2 carries 2 / pi
// to 2,304 bits, enough for the largest doubles.
double trig_wide_sin(double x);
double trig_wide_cos(double x);

// atan2(y, x) for finite, nonzero x and y, subnormal results included. The
// arctangent of t is trig_wide_atan2(t, 1.0).
double trig_wide_atan2(double y, double x);
