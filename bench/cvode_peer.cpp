// Independent integration of a model folder for the benchmark: reads the
// folder's PARM.DAT, SPECIES.DAT and MODEL.DAT with a reader of its own and
// integrates the same mass-action system from 0 to the simulation length with
// CVODE's variable-order BDF method, Newton iteration, the KLU sparse direct
// solver and an analytic sparse Jacobian.
//
//   cvode_peer <folder> [rtol]        (rtol defaults to 1e-8)
//
// Writes PEER.TXT into the folder (species name, TAB, final value) and prints
//   steps <n> rhs <n> jacobians <n> factorisations <n>
// It reads only plain models: constant rate constants, irreversible `==>`
// reactions of named species with up to four reactants and four products (as
// the program's model files hold them), species integrated or held at a
// number, no CSTR and no profiles. Comment lines, such as the reactions an
// import leaves out, are passed over. Anything else is reported on stderr in
// one line and ends the program with status 2.

#include <cvode/cvode.h>
#include <nvector/nvector_serial.h>
#include <sundials/sundials_context.h>
#include <sunlinsol/sunlinsol_klu.h>
#include <sunmatrix/sunmatrix_sparse.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

[[noreturn]] void Unsupported(const std::string& why) {
  std::fprintf(stderr, "cvode_peer: %s\n", why.c_str());
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

// Free-format number with an exponent letter E, e, D or d.
bool ToNumber(const std::string& field, double& value) {
  std::string s = Squeeze(field);
  if (s.empty() || s.find_first_not_of("0123456789.+-EeDd") != std::string::npos) return false;
  for (char& c : s)
    if (c == 'D' || c == 'd') c = 'E';
  char* end = nullptr;
  value = std::strtod(s.c_str(), &end);
  return *end == '\0';
}

double Number(const std::string& field, const char* what) {
  double v = 0.0;
  if (!ToNumber(field, v)) Unsupported(std::string(what) + " is not a plain number: '" + field + "'");
  return v;
}

// The data lines of a tab-delimited description file, split into fields.
// Blank and comment lines (first field starting with # or ") are skipped; an
// END line ends the data of the species and model files. As in the program's
// reader, an empty field between two adjacent tabs ends the record, and
// blank fields are dropped.
std::vector<std::vector<std::string>> DataLines(const std::string& path, bool end_line) {
  std::ifstream in(path);
  if (!in) Unsupported("cannot open " + path);
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > 350) line.resize(350);
    const auto first = line.find_first_not_of(" \r");
    if (first == std::string::npos) continue;
    const std::string head = line.substr(first, 3);
    if (end_line && (head == "END" || head == "end" || head == "End")) break;
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
      const size_t tab = line.find('\t', pos);
      std::string field = line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos);
      if (field.empty() && tab != std::string::npos && !fields.empty()) break;
      const auto lead = field.find_first_not_of(" \r");
      if (lead != std::string::npos) fields.push_back(field.substr(lead));
      if (tab == std::string::npos) break;
      pos = tab + 1;
    }
    if (fields.empty() || fields[0][0] == '#' || fields[0][0] == '"') continue;
    if (line.find('\t') == std::string::npos) Unsupported(path + ": fields not separated by tabs");
    lines.push_back(fields);
  }
  return lines;
}

struct Item {
  int species;  // index into Model::names
  double nu;    // stoichiometric coefficient
};

struct Reaction {
  double k;
  std::vector<Item> reactants, products;
};

struct Model {
  double span = 600.0;           // simulated time, s
  std::vector<std::string> names;
  std::vector<double> initial;     // the held value of a held species
  std::vector<bool> held;
  std::unordered_map<std::string, int> index;  // name -> position in names
  std::vector<Reaction> reactions;

  int Add(const std::string& name, double value, bool hold) {
    index.emplace(name, static_cast<int>(names.size()));
    names.push_back(name);
    initial.push_back(value);
    held.push_back(hold);
    return static_cast<int>(names.size()) - 1;
  }
};

