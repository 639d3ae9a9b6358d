#pragma once
// The text of a file of the project's test data (tests/data/<path>), read
// byte for byte; empty when the file is missing.

#include <fstream>
#include <sstream>
#include <string>

namespace tarnavel::testing {

inline std::string TestData(const std::string& path) {
  std::ifstream in(std::string(TARNAVEL_TEST_DATA_DIR) + "/" + path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace tarnavel::testing
