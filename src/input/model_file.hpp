#pragma once
// The model description file: one reaction per data line, with either a
// rate constant k or the Arrhenius parameters A, m, Ea, then the reaction
// text and an optional comment. Each line becomes a reaction record (two for
// a reversible reaction, whose generated reverse follows it), each bracket
// group a special rate-law entry. Species the reactions name that the
// species table lacks are added to it and listed in ADDSPEC.TXT.

#include <iosfwd>
#include <string>
#include <string_view>

#include "core/tables.hpp"

namespace tarnavel {

struct Run;

// Reads the file named by the command line (default MODEL.DAT); a missing
// file stops the run (fatal error 32).
void ReadModelFile(Run& run);
// Reads the data lines from an open stream. At the end: notice 1 when species
// were added; in the create-species-file mode notice 11 and an orderly stop.
void ReadModelLines(Run& run, std::istream& in);

// The rate fields of one model line.
struct RateFields {
  double rate = 0.0;      // k, or A
  bool arrhenius = false; // m and Ea were given
  double m = kNotGiven;
  double ea = kNotGiven;
  std::string expression; // k written as an expression (rate then 1)
};

// Stores a reaction text with its rate fields as the next reaction record,
// its bracket group as the next special entry, and for a reversible reaction
// the generated reverse (rate 1.0, sides exchanged, its own copy of the
// bracket group) right after it. Fatal errors quote the reader's current
// line. Returns the number of the (forward) reaction.
int StoreReaction(Run& run, const RateFields& rate, std::string_view text);

}  // namespace tarnavel
