#include "input/model_file.hpp"

#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/addspec_file.hpp"
#include "input/bracket_group.hpp"
#include "input/field_reader.hpp"
#include "input/pressure_table_rows.hpp"
#include "input/reaction_text.hpp"

namespace tarnavel {

namespace {

// Fit kinds of the rate fields: k or A, m, Ea.
constexpr int kFitRate = 100;
constexpr int kFitExponent = 101;
constexpr int kFitActivation = 102;

// Species numbers by name, kept current while species are added.
using SpeciesIndex = std::unordered_map<std::string, int>;

SpeciesIndex IndexSpecies(const ModelStore& st) {
  SpeciesIndex index;
  for (int s = 1; s <= st.nspec; ++s) index.emplace(st.species[s].name, s);
  return index;
}

// The number of the next reaction record, with room made for it: the table
// grows with the model up to the build's capacity.
int NextReactionNumber(Run& run) {
  ModelStore& st = run.store;
  if (st.nreact + 1 > st.cap.max_reactions) {
    run.msg.n1 = st.cap.max_reactions;
    FatalError(run, 22);
  }
  const int number = st.nreact + 1;
  if (static_cast<int>(st.reaction.size()) <= number) st.reaction.resize(number + 1);
  return number;
}

// Adds the species of reaction r that the table lacks.
void AddMissingSpecies(Run& run, SpeciesIndex& index, AddSpecFile& added, int r) {
  const ReactionRecord& rec = run.store.reaction[r];
  auto add = [&](const ReactionItem& item) {
    if (item.name == "*" || index.count(item.name) != 0) return;
    index.emplace(item.name, AddSpecies(run, added, item.name));
  };
  for (int i = 1; i <= kMaxReactants; ++i) add(rec.reactant[i]);
  for (int i = 1; i <= kMaxProducts; ++i) add(rec.product[i]);
}

// Interprets the fields of the current data line: 2 or 3 fields are k, the
// reaction and a comment; 4 or 5 fields A, m, Ea, the reaction and a comment.
int TakeReactionLine(Run& run, SpeciesIndex& index, AddSpecFile& added) {
  ReaderState& rd = run.reader;
  RateFields rate;
  rate.arrhenius = rd.nfield >= 4;
  const std::string text = rd.field[rate.arrhenius ? 4 : 2];
  const int number = run.store.nreact + 1;
  if (run.sw.FitMode()) {
    MarkFitFields(rd);
    if (rd.fitmark[1]) AddFitParameter(run, kFitRate, number, rd.srcline);
    if (rate.arrhenius && rd.fitmark[2]) AddFitParameter(run, kFitExponent, number, rd.srcline);
    if (rate.arrhenius && rd.fitmark[3]) AddFitParameter(run, kFitActivation, number, rd.srcline);
  }
  // A k field that is no number is a rate expression when it is written as
  // one (an operator, a parenthesis, J<n>, TEMP) or when a rate definitions
  // file gives names it may use; otherwise it stays the invalid number it
  // always was. Its value comes from the expression, times a factor 1 that a
  // fit or the sensitivity analysis may move.
  double k = 0.0;
  const std::string first = Trim(rd.field[1]);
  const bool written_as_expression = first.find_first_of("*/()@^<") != std::string::npos ||
                                     first.find("TEMP") != std::string::npos || run.store.rate_definitions.read;
  if (!rate.arrhenius && written_as_expression && !(IsNumber(first) && ParseReal(first, k)) && !first.empty()) {
    rate.expression = first;
    k = 1.0;
  } else {
    k = ToReal(run, rd.field[1]);
  }
  rate.rate = k;
  if (rate.arrhenius) {
    rate.m = ToReal(run, rd.field[2]);
    rate.ea = ToReal(run, rd.field[3]);
  }
  if (rate.rate == 0.0) FatalError(run, 87);
  const int r = StoreReaction(run, rate, text);
  AddMissingSpecies(run, index, added, r);
  return r;
}

}  // namespace

int StoreReaction(Run& run, const RateFields& rate, std::string_view text) {
  ModelStore& st = run.store;
  const int number = NextReactionNumber(run);
  const ReactionText rx = ParseReactionText(run, text, number);

  ReactionRecord& forward = st.reaction[number];
  forward = ReactionRecord{};
  forward.rate = rate.rate;
  forward.arrhenius = rate.arrhenius;
  forward.m = rate.m;
  forward.ea = rate.ea;
  forward.expression = rate.expression;
  forward.reactant = rx.reactant;
  forward.product = rx.product;
  forward.reversible = rx.reversible;
  forward.srcline = run.reader.srcline;
  if (rx.has_group) forward.special = AddSpecialEntry(run, rx.group);
  st.nreact = number;

  if (rx.reversible) {
    const int back = NextReactionNumber(run);
    ReactionRecord& reverse = st.reaction[back];
    reverse = ReactionRecord{};
    reverse.rate = 1.0;
    reverse.reverse = true;
    reverse.reactant = rx.product;
    reverse.product = rx.reactant;
    reverse.srcline = run.reader.srcline;
    if (rx.has_group) reverse.special = AddSpecialEntry(run, rx.group);
    st.nreact = back;
  }
  return number;
}

void ReadModelFile(Run& run) {
  std::ifstream in;
  if (!OpenDescriptionFile(run, kModelFile, in)) FatalError(run, 32);
  ReadModelLines(run, in);
}

void ReadModelLines(Run& run, std::istream& in) {
  ReaderState& rd = run.reader;
  BeginDescriptionFile(rd, kModelFile);
  FileShape shape = ShapeOf(kModelFile);
  shape.io_error_text = "*** I/O ERROR WHILE READING MODEL ERR#:";
  shape.wide_row = IsPressureTableRow;

  SpeciesIndex index = IndexSpecies(run.store);
  AddSpecFile added;
  TableRows tables;
  while (NextDataLine(run, in, shape)) {
    if (IsPressureTableRow(rd.field[1])) {
      TakeTableRow(run, tables);
    } else {
      BeginReactionRows(run, tables, TakeReactionLine(run, index, added));
    }
  }
  FinishTableRows(run, tables);

  if (run.sw.create_species_file) {
    // The generated list is the point of this mode: it exists even for a
    // model that names no species.
    if (!added.opened) OpenAddSpecFile(run, added);
    CloseAddSpecFile(added);
    Notice(run, 11);
    StopProgram(kExitStopped);
  }
  CloseAddSpecFile(added);
  if (added.added > 0) Notice(run, 1);
}

}  // namespace tarnavel
