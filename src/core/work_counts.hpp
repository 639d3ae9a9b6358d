#pragma once
// Counts of the work done by a run: progress lines, the end report and the
// benchmarks read them.

#include <string>

namespace tarnavel {

// Counts of the work done by a run, for progress and benchmarks.
struct WorkCounts {
  long steps = 0;        // accepted integration steps
  long derivs = 0;       // derivative evaluations
  long jacobians = 0;    // Jacobian evaluations
  long rejected = 0;     // rejected attempts of the step-size controlled integrators
  long factorisations = 0;  // LU factorisations of step matrices
  // With -show: the equation (0-based) whose scaled error was the largest in
  // the last accepted step, the one that sets the next step; -1 when unknown.
  int limiting = -1;
};

// The counts on one console line: " steps= 12 rejected= 3 DERIVS= 140
// Jacobians= 12 factorisations= 60".
std::string WorkLine(const WorkCounts& c);

}  // namespace tarnavel
