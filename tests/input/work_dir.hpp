#pragma once
// A fresh temporary working directory for tests of readers that write files
// into the working directory (ADDSPEC.TXT); the previous one is restored and
// the directory removed afterwards.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace tarnavel::testing {

class WorkDir {
 public:
  WorkDir() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnavel-unit-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::current_path(path_);
  }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
  std::string Read(const std::string& name) const {
    std::ifstream f(path_ / name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

}  // namespace tarnavel::testing
