#pragma once
// The error scales of the integrated state: the size against which the
// integrators measure each component's error estimate.

#include "core/run.hpp"

namespace tarnavel {

// The smallest error scale of a concentration for a step from y (slots
// 1..n, species 3..n+2). It is YSCALMIN, except in a run that integrates the
// temperature and whose YSCALMIN the command line did not fix: there the
// whole gas is integrated, and no species is asked for an absolute error
// below one rounding unit of the gas total, so the scale is at least
// DBL_EPSILON x (gas total) / ACCURACY.
double ErrorScaleFloor(const Run& run, const double* y, int n);

// yscal(i) := max(|y(i)|, floor) for i = 1..n (1-based arrays).
void SetErrorScales(const Run& run, const double* y, double* yscal, int n);

}  // namespace tarnavel
