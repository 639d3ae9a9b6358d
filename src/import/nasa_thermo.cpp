#include "import/nasa_thermo.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "import/chemkin_mechanism.hpp"
#include "import/chemkin_text.hpp"

namespace tarnavel::import {

namespace {

// Columns of the four-line layout, counted from 0.
constexpr size_t kNameWidth = 18;
constexpr size_t kElementColumns[] = {24, 29, 34, 39, 73};  // symbol (2) and count (3) each
constexpr size_t kPhaseColumn = 44;
constexpr size_t kLowColumn = 45, kHighColumn = 55, kCommonColumn = 65;
constexpr size_t kTemperatureWidth = 10, kCommonWidth = 8;
constexpr size_t kCoefficientWidth = 15;
constexpr size_t kLineNumberColumn = 79;
constexpr size_t kStandardElementFields = 4;  // columns 25-44, the fields the program's reader takes

// Two polynomials of a record disagree at the common temperature when Cp/R,
// H/RT or S/R differ there by more than both a share kJoinRelative of the
// value and kJoinAbsolute. Fits made to join agree to about 1e-6, far above
// the rounding of 8-9 digit coefficients; a step of 0.1 % in Cp is a visible
// kink. 0.01 in H/RT at 1000 K is 83 J/mol and in S/R 0.08 J/(mol K), below
// the accuracy of the data, and keeps H/RT near zero from passing for a step.
constexpr double kJoinRelative = 1.0e-3;
constexpr double kJoinAbsolute = 1.0e-2;

// Unused species named in full in the warning that counts them.
constexpr size_t kNamesListed = 8;

std::string Field(const std::string& line, size_t from, size_t width) {
  return from < line.size() ? line.substr(from, width) : std::string();
}

// Column 80, the record's line number, or a blank.
char LineNumber(const std::string& line) { return line.size() > kLineNumberColumn ? line[kLineNumberColumn] : ' '; }

// A fixed-column number as a Fortran reader takes it: blanks inside the field
// are ignored, so an exponent written "E 01" reads as E+01. nullopt for a
// blank field; false in `ok` for text that is no finite number.
std::optional<double> FixedNumber(const std::string& field, bool& ok) {
  std::string text;
  for (char c : field)
    if (c != ' ' && c != '\t') text += c;
  ok = true;
  if (text.empty()) return std::nullopt;
  double v = 0.0;
  ok = ParseNumber(text, v) && std::isfinite(v);
  return v;
}

bool IsEndLine(const std::string& line) {
  const auto t = Tokens(line);
  // A record's first line carries 1 in column 80; a species named END... is no end.
  return !t.empty() && Upper(t[0]).rfind("END", 0) == 0 && LineNumber(line) != '1';
}

// Shortest text that reads back as the same double, for messages.
std::string Plain(double v) {
  char buffer[32];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

// The outcome of reading one record: the record, or why it cannot be read.
struct Attempt {
  ThermoRecord rec;
  std::string error;
  int error_line = 0;
  size_t last = 0;  // index of the record's last line
};

// Reads the four-line record whose first line is lines[i]. Its other lines
// are the next three non-blank ones; a line numbered 1 in column 80 among
// them starts the next record and cuts this one short.
Attempt ReadRecord(const std::vector<std::string>& lines, size_t i, double default_common, const std::string& file) {
  Attempt at;
  ThermoRecord& rec = at.rec;
  rec.file = file;
  rec.line = static_cast<int>(i + 1);
  const std::string& first = lines[i];
  const auto name_tokens = Tokens(Field(first, 0, kNameWidth));
  if (!name_tokens.empty()) rec.name = name_tokens[0];
  auto fail = [&](size_t index, const std::string& why) {
    if (at.error.empty()) {
      at.error = why;
      at.error_line = static_cast<int>(index + 1);
    }
  };

  std::array<size_t, 4> at_line{i, i, i, i};
  at.last = i;
  for (int k = 1; k < 4; ++k) {
    size_t j = at.last + 1;
    while (j < lines.size() && Trim(lines[j]).empty()) ++j;
    if (j >= lines.size() || IsEndLine(lines[j])) {
      fail(i, "thermodynamic record cut short (four lines expected)");
      return at;
    }
    if (LineNumber(lines[j]) == '1') {
      fail(i, "thermodynamic record cut short: line " + std::to_string(j + 1) + " starts another record");
      return at;
    }
    at_line[k] = at.last = j;
  }

  auto number = [&](size_t index, size_t from, size_t width, const char* what) -> std::optional<double> {
    bool ok = true;
    const std::string text = Field(lines[index], from, width);
    const auto v = FixedNumber(text, ok);
    if (!ok) fail(index, std::string("unreadable ") + what + " \"" + Trim(text) + "\"");
    return ok ? v : std::optional<double>(0.0);
  };
  auto required = [&](size_t index, size_t from, size_t width, const char* what) {
    const auto v = number(index, from, width, what);
    if (!v) fail(index, std::string("missing ") + what);
    return v.value_or(0.0);
  };

  // Some records put the phase one column early, in the last count field
  // ("H   7         G    300.000"); the phase column is then blank.
  std::string phase = Trim(Field(first, kPhaseColumn, 1));
  const std::string shifted = Trim(Field(first, kPhaseColumn - 3, 3));
  const bool phase_shifted = phase.empty() && shifted.size() == 1 && std::string("GLSgls").find(shifted[0]) != std::string::npos;
  if (phase_shifted) phase = shifted;
  for (size_t field = 0; field < std::size(kElementColumns); ++field) {
    const size_t col = kElementColumns[field];
    const std::string symbol = Upper(Trim(Field(first, col, 2)));
    if (phase_shifted && col + 5 == kPhaseColumn && symbol.empty()) continue;
    const double count = number(i, col + 2, 3, "element count").value_or(0.0);
    if (count == 0.0) continue;  // blank pairs and placeholders such as "0   0"
    if (symbol.empty() || !std::isalpha(static_cast<unsigned char>(symbol[0]))) {
      fail(i, "element count in columns " + std::to_string(col + 1) + "-" + std::to_string(col + 5) +
                  " without an element symbol");
      continue;
    }
    rec.elements.push_back({symbol, count});
  }
  rec.phase = phase.empty() ? 'G' : static_cast<char>(std::toupper(static_cast<unsigned char>(phase[0])));
  rec.t_low = required(i, kLowColumn, kTemperatureWidth, "low temperature");
  rec.t_high = required(i, kHighColumn, kTemperatureWidth, "high temperature");
  rec.t_common = number(i, kCommonColumn, kCommonWidth, "common temperature").value_or(default_common);
  if (at.error.empty() && !(rec.t_low < rec.t_high && rec.t_low <= rec.t_common && rec.t_common <= rec.t_high))
    fail(i, "temperatures out of order (low " + Plain(rec.t_low) + ", common " + Plain(rec.t_common) + ", high " +
                Plain(rec.t_high) + ")");
  for (size_t k = 0; k < 14; ++k) {
    const double a = required(at_line[1 + k / 5], (k % 5) * kCoefficientWidth, kCoefficientWidth,
                              "polynomial coefficient");
    (k < 7 ? rec.high[k] : rec.low[k - 7]) = a;
  }
  return at;
}

bool SameData(const ThermoRecord& a, const ThermoRecord& b) {
  if (a.elements.size() != b.elements.size()) return false;
  for (size_t k = 0; k < a.elements.size(); ++k)
    if (a.elements[k].symbol != b.elements[k].symbol || a.elements[k].count != b.elements[k].count) return false;
  return a.phase == b.phase && a.t_low == b.t_low && a.t_high == b.t_high && a.t_common == b.t_common &&
         a.high == b.high && a.low == b.low;
}

std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (size_t k = 0; k < names.size() && k < kNamesListed; ++k) text += (k ? ", " : "") + names[k];
  if (names.size() > kNamesListed) text += ", ...";
  return text;
}

// The step between the two polynomials at the common temperature, as text,
// or "" when they join within the tolerance.
std::string JoinMismatch(const ThermoRecord& rec) {
  const double t = rec.t_common;
  struct Function {
    const char* name;
    double (*f)(const std::array<double, 7>&, double);
  };
  std::string text;
  for (const Function& fn : {Function{"Cp/R", HeatCapacityOverR}, Function{"H/RT", EnthalpyOverRT},
                             Function{"S/R", EntropyOverR}}) {
    const double low = fn.f(rec.low, t), high = fn.f(rec.high, t);
    const double step = std::fabs(high - low);
    if (step > kJoinAbsolute && step > kJoinRelative * std::max(std::fabs(low), std::fabs(high))) {
      char buffer[96];
      std::snprintf(buffer, sizeof buffer, "%s%s %.6g below, %.6g above", text.empty() ? "" : "; ", fn.name, low, high);
      text += buffer;
    }
  }
  return text;
}

// What one THERMO section or file leaves to report once it has been read.
struct SectionReport {
  std::vector<std::string> unused;
  int unused_line = 0;
  int unreadable_unused = 0;
  std::string first_unreadable;  // species, line and reason of the first of them
  std::vector<std::string> repeated;
  int repeated_line = 0;
};

void Report(Mechanism& mech, const SectionReport& report, const std::string& file) {
  if (!report.unused.empty()) {
    std::string text = std::to_string(report.unused.size()) + " thermodynamic record" +
                       (report.unused.size() == 1 ? "" : "s") + " for species the mechanism does not use skipped";
    if (report.unreadable_unused > 0)
      text += " (" + std::to_string(report.unreadable_unused) + " of them could not be read, the first " +
              report.first_unreadable + ")";
    mech.warnings.push_back({file, report.unused_line, text + ": " + NameList(report.unused)});
  }
  if (!report.repeated.empty())
    mech.warnings.push_back(
        {file, report.repeated_line,
         std::to_string(report.repeated.size()) + " thermodynamic record" + (report.repeated.size() == 1 ? "" : "s") +
             " repeating an earlier record of the same species unchanged: " + NameList(report.repeated)});
}

// Takes one record into the mechanism, or counts it for the section report.
void Take(Mechanism& mech, const Attempt& at, SectionReport& report) {
  const ThermoRecord& rec = at.rec;
  if (rec.name.empty()) throw ImportError(rec.file, rec.line, "thermodynamic record without a species name");
  const bool used = mech.species.empty() ||
                    std::find(mech.species.begin(), mech.species.end(), rec.name) != mech.species.end();
  if (!used) {
    if (report.unused.empty()) report.unused_line = rec.line;
    report.unused.push_back(rec.name);
    if (!at.error.empty() && report.unreadable_unused++ == 0)
      report.first_unreadable = rec.name + " at line " + std::to_string(at.error_line) + ": " + at.error;
    return;
  }
  if (!at.error.empty()) throw ImportError(rec.file, at.error_line, at.error + " (species " + rec.name + ")");
  if (const ThermoRecord* earlier = FindThermo(mech, rec.name)) {
    if (SameData(*earlier, rec)) {
      if (report.repeated.empty()) report.repeated_line = rec.line;
      report.repeated.push_back(rec.name);
    } else {
      mech.warnings.push_back({rec.file, rec.line,
                               "another thermodynamic record for " + rec.name + " differs from the one at " +
                                   earlier->file + ", line " + std::to_string(earlier->line) + ", which counts"});
    }
    return;
  }
  if (const std::string step = JoinMismatch(rec); !step.empty())
    mech.warnings.push_back({rec.file, rec.line,
                             "the polynomials of " + rec.name + " disagree at the common temperature " +
                                 Plain(rec.t_common) + " K: " + step});
  if (rec.elements.size() > kStandardElementFields)
    mech.warnings.push_back({rec.file, rec.line,
                             rec.name + " has " + std::to_string(rec.elements.size()) +
                                 " elements; the program computes its molecular weight from the first " +
                                 std::to_string(kStandardElementFields) + " only"});
  if (rec.phase != 'G')
    mech.warnings.push_back({rec.file, rec.line,
                             rec.name + " is given in phase " + std::string(1, rec.phase) +
                                 "; the program takes gas-phase (G) records only"});
  mech.thermo.push_back(rec);
}

// Text of a decimal rounded to `digits` significant digits: the digits
// (trailing zeros dropped) and the power of ten of the first.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

Decimal Round(double v, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*E", digits - 1, v);
  Decimal d;
  const char* p = buffer;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  for (; *p != 'E'; ++p)
    if (*p != '.') d.digits += *p;
  d.exponent = std::atoi(p + 1);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

std::string Exponent(int e) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
  return buffer;
}

// 1.2345E+03
std::string Scientific(const Decimal& d) {
  std::string s = d.negative ? "-" : "";
  s += d.digits[0];
  if (d.digits.size() > 1) s += "." + d.digits.substr(1);
  return s + Exponent(d.exponent);
}

// 1234.5, 0.0012345
std::string Positional(const Decimal& d) {
  std::string s = d.negative ? "-" : "";
  const int n = static_cast<int>(d.digits.size());
  if (d.exponent < 0) return s + "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
  if (d.exponent + 1 >= n) return s + d.digits + std::string(static_cast<size_t>(d.exponent + 1 - n), '0') + ".";
  return s + d.digits.substr(0, static_cast<size_t>(d.exponent + 1)) + "." + d.digits.substr(static_cast<size_t>(d.exponent + 1));
}

// 12345E-1: one character fewer than the scientific form, for a last digit.
std::string IntegerMantissa(const Decimal& d) {
  return (d.negative ? "-" : "") + d.digits + "E" + std::to_string(d.exponent - static_cast<int>(d.digits.size()) + 1);
}

bool ReadsBack(const std::string& text, double v) { return std::strtod(text.c_str(), nullptr) == v; }

std::string RightAligned(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// A temperature in its field: fixed-point with three decimals or more, as
// databases write temperatures, when that reads back; otherwise FieldText.
std::string TemperatureText(double t, size_t width) {
  // First a text that leaves a blank before it, so that neighbouring fields stay apart.
  for (const size_t room : {width - 1, width}) {
    for (int decimals = 3; decimals <= 9; ++decimals) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.*f", decimals, t);
      if (ReadsBack(buffer, t) && std::string(buffer).size() <= room) return RightAligned(buffer, width);
    }
    for (int decimals = 2; decimals >= 1; --decimals) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.*f", decimals, t);
      if (ReadsBack(buffer, t) && std::string(buffer).size() <= room) return RightAligned(buffer, width);
    }
  }
  return FieldText(t, width);
}

std::string CountText(double count) {
  if (count == std::floor(count) && std::fabs(count) < 100.0)
    return RightAligned(std::to_string(static_cast<int>(count)), 3);
  return FieldText(count, 3);
}

}  // namespace

