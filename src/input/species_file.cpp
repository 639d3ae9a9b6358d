#include "input/species_file.hpp"

#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

bool StartsYes(const std::string& text) {
  const std::string u = UpperCase(text);
  return !u.empty() && u[0] == 'Y';
}

// Interprets the fields of one species line (already split) as the next
// species of the table.
void TakeSpeciesLine(Run& run) {
  ReaderState& rd = run.reader;
  ModelStore& st = run.store;
  if (st.nspec + 1 > st.cap.max_species) {
    run.msg.n1 = st.cap.max_species;
    FatalError(run, 21);
  }
  if (run.sw.FitMode()) MarkFitFields(rd);
  const std::string name = Squeeze(rd.field[1]);
  if (name == "M" || name == "m" || name == "HV" || name == "hv") {
    run.msg.name1 = name;
    Warning(run, 1);
    return;
  }
  const int s = st.nspec + 1;
  SpeciesEntry e;
  e.name = name;
  e.display = StartsYes(rd.field[4]);
  // The steady-state column is read but switches nothing on.
  (void)StartsYes(rd.field[6]);
  const std::string& hold = rd.field[7];
  const std::string hold_upper = UpperCase(hold);
  // A six-field line has no hold column: the species is not held.
  if (!hold_upper.empty() && hold_upper[0] != 'N') {
    const std::string_view tail =
        hold.size() >= 5 ? std::string_view(hold).substr(hold.size() - 4) : std::string_view{};
    if (tail == "-ADD" || tail == "-add" || tail == "-Add") {
      e.additive_profile = true;
      e.profile_name = hold.substr(0, hold.size() - 4);
    } else {
      e.held = true;
      e.profile_name = hold;
      e.held_by_number = IsNumber(hold);
    }
  }
  const double residence = ToReal(run, rd.field[2]);
  e.initial = ToReal(run, rd.field[3]);
  e.external = ToReal(run, rd.field[5]);
  e.flow_rate = residence;  // turned into its inverse once the table is complete
  if (run.sw.FitMode()) {
    const int kinds[] = {0, 0, 21, 22, 0, 24};
    for (int f : {2, 3, 5}) {
      if (!rd.fitmark[f]) continue;
      AddFitParameter(run, kinds[f], s, rd.srcline);
      run.reader.fit.back().species = e.name;
    }
  }
  st.species[s] = std::move(e);
  st.nspec = s;
}

// Builds a species line from its columns with the delimiter in force and
// reads it exactly like a line of the file.
void AppendPseudoSpecies(Run& run, std::initializer_list<std::string> columns) {
  ReaderState& rd = run.reader;
  std::string line;
  for (const std::string& c : columns) {
    if (!line.empty()) line += rd.delim;
    line += c;
  }
  rd.line = line;
  SplitFields(rd);
  TakeSpeciesLine(run);
}

void CompleteTable(Run& run) {
  ModelStore& st = run.store;
  const Settings& set = run.settings;
  if (set.tprofile) {
    AppendPseudoSpecies(run, {"Temperature (K)", "0.0", "0.0", "Yes", "0.0", "No", set.tprofname});
  } else if (run.sw.thermo) {
    AppendPseudoSpecies(run, {"Temperature (K)", "0.0", Trim(fmt::E(set.temp, 14, 6)), "Yes", "0.0", "No", "No"});
  }
  if (set.vprofile) {
    AppendPseudoSpecies(run, {"Volume", "0.0", "1.0", "Yes", "0.0", "No", set.vprofname});
  } else if (set.constp) {
    AppendPseudoSpecies(run, {"Volume", "0.0", "1.0", "No", "0.0", "No", "No"});
  }

  for (int s = 3; s <= st.nspec; ++s) {
    SpeciesEntry& e = st.species[s];
    if (e.flow_rate != 0.0 || e.external != 0.0) st.cstr = true;
    if (e.flow_rate != 0.0) e.flow_rate = 1.0 / e.flow_rate;
    // A {...} tag is cut off before the charge is counted: Na+{aq} is +1.
    std::string tag;
    if (BraceSuffix(e.name, tag)) {
      e.has_tag = true;
      e.tag = tag;
      e.name = e.name.substr(0, e.name.rfind('{'));
    }
    if (!SpeciesCharge(e.name, e.charge)) {
      run.msg.name1 = e.name;
      FatalError(run, 28);
    }
  }

  std::unordered_map<std::string, int> seen;
  std::string duplicate;
  for (int s = 3; s <= st.nspec; ++s) {
    if (!seen.emplace(st.species[s].name, s).second && duplicate.empty()) duplicate = st.species[s].name;
  }
  if (!duplicate.empty()) {
    run.msg.name1 = duplicate;
    FatalError(run, 10);
  }

  st.displayed = 0;
  for (int s = 3; s <= st.nspec; ++s) {
    SpeciesEntry& e = st.species[s];
    if (e.display) ++st.displayed;
    if (e.additive_profile) st.additive_in_use = true;
    if (e.held) {
      st.profile_in_use = true;
      e.initial = -1.0;
      e.flow_rate = 0.0;
      e.external = 0.0;
      e.steady_state = false;
    }
    st.conc[s] = e.initial;
  }
}

}  // namespace

bool SpeciesCharge(const std::string& name, int& charge) {
  charge = 0;
  size_t i = name.size();
  while (i > 0 && (name[i - 1] == '+' || name[i - 1] == '-')) {
    charge += name[i - 1] == '+' ? 1 : -1;
    --i;
  }
  return i > 0;
}

void ReadSpeciesFile(Run& run) {
  std::ifstream in;
  if (!OpenDescriptionFile(run, kSpeciesFile, in)) FatalError(run, 31);
  ReadSpeciesLines(run, in);
}

void ReadSpeciesLines(Run& run, std::istream& in) {
  BeginDescriptionFile(run.reader, kSpeciesFile);
  while (NextDataLine(run, in, ShapeOf(kSpeciesFile))) TakeSpeciesLine(run);
  CompleteTable(run);
}

}  // namespace tarnavel
