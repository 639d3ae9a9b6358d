// The thermodynamic description file (first part) and the database it
// names, DB.DAT (second part), from arbitrary bytes, for a few species.
#include "fuzz_support.hpp"
#include "input/species_file.hpp"
#include "thermo/thermo_database.hpp"
#include "thermo/thermo_description.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  const auto parts = fuzz::Parts(fuzz::Text(data, size), 2);
  fuzz::WriteFile("THERM.DAT", parts[0]);
  fuzz::WriteFile("DB.DAT", parts[1]);
  fuzz::FuzzRun f;
  f.run.sw.thermo = true;
  std::istringstream species("H2\t0\t1\tY\t0\tN\tN\nO2\t0\t1\tY\t0\tN\tN\nOH\t0\t0\tY\t0\tN\tN\nAR\t0\t0\tY\t0\tN\tN\n");
  fuzz::Orderly([&] {
    ReadSpeciesLines(f.run, species);
    ReadThermoDescription(f.run);
    ReadThermoDatabases(f.run);
  });
  return 0;
}
