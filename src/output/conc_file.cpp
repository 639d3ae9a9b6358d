#include "output/conc_file.hpp"

#include <string_view>

#include "core/fortran_format.hpp"
#include "core/run.hpp"

namespace tarnavel {

namespace {

constexpr std::string_view kTimeTitle = " Time(s)  ";  // " Time(s)" left-aligned in 10

std::string_view TrimmedName(const std::string& name) {
  const auto end = name.find_last_not_of(' ');
  return end == std::string::npos ? std::string_view() : std::string_view(name).substr(0, end + 1);
}

// Width of a species' header column: the name and one blank.
std::size_t NameWidth(const ModelStore& store, int s) { return TrimmedName(store.species[s].name).size() + 1; }

}  // namespace

std::vector<int> DisplayedSpecies(const ModelStore& store) {
  std::vector<int> shown;
  for (int s = 3; s <= store.rspec; ++s)
    if (store.species[s].display) shown.push_back(s);
  return shown;
}

std::string HeaderDescription(const ModelStore& store) {
  std::string text = "(A10,A1";
  for (int s : DisplayedSpecies(store)) text += ",A" + std::to_string(NameWidth(store, s)) + ",A1";
  return text + ")";
}

std::string RowDescription(const ModelStore& store) {
  const std::size_t n = DisplayedSpecies(store).size();
  std::string text = "(E14.6,A1";
  if (n > 0) text += "," + std::to_string(n) + "(E14.6,A1)";
  return text + ")";
}

void PrepareConcOutput(Run& run) {
  if (run.sw.debug & 8) {
    const std::string d(1, run.settings.outdelim);
    run.console.Line("Format headers for CONC.TXT file:");
    run.console.Line("Form2=" + d + HeaderDescription(run.store) + d);
    run.console.Line("FORM=" + d + RowDescription(run.store) + d);
  }
  ReplaceFile(run, run.sw.conc_out_name);
}

void OpenConcFile(Run& run, ConcFile& conc) {
  conc.columns = DisplayedSpecies(run.store);
  conc.delim = run.settings.outdelim;
  conc.file.Replace(run, run.sw.conc_out_name);
}

void OpenTimesFile(Run& run, ConcFile& conc) {
  conc.columns = DisplayedSpecies(run.store);
  conc.delim = run.settings.outdelim;
  conc.width = 18;
  conc.digits = 10;
  conc.file.Replace(run, kTimesFileName);
}

void WriteConcHeader(Run& run, ConcFile& conc, bool echo) {
  if (!conc.file.IsOpen()) return;
  std::string& line = conc.row;
  line.clear();
  line += kTimeTitle;
  line += conc.delim;
  for (int s : conc.columns) {
    line += TrimmedName(run.store.species[s].name);
    line += ' ';
    line += conc.delim;
  }
  conc.file.WriteLine(run, line);
  if (echo) run.console.Raw(line);
}

void WriteConcRow(Run& run, ConcFile& conc, double time, bool echo) {
  if (!conc.file.IsOpen()) return;
  std::string& line = conc.row;
  line.clear();
  fmt::AppendE(line, time, conc.width, conc.digits);
  line += conc.delim;
  for (int s : conc.columns) {
    fmt::AppendE(line, run.store.conc[s], conc.width, conc.digits);
    line += conc.delim;
  }
  conc.file.WriteLine(run, line);
  if (echo) run.console.Raw(line);
}

void CloseConcFile(Run& run, ConcFile& conc) { conc.file.Close(run); }

}  // namespace tarnavel
