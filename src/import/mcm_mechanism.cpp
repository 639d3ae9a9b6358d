#include "import/mcm_mechanism.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <regex>
#include <set>

#include "core/capacity.hpp"
#include "import/chemkin_text.hpp"

namespace tarnavel::import {

namespace {

// The MCM numbers of the photolysis rates as KPP names them.
const std::map<std::string, int>& KppPhotolysisNames() {
  static const std::map<std::string, int> names = {
      {"J_O3_O1D", 1},    {"J_O3_O3P", 2},    {"J_H2O2", 3},         {"J_NO2", 4},           {"J_NO3_NO", 5},
      {"J_NO3_NO2", 6},   {"J_HONO", 7},      {"J_HNO3", 8},         {"J_HCHO_H", 11},       {"J_HCHO_H2", 12},
      {"J_CH3CHO", 13},   {"J_C2H5CHO", 14},  {"J_C3H7CHO_HCO", 15}, {"J_C3H7CHO_C2H4", 16}, {"J_IPRCHO", 17},
      {"J_MACR_HCO", 18}, {"J_MACR_H", 19},   {"J_C5HPALD1", 20},    {"J_CH3COCH3", 21},     {"J_MEK", 22},
      {"J_MVK_CO", 23},   {"J_MVK_C2H3", 24}, {"J_GLYOX_H2", 31},    {"J_GLYOX_HCHO", 32},   {"J_GLYOX_HCO", 33},
      {"J_MGLYOX", 34},   {"J_BIACET", 35},   {"J_CH3OOH", 41},      {"J_CH3NO3", 51},       {"J_C2H5NO3", 52},
      {"J_NC3H7NO3", 53}, {"J_IC3H7NO3", 54}, {"J_TC4H9NO3", 55},    {"J_NOA", 56},
  };
  return names;
}

// The J numbers of MCM v3.3.1, whose parameters the simulator knows.
bool IsMcmPhotolysisNumber(int n) {
  return (n >= 1 && n <= 8) || (n >= 11 && n <= 24) || (n >= 31 && n <= 35) || n == 41 || (n >= 51 && n <= 56) ||
         n == 61;
}

// Functions of the model files, and the Fortran names that mean the same.
const char* FunctionName(const std::string& upper) {
  if (upper == "EXP" || upper == "DEXP") return "EXP";
  if (upper == "LOG" || upper == "ALOG" || upper == "DLOG") return "LOG";
  if (upper == "LOG10" || upper == "ALOG10" || upper == "DLOG10") return "LOG10";
  if (upper == "SQRT" || upper == "DSQRT") return "SQRT";
  return nullptr;
}

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string Shorten(const std::string& text) {
  const std::string t = Trim(text);
  return t.size() <= 60 ? t : t.substr(0, 57) + "...";
}

// ---------------------------------------------------------------------------
// Expressions.

struct Token {
  enum Kind { kNumber, kName, kOp, kJ, kConcentration } kind;
  std::string text;  // as written out (numbers normalised, Fortran names upper case)
  int j = 0;         // kJ: the J number
};

class Lexer {
 public:
  Lexer(const std::string& text, McmForm form, std::map<std::string, int>& j_names, const std::string& file, int line)
      : s_(text), form_(form), j_names_(j_names), file_(file), line_(line) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    while (true) {
      SkipBlanks();
      if (p_ >= s_.size()) break;
      const char c = s_[p_];
      if (IsDigit(c) || (c == '.' && p_ + 1 < s_.size() && IsDigit(s_[p_ + 1]))) {
        tokens.push_back({Token::kNumber, NumberText(), 0});
      } else if (IsNameStart(c)) {
        tokens.push_back(NameToken());
      } else if (c == '*' && p_ + 1 < s_.size() && s_[p_ + 1] == '*') {
        tokens.push_back({Token::kOp, "**", 0});
        p_ += 2;
      } else if (std::string("+-*/()@,").find(c) != std::string::npos) {
        tokens.push_back({Token::kOp, std::string(1, c), 0});
        ++p_;
      } else {
        Fail(std::string("the character '") + c + "' cannot be read");
      }
    }
    return tokens;
  }

  [[noreturn]] void Fail(const std::string& why) const {
    throw ImportError(file_, line_, "\"" + Shorten(s_) + "\": " + why);
  }

 private:
  void SkipBlanks() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }

