#include "core/output_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/run.hpp"
#include "core/stop.hpp"

namespace tarnavel {

namespace {

constexpr std::size_t kFileBuffer = 1 << 16;  // rows of many columns go out in few writes

int LastError() { return errno != 0 ? errno : EIO; }

// The I/O status and the system's reason, then an orderly stop.
[[noreturn]] void StopOnFileError(Run& run, const char* action, const std::string& name, int status) {
  run.console.Line("****  ERR: IOSTAT= " + std::to_string(status));
  run.console.Line(std::string("Cannot ") + action + " file " + name + ": " + std::strerror(status));
  run.console.Flush();
  StopProgram(kExitStopped);
}

std::FILE* CreateNew(Run& run, const std::string& name) {
  std::error_code ec;
  std::filesystem::remove(name, ec);
  errno = 0;
  std::FILE* f = std::fopen(name.c_str(), "w");
  if (f == nullptr) StopOnFileError(run, "create", name, LastError());
  return f;
}

}  // namespace

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), name_(std::move(other.name_)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = std::exchange(other.file_, nullptr);
    name_ = std::move(other.name_);
  }
  return *this;
}

void OutputFile::Replace(Run& run, const std::string& name) {
  if (file_ != nullptr) Close(run);
  name_ = name;
  file_ = CreateNew(run, name);
  std::setvbuf(file_, nullptr, _IOFBF, kFileBuffer);
}

void OutputFile::WriteLine(Run& run, std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fputc('\n', file_) == EOF) {
    const int status = LastError();
    std::fclose(std::exchange(file_, nullptr));
    StopOnFileError(run, "write", name_, status);
  }
}

void OutputFile::Close(Run& run) {
  if (file_ == nullptr) return;
  errno = 0;
  if (std::fclose(std::exchange(file_, nullptr)) != 0) StopOnFileError(run, "write", name_, LastError());
}

void ReplaceFile(Run& run, const std::string& name) {
  std::FILE* f = CreateNew(run, name);
  errno = 0;
  if (std::fclose(f) != 0) StopOnFileError(run, "create", name, LastError());
}

}  // namespace tarnavel
