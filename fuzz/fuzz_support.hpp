#pragma once
// What every reader's fuzz target shares: a run whose console writes into a
// string and reads no input, in a scratch working directory of its own (the
// readers write scratch and listing files there), and the input split into
// the parts a target feeds to different files.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "driver/stop.hpp"

namespace tarnavel::fuzz {

// Moves into a fresh scratch directory once per process.
inline void EnterScratchDirectory() {
  static const bool entered = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnavel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::filesystem::current_path(pattern);
    return true;
  }();
  (void)entered;
}

struct FuzzRun {
  std::ostringstream out;
  std::istringstream in;
  Run run;
  FuzzRun() : run(Console(out, in), kLargeCapacity) { run.sw.quiet = true; }
};

inline std::string Text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// The input cut at each NUL byte into at most `parts` pieces (the last takes the rest).
inline std::vector<std::string> Parts(const std::string& text, std::size_t parts) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (out.size() + 1 < parts) {
    const std::size_t nul = text.find('\0', start);
    if (nul == std::string::npos) break;
    out.push_back(text.substr(start, nul - start));
    start = nul + 1;
  }
  out.push_back(text.substr(start));
  while (out.size() < parts) out.emplace_back();
  return out;
}

inline void WriteFile(const std::string& name, const std::string& content) {
  std::ofstream(name, std::ios::binary) << content;
}

// Runs a reader; an orderly stop (a fatal error with its message) is a valid outcome.
template <typename F>
void Orderly(F&& reader) {
  try {
    reader();
  } catch (const ProgramStop&) {
  }
}

}  // namespace tarnavel::fuzz
