#pragma once
// Runs an in-process test inside a fresh temporary directory, so that result
// files the program writes under their plain names land there; the previous
// working directory is restored and the directory removed afterwards.

#include <filesystem>
#include <string>

namespace tarnavel::testing {

class TempWorkDir {
 public:
  TempWorkDir();
  ~TempWorkDir();
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

  std::string Read(const std::string& name) const;  // whole file, "" when missing
  bool Exists(const std::string& name) const;
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

}  // namespace tarnavel::testing
