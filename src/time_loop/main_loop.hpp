#pragma once
// The main loop: advances the simulated time from output point to output
// point, one integrator step at a time.

#include <memory>
#include <vector>

#include "output/analysis_file.hpp"
#include "output/conc_file.hpp"
#include "output/ignition_delay.hpp"
#include "output/property_reports.hpp"
#include "core/stop.hpp"
#include "time_loop/integration.hpp"

namespace tarnavel {

struct Run;
struct Settings;
struct LoopState;

// A study that runs further trajectories of the model inside the main loop
// (the sensitivity analysis): it ends steps on its own times, takes the step
// bookkeeping over after every step, and keeps the output points silent while
// one of its trajectories runs.
struct LoopStudy {
  virtual ~LoopStudy() = default;
  // True while one of the study's own trajectories runs.
  virtual bool Rerun() const = 0;
  // Cuts the trial step before an integration step.
  virtual void ClipStep(Run& run, LoopState& loop) = 0;
  // Advances the interval, or the study, after an integration step.
  virtual void AfterStep(Run& run, LoopState& loop) = 0;
  // One of the study's own runs failed in the integrator; a study that cannot
  // go on without it passes the failure on.
  virtual void RerunFailed(Run&, LoopState&, const IntegrationFailure& failure) { throw failure; }
};

// Time-stepping bookkeeping of the main loop (seconds).
struct LoopState {
  double base_time = 0.0;      // output base time: time of the last output point
  double interval_time = 0.0;  // time integrated since the output base time
  double trial_step = 0.0;     // step handed to the integrator
  double step_done = 0.0;      // step the integrator took
  double next_step = 0.0;      // step the integrator proposes next
  bool forced_output = false;  // a clipped step became exactly 0
  int output_count = 0;        // concentration rows written so far
  int step_counter = 0;        // steps since the last progress line
  long negative_count = 0;     // negative-concentration warnings issued
  bool last_point_wrote = false;  // the last output point wrote a row
  double last_row_time = 0.0;     // time of the last row written
  std::vector<double> last_written;  // per species slot, value at the last row
  std::vector<double> y, dydx, yscal;  // integrator vectors, 1-based, sized once

  // Result files open from the time-zero row to the end of the run.
  ConcFile conc_file;          // concentrations of the displayed species
  AnalysisFile analysis_file;  // per-reaction rates (sensitivity mode 0)
  PropertyReports reports;     // the -o property and rate reports
  // Recomputes run.store.rate from the current concentrations and rate
  // constants; called before every analysis row. While unset, analysis rows
  // carry the rates as they stand in the store.
  void (*refresh_rates)(Run& run) = nullptr;
  // A fitting simulation: the data times (increasing) at which rows must be
  // written, and the next one to reach.
  const std::vector<double>* row_times = nullptr;
  size_t next_row_time = 0;
  // A step ending this close below a data time (relative) has reached it.
  double row_time_match = 1.0e-6;
  // The times of -TIMES: (the row times of a simulation that is no fit) and
  // ATTIMES.TXT, the values there in ten digits.
  std::vector<double> requested_times;
  ConcFile times_file;
  // With -TIMES: a step cut short to end on a time gives way afterwards to
  // the step proposed before the cut, so the steps elsewhere stay as they
  // would be without the times.
  bool resume_uncut_step = false;
  double uncut_step = 0.0;
  bool row_due = false;        // the output point writes a row whatever changed
  // A study inside the loop (sensitivity mode 1: the perturbed trajectories
  // and their files); none in other runs.
  std::unique_ptr<LoopStudy> study;
  // The ignition delay of a run that integrates the temperature.
  IgnitionTracker ignition;
  // The integrator and the model it integrates; created once per run.
  std::unique_ptr<Integration> integration;
};

// Sizes the loop's work vectors for the store's capacity and sets the first
// trial step; creates the integrator unless the loop was handed one.
void PrepareLoop(Run& run, LoopState& loop);

// Outcome of clipping the trial step before an integration step.
enum class Clip { kStep, kRestart };

// Cuts the trial step so that the step ends no later than the output interval
// (outside Turbo mode) and the simulation length. kRestart means the interval
// was closed without output during a sensitivity rerun and the step must be
// prepared again.
Clip ClipTrialStep(Run& run, LoopState& loop, bool turbo, bool sensit_rerun);

// True when neither a concentration profile nor a radiation file is in use.
bool TurboMode(const Run& run);

// Runs the main loop until the output base time reaches the simulation length.
void RunMainLoop(Run& run, LoopState& loop);

// The output check: writes a row when some species changed by at least the
// percent-difference threshold, then starts a new output interval.
void OutputPoint(Run& run, LoopState& loop);

}  // namespace tarnavel
