// Entry point of the three programs. TARNAVEL_XL_BUILD and
// TARNAVEL_LARGE_BUILD select the capacity constants; nothing else differs
// between them.

#include <iostream>
#include <string>
#include <vector>

#include "core/console.hpp"
#include "core/run.hpp"
#include "driver/run_driver.hpp"

int main(int argc, char** argv) {
#if TARNAVEL_XL_BUILD
  constexpr tarnavel::Capacity capacity = tarnavel::kXlCapacity;
#elif TARNAVEL_LARGE_BUILD
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
