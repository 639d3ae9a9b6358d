#include "import/model_files.hpp"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

#include "core/capacity.hpp"
#include "core/fortran_format.hpp"

namespace tarnavel::import {

namespace {

constexpr double kAvogadro = 6.02214076e23;           // 1/mol
constexpr double kGasConstant = 8.314462618;          // J/(mol K)
constexpr double kCalorie = 4.184;                    // J
constexpr double kKelvinPerElectronVolt = 11604.51812;  // e/k

// Shortest text that reads back as the same double.
std::string Shortest(double v) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, end);
}

}  // namespace

double GasConstantIn(const std::string& units) {
  if (units == "KCAL/MOLE") return kGasConstant / kCalorie / 1000.0;
  if (units == "JOULES/MOLE") return kGasConstant;
  if (units == "KJOULES/MOLE") return kGasConstant / 1000.0;
  if (units == "KELVINS") return 1.0;
  if (units == "EVOLTS") return 1.0 / kKelvinPerElectronVolt;
  return kGasConstant / kCalorie;
}

namespace {

double Order(const Side& side) {
  double order = 0.0;
  for (const auto& item : side) order += item.first;
  return order;
}

// A number as written, or converted (and then written to full precision).
std::string Value(const Number& n, double factor) {
  return factor == 1.0 ? n.text : Shortest(n.value * factor);
}

std::string SideText(const Side& side) {
  std::string text;
  for (const auto& [coeff, name] : side) {
    if (!text.empty()) text += " + ";
    if (coeff != 1.0) text += Shortest(coeff);
    text += name;
  }
  return text;
}

// The bracket group of a third-body or fall-off reaction, or "".
std::string BracketGroup(const Mechanism& mech, const Reaction& r, double energy, double a_low_factor) {
  std::vector<std::string> fields;
  std::string prefix;
  if (r.third_body == ThirdBody::kFallOff) {
    const char* keyword = !r.troe.empty() ? "TROE" : !r.sri.empty() ? "SRI" : "LIN";
    fields = {keyword, Value(r.low.a, a_low_factor), r.low.b.text, Value(r.low.e, energy)};
    for (const Number& n : !r.troe.empty() ? r.troe : r.sri) fields.push_back(n.text);
    if (!r.falloff_collider.empty()) {
      // (+AR): that species alone is the third body.
      prefix = "-";
      fields.push_back(r.falloff_collider + "(1)");
    }
  } else if (r.third_body != ThirdBody::kPlain) {
    return "";
  }
  for (const auto& [name, value] : r.efficiencies) fields.push_back(name + "(" + value.text + ")");
  if (fields.empty()) fields.push_back(mech.species.front() + "(1)");  // every efficiency 1: [M] itself
  std::string group = " + M[" + prefix;
  for (size_t k = 0; k < fields.size(); ++k) group += (k ? ";" : "") + fields[k];
  return group + "]";
}

// Products beyond the side's limit ride on companion reactions: the same reactants
// and rate law, the reactants given back as products, and up to as many new
// products as slots remain. Each companion's rate equals the reaction's, so
// every species receives exactly the reaction's rate times its coefficient.
std::vector<Side> ProductGroups(const Reaction& r) {
  std::vector<Side> groups(1);
  for (const auto& item : r.products) {
    if (groups.back().size() >= static_cast<size_t>(kMaxProducts)) groups.push_back(r.reactants);
    groups.back().push_back(item);
  }
  return groups;
}

// The rows under a PLOG or Chebyshev reaction. PLOG rows go in increasing
// pressure, rows at one pressure kept together and in their order (they are
// summed); a table written out of order is sorted and the change named. A in
// the files' unit is A times a_factor; log10 k of a fit gains log10(a_factor)
// through its constant term alone, the coefficient of T0(T~) T0(P~) = 1.
std::string TableRows(const Mechanism& mech, const Reaction& r, double energy, double a_factor,
                      std::vector<ImportWarning>& changes) {
  std::vector<std::string> rows;
  if (!r.plog.empty()) {
    auto table = r.plog;
    auto lower = [](const std::array<Number, 4>& x, const std::array<Number, 4>& y) { return x[0].value < y[0].value; };
    if (!std::is_sorted(table.begin(), table.end(), lower)) {
      std::stable_sort(table.begin(), table.end(), lower);
      changes.push_back({mech.file, r.line, "the PLOG rows of line " + std::to_string(r.line) +
                                                " sorted by increasing pressure"});
    }
    for (const auto& [p, a, b, e] : table)
      rows.push_back("PLOG\t" + p.text + '\t' + Value(a, a_factor) + '\t' + b.text + '\t' + Value(e, energy));
  } else {
    rows.push_back("TCHEB\t" + r.tmin.text + '\t' + r.tmax.text);
    rows.push_back("PCHEB\t" + r.pmin.text + '\t' + r.pmax.text);
    for (int i = 0; i < r.cheb_t; ++i) {
      std::string row = "CHEB";
      for (int j = 0; j < r.cheb_p; ++j) {
        const Number& c = r.cheb[static_cast<size_t>(i * r.cheb_p + j)];
        row += '\t' + (i == 0 && j == 0 && a_factor != 1.0 ? Shortest(c.value + std::log10(a_factor)) : c.text);
      }
      rows.push_back(row);
    }
  }
  std::string text;
  for (const std::string& row : rows) {
    // The readers of the model description file cut a longer line short.
    if (row.size() > static_cast<size_t>(kLineLength))
      throw ImportError(mech.file, r.line, "a " + row.substr(0, row.find('\t')) + " row of " + std::to_string(row.size()) +
                                               " characters; a line of the model description file holds " +
                                               std::to_string(kLineLength));
    text += row + '\n';
  }
  return text;
}

std::string ModelFile(const Mechanism& mech, const ImportOptions& options, int& records, int& groups,
                      std::vector<ImportWarning>& changes) {
  std::ostringstream out;
  out << "# " << options.title << ": reactions of " << mech.file
      << "; A in " << options.units << " and s; Ea as E/R in K\n# A\tm\tEa/R\treaction\tsource\n";
  records = groups = 0;
  int companions = 0, zero_reverses = 0;
  for (const Reaction& r : mech.reactions) {
    // Activation energies are written as activation temperatures E/R, so that
    // the rate constants do not depend on the gas constant of any energy unit.
    const double energy = 1.0 / GasConstantIn(EnergyUnitOf(mech, r));
    // A in molecules becomes A in moles, one Avogadro factor per order above
    // the first, and then A in the files' concentration unit.
    const bool molecules = InMolecules(mech, r);
    const double plain = r.third_body == ThirdBody::kPlain ? 1.0 : 0.0;
    const double scale = UnitsPerMolePerCubicCentimetre(options.units);
    auto per_mole = [&](double order) {
      return (molecules ? std::pow(kAvogadro, order - 1.0) : 1.0) * std::pow(scale, 1.0 - order);
    };
    const double forward_order = Order(r.reactants) + plain, reverse_order = Order(r.products) + plain;
    const std::string group = BracketGroup(mech, r, energy, per_mole(Order(r.reactants) + 1.0));
    const std::string source = "line " + std::to_string(r.line);
    const std::string notes = r.duplicate ? ", duplicate" : "";
    const std::vector<Side> parts = ProductGroups(r);
    companions += static_cast<int>(parts.size()) - 1;
    if (!r.plog.empty() || r.chebyshev) {
      // The table gives the whole rate constant k: the reaction line carries
      // the factor 1 on it, the rows follow, under every companion too. A
      // reversible one takes its reverse from thermodynamics.
      const std::string rows = TableRows(mech, r, energy, per_mole(Order(r.reactants)), changes);
      const std::string kind = r.chebyshev ? ", CHEB" : ", PLOG";
      for (size_t p = 0; p < parts.size(); ++p) {
        out << "1\t" << SideText(r.reactants) << (r.reversible ? " = " : " ==> ") << SideText(parts[p]) << '\t'
            << source << kind << notes << (p > 0 ? ", companion " + std::to_string(p) : "") << '\n'
            << rows;
      }
      const int written = static_cast<int>(parts.size()) + (r.reversible ? 1 : 0);
      records += written;
      groups += written;
      continue;
    }
    const bool explicit_reverse = r.reversible && r.has_rev;
    // A reverse given as REV with A = 0 has no rate: only the forward reaction is written.
    const bool zero_reverse = explicit_reverse && r.rev.a.value == 0.0;
    const char* arrow = r.reversible && !explicit_reverse ? " = " : " ==> ";
    for (size_t p = 0; p < parts.size(); ++p) {
      out << Value(r.k.a, per_mole(forward_order)) << '\t' << r.k.b.text << '\t' << Value(r.k.e, energy) << '\t'
          << SideText(r.reactants) << group << arrow << SideText(parts[p]) << '\t' << source << notes
          << (p > 0 ? ", companion " + std::to_string(p) : "") << '\n';
    }
    const int written = static_cast<int>(parts.size()) + (r.reversible && !zero_reverse ? 1 : 0);
    records += written;
    if (!group.empty()) groups += written;
    if (zero_reverse) ++zero_reverses;
    if (explicit_reverse && !zero_reverse) {
      out << Value(r.rev.a, per_mole(reverse_order)) << '\t' << r.rev.b.text << '\t' << Value(r.rev.e, energy) << '\t'
          << SideText(r.products) << group << " ==> " << SideText(r.reactants) << '\t' << source << notes << ", REV\n";
    }
  }
  if (companions > 0)
    changes.push_back({mech.file, 0, std::to_string(companions) +
                                         " companion reaction(s) carry the products beyond the first " + std::to_string(kMaxProducts)});
  if (zero_reverses > 0)
    changes.push_back({mech.file, 0, std::to_string(zero_reverses) +
                                         " reverse reaction(s) given as REV with A = 0 not written (no rate)"});
  return out.str();
}

std::string SpeciesFile(const Mechanism& mech, const ImportOptions& options) {
  double total = 0.0;
  for (const auto& [name, x] : options.mixture) {
    if (std::find(mech.species.begin(), mech.species.end(), name) == mech.species.end())
      throw ImportError("mixture", 0, "species \"" + name + "\" is not in the mechanism");
    if (!(x >= 0.0)) throw ImportError("mixture", 0, "mole fraction of " + name + " must not be negative");
    total += x;
  }
  if (!options.mixture.empty() && !(total > 0.0)) throw ImportError("mixture", 0, "the mole fractions add up to 0");
  const double c = MolesPerCubicCentimetre(options.temperature, options.pressure) *
                   UnitsPerMolePerCubicCentimetre(options.units);
  std::ostringstream out;
  out << "# " << options.title << ": " << Shortest(options.temperature) << " K, " << Shortest(options.pressure)
      << " Pa, " << options.units << "\n"
      << "# Species\tResidence\tInitial\tDisplay Output\tExternal\tSSA ?\tConstant File?\n"
      << "#\tTime in CSTR(s)\tConc.\t(Y/N) ?\tConc.\t(Y/N)\t(Filename/#/No)\n";
  for (const std::string& name : mech.species) {
    double x = 0.0;
    for (const auto& [m, fraction] : options.mixture)
      if (m == name) x += fraction;
    out << name << "\t0\t" << fmt::E(total > 0.0 ? c * x / total : 0.0, 22, 15) << "\tY\t0\tN\tN\n";
  }
  return out.str();
}

std::string ParameterFile(const ImportOptions& options) {
  const double step = options.output_step > 0.0 ? options.output_step : options.span / 100.0;
  std::ostringstream out;
  out << "# " << options.title << "\n# TSTEP(s)\tTSTEP2(s)\tEa units\tConc. units\t-\n"
      << "1.0E-10\t" << Shortest(step) << "\tKELVIN\t" << options.units << "\t0\n"
      << "# Temperature(K)\tConst. P\tVolume\t-\t-\n"
      << Shortest(options.temperature) << '\t' << (options.constant_pressure ? "YES" : "NO") << "\t0\t0\t0\n"
      << "# Days\tHours\tMinutes\tSeconds\tPicoseconds\n0\t0\t0\t" << Shortest(options.span) << "\t0\n"
      << "# hv file\thv dt(s)\tPercent diff.\tAccuracy\t-\n"
      << "None1\t1\t1\t" << Shortest(options.accuracy) << "\t0\n0\t0\t0\t0\t0\n";
  return out.str();
}

std::string DescriptionFile(const ImportOptions& options) {
  return "# database file\tINPUT descriptors\tMAP descriptors\tDATABASE SPECIAL SWITCHES\tspecies reserved\tcomment\n" +
         options.database +
         "\tF18:IG6:F20:F1:F10:F10:F8:NL:F15:F15:F15:F15:F15:NL:F15:F15:F15:F15:F15:NL:F15:F15:F15:F15"
         "\tSP:CMW:PH:LT:HT:CT:HA1:HA2:HA3:HA4:HA5:HA6:HA7:LA1:LA2:LA3:LA4:LA5:LA6:LA7\tU1234\nEND\n";
}

}  // namespace

