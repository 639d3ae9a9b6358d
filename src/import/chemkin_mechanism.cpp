#include "import/chemkin_mechanism.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace tarnavel::import {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// White space as the token reader sees it, so that a line that trims to text
// always holds a token (a form feed or vertical tab alone is an empty line).
constexpr const char* kWhite = " \t\r\n\v\f";

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(kWhite);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(kWhite) - first + 1);
}

std::vector<std::string> Tokens(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

// A free-format number (exponent letter E or D); false when the whole text
// is not one.
bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  std::string t = text;
  for (char& c : t)
    if (c == 'D' || c == 'd') c = 'E';
  char* end = nullptr;
  value = std::strtod(t.c_str(), &end);
  return end != t.c_str() && *end == '\0';
}

Number ToNumber(const std::string& text, const std::string& file, int line, const std::string& what) {
  Number n;
  n.text = text;
  if (!ParseNumber(text, n.value)) throw ImportError(file, line, "\"" + text + "\" is not a number (" + what + ")");
  return n;
}

// The lines of a text without comments (everything from '!') and carriage returns.
std::vector<std::string> Lines(const std::string& text, bool keep_comments = false) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!keep_comments) {
      const auto bang = line.find('!');
      if (bang != std::string::npos) line.erase(bang);
    }
    lines.push_back(line);
  }
  return lines;
}

bool IsKeyword(const std::string& token, const char* full, const char* shortest) {
  const std::string t = Upper(token);
  return t == full || (t.size() >= std::string(shortest).size() && std::string(full).rfind(t, 0) == 0);
}

// Reads one four-line NASA record starting at lines[i]; i is left on its last line.
ThermoRecord ReadRecord(const std::vector<std::string>& lines, size_t& i, double default_common,
                        const std::string& file) {
  ThermoRecord rec;
  rec.file = file;
  rec.line = static_cast<int>(i + 1);
  if (i + 3 >= lines.size()) throw ImportError(file, rec.line, "thermodynamic record cut short (four lines expected)");
  for (int k = 0; k < 4; ++k) rec.lines[k] = lines[i + k];
  const std::string& first = rec.lines[0];
  const auto name_tokens = Tokens(first.substr(0, std::min<size_t>(18, first.size())));
  if (name_tokens.empty()) throw ImportError(file, rec.line, "thermodynamic record without a species name");
  rec.name = name_tokens[0];
  auto field = [&](const std::string& s, size_t from, size_t width, const char* what, double fallback, bool required) {
    const std::string text = from < s.size() ? Trim(s.substr(from, width)) : "";
    double v = fallback;
    if (text.empty()) {
      if (required) throw ImportError(file, rec.line, std::string("missing ") + what + " of " + rec.name);
      return v;
    }
    if (!ParseNumber(text, v)) throw ImportError(file, rec.line, std::string("unreadable ") + what + " of " + rec.name);
    return v;
  };
  rec.t_low = field(first, 45, 10, "low temperature", 0.0, true);
  rec.t_high = field(first, 55, 10, "high temperature", 0.0, true);
  rec.t_common = field(first, 65, 8, "common temperature", default_common, false);
  std::array<double, 14> a{};
  for (int k = 0; k < 14; ++k) {
    const int row = 1 + k / 5, col = k % 5;
    a[k] = field(rec.lines[row], static_cast<size_t>(col) * 15, 15, "polynomial coefficient", 0.0, true);
  }
  for (int k = 0; k < 7; ++k) {
    rec.high[k] = a[k];
    rec.low[k] = a[7 + k];
  }
  i += 3;
  return rec;
}

// Thermodynamic records from lines[i] (just after the THERMO line) to END;
// i is left on the END line.
void ReadThermoSection(Mechanism& mech, const std::vector<std::string>& lines, size_t& i, const std::string& file) {
  double common = 1000.0;
  // The default temperature line: three numbers.
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i < lines.size()) {
    const auto t = Tokens(lines[i]);
    double v = 0.0;
    if (t.size() >= 2 && ParseNumber(t[0], v) && ParseNumber(t[1], common)) ++i;
  }
  for (; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.empty()) continue;
    if (IsKeyword(Tokens(line)[0], "END", "END")) return;
    mech.thermo.push_back(ReadRecord(lines, i, common, file));
  }
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
  const auto open = text.find("(+");
  if (open != std::string::npos && !text.empty() && text.back() == ')') {
    out.falloff = true;
    out.collider = text.substr(open + 2, text.size() - open - 3);
    if (Upper(out.collider) == "M") out.collider.clear();
    text.erase(open);
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
  if (r.reactants.size() > 3) throw ImportError(file, line, "more than 3 reactants");
  if (r.products.size() > 3) throw ImportError(file, line, "more than 3 products");
  return r;
}

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
    const auto close = text.find('/', slash + 1);
    if (close == std::string::npos) throw ImportError(file, line, "missing closing / after " + key);
    const auto values = Tokens(text.substr(slash + 1, close - slash - 1));
    pos = close + 1;
    const std::string upper = Upper(key);
    auto numbers = [&](size_t least, size_t most) {
      if (values.size() < least || values.size() > most)
        throw ImportError(file, line, key + " needs " + std::to_string(least) +
                                          (most > least ? " to " + std::to_string(most) : "") + " numbers");
      std::vector<Number> out;
      for (const auto& v : values) out.push_back(ToNumber(v, file, line, key));
      return out;
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
    } else if (std::find(mech.species.begin(), mech.species.end(), key) != mech.species.end()) {
      const auto n = numbers(1, 1);
      r.efficiencies.emplace_back(key, n[0]);
    } else if (upper == "PLOG" || upper == "CHEB" || upper == "TCHEB" || upper == "PCHEB" || upper == "FORD" ||
               upper == "RORD" || upper == "HIGH" || upper == "LT" || upper == "RLT" || upper == "TDEP" ||
               upper == "XSMI" || upper == "EXCI" || upper == "JAN" || upper == "FIT1" || upper == "MOME" ||
               upper == "UNITS" || upper == "HV" || upper == "USRPROG") {
      throw ImportError(file, line, key + " cannot be expressed in the model description file");
    } else {
      throw ImportError(file, line, "\"" + key + "\" is neither an auxiliary keyword nor a declared species");
    }
  }
}

