// Independent integration of a combustion model folder for the benchmark: an
// adiabatic vessel at constant volume or constant pressure, integrated with
// CVODE's variable-order BDF method, Newton iteration and the KLU sparse
// direct solver. It reads the folder's PARM.DAT, SPECIES.DAT, MODEL.DAT,
// THERM.DAT and the NASA database THERM.DAT names with readers of its own.
//
//   cvode_thermo_peer <folder> [rtol [atol]]     integrate (rtol 1e-8)
//   cvode_thermo_peer <folder> --equilibrium     adiabatic equilibrium
//
// Integration writes PEER.TXT into the folder, one line per species (name,
// TAB, final value) and a last line `Temperature(K)`, and prints
//   steps <n> rhs <n> jacobians <n> factorisations <n>
// The values are those the program's CONC.TXT shows: concentrations at
// constant volume, amounts per initial volume (concentration times V/V0) at
// constant pressure. rhs counts CVODE's evaluations and the three each
// Jacobian makes.
//
// The state is the amount of every species per initial volume, N, the
// temperature T and the total amount. At constant pressure the volume follows the ideal-gas law,
// V/V0 = (sum N) T / ((sum N0) T0), and the enthalpy sum N H(T) is kept; at
// constant volume the internal energy sum N U(T), U = H - RT. The rate laws
// see the concentrations N/(V/V0):
//   - mass action of forward and reverse reactions, k = A T^m exp(-Ea/RT);
//   - the reverse constant of a reversible `=` reaction is kf/Kc, with
//     Kc = exp(-sum nu G/RT) (P0/RT)^(sum nu), P0 = 1 atm, in the model's
//     concentration unit; third-body and fall-off terms stay in kf;
//   - third bodies with efficiencies (`M[...]`, only the listed colliders
//     with `M[-...]`), a bare `M` item as the total concentration;
//   - Lindemann, Troe and SRI fall-off; PLOG and Chebyshev tables at the gas
//     pressure P = [M] R T (constant at constant pressure), the reaction
//     line's number multiplying the table;
//   - NASA seven-coefficient polynomials, the low range up to the common
//     temperature.
// The constants are R = 8.314462618 J/(mol K) for activation energies, the
// program's own 82.057 atm cm^3/(mol K) in Kc and 8314.51 kPa cm^3/(mol K)
// for the gas pressure, 1 atm = 101325 Pa and the thermochemical calorie,
// 4.184 J.
//
// The total amount of gas is integrated beside the species amounts (it
// stays their sum): [M], the gas pressure and the volume then depend on the
// composition through that one variable. The Jacobian is exact but for
// rounding: the species columns are the derivatives of the rates by the
// concentrations, colliders included; the temperature and total columns are
// forward differences of the right-hand side; their rows in the species
// columns follow from the energy balance and the sum of the species. Its
// pattern is that of the reactions plus full temperature and total rows
// and columns.
//
// Tolerances: rtol as given; the absolute tolerance of every species is
// atol times the initial total concentration of the gas, atol defaulting to
// rtol x 1e-12 (1e-20 at rtol 1e-8). A species at 1e-12 of the total, the
// smallest one the benchmark compares, is then still held to about rtol,
// while the radicals that vanish after the burn-out are not chased below
// that floor. The temperature is held to rtol alone.
//
// --equilibrium: the chemical equilibrium over all species of the model at
// the element amounts of the initial mixture and at the enthalpy and
// pressure (constant pressure) or the internal energy and volume (constant
// volume) of the initial state, by element potentials. Writes
// EQUILIBRIUM.TXT in the PEER.TXT layout and prints
//   equilibrium <temperature in K>
// Species holding an element the initial mixture lacks are left out.
//
// Anything the reader does not handle (profiles, CSTR, held species, ppm,
// radiation, Landau-Teller, other database layouts) is reported on stderr in
// one line and ends the program with status 2.

#include <cvode/cvode.h>
#include <nvector/nvector_serial.h>
#include <sundials/sundials_context.h>
#include <sunlinsol/sunlinsol_klu.h>
#include <sunmatrix/sunmatrix_sparse.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kGasConstant = 8.314462618;  // J/(mol K)
// The program's own gas constants, so that a comparison measures the
// integration and not the constants: R'T = 82.057 T atm cm^3/mol in the
// equilibrium constant, and P = [M] 8314.51 T kPa cm^3/mol for the pressure
// tables. Both differ from the CODATA value by about 5e-6.
constexpr double kEquilibriumGasConstant = 82.057 * 0.101325;  // J/(mol K)
constexpr double kPressureGasConstant = 8.31451;                // J/(mol K)
constexpr double kAtmosphere = 101325.0;      // Pa
constexpr double kAvogadro = 6.02214076e23;   // 1/mol
constexpr double kCalorie = 4.184;            // J

[[noreturn]] void Unsupported(const std::string& why) {
  std::fprintf(stderr, "cvode_thermo_peer: %s\n", why.c_str());
  std::exit(2);
}

std::string Squeeze(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\r') out += c;
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Free-format number with an exponent letter E, e, D or d; a blank after
// the exponent letter stands for `+` (`0.869E 01`).
bool ToNumber(const std::string& field, double& value) {
  std::string s = Trim(field);
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if ((s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd') && s[i + 1] == ' ') s[i + 1] = '+';
  s = Squeeze(s);
  if (s.empty() || s.find_first_not_of("0123456789.+-EeDd") != std::string::npos) return false;
  for (char& c : s)
    if (c == 'D' || c == 'd') c = 'E';
  char* end = nullptr;
  value = std::strtod(s.c_str(), &end);
  return *end == '\0';
}

double Number(const std::string& field, const std::string& what) {
  double v = 0.0;
  if (!ToNumber(field, v)) Unsupported(what + " is not a plain number: '" + field + "'");
  return v;
}

// The data lines of a tab-delimited description file, split into fields.
// Blank and comment lines (first field starting with # or ") are skipped; an
// END line ends the data. An empty field between two adjacent tabs ends the
// record, and blank fields are dropped.
std::vector<std::vector<std::string>> DataLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) Unsupported("cannot open " + path);
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > 350) line.resize(350);
    const auto first = line.find_first_not_of(" \r");
    if (first == std::string::npos) continue;
    const std::string head = Upper(line.substr(first, 3));
    if (head == "END") break;
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
      const size_t tab = line.find('\t', pos);
      std::string field = line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos);
      if (field.empty() && tab != std::string::npos && !fields.empty()) break;
      field = Trim(field);
      if (!field.empty()) fields.push_back(field);
      if (tab == std::string::npos) break;
      pos = tab + 1;
    }
    if (fields.empty() || fields[0][0] == '#' || fields[0][0] == '"') continue;
    if (line.find('\t') == std::string::npos) Unsupported(path + ": fields not separated by tabs");
    lines.push_back(fields);
  }
  return lines;
}

// ---------------------------------------------------------------- model --

struct Item {
  int species;
  double nu;
};

enum class Law { kMassAction, kThirdBody, kLindemann, kTroe, kSri, kPlog, kChebyshev };