  // A number with its decimal point completed on both sides ("300." is
  // 300.0, ".5" is 0.5) and its exponent letter in upper case; a Fortran
  // kind suffix (_dp) is dropped.
  std::string NumberText() {
    std::string whole, fraction, exponent;
    bool point = false;
    while (p_ < s_.size() && IsDigit(s_[p_])) whole += s_[p_++];
    if (p_ < s_.size() && s_[p_] == '.') {
      point = true;
      ++p_;
      while (p_ < s_.size() && IsDigit(s_[p_])) fraction += s_[p_++];
    }
    if (p_ < s_.size() && std::string("EeDd").find(s_[p_]) != std::string::npos) {
      size_t q = p_ + 1;
      std::string sign;
      if (q < s_.size() && (s_[q] == '+' || s_[q] == '-')) sign = s_[q++];
      if (q < s_.size() && IsDigit(s_[q])) {
        exponent = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(s_[p_])))) + sign;
        while (q < s_.size() && IsDigit(s_[q])) exponent += s_[q++];
        p_ = q;
      }
    }
    if (p_ + 1 < s_.size() && s_[p_] == '_' && IsNameChar(s_[p_ + 1])) {
      ++p_;
      while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
    }
    if (p_ < s_.size() && (IsNameChar(s_[p_]) || s_[p_] == '.'))
      Fail("a number runs into \"" + s_.substr(p_, 8) + "\"");
    if (whole.empty()) whole = "0";
    if (point && fraction.empty()) fraction = "0";
    return whole + (point ? "." + fraction : "") + exponent;
  }

  std::string Name() {
    const size_t start = p_;
    while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
    return s_.substr(start, p_ - start);
  }

  char NextNonBlank() {
    SkipBlanks();
    return p_ < s_.size() ? s_[p_] : '\0';
  }

  Token NameToken() {
    const std::string name = Name();
    const std::string upper = Upper(name);
    const size_t after = p_;
    const char next = NextNonBlank();
    if (upper == "J" && (next == '<' || next == '(')) return PhotolysisToken(next);
    if (upper == "C" && next == '(') {
      ++p_;
      SkipBlanks();
      const std::string index = Name();
      if (Upper(index).rfind("IND_", 0) != 0 || index.size() <= 4 || NextNonBlank() != ')')
        Fail("C(...) is read only as the concentration C(ind_NAME) of a species");
      ++p_;
      return {Token::kConcentration, index.substr(4), 0};
    }
    p_ = after;
    return {Token::kName, form_ == McmForm::kKpp ? upper : name, 0};
  }

  // J<n>, J(n) or J(J_NAME): photolysis rate n of the MCM.
  Token PhotolysisToken(char open) {
    ++p_;
    SkipBlanks();
    int number = 0;
    if (p_ < s_.size() && IsDigit(s_[p_])) {
      std::string digits;
      while (p_ < s_.size() && IsDigit(s_[p_])) digits += s_[p_++];
      number = std::atoi(digits.c_str());
    } else if (open == '(' && p_ < s_.size() && IsNameStart(s_[p_])) {
      const std::string name = Upper(Name());
      auto found = j_names_.find(name);
      if (found == j_names_.end()) {
        // A photolysis rate the MCM does not number: a new number, past
        // those of the MCM, that its parameters must be given for.
        int next = 101;
        for (const auto& [n, k] : j_names_) next = std::max(next, k + 1);
        found = j_names_.emplace(name, next).first;
      }
      number = found->second;
    } else {
      Fail("J" + std::string(1, open) + " must hold a photolysis number" + (open == '(' ? " or name" : ""));
    }
    const char close = open == '<' ? '>' : ')';
    if (NextNonBlank() != close) Fail("J" + std::string(1, open) + "... is not closed by '" + close + "'");
    ++p_;
    if (number <= 0) Fail("photolysis numbers start at 1");
    return {Token::kJ, "J<" + std::to_string(number) + ">", number};
  }

  const std::string& s_;
  McmForm form_;
  std::map<std::string, int>& j_names_;
  const std::string& file_;
  int line_;
  size_t p_ = 0;
};

// Checks the structure of an expression and writes it out:
//   expression := [sign] term {(+|-) term}
//   term       := factor {(*|/) factor}
//   factor     := primary [(**|@) [sign] factor]
//   primary    := number | name | J<n> | function(expression) | (expression)
// A leading + is dropped; a sign stands only at the start of an expression
// or right after a power.
class Parser {
 public:
  Parser(const std::vector<Token>& tokens, const Lexer& lexer) : t_(tokens), lexer_(lexer) {}

  std::string Run(std::vector<std::string>* names) {
    names_ = names;
    if (t_.empty()) lexer_.Fail("an empty expression");
    Expression();
    if (p_ < t_.size()) lexer_.Fail("\"" + t_[p_].text + "\" where the expression should end");
    return out_;
  }

 private:
  bool IsOp(const char* op) const { return p_ < t_.size() && t_[p_].kind == Token::kOp && t_[p_].text == op; }

  void Sign() {
    if (IsOp("-")) {
      out_ += '-';
      ++p_;
    } else if (IsOp("+")) {
      ++p_;
    }
  }

  void Expression() {
    Sign();
    Term();
    while (IsOp("+") || IsOp("-")) {
      out_ += t_[p_++].text;
      Term();
    }
  }

  void Term() {
    Factor();
    while (IsOp("*") || IsOp("/")) {
      out_ += t_[p_++].text;
      Factor();
    }
  }

  void Factor() {
    Primary();
    if (IsOp("**") || IsOp("@")) {
      out_ += t_[p_++].text;
      Sign();
      Factor();
    }
  }

