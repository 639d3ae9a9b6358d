#pragma once
// The reaction analysis file: the magnitude of every reaction's rate at the
// moments the concentration file gets a row.
//
//   header  " Time(s)" right-aligned in 10 columns, then per reaction
//           "Reaction #" right-aligned in 12 and the number in 4;
//   rows    the time in F14.5, then |rate| of each reaction in G14.6.
//
// Every field is followed by the output delimiter, the last one too. Rows
// carry at most kMaxAnalysisColumns reactions; the header names the same
// columns.
//
// The writer takes the rates as they stand in the store's rate array
// (1..NREACT): the caller recomputes them from the current concentrations
// and rate constants before each row.

#include <string>

#include "core/output_file.hpp"

namespace tarnavel {

struct Run;

inline constexpr int kMaxAnalysisColumns = 8760;

struct AnalysisFile {
  OutputFile file;
  int columns = 0;   // reactions written per row
  char delim = '\t';
  std::string row;   // line buffer, reused for every row
};

// Fixes the column count and the delimiter, deletes an existing file of the
// analysis name, creates it anew and keeps it open for the run.
void OpenAnalysisFile(Run& run, AnalysisFile& analysis);

// The header row; with `echo` it also goes to the console in the same layout.
// Nothing happens when the file is not open.
void WriteAnalysisHeader(Run& run, AnalysisFile& analysis, bool echo);

// One row at `time` from the store's rate array; with `echo` the same line
// goes to the console. Nothing happens when the file is not open.
void WriteAnalysisRow(Run& run, AnalysisFile& analysis, double time, bool echo);

// Flushes and closes the file; it is kept.
void CloseAnalysisFile(Run& run, AnalysisFile& analysis);

}  // namespace tarnavel
