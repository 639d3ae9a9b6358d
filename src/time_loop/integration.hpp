#pragma once
// The integrator of a run with the model it integrates: kept step state and
// work arrays, created once when the main loop is prepared.

#include "integrate/cash_karp.hpp"
#include "integrate/extrapolation.hpp"
#include "integrate/rosenbrock.hpp"
#include "model/model_system.hpp"

namespace tarnavel {

struct Run;
struct LoopState;

struct Integration {
  explicit Integration(Run& run);
  ModelSystem system;
  ExtrapolationState extrapolation;
  ExtrapolationWork extrapolation_work;
  CashKarpWork cash_karp_work;
  RosenbrockWork rosenbrock_work;
  bool reset = false;  // clears the kept step state at the next step
};

// One step of the chosen integrator from the loop's interval time with its
// trial step; sets the step done and the next step.
void IntegrateStep(Run& run, LoopState& loop);

}  // namespace tarnavel
