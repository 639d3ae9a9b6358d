#include "sensitivity/sensitivity_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"
#include "input/species_file.hpp"
#include "model/derivs.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {

namespace {

constexpr const char* kStoreFile = "ERASE000.TXT";
constexpr double kUnderflowStep = 1.0e-32;
constexpr double kNoValue = 1.0e37;          // a ratio or sensitivity that cannot be formed
// A step end this close below an analysis time (relative) has reached it.
constexpr double kReachedFraction = 1.0e-12;

// The floor of the stored results used in the tables.
double ResultFloor(const Run& run) { return run.settings.concunits == kMoleculesPerCm3 ? 1.0e-10 : 1.0e-32; }

// The analysis a loop runs as its study.
SensitivityRun& Analysis(LoopState& loop) { return static_cast<SensitivityRun&>(*loop.study); }

void Underflow(Run& run, const char* message) {
  run.console.Line(message);
  run.console.Pause();
}

// The volume species of a volume profile, whose slot carries each
// trajectory's own volume; 0 without one.
int ProfileVolumeSlot(const Run& run) {
  if (!run.settings.vprofile) return 0;
  for (int s = 3; s <= run.store.rspec; ++s)
    if (run.store.species[s].name == kVolumeSpecies) return s;
  return 0;
}

void TakeVolumeOfState(Run& run) {
  const int v = ProfileVolumeSlot(run);
  if (v > 0) run.store.net.volume = run.store.conc[v];
}

// The first record of a reaction's lowered (or raised) block.
std::int64_t BlockStart(const SensitivityRun& sr, int r, bool raised, int slots) {
  return sr.block * (r - 1) + 1 + (raised ? slots + 2 : 0);
}

// Parks the store's state and the next trial step in a block; the block's
// parameter is written only when given.
void WriteBlock(Run& run, SensitivityRun& sr, int r, bool raised, double step, const double* parameter = nullptr) {
  const int slots = run.store.rspec;
  const std::int64_t first = BlockStart(sr, r, raised, slots);
  if (parameter != nullptr) sr.store.Write(first, *parameter);
  for (int s = 1; s <= slots; ++s) sr.store.Write(first + s, run.store.conc[s]);
  sr.store.Write(first + slots + 1, step);
}

// Puts a parked trajectory into the store: its parameter, its state and its
// next trial step.
void LoadBlock(Run& run, LoopState& loop, int r, bool raised) {
  SensitivityRun& sr = Analysis(loop);
  const int slots = run.store.rspec;
  const std::int64_t first = BlockStart(sr, r, raised, slots);
  SetRateParameter(run, r, sr.store.Read(first));
  for (int s = 1; s <= slots; ++s) run.store.conc[s] = sr.store.Read(first + s);
  loop.trial_step = sr.store.Read(first + slots + 1);
  TakeVolumeOfState(run);
}

double PreviousTime(const SensitivityRun& sr) { return sr.k < 2 ? 0.0 : sr.times[sr.k - 1]; }

// A perturbed trajectory resumes at the previous analysis time.
void StartTrajectory(LoopState& loop) {
  loop.base_time = PreviousTime(Analysis(loop));
  loop.interval_time = 0.0;
  loop.forced_output = false;
}

void CaptureResult(Run& run, std::vector<double>& result) {
  const double floor = ResultFloor(run);
  for (int s = 3; s <= run.store.sspec; ++s) {
    const double v = run.store.conc[s];
    result[s] = std::fabs(v) < floor ? floor : v;
  }
}

std::string TwoDigits(int k) { return std::string(1, static_cast<char>('0' + k / 10)) + static_cast<char>('0' + k % 10); }

// The header shared by both files: a blank field, then every integrated species.
std::string SpeciesHeader(const Run& run) {
  const char d = run.reader.delim;
  std::string line(15, ' ');
  line += d;
  for (int s = 3; s <= run.store.sspec; ++s) line += Trim(run.store.species[s].name) + " " + d;
  return line;
}

void OpenAnalysisFiles(Run& run, SensitivityRun& sr, double t) {
  const std::string nn = TwoDigits(sr.k);
  sr.sensit_file.Replace(run, "SENSIT" + nn + ".TXT");
  sr.ratio_file.Replace(run, "RATIO" + nn + ".TXT");
  sr.sensit_file.WriteLine(run, "Sensitivity Analysis at time:" + fmt::E(t, 14, 6));
  sr.ratio_file.WriteLine(run, "Linearity Analysis of Sens. Analys at time:" + fmt::E(t, 14, 6));
  const std::string header = SpeciesHeader(run);
  sr.sensit_file.WriteLine(run, header);
  sr.ratio_file.WriteLine(run, header);
}

// One row of each file for the reaction just analysed.
void WriteRows(Run& run, SensitivityRun& sr) {
  const char d = run.reader.delim;
  const double ymin = run.settings.yscalmin;
  std::string& row = sr.row;
  for (int file = 0; file < 2; ++file) {
    row.clear();
    fmt::AppendA(row, "Rate Constant", 14);
    fmt::AppendI(row, sr.reaction, 4);
    row += d;
    for (int s = 3; s <= run.store.sspec; ++s) {
      const double b = sr.base[s], l = sr.lowered[s], h = sr.raised[s];
      double v;
      if (file == 0) {
        if (b != 0.0) {
          v = (h - l) / (b * 2.0 * sr.p);
        } else {
          v = h > ymin || l > ymin ? kNoValue : 0.0;
        }
      } else {
        v = b - l != 0.0 ? (h - b) / (b - l) : kNoValue;
      }
      fmt::AppendE(row, v, 21, 15);
      row += d;
    }
    (file == 0 ? sr.sensit_file : sr.ratio_file).WriteLine(run, row);
  }
}

// The rows of a reaction whose perturbed run failed: every value marked.
void WriteFailedRows(Run& run, SensitivityRun& sr) {
  const char d = run.reader.delim;
  std::string& row = sr.row;
  row.clear();
  fmt::AppendA(row, "Rate Constant", 14);
  fmt::AppendI(row, sr.reaction, 4);
  row += d;
  for (int s = 3; s <= run.store.sspec; ++s) {
    fmt::AppendE(row, kFailedRunMark, 21, 15);
    row += d;
  }
  sr.sensit_file.WriteLine(run, row);
  sr.ratio_file.WriteLine(run, row);
  ++sr.marked_rows;
}

// The next reaction to analyse after r; a generated reverse takes its rate
// from its forward reaction and is passed over.
int NextReaction(const Run& run, int r) {
  ++r;
  if (r <= run.store.nreact && run.store.reaction[r].reverse) ++r;
  return r;
}

bool Reached(const SensitivityRun& sr, double t) {
  const double target = sr.times[sr.k];
  return t >= target - kReachedFraction * std::fabs(target);
}

void EndAnalysis(Run& run, LoopState& loop);

// After the reaction in hand: the next one's lowered trajectory, the marked
// rows of reactions whose runs failed at an earlier time passed over, or the
// end of the analysis.
void NextTrajectory(Run& run, LoopState& loop) {
  SensitivityRun& sr = Analysis(loop);
  sr.reaction = NextReaction(run, sr.reaction);
  while (sr.reaction <= run.store.nreact && sr.failed[sr.reaction]) {
    WriteFailedRows(run, sr);
    sr.reaction = NextReaction(run, sr.reaction);
  }
  if (sr.reaction > run.store.nreact) {
    EndAnalysis(run, loop);
    return;
  }
  LoadBlock(run, loop, sr.reaction, false);
  if (loop.trial_step < kUnderflowStep) Underflow(run, "Underflow error 348u?");
  StartTrajectory(loop);
  sr.phase = SensitPhase::kLowered;
}

void BeginAnalysis(Run& run, LoopState& loop, double t) {
  SensitivityRun& sr = Analysis(loop);
  for (int s = 1; s <= run.store.rspec; ++s) sr.base[s] = run.store.conc[s];
  OpenAnalysisFiles(run, sr, t);
  sr.store.Open();
  sr.saved_step_done = loop.step_done;
  sr.saved_next_step = loop.next_step;
  sr.saved_base_time = loop.base_time;
  sr.saved_interval = loop.interval_time;
  loop.trial_step = loop.step_done;
  if (loop.trial_step <= kUnderflowStep) Underflow(run, "Underflow error at zzz");
  sr.marked_rows = 0;
  sr.phase = SensitPhase::kLowered;
  if (sr.failed[1]) {
    sr.reaction = 0;
    NextTrajectory(run, loop);
    return;
  }
  sr.reaction = 1;
  LoadBlock(run, loop, sr.reaction, false);
  if (loop.trial_step <= kUnderflowStep) Underflow(run, "Underflow error 3ruig");
  StartTrajectory(loop);
}

// The main run takes up again where the analysis found it.
void EndAnalysis(Run& run, LoopState& loop) {
  SensitivityRun& sr = Analysis(loop);
  sr.reaction = 0;
  sr.phase = SensitPhase::kMain;
  loop.step_done = sr.saved_step_done;
  loop.next_step = sr.saved_next_step;
  loop.base_time = sr.saved_base_time;
  loop.interval_time = sr.saved_interval;
  for (int s = 3; s <= run.store.rspec; ++s) run.store.conc[s] = sr.base[s];
  TakeVolumeOfState(run);
  ++sr.k;
  sr.sensit_file.Close(run);
  sr.ratio_file.Close(run);
  sr.store.Close();
  if (sr.marked_rows > 0 && !run.sw.quiet) {
    run.console.Line("Sensitivity analysis " + TwoDigits(sr.k - 1) + ": the perturbed runs of " +
                     std::to_string(sr.marked_rows) + " reaction(s) failed; their rows hold -1.0E+37.");
  }
  loop.interval_time += loop.step_done;
  loop.trial_step = loop.next_step;
}

}  // namespace

