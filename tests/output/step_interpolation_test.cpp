#include "output/step_interpolation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace tarnavel {
namespace {

struct Curve {
  const char* name;
  std::function<double(double)> f, df, d2f;
};

StepEnd At(const Curve& c, double t) { return {t, c.f(t), c.df(t), c.d2f(t)}; }

TEST(StepInterpolation, ReproducesEveryPolynomialUpToTheFifthDegree) {
  const double t0 = 2.5, t1 = 2.75;
  for (int degree = 0; degree <= 5; ++degree) {
    const Curve c{"power", [=](double t) { return std::pow(t - 2.0, degree); },
                  [=](double t) { return degree < 1 ? 0.0 : degree * std::pow(t - 2.0, degree - 1); },
                  [=](double t) { return degree < 2 ? 0.0 : degree * (degree - 1) * std::pow(t - 2.0, degree - 2); }};
    const StepQuintic q = QuinticBetween(At(c, t0), At(c, t1));
    for (double t : {t0, 2.55, 2.625, 2.7, t1}) {
      EXPECT_NEAR(q.Value(t), c.f(t), 1e-13) << "degree " << degree << " at " << t;
      EXPECT_NEAR(q.Rate(t), c.df(t), 1e-11) << "degree " << degree << " at " << t;
      EXPECT_NEAR(q.Curvature(t), c.d2f(t), 1e-9) << "degree " << degree << " at " << t;
    }
  }
}

TEST(StepInterpolation, LocatesMaximaAndCrossingsInsideTheStep) {
  // A Gaussian pulse exp(-(t - 1)^2 / 0.02): its peak at 1, its largest rate
  // at 1 - 0.1, its half height at 1 - 0.1 sqrt(2 ln 2).
  const Curve pulse{"pulse", [](double t) { return std::exp(-(t - 1) * (t - 1) / 0.02); },
                    [](double t) { return -(t - 1) / 0.01 * std::exp(-(t - 1) * (t - 1) / 0.02); },
                    [](double t) {
                      const double g = std::exp(-(t - 1) * (t - 1) / 0.02);
                      return ((t - 1) * (t - 1) / 1e-4 - 1.0 / 0.01) * g;
                    }};
  double time = 0, value = 0;
  ASSERT_TRUE(MaximumBetween(At(pulse, 0.99), At(pulse, 1.01), time, value));
  EXPECT_NEAR(time, 1.0, 1e-6);
  EXPECT_NEAR(value, 1.0, 1e-7);
  ASSERT_TRUE(MaximumRateBetween(At(pulse, 0.89), At(pulse, 0.91), time, value));
  EXPECT_NEAR(time, 0.9, 1e-6);
  EXPECT_NEAR(value, pulse.df(0.9), 1e-6 * pulse.df(0.9));
  ASSERT_TRUE(CrossingBetween(At(pulse, 0.87), At(pulse, 0.89), 0.5, time));
  EXPECT_NEAR(time, 1.0 - 0.1 * std::sqrt(2.0 * std::log(2.0)), 1e-6);

  // No sign change, no answer: rising throughout, a rate still growing, a
  // level already passed at the start, a step of no length.
  EXPECT_FALSE(MaximumBetween(At(pulse, 0.8), At(pulse, 0.9), time, value));
  EXPECT_FALSE(MaximumRateBetween(At(pulse, 0.8), At(pulse, 0.85), time, value));
  EXPECT_FALSE(CrossingBetween(At(pulse, 0.9), At(pulse, 0.95), 0.5, time));
  EXPECT_FALSE(MaximumBetween(At(pulse, 1.0), At(pulse, 1.0), time, value));
}

}  // namespace
}  // namespace tarnavel
