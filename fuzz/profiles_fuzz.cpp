// Concentration profiles and the radiation file from arbitrary bytes: a
// species held by the profile PROF.DAT (first part) and the radiation file
// HV.DAT (second part), read as a run reads them.
#include "fuzz_support.hpp"
#include "input/profiles.hpp"
#include "input/species_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  const auto parts = fuzz::Parts(fuzz::Text(data, size), 2);
  fuzz::WriteFile("PROF.DAT", parts[0]);
  fuzz::WriteFile("HV.DAT", parts[1]);
  fuzz::FuzzRun f;
  f.run.settings.hvfile = "HV.DAT";
  std::istringstream species("A\t0\t1\tY\t0\tN\tPROF.DAT\nB\t0\t0\tY\t0\tN\tN\n");
  fuzz::Orderly([&] {
    ReadSpeciesLines(f.run, species);
    ReadProfilesAndRadiation(f.run);
  });
  return 0;
}