std::vector<double> AnalysisTimes(int count, bool times_given, const double* given, double simlen) {
  std::vector<double> times(static_cast<size_t>(count) + 1, 0.0);
  if (times_given) {
    for (int i = 1; i <= count; ++i) times[i] = given[i];
    return times;
  }
  for (int i = 2; i < count; ++i) times[i] = (i - 1) * simlen / (count - 1);
  if (count >= 2) times[count] = simlen;
  const double second = count >= 2 ? times[2] : simlen;
  times[1] = simlen > 5.0 && 1.0 < second ? 1.0 : 0.01 * simlen;
  return times;
}

void SetUpSensitivityAnalysis(Run& run, LoopState& loop) {
  loop.study = std::make_unique<SensitivityRun>();
  SensitivityRun& sr = Analysis(loop);
  sr.active = true;
  sr.p = run.sw.sensit_pct / 100.0;
  sr.count = run.sw.sensit_count;
  sr.times = AnalysisTimes(sr.count, run.sw.sensit_times, run.sw.sensit_time.data(), run.settings.simlen);
  ModelStore& st = run.store;
  const int slots = st.rspec;
  sr.block = 2 * (static_cast<std::int64_t>(slots) + 2);
  sr.base.assign(static_cast<size_t>(slots) + 1, 0.0);
  sr.lowered = sr.raised = sr.base;
  const bool show = run.sw.show && !run.sw.quiet;
  if (show) {
    run.console.Blank();
    run.console.Line("Setting up external storage file...");
    run.console.Blank();
  }
  if (!sr.store.Create(kStoreFile, sr.block * st.nreact)) {
    run.console.Line("****  ERR: IOSTAT= 5");
    FatalError(run, 38);
  }
  sr.parameter.assign(static_cast<size_t>(st.nreact) + 1, 0.0);
  sr.failed.assign(static_cast<size_t>(st.nreact) + 2, 0);
  for (int r = 1; r <= st.nreact; ++r) {
    const double value = RateParameter(run, r);
    sr.parameter[r] = value;
    const double lowered = value * (1.0 - sr.p), raised = value * (1.0 + sr.p);
    WriteBlock(run, sr, r, false, run.settings.tstep, &lowered);
    WriteBlock(run, sr, r, true, run.settings.tstep, &raised);
  }
  sr.store.Close();
  if (show) {
    run.console.Line(" Done. ");
    run.console.Blank();
  }
  if (run.sw.debug & 8) {
    run.console.Blank();
    run.console.Line("Format headers for SENSIT.TXT & RATIO file:");
    run.console.Line(SpeciesHeader(run));
  }
}

