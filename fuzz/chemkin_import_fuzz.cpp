// The CHEMKIN importer from arbitrary bytes: the mechanism (first part) and
// a separate thermodynamic file (second part), translated as the command does.
#include "fuzz_support.hpp"
#include "import/chemkin_mechanism.hpp"
#include "import/model_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel::import;
  const auto parts = tarnavel::fuzz::Parts(tarnavel::fuzz::Text(data, size), 2);
  try {
    Mechanism mech = ReadMechanism(parts[0], "fuzz.inp");
    if (!parts[1].empty()) ReadThermoFile(mech, parts[1], "fuzz.dat");
    ImportOptions options;
    options.mixture = {{mech.species.front(), 1.0}};
    TranslateMechanism(mech, options);
  } catch (const ImportError&) {
  }
  return 0;
}
