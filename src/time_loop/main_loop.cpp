#include "time_loop/main_loop.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/profiles.hpp"
#include "model/derivs.hpp"
#include "time_loop/error_scale.hpp"
#include "time_loop/loop_stages.hpp"

namespace tarnavel {

namespace {

constexpr double kEndSlack = 1.0e-29;     // tolerance of the end-of-interval cuts
// Times summed from many intervals miss the simulation length by rounding; a
// time this close to it (relative) is the end of the run.
constexpr double kEndFraction = 1.0e-10;
constexpr double kUnderflowStep = 1.0e-32;
constexpr int kProgressEvery = 2401;
constexpr int kTurboRows = 61;

std::string RealText(double x) { return fmt::E(x, 14, 6); }

bool Molecules(const Run& run) { return run.settings.concunits == kMoleculesPerCm3; }

// With -show, every progress line is followed by the species whose error set
// the last step and the work done so far, so that a run whose steps collapse
// names its cause.
void ShowStepWork(Run& run) {
  const WorkCounts& c = run.counts;
  if (c.limiting >= 0) run.console.Line(" limited by: " + run.store.species[c.limiting + 3].name);
  run.console.Line(WorkLine(c));
}

void ReportUnderflow(Run& run, double step, const char* where) {
  if ((run.sw.debug & 8) == 0 || step > kUnderflowStep) return;
  run.console.Line("step=" + RealText(step));
  run.console.Line(where);
}

// Warning 6 for every species slot holding a clearly negative value.
void CheckNegatives(Run& run, LoopState& loop) {
  const double limit = Molecules(run) ? 0.1 : 1.0e-25;
  for (int s = 3; s <= run.store.rspec; ++s) {
    const double c = run.store.conc[s];
    if (c < 0.0 && -c > limit) {
      ++loop.negative_count;
      run.msg.species = s;
      run.msg.name1 = run.store.species[s].name;
      Warning(run, 6);
    }
  }
}

// Copies the integrator vector back into the species slots, keeping every
// value at least at the concentration floor.
void TakeBackState(Run& run, LoopState& loop) {
  const double floor = Molecules(run) ? 1.0e-10 : 1.0e-55;
  for (int s = 3; s <= run.store.sspec; ++s) {
    const double v = loop.y[s - 2];
    run.store.conc[s] = std::fabs(v) < floor ? floor : v;
  }
}

// A fitting simulation ends its steps on the data times.
void ClipToRowTime(LoopState& loop) {
  const std::vector<double>& times = *loop.row_times;
  if (loop.next_row_time >= times.size()) return;
  const double rest = times[loop.next_row_time] - loop.base_time - loop.interval_time;
  loop.uncut_step = 0.0;
  if (rest > 0.0 && loop.trial_step > rest) {
    loop.uncut_step = loop.trial_step;
    loop.trial_step = rest;
  }
}

// Reaching a data time (within the loop's match, relative) makes the next
// output point write a row; a time asked for with -TIMES: also gets its row
// of ATTIMES.TXT, at that very time.
void NoteRowTime(Run& run, LoopState& loop) {
  const std::vector<double>& times = *loop.row_times;
  const double t = loop.base_time + loop.interval_time;
  while (loop.next_row_time < times.size()) {
    const double td = times[loop.next_row_time];
    if ((td - t) / (td + 1.0e-35) >= loop.row_time_match) break;
    loop.row_due = loop.forced_output = true;
    WriteConcRow(run, loop.times_file, td, false);
    ++loop.next_row_time;
    if (loop.resume_uncut_step) loop.trial_step = std::max(loop.trial_step, loop.uncut_step);
  }
}

// True while a study's own trajectory runs.
bool StudyRerun(const LoopState& loop) { return loop.study != nullptr && loop.study->Rerun(); }

}  // namespace

void PrepareLoop(Run& run, LoopState& loop) {
  const int slots = run.store.cap.max_species + 1;
  loop.last_written.assign(slots, 0.0);
  loop.y.assign(slots, 0.0);
  loop.dydx.assign(slots, 0.0);
  loop.yscal.assign(slots, 0.0);
  loop.trial_step = run.settings.tstep;
  loop.interval_time = 0.0;
  if (run.store.net.compiled) {
    loop.refresh_rates = ReactionRatesFromStore;
    if (loop.integration == nullptr) loop.integration = std::make_unique<Integration>(run);
  }
}

// Imposed values change only at output points, so with any profile or a
// radiation file every step must end on the output grid.
bool TurboMode(const Run& run) {
  return !RadiationFileInUse(run.settings) && !run.store.profile_in_use && !run.store.additive_in_use;
}

Clip ClipTrialStep(Run& run, LoopState& loop, bool turbo, bool sensit_rerun) {
  const Settings& st = run.settings;
  if (turbo) {
    if (loop.trial_step > st.tstep2 && st.simlen / kTurboRows < loop.trial_step &&
        loop.output_count < kTurboRows) {
      loop.trial_step = st.simlen / kTurboRows;
      ReportUnderflow(run, loop.trial_step, "Underflow in r92i");
    }
  } else if (loop.trial_step + loop.interval_time - st.tstep2 > kEndSlack) {
    loop.trial_step = st.tstep2 - loop.interval_time;
    ReportUnderflow(run, loop.trial_step, "## Possible Underflow yt6: ");
    if (loop.trial_step <= kUnderflowStep && sensit_rerun) {
      loop.base_time += loop.interval_time;
      loop.interval_time = 0.0;
      loop.trial_step = loop.next_step;
      return Clip::kRestart;
    }
  }
  if (loop.base_time + loop.trial_step + loop.interval_time - st.simlen > kEndSlack) {
    const double rest = st.simlen - loop.base_time - loop.interval_time;
    // A rest left only by rounding is no step: the output point closes the run.
    loop.trial_step = rest <= kEndFraction * std::fabs(st.simlen) ? 0.0 : rest;
    ReportUnderflow(run, loop.trial_step, "## Possible Underflow in r93i ");
  }
  if (loop.trial_step < 0.0) loop.trial_step = st.simlen - loop.base_time;
  return Clip::kStep;
}

void OutputPoint(Run& run, LoopState& loop) {
  CheckNegatives(run, loop);
  stage::RefreshProfiles(run, loop, false);
  double time = loop.base_time + loop.interval_time;
  if (std::fabs(run.settings.simlen - time) <= kEndFraction * std::fabs(run.settings.simlen))
    time = run.settings.simlen;
  loop.last_point_wrote = false;
  for (int s = 3; s <= run.store.rspec; ++s) {
    double& last = loop.last_written[s];
    const double now = run.store.conc[s];
    if (last == 0.0) last = now;
    const double change = last == 0.0 ? 0.0 : std::fabs(now - last) / last;
    if (loop.row_due || !(change < run.settings.pctdiff)) {
      stage::WriteOutputRow(run, loop, time);
      ++loop.output_count;
      loop.last_point_wrote = true;
      loop.last_row_time = time;
      for (int k = 3; k <= run.store.rspec; ++k) loop.last_written[k] = run.store.conc[k];
      break;
    }
  }
  loop.base_time = time;
  loop.interval_time = 0.0;
  loop.forced_output = false;
  loop.row_due = false;
}

void RunMainLoop(Run& run, LoopState& loop) {
  if (run.sw.debug & 1) {
    const std::string hashes(49, '#');
    run.console.Line(hashes);
    run.console.Line("*#*#*#*#*#*     NOW ENTERING IN MAIN LOOP...     ");
    run.console.Line(hashes);
  }
  const bool turbo = TurboMode(run);
  const int n = run.store.Equations();
  for (;;) {
    // A: output point when the interval is complete or a step was forced.
    if (!(run.settings.tstep2 > loop.interval_time) || loop.forced_output) {
      if (StudyRerun(loop)) {
        // A perturbed trajectory writes nothing: its interval just closes.
        loop.base_time += loop.interval_time;
        loop.interval_time = 0.0;
        loop.forced_output = false;
        continue;
      }
      OutputPoint(run, loop);
      if (!(run.settings.simlen > loop.base_time)) break;
      continue;
    }
    // B: one integration step.
    stage::RefreshProfiles(run, loop, true);
    for (int s = 3; s <= run.store.rspec; ++s) loop.y[s - 2] = run.store.conc[s];
    if (ClipTrialStep(run, loop, turbo, StudyRerun(loop)) == Clip::kRestart) continue;
    if (loop.study != nullptr) loop.study->ClipStep(run, loop);
    if (loop.row_times != nullptr) ClipToRowTime(loop);
    stage::Derivatives(run, loop.base_time + loop.interval_time, loop.y, loop.dydx);
    SetErrorScales(run, loop.y.data(), loop.yscal.data(), n);
    if (loop.trial_step == 0.0) {
      loop.forced_output = true;
      loop.trial_step = loop.step_done;
      continue;
    }
    if (StudyRerun(loop)) {
      // A study's own run that fails is the study's to score.
      SurviveIntegrationFailures survive(run);
      try {
        stage::IntegratorStep(run, loop);
      } catch (const IntegrationFailure& failure) {
        loop.study->RerunFailed(run, loop, failure);
        continue;
      }
    } else {
      stage::IntegratorStep(run, loop);
    }
    if (++loop.step_counter >= kProgressEvery) {
      if (!run.sw.quiet) run.console.Line("NSTEP=" + RealText(loop.next_step));
      if (run.sw.show) {
        run.console.Line(" dt= " + RealText(loop.step_done));
        if (!run.sw.quiet) ShowStepWork(run);
      }
      // A progress line is seen when it is printed, also by a user who stops
      // a run that crawls.
      run.console.Flush();
      loop.step_counter = 0;
    }
    TakeBackState(run, loop);
    if (!StudyRerun(loop)) stage::TrackIgnition(run, loop, loop.base_time + loop.interval_time + loop.step_done);
    if (loop.study != nullptr) {
      loop.study->AfterStep(run, loop);
      // The main trajectory reaches asked-for times between its analyses.
      if (loop.row_times != nullptr && !StudyRerun(loop)) NoteRowTime(run, loop);
      continue;
    }
    loop.interval_time += loop.step_done;
    loop.trial_step = loop.next_step;
    if (loop.row_times != nullptr) NoteRowTime(run, loop);
  }
}

}  // namespace tarnavel
