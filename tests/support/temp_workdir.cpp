#include "support/temp_workdir.hpp"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarnavel::testing {

TempWorkDir::TempWorkDir() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnavel-unit-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
  dir_ = pattern;
  std::filesystem::current_path(dir_);
}

TempWorkDir::~TempWorkDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(dir_, ec);
}

std::string TempWorkDir::Read(const std::string& name) const {
  std::ifstream in(dir_ / name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool TempWorkDir::Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

void TempWorkDir::Write(const std::string& name, const std::string& content) const {
  std::ofstream(dir_ / name, std::ios::binary) << content;
}

}  // namespace tarnavel::testing
