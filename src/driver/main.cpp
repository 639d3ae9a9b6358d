// Entry point of both programs. TARNAVEL_LARGE_BUILD selects the capacity
// constants; nothing else differs between the two.

#include <iostream>
#include <string>
#include <vector>

#include "core/console.hpp"
#include "core/run.hpp"
#include "driver/run_driver.hpp"

int main(int argc, char** argv) {
#if TARNAVEL_LARGE_BUILD
  constexpr tarnavel::Capacity capacity = tarnavel::kLargeCapacity;
#else
  constexpr tarnavel::Capacity capacity = tarnavel::kStandardCapacity;
#endif
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  tarnavel::Run run(tarnavel::Console(std::cout, std::cin), capacity);
  const int status = tarnavel::RunProgram(run, args);
  std::cout.flush();
  return status;
}