double HeatCapacityOverR(const std::array<double, 7>& a, double t) {
  return a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
}

double EnthalpyOverRT(const std::array<double, 7>& a, double t) {
  return a[0] + t * (a[1] / 2 + t * (a[2] / 3 + t * (a[3] / 4 + t * a[4] / 5))) + a[5] / t;
}

double EntropyOverR(const std::array<double, 7>& a, double t) {
  return a[0] * std::log(t) + t * (a[1] + t * (a[2] / 2 + t * (a[3] / 3 + t * a[4] / 4))) + a[6];
}

std::string FieldText(double value, size_t width) {
  if (!std::isfinite(value)) return "";
  // The look of published databases, nine significant digits or more
  // (2.50000000E+00), when such a text reads back exactly.
  for (int digits = 9; digits <= 17; ++digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*E", digits - 1, value);
    if (std::string(buffer).size() > width) break;
    if (ReadsBack(buffer, value)) return RightAligned(buffer, width);
  }
  // The fewest digits that read back, or as many as the field holds.
  int exact = 17;
  for (int digits = 1; digits < 17; ++digits) {
    if (ReadsBack(Scientific(Round(value, digits)), value)) {
      exact = digits;
      break;
    }
  }
  for (int digits = exact; digits >= 1; --digits) {
    const Decimal d = Round(value, digits);
    for (const std::string& text : {Scientific(d), Positional(d), IntegerMantissa(d)})
      if (text.size() <= width && std::isfinite(std::strtod(text.c_str(), nullptr))) return RightAligned(text, width);
  }
  return "";
}