double UnitsPerMolePerCubicCentimetre(const std::string& units) {
  if (units == "MOLES/CM^3") return 1.0;
  if (units == "MOLES/L") return 1000.0;
  if (units == "MOLECULES/CM^3") return kAvogadro;
  return 0.0;
}

double MolesPerCubicCentimetre(double t, double p) { return p / (kGasConstant * t) * 1.0e-6; }

FileSet TranslateMechanism(const Mechanism& mech, const ImportOptions& options, std::vector<ImportWarning>* changes) {
  std::vector<ImportWarning> made;
  const Capacity cap = kLargeCapacity;
  if (static_cast<int>(mech.species.size()) + 2 > cap.max_species)
    throw ImportError(mech.file, 0, std::to_string(mech.species.size()) + " species; the large build holds " +
                                         std::to_string(cap.max_species - 2));
  for (const std::string& name : mech.species) {
    // The reaction grammar reserves these characters and names.
    const bool reserved = name == "M" || name == "m" || name == "HV" || name == "hv" ||
                          name.find_first_of("=[];\"\t ") != std::string::npos ||
                          std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '+' || name[0] == '-';
    if (reserved) throw ImportError(mech.file, 0, "species name \"" + name + "\" cannot be written in the reaction grammar");
  }
  if (UnitsPerMolePerCubicCentimetre(options.units) == 0.0)
    throw ImportError("--units", 0, "\"" + options.units + "\" is not MOLES/CM^3, MOLES/L or MOLECULES/CM^3");
  if (!(options.temperature > 0.0) || !(options.pressure > 0.0) || !(options.span > 0.0))
    throw ImportError("options", 0, "temperature, pressure and time span must be positive");
  int records = 0, groups = 0;
  FileSet files;
  files.emplace_back("MODEL.DAT", ModelFile(mech, options, records, groups, made));
  if (records > cap.max_reactions)
    throw ImportError(mech.file, 0, std::to_string(records) + " reactions with their reverses; the large build holds " +
                                         std::to_string(cap.max_reactions));
  if (groups > cap.max_special)
    throw ImportError(mech.file, 0, std::to_string(groups) +
                                         " third-body, fall-off, PLOG and Chebyshev reactions with their reverses; "
                                         "the large build holds " + std::to_string(cap.max_special));
  files.emplace_back("SPECIES.DAT", SpeciesFile(mech, options));
  files.emplace_back("PARM.DAT", ParameterFile(options));
  files.emplace_back("THERM.DAT", DescriptionFile(options));
  files.emplace_back(options.database, ThermoDatabase(mech));
  if (changes != nullptr) changes->insert(changes->end(), made.begin(), made.end());
  return files;
}

