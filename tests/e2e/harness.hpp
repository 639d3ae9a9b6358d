#pragma once
// Runs the real programs in a fresh temporary directory and captures what
// they print, so tests can check console text and the files left behind.

#include <map>
#include <string>
#include <vector>

namespace tarnavel::e2e {

struct ProgramResult {
  int status = -1;                  // exit status
  std::string out;                  // standard output and error, interleaved
  std::vector<std::string> lines;   // out split into lines
  bool Contains(const std::string& text) const { return out.find(text) != std::string::npos; }
};

// A fresh directory under the system's temporary area, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }   // the working directory of runs
  const std::string& base() const { return base_; }   // its parent, for captured streams
  void Write(const std::string& name, const std::string& content) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string base_;
  std::string path_;
};

inline const char* kLargeExe = TARNAVEL_LARGE_EXE;
inline const char* kStandardExe = TARNAVEL_STANDARD_EXE;
inline const char* kXlExe = TARNAVEL_XL_EXE;

// Runs `exe` with `args` in `dir`, feeding `input` on standard input.
ProgramResult RunIn(const TempDir& dir, const std::vector<std::string>& args,
                    const std::string& input = "", const char* exe = kLargeExe);

// Runs the large program in `dir` after making the directory read-only. When
// the tests run as the superuser (who may write anywhere) the program runs as
// an unprivileged user instead, so the directory really cannot be written.
ProgramResult RunInReadOnlyDir(const TempDir& dir, const std::vector<std::string>& args);

std::vector<std::string> SplitLines(const std::string& text);

// Whether an executable of that name is on the PATH.
bool OnPath(const std::string& program);

// The text of a file of the project's test data (tests/data/<path>).
std::string ReadTestData(const std::string& path);

// The name-and-value lines of a reference solution ("NAME<TAB>value"); other
// lines (comments, a solver's status) are passed over.
std::map<std::string, double> ReadReference(const std::string& text);

// The last row of a concentration file as time and species by column title.
struct FinalRow {
  double time = -1.0;
  std::vector<std::pair<std::string, double>> values;
};
FinalRow LastConcentrationRow(const std::string& conc_text);

// Writes a small complete model (PARM.DAT, SPECIES.DAT, MODEL.DAT): A decays
// to B with k = 0.1 per second over 10 seconds, in moles/liter.
void WriteSmallModel(const TempDir& dir);

}  // namespace tarnavel::e2e
