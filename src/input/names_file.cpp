#include "input/names_file.hpp"

#include <filesystem>
#include <fstream>
#include <istream>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"
#include "input/formula_weight.hpp"
#include "input/periodic_table.hpp"
#include "input/species_file.hpp"

namespace tarnavel {

namespace {

int FormulaWarning(WeighOutcome outcome) {
  switch (outcome) {
    case WeighOutcome::kMissingLeft: return 13;
    case WeighOutcome::kTooDeep: return 14;
    case WeighOutcome::kMissingRight: return 15;
    default: return 16;
  }
}

// A name cut of a trailing {...} tag.
std::string_view WithoutTag(std::string_view name) {
  std::string tag;
  if (!BraceSuffix(name, tag)) return name;
  return name.substr(0, name.rfind('{'));
}

// An element symbol cannot be given a mass of its own: such a line is
// reported and left out of the table.
bool RedefinesElement(Run& run, const std::string& name, const PeriodicTable& periodic) {
  if (name.size() >= 3 || FindElement(periodic, ElementSymbol(name)) == 0) return false;
  if (!run.sw.quiet && !run.sw.ignore_warnings) {
    run.console.Line("***** WARN! You cannot redefine the Periodic Symbol:  " + name);
    run.console.Line("Ignoring the name and it's defined mass: " + name + " *****");
  }
  return true;
}

// Interprets the fields of one names-file line as the next entry.
void TakeNameLine(Run& run, NamesTable& table, const PeriodicTable& periodic) {
  ReaderState& rd = run.reader;
  NameEntry e;
  e.name = Squeeze(rd.field[1]);
  if (RedefinesElement(run, e.name, periodic)) return;
  e.key = std::string(WithoutTag(e.name));
  e.formula = Squeeze(rd.field[2]);
  if (BraceSuffix(e.formula, e.tag)) {
    e.has_tag = true;
    e.formula.erase(e.formula.rfind('{'));
  }
  if (!SpeciesCharge(e.formula, e.charge)) {
    run.msg.name1 = e.formula;
    FatalError(run, 28);
  }
  const FormulaWeight w = WeighFormula(WithoutCharge(e.formula), periodic);
  e.mass_known = w.Weighed();
  e.mass = w.mass;
  if (!e.mass_known) {
    run.msg.name1 = e.formula;
    run.msg.name2 = e.name;
    Warning(run, FormulaWarning(w.outcome));
  }
  if (table.count == kMaxNames) {
    run.console.Line("Too many names in the names file " + rd.filename[kNamesFile] + ".");
    run.msg.n1 = kMaxNames;
    FatalError(run, 21);
  }
  table.entry[++table.count] = std::move(e);
}

}  // namespace

const NamesTable& NamesTableOf(const Run& run) { return run.names; }

const NameEntry* FindName(const NamesTable& table, std::string_view species) {
  for (int i = 1; i <= table.count; ++i)
    if (table.entry[i].key == species) return &table.entry[i];
  return nullptr;
}

void ReadNamesFile(Run& run) {
  run.names.count = 0;
  std::ifstream in;
  if (!OpenDescriptionFile(run, kNamesFile, in)) return;
  if (!run.sw.quiet) run.console.Line("Reading & parsing " + run.reader.filename[kNamesFile] + " names/mass file..");
  ReadNamesLines(run, in);
}

void ReadNamesLines(Run& run, std::istream& in) {
  ReaderState& rd = run.reader;
  BeginDescriptionFile(rd, kNamesFile);
  NamesTable& table = run.names;
  if (table.entry.size() != static_cast<size_t>(kMaxNames) + 1) table.entry.assign(kMaxNames + 1, NameEntry{});
  table.count = 0;
  const PeriodicTable& periodic = PeriodicTableOf(run);
  while (NextDataLine(run, in, ShapeOf(kNamesFile))) TakeNameLine(run, table, periodic);
}

}  // namespace tarnavel
