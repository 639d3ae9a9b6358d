#pragma once
// The grammar of one reaction text of the model description file:
//   [coef]name + [coef]name ... ==> [coef]name + ...   irreversible
//   [coef]name + ... = [coef]name + ...                reversible
// with blanks ignored, at most four entries a side, an optional bracket
// group (+M[...] or +S[...]) for special rate laws, charges written as
// trailing signs of a name (Cl+++, e-, SO4--), names optionally enclosed in
// double quotes, and `hv` and `M` for radiation and the third body.

#include <array>
#include <string>
#include <string_view>

#include "core/tables.hpp"

namespace tarnavel {

struct Run;

// One reaction as its text describes it.
struct ReactionText {
  bool reversible = false;                                 // written with a single '='
  int nreactant = 0;                                       // entries used, 1..kMaxReactants
  int nproduct = 0;
  std::array<ReactionItem, kMaxReactants + 1> reactant{};  // 1..kMaxReactants; unused hold "*"
  std::array<ReactionItem, kMaxProducts + 1> product{};
  bool has_group = false;                                  // the text carried a bracket group
  SpecialEntry group;                                      // its special rate-law entry
};

// Reads a reaction text. Repeated species of a side are merged into their
// first entry with the summed coefficient. In fit mode, values marked in a
// bracket group become fit parameters of reaction `number`. A malformed text
// stops the run with its numbered message (fatal errors 14, 15, 24, 28, 39,
// 40, 79-91), which quotes the reader's current line.
ReactionText ParseReactionText(Run& run, std::string_view text, int number);

// Marks the charge signs of a blank-free reaction text, telling them from
// the `+` that separate entries: a run of signs keeps its last sign as a
// separator when an ordinary character follows it, and is all charge when
// it stands at the end of the text, before the arrow or before a {tag}.
// Charge signs become kChargePlus / kChargeMinus. A text that starts with a
// sign or '=', or a sign right after the arrow, stops the run (fatal 24).
void MarkCharges(Run& run, std::string& text);
inline constexpr char kChargePlus = '\x01';
inline constexpr char kChargeMinus = '\x02';

}  // namespace tarnavel