  void Primary() {
    if (p_ >= t_.size()) lexer_.Fail("the expression ends too early");
    const Token& t = t_[p_];
    switch (t.kind) {
      case Token::kNumber:
        out_ += t.text;
        ++p_;
        return;
      case Token::kJ:
        out_ += t.text;
        Use(t.text);
        ++p_;
        return;
      case Token::kConcentration:
        lexer_.Fail("the concentration C(ind_" + t.text +
                    ") can only stand in a sum of concentrations, written as a definition of its own");
      case Token::kName:
        ++p_;
        if (IsOp("(")) {
          const char* function = FunctionName(Upper(t.text));
          if (function == nullptr)
            lexer_.Fail(t.text +
                        "(...) is neither a function the model files know (EXP, LOG, LOG10, SQRT) nor J(n); "
                        "other functions and arrays cannot be read");
          out_ += function;
          out_ += '(';
          ++p_;
          Expression();
          if (IsOp(",")) lexer_.Fail(std::string(function) + " takes one argument");
          if (!IsOp(")")) lexer_.Fail("a '(' is not closed");
          out_ += ')';
          ++p_;
          return;
        }
        out_ += t.text;
        Use(t.text);
        return;
      case Token::kOp:
        if (t.text == "(") {
          out_ += '(';
          ++p_;
          Expression();
          if (!IsOp(")")) lexer_.Fail("a '(' is not closed");
          out_ += ')';
          ++p_;
          return;
        }
        lexer_.Fail("\"" + t.text + "\" where a number, a name or '(' should stand");
    }
  }

  void Use(const std::string& name) {
    if (names_ != nullptr && std::find(names_->begin(), names_->end(), name) == names_->end()) names_->push_back(name);
  }

  const std::vector<Token>& t_;
  const Lexer& lexer_;
  size_t p_ = 0;
  std::string out_;
  std::vector<std::string>* names_ = nullptr;
};

// The species of a sum of concentrations C(ind_A) + C(ind_B) + ..., or false
// when the expression holds no concentration at all. A concentration in any
// other expression stops the import.
bool ConcentrationSum(const std::vector<Token>& tokens, const Lexer& lexer, std::vector<std::string>& species) {
  const bool any =
      std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == Token::kConcentration; });
  if (!any) return false;
  for (size_t k = 0; k < tokens.size(); ++k) {
    const bool ok = k % 2 == 0 ? tokens[k].kind == Token::kConcentration
                               : tokens[k].kind == Token::kOp && tokens[k].text == "+" && k + 1 < tokens.size();
    if (!ok) lexer.Fail("concentrations C(ind_X) are read only as a plain sum C(ind_A) + C(ind_B) + ... of their own");
    if (k % 2 == 0 && std::find(species.begin(), species.end(), tokens[k].text) == species.end())
      species.push_back(tokens[k].text);
  }
  return true;
}

