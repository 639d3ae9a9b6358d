#include "input/working_directory.hpp"

#include <filesystem>

#include "core/run.hpp"

namespace tarnavel {

bool InWorkingDirectory(std::string_view name) {
  const std::filesystem::path path(name);
  if (path.has_root_name() || path.has_root_directory()) return false;
  const std::filesystem::path normal = path.lexically_normal();
  return normal.empty() || *normal.begin() != "..";
}

bool RegularFile(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec);
}

bool MayRead(Run& run, const std::string& name) {
  if (InWorkingDirectory(name)) return true;
  run.console.Line("Input files may only name files in the working directory: " + name);
  return false;
}

}  // namespace tarnavel
