#include "driver/stages.hpp"

#include <string>

#include "driver/main_loop.hpp"
#include "driver/run.hpp"
#include "driver/stop.hpp"
#include "input/field_reader.hpp"
#include "input/formula_weight.hpp"
#include "input/names_file.hpp"
#include "input/model_file.hpp"
#include "input/parameter_file.hpp"
#include "input/periodic_table.hpp"
#include "input/profiles.hpp"
#include "input/species_file.hpp"
#include "output/analysis_file.hpp"
#include "output/conc_file.hpp"
#include "output/kinstat.hpp"
#include "output/mw_list.hpp"
#include "output/property_reports.hpp"
#include "model/compile_network.hpp"
#include "model/analytic_jacobian.hpp"
#include "model/derivs.hpp"
#include "model/state_variables.hpp"
#include "fit/optimisation_driver.hpp"
#include "thermo/thermo_database.hpp"
#include "thermo/thermo_description.hpp"

namespace tarnavel::stage {

namespace {

// Analysis rows reach the console with show, and never in a quiet run.
bool EchoAnalysis(const Run& run) { return run.sw.show && !run.sw.quiet; }

// An analysis row from rates recomputed at the current state.
void WriteRatesRow(Run& run, LoopState& loop, double time) {
  if (!loop.analysis_file.file.IsOpen()) return;
  if (loop.refresh_rates != nullptr) loop.refresh_rates(run);
  WriteAnalysisRow(run, loop.analysis_file, time, EchoAnalysis(run));
}


}  // namespace

void UserPeriodicTable(Run& run) { ReadUserPeriodicTable(run); }
void ParameterFile(Run& run) { ReadParameterFile(run); }
void NamesFile(Run& run) { ReadNamesFile(run); }
// In the create-species-file mode the species file is not read: every
// species of the model is then listed in the generated file.
void SpeciesFile(Run& run) {
  if (!run.sw.create_species_file) ReadSpeciesFile(run);
}
void ProfilesAndRadiation(Run& run) { ReadProfilesAndRadiation(run); }
void ModelFile(Run& run) { ReadModelFile(run); }
// Masses of every species (the model file may have added some), then the
// network. Compilation has put the held species in their final slots, so the
// values in force at time 0 are looked up here: the radiation intensity, the
// held concentrations (which the time-zero row shows) and the first value of a
// temperature profile. In thermodynamic mode the databases then supply every
// species' data, and the state variables (the temperature, [M] at the start,
// the rate constants and the reverse rate constants) are set up.
void CompileNetwork(Run& run) {
  // Without thermodynamic data a reverse reaction would keep the placeholder
  // 1.0 of its record as its rate constant.
  if (!run.sw.thermo) {
    for (int r = 1; r <= run.store.nreact; ++r) {
      if (!run.store.reaction[r].reverse) continue;
      run.console.Line("The reaction on source line " + std::to_string(run.store.reaction[r].srcline) + " of " +
                       run.reader.filename[kModelFile] + " is reversible (=):");
      run.console.Line("Its reverse rate constant is the forward one over the equilibrium constant,");
      run.console.Line("which needs thermodynamic mode (-THERM) and a thermodynamic database.");
      StopProgram(kExitStopped);
    }
  }
  DetermineMolecularWeights(run);
  tarnavel::CompileNetwork(run);
  Network& net = run.store.net;
  net.temperature = run.settings.temp;
  if (run.settings.vprofile) net.volume = 0.0;  // the profile's first value is the initial volume
  LookUpRadiation(run, 0.0);
  LookUpHeldProfiles(run, 0.0);
  if (run.sw.thermo) {
    ReadThermoDescription(run);
    ReadThermoDatabases(run);
  }
  SetUpStateVariables(run);
  if (run.sw.see_mw) WriteMwList(run);
}

// The analytic Jacobian serves only constant rate constants; otherwise the
// request is turned off with warning 36 and the numerical one is used. The
// switch then tells the model which Jacobian to form.
bool ChooseAnalyticJacobian(Run& run) {
  if (run.sw.anjac && AnalyticJacobianRefused(run)) {
    Warning(run, 36);
    run.sw.anjac = false;
  }
  return run.sw.anjac;
}

// Right after network compilation: the concentration file is deleted and
// created anew; its header and rows follow once the run is set up.
void CreateConcFile(Run& run) { PrepareConcOutput(run); }

// The concentration file's header and time-zero row, which also become the
// last-written values the output points compare with, and the property and
// rate reports with their first row. In fit mode the objective writes the
// concentration file itself, and the reports are not written.
void WriteHeadersAndTimeZero(Run& run, LoopState& loop) {
  if (run.sw.FitMode()) return;
  OpenConcFile(run, loop.conc_file);
  WriteConcHeader(run, loop.conc_file, run.sw.show);
  WriteConcRow(run, loop.conc_file, 0.0, run.sw.show);
  OpenPropertyReports(run, loop.reports);
  WritePropertyReports(run, loop.reports, 0.0);
  for (int s = 3; s <= run.store.rspec; ++s) loop.last_written[s] = run.store.conc[s];
  loop.last_row_time = 0.0;
}

// The per-reaction rate file of sensitivity mode 0: the derivatives are
// evaluated once at the initial state so that the rate constants are current,
// then the header and the time-zero row are written.
void CreateAnalysisFile(Run& run, LoopState& loop) {
  if (run.sw.FitMode() || run.sw.sensit_mode != kSensitRates) return;
  for (int s = 3; s <= run.store.rspec; ++s) loop.y[s - 2] = run.store.conc[s];
  Derivatives(run, 0.0, loop.y, loop.dydx);
  OpenAnalysisFile(run, loop.analysis_file);
  WriteAnalysisHeader(run, loop.analysis_file, EchoAnalysis(run));
  WriteRatesRow(run, loop, 0.0);
}
void SetUpSensitivity(Run& run, LoopState& loop) {
  if (run.sw.sensit_mode == kSensitAnalysis) SetUpSensitivityAnalysis(run, loop);
}
void WriteKineticStatistics(Run& run) { WriteKinStat(run); }
void Optimise(Run& run, LoopState&) { RunOptimisation(run); }

// Radiation (not at output points), held species and additive profiles, by
// the output base time.
void RefreshProfiles(Run& run, LoopState& loop, bool radiation_too) {
  if (radiation_too) LookUpRadiation(run, loop.base_time);
  LookUpHeldProfiles(run, loop.base_time);
  ApplyAdditiveProfiles(run, loop.base_time);
}
void Derivatives(Run& run, double, const std::vector<double>& y, std::vector<double>& dydx) {
  if (!run.store.net.compiled) return;
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
  CloseAnalysisFile(run, loop.analysis_file);
  ClosePropertyReports(run, loop.reports);
}

}  // namespace tarnavel::stage
