// The model description file from arbitrary bytes, after a species file
// (the part before the first NUL byte), then the network compilation.
#include "fuzz_support.hpp"
#include "input/model_file.hpp"
#include "input/species_file.hpp"
#include "model/compile_network.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  const auto parts = fuzz::Parts(fuzz::Text(data, size), 2);
  fuzz::FuzzRun f;
  f.run.sw.ignore_mass = true;
  std::istringstream species(parts[0]), model(parts[1]);
  fuzz::Orderly([&] {
    ReadSpeciesLines(f.run, species);
    ReadModelLines(f.run, model);
    CompileNetwork(f.run);
  });
  return 0;
}
