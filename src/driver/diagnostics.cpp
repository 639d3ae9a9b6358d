// Placeholder until the catalogue lands.
#include "driver/diagnostics.hpp"
#include "driver/run.hpp"
#include "driver/stop.hpp"
namespace tarnavel {
void FatalError(Run&, int number) { StopProgram(kExitStopped, number); }
void Warning(Run&, int) {}
void Notice(Run&, int) {}
}  // namespace tarnavel