void ReadThermoSection(Mechanism& mech, const std::vector<std::string>& lines, size_t& i, const std::string& file) {
  double common = 1000.0;
  // The default temperature line: low, common and high temperature.
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i < lines.size()) {
    const auto t = Tokens(lines[i]);
    double v = 0.0;
    if (t.size() >= 2 && ParseNumber(t[0], v) && ParseNumber(t[1], common)) ++i;
  }
  SectionReport report;
  for (; i < lines.size(); ++i) {
    if (Trim(lines[i]).empty()) continue;
    if (IsEndLine(lines[i])) break;
    const char number = LineNumber(lines[i]);
    if (number >= '2' && number <= '4')
      throw ImportError(file, static_cast<int>(i + 1),
                        std::string("thermodynamic record out of step: line ") + number +
                            " of a record where a record's first line belongs");
    const Attempt at = ReadRecord(lines, i, common, file);
    Take(mech, at, report);
    i = at.last;
  }
  Report(mech, report, file);
}

const ThermoRecord* FindThermo(const Mechanism& mech, const std::string& name) {
  for (const ThermoRecord& t : mech.thermo)
    if (t.name == name) return &t;
  return nullptr;
}

void ReadThermoFile(Mechanism& mech, const std::string& text, const std::string& file) {
  // A byte-order mark before THERMO is no part of the data.
  const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  const auto lines = Lines(bom ? text.substr(3) : text);
  size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i < lines.size() && IsKeyword(Tokens(lines[i])[0], "THERMO", "THER")) ++i;
  ReadThermoSection(mech, lines, i, file);
}

