#include "time_loop/error_scale.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace tarnavel {

double ErrorScaleFloor(const Run& run, const double* y, int n) {
  const double floor = run.settings.yscalmin;
  const Network& net = run.store.net;
  if (net.temperature_index == 0 || run.sw.yscalmin_given) return floor;
  // After ignition the radicals of the burnt-out fuel sit 1e-15 to 1e-20
  // below the gas in fast balance between production and loss; measured
  // against themselves they would cut every step to their own time scale,
  // although an error of that size is below what the gas total can hold.
  double gas_total = 0.0;
  for (int i = 1; i <= n; ++i)
    if (net.gas[i + 2]) gas_total += std::fabs(y[i]);
  return std::max(floor, DBL_EPSILON * gas_total / run.settings.accuracy);
}

void SetErrorScales(const Run& run, const double* y, double* yscal, int n) {
  const double floor = ErrorScaleFloor(run, y, n);
  for (int i = 1; i <= n; ++i) yscal[i] = std::max(std::fabs(y[i]), floor);
}

}  // namespace tarnavel
