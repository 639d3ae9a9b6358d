#include "time_loop/integration.hpp"

#include <algorithm>

#include "core/run.hpp"
#include "core/stop.hpp"
#include "integrate/rank_one_step_matrix.hpp"
#include "integrate/sparse_step_matrix.hpp"
#include "model/jacobian_pattern.hpp"
#include "model/rate_jacobian.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {

namespace {

// Work arrays follow the model: the equations of the compiled network (at
// least one, so that an empty network still has valid arrays).
int WorkSize(const Run& run) { return std::max(run.store.Equations(), 1); }

}  // namespace

Integration::Integration(Run& run)
    : system(run),
      extrapolation_work(WorkSize(run), false),
      cash_karp_work(WorkSize(run)),
      rosenbrock_work(std::min(WorkSize(run), kRosenbrockCapacity)) {
  // The step matrices eliminate in an order that keeps their factors sparse;
  // a large network's step matrix stores only those factors.
  const auto pattern = JacobianPattern(run);
  system.SetPattern(pattern);
  // With the gas total apart, the step matrix is factored over the pattern
  // without it and takes the total's rank-one term by itself.
  const bool total_apart = TotalApart(run);
  const auto step_pattern = total_apart ? JacobianPattern(run, true) : pattern;
  const bool rank_one_terms = CarriesRankOneTerms(run);
  bool sparse = false;
  auto step_matrix = [&]() {
    std::unique_ptr<StepMatrix> m = MakeStepMatrix(step_pattern);
    sparse = dynamic_cast<SparseStepMatrix*>(m.get()) != nullptr;
    if (rank_one_terms) m = std::make_unique<RankOneStepMatrix>(std::move(m), WorkSize(run));
    return m;
  };
  extrapolation_work.step_matrix = step_matrix();
  // A Jacobian whose step matrix is sparse keeps only the entries its
  // evaluation can fill (with the total apart, those without it), so that
  // its memory follows the non-zeros too; a small one stays dense.
  if (sparse && !pattern.empty()) {
    extrapolation_work.dfdy.UsePattern(step_pattern);
  } else {
    extrapolation_work.dfdy = Matrix(WorkSize(run));
  }
  // The Rosenbrock method refuses a larger system at its first step.
  if (static_cast<int>(pattern.size()) <= kRosenbrockCapacity) rosenbrock_work.step_matrix = step_matrix();
}

void IntegrateStep(Run& run, LoopState& loop) {
  const int n = run.store.Equations();
  if (n <= 0) {
    // Nothing to integrate: the step is exact.
    loop.step_done = loop.trial_step;
    loop.next_step = run.settings.simlen;
    return;
  }
  Integration& in = *loop.integration;
  double x = loop.interval_time;
  in.system.SetTimeOrigin(loop.base_time);
  switch (run.sw.integrator) {
    case kExtrapolation:
      ExtrapolationStep(run, in.extrapolation, in.extrapolation_work, in.system, &loop.y[1], &loop.dydx[1], n,
                        x, loop.trial_step, run.settings.accuracy, &loop.yscal[1],
                        run.sw.extrapolation == kRational, in.reset, loop.step_done, loop.next_step);
      break;
    case kCashKarp:
      CashKarpStep(run, in.cash_karp_work, in.system, &loop.y[1], &loop.dydx[1], n, x, loop.trial_step,
                   run.settings.accuracy, &loop.yscal[1], loop.step_done, loop.next_step);
      break;
    case kRosenbrock:
      RosenbrockStep(run, in.rosenbrock_work, in.system, &loop.y[1], &loop.dydx[1], n, x, loop.trial_step,
                     run.settings.accuracy, &loop.yscal[1], loop.step_done, loop.next_step);
      break;
    default:
      run.console.Line("This integrator is not available in this version of Tarnavel.");
      StopProgram(kExitStopped);
  }
  ++run.counts.steps;
}

}  // namespace tarnavel