struct Reaction {
  std::string text;
  double a = 1.0, m = 0.0, ea = 0.0;  // k = a T^m exp(-ea/(R T)); a alone for a constant
  bool reversible = false;
  std::vector<Item> reactants, products;
  double m_reactant = 0.0, m_product = 0.0;  // coefficient of a bare M on either side
  Law law = Law::kMassAction;
  bool listed_only = false;                       // M[-...]: only the listed colliders count
  std::vector<std::pair<int, double>> colliders;  // species and efficiency
  std::array<double, 3> low{};                    // low-pressure limit A, m, Ea
  std::array<double, 5> shape{};                  // Troe alpha, T***, T*, T**; SRI a, b, c, d, e
  int shape_count = 0;
  std::vector<double> plog_pressure;                        // atm, rising
  std::vector<std::vector<std::array<double, 3>>> plog_rows;  // A, m, Ea per level
  double tmin = 300.0, tmax = 2500.0, pmin = 0.001, pmax = 100.0;
  std::vector<std::vector<double>> cheb;  // a(i, j): temperature order i, pressure order j
};

struct Nasa {
  double t_common = 1000.0;
  std::array<double, 7> low{}, high{};
  std::map<std::string, double> atoms;
};

struct Model {
  double span = 600.0;
  double t0 = 298.15;
  bool constant_pressure = false;
  double rgas = kGasConstant;  // in the energy unit of Ea, per kelvin
  double conc_factor = 1.0;    // mol/m^3 per model concentration unit
  std::vector<std::string> names;
  std::vector<double> initial;
  std::vector<Reaction> reactions;
  std::vector<Nasa> thermo;
};

int SpeciesIndex(Model& m, const std::string& name, bool add) {
  auto it = std::find(m.names.begin(), m.names.end(), name);
  if (it != m.names.end()) return static_cast<int>(it - m.names.begin());
  if (!add) return -1;
  m.names.push_back(name);
  m.initial.push_back(0.0);
  return static_cast<int>(m.names.size()) - 1;
}

void ReadParameters(const std::string& folder, Model& m) {
  const auto lines = DataLines(folder + "/PARM.DAT");
  if (lines.size() != 5) Unsupported("PARM.DAT does not have five data lines");
  for (const auto& f : lines)
    if (f.size() != 5) Unsupported("PARM.DAT line without five fields");
  std::string energy = Upper(Squeeze(lines[0][2]));
  double scale = 1.0;
  if (energy.rfind("KILO", 0) == 0) {
    energy.erase(0, 4);
    scale = 1.0e-3;
  } else if (energy == "KJ" || energy == "KCAL") {
    energy.erase(0, 1);
    scale = 1.0e-3;
  }
  if (energy == "J" || energy == "0" || energy.rfind("JOULE", 0) == 0) m.rgas = kGasConstant * scale;
  else if (energy == "CAL" || energy.rfind("CALORIE", 0) == 0) m.rgas = kGasConstant / kCalorie * scale;
  else if (energy.rfind("KELV", 0) == 0) m.rgas = scale;
  else Unsupported("energy unit " + lines[0][2]);
  const std::string units = Upper(Squeeze(lines[0][3]));
  if (units == "0" || units == "MOLES/LITER" || units == "MOL/L" || units == "MOL./L" || units == "MOL/LITER" ||
      units == "MOLES/L")
    m.conc_factor = 1.0e3;
  else if (units == "1" || units == "MOLECULES/CM^3" || units == "MOLEC/CM^3" || units == "1/CM^3" ||
           units == "MOLECULES/CC" || units == "MOLEC/CC" || units == "1/CC")
    m.conc_factor = 1.0e6 / kAvogadro;
  else if (units == "3" || units == "MOLES/CM^3" || units == "MOLES/CC")
    m.conc_factor = 1.0e6;
  else
    Unsupported("concentration unit " + lines[0][3]);
  if (!ToNumber(lines[1][0], m.t0)) Unsupported("temperature profile");
  if (m.t0 <= 0.0) Unsupported("temperature not above 0 K");
  m.constant_pressure = Upper(lines[1][1]).rfind("YES", 0) == 0;
  double volume = 0.0;
  if (Squeeze(lines[1][2]).size() >= 3 && !ToNumber(lines[1][2], volume)) Unsupported("volume profile");
  const double factor[5] = {86400.0, 3600.0, 60.0, 1.0, 1.0e-12};
  m.span = 0.0;
  for (int i = 0; i < 5; ++i) m.span += factor[i] * Number(lines[2][i], "simulation time");
  if (m.span == 0.0) m.span = 600.0;
  if (Upper(Squeeze(lines[3][0])).rfind("NONE", 0) != 0) Unsupported("radiation file");
}

// A name as the species table holds it: blanks gone, a trailing {tag} cut.
std::string SpeciesName(std::string name) {
  name = Squeeze(name);
  if (!name.empty() && name.back() == '}' && name.find('{') != std::string::npos) name.erase(name.find('{'));
  return name;
}

void ReadSpecies(const std::string& folder, Model& m) {
  for (const auto& f : DataLines(folder + "/SPECIES.DAT")) {
    if (f.size() < 6 || f.size() > 8) Unsupported("SPECIES.DAT line with " + std::to_string(f.size()) + " fields");
    const std::string name = SpeciesName(f[0]);
    if (Upper(name) == "M" || Upper(name) == "HV") continue;  // reserved names
    if (Number(f[1], "residence time") != 0.0 || Number(f[4], "external concentration") != 0.0)
      Unsupported("CSTR species " + name);
    if (Upper(f[6])[0] != 'N') Unsupported("held or profile species " + name);
    if (SpeciesIndex(m, name, false) >= 0) Unsupported("duplicate species " + name);
    SpeciesIndex(m, name, true);
    m.initial.back() = Number(f[2], "initial concentration");
  }
}

// Charge signs at the right end of a name (`Cl+++`, `e-`) are told from the
// `+` between items: in a run of signs followed by a name every sign but the
// last is a charge; a run before the arrow, a tag or the end of the text is
// all charge. Charge signs become the markers 1 and 2.
void MarkCharges(std::string& t) {
  for (size_t i = 1; i < t.size(); ++i) {
    if (t[i] != '+' && t[i] != '-') continue;
    size_t end = i;
    while (end < t.size() && (t[end] == '+' || t[end] == '-' || t[end] == '"')) ++end;
    size_t last = end - 1;
    while (t[last] != '+' && t[last] != '-') --last;
    const bool all = end == t.size() || t[end] == '=' || t[end] == '{';
    for (size_t k = i; k < end; ++k)
      if ((t[k] == '+' || t[k] == '-') && (all || k != last)) t[k] = t[k] == '+' ? '\1' : '\2';
    i = end - 1;
  }
}

// One side of a reaction: items cut at `+`, each an optional coefficient
// (digits and points) and a name; repeated species are merged.
void ReadSide(const std::string& text, Model& m, std::vector<Item>& items, double& third_body,
              const std::string& reaction) {
  size_t pos = 0;
  for (;;) {
    const size_t plus = text.find('+', pos);
    std::string item = text.substr(pos, plus == std::string::npos ? std::string::npos : plus - pos);
    double nu = 1.0;
    const size_t digits = item.find_first_not_of("0123456789.");
    if (digits == std::string::npos) Unsupported("empty item in " + reaction);
    if (digits > 0) {
      nu = std::strtod(item.substr(0, digits).c_str(), nullptr);
      item.erase(0, digits);
    }
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"') item = item.substr(1, item.size() - 2);
    for (char& c : item) {
      if (c == '\1') c = '+';
      if (c == '\2') c = '-';
    }
    item = SpeciesName(item);
    if (item.empty() || nu <= 0.0) Unsupported("empty item in " + reaction);
    if (Upper(item) == "HV") Unsupported("radiation in " + reaction);
    if (Upper(item) == "M") {
      third_body += nu;
    } else {
      const int s = SpeciesIndex(m, item, true);
      auto same = std::find_if(items.begin(), items.end(), [s](const Item& i) { return i.species == s; });
      if (same != items.end()) same->nu += nu;
      else items.push_back({s, nu});
    }
    if (plus == std::string::npos) break;
    pos = plus + 1;
  }
}