std::string ThermoDatabase(const Mechanism& mech) {
  std::ostringstream out;
  std::string title = "! NASA polynomials of the species of " + mech.file;
  // Column 80 is the reader's line number: a longer comment could pass for a record.
  if (title.size() > kLineNumberColumn) title.resize(kLineNumberColumn);
  out << "THERMO\n   300.000  1000.000  5000.000\n" << title << '\n';
  for (const std::string& name : mech.species) {
    const ThermoRecord* rec = FindThermo(mech, name);
    if (rec == nullptr) throw ImportError(mech.file, 0, "no thermodynamic data for species " + name);
    if (name.size() > kNameWidth)
      throw ImportError(rec->file, rec->line,
                        "species name " + name + " is longer than the 18 columns of the thermodynamic database");
    auto field = [&](const std::string& text, size_t width, const char* what) {
      if (text.empty() || text.size() > width)
        throw ImportError(rec->file, rec->line, std::string("the ") + what + " of " + name + " fits no " +
                                                    std::to_string(width) + "-column field");
      return text;
    };
    std::string elements, fifth(5, ' ');
    for (size_t k = 0; k < rec->elements.size(); ++k) {
      const ElementCount& e = rec->elements[k];
      const std::string group = (e.symbol + " ").substr(0, 2) + field(CountText(e.count), 3, "element count");
      if (k < kStandardElementFields) {
        elements += group;
      } else if (k == kStandardElementFields) {
        fifth = group;
      } else {
        throw ImportError(rec->file, rec->line, name + " has more than 5 elements, more than the layout holds");
      }
    }
    elements.resize(20, ' ');
    out << name << std::string(kNameWidth - name.size(), ' ') << std::string(6, ' ') << elements << rec->phase
        << field(TemperatureText(rec->t_low, kTemperatureWidth), kTemperatureWidth, "low temperature")
        << field(TemperatureText(rec->t_high, kTemperatureWidth), kTemperatureWidth, "high temperature")
        << field(TemperatureText(rec->t_common, kCommonWidth), kCommonWidth, "common temperature") << fifth
        << " 1\n";
    for (int row = 0; row < 3; ++row) {
      std::string line;
      for (size_t k = static_cast<size_t>(row) * 5; k < std::min<size_t>(14, static_cast<size_t>(row) * 5 + 5); ++k) {
        const double a = k < 7 ? rec->high[k] : rec->low[k - 7];
        line += field(FieldText(a, kCoefficientWidth), kCoefficientWidth, "polynomial coefficient");
      }
      line.resize(kLineNumberColumn, ' ');
      out << line << static_cast<char>('2' + row) << '\n';
    }
  }
  out << "END\n";
  return out.str();
}

}  // namespace tarnavel::import
