#pragma once
// One quantity between two accepted step ends. The integrator's steps end
// where its error control puts them, so an extremum or a crossing of a level
// lies between step ends; the quintic Hermite polynomial through the value and
// the first and second time derivatives at both ends locates it to the
// accuracy of those derivatives, far inside the step.

namespace tarnavel {

// A quantity at a step end: its value and its first and second time
// derivatives.
struct StepEnd {
  double time = 0.0;
  double value = 0.0;
  double rate = 0.0;       // d/dt
  double curvature = 0.0;  // d2/dt2
};

// The quintic Hermite polynomial of a quantity over one step.
struct StepQuintic {
  double start = 0.0;   // time of the step's start
  double length = 0.0;  // step length (s)
  double c[6] = {};     // coefficients in the step fraction u = (t - start) / length

  double Value(double t) const;
  double Rate(double t) const;
  double Curvature(double t) const;
};

// The polynomial matching value, rate and curvature at both ends (b after a).
StepQuintic QuinticBetween(const StepEnd& a, const StepEnd& b);

// The quantity at its extremum between a and b when its rate changes sign
// from positive at a to negative at b (a maximum), else false.
bool MaximumBetween(const StepEnd& a, const StepEnd& b, double& time, double& value);

// The largest rate between a and b when the curvature changes sign from
// positive at a to negative at b (the rate's maximum), else false.
bool MaximumRateBetween(const StepEnd& a, const StepEnd& b, double& time, double& rate);

// The time at which the quantity first reaches `level` between a and b when it
// is below the level at a and at or above it at b, else false.
bool CrossingBetween(const StepEnd& a, const StepEnd& b, double level, double& time);

}  // namespace tarnavel