bool SensitivityRun::Rerun() const { return phase == SensitPhase::kLowered || phase == SensitPhase::kRaised; }

void SensitivityRun::ClipStep(Run& run, LoopState& loop) {
  const SensitivityRun& sr = *this;
  if (sr.k > sr.count) return;
  const double target = sr.times[sr.k];
  if (loop.base_time + loop.trial_step + loop.interval_time > target) {
    loop.trial_step = target - loop.base_time - loop.interval_time;
    if (loop.trial_step < 0.0) loop.trial_step = target - loop.base_time;
    if ((run.sw.debug & 8) && loop.trial_step <= kUnderflowStep) run.console.Line("Underflow happened at gi93\t");
  }
}

void SensitivityRun::AfterStep(Run& run, LoopState& loop) {
  SensitivityRun& sr = *this;
  const double t = loop.step_done + loop.base_time + loop.interval_time;
  if (sr.phase == SensitPhase::kMain) {
    if (sr.k > sr.count || !Reached(sr, t)) {
      loop.interval_time += loop.step_done;
      loop.trial_step = loop.next_step;
      return;
    }
    BeginAnalysis(run, loop, t);
    return;
  }
  if (!Reached(sr, t)) {
    loop.interval_time += loop.step_done;
    loop.trial_step = loop.next_step;
    if (loop.next_step < kUnderflowStep) Underflow(run, "Underflow error 343eg");
    return;
  }
  if (sr.phase == SensitPhase::kLowered) {
    CaptureResult(run, sr.lowered);
    WriteBlock(run, sr, sr.reaction, false, loop.next_step);
    LoadBlock(run, loop, sr.reaction, true);
    if (loop.trial_step <= kUnderflowStep) Underflow(run, "Underflow error 123e?, <ENTER>");
    StartTrajectory(loop);
    sr.phase = SensitPhase::kRaised;
    return;
  }
  CaptureResult(run, sr.raised);
  WriteBlock(run, sr, sr.reaction, true, loop.next_step);
  if (loop.next_step <= kUnderflowStep) Underflow(run, "Underflow error 52434");
  WriteRows(run, sr);
  SetRateParameter(run, sr.reaction, sr.parameter[sr.reaction]);
  NextTrajectory(run, loop);
}

void SensitivityRun::RerunFailed(Run& run, LoopState& loop, const IntegrationFailure&) {
  failed[reaction] = 1;
  WriteFailedRows(run, *this);
  SetRateParameter(run, reaction, parameter[reaction]);
  NextTrajectory(run, loop);
}

}  // namespace tarnavel
