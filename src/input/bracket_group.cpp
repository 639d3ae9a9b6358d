#include "input/bracket_group.hpp"

#include <algorithm>
#include <string>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

struct Keyword {
  const char* name;
  int type;
  int required;  // numbers that must follow the keyword
  int optional;  // numbers that may follow them
  int error;     // fatal error for missing or wrong parameters
};

constexpr Keyword kKeywords[] = {
    {"LT", kLandauTeller, 2, 0, 91},
    {"LIN", kLindemann, 3, 0, 80},
    {"TROE", kTroe, 6, 1, 81},
    {"SRI", kSri, 6, 2, 82},
};
// A group without keyword: every field is a named efficiency.
constexpr Keyword kPlain{"", kThirdBody, 0, 0, 79};

const Keyword& KeywordOf(const std::string& field) {
  const std::string key = UpperCase(field);
  for (const Keyword& k : kKeywords)
    if (key == k.name) return k;
  return kPlain;
}

// The fields of a group as the keyword numbers and the efficiencies read
// them: in fit mode a trailing `?` is taken off a number, and `?)` becomes
// `)` on an efficiency, with the marks kept per field.
struct GroupFields {
  int count = 0;  // NFIELD of the split; above kMaxFields when it overflowed
  std::array<std::string, kMaxFields + 1> number{};
  std::array<bool, kMaxFields + 1> number_mark{};
  std::array<std::string, kMaxFields + 1> efficiency{};
  std::array<bool, kMaxFields + 1> efficiency_mark{};
};

GroupFields SplitGroup(Run& run, std::string_view body) {
  ReaderState parts;
  parts.delim = ';';
  parts.line = std::string(body);
  SplitFields(parts);
  GroupFields g;
  g.count = parts.nfield;
  g.number = parts.field;
  g.efficiency = parts.field;
  if (run.sw.FitMode()) {
    ReaderState marked = parts;
    MarkFitFields(marked);
    g.number = marked.field;
    g.number_mark = marked.fitmark;
    marked = parts;
    MarkFitBrackets(marked);
    g.efficiency = marked.field;
    g.efficiency_mark = marked.fitmark;
  }
  return g;
}

// Reads one efficiency NAME(value) into the k-th collider of the entry.
void ReadEfficiency(Run& run, const std::string& text, bool marked, int k, int number, SpecialEntry& entry) {
  if (IsNumber(text)) FatalError(run, 89);
  if (text.empty() || text.back() != ')') FatalError(run, 83);
  const std::size_t open = text.find('(');
  if (open == std::string::npos) FatalError(run, 84);
  const std::string name = text.substr(0, open);
  double ignored = 0.0;
  if (name.empty()) FatalError(run, 79);
  if (ParseReal(name, ignored)) FatalError(run, 89);
  const int slot = ColliderEfficiencySlot(k);
  entry.param[slot] = ToReal(run, std::string_view(text).substr(open + 1, text.size() - open - 2));
  entry.collider[k] = name;
  entry.param[kColliderCountSlot] = k;
  if (marked) AddFitParameter(run, 200 + slot, number, run.reader.srcline);
}

}  // namespace

bool FindBracketGroup(Run& run, std::string_view text, GroupSpan& span) {
  for (const char letter : {'M', 'S'}) {
    const std::string head{letter, '['};
    std::size_t begin = 0;
    bool at_start = text.substr(0, 2) == head;
    if (!at_start) {
      begin = text.find("+" + head);
      if (begin == std::string_view::npos) continue;
    }
    const std::size_t open = text.find('[', begin);
    const std::size_t close = text.find(']', open + 1);
    if (close == std::string_view::npos) FatalError(run, 14);
    span.cut_begin = begin;
    span.cut_end = close + 1;
    span.content_begin = open + 1;
    span.content_end = close;
    // A group that opens the text takes the `+` joining it to the next item.
    if (at_start && span.cut_end < text.size() && text[span.cut_end] == '+') ++span.cut_end;
    return true;
  }
  return false;
}

SpecialEntry ReadBracketGroup(Run& run, std::string_view content, int number) {
  SpecialEntry entry;
  entry.srcline = run.reader.srcline;
  entry.line = run.reader.line;
  std::string_view body = content;
  if (!body.empty() && body.front() == '-') {
    entry.absolute = true;
    body.remove_prefix(1);
  }
  // Two adjacent `;` would end the list there and silently drop what follows.
  if (body.empty() || body.find(";;") != std::string_view::npos) FatalError(run, 79);
  const GroupFields g = SplitGroup(run, body);
  if (g.count < 1) FatalError(run, 79);

  const Keyword& kw = KeywordOf(g.number[1]);
  if (&kw == &kPlain) {
    // Without a keyword the first field must already be an efficiency.
    const std::string& first = g.efficiency[1];
    if (IsNumber(first)) FatalError(run, 79);
    if (first.find_first_of("()") == std::string::npos) FatalError(run, 79);
  }
  entry.type = kw.type;
  if (kw.type == kLandauTeller && g.count != 3) FatalError(run, kw.error);
  if (g.count < 1 + kw.required) FatalError(run, kw.error);

  // The keyword's numbers: field f goes to parameter slot f - 1.
  int f = &kw == &kPlain ? 1 : 2;
  for (int r = 1; r <= kw.required; ++r, ++f) {
    if (!IsNumber(g.number[f])) FatalError(run, kw.error);
    entry.param[f - 1] = ToReal(run, g.number[f]);
    if (g.number_mark[f]) AddFitParameter(run, 199 + f, number, run.reader.srcline);
  }
  for (int o = 1; o <= kw.optional && f <= std::min(g.count, kMaxFields) && IsNumber(g.number[f]); ++o, ++f) {
    entry.param[f - 1] = ToReal(run, g.number[f]);
    if (g.number_mark[f]) AddFitParameter(run, 199 + f, number, run.reader.srcline);
  }

  // The named third bodies fill the rest; a group has room for twenty.
  for (int k = 1; f <= g.count; ++k, ++f) {
    if (k > kMaxColliders) FatalError(run, kw.error);
    ReadEfficiency(run, g.efficiency[f], g.efficiency_mark[f], k, number, entry);
  }
  return entry;
}

int AddSpecialEntry(Run& run, const SpecialEntry& entry) {
  ModelStore& st = run.store;
  if (st.cursk + 1 > st.cap.max_special) FatalError(run, 86);
  if (static_cast<int>(st.special.size()) <= st.cursk + 1) st.special.resize(st.cursk + 2);
  st.special[++st.cursk] = entry;
  return st.cursk;
}

}  // namespace tarnavel
