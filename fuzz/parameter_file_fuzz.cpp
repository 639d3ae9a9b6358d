// The parameter description file from arbitrary bytes.
#include "fuzz_support.hpp"
#include "input/parameter_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  fuzz::FuzzRun f;
  std::istringstream text(fuzz::Text(data, size));
  fuzz::Orderly([&] { ReadParameterLines(f.run, text); });
  return 0;
}
