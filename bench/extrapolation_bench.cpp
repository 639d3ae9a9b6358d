// Times the extrapolation integrator on two stiff problems, driven as the
// main loop drives it: Robertson's three-species problem and a generated
// first-order chain of 300 species whose rate constants span six decades.
// Prints wall time, accepted steps, rate evaluations and Jacobians.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "core/capacity.hpp"
#include "core/run.hpp"
#include "integrate/extrapolation.hpp"
#include "integrate/numerical_jacobian.hpp"

namespace {

using tarnavel::Matrix;

// Rates given as a function, forward-difference Jacobian, counted calls.
class CountedSystem : public tarnavel::OdeSystem {
 public:
  using Rates = std::function<void(const double*, double*)>;
  CountedSystem(int n, Rates rates) : n_(n), rates_(std::move(rates)), point_(n), scratch_(n) {}

  void Derivs(const double* y, double* dydx) override {
    ++derivs_calls;
    rates_(y, dydx);
  }
  void Jacobian(const double* y, const double* dydx, Matrix& dfdy) override {
    ++jacobians;
    std::copy(y, y + n_, point_.begin());
    tarnavel::NumJacobian(*this, point_.data(), dydx, n_, dfdy, scratch_.data());
  }

  long derivs_calls = 0;
  long jacobians = 0;

 private:
  int n_;
  Rates rates_;
  std::vector<double> point_, scratch_;
};

void Time(tarnavel::Run& run, const std::string& name, CountedSystem& sys, std::vector<double> y,
          double t_end, double eps) {
  const int n = static_cast<int>(y.size());
  tarnavel::ExtrapolationState st;
  tarnavel::ExtrapolationWork work(run.store.cap.max_species);
  std::vector<double> dydx(n), yscal(n);
  double x = 0.0, h = 1.0e-6, hdid = 0.0, hnext = 0.0;
  bool reset = true;
  long steps = 0;
  const auto start = std::chrono::steady_clock::now();
  while (t_end - x > 1e-12 * t_end) {
    if (x + h > t_end) h = t_end - x;
    sys.Derivs(y.data(), dydx.data());
    for (int i = 0; i < n; ++i) yscal[i] = std::max(std::fabs(y[i]), 1.0e-25);
    tarnavel::ExtrapolationStep(run, st, work, sys, y.data(), dydx.data(), n, x, h, eps, yscal.data(),
                                false, reset, hdid, hnext);
    h = hnext;
    ++steps;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-34s %4d species  t=%-8g eps=%-6g %9.4f s  %6ld steps  %9ld rate calls  %6ld Jacobians\n",
              name.c_str(), n, t_end, eps, seconds, steps, sys.derivs_calls, sys.jacobians);
}

}  // namespace

int main() {
  tarnavel::Run run(tarnavel::Console(std::cout, std::cin), tarnavel::kLargeCapacity);

  CountedSystem robertson(3, [](const double* y, double* f) {
    f[0] = -0.04 * y[0] + 1.0e4 * y[1] * y[2];
    f[1] = 0.04 * y[0] - 1.0e4 * y[1] * y[2] - 3.0e7 * y[1] * y[1];
    f[2] = 3.0e7 * y[1] * y[1];
  });
  Time(run, "Robertson", robertson, {1.0, 0.0, 0.0}, 40.0, 1.0e-8);

  // S(0) -> S(1) -> ... -> S(299); the rate constants are scattered over
  // 1e-2 .. 1e4 per second, the last species only accumulates.
  constexpr int kChain = 300;
  std::vector<double> k(kChain, 0.0);
  for (int i = 0; i + 1 < kChain; ++i) k[i] = std::pow(10.0, -2.0 + 6.0 * ((i * 37) % kChain) / (kChain - 1.0));
  CountedSystem chain(kChain, [&k](const double* y, double* f) {
    f[0] = -k[0] * y[0];
    for (int i = 1; i < kChain; ++i) f[i] = k[i - 1] * y[i - 1] - k[i] * y[i];
  });
  std::vector<double> y0(kChain, 0.0);
  y0[0] = 1.0;
  Time(run, "first-order chain", chain, y0, 100.0, 1.0e-6);
  return 0;
}
