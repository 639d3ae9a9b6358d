#include "import/chemkin_mechanism.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "core/tables.hpp"
#include "import/chemkin_text.hpp"

namespace tarnavel::import {

namespace {

// True for a word that opens a section of a mechanism file.
bool SectionKeyword(const std::string& word) {
  return IsKeyword(word, "ELEMENTS", "ELEM") || IsKeyword(word, "SPECIES", "SPEC") || IsKeyword(word, "THERMO", "THER") ||
         IsKeyword(word, "REACTIONS", "REAC") || IsKeyword(word, "TRANSPORT", "TRAN");
}

// Splits one side of an equation into species items; a `+` that ends the
// text or stands before another `+` belongs to the name (a positive ion).
std::vector<std::string> Items(const std::string& side) {
  std::vector<std::string> items;
  std::string current;
  for (size_t k = 0; k < side.size(); ++k) {
    const char c = side[k];
    if (c == '+' && !current.empty() && k + 1 < side.size() && side[k + 1] != '+') {
      items.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) items.push_back(current);
  return items;
}

struct ParsedSide {
  Side side;
  bool plain_m = false;
  bool falloff = false;
  std::string collider;
};

ParsedSide ParseSide(const Mechanism& mech, std::string text, const std::string& file, int line) {
  ParsedSide out;
  // The fall-off third body (+M) or (+NAME) usually ends the side, but may
  // stand between its species too.
  for (auto open = text.find("(+"); open != std::string::npos; open = text.find("(+", open + 1)) {
    const auto close = text.find(')', open);
    if (close == std::string::npos || (close + 1 < text.size() && text[close + 1] != '+')) continue;
    out.falloff = true;
    out.collider = text.substr(open + 2, close - open - 2);
    if (Upper(out.collider) == "M") out.collider.clear();
    // The + that joins it to the next species goes with it when it opens the side.
    text.erase(open, close + 1 - open + (open == 0 && close + 1 < text.size() ? 1 : 0));
    break;
  }
  for (const std::string& item : Items(text)) {
    if (Upper(item) == "M") {
      out.plain_m = true;
      continue;
    }
    double coeff = 1.0;
    std::string name = item;
    const bool known = std::find(mech.species.begin(), mech.species.end(), item) != mech.species.end();
    if (!known) {
      size_t k = 0;
      while (k < item.size() && (std::isdigit(static_cast<unsigned char>(item[k])) || item[k] == '.')) ++k;
      if (k > 0) {
        if (!ParseNumber(item.substr(0, k), coeff)) throw ImportError(file, line, "unreadable coefficient in \"" + item + "\"");
        name = item.substr(k);
      }
      if (std::find(mech.species.begin(), mech.species.end(), name) == mech.species.end())
        throw ImportError(file, line, "species \"" + name + "\" is not declared in SPECIES");
    }
    auto same = std::find_if(out.side.begin(), out.side.end(), [&](const auto& p) { return p.second == name; });
    if (same != out.side.end()) {
      same->first += coeff;
    } else {
      out.side.emplace_back(coeff, name);
    }
  }
  return out;
}

Reaction ParseReactionLine(const Mechanism& mech, const std::string& raw, const std::string& file, int line) {
  const auto t = Tokens(raw);
  if (t.size() < 4) throw ImportError(file, line, "a reaction line needs the equation and three Arrhenius parameters");
  Reaction r;
  r.line = line;
  r.k.a = ToNumber(t[t.size() - 3], file, line, "A");
  r.k.b = ToNumber(t[t.size() - 2], file, line, "temperature exponent");
  r.k.e = ToNumber(t[t.size() - 1], file, line, "activation energy");
  for (size_t k = 0; k + 3 < t.size(); ++k) r.equation += t[k];
  std::string lhs, rhs;
  if (auto p = r.equation.find("<=>"); p != std::string::npos) {
    lhs = r.equation.substr(0, p);
    rhs = r.equation.substr(p + 3);
  } else if (p = r.equation.find("=>"); p != std::string::npos) {
    r.reversible = false;
    lhs = r.equation.substr(0, p);
    rhs = r.equation.substr(p + 2);
  } else if (p = r.equation.find('='); p != std::string::npos) {
    lhs = r.equation.substr(0, p);
    rhs = r.equation.substr(p + 1);
  } else {
    throw ImportError(file, line, "no arrow (<=>, = or =>) in \"" + r.equation + "\"");
  }
  if (rhs.find('=') != std::string::npos) throw ImportError(file, line, "more than one arrow in \"" + r.equation + "\"");
  const ParsedSide left = ParseSide(mech, lhs, file, line), right = ParseSide(mech, rhs, file, line);
  if (left.falloff != right.falloff || left.collider != right.collider)
    throw ImportError(file, line, "the fall-off third body must be the same on both sides");
  if (left.plain_m != right.plain_m) throw ImportError(file, line, "+M must stand on both sides");
  if (left.falloff && left.plain_m) throw ImportError(file, line, "+M and (+M) in one reaction");
  r.third_body = left.falloff ? ThirdBody::kFallOff : left.plain_m ? ThirdBody::kPlain : ThirdBody::kNone;
  r.falloff_collider = left.collider;
  if (!r.falloff_collider.empty() &&
      std::find(mech.species.begin(), mech.species.end(), r.falloff_collider) == mech.species.end())
    throw ImportError(file, line, "fall-off third body \"" + r.falloff_collider + "\" is not declared in SPECIES");
  r.reactants = left.side;
  r.products = right.side;
  if (r.reactants.empty() || r.products.empty()) throw ImportError(file, line, "a reaction needs reactants and products");
  if (r.reactants.size() > kMaxReactants)
    throw ImportError(file, line, "more than " + std::to_string(kMaxReactants) + " reactants");
  return r;
}

// A unit word of a REACTIONS line or a UNITS entry, in full or shortened to
// its first letters as authors write it (KCAL, KJOU, KELV, MOLEC): the full
// name, or "" for a word that names no unit.
std::string UnitName(const std::string& word) {
  static const std::pair<const char*, const char*> kUnits[] = {
      {"CAL/MOLE", "CAL"},   {"KCAL/MOLE", "KCAL"}, {"JOULES/MOLE", "JOUL"}, {"KJOULES/MOLE", "KJOU"},
      {"KELVINS", "KELV"},   {"EVOLTS", "EVOL"},    {"MOLES", "MOLE"},       {"MOLECULES", "MOLEC"}};
  for (const auto& [full, shortest] : kUnits)
    if (IsKeyword(word, full, shortest)) return full;
  return "";
}

// Orders of a Chebyshev fit: a CHEB row of the model description file holds
// at most kMaxFields - 1 pressure coefficients after its keyword.
constexpr int kMaxChebyshevTemperatureOrders = 40;
constexpr int kMaxChebyshevPressureOrders = kMaxFields - 1;

// An auxiliary line: KEYWORD / numbers / ... or NAME / efficiency / ...
void ParseAuxiliary(const Mechanism& mech, Reaction& r, const std::string& raw, const std::string& file, int line) {
  std::string text = raw;
  // DUPLICATE (or DUP) may stand alone or among other entries.
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    if (pos >= text.size()) break;
    const auto slash = text.find('/', pos);
    std::string key = Trim(text.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos));
    const auto key_tokens = Tokens(key);
    if (key_tokens.size() > 1 || slash == std::string::npos) {
      // Words without a slash list: only DUPLICATE is one.
      const std::string word = key_tokens.empty() ? "" : key_tokens[0];
      if (IsKeyword(word, "DUPLICATE", "DUP")) {
        r.duplicate = true;
        pos += text.substr(pos).find(word) + word.size();
        continue;
      }
      throw ImportError(file, line, "unsupported auxiliary entry \"" + word + "\"");
    }
    const std::string upper = Upper(key);
    auto close = text.find('/', slash + 1);
    if (close == std::string::npos) throw ImportError(file, line, "missing closing / after " + key);
    if (upper == "UNITS") {
      // A unit may hold a slash of its own (KCAL/MOLE): the list then runs on to the next one.
      while (std::isalpha(static_cast<unsigned char>(text[close - 1])) && Upper(text.substr(close + 1, 4)) == "MOLE") {
        const auto next = text.find('/', close + 1);
        if (next == std::string::npos) break;
        close = next;
      }
    }
    // Some authors separate the numbers with commas.
    std::string list = text.substr(slash + 1, close - slash - 1);
    std::replace(list.begin(), list.end(), ',', ' ');
    const auto values = Tokens(list);
    pos = close + 1;
    auto numbers = [&](size_t least, size_t most) {
      if (values.size() < least || values.size() > most)
        throw ImportError(file, line, key + " needs " + std::to_string(least) +
                                          (most > least ? " to " + std::to_string(most) : "") + " numbers");
      std::vector<Number> out;
      for (const auto& v : values) out.push_back(ToNumber(v, file, line, key));
      return out;
    };
    // The range of a Chebyshev fit: lower and upper bound, both positive.
    auto range = [&](bool& given, Number& low, Number& high) {
      if (given) throw ImportError(file, line, key + " given twice");
      const auto n = numbers(2, 2);
      if (!(n[0].value > 0.0 && n[0].value < n[1].value))
        throw ImportError(file, line, key + " needs a positive lower bound below the upper one");
      given = r.chebyshev = true;
      low = n[0];
      high = n[1];
    };
    if (upper == "LOW") {
      const auto n = numbers(3, 3);
      r.has_low = true;
      r.low = {n[0], n[1], n[2]};
    } else if (upper == "TROE") {
      r.troe = numbers(3, 4);
    } else if (upper == "SRI") {
      r.sri = numbers(3, 5);
      if (r.sri.size() == 4) throw ImportError(file, line, "SRI needs 3 or 5 numbers");
    } else if (upper == "REV") {
      const auto n = numbers(3, 3);
      r.has_rev = true;
      r.rev = {n[0], n[1], n[2]};
    } else if (upper == "PLOG") {
      const auto n = numbers(4, 4);
      if (!(n[0].value > 0.0)) throw ImportError(file, line, "PLOG pressure " + n[0].text + " is not positive");
      r.plog.push_back({n[0], n[1], n[2], n[3]});
    } else if (upper == "TCHEB") {
      range(r.has_tcheb, r.tmin, r.tmax);
    } else if (upper == "PCHEB") {
      range(r.has_pcheb, r.pmin, r.pmax);
    } else if (upper == "CHEB") {
      if (values.empty()) throw ImportError(file, line, key + " needs numbers");
      auto n = numbers(1, values.size());
      r.chebyshev = true;
      if (r.cheb_t == 0) {
        // The first CHEB entry opens with the numbers of temperature and pressure orders.
        if (n.size() < 2) throw ImportError(file, line, "CHEB needs the numbers of temperature and pressure orders first");
        const double nt = n[0].value, np = n[1].value;
        if (!(nt >= 1 && nt <= kMaxChebyshevTemperatureOrders && nt == std::floor(nt)) ||
            !(np >= 1 && np <= kMaxChebyshevPressureOrders && np == std::floor(np)))
          throw ImportError(file, line, "CHEB needs 1 to " + std::to_string(kMaxChebyshevTemperatureOrders) +
                                            " temperature orders and 1 to " + std::to_string(kMaxChebyshevPressureOrders) +
                                            " pressure orders, not " + n[0].text + " and " + n[1].text);
        r.cheb_t = static_cast<int>(nt);
        r.cheb_p = static_cast<int>(np);
        n.erase(n.begin(), n.begin() + 2);
      }
      const size_t want = static_cast<size_t>(r.cheb_t) * static_cast<size_t>(r.cheb_p);
      if (r.cheb.size() + n.size() > want)
        throw ImportError(file, line, "more CHEB coefficients than " + std::to_string(r.cheb_t) + " x " +
                                          std::to_string(r.cheb_p) + " = " + std::to_string(want));
      r.cheb.insert(r.cheb.end(), n.begin(), n.end());
    } else if (upper == "UNITS") {
      if (values.empty()) throw ImportError(file, line, "UNITS needs a unit");
      for (const std::string& v : values) {
        const std::string unit = UnitName(v);
        if (unit.empty()) throw ImportError(file, line, "unknown unit \"" + v + "\" in UNITS");
        if (unit == "MOLES" || unit == "MOLECULES") {
          r.molecules = unit == "MOLECULES";
        } else {
          r.energy_units = unit;
        }
      }
    } else if (std::find(mech.species.begin(), mech.species.end(), key) != mech.species.end()) {
      const auto n = numbers(1, 1);
      r.efficiencies.emplace_back(key, n[0]);
    } else if (upper == "FORD" || upper == "RORD" || upper == "HIGH" || upper == "LT" || upper == "RLT" ||
               upper == "TDEP" || upper == "XSMI" || upper == "EXCI" || upper == "JAN" || upper == "FIT1" ||
               upper == "MOME" || upper == "HV" || upper == "USRPROG") {
      throw ImportError(file, line, key + " cannot be expressed in the model description file");
    } else {
      throw ImportError(file, line, "\"" + key + "\" is neither an auxiliary keyword nor a declared species");
    }
  }
}

// A reaction whose rate constant a PLOG table or a Chebyshev fit gives whole:
// what else it names must agree. Its (+M) or +M is notation only and is
// dropped; a named third body (+AR) too, with a warning.
void FinishTable(Reaction& r, const std::string& file, std::vector<ImportWarning>& warnings) {
  if (r.plog.empty() && !r.chebyshev) return;
  const std::string kind = r.chebyshev ? "Chebyshev (CHEB)" : "PLOG";
  if (!r.plog.empty() && r.chebyshev) throw ImportError(file, r.line, "both PLOG and CHEB");
  if (!r.efficiencies.empty()) throw ImportError(file, r.line, "third-body efficiencies on a " + kind + " reaction");
  if (r.has_low || !r.troe.empty() || !r.sri.empty())
    throw ImportError(file, r.line, "LOW, TROE or SRI on a " + kind + " reaction");
  if (r.has_rev)
    throw ImportError(file, r.line, "REV on a " + kind + " reaction cannot be expressed in the model description file");
  if (r.chebyshev) {
    if (r.cheb_t == 0) throw ImportError(file, r.line, "a Chebyshev reaction without CHEB coefficients");
    const size_t want = static_cast<size_t>(r.cheb_t) * static_cast<size_t>(r.cheb_p);
    if (r.cheb.size() != want)
      throw ImportError(file, r.line, "CHEB needs " + std::to_string(r.cheb_t) + " x " + std::to_string(r.cheb_p) + " = " +
                                          std::to_string(want) + " coefficients, not " + std::to_string(r.cheb.size()));
  }
  if (!r.falloff_collider.empty())
    warnings.push_back({file, r.line, "the third body (+" + r.falloff_collider + ") of a " + kind +
                                          " reaction is notation only and is dropped: the " +
                                          (r.chebyshev ? "fit" : "table") + " gives the whole rate constant"});
  r.third_body = ThirdBody::kNone;
  r.falloff_collider.clear();
}

void Finish(const Reaction& r, const std::string& file) {
  if (r.third_body == ThirdBody::kFallOff && !r.has_low)
    throw ImportError(file, r.line, "a fall-off reaction (+M) needs LOW parameters");
  if (r.third_body != ThirdBody::kFallOff && (r.has_low || !r.troe.empty() || !r.sri.empty()))
    throw ImportError(file, r.line, "LOW, TROE and SRI belong to fall-off reactions (+M)");
  if (!r.troe.empty() && !r.sri.empty()) throw ImportError(file, r.line, "both TROE and SRI");
  if (r.has_rev && !r.reversible) throw ImportError(file, r.line, "REV on an irreversible reaction");
  // Products beyond the side's limit are carried by companion reactions, which only
  // an irreversible reaction allows: the reverse would need them as reactants.
  const std::string most = std::to_string(kMaxProducts);
  if (r.products.size() > kMaxProducts && r.reversible && !(r.has_rev && r.rev.a.value == 0.0))
    throw ImportError(file, r.line, "a reversible reaction with more than " + most + " products: its reverse has more than " +
                                        most + " reactants");
  if (r.products.size() > kMaxProducts && r.reactants.size() == kMaxReactants)
    throw ImportError(file, r.line, "more than " + most + " products with " + std::to_string(kMaxReactants) +
                                        " reactants: no room for companion reactions");
  if (!r.efficiencies.empty() && r.third_body == ThirdBody::kNone)
    throw ImportError(file, r.line, "third-body efficiencies on a reaction without M");
  if (!r.efficiencies.empty() && !r.falloff_collider.empty())
    throw ImportError(file, r.line, "third-body efficiencies with a named fall-off third body");
  if (r.efficiencies.size() > kMaxColliders)
    throw ImportError(file, r.line, "more than " + std::to_string(kMaxColliders) + " third-body efficiencies");
}

}  // namespace