// The content of a bracket group: LIN, TROE or SRI with their numbers, or
// none for a plain third body, then NAME(efficiency) items.
void ReadGroup(std::string body, Model& m, Reaction& r) {
  if (!body.empty() && body[0] == '-') {
    r.listed_only = true;
    body.erase(0, 1);
  }
  std::vector<std::string> fields;
  size_t pos = 0;
  for (;;) {
    const size_t semi = body.find(';', pos);
    fields.push_back(body.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos));
    if (semi == std::string::npos) break;
    pos = semi + 1;
  }
  const std::string key = Upper(fields[0]);
  size_t f = 0;
  int required = 0, optional = 0;
  if (key == "LT") Unsupported("Landau-Teller reaction " + r.text);
  if (key == "LIN") r.law = Law::kLindemann, required = 3;
  else if (key == "TROE") r.law = Law::kTroe, required = 6, optional = 1;
  else if (key == "SRI") r.law = Law::kSri, required = 6, optional = 2;
  else r.law = Law::kThirdBody;
  if (r.law != Law::kThirdBody) {
    f = 1;
    if (fields.size() < 1 + static_cast<size_t>(required)) Unsupported("fall-off parameters of " + r.text);
    std::vector<double> numbers;
    double v = 0.0;
    for (int k = 0; k < required + optional && f < fields.size() && ToNumber(fields[f], v); ++k, ++f)
      numbers.push_back(v);
    if (numbers.size() < static_cast<size_t>(required)) Unsupported("fall-off parameters of " + r.text);
    for (int k = 0; k < 3; ++k) r.low[k] = numbers[k];
    r.shape_count = static_cast<int>(numbers.size()) - 3;
    for (int k = 0; k < r.shape_count; ++k) r.shape[k] = numbers[3 + k];
  }
  for (; f < fields.size(); ++f) {
    const std::string& e = fields[f];
    const size_t open = e.find('(');
    if (open == std::string::npos || e.back() != ')') Unsupported("efficiency '" + e + "' in " + r.text);
    const int s = SpeciesIndex(m, SpeciesName(e.substr(0, open)), false);
    if (s < 0) Unsupported("collider " + e + " is no species");
    r.colliders.push_back({s, Number(e.substr(open + 1, e.size() - open - 2), "efficiency")});
  }
}

Reaction ParseReaction(std::string t, Model& m) {
  Reaction r;
  t = Squeeze(t);
  r.text = t;
  size_t arrows = 0;
  for (size_t p = t.find("==>"); p != std::string::npos; p = t.find("==>", p + 3)) ++arrows;
  if (arrows > 1) Unsupported("two arrows in " + t);
  r.reversible = arrows == 0;
  if (r.reversible && std::count(t.begin(), t.end(), '=') != 1) Unsupported("no single arrow in " + t);
  for (const char letter : {'M', 'S'}) {
    const std::string head{letter, '['};
    size_t begin = 0;
    const bool at_start = t.compare(0, 2, head) == 0;
    if (!at_start) {
      begin = t.find("+" + head);
      if (begin == std::string::npos) continue;
    }
    const size_t open = t.find('[', begin), close = t.find(']', open);
    if (close == std::string::npos) Unsupported("unclosed bracket group in " + t);
    ReadGroup(t.substr(open + 1, close - open - 1), m, r);
    size_t cut_end = close + 1;
    if (at_start && cut_end < t.size() && t[cut_end] == '+') ++cut_end;
    t.erase(begin, cut_end - begin);
    break;
  }
  MarkCharges(t);
  const std::string arrow = r.reversible ? "=" : "==>";
  const size_t at = t.find(arrow);
  ReadSide(t.substr(0, at), m, r.reactants, r.m_reactant, r.text);
  ReadSide(t.substr(at + arrow.size()), m, r.products, r.m_product, r.text);
  if (r.reactants.empty() || r.products.empty()) Unsupported("no reactant or no product in " + r.text);
  return r;
}

void ReadReactions(const std::string& folder, Model& m) {
  for (const auto& f : DataLines(folder + "/MODEL.DAT")) {
    const std::string key = Upper(f[0]);
    if (key == "PLOG" || key == "TCHEB" || key == "PCHEB" || key == "CHEB") {
      if (m.reactions.empty()) Unsupported("table row before any reaction");
      Reaction& r = m.reactions.back();
      std::vector<double> v;
      for (size_t i = 1; i < f.size(); ++i) v.push_back(Number(f[i], key + " row"));
      if (key == "PLOG") {
        if (v.size() != 4 || r.law == Law::kChebyshev) Unsupported("PLOG row of " + r.text);
        r.law = Law::kPlog;
        if (!r.plog_pressure.empty() && v[0] < r.plog_pressure.back()) Unsupported("PLOG pressures not rising");
        if (r.plog_pressure.empty() || v[0] != r.plog_pressure.back()) {
          r.plog_pressure.push_back(v[0]);
          r.plog_rows.emplace_back();
        }
        r.plog_rows.back().push_back({v[1], v[2], v[3]});
      } else {
        if (r.law == Law::kPlog) Unsupported("PLOG and Chebyshev rows under " + r.text);
        r.law = Law::kChebyshev;
        if (key == "TCHEB" && v.size() == 2) r.tmin = v[0], r.tmax = v[1];
        else if (key == "PCHEB" && v.size() == 2) r.pmin = v[0], r.pmax = v[1];
        else if (key == "CHEB" && !v.empty()) r.cheb.push_back(v);
        else Unsupported(key + " row of " + r.text);
      }
      continue;
    }
    if (f.size() < 2 || f.size() > 5) Unsupported("MODEL.DAT line with " + std::to_string(f.size()) + " fields");
    const bool arrhenius = f.size() >= 4;
    Reaction r = ParseReaction(f[arrhenius ? 3 : 1], m);
    r.a = Number(f[0], "rate constant");
    if (arrhenius) {
      r.m = Number(f[1], "temperature exponent");
      r.ea = Number(f[2], "activation energy");
    }
    if (r.a == 0.0) Unsupported("rate constant 0 in " + r.text);
    m.reactions.push_back(r);
  }
  if (m.reactions.empty()) Unsupported("no reactions");
  for (const Reaction& r : m.reactions) {
    if (r.law == Law::kChebyshev) {
      if (r.cheb.empty()) Unsupported("Chebyshev table without CHEB rows: " + r.text);
      for (const auto& row : r.cheb)
        if (row.size() != r.cheb[0].size()) Unsupported("ragged Chebyshev table: " + r.text);
    }
    if ((r.law == Law::kPlog || r.law == Law::kChebyshev) && (r.m != 0.0 || r.ea != 0.0 || !r.colliders.empty()))
      Unsupported("pressure table with Arrhenius numbers or third bodies: " + r.text);
  }
}

