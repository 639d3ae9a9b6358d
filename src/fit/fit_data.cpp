#include "fit/fit_data.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string_view>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

constexpr double kTimeMatch = 1.0e-6;
constexpr const char kDelimiters[] = {'\t', ',', ':', '!', '|'};

bool IsEnd(const std::string& field) {
  const std::string head = field.substr(0, 3);
  return head == "END" || head == "end" || head == "End";
}

bool IsComment(const std::string& field) { return !field.empty() && (field[0] == '#' || field[0] == '"'); }

bool Missing(const std::string& value) { return !value.empty() && value[0] == 'N'; }

// Splits a line with the delimiter in force, changing to the next one of
// the list while the line yields fewer than two fields; the delimiter found
// stays in force. False when no delimiter serves (`result` then holds the
// splitter's last result).
bool Split(ReaderState& rd, const std::string& line, int& result) {
  for (int tries = 0;; ++tries) {
    rd.line = line;
    result = SplitFields(rd);
    if (result == kSplitOk && rd.nfield >= 2) return true;
    if (IsComment(rd.field[1]) || IsEnd(rd.field[1])) return true;
    if (tries == 5) return false;
    int next = 0;
    for (int i = 0; i < 5; ++i)
      if (kDelimiters[i] == rd.delim) next = (i + 1) % 5;
    rd.delim = kDelimiters[next];
  }
}

std::vector<std::string> Fields(const ReaderState& rd) {
  std::vector<std::string> f;
  for (int i = 1; i <= rd.nfield; ++i) f.push_back(rd.field[i]);
  return f;
}

// Field `column` of a concentration row. The file is the program's own
// output and holds one column per displayed species, more than the field
// reader keeps for a large model: a column beyond those is cut from the line
// itself, between its delimiters. Empty when the row has no such column.
std::string ModelValue(const ReaderState& rd, int column) {
  if (column <= kMaxFields) return column <= rd.nfield ? rd.field[column] : std::string{};
  std::string_view rest(rd.line);
  for (int i = 1; i < column; ++i) {
    const size_t cut = rest.find(rd.delim);
    if (cut == std::string_view::npos) return {};
    rest.remove_prefix(cut + 1);
  }
  return Trim(rest.substr(0, rest.find(rd.delim)));
}

[[noreturn]] void Unsplittable(Run& run, const std::string& file, const std::string& line, int result) {
  run.reader.filecode = kNoFile;
  run.reader.line = line;
  run.msg.name1 = file;
  FatalError(run, result == kSplitOk ? 1 : result);
}

}  // namespace

FitData ReadFitData(Run& run, const std::string& name) {
  std::ifstream in(name);
  if (!in) FatalError(run, 121);
  FitData data;
  ReaderState& rd = run.reader;
  bool header = true;
  rd.srcline = 0;
  for (std::string line; std::getline(in, line);) {
    ++rd.srcline;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    int result = 0;
    if (!Split(rd, line, result)) {
      run.console.Line("--> problem in RFD func at 5EFAF ...");
      Unsplittable(run, name, line, result);
    }
    if (IsEnd(rd.field[1])) break;
    if (IsComment(rd.field[1])) continue;
    if (rd.nfield > kMaxFields) {
      run.msg.n1 = kMaxFields;
      Unsplittable(run, name, line, 2);
    }
    if (header) {
      data.header = Fields(rd);
      header = false;
      continue;
    }
    FitData::Row row;
    row.fields = Fields(rd);
    row.time = ToReal(run, row.fields[0]);
    data.rows.push_back(std::move(row));
  }
  return data;
}

FitComparison SetUpComparison(Run& run, const FitData& data, int comparator) {
  FitComparison cmp;
  cmp.comparator = comparator;
  const ModelStore& st = run.store;
  for (size_t f = 1; f < data.header.size(); ++f) {
    const std::string& title = data.header[f];
    int column = 1, found = 0;
    for (int s = 3; s <= st.rspec && found == 0; ++s) {
      if (st.species[s].display) ++column;
      if (st.species[s].name != title) continue;
      found = s;
      if (!st.species[s].display) {
        run.msg.name1 = title;
        FatalError(run, 120);
      }
    }
    if (found == 0) FatalError(run, 112);
    cmp.data_column.push_back(static_cast<int>(f) + 1);
    cmp.model_column.push_back(column);
    double weight = -99.0;
    bool first = true;
    for (const FitData::Row& row : data.rows) {
      const bool present = f < row.fields.size() && !Missing(row.fields[f]);
      if (present) {
        const double v = ToReal(run, row.fields[f]);
        weight = first ? v : std::max(weight, v);
      }
      first = false;
    }
    cmp.weight.push_back(weight == 0.0 ? 1.0 : weight);
  }
  return cmp;
}

int CompareWithData(Run& run, const std::string& model_file, const FitData& data, const FitComparison& cmp,
                    double& sum) {
  sum = 0.0;
  std::ifstream in(model_file);
  if (!in) FatalError(run, 110);
  ReaderState& rd = run.reader;
  const char delim = rd.delim;
  size_t next = 0;
  int result = kModelEnded;
  for (std::string line; next < data.rows.size() && std::getline(in, line);) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    int split = 0;
    if (!Split(rd, line, split)) {
      run.console.Line("Cannot read own concentration file...soft error..4r3r");
      FatalError(run, 999);
    }
    const std::string& first = rd.field[1];
    if (IsComment(first) || first.rfind("Time", 0) == 0) continue;
    if (IsEnd(first)) break;
    const double tm = ToReal(run, first);
    // Data rows the model has passed are not compared.
    for (;;) {
      const FitData::Row& row = data.rows[next];
      const double td = row.time;
      bool compare;
      if (td != 0.0) {
        const double r = (tm - td) / td;
        if (r > kTimeMatch) {
          if (++next == data.rows.size()) break;
          continue;
        }
        compare = r >= -kTimeMatch;
      } else {
        compare = tm == 0.0;
        if (!compare && tm > 0.0) {  // a model past a data time of 0 passes it
          if (++next == data.rows.size()) break;
          continue;
        }
      }
      if (compare) {
        for (size_t i = 0; i < cmp.data_column.size(); ++i) {
          const size_t dc = static_cast<size_t>(cmp.data_column[i]) - 1;
          if (dc >= row.fields.size() || Missing(row.fields[dc])) continue;
          const double xd = ToReal(run, row.fields[dc]);
          const std::string model = ModelValue(rd, cmp.model_column[i]);
          if (model.empty()) {
            run.console.Line("Cannot read own concentration file...soft error..4r3r");
            FatalError(run, 999);
          }
          const double xm = ToReal(run, model);
          switch (cmp.comparator) {
            case 1:
              sum += std::pow((xm - xd) / cmp.weight[i], 2);
              break;
            case 2:
              sum += (xm - xd) * (xm - xd);
              break;
            case 3:
              sum += xd != 0.0 ? std::pow((xm - xd) / xd, 2) : std::fabs(xm - xd);
              break;
            default:
              break;
          }
        }
        ++next;
      }
      break;
    }
  }
  if (next >= data.rows.size()) result = kDataUsedUp;
  rd.delim = delim;
  return result;
}

}  // namespace tarnavel