void WriteFileSet(const FileSet& files, const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  // A missing folder is made, with its missing parents; they go again when
  // the files cannot be written.
  std::vector<fs::path> made;
  for (fs::path p = dir; !p.empty() && !fs::exists(p); p = p.parent_path()) {
    made.push_back(p);
    if (p == p.parent_path()) break;
  }
  std::error_code made_ec;
  fs::create_directories(dir, made_ec);
  if (made_ec) throw ImportError(dir.string(), 0, "the folder cannot be made: " + made_ec.message());
  std::vector<fs::path> written;
  auto discard = [&]() {
    std::error_code ec;
    for (const fs::path& p : written) fs::remove(p, ec);
    for (const fs::path& p : made) fs::remove(p, ec);  // innermost first; a folder that is not empty stays
  };
  for (const auto& [name, content] : files) {
    const fs::path temporary = dir / (name + ".import-tmp");
    std::ofstream out(temporary, std::ios::binary);
    out << content;
    out.close();
    written.push_back(temporary);
    if (!out) {
      discard();
      throw ImportError((dir / name).string(), 0, "cannot be written");
    }
  }
  for (const auto& [name, content] : files) {
    std::error_code ec;
    fs::rename(dir / (name + ".import-tmp"), dir / name, ec);
    if (ec) {
      discard();
      throw ImportError((dir / name).string(), 0, "cannot be written: " + ec.message());
    }
  }
}

}  // namespace tarnavel::import
