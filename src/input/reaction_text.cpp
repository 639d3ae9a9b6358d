#include "input/reaction_text.hpp"

#include <algorithm>
#include <vector>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/bracket_group.hpp"
#include "input/field_reader.hpp"
#include "input/species_file.hpp"

namespace tarnavel {

namespace {

bool IsSign(char c) { return c == '+' || c == '-'; }

int CountOf(std::string_view text, std::string_view what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + what.size())) ++n;
  return n;
}

// One entry of a side: an optional leading coefficient (digits and decimal
// points, not zero), then the species name, which loses enclosing double quotes and a
// trailing {tag}; its charge markers become signs again. `hv` and `M` are
// recognised in any case.
ReactionItem ReadItem(Run& run, std::string_view text) {
  ReactionItem item;
  item.coeff = 1.0;
  if (!text.empty() && text.front() >= '0' && text.front() <= '9') {
    std::size_t n = text.find_first_not_of("0123456789.");
    if (n == std::string_view::npos) n = text.size();
    item.coeff = ToReal(run, text.substr(0, n));
    // A zero is most likely the letter O mistyped ("0H"): no entry has weight 0.
    if (item.coeff == 0.0) FatalError(run, 88);
    text.remove_prefix(n);
  }
  std::string name(text);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  for (char& c : name) {
    if (c == kChargePlus) c = '+';
    if (c == kChargeMinus) c = '-';
  }
  std::string tag;
  if (BraceSuffix(name, tag)) name.erase(name.rfind('{'));
  const std::string upper = UpperCase(name);
  if (upper == "HV") name = "hv";
  if (upper == "M") name = "M";
  if (name.empty()) FatalError(run, 15);
  int charge = 0;
  if (!SpeciesCharge(name, charge)) {
    run.msg.name1 = name;
    FatalError(run, 28);
  }
  item.name = std::move(name);
  return item;
}

// The entries of one side, cut at the `+` separators; a species named twice
// is merged into its first entry with the coefficients summed.
std::vector<ReactionItem> ReadSide(Run& run, std::string_view side) {
  std::vector<ReactionItem> items;
  if (side.empty()) return items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = side.find('+', start);
    const std::string_view piece =
        side.substr(start, plus == std::string_view::npos ? std::string_view::npos : plus - start);
    if (piece.empty()) FatalError(run, 15);
    ReactionItem item = ReadItem(run, piece);
    auto same = std::find_if(items.begin(), items.end(), [&](const ReactionItem& i) { return i.name == item.name; });
    if (same != items.end()) {
      same->coeff += item.coeff;
    } else {
      items.push_back(std::move(item));
    }
    if (plus == std::string_view::npos) break;
    start = plus + 1;
  }
  return items;
}

template <typename Entries>
void FillEntries(Entries& entries, const std::vector<ReactionItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) entries[i + 1] = items[i];
}

}  // namespace

void MarkCharges(Run& run, std::string& text) {
  if (text.empty()) return;
  if (IsSign(text[0]) || text[0] == '=') FatalError(run, 24);
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (!IsSign(text[i])) continue;
    if (text[i - 1] == '>' || text[i - 1] == '=') FatalError(run, 24);
    // The run of signs (and double quotes) that starts here.
    std::size_t end = i;
    while (end < text.size() && (IsSign(text[end]) || text[end] == '"')) ++end;
    std::size_t last = end - 1;
    while (!IsSign(text[last])) --last;
    const bool all_charge = end == text.size() || text[end] == '=' || text[end] == '{';
    for (std::size_t k = i; k < end; ++k) {
      if (!IsSign(text[k]) || (!all_charge && k == last)) continue;
      text[k] = text[k] == '+' ? kChargePlus : kChargeMinus;
    }
    i = end - 1;
  }
}

ReactionText ParseReactionText(Run& run, std::string_view text, int number) {
  std::string t = Squeeze(text);
  ReactionText rx;

  // The arrow: one `==>`, or else a single `=` for a reversible reaction.
  const int arrows = CountOf(t, "==>");
  if (arrows >= 2) FatalError(run, 14);
  rx.reversible = arrows == 0;
  if (rx.reversible && (std::count(t.begin(), t.end(), '=') != 1 || t.find("=>") != std::string::npos))
    FatalError(run, 14);

  GroupSpan span;
  if (FindBracketGroup(run, t, span)) {
    if (run.store.cursk >= run.store.cap.max_special) FatalError(run, 86);
    rx.group = ReadBracketGroup(
        run, std::string_view(t).substr(span.content_begin, span.content_end - span.content_begin), number);
    rx.has_group = true;
    t.erase(span.cut_begin, span.cut_end - span.cut_begin);
  }

  MarkCharges(run, t);
  const std::string_view arrow = rx.reversible ? "=" : "==>";
  const std::size_t at = t.find(arrow);
  if (at == std::string::npos) FatalError(run, 14);
  const std::string_view left = std::string_view(t).substr(0, at);
  const std::string_view right = std::string_view(t).substr(at + arrow.size());
  // Arrow and bracket characters left over belong to no valid reaction.
  constexpr std::string_view kStray = "=<>[]";
  if (left.find_first_of(kStray) != std::string_view::npos || right.find_first_of(kStray) != std::string_view::npos)
    FatalError(run, 14);

  const std::vector<ReactionItem> reactants = ReadSide(run, left);
  const std::vector<ReactionItem> products = ReadSide(run, right);
  if (reactants.empty() || products.empty()) FatalError(run, 15);
  if (reactants.size() > static_cast<std::size_t>(kMaxReactants)) FatalError(run, 39);
  if (products.size() > static_cast<std::size_t>(kMaxProducts)) FatalError(run, 40);
  rx.nreactant = static_cast<int>(reactants.size());
  rx.nproduct = static_cast<int>(products.size());
  FillEntries(rx.reactant, reactants);
  FillEntries(rx.product, products);
  return rx;
}

}  // namespace tarnavel
