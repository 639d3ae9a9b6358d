#pragma once
// A result text file written line by line and kept open through the run.
// Replacing a file deletes an existing file of that name and creates it anew.
// A file that cannot be created or written ends the run with the system's
// reason for it: a result file that silently stops short would be mistaken
// for a complete one.

#include <cstdio>
#include <string>
#include <string_view>

namespace tarnavel {

struct Run;

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // closes an open file; what was written stays
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Deletes an existing file of that name, creates it anew and keeps it open.
  void Replace(Run& run, const std::string& name);
  // Writes the text and ends the line.
  void WriteLine(Run& run, std::string_view text);
  // Flushes and closes; a file that is not open is left alone.
  void Close(Run& run);

  bool IsOpen() const { return file_ != nullptr; }
  const std::string& name() const { return name_; }

 private:
  std::FILE* file_ = nullptr;
  std::string name_;
};

// Deletes an existing file of that name and creates it anew, empty.
void ReplaceFile(Run& run, const std::string& name);

}  // namespace tarnavel
