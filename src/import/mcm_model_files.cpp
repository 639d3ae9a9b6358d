#include "import/mcm_model_files.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "core/capacity.hpp"
#include "import/chemkin_text.hpp"

namespace tarnavel::import {

namespace {

// A number in at most twelve significant digits, exponent letter upper case.
std::string Num(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.12G", v);
  return buffer;
}

// A concentration in exponent form with the fewest digits that read back
// as the same number (6.16E+11).
std::string Concentration(double v) {
  if (v == 0.0) return "0";
  char buffer[40];
  for (int digits = 0; digits < 17; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*E", digits, v);
    if (std::strtod(buffer, nullptr) == v) break;
  }
  return buffer;
}

std::string SideText(const Side& side) {
  std::string text;
  for (const auto& [coefficient, name] : side) {
    if (!text.empty()) text += " + ";
    if (coefficient != 1.0) text += Num(coefficient);
    text += name;
  }
  return text;
}

// Products beyond a side's limit ride on companion reactions: the same
// reactants and rate, the reactants given back among the products, and the
// further products in the slots left. Each companion runs at the reaction's
// rate, so every product is made at exactly the reaction's rate times its
// coefficient and the reactants are used once.
std::vector<Side> ProductGroups(const McmReaction& r) {
  std::vector<Side> groups(1);
  for (const auto& item : r.products) {
    auto in = [&](Side& g) {
      auto same = std::find_if(g.begin(), g.end(), [&](const auto& x) { return x.second == item.second; });
      if (same == g.end()) return false;
      same->first += item.first;
      return true;
    };
    if (in(groups.back())) continue;
    if (groups.back().size() >= static_cast<size_t>(kMaxProducts)) {
      groups.push_back(r.reactants);
      if (in(groups.back())) continue;
    }
    groups.back().push_back(item);
  }
  return groups;
}

void CheckLength(const std::string& line, const std::string& file, const std::string& what) {
  if (line.size() > static_cast<size_t>(kLineLength))
    throw ImportError(file, 0,
                      what + " makes a line of " + std::to_string(line.size()) +
                          " characters; a line of the model files holds " + std::to_string(kLineLength));
}

// A name for the species that takes the products of a reaction without any:
// held at 0, it receives them without effect on the rest.
std::string SinkName(const McmMechanism& mech) {
  std::set<std::string> taken(mech.species.begin(), mech.species.end());
  for (const McmDefinition& d : mech.definitions) taken.insert(d.name);
  for (const McmSum& s : mech.sums) taken.insert(s.name);
  std::string name = "SINK";
  for (int k = 1; taken.count(name); ++k) name = "SINK" + std::to_string(k);
  return name;
}

std::string ModelFile(const McmMechanism& mech, const McmOptions& options, const std::string& sink, int& records,
                      std::vector<ImportWarning>& changes) {
  std::ostringstream out;
  out << "# " << options.title << ": reactions of " << mech.file
      << "; rate constants in molecules cm^-3 and s, their names in RATES.DAT\n# k\treaction\tsource\n";
  records = 0;
  int companions = 0, losses = 0;
  for (const McmReaction& r : mech.reactions) {
    const std::string source = "line " + std::to_string(r.line);
    if (r.products.empty()) {
      // The reaction grammar needs a product: the loss goes to the held sink.
      ++losses;
      ++records;
      const std::string line = r.rate + '\t' + SideText(r.reactants) + " ==> " + sink + '\t' + source + ", no products";
      CheckLength(line, mech.file + ", line " + std::to_string(r.line), "the reaction");
      out << line << '\n';
      continue;
    }
    const std::vector<Side> parts = ProductGroups(r);
    companions += static_cast<int>(parts.size()) - 1;
    for (size_t p = 0; p < parts.size(); ++p) {
      const std::string line = r.rate + '\t' + SideText(r.reactants) + " ==> " + SideText(parts[p]) + '\t' + source +
                               (p > 0 ? ", companion " + std::to_string(p) : "");
      CheckLength(line, mech.file + ", line " + std::to_string(r.line), "the reaction");
      out << line << '\n';
      ++records;
    }
  }
  if (companions > 0)
    changes.push_back({mech.file, 0,
                       std::to_string(companions) + " companion reaction(s) carry the products beyond the first " +
                           std::to_string(kMaxProducts)});
  if (losses > 0)
    changes.push_back(
        {mech.file, 0, std::to_string(losses) + " reaction(s) without products give them to " + sink + ", held at 0"});
  return out.str();
}

std::string SpeciesFile(const McmMechanism& mech, const McmOptions& options, const std::string& sink) {
  std::map<std::string, double> initial;
  std::map<std::string, std::optional<double>> held;
  const std::set<std::string> known(mech.species.begin(), mech.species.end());
  auto check = [&](const SpeciesValue& v) {
    if (!known.count(v.name)) throw ImportError(v.file, v.line, "species \"" + v.name + "\" is not in the mechanism");
    if (v.value && !(*v.value >= 0.0))
      throw ImportError(v.file, v.line, "the concentration of " + v.name + " must not be negative");
  };
  for (const SpeciesValue& v : options.initial) {
    check(v);
    if (!v.value) throw ImportError(v.file, v.line, "species " + v.name + " has no initial concentration");
    initial[v.name] = *v.value;
  }
  for (const SpeciesValue& v : options.constant) {
    check(v);
    held[v.name] = v.value;
  }
  // The fixed species of a KPP mechanism are held, at the value given.
  for (const std::string& name : mech.fixed)
    if (known.count(name) && !held.count(name)) held[name] = std::nullopt;
  std::ostringstream out;
  out << "# " << options.title << ": " << mech.species.size() << " species of " << mech.file
      << "; concentrations in molecules cm^-3\n"
      << "# Species\tResidence\tInitial\tDisplay Output\tExternal\tSSA ?\tConstant File?\n"
      << "#\tTime in CSTR(s)\tConc.\t(Y/N) ?\tConc.\t(Y/N)\t(Filename/#/No)\n";
  for (const std::string& name : mech.species) {
    auto i = initial.find(name);
    double value = i != initial.end() ? i->second : 0.0;
    std::string hold = "N";
    auto h = held.find(name);
    if (h != held.end()) {
      if (h->second) {
        value = *h->second;
      } else if (i == initial.end()) {
        const bool fixed = std::find(mech.fixed.begin(), mech.fixed.end(), name) != mech.fixed.end();
        throw ImportError(fixed ? mech.file : "--constant", 0,
                          "species " + name + (fixed ? " is fixed (#DEFFIX)" : " is held constant") +
                              " but no value is given (--constant NAME value, or --initial)");
      }
      hold = Concentration(value);
    }
    out << name << "\t0\t" << Concentration(value) << "\tY\t0\tN\t" << hold << '\n';
  }
  if (!sink.empty()) out << sink << "\t0\t0\tN\t0\tN\t0\n";
  return out.str();
}

std::string ParameterFile(const McmOptions& options) {
  const double step = options.output_step > 0.0 ? options.output_step : options.span / 100.0;
  std::ostringstream out;
  out << "# " << options.title << "\n# TSTEP(s)\tTSTEP2(s)\tEa units\tConc. units\t-\n"
      << "1.0E-10\t" << Num(step) << "\tKELVIN\tMOLECULES/CM^3\t0\n"
      << "# Temperature(K)\tConst. P\tVolume\t-\t-\n"
      << Num(options.temperature) << "\tNO\t0\t0\t0\n"
      << "# Days\tHours\tMinutes\tSeconds\tPicoseconds\n0\t0\t0\t" << Num(options.span) << "\t0\n"
      << "# hv file\thv dt(s)\tPercent diff.\tAccuracy\t-\n"
      << "None1\t1\t1\t" << Num(options.accuracy) << "\t0\n0\t0\t0\t0\t0\n";
  return out.str();
}

std::string RateFile(const McmMechanism& mech, const McmOptions& options) {
  std::ostringstream out;
  out << "# " << options.title << ": conditions and rate coefficients of " << mech.file << "\n"
      << "# SET name value | SUM name species... | DEFINE name expression | J number l m n\n";
  out << "SET\tPRESSURE\t" << Num(options.pressure) << '\n';
  if (options.h2o) out << "SET\tH2O\t" << Concentration(*options.h2o) << '\n';
  if (options.rh) out << "SET\tRH\t" << Num(*options.rh) << '\n';
  if (options.latitude) out << "SET\tLATITUDE\t" << Num(*options.latitude) << '\n';
  if (options.longitude) out << "SET\tLONGITUDE\t" << Num(*options.longitude) << '\n';
  if (!options.start.empty()) out << "SET\tSTART\t" << options.start << '\n';
  if (options.declination) out << "SET\tDECLINATION\t" << Num(*options.declination) << '\n';
  if (options.jfactor) out << "SET\tJFACTOR\t" << Num(*options.jfactor) << '\n';
  // Sums first: a definition may use one given further down the mechanism.
  // A long list goes on several lines of the same name, which add up.
  constexpr size_t kSumLine = 300;
  for (const McmSum& s : mech.sums) {
    const std::string head = "SUM\t" + s.name + '\t';
    std::string line = head;
    for (const std::string& name : s.species) {
      if (line.size() > head.size() && line.size() + 1 + name.size() > kSumLine) {
        out << line << '\n';
        line = head;
      }
      line += (line.size() > head.size() ? " " : "") + name;
    }
    out << (line.size() > head.size() ? line : "SUM\t" + s.name) << '\n';
  }
  for (const McmDefinition& d : mech.definitions) {
    const std::string line = "DEFINE\t" + d.name + '\t' + d.expression;
    CheckLength(line, d.file + ", line " + std::to_string(d.line), "the definition of " + d.name);
    out << line << '\n';
  }
  for (const McmPhotolysis& p : mech.photolysis) {
    if (!std::binary_search(mech.j_used.begin(), mech.j_used.end(), p.number)) continue;
    out << "J\t" << p.number << '\t' << p.l << '\t' << p.m << '\t' << p.n << '\n';
  }
  return out.str();
}

bool Uses(const McmMechanism& mech, const std::string& name) {
  auto has = [&](const std::vector<std::string>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  return std::any_of(mech.reactions.begin(), mech.reactions.end(),
                     [&](const McmReaction& r) { return has(r.names); }) ||
         std::any_of(mech.definitions.begin(), mech.definitions.end(),
                     [&](const McmDefinition& d) { return has(d.names); });
}

void CheckOptions(const McmOptions& o) {
  auto within = [](const char* option, double v, double low, double high) {
    if (!(v >= low && v <= high))
      throw ImportError(option, 0, Num(v) + " is not between " + Num(low) + " and " + Num(high));
  };
  if (!(o.temperature > 0.0)) throw ImportError("--temperature", 0, "must be positive");
  if (!(o.pressure > 0.0)) throw ImportError("--pressure", 0, "must be positive");
  if (!(o.span > 0.0)) throw ImportError("--time", 0, "must be positive");
  if (o.h2o && o.rh) throw ImportError("--h2o", 0, "give the water either as --h2o or as --rh, not both");
  if (o.h2o && !(*o.h2o >= 0.0)) throw ImportError("--h2o", 0, "must not be negative");
  if (o.rh) within("--rh", *o.rh, 0.0, 100.0);
  if (o.latitude) within("--latitude", *o.latitude, -90.0, 90.0);
  if (o.longitude) within("--longitude", *o.longitude, -180.0, 180.0);
  if (o.declination) within("--declination", *o.declination, -90.0, 90.0);
  if (o.jfactor && !(*o.jfactor >= 0.0)) throw ImportError("--jfac", 0, "must not be negative");
  if (!o.start.empty() && !IsStartTime(o.start))
    throw ImportError("--start", 0, "\"" + o.start + "\" is not a UTC date and time YYYY-MM-DDTHH:MM:SS");
}

}  // namespace

std::vector<SpeciesValue> ReadSpeciesValues(const std::string& text, const std::string& file, bool value_required) {
  std::vector<SpeciesValue> rows;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::vector<std::string> fields = Tokens(line);
    if (fields.empty() || fields[0][0] == '#' || fields[0][0] == '!') continue;
    SpeciesValue row{fields[0], std::nullopt, file, number};
    if (fields.size() > 2) throw ImportError(file, number, "a row holds a species name and its concentration, no more");
    if (fields.size() == 2) {
      double v = 0.0;
      if (!ParseNumber(fields[1], v) || !std::isfinite(v))
        throw ImportError(file, number, "\"" + fields[1] + "\" is not a number");
      row.value = v;
    } else if (value_required) {
      throw ImportError(file, number, "species " + fields[0] + " has no concentration");
    }
    rows.push_back(row);
  }
  return rows;
}

bool IsStartTime(const std::string& t) {
  if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':') return false;
  for (size_t k : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
    if (t[k] < '0' || t[k] > '9') return false;
  const int year = std::stoi(t.substr(0, 4)), month = std::stoi(t.substr(5, 2)), day = std::stoi(t.substr(8, 2));
  const int hour = std::stoi(t.substr(11, 2)), minute = std::stoi(t.substr(14, 2)), second = std::stoi(t.substr(17, 2));
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return day <= days[month - 1];
}

FileSet TranslateMcmMechanism(const McmMechanism& mech, const McmOptions& options,
                              std::vector<ImportWarning>* changes) {
  CheckOptions(options);
  std::vector<ImportWarning> made;
  const bool losses = std::any_of(mech.reactions.begin(), mech.reactions.end(),
                                  [](const McmReaction& r) { return r.products.empty(); });
  const std::string sink = losses ? SinkName(mech) : "";
  const Capacity cap = options.extra_large ? kXlCapacity : kLargeCapacity;
  const std::string build = options.extra_large ? "the extra-large build (tarnavel_xl)" : "the large build";
  const int species = static_cast<int>(mech.species.size()) + (losses ? 1 : 0);
  if (species + 2 > cap.max_species)
    throw ImportError(mech.file, 0,
                      std::to_string(species) + " species; " + build + " holds " + std::to_string(cap.max_species - 2) +
                          (options.extra_large ? "" : " (--for xl: tarnavel_xl holds more)"));
  int records = 0;
  FileSet files;
  files.emplace_back("MODEL.DAT", ModelFile(mech, options, sink, records, made));
  if (records > cap.max_reactions)
    throw ImportError(mech.file, 0,
                      std::to_string(records) + " reactions with their companions; " + build + " holds " +
                          std::to_string(cap.max_reactions));
  files.emplace_back("SPECIES.DAT", SpeciesFile(mech, options, sink));
  files.emplace_back("PARM.DAT", ParameterFile(options));
  files.emplace_back("RATES.DAT", RateFile(mech, options));
  const bool dark = options.jfactor && *options.jfactor == 0.0;
  if (!mech.j_used.empty() && !dark && (!options.latitude || !options.longitude || options.start.empty()))
    made.push_back({mech.file, 0,
                    "the mechanism has photolysis rates, but not all of --latitude, --longitude and "
                    "--start are given"});
  if (Uses(mech, "H2O") && !options.h2o && !options.rh)
    made.push_back({mech.file, 0, "rate constants use H2O, but neither --h2o nor --rh is given"});
  if (changes != nullptr) changes->insert(changes->end(), made.begin(), made.end());
  return files;
}

}  // namespace tarnavel::import
