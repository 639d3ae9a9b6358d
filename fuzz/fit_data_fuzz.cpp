// The fit data file from arbitrary bytes, for a run with two species.
#include "fit/fit_data.hpp"
#include "fuzz_support.hpp"
#include "input/species_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  fuzz::WriteFile("FITDATA.DAT", fuzz::Text(data, size));
  fuzz::FuzzRun f;
  std::istringstream species("A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n");
  fuzz::Orderly([&] {
    ReadSpeciesLines(f.run, species);
    ReadFitData(f.run, "FITDATA.DAT");
  });
  return 0;
}