const std::string& EnergyUnitOf(const Mechanism& mech, const Reaction& r) {
  return r.energy_units.empty() ? mech.energy_units : r.energy_units;
}

bool InMolecules(const Mechanism& mech, const Reaction& r) { return r.molecules.value_or(mech.molecules); }

Mechanism ReadMechanism(const std::string& text, const std::string& file) {
  Mechanism mech;
  mech.file = file;
  const auto lines = Lines(text);
  Reaction* current = nullptr;
  bool in_reactions = false, reactions_done = false;
  int trailing_first = 0, trailing_last = 0;  // text after the REACTIONS section's END
  std::map<std::string, int> declared_on;      // source line of each species name, over every SPECIES section
  for (size_t i = 0; i < lines.size(); ++i) {
    const int line = static_cast<int>(i + 1);
    const std::string trimmed = Trim(lines[i]);
    if (trimmed.empty()) continue;
    const auto t = Tokens(trimmed);
    const std::string head = Upper(t[0]);
    if (!in_reactions && (IsKeyword(head, "ELEMENTS", "ELEM") || IsKeyword(head, "SPECIES", "SPEC"))) {
      const bool elements = head.rfind("ELEM", 0) == 0;
      const char* section = elements ? "ELEMENTS" : "SPECIES";
      auto& list = elements ? mech.elements : mech.species;
      bool ended = false;
      auto take = [&](const std::vector<std::string>& words, size_t from, int at) {
        for (size_t k = from; k < words.size(); ++k) {
          if (Upper(words[k]) == "END") {
            ended = true;
            return;
          }
          std::string w = words[k];
          if (elements) w = w.substr(0, w.find('/'));  // an atomic weight may follow
          if (std::find(list.begin(), list.end(), w) == list.end()) {
            list.push_back(w);
            if (!elements) declared_on[w] = at;
          } else if (!elements) {
            mech.warnings.push_back({file, at, "species " + w + " is declared twice (first on line " +
                                                   std::to_string(declared_on[w]) + "); it is kept once"});
          }
        }
      };
      take(t, 1, line);
      while (!ended && ++i < lines.size()) {
        // A section keyword ends a list whose END is missing; that line then
        // opens its own section.
        const auto words = Tokens(lines[i]);
        if (!words.empty() && SectionKeyword(words[0])) {
          mech.warnings.push_back({file, line, std::string(section) + " without END: the list ends at line " +
                                                   std::to_string(i + 1) + " (" + words[0] + ")"});
          --i;
          ended = true;
          break;
        }
        take(words, 0, static_cast<int>(i + 1));
      }
      if (!ended) throw ImportError(file, line, std::string(section) + " without END");
      continue;
    }
    if (!in_reactions && IsKeyword(head, "THERMO", "THER")) {
      ++i;
      ReadThermoSection(mech, lines, i, file);
      if (i >= lines.size()) throw ImportError(file, line, "THERMO without END");
      continue;
    }
    if (!in_reactions && IsKeyword(head, "TRANSPORT", "TRAN")) {
      // Transport data play no part in a homogeneous run.
      while (++i < lines.size() && Upper(Trim(lines[i])).rfind("END", 0) != 0) {
      }
      mech.warnings.push_back({file, line, "TRANSPORT section (to line " + std::to_string(std::min(i + 1, lines.size())) +
                                               ") not used: transport data play no part in a homogeneous run"});
      continue;
    }
    if (!in_reactions && !reactions_done && IsKeyword(head, "REACTIONS", "REAC")) {
      in_reactions = true;
      for (size_t k = 1; k < t.size(); ++k) {
        const std::string u = UnitName(t[k]);
        if (u.empty()) throw ImportError(file, line, "unknown unit keyword \"" + t[k] + "\" on the REACTIONS line");
        if (u == "MOLES" || u == "MOLECULES") {
          mech.molecules = u == "MOLECULES";
        } else {
          mech.energy_units = u;
        }
      }
      continue;
    }
    if (in_reactions) {
      if (head == "END") {
        in_reactions = false;
        reactions_done = true;
        current = nullptr;
        continue;
      }
      if (trimmed.find('=') != std::string::npos) {
        mech.reactions.push_back(ParseReactionLine(mech, trimmed, file, line));
        current = &mech.reactions.back();
      } else {
        if (current == nullptr) throw ImportError(file, line, "no arrow (<=>, = or =>) in the first reaction line");
        ParseAuxiliary(mech, *current, trimmed, file, line);
      }
      continue;
    }
    if (reactions_done) {
      // Notes and references that authors append after the last END.
      if (trailing_first == 0) trailing_first = line;
      trailing_last = line;
      continue;
    }
    throw ImportError(file, line, "unexpected text \"" + t[0] + "\" outside the ELEMENTS, SPECIES, THERMO and REACTIONS sections");
  }
  if (in_reactions) throw ImportError(file, 0, "REACTIONS without END");
  for (Reaction& r : mech.reactions) {
    FinishTable(r, file, mech.warnings);
    Finish(r, file);
  }
  if (trailing_first > 0)
    mech.warnings.push_back({file, trailing_first, "text after the END of the reactions (lines " +
                                                       std::to_string(trailing_first) + " to " +
                                                       std::to_string(trailing_last) + ") not read"});
  if (mech.species.empty()) throw ImportError(file, 0, "no SPECIES section");
  return mech;
}

}  // namespace tarnavel::import
