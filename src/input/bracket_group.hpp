#pragma once
// Bracket groups of a reaction text: `+M[...]` for enhanced third bodies and
// pressure fall-off (plain, LIN, TROE, SRI) and `+S[...]` for other special
// rate laws (LT, Landau-Teller). The group's content is a `;`-separated list:
// a keyword with its numbers, then named third-body efficiencies NAME(value).
// A leading `-` on the content makes the efficiencies absolute weights of
// the listed colliders only.

#include <cstddef>
#include <string_view>

#include "core/tables.hpp"

namespace tarnavel {

struct Run;

// Where a bracket group stands in a blank-free reaction text.
struct GroupSpan {
  std::size_t cut_begin = 0;      // the text [cut_begin, cut_end) is removed
  std::size_t cut_end = 0;        //   with the group (and its joining `+`)
  std::size_t content_begin = 0;  // the text between the brackets
  std::size_t content_end = 0;
};

// Finds `M[...]` at the start of the text or `+M[...]` anywhere, otherwise
// `S[...]` or `+S[...]`. Returns false when the text has none. A group that
// is never closed by `]` stops the run (fatal error 14).
bool FindBracketGroup(Run& run, std::string_view text, GroupSpan& span);

// Reads the content of a bracket group into a special entry (type,
// parameters, named third bodies, the current line and source line). In fit
// mode, values marked with `?` become fit parameters of reaction `number`,
// of kind 200 + their parameter slot. Wrong contents stop the run with
// fatal errors 79 to 84, 88, 89 and 91.
SpecialEntry ReadBracketGroup(Run& run, std::string_view content, int number);

// Appends an entry to the special-reaction table and returns its number;
// a full table stops the run (fatal error 86).
int AddSpecialEntry(Run& run, const SpecialEntry& entry);

}  // namespace tarnavel