// The classic four-line NASA layout, the only one read here.
constexpr const char* kNasaInput =
    "F18:IG6:F20:F1:F10:F10:F8:NL:F15:F15:F15:F15:F15:NL:F15:F15:F15:F15:F15:NL:F15:F15:F15:F15";
constexpr const char* kNasaMap = "SP:CMW:PH:LT:HT:CT:HA1:HA2:HA3:HA4:HA5:HA6:HA7:LA1:LA2:LA3:LA4:LA5:LA6:LA7";

// Element symbol and count from a five-character group of a NASA record.
void AddAtoms(const std::string& group, std::map<std::string, double>& atoms) {
  if (group.size() < 5) return;
  const std::string symbol = Upper(Squeeze(group.substr(0, 2)));
  double count = 0.0;
  if (symbol.empty() || !ToNumber(group.substr(2, 3), count) || count == 0.0) return;
  atoms[symbol] += count;
}

std::map<std::string, Nasa> ReadDatabase(const std::string& path) {
  std::ifstream in(path);
  if (!in) Unsupported("cannot open the database " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string head = Upper(line.substr(0, 5));
    if (head.find("END") != std::string::npos && head.find("END") <= 2) break;
    lines.push_back(line);
  }
  std::map<std::string, Nasa> out;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.size() < 80 || l[79] != '1') continue;
    // The record's further lines are those numbered 2, 3 and 4 in column 80.
    std::array<std::string, 3> more;
    size_t j = i + 1;
    for (int k = 0; k < 3; ++k) {
      while (j < lines.size() && (lines[j].size() < 80 || lines[j][79] != '2' + k)) ++j;
      if (j == lines.size()) Unsupported("incomplete NASA record in " + path);
      more[k] = lines[j++];
    }
    Nasa n;
    double coeff[14];
    for (int k = 0; k < 14; ++k) coeff[k] = Number(more[k / 5].substr((k % 5) * 15, 15), "NASA coefficient");
    for (int k = 0; k < 7; ++k) {
      n.high[k] = coeff[k];
      n.low[k] = coeff[7 + k];
    }
    n.t_common = Number(l.substr(65, 8), "common temperature");
    for (int k = 0; k < 4; ++k) AddAtoms(l.substr(24 + 5 * k, 5), n.atoms);
    AddAtoms(l.substr(73, 5), n.atoms);  // a fifth element, where a record has one
    const std::string name = Trim(l.substr(0, 18));
    const std::string first = name.substr(0, name.find_first_of(" \t"));
    out.emplace(first, n);  // the first record of a name counts
    i = j - 1;
  }
  return out;
}

void ReadThermo(const std::string& folder, Model& m) {
  std::vector<std::map<std::string, Nasa>> databases;
  for (const auto& f : DataLines(folder + "/THERM.DAT")) {
    if (f.size() < 4 || f.size() > 6) Unsupported("THERM.DAT row with " + std::to_string(f.size()) + " fields");
    if (Squeeze(f[1]) != kNasaInput || Squeeze(f[2]) != kNasaMap || Upper(Squeeze(f[3])) != "U1234")
      Unsupported("database " + f[0] + " not in the four-line NASA layout");
    if (f.size() >= 5 && !Squeeze(f[4]).empty()) Unsupported("species reserved to a database");
    databases.push_back(ReadDatabase(folder + "/" + Squeeze(f[0])));
  }
  m.thermo.resize(m.names.size());
  for (size_t s = 0; s < m.names.size(); ++s) {
    bool found = false;
    for (const auto& db : databases) {
      const auto it = db.find(m.names[s]);
      if (it == db.end()) continue;
      m.thermo[s] = it->second;
      found = true;
      break;
    }
    if (!found) Unsupported("no thermodynamic data for " + m.names[s]);
  }
}

// ------------------------------------------------------------ the system --

// Integer powers by multiplication; other powers of a negative value, which
// integration noise can produce, count as 0.
double Power(double c, double nu) {
  if (nu == 1.0) return c;
  if (nu == 0.0) return 1.0;
  if (nu == 2.0) return c * c;
  if (nu == 3.0) return c * c * c;
  if (nu == std::floor(nu) && nu > 0.0 && nu <= 8.0) {
    double p = c;
    for (int i = 1; i < static_cast<int>(nu); ++i) p *= c;
    return p;
  }
  return c > 0.0 ? std::pow(c, nu) : 0.0;
}

struct Thermo {
  double h_rt, s_r, cp_r;
};

Thermo Properties(const Nasa& n, double t, double log_t) {
  const auto& a = t <= n.t_common ? n.low : n.high;
  Thermo p;
  p.cp_r = a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
  p.h_rt = a[0] + t * (a[1] / 2 + t * (a[2] / 3 + t * (a[3] / 4 + t * a[4] / 5))) + a[5] / t;
  p.s_r = a[0] * log_t + t * (a[1] + t * (a[2] / 2 + t * (a[3] / 3 + t * a[4] / 4))) + a[6];
  return p;
}

// The state is the species amounts (positions 0..n-1), the temperature
// (n) and the total amount of gas (n+1), all per initial volume. The total
// is integrated beside the species, whose sum it equals, so that [M], the
// gas pressure and the volume depend on one variable: the Jacobian then
// holds every coupling through them in one full row and column, and stays
// sparse.
struct System {
  const Model* model = nullptr;
  int n = 0;             // species
  double amount0 = 0.0;  // initial total gas amount per initial volume
  std::vector<int> item_begin;  // per reaction: its reactant items, then its product items
  std::vector<int> product_begin;
  std::vector<int> item_species;
  std::vector<double> item_nu;
  std::vector<int> effect_begin, effect_species;  // net changes per reaction
  std::vector<double> effect_nu;
  std::vector<double> delta_nu;  // net change of the amount of gas per reaction
  // The Jacobian in compressed rows: every row ends with the temperature and
  // total columns, and the temperature and total rows are full.
  std::vector<sunindextype> row_begin, column;
  std::vector<int> slot;           // per (reaction, item, effect): position in the matrix data
  std::vector<int> collider_slot;  // per (reaction, collider, effect)
  // Work arrays of the last evaluation.
  std::vector<double> c, energy, heat_capacity, g, kf, kr, meff, mult_f, mult_r, net_rate, f0, f1, y1;
  double tdot = 0.0, heat_capacity_sum = 0.0, total = 0.0, p_atm = 0.0;
  long extra_rhs = 0;
};

bool UsesThirdBody(const Reaction& r) {
  return r.law == Law::kThirdBody || r.law == Law::kLindemann || r.law == Law::kTroe || r.law == Law::kSri;
}

