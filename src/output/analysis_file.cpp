#include "output/analysis_file.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "core/fortran_format.hpp"
#include "core/run.hpp"

namespace tarnavel {

namespace {

constexpr std::string_view kTimeTitle = "   Time(s)";      // " Time(s)" right-aligned in 10
constexpr std::string_view kReactionTitle = "  Reaction #";  // "Reaction #" right-aligned in 12

}  // namespace

void OpenAnalysisFile(Run& run, AnalysisFile& analysis) {
  analysis.columns = std::clamp(run.store.nreact, 0, kMaxAnalysisColumns);
  analysis.delim = run.settings.outdelim;
  analysis.file.Replace(run, run.sw.analysis_name);
}

void WriteAnalysisHeader(Run& run, AnalysisFile& analysis, bool echo) {
  if (!analysis.file.IsOpen()) return;
  std::string& line = analysis.row;
  line.clear();
  line += kTimeTitle;
  line += analysis.delim;
  for (int r = 1; r <= analysis.columns; ++r) {
    line += kReactionTitle;
    fmt::AppendI(line, r, 4);
    line += analysis.delim;
  }
  analysis.file.WriteLine(run, line);
  if (echo) run.console.Raw(line);
}

void WriteAnalysisRow(Run& run, AnalysisFile& analysis, double time, bool echo) {
  if (!analysis.file.IsOpen()) return;
  std::string& line = analysis.row;
  line.clear();
  fmt::AppendF(line, time, 14, 5);
  line += analysis.delim;
  for (int r = 1; r <= analysis.columns; ++r) {
    fmt::AppendG(line, std::fabs(run.store.rate[r]), 14, 6);
    line += analysis.delim;
  }
  analysis.file.WriteLine(run, line);
  if (echo) run.console.Raw(line);
}

void CloseAnalysisFile(Run& run, AnalysisFile& analysis) { analysis.file.Close(run); }

}  // namespace tarnavel