void Finish(const Reaction& r, const std::string& file) {
  if (r.third_body == ThirdBody::kFallOff && !r.has_low)
    throw ImportError(file, r.line, "a fall-off reaction (+M) needs LOW parameters");
  if (r.third_body != ThirdBody::kFallOff && (r.has_low || !r.troe.empty() || !r.sri.empty()))
    throw ImportError(file, r.line, "LOW, TROE and SRI belong to fall-off reactions (+M)");
  if (!r.troe.empty() && !r.sri.empty()) throw ImportError(file, r.line, "both TROE and SRI");
  if (r.has_rev && !r.reversible) throw ImportError(file, r.line, "REV on an irreversible reaction");
  if (!r.efficiencies.empty() && r.third_body == ThirdBody::kNone)
    throw ImportError(file, r.line, "third-body efficiencies on a reaction without M");
  if (!r.efficiencies.empty() && !r.falloff_collider.empty())
    throw ImportError(file, r.line, "third-body efficiencies with a named fall-off third body");
  if (r.efficiencies.size() > 12) throw ImportError(file, r.line, "more than 12 third-body efficiencies");
}

}  // namespace

const ThermoRecord* FindThermo(const Mechanism& mech, const std::string& name) {
  for (const ThermoRecord& t : mech.thermo)
    if (t.name == name) return &t;
  return nullptr;
}

void ReadThermoFile(Mechanism& mech, const std::string& text, const std::string& file) {
  const auto lines = Lines(text);
  size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i < lines.size() && IsKeyword(Tokens(lines[i])[0], "THERMO", "THER")) ++i;
  ReadThermoSection(mech, lines, i, file);
}

Mechanism ReadMechanism(const std::string& text, const std::string& file) {
  Mechanism mech;
  mech.file = file;
  const auto lines = Lines(text);
  Reaction* current = nullptr;
  bool in_reactions = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int line = static_cast<int>(i + 1);
    const std::string trimmed = Trim(lines[i]);
    if (trimmed.empty()) continue;
    const auto t = Tokens(trimmed);
    const std::string head = Upper(t[0]);
    if (!in_reactions && (IsKeyword(head, "ELEMENTS", "ELEM") || IsKeyword(head, "SPECIES", "SPEC"))) {
      const bool elements = head.rfind("ELEM", 0) == 0;
      auto& list = elements ? mech.elements : mech.species;
      bool ended = false;
      auto take = [&](const std::vector<std::string>& words, size_t from) {
        for (size_t k = from; k < words.size(); ++k) {
          if (Upper(words[k]) == "END") {
            ended = true;
            return;
          }
          std::string w = words[k];
          if (elements) w = w.substr(0, w.find('/'));  // an atomic weight may follow
          if (std::find(list.begin(), list.end(), w) == list.end()) list.push_back(w);
        }
      };
      take(t, 1);
      while (!ended && ++i < lines.size()) take(Tokens(lines[i]), 0);
      if (!ended) throw ImportError(file, line, std::string(elements ? "ELEMENTS" : "SPECIES") + " without END");
      continue;
    }
    if (!in_reactions && IsKeyword(head, "THERMO", "THER")) {
      ++i;
      ReadThermoSection(mech, lines, i, file);
      if (i >= lines.size()) throw ImportError(file, line, "THERMO without END");
      continue;
    }
    if (!in_reactions && IsKeyword(head, "REACTIONS", "REAC")) {
      in_reactions = true;
      for (size_t k = 1; k < t.size(); ++k) {
        const std::string u = Upper(t[k]);
        if (u == "CAL/MOLE" || u == "KCAL/MOLE" || u == "JOULES/MOLE" || u == "KJOULES/MOLE" || u == "KELVINS" ||
            u == "EVOLTS") {
          mech.energy_units = u;
        } else if (u == "MOLES") {
          mech.molecules = false;
        } else if (u == "MOLECULES") {
          mech.molecules = true;
        } else {
          throw ImportError(file, line, "unknown unit keyword \"" + t[k] + "\" on the REACTIONS line");
        }
      }
      continue;
    }
    if (in_reactions) {
      if (head == "END") {
        in_reactions = false;
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
    throw ImportError(file, line, "unexpected text \"" + t[0] + "\" outside the ELEMENTS, SPECIES, THERMO and REACTIONS sections");
  }
  if (in_reactions) throw ImportError(file, 0, "REACTIONS without END");
  for (const Reaction& r : mech.reactions) Finish(r, file);
  if (mech.species.empty()) throw ImportError(file, 0, "no SPECIES section");
  return mech;
}

}  // namespace tarnavel::import
