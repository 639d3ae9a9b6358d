// The libFuzzer program of one target, named by TARNAVEL_FUZZ_TARGET when it
// is compiled. It works in a scratch directory of its own and aborts, so that
// libFuzzer keeps the input, when a run stops without saying why.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fuzz_targets.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnavel::fuzz;
  static const Target target = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnavel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::filesystem::current_path(pattern);
    const Target t = FindTarget(TARNAVEL_FUZZ_TARGET);
    if (t == nullptr) std::abort();
    return t;
  }();
  if (target(std::string(reinterpret_cast<const char*>(data), size)) == Outcome::kSilentStop) {
    std::fputs("the run stopped without a message\n", stderr);
    std::abort();
  }
  return 0;
}
