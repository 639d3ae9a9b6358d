#include "input/addspec_file.hpp"

#include <cerrno>
#include <filesystem>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"
#include "input/species_file.hpp"

namespace tarnavel {

namespace {

struct Column {
  const char* text;
  int width;
};

std::string JoinColumns(std::initializer_list<Column> columns, char delim) {
  std::string row;
  bool first = true;
  for (const Column& c : columns) {
    if (!first) row += delim;
    fmt::AppendA(row, c.text, c.width);
    first = false;
  }
  return row;
}

}  // namespace

std::string AddSpecCaption(int row, char delim) {
  if (row == 1)
    return JoinColumns({{"# Species", 9}, {"Residence", 9}, {"Initial", 7}, {"Display Output", 14},
                        {"External", 10}, {"SSA ?", 5}, {"Constant File?", 14}},
                       delim);
  return JoinColumns({{"#     ", 6}, {"Time in CSTR(s)", 15}, {"Conc.", 5}, {"(Y/N) ?", 7}, {"Conc.", 5},
                      {"(Y/N)", 5}, {"(Filename/#/No)", 15}},
                     delim);
}

std::string AddSpecLine(std::string_view name, char delim) {
  const int length = name.empty() ? 1 : TrimLength(name);
  std::string line = fmt::A(name.substr(0, static_cast<std::size_t>(length)), 10 * (length / 10 + 1));
  const std::string zero = fmt::F(0.0, 4, 1);
  const std::string no = "No";
  for (const std::string* column : {&zero, &zero, &no, &zero, &no, &no}) {
    line += delim;
    line += *column;
  }
  return line;
}

void OpenAddSpecFile(Run& run, AddSpecFile& file) {
  std::error_code ec;
  std::filesystem::remove(kAddSpecFileName, ec);
  errno = 0;
  file.out.open(kAddSpecFileName);
  if (!file.out) {
    run.console.Line("****  ERR: IOSTAT= " + std::to_string(errno != 0 ? errno : EIO));
    FatalError(run, 38);
  }
  file.opened = true;
  const char delim = run.settings.outdelim;
  file.out << AddSpecCaption(1, delim) << '\n' << AddSpecCaption(2, delim) << '\n';
}

void CloseAddSpecFile(AddSpecFile& file) {
  if (file.opened) file.out.close();
}

int AddSpecies(Run& run, AddSpecFile& file, const std::string& name) {
  ModelStore& st = run.store;
  if (st.nspec + 1 > st.cap.max_species) {
    run.msg.n1 = st.cap.max_species;
    FatalError(run, 21);
  }
  if (!run.sw.create_species_file) {
    run.msg.name1 = name;
    Warning(run, 3);
  }
  const int s = st.nspec + 1;
  SpeciesEntry entry;
  entry.name = name;
  entry.used = true;
  SpeciesCharge(name, entry.charge);
  st.species[s] = std::move(entry);
  st.conc[s] = 0.0;
  st.nspec = s;
  ++file.added;

  if (!file.opened) OpenAddSpecFile(run, file);
  const std::string line = AddSpecLine(name, run.settings.outdelim);
  file.out << line << '\n';
  if (!run.sw.quiet) {
    run.console.Raw(line);
    run.console.Line("Outputted to file ADDSPEC.TXT ....");
  }
  return s;
}

}  // namespace tarnavel
