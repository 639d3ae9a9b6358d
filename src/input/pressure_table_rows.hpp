#pragma once
// Pressure tables in the model description file: rows under a reaction line
// that give its rate constant over pressure, one row per line.
//
//   1       H + O2 = HO2       a PLOG reaction; k multiplies the table
//   PLOG    0.01    A   m   Ea     rate expression at 0.01 atm
//   PLOG    1       A   m   Ea     (rows at one pressure are summed)
//
//   1       CH4 ==> CH3 + H    a Chebyshev reaction
//   TCHEB   300     2500           temperature range (K), optional
//   PCHEB   0.001   100            pressure range (atm), optional
//   CHEB    a11     a12  ...       one row per temperature order
//
// A, m and Ea are in the units of an Arrhenius line; the Chebyshev series
// gives log10 k in the model's units. The reaction line takes the k form
// (a factor on the table) and has no M and no bracket group: the table
// gives the whole rate constant.

#include <string>
#include <string_view>

#include "core/tables.hpp"

namespace tarnavel {

struct Run;

// True when a data line whose first field is `first` is a table row.
bool IsPressureTableRow(std::string_view first);

// The table being read under the latest reaction line.
struct TableRows {
  int reaction = 0;             // forward reaction of the latest reaction line; 0 before the first
  std::string reaction_line;    // that line as read
  bool open = false;            // some row belongs to it
  PressureTable table;
  int width = 0;                // fields of the first CHEB row
  std::string last_line;        // the last row, quoted when finishing fails
  int last_srcline = 0;
};

// A new reaction line: the table of the previous one is finished and the
// next rows belong to `reaction`.
void BeginReactionRows(Run& run, TableRows& rows, int reaction);

// Takes the current data line, a table row. A row without a reaction line
// above it, a row with a missing number, pressures that decrease, PLOG and
// Chebyshev rows under one reaction, or a reaction line that cannot take a
// table stop the run with a numbered message quoting the line.
void TakeTableRow(Run& run, TableRows& rows);

// Finishes the table of the latest reaction line, if it has one: stores the
// table and gives the reaction (and its generated reverse) a special entry
// that points at it.
void FinishTableRows(Run& run, TableRows& rows);

}  // namespace tarnavel