System Compile(const Model& m) {
  System s;
  s.model = &m;
  const int n = s.n = static_cast<int>(m.names.size());
  for (double c : m.initial) s.amount0 += c;
  std::vector<std::vector<sunindextype>> pattern(n + 2);
  for (int i = 0; i < n + 2; ++i) pattern[i].push_back(i);
  s.effect_begin.push_back(0);
  for (const Reaction& r : m.reactions) {
    s.item_begin.push_back(static_cast<int>(s.item_species.size()));
    for (const Item& i : r.reactants) s.item_species.push_back(i.species), s.item_nu.push_back(i.nu);
    s.product_begin.push_back(static_cast<int>(s.item_species.size()));
    for (const Item& i : r.products) s.item_species.push_back(i.species), s.item_nu.push_back(i.nu);
    std::map<int, double> net;
    for (const Item& i : r.reactants) net[i.species] -= i.nu;
    for (const Item& i : r.products) net[i.species] += i.nu;
    double dn = 0.0;
    for (const auto& [species, nu] : net) {
      dn += nu;
      if (nu == 0.0) continue;
      s.effect_species.push_back(species);
      s.effect_nu.push_back(nu);
      for (const Item& i : r.reactants) pattern[species].push_back(i.species);
      if (r.reversible)
        for (const Item& i : r.products) pattern[species].push_back(i.species);
      for (const auto& [collider, efficiency] : r.colliders) pattern[species].push_back(collider);
    }
    s.delta_nu.push_back(dn);
    s.effect_begin.push_back(static_cast<int>(s.effect_species.size()));
  }
  s.item_begin.push_back(static_cast<int>(s.item_species.size()));
  for (int i = 0; i < n; ++i) pattern[i].insert(pattern[i].end(), {n, n + 1});
  for (int k = 0; k < n + 2; ++k) pattern[n].push_back(k), pattern[n + 1].push_back(k);
  s.row_begin.push_back(0);
  for (auto& row : pattern) {
    std::sort(row.begin(), row.end());
    row.erase(std::unique(row.begin(), row.end()), row.end());
    s.column.insert(s.column.end(), row.begin(), row.end());
    s.row_begin.push_back(static_cast<sunindextype>(s.column.size()));
  }
  auto position = [&](int row, int col) {
    const auto first = s.column.begin() + s.row_begin[row], last = s.column.begin() + s.row_begin[row + 1];
    return static_cast<int>(std::lower_bound(first, last, col) - s.column.begin());
  };
  for (size_t r = 0; r < m.reactions.size(); ++r) {
    const int last_item = m.reactions[r].reversible ? s.item_begin[r + 1] : s.product_begin[r];
    for (int a = s.item_begin[r]; a < last_item; ++a)
      for (int e = s.effect_begin[r]; e < s.effect_begin[r + 1]; ++e)
        s.slot.push_back(position(s.effect_species[e], s.item_species[a]));
    for (const auto& [collider, efficiency] : m.reactions[r].colliders)
      for (int e = s.effect_begin[r]; e < s.effect_begin[r + 1]; ++e)
        s.collider_slot.push_back(position(s.effect_species[e], collider));
  }
  const size_t nr = m.reactions.size();
  for (auto* v : {&s.c, &s.energy, &s.heat_capacity, &s.g}) v->assign(n, 0.0);
  for (auto* v : {&s.kf, &s.kr, &s.meff, &s.mult_f, &s.mult_r, &s.net_rate}) v->assign(nr, 0.0);
  for (auto* v : {&s.f0, &s.f1, &s.y1}) v->assign(n + 2, 0.0);
  return s;
}

double PlogLevel(const std::vector<std::array<double, 3>>& rows, double t, double rgas) {
  double k = 0.0;
  for (const auto& row : rows) k += row[0] * std::pow(t, row[1]) * std::exp(-row[2] / (rgas * t));
  return std::log(std::max(k, 1.0e-300));
}

// ln k of a PLOG table: ln k linear in ln P between the levels, the end
// levels outside them.
double PlogLogRate(const Reaction& r, double t, double p, double rgas) {
  const auto& pr = r.plog_pressure;
  const size_t n = pr.size();
  if (p <= pr[0]) return PlogLevel(r.plog_rows[0], t, rgas);
  if (p >= pr[n - 1]) return PlogLevel(r.plog_rows[n - 1], t, rgas);
  const size_t i = static_cast<size_t>(std::upper_bound(pr.begin(), pr.end(), p) - pr.begin()) - 1;
  const double l1 = PlogLevel(r.plog_rows[i], t, rgas), l2 = PlogLevel(r.plog_rows[i + 1], t, rgas);
  return l1 + (l2 - l1) * std::log(p / pr[i]) / std::log(pr[i + 1] / pr[i]);
}

// log10 k of a Chebyshev table in reduced inverse temperature and reduced
// log pressure, both clipped to the table's ranges.
double ChebyshevLog10Rate(const Reaction& r, double t, double p) {
  t = std::clamp(t, r.tmin, r.tmax);
  p = std::clamp(p, r.pmin, r.pmax);
  const double x = (2.0 / t - 1.0 / r.tmin - 1.0 / r.tmax) / (1.0 / r.tmax - 1.0 / r.tmin);
  const double y = (2.0 * std::log10(p) - std::log10(r.pmin) - std::log10(r.pmax)) /
                   (std::log10(r.pmax) - std::log10(r.pmin));
  const size_t nt = r.cheb.size(), np = r.cheb[0].size();
  std::vector<double> ty(np, 1.0);
  if (np > 1) ty[1] = y;
  for (size_t j = 2; j < np; ++j) ty[j] = 2.0 * y * ty[j - 1] - ty[j - 2];
  double sum = 0.0, tx_prev = 0.0, tx = 1.0;
  for (size_t i = 0; i < nt; ++i) {
    if (i == 1) {
      tx_prev = 1.0;
      tx = x;
    } else if (i > 1) {
      const double next = 2.0 * x * tx - tx_prev;
      tx_prev = tx;
      tx = next;
    }
    double row = 0.0;
    for (size_t j = 0; j < np; ++j) row += r.cheb[i][j] * ty[j];
    sum += tx * row;
  }
  return sum;
}

// The forward rate constant at temperature t, effective third-body
// concentration meff and pressure p_atm.
double ForwardConstant(const Reaction& r, double t, double meff, double p_atm, double rgas) {
  double k = r.a;
  if (r.m != 0.0) k *= std::pow(t, r.m);
  if (r.ea != 0.0) k *= std::exp(-r.ea / (rgas * t));
  switch (r.law) {
    case Law::kMassAction:
      return k;
    case Law::kThirdBody:
      return k * meff;
    case Law::kPlog:
      return k * std::exp(PlogLogRate(r, t, p_atm, rgas));
    case Law::kChebyshev:
      return k * std::pow(10.0, ChebyshevLog10Rate(r, t, p_atm));
    default:
      break;
  }
  // Fall-off between the low-pressure limit k0 [M] and the high-pressure k.
  const double k0 = r.low[0] * std::pow(t, r.low[1]) * std::exp(-r.low[2] / (rgas * t));
  const double pr = k0 * meff / k;
  if (pr <= 0.0) return 0.0;
  double broadening = 1.0;
  if (r.law == Law::kTroe) {
    const double alpha = r.shape[0], t3 = r.shape[1], t1 = r.shape[2];
    double fcent = (t3 != 0.0 ? (1.0 - alpha) * std::exp(-t / t3) : 0.0) +
                   (t1 != 0.0 ? alpha * std::exp(-t / t1) : 0.0);
    if (r.shape_count > 3 && r.shape[3] != 0.0) fcent += std::exp(-r.shape[3] / t);
    const double lf = std::log10(std::max(fcent, 1.0e-300));
    const double c = -0.4 - 0.67 * lf, nn = 0.75 - 1.27 * lf;
    const double x = std::log10(pr) + c;
    const double f1 = x / (nn - 0.14 * x);
    broadening = std::pow(10.0, lf / (1.0 + f1 * f1));
  } else if (r.law == Law::kSri) {
    const double lp = std::log10(pr);
    broadening = std::pow(r.shape[0] * std::exp(-r.shape[1] / t) + std::exp(-t / r.shape[2]), 1.0 / (1.0 + lp * lp));
    if (r.shape_count > 3) broadening *= r.shape[3] * (r.shape_count > 4 ? std::pow(t, r.shape[4]) : 1.0);
  }
  return k * pr / (1.0 + pr) * broadening;
}

