#pragma once
// The concentration output file: the time course of every displayed species
// as delimited text a spreadsheet can load.
//
//   header  " Time(s)" left-aligned in 10 columns, then each displayed
//           species name (trailing blanks cut) followed by one blank;
//   rows    the time, then each displayed concentration, all in E14.6.
//
// Every field is followed by the output delimiter, the last one too. The
// displayed species are those with the display flag among the compiled slots
// 3..RSPEC, in index order; the set is fixed when the file is opened.

#include <string>
#include <vector>

#include "core/output_file.hpp"

namespace tarnavel {

struct Run;
struct ModelStore;

struct ConcFile {
  OutputFile file;
  std::vector<int> columns;  // species slots of the displayed species
  char delim = '\t';
  std::string row;           // line buffer, reused for every row
  int width = 14;            // the numbers' E w.d layout
  int digits = 6;
};

// The file of the values at the times asked for with -TIMES:, in the layout
// of the concentration file with ten significant digits (E18.10).
inline constexpr const char* kTimesFileName = "ATTIMES.TXT";

// Slots 3..RSPEC whose display flag is set, in index order.
std::vector<int> DisplayedSpecies(const ModelStore& store);

// The format descriptions of the header and of the data rows, as the debug
// listing shows them; only the name widths and the column count vary.
std::string HeaderDescription(const ModelStore& store);
std::string RowDescription(const ModelStore& store);

// Preparation after network compilation: with debug bit 8 lists the two
// format descriptions; deletes an existing file of the output name and
// creates it anew, empty.
void PrepareConcOutput(Run& run);

// Fixes the display set and the delimiter and opens the file of the output
// name for writing from its start (created anew), kept open for the run.
void OpenConcFile(Run& run, ConcFile& conc);

// Opens ATTIMES.TXT like the concentration file, its numbers in E18.10.
void OpenTimesFile(Run& run, ConcFile& conc);

// The header row; with `echo` it also goes to the console in the same layout.
// Nothing happens when the file is not open.
void WriteConcHeader(Run& run, ConcFile& conc, bool echo);

// One row at `time` from the current concentrations; with `echo` the same
// line goes to the console. Nothing happens when the file is not open.
void WriteConcRow(Run& run, ConcFile& conc, double time, bool echo);

// Flushes and closes the file; it is kept.
void CloseConcFile(Run& run, ConcFile& conc);

}  // namespace tarnavel
