#include "driver/run_driver.hpp"

#include "driver/command_line.hpp"
#include "driver/run.hpp"
#include "driver/stop.hpp"

namespace tarnavel {

int RunProgram(Run& run, const std::vector<std::string>& args) {
  try {
    ParseCommandLine(run, args);
  } catch (const ProgramStop& stop) {
    run.console.Flush();
    return stop.exit_status;
  }
  return kExitNormal;
}

}  // namespace tarnavel