void ReadParameters(const std::string& folder, Model& m) {
  const auto lines = DataLines(folder + "/PARM.DAT", false);
  if (lines.size() != 5) Unsupported("PARM.DAT does not have five data lines");
  for (const auto& f : lines)
    if (f.size() != 5) Unsupported("PARM.DAT line without five fields");
  double temperature = 0.0;
  if (!ToNumber(lines[1][0], temperature)) Unsupported("temperature profile");
  if (Upper(lines[1][1]).rfind("YES", 0) == 0) Unsupported("constant pressure");
  double volume = 0.0;
  if (Squeeze(lines[1][2]).size() >= 3 && !ToNumber(lines[1][2], volume)) Unsupported("volume profile");
  const double factor[5] = {86400.0, 3600.0, 60.0, 1.0, 1.0e-12};
  m.span = 0.0;
  for (int i = 0; i < 5; ++i) m.span += factor[i] * Number(lines[2][i], "simulation time");
  if (m.span == 0.0) m.span = 600.0;
}

void ReadSpecies(const std::string& folder, Model& m) {
  for (const auto& f : DataLines(folder + "/SPECIES.DAT", true)) {
    if (f.size() < 6 || f.size() > 8) Unsupported("SPECIES.DAT line with " + std::to_string(f.size()) + " fields");
    std::string name = Squeeze(f[0]);
    if (Upper(name) == "M" || Upper(name) == "HV") continue;  // reserved names; the program skips the line
    if (name.back() == '}' && name.find('{') != std::string::npos) name.erase(name.find('{'));
    if (Number(f[1], "residence time") != 0.0 || Number(f[4], "external concentration") != 0.0)
      Unsupported("CSTR species " + name);
    // The hold column: N(o), or a number the species is held at; a profile
    // file is not read.
    double held = 0.0;
    const bool hold = f.size() >= 7 && Upper(f[6])[0] != 'N';
    if (hold && !ToNumber(f[6], held)) Unsupported("profile species " + name);
    if (m.index.count(name)) Unsupported("duplicate species " + name);
    m.Add(name, hold ? held : Number(f[2], "initial concentration"), hold);
  }
}

// One side of a reaction: items separated by '+', each an optional leading
// coefficient (digits and decimal points) and a species name. Repeated
// species are merged into one item with the summed coefficient. Species the
// species file does not list join the table with concentration 0.
std::vector<Item> Side(const std::string& text, Model& m, const std::string& reaction) {
  std::vector<Item> items;
  size_t pos = 0;
  for (;;) {
    const size_t plus = text.find('+', pos);
    const std::string item = text.substr(pos, plus == std::string::npos ? std::string::npos : plus - pos);
    const size_t digits = item.find_first_not_of("0123456789.");
    if (item.empty() || digits == std::string::npos) Unsupported("charged or empty species in " + reaction);
    const double nu = digits == 0 ? 1.0 : std::strtod(item.substr(0, digits).c_str(), nullptr);
    const std::string name = item.substr(digits);
    if (Upper(name) == "M" || Upper(name) == "HV") Unsupported("third body or radiation in " + reaction);
    const auto known = m.index.find(name);
    const int s = known != m.index.end() ? known->second : m.Add(name, 0.0, false);
    auto same = std::find_if(items.begin(), items.end(), [s](const Item& i) { return i.species == s; });
    if (same != items.end()) same->nu += nu;
    else items.push_back({s, nu});
    if (plus == std::string::npos) break;
    pos = plus + 1;
  }
  if (items.size() > 4) Unsupported("more than four reactants or products in " + reaction);
  return items;
}

