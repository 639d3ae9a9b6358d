#pragma once
// Small rate systems for the integrator tests. The rates are given as a
// function; the Jacobian is the forward-difference one, as in a default run.
// Every rate evaluation and every Jacobian is counted.

#include <algorithm>
#include <functional>
#include <vector>

#include "integrate/numerical_jacobian.hpp"
#include "integrate/ode_system.hpp"

namespace tarnavel::testing {

class TestSystem : public OdeSystem {
 public:
  using Rates = std::function<void(const double* y, double* dydx)>;

  TestSystem(int n, Rates rates) : n_(n), rates_(std::move(rates)), point_(n), scratch_(n) {}

  void Derivs(const double* y, double* dydx) override {
    ++derivs_calls;
    rates_(y, dydx);
  }
  void Jacobian(const double* y, const double* dydx, Matrix& dfdy) override {
    ++jacobian_calls;
    std::copy(y, y + n_, point_.begin());
    NumJacobian(*this, point_.data(), dydx, n_, dfdy, scratch_.data());
  }

  int Size() const { return n_; }

  long derivs_calls = 0;
  long jacobian_calls = 0;

 private:
  int n_;
  Rates rates_;
  std::vector<double> point_, scratch_;
};

// Robertson's stiff chemical kinetics problem.
inline TestSystem Robertson() {
  return TestSystem(3, [](const double* y, double* f) {
    f[0] = -0.04 * y[0] + 1.0e4 * y[1] * y[2];
    f[1] = 0.04 * y[0] - 1.0e4 * y[1] * y[2] - 3.0e7 * y[1] * y[1];
    f[2] = 3.0e7 * y[1] * y[1];
  });
}

}  // namespace tarnavel::testing
