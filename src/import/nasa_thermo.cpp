#include "import/nasa_thermo.hpp"

#include <algorithm>
#include <sstream>

#include "core/fortran_format.hpp"
#include "import/chemkin_mechanism.hpp"
#include "import/chemkin_text.hpp"

namespace tarnavel::import {

namespace {

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

}  // namespace

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

std::string ThermoDatabase(const Mechanism& mech) {
  std::ostringstream out;
  out << "THERMO\n   300.000  1000.000  5000.000\n! " << mech.file << ": NASA polynomials of the imported species\n";
  for (const std::string& name : mech.species) {
    const ThermoRecord* rec = FindThermo(mech, name);
    if (rec == nullptr) throw ImportError(mech.file, 0, "no thermodynamic data for species " + name);
    std::string first = rec->lines[0];
    if (first.size() < 80) first.resize(80, ' ');
    if (first.substr(65, 8).find_first_not_of(' ') == std::string::npos) first.replace(65, 8, fmt::F(rec->t_common, 8, 3));
    out << first << '\n' << rec->lines[1] << '\n' << rec->lines[2] << '\n' << rec->lines[3] << '\n';
  }
  out << "END\n";
  return out.str();
}

}  // namespace tarnavel::import
