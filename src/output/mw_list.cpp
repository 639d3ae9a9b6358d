#include "output/mw_list.hpp"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"
#include "input/species_file.hpp"

namespace tarnavel {

namespace {

constexpr int kNameWidth = 40;

// The first 40 characters of a name, blank-padded on the right.
std::string NameColumn(const std::string& name) {
  std::string column = name.substr(0, std::min<size_t>(kNameWidth, name.size()));
  column.resize(kNameWidth, ' ');
  return column;
}

}  // namespace

void WriteMwList(const Run& run, std::ostream& out) {
  const char delim = run.settings.outdelim;
  const ModelStore& st = run.store;
  out << "\n\n";
  out << fmt::A("Species", 7) << delim << fmt::A("Molecular Weight", 16) << '\n';
  out << fmt::A("-------", 7) << delim << fmt::A("----------------", 16) << '\n';
  for (int s = 3; s <= st.rspec; ++s) {
    const SpeciesEntry& e = st.species[s];
    if (e.mass_known) {
      out << NameColumn(e.name) << delim << fmt::F(e.mw, 16, 5) << '\n';
    } else if (!IsStateVariableSpecies(e.name)) {
      // A free-format line: one blank column, then the texts side by side.
      out << " Invalid MW name:" << Trim(e.name) << delim << "0.0" << '\n';
    }
  }
  out << std::string(63, '-') << "\n\n\n";
}

void WriteMwList(Run& run) {
  std::error_code ec;
  std::filesystem::remove(kMwListFile, ec);
  std::ofstream out(kMwListFile);
  WriteMwList(run, out);
}

}  // namespace tarnavel