// The right-hand side at the state y into f; leaves the concentrations, rate
// constants and properties of that state in the work arrays.
void Evaluate(System& s, const double* y, double* f) {
  const Model& m = *s.model;
  const int n = s.n;
  const double t = y[n], amount = y[n + 1];
  const double log_t = std::log(t);
  // The volume per initial volume from the gas law at constant pressure.
  const double v = m.constant_pressure ? amount * t / (s.amount0 * m.t0) : 1.0;
  s.total = amount / v;
  for (int i = 0; i < n; ++i) {
    s.c[i] = y[i] / v;
    const Thermo p = Properties(m.thermo[i], t, log_t);
    s.g[i] = p.h_rt - p.s_r;
    s.energy[i] = m.constant_pressure ? p.h_rt * t : (p.h_rt - 1.0) * t;  // H/R or U/R, K
    s.heat_capacity[i] = m.constant_pressure ? p.cp_r : p.cp_r - 1.0;
  }
  // P0/RT in the model's unit, and the gas pressure in atm.
  const double ln_standard = std::log(kAtmosphere / (kEquilibriumGasConstant * t) / m.conc_factor);
  s.p_atm = s.total * m.conc_factor * kPressureGasConstant * t / kAtmosphere;
  for (int i = 0; i < n + 2; ++i) f[i] = 0.0;
  for (size_t j = 0; j < m.reactions.size(); ++j) {
    const Reaction& r = m.reactions[j];
    double meff = 0.0;
    if (UsesThirdBody(r)) {
      meff = r.listed_only ? 0.0 : s.total;
      for (const auto& [species, efficiency] : r.colliders)
        meff += (r.listed_only ? efficiency : efficiency - 1.0) * s.c[species];
    }
    s.meff[j] = meff;
    const double k = s.kf[j] = ForwardConstant(r, t, meff, s.p_atm, m.rgas);
    const int begin = s.item_begin[j], mid = s.product_begin[j], end = s.item_begin[j + 1];
    s.mult_f[j] = r.m_reactant != 0.0 ? Power(s.total, r.m_reactant) : 1.0;
    double forward = k * s.mult_f[j];
    for (int a = begin; a < mid; ++a) forward *= Power(s.c[s.item_species[a]], s.item_nu[a]);
    double reverse = 0.0;
    if (r.reversible) {
      double ln_kc = s.delta_nu[j] * ln_standard;
      for (int e = s.effect_begin[j]; e < s.effect_begin[j + 1]; ++e)
        ln_kc -= s.effect_nu[e] * s.g[s.effect_species[e]];
      s.kr[j] = k * std::exp(std::min(-ln_kc, 700.0));
      s.mult_r[j] = r.m_product != 0.0 ? Power(s.total, r.m_product) : 1.0;
      reverse = s.kr[j] * s.mult_r[j];
      for (int a = mid; a < end; ++a) reverse *= Power(s.c[s.item_species[a]], s.item_nu[a]);
    }
    s.net_rate[j] = forward - reverse;
    const double q = s.net_rate[j] * v;
    for (int e = s.effect_begin[j]; e < s.effect_begin[j + 1]; ++e) f[s.effect_species[e]] += s.effect_nu[e] * q;
  }
  double release = 0.0, capacity = 0.0, change = 0.0;
  for (int i = 0; i < n; ++i) {
    release += s.energy[i] * f[i];
    capacity += y[i] * s.heat_capacity[i];
    change += f[i];
  }
  s.heat_capacity_sum = capacity;
  s.tdot = f[n] = -release / capacity;
  f[n + 1] = change;
}

int Rhs(sunrealtype, N_Vector yv, N_Vector fv, void* data) {
  Evaluate(*static_cast<System*>(data), N_VGetArrayPointer(yv), N_VGetArrayPointer(fv));
  return 0;
}

// The species columns from the derivatives of the rates with respect to the
// concentrations and, through the colliders, to [M]; the temperature and
// total columns by forward differences; the temperature and total rows of
// the species columns from the energy balance and the sum of the species.
int Jacobian(sunrealtype, N_Vector yv, N_Vector, SUNMatrix jac, void* data, N_Vector, N_Vector, N_Vector) {
  System& s = *static_cast<System*>(data);
  const Model& m = *s.model;
  const int n = s.n;
  const double* y = N_VGetArrayPointer(yv);
  std::copy(s.row_begin.begin(), s.row_begin.end(), SUNSparseMatrix_IndexPointers(jac));
  std::copy(s.column.begin(), s.column.end(), SUNSparseMatrix_IndexValues(jac));
  double* values = SUNSparseMatrix_Data(jac);
  std::fill(values, values + s.column.size(), 0.0);
  Evaluate(s, y, s.f0.data());
  size_t p = 0, pc = 0;
  for (size_t j = 0; j < m.reactions.size(); ++j) {
    const Reaction& r = m.reactions[j];
    const int begin = s.item_begin[j], mid = s.product_begin[j];
    const int end = r.reversible ? s.item_begin[j + 1] : mid;
    for (int a = begin; a < end; ++a) {
      const bool forward = a < mid;
      const int first = forward ? begin : mid, last = forward ? mid : s.item_begin[j + 1];
      double d = forward ? s.kf[j] * s.mult_f[j] : -s.kr[j] * s.mult_r[j];
      d *= s.item_nu[a] * Power(s.c[s.item_species[a]], s.item_nu[a] - 1.0);
      for (int b = first; b < last; ++b)
        if (b != a) d *= Power(s.c[s.item_species[b]], s.item_nu[b]);
      for (int e = s.effect_begin[j]; e < s.effect_begin[j + 1]; ++e) values[s.slot[p++]] += s.effect_nu[e] * d;
    }
    if (r.colliders.empty()) continue;
    // The rate is k(meff) times a function of the concentrations: its
    // derivative by meff is the net rate times dk/dmeff / k.
    const double meff = s.meff[j], k = s.kf[j];
    const double h = 1.0e-7 * std::max(std::fabs(meff), 1.0e-3 * s.total);
    const double dk = ForwardConstant(r, y[n], meff + h, s.p_atm, m.rgas) - k;
    const double drate = k != 0.0 ? s.net_rate[j] * dk / (h * k) : 0.0;
    for (const auto& [collider, efficiency] : r.colliders) {
      const double weight = drate * (r.listed_only ? efficiency : efficiency - 1.0);
      for (int e = s.effect_begin[j]; e < s.effect_begin[j + 1]; ++e)
        values[s.collider_slot[pc++]] += s.effect_nu[e] * weight;
    }
  }
  // Temperature row: d(dT/dt)/dN_k = -(sum_s e_s J_sk + dT/dt c_k) / C;
  // total row: sum_s J_sk.
  const sunindextype t_row = s.row_begin[n], z_row = s.row_begin[n + 1];
  for (int i = 0; i < n; ++i)
    for (sunindextype q = s.row_begin[i]; q < s.row_begin[i + 1] - 2; ++q) {
      values[t_row + s.column[q]] += s.energy[i] * values[q];
      values[z_row + s.column[q]] += values[q];
    }
  for (int k = 0; k < n; ++k)
    values[t_row + k] = -(values[t_row + k] + s.tdot * s.heat_capacity[k]) / s.heat_capacity_sum;
  // The temperature and total columns, the last two of every row.
  for (int column = n; column <= n + 1; ++column) {
    std::copy(y, y + n + 2, s.y1.begin());
    const double h = 1.0e-7 * std::fabs(y[column]);
    s.y1[column] += h;
    Evaluate(s, s.y1.data(), s.f1.data());
    const int back = n + 2 - column;  // 2 for the temperature, 1 for the total
    for (int i = 0; i < n + 2; ++i) values[s.row_begin[i + 1] - back] = (s.f1[i] - s.f0[i]) / h;
  }
  s.extra_rhs += 3;
  return 0;
}

