#include "time_loop/loop_stages.hpp"

#include "core/run.hpp"
#include "model/derivs.hpp"
#include "input/requested_times.hpp"
#include "model/profile_lookup.hpp"
#include "output/analysis_file.hpp"
#include "output/conc_file.hpp"
#include "output/property_reports.hpp"
#include "time_loop/integration.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel::stage {

bool EchoAnalysis(const Run& run) { return run.sw.show && !run.sw.quiet; }

void WriteRatesRow(Run& run, LoopState& loop, double time) {
  if (!loop.analysis_file.file.IsOpen()) return;
  if (loop.refresh_rates != nullptr) loop.refresh_rates(run);
  WriteAnalysisRow(run, loop.analysis_file, time, EchoAnalysis(run));
}

// Radiation (not at output points), held species and additive profiles, by
// the output base time.
void RefreshProfiles(Run& run, LoopState& loop, bool radiation_too) {
  if (radiation_too) LookUpRadiation(run, loop.base_time);
  LookUpHeldProfiles(run, loop.base_time);
  ApplyAdditiveProfiles(run, loop.base_time);
}
void Derivatives(Run& run, double t, const std::vector<double>& y, std::vector<double>& dydx) {
  if (!run.store.net.compiled) return;
  run.store.net.time = t;
  ++run.counts.derivs;
  Derivs(run, &y[1], &dydx[1]);
}

void IntegratorStep(Run& run, LoopState& loop) { IntegrateStep(run, loop); }

// One concentration row (echoed with show), the property and rate reports
// and, with per-reaction output, one analysis row at the same time.
void WriteOutputRow(Run& run, LoopState& loop, double time) {
  WriteConcRow(run, loop.conc_file, time, run.sw.show);
  WritePropertyReports(run, loop.reports, time);
  if (run.sw.sensit_mode == kSensitRates) WriteRatesRow(run, loop, time);
}

// The final row at the output base time, unless the last output point has
// just written it: the concentration row goes to the console too unless
// quiet, and the report and analysis rows go with it so that no time appears
// twice. The files are then closed and kept.
void FinishOutputs(Run& run, LoopState& loop) {
  if (!loop.last_point_wrote || loop.last_row_time != loop.base_time) {
    WriteConcRow(run, loop.conc_file, loop.base_time, !run.sw.quiet);
    WritePropertyReports(run, loop.reports, loop.base_time);
    if (run.sw.sensit_mode == kSensitRates) WriteRatesRow(run, loop, loop.base_time);
  }
  CloseConcFile(run, loop.conc_file);
  CloseConcFile(run, loop.times_file);
  CloseAnalysisFile(run, loop.analysis_file);
  ClosePropertyReports(run, loop.reports);
  WriteIgnitionFile(run, loop.ignition);
}

void RequestTimes(Run& run, LoopState& loop) {
  if (!run.sw.times_given || run.sw.FitMode()) return;
  loop.requested_times = RequestedTimes(run, run.sw.times_text);
  loop.row_times = &loop.requested_times;
  loop.next_row_time = 0;
  // Steps are cut to end on the times, so only rounding separates them.
  loop.row_time_match = 1.0e-12;
  loop.resume_uncut_step = true;
  OpenTimesFile(run, loop.times_file);
  WriteConcHeader(run, loop.times_file, false);
  // The start needs no step: its row holds the initial values.
  if (!loop.requested_times.empty() && loop.requested_times.front() == 0.0) {
    WriteConcRow(run, loop.times_file, 0.0, false);
    loop.next_row_time = 1;
  }
}

void StartIgnitionTracking(Run& run, LoopState& loop) { PrepareIgnitionTracking(run, loop.ignition, 0.0); }

void TrackIgnition(Run& run, LoopState& loop, double time) {
  if (loop.ignition.active) tarnavel::TrackIgnition(run, loop.ignition, time);
}

}  // namespace tarnavel::stage
