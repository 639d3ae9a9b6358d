#pragma once
// The readers' fuzz targets: each feeds one input, as arbitrary bytes, through
// the code the programs run on that file. The libFuzzer programs call them, and
// the unit tests replay every input that once made one fail.

#include <string>
#include <string_view>

namespace tarnavel::fuzz {

enum class Outcome {
  kRead,          // the input was taken
  kOrderlyStop,   // the reader refused it with a message
  kSilentStop,    // the run stopped and printed nothing: a fault
};

// Runs a target on one input. The readers write scratch and listing files:
// the working directory must be one the target may fill.
using Target = Outcome (*)(const std::string& input);

struct NamedTarget {
  std::string_view name;
  Target run;
};

// Every target, by the name of its program (fuzz_<name>) and of its folder of
// regression inputs.
extern const NamedTarget kTargets[11];

// The target of that name; nullptr when there is none.
Target FindTarget(std::string_view name);

}  // namespace tarnavel::fuzz
