#include "model/model_system.hpp"

#include <algorithm>

#include "core/run.hpp"
#include "integrate/numerical_jacobian.hpp"
#include "model/analytic_jacobian.hpp"
#include "model/derivs.hpp"
#include "model/jacobian_pattern.hpp"
#include "model/rate_jacobian.hpp"

namespace tarnavel {

ModelSystem::ModelSystem(Run& run)
    : run_(run),
      y_copy_(run.store.cap.max_species + 1, 0.0),
      work_(run.store.cap.max_species + 1, 0.0),
      increments_(run.store.cap.max_species + 1, 0.0),
      saved_(run.store.cap.max_species + 1, 0.0) {}

void ModelSystem::SetPattern(const std::vector<std::vector<int>>& columns_of_row) {
  pattern_ = columns_of_row;
  // The column groups serve only whole-evaluation Jacobians; colouring a
  // network with densely coupled rows is costly, so it is done only then.
  groups_ = JacobianGroups{};
  if (!RateJacobianApplies(run_)) {
    groups_ = GroupColumns(columns_of_row);
    plan_ = RateJacobianPlan{};
  } else {
    plan_ = PlanRateJacobian(run_, TotalApart(run_) ? JacobianPattern(run_, true) : columns_of_row);
  }
}

void ModelSystem::Derivs(const double* y, double* dydx) {
  ++run_.counts.derivs;
  tarnavel::Derivs(run_, y, dydx);
}

bool ModelSystem::TimeDependent() const { return run_.store.net.expressions.time_used; }

void ModelSystem::SetTime(double x) { run_.store.net.time = time_origin_ + x; }

void ModelSystem::Jacobian(const double* y, const double* dydx, Matrix& dfdy) {
  ++run_.counts.jacobians;
  dfdy.ClearRankOneTerms();
  if (run_.sw.anjac) {
    AnaJacobian(run_, y, dfdy, &pattern_);
    return;
  }
  const int n = run_.store.Equations();
  std::copy(y, y + n, y_copy_.begin());
  if (plan_.n == n && n > 0) {
    RateJacobian(run_, plan_, y_copy_.data(), dydx, dfdy, work_.data());
  } else if (groups_.n == n) {
    NumJacobianGrouped(*this, y_copy_.data(), dydx, n, dfdy, work_.data(), groups_, increments_.data(),
                       saved_.data());
  } else {
    NumJacobian(*this, y_copy_.data(), dydx, n, dfdy, work_.data());
  }
}

}  // namespace tarnavel
