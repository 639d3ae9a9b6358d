#include "output/step_interpolation.hpp"

namespace tarnavel {

namespace {

constexpr int kBisections = 80;  // halves the step fraction below any double's spacing

// The step fraction in (0, 1) where g changes sign, g(0) and g(1) having
// opposite signs: bisection, which cannot leave the bracket even where the
// polynomial is not monotone.
template <typename G>
double SignChange(G g) {
  double lo = 0.0, hi = 1.0;
  const bool rising = g(0.0) < 0.0;
  for (int i = 0; i < kBisections; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (mid <= lo || mid >= hi) break;
    if ((g(mid) < 0.0) == rising) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
}

double Fraction(const StepQuintic& q, double t) { return (t - q.start) / q.length; }

}  // namespace

double StepQuintic::Value(double t) const {
  const double u = Fraction(*this, t);
  return c[0] + u * (c[1] + u * (c[2] + u * (c[3] + u * (c[4] + u * c[5]))));
}

double StepQuintic::Rate(double t) const {
  const double u = Fraction(*this, t);
  return (c[1] + u * (2.0 * c[2] + u * (3.0 * c[3] + u * (4.0 * c[4] + u * 5.0 * c[5])))) / length;
}

double StepQuintic::Curvature(double t) const {
  const double u = Fraction(*this, t);
  return (2.0 * c[2] + u * (6.0 * c[3] + u * (12.0 * c[4] + u * 20.0 * c[5]))) / (length * length);
}

StepQuintic QuinticBetween(const StepEnd& a, const StepEnd& b) {
  StepQuintic q;
  q.start = a.time;
  q.length = b.time - a.time;
  const double h = q.length;
  q.c[0] = a.value;
  q.c[1] = h * a.rate;
  q.c[2] = 0.5 * h * h * a.curvature;
  // The conditions at the end: value, rate and curvature in the step fraction.
  const double e0 = b.value - q.c[0] - q.c[1] - q.c[2];
  const double e1 = h * b.rate - q.c[1] - 2.0 * q.c[2];
  const double e2 = h * h * b.curvature - 2.0 * q.c[2];
  q.c[3] = 10.0 * e0 - 4.0 * e1 + 0.5 * e2;
  q.c[4] = -15.0 * e0 + 7.0 * e1 - e2;
  q.c[5] = 6.0 * e0 - 3.0 * e1 + 0.5 * e2;
  return q;
}

bool MaximumBetween(const StepEnd& a, const StepEnd& b, double& time, double& value) {
  if (!(b.time > a.time) || !(a.rate > 0.0) || !(b.rate < 0.0)) return false;
  const StepQuintic q = QuinticBetween(a, b);
  time = a.time + q.length * SignChange([&](double u) { return q.Rate(a.time + u * q.length); });
  value = q.Value(time);
  return true;
}

bool MaximumRateBetween(const StepEnd& a, const StepEnd& b, double& time, double& rate) {
  if (!(b.time > a.time) || !(a.curvature > 0.0) || !(b.curvature < 0.0)) return false;
  const StepQuintic q = QuinticBetween(a, b);
  time = a.time + q.length * SignChange([&](double u) { return q.Curvature(a.time + u * q.length); });
  rate = q.Rate(time);
  return true;
}

bool CrossingBetween(const StepEnd& a, const StepEnd& b, double level, double& time) {
  if (!(b.time > a.time) || !(a.value < level) || !(b.value >= level)) return false;
  const StepQuintic q = QuinticBetween(a, b);
  time = a.time + q.length * SignChange([&](double u) { return q.Value(a.time + u * q.length) - level; });
  return true;
}

}  // namespace tarnavel