void ReadReactions(const std::string& folder, Model& m) {
  for (const auto& f : DataLines(folder + "/MODEL.DAT", true)) {
    if (f.size() < 2 || f.size() > 5) Unsupported("MODEL.DAT line with " + std::to_string(f.size()) + " fields");
    Reaction r;
    r.k = Number(f[0], "rate constant");
    if (r.k == 0.0) Unsupported("rate constant 0");
    if (f.size() >= 4 && (Number(f[1], "temperature exponent") != 0.0 || Number(f[2], "activation energy") != 0.0))
      Unsupported("temperature-dependent rate constant");
    const std::string text = Squeeze(f[f.size() >= 4 ? 3 : 1]);
    const size_t arrow = text.find("==>");
    if (arrow == std::string::npos || text.find("==>", arrow + 1) != std::string::npos)
      Unsupported("not a single irreversible reaction: " + text);
    if (text.find_first_of("[]\"-{}") != std::string::npos)
      Unsupported("bracket group, quote, charge or tag in " + text);
    const std::string left = text.substr(0, arrow), right = text.substr(arrow + 3);
    if (left.find('=') != std::string::npos || right.find('=') != std::string::npos)
      Unsupported("not a single irreversible reaction: " + text);
    r.reactants = Side(left, m, text);
    r.products = Side(right, m, text);
    m.reactions.push_back(r);
  }
  if (m.reactions.empty()) Unsupported("no reactions");
}

// The compiled network in flat arrays over the integrated species, so that
// the right-hand side and the Jacobian run without allocation.
struct System {
  int n = 0;
  std::vector<int> state_of;  // model species -> state position, -1 when not integrated
  std::vector<double> k;
  std::vector<int> reactant_begin, reactant_species;  // per reaction, CSR-like
  std::vector<double> reactant_nu;
  std::vector<int> effect_begin, effect_species;  // species whose balance the reaction changes
  std::vector<double> effect_nu;                    // net coefficient, products minus reactants
  std::vector<double> rate;                         // per reaction, reused by every call
  std::vector<sunindextype> row_begin, column;      // sparsity pattern of the Jacobian, CSR
  std::vector<int> slot;  // per (reaction, reactant, effect): position in the matrix data
};

double Power(double y, double nu) {
  if (nu == 1.0) return y;
  if (nu == 0.0) return 1.0;
  if (nu == 2.0) return y * y;
  if (nu == std::floor(nu) && nu > 0.0 && nu <= 8.0) {
    double p = y;
    for (int i = 1; i < static_cast<int>(nu); ++i) p *= y;
    return p;
  }
  return std::pow(y, nu);
}

System Compile(const Model& m) {
  System s;
  // Species that take part in some reaction and are not held are
  // integrated, in table order; the others keep their initial or held
  // concentration. A held reactant's concentration is a factor of the rate
  // constant, and no balance of a held species is kept.
  std::vector<bool> used(m.names.size(), false);
  for (const Reaction& r : m.reactions) {
    for (const Item& i : r.reactants) used[i.species] = !m.held[i.species];
    for (const Item& i : r.products) used[i.species] = !m.held[i.species];
  }
  s.state_of.assign(m.names.size(), -1);
  for (size_t i = 0; i < used.size(); ++i)
    if (used[i]) s.state_of[i] = s.n++;

  std::vector<std::vector<sunindextype>> pattern(s.n);
  for (int i = 0; i < s.n; ++i) pattern[i].push_back(i);  // KLU and M = I - gamma J need the diagonal
  s.reactant_begin.push_back(0);
  s.effect_begin.push_back(0);
  for (const Reaction& r : m.reactions) {
    double k = r.k;
    std::vector<Item> reactants;  // the integrated ones, by state position
    for (const Item& i : r.reactants) {
      if (m.held[i.species]) k *= Power(m.initial[i.species], i.nu);
      else reactants.push_back({s.state_of[i.species], i.nu});
    }
    s.k.push_back(k);
    for (const Item& i : reactants) {
      s.reactant_species.push_back(i.species);
      s.reactant_nu.push_back(i.nu);
    }
    std::map<int, double> net;
    for (const Item& i : r.reactants)
      if (!m.held[i.species]) net[s.state_of[i.species]] -= i.nu;
    for (const Item& i : r.products)
      if (!m.held[i.species]) net[s.state_of[i.species]] += i.nu;
    for (const auto& [species, nu] : net) {
      if (nu == 0.0) continue;  // a catalyst: its balance does not change
      s.effect_species.push_back(species);
      s.effect_nu.push_back(nu);
      for (const Item& i : reactants) pattern[species].push_back(i.species);
    }
    s.reactant_begin.push_back(static_cast<int>(s.reactant_species.size()));
    s.effect_begin.push_back(static_cast<int>(s.effect_species.size()));
  }
  s.row_begin.push_back(0);
  for (auto& row : pattern) {
    std::sort(row.begin(), row.end());
    row.erase(std::unique(row.begin(), row.end()), row.end());
    s.column.insert(s.column.end(), row.begin(), row.end());
    s.row_begin.push_back(static_cast<sunindextype>(s.column.size()));
  }
  for (size_t r = 0; r < s.k.size(); ++r)
    for (int a = s.reactant_begin[r]; a < s.reactant_begin[r + 1]; ++a)
      for (int e = s.effect_begin[r]; e < s.effect_begin[r + 1]; ++e) {
        const int row = s.effect_species[e];
        const auto first = s.column.begin() + s.row_begin[row], last = s.column.begin() + s.row_begin[row + 1];
        s.slot.push_back(static_cast<int>(std::lower_bound(first, last, s.reactant_species[a]) - s.column.begin()));
      }
  s.rate.assign(s.k.size(), 0.0);
  return s;
}

