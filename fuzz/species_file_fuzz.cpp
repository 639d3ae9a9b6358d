// The species description file from arbitrary bytes.
#include "fuzz_support.hpp"
#include "input/species_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  fuzz::FuzzRun f;
  std::istringstream text(fuzz::Text(data, size));
  fuzz::Orderly([&] { ReadSpeciesLines(f.run, text); });
  return 0;
}
