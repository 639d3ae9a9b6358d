#include "driver/stages.hpp"

#include <filesystem>
#include <fstream>

#include "driver/main_loop.hpp"
#include "driver/run.hpp"
#include "input/model_file.hpp"
#include "input/parameter_file.hpp"
#include "input/species_file.hpp"

namespace tarnavel::stage {

void UserPeriodicTable(Run&) {}
void ParameterFile(Run& run) { ReadParameterFile(run); }
void NamesFile(Run&) {}
// In the create-species-file mode the species file is not read: every
// species of the model is then listed in the generated file.
void SpeciesFile(Run& run) {
  if (!run.sw.create_species_file) ReadSpeciesFile(run);
}
void ProfilesAndRadiation(Run&) {}
void ModelFile(Run& run) { ReadModelFile(run); }
void CompileNetwork(Run&) {}

bool ChooseAnalyticJacobian(Run& run) { return run.sw.anjac; }

void CreateConcFile(Run& run) {
  std::error_code ec;
  std::filesystem::remove(run.sw.conc_out_name, ec);
  std::ofstream created(run.sw.conc_out_name);
}

void WriteHeadersAndTimeZero(Run&, LoopState&) {}
void SetUpSensitivity(Run&) {}
void CreateAnalysisFile(Run&) {}
void WriteKineticStatistics(Run&) {}
void Optimise(Run&, LoopState&) {}

void RefreshProfiles(Run&, LoopState&, bool) {}
void Derivatives(Run&, double, const std::vector<double>&, std::vector<double>&) {}

// A model without integrated species has nothing to integrate: the step is
// exact, and the next may be as long as the rest of the run.
void IntegratorStep(Run& run, LoopState& loop) {
  loop.step_done = loop.trial_step;
  loop.next_step = run.settings.simlen;
}

void WriteOutputRow(Run&, LoopState&, double) {}
void FinishOutputs(Run&, LoopState&) {}

}  // namespace tarnavel::stage
