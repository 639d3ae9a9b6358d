// Placeholder until the command line lands.
#include "driver/command_line.hpp"
#include "driver/run.hpp"
namespace tarnavel {
void ParseCommandLine(Run&, const std::vector<std::string>&) {}
}  // namespace tarnavel