void Check(int flag, const char* what) {
  if (flag < 0) {
    std::fprintf(stderr, "cvode_thermo_peer: %s failed with flag %d\n", what, flag);
    std::exit(1);
  }
}

void WriteState(const std::string& path, const Model& m, const std::vector<double>& amounts, double t) {
  std::FILE* out = std::fopen(path.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "cvode_thermo_peer: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  for (size_t i = 0; i < m.names.size(); ++i) std::fprintf(out, "%s\t%.17g\n", m.names[i].c_str(), amounts[i]);
  std::fprintf(out, "Temperature(K)\t%.17g\n", t);
  std::fclose(out);
}

// ---------------------------------------------------------- equilibrium --

// Gaussian elimination with partial pivoting of a small dense system.
std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> b) {
  const size_t n = b.size();
  for (size_t col = 0; col < n; ++col) {
    size_t best = col;
    for (size_t r = col + 1; r < n; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[best][col])) best = r;
    std::swap(a[col], a[best]);
    std::swap(b[col], b[best]);
    for (size_t r = col + 1; r < n; ++r) {
      const double f = a[r][col] / a[col][col];
      for (size_t k = col; k < n; ++k) a[r][k] -= f * a[col][k];
      b[r] -= f * b[col];
    }
  }
  std::vector<double> x(n);
  for (size_t r = n; r-- > 0;) {
    double sum = b[r];
    for (size_t k = r + 1; k < n; ++k) sum -= a[r][k] * x[k];
    x[r] = sum / a[r][r];
  }
  return x;
}

struct Equilibrium {
  const Model& m;
  std::vector<std::string> elements;
  std::vector<double> b;                      // element amounts per initial volume
  std::vector<int> species;                   // the species taking part
  std::vector<std::vector<double>> atoms;     // per taking part, per element
  std::vector<double> lambda;                 // element potentials of the last solution
  std::vector<double> amount;                 // per model species

  explicit Equilibrium(const Model& model) : m(model) {
    std::map<std::string, double> totals;
    for (size_t i = 0; i < m.names.size(); ++i)
      for (const auto& [element, count] : m.thermo[i].atoms) totals[element] += count * m.initial[i];
    for (const auto& [element, total] : totals)
      if (total > 0.0) elements.push_back(element), b.push_back(total);
    for (size_t i = 0; i < m.names.size(); ++i) {
      std::vector<double> row(elements.size(), 0.0);
      bool inside = !m.thermo[i].atoms.empty();
      for (const auto& [element, count] : m.thermo[i].atoms) {
        const auto at = std::find(elements.begin(), elements.end(), element);
        if (at == elements.end()) inside = false;
        else row[at - elements.begin()] = count;
      }
      if (inside) species.push_back(static_cast<int>(i)), atoms.push_back(row);
    }
    lambda.assign(elements.size(), 0.0);
    amount.assign(m.names.size(), 0.0);
  }

  // The composition at temperature t in the volume v (per initial volume)
  // that minimises the Helmholtz energy at the element amounts: with the
  // element potentials lambda, n_i = v c0 exp(-G_i/RT + sum_j a_ij lambda_j),
  // which minimise the convex function sum_i n_i - sum_j b_j lambda_j.
  // Newton's method with a backtracking line search.
  void AtVolume(double t, double v) {
    const size_t ne = elements.size(), ns = species.size();
    const double ln_c0 = std::log(v * kAtmosphere / (kEquilibriumGasConstant * t) / m.conc_factor);
    std::vector<double> base(ns);
    for (size_t i = 0; i < ns; ++i) {
      const Thermo p = Properties(m.thermo[species[i]], t, std::log(t));
      base[i] = ln_c0 - (p.h_rt - p.s_r);
    }
    double total_b = 0.0;
    for (double x : b) total_b += x;
    auto objective = [&](const std::vector<double>& l, std::vector<double>* n) {
      double sum = 0.0;
      for (size_t i = 0; i < ns; ++i) {
        double e = base[i];
        for (size_t j = 0; j < ne; ++j) e += atoms[i][j] * l[j];
        if (e > 700.0) return HUGE_VAL;
        const double x = std::exp(e);
        if (n) (*n)[i] = x;
        sum += x;
      }
      for (size_t j = 0; j < ne; ++j) sum -= b[j] * l[j];
      return sum;
    };
    // Unless the last potentials give no species more than the total amount
    // of elements, a start at which none does.
    std::vector<double> n(ns);
    double largest = -HUGE_VAL;
    for (size_t i = 0; i < ns; ++i) {
      double e = base[i];
      for (size_t j = 0; j < ne; ++j) e += atoms[i][j] * lambda[j];
      largest = std::max(largest, e);
    }
    if (!(largest <= std::log(total_b))) {
      double start = HUGE_VAL;
      for (size_t i = 0; i < ns; ++i) {
        double atoms_in = 0.0;
        for (double a : atoms[i]) atoms_in += a;
        start = std::min(start, (std::log(total_b) - base[i]) / atoms_in);
      }
      lambda.assign(ne, start);
    }
    double phi = objective(lambda, &n);
    for (int iteration = 0; iteration < 500; ++iteration) {
      std::vector<double> grad(ne, 0.0);
      std::vector<std::vector<double>> hess(ne, std::vector<double>(ne, 0.0));
      for (size_t i = 0; i < ns; ++i)
        for (size_t j = 0; j < ne; ++j) {
          grad[j] += atoms[i][j] * n[i];
          for (size_t k = 0; k < ne; ++k) hess[j][k] += atoms[i][j] * atoms[i][k] * n[i];
        }
      double worst = 0.0;
      for (size_t j = 0; j < ne; ++j) {
        grad[j] -= b[j];
        worst = std::max(worst, std::fabs(grad[j]) / b[j]);
      }
      if (worst < 1.0e-14) break;
      // Far from the solution most amounts vanish and the Hessian is nearly
      // singular: a small ridge keeps the direction one of descent, and no
      // potential moves by more than 5 in one step.
      std::vector<double> minus(ne);
      for (size_t j = 0; j < ne; ++j) {
        minus[j] = -grad[j];
        hess[j][j] += 1.0e-10 * total_b;
      }
      std::vector<double> step = Solve(hess, minus);
      double longest = 0.0;
      for (double d : step) longest = std::max(longest, std::fabs(d));
      if (longest > 5.0)
        for (double& d : step) d *= 5.0 / longest;
      double slope = 0.0;
      for (size_t j = 0; j < ne; ++j) slope += grad[j] * step[j];
      double alpha = 1.0;
      std::vector<double> trial(ne), n_trial(ns);
      bool moved = false;
      for (int halving = 0; halving < 60 && !moved; ++halving, alpha *= 0.5) {
        for (size_t j = 0; j < ne; ++j) trial[j] = lambda[j] + alpha * step[j];
        const double value = objective(trial, &n_trial);
        if (value <= phi + 1.0e-4 * alpha * slope) {
          phi = value;
          lambda = trial;
          n = n_trial;
          moved = true;
        }
      }
      if (!moved) break;  // at the solution to rounding
    }
    std::fill(amount.begin(), amount.end(), 0.0);
    for (size_t i = 0; i < ns; ++i) amount[species[i]] = n[i];
  }

