#include "input/pressure_table_rows.hpp"

#include <cmath>
#include <sstream>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/bracket_group.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

// Catalogue numbers of the table faults.
constexpr int kRowWithoutReaction = 122;
constexpr int kPressureOrder = 123;
constexpr int kMissingNumber = 124;
constexpr int kReactionLineForm = 125;
constexpr int kMixedRows = 126;
constexpr int kPressureUnits = 127;
constexpr int kNonPositiveLevel = 40;  // warning

enum class RowKind { kNone, kPlog, kTcheb, kPcheb, kCheb };

RowKind KindOf(std::string_view first) {
  const std::string word = UpperCase(Trim(first));
  if (word == "PLOG") return RowKind::kPlog;
  if (word == "TCHEB") return RowKind::kTcheb;
  if (word == "PCHEB") return RowKind::kPcheb;
  if (word == "CHEB") return RowKind::kCheb;
  return RowKind::kNone;
}

// A reaction line can take a table when it gives k alone and its rate is
// not multiplied by [M].
void CheckReactionLine(Run& run, int r) {
  const ReactionRecord& rec = run.store.reaction[r];
  bool third_body = rec.special != 0;
  for (const ReactionItem& item : rec.reactant) third_body = third_body || item.name == "M";
  for (const ReactionItem& item : rec.product) third_body = third_body || item.name == "M";
  if (rec.arrhenius || third_body) {
    run.msg.n1 = rec.srcline;
    FatalError(run, kReactionLineForm);
  }
}

void OpenTable(Run& run, TableRows& rows, int type) {
  if (rows.reaction == 0) FatalError(run, kRowWithoutReaction);
  if (rows.open) {
    if (rows.table.type != type) FatalError(run, kMixedRows);
    return;
  }
  CheckReactionLine(run, rows.reaction);
  rows.open = true;
  rows.table = PressureTable{};
  rows.table.type = type;
  rows.table.srcline = run.store.reaction[rows.reaction].srcline;
  rows.width = 0;
}

void TakePlogRow(Run& run, TableRows& rows) {
  const ReaderState& rd = run.reader;
  OpenTable(run, rows, kPlog);
  if (rd.nfield != 5) FatalError(run, kMissingNumber);
  const double p = ToReal(run, rd.field[2]);
  const double a = ToReal(run, rd.field[3]);
  PlogRow row;
  row.m = ToReal(run, rd.field[4]);
  row.ea = ToReal(run, rd.field[5]);
  PressureTable& tb = rows.table;
  if (!(p > 0.0) || (!tb.pressure.empty() && p < tb.pressure.back())) FatalError(run, kPressureOrder);
  if (a == 0.0) FatalError(run, 87);
  row.ln_a = std::log(std::fabs(a));
  row.sign = a < 0.0 ? -1.0 : 1.0;
  if (tb.pressure.empty() || p != tb.pressure.back()) {
    tb.pressure.push_back(p);
    tb.ln_pressure.push_back(std::log(p));
    tb.first.push_back(static_cast<int>(tb.row.size()));
  }
  tb.row.push_back(row);
}

void TakeRangeRow(Run& run, TableRows& rows, bool temperature) {
  const ReaderState& rd = run.reader;
  OpenTable(run, rows, kChebyshev);
  PressureTable& tb = rows.table;
  bool& given = temperature ? tb.t_range_given : tb.p_range_given;
  if (given) FatalError(run, kMixedRows);
  if (rd.nfield != 3) FatalError(run, kMissingNumber);
  const double low = ToReal(run, rd.field[2]);
  const double high = ToReal(run, rd.field[3]);
  if (!(low > 0.0) || !(high > low)) FatalError(run, kMixedRows);
  given = true;
  (temperature ? tb.tmin : tb.pmin) = low;
  (temperature ? tb.tmax : tb.pmax) = high;
}

void TakeChebyshevRow(Run& run, TableRows& rows) {
  const ReaderState& rd = run.reader;
  OpenTable(run, rows, kChebyshev);
  if (rows.width == 0) rows.width = rd.nfield;
  if (rd.nfield != rows.width) FatalError(run, kMissingNumber);
  PressureTable& tb = rows.table;
  for (int f = 2; f <= rd.nfield; ++f) tb.coeff.push_back(ToReal(run, rd.field[f]));
  ++tb.orders_t;
  tb.orders_p = rd.nfield - 1;
}

// Warns, once for a table, of the first PLOG pressure whose rows sum to zero
// or less at a temperature of common use: its logarithm is not defined there.
void CheckPlogLevels(Run& run, const PressureTable& tb) {
  const double rgas = run.settings.rgas;
  for (int i = 0; i < static_cast<int>(tb.pressure.size()); ++i) {
    for (const double t : {300.0, 500.0, 1000.0, 2000.0}) {
      if (PlogLevel(tb, i, std::log(t), 1.0 / (rgas * t)) > 0.0) continue;
      std::ostringstream pressure;
      pressure << tb.pressure[i];
      run.msg.n1 = tb.srcline;
      run.msg.n2 = static_cast<long>(t);
      run.msg.name1 = pressure.str();
      Warning(run, kNonPositiveLevel);
      return;
    }
  }
}

}  // namespace

bool IsPressureTableRow(std::string_view first) { return KindOf(first) != RowKind::kNone; }

void BeginReactionRows(Run& run, TableRows& rows, int reaction) {
  FinishTableRows(run, rows);
  rows.reaction = reaction;
  rows.reaction_line = run.reader.line;
  rows.open = false;
}

void TakeTableRow(Run& run, TableRows& rows) {
  switch (KindOf(run.reader.field[1])) {
    case RowKind::kPlog:
      TakePlogRow(run, rows);
      break;
    case RowKind::kTcheb:
      TakeRangeRow(run, rows, true);
      break;
    case RowKind::kPcheb:
      TakeRangeRow(run, rows, false);
      break;
    case RowKind::kCheb:
      TakeChebyshevRow(run, rows);
      break;
    case RowKind::kNone:
      break;
  }
  rows.last_line = run.reader.line;
  rows.last_srcline = run.reader.srcline;
}

void FinishTableRows(Run& run, TableRows& rows) {
  if (!rows.open) return;
  rows.open = false;
  ReaderState& rd = run.reader;
  PressureTable& tb = rows.table;
  // Faults found here concern the table's last row.
  const std::string line = rd.line;
  const int srcline = rd.srcline;
  rd.line = rows.last_line;
  rd.srcline = rows.last_srcline;
  if (tb.type == kChebyshev && tb.orders_t == 0) FatalError(run, kMissingNumber);
  if (run.settings.concunits == kPpm) FatalError(run, kPressureUnits);
  if (tb.type == kPlog) {
    tb.first.push_back(static_cast<int>(tb.row.size()));
    CheckPlogLevels(run, tb);
  }

  ModelStore& st = run.store;
  st.pressure_table.push_back(tb);
  SpecialEntry entry;
  entry.type = tb.type;
  entry.param[kTableSlot] = static_cast<double>(st.pressure_table.size() - 1);
  entry.srcline = tb.srcline;
  entry.line = rows.reaction_line;
  ReactionRecord& forward = st.reaction[rows.reaction];
  forward.special = AddSpecialEntry(run, entry);
  // The generated reverse takes its rate constant from the equilibrium
  // constant; its entry keeps the pair's special entries alike.
  if (forward.reversible) st.reaction[rows.reaction + 1].special = AddSpecialEntry(run, entry);
  rd.line = line;
  rd.srcline = srcline;
}

}  // namespace tarnavel