// The names of a FACSIMILE sum A + B + ... (an empty text is an empty sum),
// or false when the text is not such a list.
bool NameList(const std::vector<Token>& tokens, std::vector<std::string>& names) {
  for (size_t k = 0; k < tokens.size(); ++k) {
    const bool ok = k % 2 == 0 ? tokens[k].kind == Token::kName
                               : tokens[k].kind == Token::kOp && tokens[k].text == "+" && k + 1 < tokens.size();
    if (!ok) return false;
    if (k % 2 == 0) names.push_back(tokens[k].text);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Reactions.

bool ValidSpeciesName(const std::string& name) {
  return !name.empty() && !IsDigit(name[0]) && std::all_of(name.begin(), name.end(), IsNameChar);
}

// One side of a reaction: terms [coefficient]NAME separated by '+'; hv (the
// light a J rate already holds) is left out, repeated species are merged.
Side ReadSide(const std::string& text, const std::string& file, int line) {
  Side side;
  const std::string t = Trim(text);
  if (t.empty()) return side;
  size_t start = 0;
  while (true) {
    const size_t plus = t.find('+', start);
    const std::string term = Trim(t.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
    if (term.empty()) throw ImportError(file, line, "an empty term in \"" + Shorten(t) + "\"");
    size_t n = 0;
    while (n < term.size() && (IsDigit(term[n]) || term[n] == '.')) ++n;
    double coefficient = 1.0;
    if (n > 0) {
      if (!ParseNumber(term.substr(0, n), coefficient) || !(coefficient > 0.0))
        throw ImportError(file, line, "the coefficient of \"" + term + "\" is not a positive number");
    }
    const std::string name = Trim(term.substr(n));
    if (!ValidSpeciesName(name))
      throw ImportError(file, line, "\"" + name + "\" cannot be written as a species of the reaction grammar");
    if (Upper(name) != "HV") {
      auto same = std::find_if(side.begin(), side.end(), [&](const auto& item) { return item.second == name; });
      if (same != side.end()) {
        same->first += coefficient;
      } else {
        side.emplace_back(coefficient, name);
      }
    }
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  return side;
}

// `reactants = products` and the rate expression of one reaction.
McmReaction ReadReaction(McmMechanism& mech, const std::string& equation, const std::string& rate,
                         const std::string& file, int line) {
  const size_t eq = equation.find('=');
  if (eq == std::string::npos || equation.find('=', eq + 1) != std::string::npos)
    throw ImportError(file, line, "the reaction \"" + Shorten(equation) + "\" needs one '=' between its sides");
  McmReaction r;
  r.line = line;
  r.reactants = ReadSide(equation.substr(0, eq), file, line);
  r.products = ReadSide(equation.substr(eq + 1), file, line);
  if (r.reactants.empty()) throw ImportError(file, line, "a reaction without reactants");
  if (r.reactants.size() > static_cast<size_t>(kMaxReactants))
    throw ImportError(file, line,
                      std::to_string(r.reactants.size()) + " reactants; a reaction of the model file holds " +
                          std::to_string(kMaxReactants));
  r.rate = TranslateExpression(rate, mech.form, mech.j_names, file, line, &r.names);
  return r;
}

// ---------------------------------------------------------------------------
// Definitions.

void AddDefinition(McmMechanism& mech, McmDefinition d) {
  for (const McmDefinition& old : mech.definitions) {
    if (old.name != d.name) continue;
    if (old.expression == d.expression) return;
    throw ImportError(d.file, d.line,
                      d.name + " is defined a second time, differently (first at " + old.file +
                          (old.line > 0 ? ", line " + std::to_string(old.line) : "") + ")");
  }
  mech.definitions.push_back(std::move(d));
}

void AddSum(McmMechanism& mech, McmSum s) {
  for (const McmSum& old : mech.sums) {
    if (old.name != s.name) continue;
    if (old.species == s.species) return;
    throw ImportError(s.file, s.line,
                      "the sum " + s.name + " is defined a second time, differently (first at " + old.file + ", line " +
                          std::to_string(old.line) + ")");
  }
  mech.sums.push_back(std::move(s));
}

void SkipEnvironment(McmMechanism& mech, const std::string& name, const std::string& file, int line) {
  mech.warnings.push_back({file, line,
                           name + " is set by the simulator (from the temperature, pressure and water); "
                                  "its assignment is not read"});
}

// One Fortran assignment NAME = expression: a sum of concentrations, a
// definition, or photolysis parameters J(J_NAME) = l*cos(X)**m*exp(-n/cos(X)).
void FortranAssignment(McmMechanism& mech, const std::string& left, const std::string& right, const std::string& file,
                       int line) {
  const std::string lhs = Trim(left);
  std::map<std::string, int>& j_names = mech.j_names;
  if (lhs.size() > 1 && Upper(lhs.substr(0, 1)) == "J" && Trim(lhs.substr(1)).front() == '(') {
    const std::vector<Token> target = Lexer(lhs, McmForm::kKpp, j_names, file, line).Run();
    if (target.size() != 1 || target[0].kind != Token::kJ)
      throw ImportError(file, line, "\"" + lhs + "\" is not a photolysis rate J(n) or J(J_NAME)");
    std::string text;
    for (char c : right)
      if (!std::isspace(static_cast<unsigned char>(c)))
        text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // l, the angle's name, m and n; the angle's secant as 1/cos(X), 1./cos(X) or sec(X).
    static const std::regex form(
        R"(^\(?([0-9.]+(?:[ed][-+]?[0-9]+)?)(?:_\w+)?\)?)"
        R"(\*\(?cos\(([a-z_]\w*)\)\*\*\(?([-+]?[0-9.]+(?:[ed][-+]?[0-9]+)?)(?:_\w+)?\)?\)?)"
        R"(\*exp\(-\(?([0-9.]+(?:[ed][-+]?[0-9]+)?)(?:_\w+)?\)?)"
        R"((?:\*\(1(?:\.0*)?/cos\(\2\)\)|\*1(?:\.0*)?/cos\(\2\)|/cos\(\2\)|\*sec\(\2\))\)$)");
    std::smatch m;
    if (!std::regex_match(text, m, form))
      throw ImportError(
          file, line,
          "the photolysis rate " + target[0].text + " is not of the form l*cos(X)**m*exp(-n/cos(X)) of the MCM");
    auto number = [&](const std::string& s) {
      std::string upper = Upper(s);
      if (!upper.empty() && upper.front() == '.') upper = "0" + upper;
      const size_t dot = upper.find('.');
      if (dot != std::string::npos && (dot + 1 == upper.size() || !IsDigit(upper[dot + 1]))) upper.insert(dot + 1, "0");
      return upper;
    };
    McmPhotolysis p{target[0].j, number(m[1]), number(m[3]), number(m[4]), file, line};
    for (McmPhotolysis& old : mech.photolysis)
      if (old.number == p.number) {
        old = p;
        return;
      }
    mech.photolysis.push_back(p);
    return;
  }
  if (!IsNameStart(lhs.empty() ? ' ' : lhs[0]) || !std::all_of(lhs.begin(), lhs.end(), IsNameChar)) {
    if (lhs.find('(') != std::string::npos)
      throw ImportError(file, line, "the array element " + lhs + " cannot be read; only plain names are defined");
    throw ImportError(file, line, "\"" + Shorten(lhs) + "\" cannot be assigned");
  }
  const std::string name = Upper(lhs);
  if (IsEnvironmentName(name)) {
    SkipEnvironment(mech, name, file, line);
    return;
  }
  Lexer lexer(right, McmForm::kKpp, j_names, file, line);
  const std::vector<Token> tokens = lexer.Run();
  McmSum sum{name, {}, file, line};
  if (ConcentrationSum(tokens, lexer, sum.species)) {
    AddSum(mech, std::move(sum));
    return;
  }
  McmDefinition d{name, "", {}, file, line};
  d.expression = Parser(tokens, lexer).Run(&d.names);
  AddDefinition(mech, std::move(d));
}

// The first word of a Fortran statement, upper case.
std::string FirstWord(const std::string& statement) {
  size_t n = 0;
  while (n < statement.size() && IsNameChar(statement[n])) ++n;
  return Upper(statement.substr(0, n));
}

// The position of the assignment's '=' (not part of ==, /=, <=, >= or =>), or npos.
size_t AssignmentSign(const std::string& s) {
  for (size_t k = 0; k < s.size(); ++k) {
    if (s[k] != '=') continue;
    const char before = k > 0 ? s[k - 1] : ' ', after = k + 1 < s.size() ? s[k + 1] : ' ';
    if (before == '=' || before == '/' || before == '<' || before == '>' || after == '=' || after == '>') continue;
    return k;
  }
  return std::string::npos;
}

struct SourceLine {
  std::string text;
  int line;
};

// Fortran statements: comments from '!' dropped, lines ending in '&' joined
// with the next (whose leading '&' goes), ';' separating statements.
void ReadFortran(McmMechanism& mech, const std::vector<SourceLine>& lines, const std::string& file) {
  static const std::set<std::string> passed_over = {
      "USE",         "IMPLICIT",   "MODULE",    "CONTAINS",  "PUBLIC",    "PRIVATE",   "SAVE",
      "RETURN",      "CALL",       "INTRINSIC", "EXTERNAL",  "END",       "ENDMODULE", "ENDSUBROUTINE",
      "ENDFUNCTION", "SUBROUTINE", "FUNCTION",  "REAL",      "INTEGER",   "DOUBLE",    "DOUBLEPRECISION",
      "LOGICAL",     "CHARACTER",  "COMPLEX",   "PARAMETER", "DIMENSION", "CONTINUE",  "INCLUDE"};
  static const std::set<std::string> refused = {
      "IF",       "ELSE",       "ELSEIF", "ENDIF", "THEN",  "DO",    "ENDDO",  "SELECT",      "CASE",     "WHERE",
      "FORALL",   "GOTO",       "GO",     "WHILE", "STOP",  "PRINT", "WRITE",  "READ",        "OPEN",     "CLOSE",
      "ALLOCATE", "DEALLOCATE", "CYCLE",  "EXIT",  "ENTRY", "DATA",  "COMMON", "EQUIVALENCE", "NAMELIST", "FORMAT"};
  std::vector<SourceLine> statements;
  std::string pending;
  int pending_line = 0;
  for (const SourceLine& raw : lines) {
    std::string text = raw.text;
    const size_t bang = text.find('!');
    if (bang != std::string::npos) text.erase(bang);
    text = Trim(text);
    if (!pending.empty() && !text.empty() && text.front() == '&') text = Trim(text.substr(1));
    if (pending.empty()) pending_line = raw.line;
    if (!text.empty() && text.back() == '&') {
      pending += text.substr(0, text.size() - 1) + ' ';
      continue;
    }
    pending += text;
    size_t start = 0;
    for (size_t semi = pending.find(';');; semi = pending.find(';', start)) {
      const std::string piece =
          Trim(pending.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
      if (!piece.empty()) statements.push_back({piece, pending_line});
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
    pending.clear();
  }
  if (!Trim(pending).empty()) throw ImportError(file, pending_line, "a statement continued with '&' has no next line");
  for (const SourceLine& s : statements) {
    const std::string word = FirstWord(s.text);
    if (s.text.find("::") != std::string::npos || passed_over.count(word) != 0) continue;
    if (refused.count(word) != 0)
      throw ImportError(file, s.line,
                        "Fortran " + word + " statements cannot be read (\"" + Shorten(s.text) +
                            "\"); write the rate coefficients as plain assignments");
    const size_t eq = AssignmentSign(s.text);
    if (eq == std::string::npos)
      throw ImportError(file, s.line, "\"" + Shorten(s.text) + "\" is not an assignment NAME = expression");
    FortranAssignment(mech, s.text.substr(0, eq), s.text.substr(eq + 1), file, s.line);
  }
}

// ---------------------------------------------------------------------------
// Statements ended by ';', read line by line.

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

// Removes the comments between braces from a line; `open` carries an
// unclosed brace (and the line it opened on) into the next line.
std::string WithoutBraces(const std::string& line, int number, int& open) {
  std::string out;
  for (char c : line) {
    if (open > 0) {
      if (c == '}') open = 0;
      continue;
    }
    if (c == '{') {
      open = number;
      continue;
    }
    out += c;
  }
  return out;
}

// Collects text into statements ended by ';' with the line each begins on.
class Statements {
 public:
  void Add(const std::string& text, int line, std::vector<SourceLine>& done) {
    size_t start = 0;
    for (size_t semi = text.find(';'); semi != std::string::npos; semi = text.find(';', start)) {
      Append(text.substr(start, semi - start), line);
      done.push_back({pending_, line_});
      pending_.clear();
      start = semi + 1;
    }
    Append(text.substr(start), line);
  }
  bool Empty() const { return Trim(pending_).empty(); }
  int Line() const { return line_; }

 private:
  void Append(const std::string& text, int line) {
    if (Trim(pending_).empty()) {
      pending_.clear();
      line_ = line;
    }
    if (!pending_.empty()) pending_ += ' ';
    pending_ += text;
  }
  std::string pending_;
  int line_ = 0;
};

}  // namespace

bool IsEnvironmentName(const std::string& name) {
  return name == "TEMP" || name == "M" || name == "O2" || name == "N2" || name == "H2O";
}

std::string TranslateExpression(const std::string& text, McmForm form, std::map<std::string, int>& j_names,
                                const std::string& file, int line, std::vector<std::string>* names) {
  Lexer lexer(text, form, j_names, file, line);
  const std::vector<Token> tokens = lexer.Run();
  return Parser(tokens, lexer).Run(names);
}

McmMechanism ReadFacsimile(const std::string& text, const std::string& file) {
  McmMechanism mech;
  mech.form = McmForm::kFacsimile;
  mech.file = file;
  mech.j_names = KppPhotolysisNames();
  std::vector<SourceLine> statements;
  Statements collect;
  int brace = 0;
  const std::vector<std::string> lines = SplitLines(text);
  for (size_t k = 0; k < lines.size(); ++k) {
    const int number = static_cast<int>(k) + 1;
    const std::string line = WithoutBraces(lines[k], number, brace);
    // A line that begins with '*' between statements is a comment.
    if (collect.Empty() && !Trim(line).empty() && Trim(line).front() == '*') continue;
    collect.Add(line, number, statements);
  }
  if (brace > 0) throw ImportError(file, brace, "the comment opened by '{' is not closed");
  if (!collect.Empty()) throw ImportError(file, collect.Line(), "the statement has no closing ';'");

  struct Raw {
    std::string name, right;
    int line;
  };
  std::vector<Raw> raw;
  for (const SourceLine& s : statements) {
    const std::string t = Trim(s.text);
    if (t.empty()) continue;
    if (t.front() == '%') {
      const size_t colon = t.find(':');
      if (colon == std::string::npos)
        throw ImportError(file, s.line, "the reaction \"" + Shorten(t) + "\" needs ':' between its rate and equation");
      mech.reactions.push_back(ReadReaction(mech, t.substr(colon + 1), t.substr(1, colon - 1), file, s.line));
      continue;
    }
    const std::string word = FirstWord(t);
    if (word == "VARIABLE") {
      for (const std::string& name : Tokens(t.substr(8)))
        if (std::find(mech.declared.begin(), mech.declared.end(), name) == mech.declared.end())
          mech.declared.push_back(name);
      continue;
    }
    const size_t eq = t.find('=');
    const std::string left = eq == std::string::npos ? "" : Trim(t.substr(0, eq));
    if (eq == std::string::npos || left.empty() || !IsNameStart(left[0]) ||
        !std::all_of(left.begin(), left.end(), IsNameChar))
      throw ImportError(file, s.line,
                        "\"" + Shorten(t) + "\" is neither a definition NAME = expression nor a reaction % k : A = B");
    raw.push_back({left, t.substr(eq + 1), s.line});
  }
  // A definition whose right side only adds names that nothing defines is a
  // sum of species (RO2 = A + B + ...; an empty one too).
  std::set<std::string> defined;
  for (const Raw& r : raw) defined.insert(r.name);
  for (const Raw& r : raw) {
    if (IsEnvironmentName(r.name)) {
      SkipEnvironment(mech, r.name, file, r.line);
      continue;
    }
    Lexer lexer(r.right, McmForm::kFacsimile, mech.j_names, file, r.line);
    const std::vector<Token> tokens = lexer.Run();
    std::vector<std::string> names;
    if (NameList(tokens, names) && std::none_of(names.begin(), names.end(), [&](const std::string& n) {
          return defined.count(n) || IsEnvironmentName(n);
        })) {
      AddSum(mech, {r.name, names, file, r.line});
      continue;
    }
    McmDefinition d{r.name, "", {}, file, r.line};
    d.expression = Parser(tokens, lexer).Run(&d.names);
    AddDefinition(mech, std::move(d));
  }
  return mech;
}

McmMechanism ReadKpp(const std::string& text, const std::string& file) {
  McmMechanism mech;
  mech.form = McmForm::kKpp;
  mech.file = file;
  mech.j_names = KppPhotolysisNames();
  enum class Section { kNone, kEquations, kDefvar, kDeffix, kOther } section = Section::kNone;
  std::vector<SourceLine> statements;  // with the section each belongs to, in `kinds`
  std::vector<Section> kinds;
  Statements collect;
  std::vector<SourceLine> fortran;
  std::string inline_kind;
  int inline_line = 0;
  int brace = 0;
  std::vector<std::string> not_read;
  const std::vector<std::string> lines = SplitLines(text);
  for (size_t k = 0; k < lines.size(); ++k) {
    const int number = static_cast<int>(k) + 1;
    if (!inline_kind.empty()) {
      if (Upper(Trim(lines[k])).rfind("#ENDINLINE", 0) == 0) {
        inline_kind.clear();
      } else if (inline_kind == "F90_RCONST") {
        fortran.push_back({lines[k], number});
      }
      continue;
    }
    std::string line = WithoutBraces(lines[k], number, brace);
    const size_t slashes = line.find("//");
    if (slashes != std::string::npos) line.erase(slashes);
    const std::string t = Trim(line);
    if (collect.Empty() && !t.empty() && t.front() == '#') {
      const std::vector<std::string> words = Tokens(t);
      const std::string command = Upper(words[0]);
      if (command == "#EQUATIONS") {
        section = Section::kEquations;
      } else if (command == "#DEFVAR") {
        section = Section::kDefvar;
      } else if (command == "#DEFFIX") {
        section = Section::kDeffix;
      } else if (command == "#INLINE") {
        inline_kind = words.size() > 1 ? Upper(words[1]) : "?";
        inline_line = number;
        if (inline_kind != "F90_RCONST" && inline_kind != "F90_RCONST_USE")
          not_read.push_back("#INLINE " + inline_kind + " (line " + std::to_string(number) + ")");
      } else if (command == "#INCLUDE") {
        if (words.size() < 2 || Upper(words[1]) != "ATOMS")
          not_read.push_back(t + " (line " + std::to_string(number) + ")");
      } else {
        section = Section::kOther;
        not_read.push_back(words[0] + " (line " + std::to_string(number) + ")");
      }
      continue;
    }
    const size_t before = statements.size();
    collect.Add(line, number, statements);
    for (size_t s = before; s < statements.size(); ++s) kinds.push_back(section);
  }
  if (!inline_kind.empty()) throw ImportError(file, inline_line, "#INLINE " + inline_kind + " has no #ENDINLINE");
  if (brace > 0) throw ImportError(file, brace, "the comment opened by '{' is not closed");
  if (!collect.Empty()) throw ImportError(file, collect.Line(), "the statement has no closing ';'");

  for (size_t s = 0; s < statements.size(); ++s) {
    std::string t = Trim(statements[s].text);
    const int line = statements[s].line;
    if (t.empty()) continue;
    switch (kinds[s]) {
      case Section::kDefvar:
      case Section::kDeffix: {
        const std::string name = Trim(t.substr(0, t.find('=')));
        if (!ValidSpeciesName(name)) throw ImportError(file, line, "\"" + Shorten(name) + "\" is not a species name");
        auto& list = kinds[s] == Section::kDefvar ? mech.declared : mech.fixed;
        if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
        break;
      }
      case Section::kEquations: {
        if (t.front() == '<') {
          const size_t close = t.find('>');
          if (close == std::string::npos)
            throw ImportError(file, line, "the equation tag \"" + Shorten(t) + "\" is not closed by '>'");
          t = Trim(t.substr(close + 1));
        }
        const size_t colon = t.find(':');
        if (colon == std::string::npos)
          throw ImportError(file, line, "the equation \"" + Shorten(t) + "\" needs ':' between its reaction and rate");
        mech.reactions.push_back(ReadReaction(mech, t.substr(0, colon), t.substr(colon + 1), file, line));
        break;
      }
      case Section::kOther:
        break;
      case Section::kNone:
        throw ImportError(file, line, "\"" + Shorten(t) + "\" stands outside any section (#DEFVAR, #EQUATIONS, ...)");
    }
  }
  ReadFortran(mech, fortran, file);
  if (!not_read.empty()) {
    std::string list;
    for (const std::string& n : not_read) list += (list.empty() ? "" : ", ") + n;
    mech.warnings.push_back({file, 0, "not read: " + list});
  }
  return mech;
}

void ReadRateCoefficients(McmMechanism& mech, const std::string& text, const std::string& file) {
  std::vector<SourceLine> lines;
  const std::vector<std::string> split = SplitLines(text);
  for (size_t k = 0; k < split.size(); ++k) {
    // '#' lines are comments of a data copy of the coefficients.
    const std::string t = Trim(split[k]);
    lines.push_back({!t.empty() && t.front() == '#' ? "" : split[k], static_cast<int>(k) + 1});
  }
  ReadFortran(mech, lines, file);
}

void CompleteMechanism(McmMechanism& mech) {
  std::map<std::string, size_t> definition, sum;
  for (size_t k = 0; k < mech.definitions.size(); ++k) definition[mech.definitions[k].name] = k;
  for (size_t k = 0; k < mech.sums.size(); ++k) {
    const McmSum& s = mech.sums[k];
    if (definition.count(s.name))
      throw ImportError(s.file, s.line,
                        s.name + " is both a sum of species and a definition (" +
                            mech.definitions[definition[s.name]].file + ", line " +
                            std::to_string(mech.definitions[definition[s.name]].line) + ")");
    sum[s.name] = k;
  }
  const std::string hint =
      mech.form == McmForm::kKpp
          ? " (the generic and complex rate coefficients of a KPP mechanism are read with --coefficients FILE)"
          : "";
  std::set<int> j_used;
  auto check = [&](const std::vector<std::string>& names, const std::string& file, int line) {
    for (const std::string& n : names) {
      if (n.rfind("J<", 0) == 0) {
        j_used.insert(std::atoi(n.c_str() + 2));
      } else if (!IsEnvironmentName(n) && !definition.count(n) && !sum.count(n)) {
        throw ImportError(file, line, n + " is not defined" + hint);
      }
    }
  };
  for (const McmDefinition& d : mech.definitions) check(d.names, d.file, d.line);
  for (const McmReaction& r : mech.reactions) check(r.names, mech.file, r.line);
  mech.j_used.assign(j_used.begin(), j_used.end());
  for (int n : mech.j_used) {
    const bool given = std::any_of(mech.photolysis.begin(), mech.photolysis.end(),
                                   [&](const McmPhotolysis& p) { return p.number == n; });
    if (given || IsMcmPhotolysisNumber(n)) continue;
    std::string name;
    for (const auto& [k, v] : mech.j_names)
      if (v == n) name = k;
    if (!name.empty() && !KppPhotolysisNames().count(name))
      throw ImportError(mech.file, 0,
                        "the photolysis rate J(" + name + ") is not one of the MCM and has no parameters" + hint);
    mech.warnings.push_back({mech.file, 0,
                             "J<" + std::to_string(n) +
                                 "> is not a photolysis rate of MCM v3.3.1; "
                                 "give its parameters with a J line in RATES.DAT"});
  }

  // Each definition after those it uses.
  std::vector<McmDefinition> ordered;
  std::vector<int> state(mech.definitions.size(), 0);  // 0 new, 1 in progress, 2 done
  std::function<void(size_t, std::vector<std::string>&)> visit = [&](size_t k, std::vector<std::string>& path) {
    if (state[k] == 2) return;
    const McmDefinition& d = mech.definitions[k];
    path.push_back(d.name);
    if (state[k] == 1) {
      std::string circle;
      for (size_t p = std::find(path.begin(), path.end(), d.name) - path.begin(); p < path.size(); ++p)
        circle += (circle.empty() ? "" : " -> ") + path[p];
      throw ImportError(d.file, d.line, "the definitions refer to each other in a circle: " + circle);
    }
    state[k] = 1;
    for (const std::string& n : d.names) {
      auto found = definition.find(n);
      if (found != definition.end()) visit(found->second, path);
    }
    state[k] = 2;
    path.pop_back();
    ordered.push_back(d);
  };
  for (size_t k = 0; k < mech.definitions.size(); ++k) {
    std::vector<std::string> path;
    visit(k, path);
  }
  mech.definitions = std::move(ordered);

  // Species: those of the reactions in order of first appearance, then those
  // only a sum names. M is the simulator's third body, no species.
  mech.species.clear();
  std::set<std::string> seen;
  auto add = [&](const std::string& name) {
    if (name != "M" && seen.insert(name).second) mech.species.push_back(name);
  };
  for (const McmReaction& r : mech.reactions) {
    for (const auto& item : r.reactants) add(item.second);
    for (const auto& item : r.products) add(item.second);
  }
  const size_t in_reactions = mech.species.size();
  std::set<std::string> declared(mech.declared.begin(), mech.declared.end());
  declared.insert(mech.fixed.begin(), mech.fixed.end());
  if (!declared.empty()) {
    std::vector<std::string> undeclared;
    for (size_t k = 0; k < in_reactions; ++k)
      if (!declared.count(mech.species[k])) undeclared.push_back(mech.species[k]);
    if (!undeclared.empty()) {
      std::string list;
      for (const std::string& n : undeclared) list += (list.empty() ? "" : " ") + n;
      mech.warnings.push_back({mech.file, 0,
                               std::to_string(undeclared.size()) +
                                   " species of the reactions are not declared (taken as species): " + list});
    }
  }
  for (const McmSum& s : mech.sums)
    for (const std::string& name : s.species) add(name);
  std::vector<std::string> unused;
  for (const std::string& name : mech.declared)
    if (!seen.count(name)) unused.push_back(name);
  if (!unused.empty()) {
    std::string list;
    for (size_t k = 0; k < unused.size() && k < 10; ++k) list += (k ? " " : "") + unused[k];
    if (unused.size() > 10) list += " ...";
    mech.warnings.push_back({mech.file, 0,
                             std::to_string(unused.size()) +
                                 " declared species take part in no reaction and no sum and are left out: " + list});
  }
}

}  // namespace tarnavel::import
