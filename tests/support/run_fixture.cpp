#include "support/run_fixture.hpp"

namespace tarnavel::testing {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::vector<std::string> CapturedRun::Lines() const { return SplitLines(out.str()); }

}  // namespace tarnavel::testing
