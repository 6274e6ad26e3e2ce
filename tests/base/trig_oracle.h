// MPFR as the oracle for the show's trigonometry: correctly rounded doubles
// (subnormals rounded once, at their own precision) and how near the exact
// value lies to a half-way point between two doubles.
#pragma once

enum class TrigFunction { sin, cos, atan, atan2 };

// The double nearest f(x), or atan2(y, x) for TrigFunction::atan2.
double exact_double(TrigFunction f, double x, double y = 0.0);

// |exact - nearest half-way point| in units of the result's last place (the
// subnormals' fixed place below 2^-1022): 0.5 means on a double, 2^-40 a case
// that needs 40 bits past the last place to round.
double halfway_distance(TrigFunction f, double x, double y = 0.0);

// The same in units of the result itself: about halfway_distance times
// 2^-52 for normal results.
double relative_halfway_distance(TrigFunction f, double x, double y = 0.0);
