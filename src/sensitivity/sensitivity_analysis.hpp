#pragma once
// Sensitivity analysis by brute force inside the main loop: for every
// reaction two further trajectories of the whole model, with the reaction's
// rate parameter lowered and raised by p, each one continuous run from time
// 0 that is parked in the scratch store between analysis times. At each
// analysis time the sensitivity (H - L) / (2 p B) and the linearity ratio
// (H - B) / (B - L) of every integrated species are written to SENSITnn.TXT
// and RATIOnn.TXT (B the main run, L and H the lowered and raised runs).

#include <cstdint>
#include <string>
#include <vector>

#include "core/output_file.hpp"
#include "sensitivity/scratch_store.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {

struct Run;

enum class SensitPhase { kMain = 0, kStarted = 1, kLowered = 2, kRaised = 3 };

// The analysis runs inside the main loop as its study.
struct SensitivityRun final : LoopStudy {
  bool active = false;            // sensitivity mode 1 in this run
  double p = 0.0;                 // fractional change of the rate parameter
  std::vector<double> times;      // analysis times, 1..count
  int count = 0;
  int k = 1;                      // the analysis time in hand
  int reaction = 0;               // the reaction whose trajectories run
  SensitPhase phase = SensitPhase::kMain;
  ScratchStore store;
  std::int64_t block = 0;         // records per reaction: 2 (RSPEC + 2)
  std::vector<double> base, lowered, raised;  // per species slot at the analysis time
  std::vector<double> parameter;  // unperturbed rate parameter of each reaction
  // The main run's step bookkeeping while the trajectories run.
  double saved_step_done = 0.0, saved_next_step = 0.0, saved_base_time = 0.0, saved_interval = 0.0;
  OutputFile sensit_file, ratio_file;
  std::string row;                // one output row, reused
  // Reactions one of whose perturbed runs failed: their rows are marked at
  // this analysis time and every later one, without running them again.
  std::vector<char> failed;
  int marked_rows = 0;            // marked reactions at the analysis time in hand

  // True while a perturbed trajectory runs: no output of any kind then.
  bool Rerun() const override;
  // Cuts the trial step so that a step ends exactly at the next analysis time.
  void ClipStep(Run& run, LoopState& loop) override;
  // After each integration step: advances the interval, or starts, continues
  // and ends the analysis at an analysis time.
  void AfterStep(Run& run, LoopState& loop) override;
  // A perturbed run whose integrator failed: the reaction's rows are marked
  // and the analysis goes on with the next reaction.
  void RerunFailed(Run& run, LoopState& loop, const IntegrationFailure& failure) override;
};

// The mark of a sensitivity and a ratio whose perturbed run failed.
inline constexpr double kFailedRunMark = -1.0e37;

// The analysis times of a run of length `simlen`: the TIMES list, or from the
// count the first time (1 s when that lies before the second, else
// simlen / 100), evenly spread middle times and the end.
std::vector<double> AnalysisTimes(int count, bool times_given, const double* given, double simlen);

// Before the main loop: the scratch store with every reaction's two blocks at
// the initial state, the perturbed parameters and the analysis times.
void SetUpSensitivityAnalysis(Run& run, LoopState& loop);

}  // namespace tarnavel
