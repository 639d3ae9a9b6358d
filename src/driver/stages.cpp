#include "driver/stages.hpp"

#include <string>

#include "core/run.hpp"
#include "core/stop.hpp"
#include "fit/optimisation_driver.hpp"
#include "input/field_reader.hpp"
#include "input/formula_weight.hpp"
#include "input/model_file.hpp"
#include "input/names_file.hpp"
#include "input/parameter_file.hpp"
#include "input/periodic_table.hpp"
#include "input/profiles.hpp"
#include "input/rate_definitions_file.hpp"
#include "input/species_file.hpp"
#include "model/analytic_jacobian.hpp"
#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "model/profile_lookup.hpp"
#include "model/rate_expressions.hpp"
#include "model/state_variables.hpp"
#include "output/analysis_file.hpp"
#include "output/conc_file.hpp"
#include "output/kinstat.hpp"
#include "output/mw_list.hpp"
#include "output/property_reports.hpp"
#include "sensitivity/sensitivity_analysis.hpp"
#include "thermo/thermo_database.hpp"
#include "thermo/thermo_description.hpp"
#include "time_loop/loop_stages.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel::stage {


void UserPeriodicTable(Run& run) { ReadUserPeriodicTable(run); }
void ParameterFile(Run& run) { ReadParameterFile(run); }
void NamesFile(Run& run) { ReadNamesFile(run); }
// In the create-species-file mode the species file is not read: every
// species of the model is then listed in the generated file.
void SpeciesFile(Run& run) {
  if (!run.sw.create_species_file) ReadSpeciesFile(run);
}
void ProfilesAndRadiation(Run& run) { ReadProfilesAndRadiation(run); }
// The rate definitions first: whether they exist decides how the model
// file's rate fields read.
void ModelFile(Run& run) {
  ReadRateDefinitions(run);
  ReadModelFile(run);
}
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
  CompileRateExpressions(run);
  if (run.sw.thermo) {
    ReadThermoDescription(run);
    ReadThermoDatabases(run);
  }
  SetUpStateVariables(run);
  if (run.sw.see_mw) WriteMwList(run);
}

void ReadAndCompile(Run& run) {
  if (run.sw.options & kOptUserPeriodic) stage::UserPeriodicTable(run);
  stage::ParameterFile(run);
  stage::NamesFile(run);
  stage::SpeciesFile(run);
  stage::ProfilesAndRadiation(run);
  stage::ModelFile(run);
  stage::CompileNetwork(run);
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


}  // namespace tarnavel::stage
