// The user periodic table (before the first NUL byte) and the names and
// mass file (the rest) from arbitrary bytes.
#include "fuzz_support.hpp"
#include "input/names_file.hpp"
#include "input/periodic_table.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel;
  fuzz::EnterScratchDirectory();
  const auto parts = fuzz::Parts(fuzz::Text(data, size), 2);
  fuzz::FuzzRun f;
  std::istringstream periodic(parts[0]), names(parts[1]);
  fuzz::Orderly([&] { ReadPeriodicLines(f.run, periodic); });
  fuzz::FuzzRun g;
  fuzz::Orderly([&] { ReadNamesLines(g.run, names); });
  return 0;
}
