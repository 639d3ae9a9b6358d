#pragma once
// A run state whose console writes into strings, for in-process tests.

#include <sstream>
#include <string>
#include <vector>

#include "core/run.hpp"
#include "core/stop.hpp"

namespace tarnavel::testing {

struct CapturedRun {
  std::ostringstream out;
  std::istringstream in;
  Run run;

  explicit CapturedRun(const Capacity& cap = kLargeCapacity, std::string input = "")
      : in(std::move(input)), run(Console(out, in), cap) {}

  std::string Text() const { return out.str(); }
  std::vector<std::string> Lines() const;
  void Clear() { out.str(""); out.clear(); }
};

// Splits text into lines (the final newline does not start an empty line).
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace tarnavel::testing
