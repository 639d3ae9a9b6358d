#pragma once
// Counts of the work done by a run: progress lines, the end report and the
// benchmarks read them.

namespace tarnavel {

// Counts of the work done by a run, for progress and benchmarks.
struct WorkCounts {
  long steps = 0;        // accepted integration steps
  long derivs = 0;       // derivative evaluations
  long jacobians = 0;    // Jacobian evaluations
  long rejected = 0;     // rejected attempts of the step-size controlled integrators
  long factorisations = 0;  // LU factorisations of step matrices
};

}  // namespace tarnavel