  // At temperature t: at constant volume the initial volume, at constant
  // pressure the volume at which the gas law holds the initial pressure,
  // (sum n) t / v = (sum N0) T0, found by fixed-point steps in ln v.
  void At(double t, double amount0) {
    if (!m.constant_pressure) {
      AtVolume(t, 1.0);
      return;
    }
    double v = amount0 * t / (amount0 * m.t0);
    for (int iteration = 0; iteration < 200; ++iteration) {
      AtVolume(t, v);
      double total = 0.0;
      for (double x : amount) total += x;
      const double next = total * t / (amount0 * m.t0);
      const bool done = std::fabs(next / v - 1.0) < 1.0e-14;
      v = next;
      if (done) break;
    }
    AtVolume(t, v);
  }

  // Enthalpy (constant pressure) or internal energy (constant volume) of
  // the amounts at t, over R.
  double Energy(const std::vector<double>& amounts, double t) const {
    double sum = 0.0;
    for (size_t i = 0; i < amounts.size(); ++i) {
      if (amounts[i] == 0.0) continue;
      const Thermo p = Properties(m.thermo[i], t, std::log(t));
      sum += amounts[i] * (m.constant_pressure ? p.h_rt : p.h_rt - 1.0) * t;
    }
    return sum;
  }

  // The temperature at which the equilibrium holds the initial energy:
  // bisection on a bracket, then secant steps.
  double Temperature() {
    double amount0 = 0.0;
    for (double x : m.initial) amount0 += x;
    const double target = Energy(m.initial, m.t0);
    auto excess = [&](double t) {
      At(t, amount0);
      return Energy(amount, t) - target;
    };
    double lo = 200.0, hi = 6000.0;
    double f_lo = excess(lo), f_hi = excess(hi);
    if (f_lo > 0.0 || f_hi < 0.0) Unsupported("no equilibrium temperature between 200 and 6000 K");
    double t = 0.5 * (lo + hi);
    for (int iteration = 0; iteration < 200 && hi - lo > 1.0e-10 * hi; ++iteration) {
      // Regula falsi with the Illinois modification, bisection when slow.
      t = iteration % 3 == 2 ? 0.5 * (lo + hi) : lo - f_lo * (hi - lo) / (f_hi - f_lo);
      const double f = excess(t);
      if (f == 0.0) break;
      if (f < 0.0) lo = t, f_lo = f, f_hi *= 0.5;
      else hi = t, f_hi = f, f_lo *= 0.5;
    }
    At(t, amount0);
    return t;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const bool equilibrium = argc == 3 && std::string(argv[2]) == "--equilibrium";
  if (argc < 2 || argc > 4 || (argc >= 3 && !equilibrium && std::atof(argv[2]) <= 0.0)) {
    std::fprintf(stderr, "usage: cvode_thermo_peer <folder> [rtol [atol]] | <folder> --equilibrium\n");
    return 1;
  }
  const std::string folder = argv[1];
  Model model;
  ReadParameters(folder, model);
  ReadSpecies(folder, model);
  ReadReactions(folder, model);
  ReadThermo(folder, model);

  if (equilibrium) {
    Equilibrium eq(model);
    const double t = eq.Temperature();
    WriteState(folder + "/EQUILIBRIUM.TXT", model, eq.amount, t);
    std::printf("equilibrium %.10g\n", t);
    return 0;
  }

  const double rtol = argc >= 3 ? std::atof(argv[2]) : 1.0e-8;
  const double atol = argc == 4 ? std::atof(argv[3]) : rtol * 1.0e-12;
  System sys = Compile(model);
  if (sys.amount0 <= 0.0) Unsupported("no gas in the vessel");
  const int n = sys.n;

  SUNContext ctx = nullptr;
  Check(SUNContext_Create(nullptr, &ctx), "SUNContext_Create");
  N_Vector y = N_VNew_Serial(n + 2, ctx);
  N_Vector abstol = N_VNew_Serial(n + 2, ctx);
  for (int i = 0; i < n; ++i) {
    NV_Ith_S(y, i) = model.initial[i];
    NV_Ith_S(abstol, i) = atol * sys.amount0;
  }
  NV_Ith_S(y, n) = model.t0;
  NV_Ith_S(abstol, n) = 1.0e-12 * model.t0;
  NV_Ith_S(y, n + 1) = sys.amount0;
  NV_Ith_S(abstol, n + 1) = atol * sys.amount0;
  void* cvode = CVodeCreate(CV_BDF, ctx);
  Check(CVodeInit(cvode, Rhs, 0.0, y), "CVodeInit");
  Check(CVodeSetUserData(cvode, &sys), "CVodeSetUserData");
  Check(CVodeSVtolerances(cvode, rtol, abstol), "CVodeSVtolerances");
  Check(CVodeSetMaxNumSteps(cvode, 100000000), "CVodeSetMaxNumSteps");
  Check(CVodeSetStopTime(cvode, model.span), "CVodeSetStopTime");
  // The first step's estimate can lie many decades above what a reaction
  // that runs at its collision limit from the first instant allows: let the
  // error test cut it down as far as needed.
  Check(CVodeSetMaxErrTestFails(cvode, 50), "CVodeSetMaxErrTestFails");
  SUNMatrix jac = SUNSparseMatrix(n + 2, n + 2, static_cast<sunindextype>(sys.column.size()), CSR_MAT, ctx);
  SUNLinearSolver klu = SUNLinSol_KLU(y, jac, ctx);
  Check(SUNLinSol_KLUSetOrdering(klu, 0), "SUNLinSol_KLUSetOrdering");  // AMD
  Check(CVodeSetLinearSolver(cvode, klu, jac), "CVodeSetLinearSolver");
  Check(CVodeSetJacFn(cvode, Jacobian), "CVodeSetJacFn");

  sunrealtype t = 0.0;
  Check(CVode(cvode, model.span, y, &t, CV_NORMAL), "CVode");

  std::vector<double> final_amounts(n);
  for (int i = 0; i < n; ++i) final_amounts[i] = NV_Ith_S(y, i);
  WriteState(folder + "/PEER.TXT", model, final_amounts, NV_Ith_S(y, n));

  long steps = 0, rhs = 0, jacobians = 0, setups = 0;
  CVodeGetNumSteps(cvode, &steps);
  CVodeGetNumRhsEvals(cvode, &rhs);
  CVodeGetNumJacEvals(cvode, &jacobians);
  CVodeGetNumLinSolvSetups(cvode, &setups);
  std::printf("steps %ld rhs %ld jacobians %ld factorisations %ld\n", steps, rhs + sys.extra_rhs, jacobians, setups);

  SUNLinSolFree(klu);
  SUNMatDestroy(jac);
  N_VDestroy(abstol);
  N_VDestroy(y);
  CVodeFree(&cvode);
  SUNContext_Free(&ctx);
  return 0;
}