int Rhs(sunrealtype, N_Vector yv, N_Vector dv, void* data) {
  System& s = *static_cast<System*>(data);
  const double* y = N_VGetArrayPointer(yv);
  double* dydt = N_VGetArrayPointer(dv);
  std::fill(dydt, dydt + s.n, 0.0);
  for (size_t r = 0; r < s.k.size(); ++r) {
    double rate = s.k[r];
    for (int a = s.reactant_begin[r]; a < s.reactant_begin[r + 1]; ++a)
      rate *= Power(y[s.reactant_species[a]], s.reactant_nu[a]);
    for (int e = s.effect_begin[r]; e < s.effect_begin[r + 1]; ++e) dydt[s.effect_species[e]] += s.effect_nu[e] * rate;
  }
  return 0;
}

// d(rate)/dy_a = k nu_a y_a^(nu_a - 1) prod_{b != a} y_b^nu_b, formed without
// dividing by y_a so that species at zero concentration give exact entries.
int Jacobian(sunrealtype, N_Vector yv, N_Vector, SUNMatrix jac, void* data, N_Vector, N_Vector, N_Vector) {
  System& s = *static_cast<System*>(data);
  const double* y = N_VGetArrayPointer(yv);
  std::copy(s.row_begin.begin(), s.row_begin.end(), SUNSparseMatrix_IndexPointers(jac));
  std::copy(s.column.begin(), s.column.end(), SUNSparseMatrix_IndexValues(jac));
  double* values = SUNSparseMatrix_Data(jac);
  std::fill(values, values + s.column.size(), 0.0);
  size_t p = 0;
  for (size_t r = 0; r < s.k.size(); ++r)
    for (int a = s.reactant_begin[r]; a < s.reactant_begin[r + 1]; ++a) {
      double d = s.k[r] * s.reactant_nu[a] * Power(y[s.reactant_species[a]], s.reactant_nu[a] - 1.0);
      for (int b = s.reactant_begin[r]; b < s.reactant_begin[r + 1]; ++b)
        if (b != a) d *= Power(y[s.reactant_species[b]], s.reactant_nu[b]);
      for (int e = s.effect_begin[r]; e < s.effect_begin[r + 1]; ++e) values[s.slot[p++]] += s.effect_nu[e] * d;
    }
  return 0;
}

