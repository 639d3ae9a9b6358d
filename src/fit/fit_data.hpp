#pragma once
// The experimental data a fit compares with: a delimited file whose first
// data row names species and whose further rows hold a time and measured
// values (a value beginning with N, such as NA, is missing). The comparison
// reads a concentration file written by the fitting simulation and sums the
// differences at the data times.

#include <string>
#include <vector>

namespace tarnavel {

struct Run;

struct FitData {
  std::vector<std::string> header;           // the column titles, field 1 first
  struct Row {
    double time = 0.0;
    std::vector<std::string> fields;         // field 1 (the time) first
  };
  std::vector<Row> rows;                     // the measurements, in file order
};

// Reads the whole data file: fatal 121 when it is missing; comments (#, ")
// and blank lines skipped; END ends the data; a row needs two fields, with
// the usual change of delimiter, and stops the run with fatal 1 (or the
// splitter's number) when no delimiter serves.
FitData ReadFitData(Run& run, const std::string& name);

// The compared columns: each header field after the time names a displayed
// species (fatal 112 for a name that is no species, fatal 120 for one that
// is not displayed); its weight is the column's largest value (-99 when the
// first row lacks it), 1 when that is 0.
struct FitComparison {
  int comparator = 1;                        // 1 weighted, 2 absolute, 3 relative squares
  std::vector<int> data_column;              // 1-based field of the data rows
  std::vector<int> model_column;             // 1-based field of the concentration rows
  std::vector<double> weight;
};
FitComparison SetUpComparison(Run& run, const FitData& data, int comparator);

// Result codes of the comparison.
inline constexpr int kDataUsedUp = 1234;    // every data row was reached
inline constexpr int kModelEnded = 995;     // the model rows ended first

// Sums the differences between the model rows of `model_file` and the data
// rows at matching times (within 1E-6 relative): model rows between data
// times are passed, data rows the model skipped over are passed. Fatal 110
// when the model file is missing.
int CompareWithData(Run& run, const std::string& model_file, const FitData& data, const FitComparison& cmp,
                    double& sum);

}  // namespace tarnavel
