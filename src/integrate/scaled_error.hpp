#pragma once
// The error measure of the adaptive integrators: the largest error of a
// species relative to its scale, over the requested accuracy.

#include <cmath>
#include <limits>

namespace tarnavel {

// max over i of |error_i / yscal_i|, divided by eps. A NaN anywhere in the
// error estimate makes the measure infinite, so that such a step is never
// accepted. An exact zero error counts as 0 even where the scale is 0.
inline double ScaledErrorMax(const double* error, const double* yscal, int n, double eps) {
  double worst = 0.0;
  for (int i = 0; i < n; ++i) {
    if (std::isnan(error[i])) return std::numeric_limits<double>::infinity();
    if (error[i] == 0.0) continue;
    const double e = std::fabs(error[i] / yscal[i]);
    if (std::isnan(e)) return std::numeric_limits<double>::infinity();
    if (e > worst) worst = e;
  }
  return worst / eps;
}

// The index of the largest |error_i / yscal_i| (the component that limits
// the step), or -1 when every error is 0.
inline int LargestScaledError(const double* error, const double* yscal, int n) {
  int worst = -1;
  double largest = 0.0;
  for (int i = 0; i < n; ++i) {
    if (error[i] == 0.0) continue;
    const double e = std::fabs(error[i] / yscal[i]);
    if (e > largest || std::isnan(e)) {
      largest = e;
      worst = i;
    }
  }
  return worst;
}

}  // namespace tarnavel
