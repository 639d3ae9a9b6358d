#pragma once
// The kinetic model as the integrators see it: DERIVS and the Jacobian of
// the compiled network.

#include <vector>

#include "integrate/numerical_jacobian.hpp"
#include "integrate/ode_system.hpp"
#include "model/rate_jacobian.hpp"

namespace tarnavel {

struct Run;

class ModelSystem final : public OdeSystem {
 public:
  // Work arrays are sized once for the species capacity of the run.
  explicit ModelSystem(Run& run);
  void Derivs(const double* y, double* dydx) override;
  // The analytic Jacobian when the run uses it (the -anjac switch, left set
  // by the Jacobian choice), else forward differences of the rates: over the
  // reactions each species enters when the pattern is known and neither
  // temperature nor volume is integrated, else over whole evaluations.
  void Jacobian(const double* y, const double* dydx, Matrix& dfdy) override;
  // Photolysis under the sun makes the rates depend on the time: the
  // integrator's x counts from the origin set before each step.
  bool TimeDependent() const override;
  void SetTime(double x) override;
  void SetTimeOrigin(double t) { time_origin_ = t; }
  // The Jacobian pattern of the compiled network: the numerical Jacobian then
  // re-evaluates only what each species reaches, or perturbs columns that
  // share no row together.
  void SetPattern(const std::vector<std::vector<int>>& columns_of_row);

 private:
  Run& run_;
  double time_origin_ = 0.0;
  std::vector<double> y_copy_;  // the Jacobian perturbs a copy of y
  std::vector<double> work_;
  std::vector<double> increments_, saved_;
  JacobianGroups groups_;
  RateJacobianPlan plan_;
  std::vector<std::vector<int>> pattern_;
};

}  // namespace tarnavel
