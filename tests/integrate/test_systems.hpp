#pragma once
// Small rate systems for the integrator tests. The rates are given as a
// function; the Jacobian is the forward-difference one, as in a default run.
// Every rate evaluation and every Jacobian is counted.

#include <algorithm>
#include <cmath>
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

// First-order decay of n independent species, each with rate constant k:
// y_i(t) = y_i(0) exp(-k t).
inline TestSystem FirstOrderDecay(int n, double k) {
  return TestSystem(n, [n, k](const double* y, double* f) {
    for (int i = 0; i < n; ++i) f[i] = -k * y[i];
  });
}

// The consecutive reactions A -> B (k1), B -> C (k2).
inline TestSystem Consecutive(double k1, double k2) {
  return TestSystem(3, [k1, k2](const double* y, double* f) {
    f[0] = -k1 * y[0];
    f[1] = k1 * y[0] - k2 * y[1];
    f[2] = k2 * y[1];
  });
}

// Exact solution of Consecutive from A = 1, B = C = 0 at time t (k1 != k2).
inline std::vector<double> ConsecutiveSolution(double k1, double k2, double t) {
  const double a = std::exp(-k1 * t);
  const double b = k1 / (k2 - k1) * (std::exp(-k1 * t) - std::exp(-k2 * t));
  return {a, b, 1.0 - a - b};
}

// Robertson's stiff chemical kinetics problem.
inline TestSystem Robertson() {
  return TestSystem(3, [](const double* y, double* f) {
    f[0] = -0.04 * y[0] + 1.0e4 * y[1] * y[2];
    f[1] = 0.04 * y[0] - 1.0e4 * y[1] * y[2] - 3.0e7 * y[1] * y[1];
    f[2] = 3.0e7 * y[1] * y[1];
  });
}

// Robertson's problem from (1, 0, 0) at t = 40: the published reference.
inline const std::vector<double> kRobertsonAtForty = {0.7158270687193941, 9.185534764557338e-06,
                                                      0.2841637457458413};

}  // namespace tarnavel::testing