void Check(int flag, const char* what) {
  if (flag < 0) {
    std::fprintf(stderr, "cvode_peer: %s failed with flag %d\n", what, flag);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: cvode_peer <folder> [rtol]\n");
    return 1;
  }
  const std::string folder = argv[1];
  const double rtol = argc == 3 ? std::atof(argv[2]) : 1.0e-8;
  Model model;
  ReadParameters(folder, model);
  ReadSpecies(folder, model);
  ReadReactions(folder, model);
  System sys = Compile(model);

  // Absolute tolerance: rtol times a concentration floor of 1e-15 of the
  // largest initial concentration. Species above the floor are then held to
  // the relative accuracy rtol (the benchmark compares exactly those), while
  // the models' trace radicals, which sit 1e-6 to 1e-12 below the bulk
  // species, still count; below the floor errors are bounded absolutely, so
  // species decaying towards zero do not force ever smaller steps.
  double largest = 0.0;
  for (double c : model.initial) largest = std::max(largest, std::fabs(c));
  const double atol = rtol * 1.0e-15 * (largest > 0.0 ? largest : 1.0);

  SUNContext ctx = nullptr;
  Check(SUNContext_Create(nullptr, &ctx), "SUNContext_Create");
  N_Vector y = N_VNew_Serial(sys.n, ctx);
  for (size_t i = 0; i < model.names.size(); ++i)
    if (sys.state_of[i] >= 0) NV_Ith_S(y, sys.state_of[i]) = model.initial[i];
  void* cvode = CVodeCreate(CV_BDF, ctx);
  Check(CVodeInit(cvode, Rhs, 0.0, y), "CVodeInit");
  Check(CVodeSetUserData(cvode, &sys), "CVodeSetUserData");
  Check(CVodeSStolerances(cvode, rtol, atol), "CVodeSStolerances");
  Check(CVodeSetMaxNumSteps(cvode, 10000000), "CVodeSetMaxNumSteps");
  Check(CVodeSetStopTime(cvode, model.span), "CVodeSetStopTime");
  SUNMatrix jac = SUNSparseMatrix(sys.n, sys.n, static_cast<sunindextype>(sys.column.size()), CSR_MAT, ctx);
  SUNLinearSolver klu = SUNLinSol_KLU(y, jac, ctx);
  // AMD ordering: on these reaction networks it leaves less fill-in than the
  // default COLAMD (on a generated 900-species network 125k instead of 199k
  // entries in L and U), and the refactorisations dominate the run time.
  Check(SUNLinSol_KLUSetOrdering(klu, 0), "SUNLinSol_KLUSetOrdering");
  Check(CVodeSetLinearSolver(cvode, klu, jac), "CVodeSetLinearSolver");
  Check(CVodeSetJacFn(cvode, Jacobian), "CVodeSetJacFn");

  sunrealtype t = 0.0;
  Check(CVode(cvode, model.span, y, &t, CV_NORMAL), "CVode");

  std::FILE* out = std::fopen((folder + "/PEER.TXT").c_str(), "w");
  if (out == nullptr) Check(-1, "writing PEER.TXT");
  for (size_t i = 0; i < model.names.size(); ++i)
    std::fprintf(out, "%s\t%.17g\n", model.names[i].c_str(),
                 sys.state_of[i] >= 0 ? NV_Ith_S(y, sys.state_of[i]) : model.initial[i]);
  std::fclose(out);

  long steps = 0, rhs = 0, jacobians = 0, setups = 0;
  CVodeGetNumSteps(cvode, &steps);
  CVodeGetNumRhsEvals(cvode, &rhs);
  CVodeGetNumJacEvals(cvode, &jacobians);
  CVodeGetNumLinSolvSetups(cvode, &setups);
  std::printf("steps %ld rhs %ld jacobians %ld factorisations %ld\n", steps, rhs, jacobians, setups);

  SUNLinSolFree(klu);
  SUNMatDestroy(jac);
  N_VDestroy(y);
  CVodeFree(&cvode);
  SUNContext_Free(&ctx);
  return 0;
}
