#include "input/rate_definitions_file.hpp"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

const char* const kSettings[] = {"PRESSURE", "H2O", "RH", "LATITUDE", "LONGITUDE", "START", "DECLINATION", "JFACTOR"};

[[noreturn]] void Fault(Run& run, const std::string& file, int line, const std::string& reason) {
  run.msg.name1 = file;
  run.msg.name2 = reason;
  run.msg.n1 = line;
  FatalError(run, 136);
}

std::vector<std::string> TabFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(Trim(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
  return fields;
}

double Number(Run& run, const std::string& file, int line, const std::string& text, const std::string& what) {
  double v = 0.0;
  if (!IsNumber(text) || !ParseReal(text, v) || !std::isfinite(v)) Fault(run, file, line, what + " '" + text + "' is not a number");
  return v;
}

bool IsName(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

}  // namespace

void ReadRateDefinitionLines(Run& run, std::istream& in, const std::string& file) {
  RateDefinitions& defs = run.store.rate_definitions;
  defs = RateDefinitions{};
  defs.read = true;
  defs.file = file;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> f = TabFields(line);
    if (f.empty() || f[0].empty() || f[0][0] == '#') continue;
    const std::string kind = UpperCase(f[0]);
    if (f.size() < 2 || f[1].empty()) Fault(run, file, number, "a " + kind + " statement needs a name");
    const std::string& name = f[1];
    if (kind == "DEFINE") {
      if (!IsName(name)) Fault(run, file, number, "'" + name + "' is no name (letters, digits and _)");
      if (f.size() != 3) Fault(run, file, number, "write DEFINE, the name and the expression in three fields");
      for (const auto& d : defs.defines)
        if (d.name == name) Fault(run, file, number, name + " is defined already on line " + std::to_string(d.srcline));
      for (const auto& s : defs.sums)
        if (s.name == name) Fault(run, file, number, name + " is a species sum already (line " + std::to_string(s.srcline) + ")");
      defs.defines.push_back({name, f[2], number});
    } else if (kind == "SUM") {
      if (!IsName(name)) Fault(run, file, number, "'" + name + "' is no name (letters, digits and _)");
      for (const auto& d : defs.defines)
        if (d.name == name) Fault(run, file, number, name + " is defined already on line " + std::to_string(d.srcline));
      RateDefinitions::Sum* sum = nullptr;
      for (auto& s : defs.sums)
        if (s.name == name) sum = &s;
      if (sum == nullptr) {
        defs.sums.push_back({name, {}, number});
        sum = &defs.sums.back();
      }
      for (size_t i = 2; i < f.size(); ++i) {
        std::string item;
        for (char c : f[i] + " ") {
          if (c == ' ' || c == '+' || c == ',') {
            if (!item.empty()) sum->species.push_back(item);
            item.clear();
          } else {
            item += c;
          }
        }
      }
    } else if (kind == "SET") {
      const std::string key = UpperCase(name);
      bool known = false;
      for (const char* s : kSettings) known = known || key == s;
      if (!known) Fault(run, file, number, "SET " + name + " is not a setting (PRESSURE, H2O, RH, LATITUDE, LONGITUDE, START, DECLINATION, JFACTOR)");
      if (f.size() != 3) Fault(run, file, number, "write SET, the setting and its value in three fields");
      for (const auto& s : defs.settings)
        if (s.name == key) Fault(run, file, number, "SET " + key + " is given already on line " + std::to_string(s.srcline));
      RateDefinitions::Setting s{key, f[2], 0.0, number};
      if (key != "START") s.value = Number(run, file, number, f[2], "the value");
      defs.settings.push_back(s);
    } else if (kind == "J") {
      if (f.size() != 5) Fault(run, file, number, "write J, its number and l, m and n in five fields");
      const double j = Number(run, file, number, name, "the photolysis number");
      if (j < 1 || j != std::floor(j) || j > 10000) Fault(run, file, number, "the photolysis number must be a whole number from 1");
      defs.photolysis.push_back({static_cast<int>(j), Number(run, file, number, f[2], "l"),
                                 Number(run, file, number, f[3], "m"), Number(run, file, number, f[4], "n"), number});
    } else {
      Fault(run, file, number, "'" + f[0] + "' is no statement (DEFINE, SUM, SET or J)");
    }
  }
}

void ReadRateDefinitions(Run& run) {
  const std::string& name = run.sw.rates_file;
  std::ifstream in(name);
  if (!in) {
    if (run.sw.rates_file_given) Fault(run, name, 0, "the file cannot be found or read");
    return;
  }
  ReadRateDefinitionLines(run, in, name);
}

}  // namespace tarnavel
