#include "input/periodic_table.hpp"

#include <filesystem>
#include <fstream>
#include <istream>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

struct BuiltInElement {
  const char* symbol;
  double mass;
};

// Symbols and atomic masses in table order; D and T stand for deuterium and
// tritium, e for the electron.
constexpr BuiltInElement kBuiltIn[] = {
    {"H", 1.00797},    {"He", 4.0026},     {"Li", 6.941},      {"Be", 9.01218},    {"B", 10.811},
    {"C", 12.01115},   {"N", 14.0067},     {"O", 15.9994},     {"F", 18.9984},     {"Ne", 20.1797},
    {"Na", 22.98977},  {"Mg", 24.305},     {"Al", 26.98154},   {"Si", 28.0855},    {"P", 30.97376},
    {"S", 32.066},     {"Cl", 35.4527},    {"Ar", 39.948},     {"K", 39.0983},     {"Ca", 40.078},
    {"Sc", 44.9559},   {"Ti", 47.88},      {"V", 50.9415},     {"Cr", 51.9961},    {"Mn", 54.938},
    {"Fe", 55.847},    {"Co", 58.9332},    {"Ni", 58.69},      {"Cu", 63.546},     {"Zn", 65.39},
    {"Ga", 69.723},    {"Ge", 72.59},      {"As", 74.92159},   {"Se", 78.96},      {"Br", 79.904},
    {"Kr", 83.8},      {"Rb", 85.4678},    {"Sr", 87.62},      {"Y", 88.90585},    {"Zr", 91.224},
    {"Nb", 92.9064},   {"Mo", 95.94},      {"Tc", 98.0},       {"Ru", 101.07},     {"Rh", 102.9055},
    {"Pd", 106.42},    {"Ag", 107.8682},   {"Cd", 112.411},    {"In", 114.82},     {"Sn", 118.71},
    {"Sb", 121.75},    {"Te", 127.6},      {"I", 126.90447},   {"Xe", 131.29},     {"Cs", 132.9054},
    {"Ba", 137.327},   {"La", 138.9055},   {"Hf", 178.49},     {"Ta", 180.9479},   {"W", 183.85},
    {"Re", 186.207},   {"Os", 190.2},      {"Ir", 192.22},     {"Pt", 195.09},     {"Au", 196.9665},
    {"Hg", 200.59},    {"Tl", 204.383},    {"Pb", 207.19},     {"Bi", 208.9804},   {"Po", 209.0},
    {"At", 210.0},     {"Rn", 222.0},      {"Fr", 223.0},      {"Ra", 226.0254},   {"Ac", 227.0278},
    {"Ce", 140.12},    {"Pr", 140.9076},   {"Nd", 144.24},     {"Pm", 145.0},      {"Sm", 150.36},
    {"Eu", 151.965},   {"Gd", 157.25},     {"Tb", 158.9253},   {"Dy", 162.5},      {"Ho", 164.9304},
    {"Er", 167.26},    {"Tm", 168.9342},   {"Yb", 173.04},     {"Lu", 174.967},    {"Th", 232.0381},
    {"Pa", 231.0359},  {"U", 238.0289},    {"Np", 237.0482},   {"Pu", 244.0},      {"Am", 243.0},
    {"Cm", 247.0},     {"Bk", 247.0},      {"Cf", 251.0},      {"Es", 252.0},      {"Fm", 257.0},
    {"Md", 258.0},     {"No", 259.0},      {"Lr", 260.0},      {"D", 2.0141},      {"T", 3.02391},
    {"e", 0.000545},
};
static_assert(sizeof(kBuiltIn) / sizeof(kBuiltIn[0]) == kMaxElements);

PeriodicTable MakeBuiltIn() {
  PeriodicTable table;
  for (const BuiltInElement& e : kBuiltIn) {
    ++table.count;
    table.element[table.count] = Element{ElementSymbol(e.symbol), e.mass};
  }
  return table;
}

// Stops the run at the first symbol that stands twice in the table.
void CheckDuplicates(Run& run, const PeriodicTable& table) {
  for (int i = 1; i <= table.count; ++i) {
    for (int j = i + 1; j <= table.count; ++j) {
      if (table.element[i].symbol == table.element[j].symbol) {
        run.console.Line("--> Element: " + Trim(table.element[i].symbol));
        FatalError(run, 119);
      }
    }
  }
}

}  // namespace

std::string ElementSymbol(std::string_view text) {
  std::string symbol(text.substr(0, std::min<size_t>(2, text.size())));
  symbol.resize(2, ' ');
  return symbol;
}

int FindElement(const PeriodicTable& table, std::string_view symbol) {
  for (int i = 1; i <= table.count; ++i)
    if (table.element[i].symbol == symbol) return i;
  return 0;
}

const PeriodicTable& BuiltInPeriodicTable() {
  static const PeriodicTable table = MakeBuiltIn();
  return table;
}

const PeriodicTable& PeriodicTableOf(const Run& run) {
  return (run.sw.options & kOptUserPeriodic) ? run.user_periodic : BuiltInPeriodicTable();
}

void ReadUserPeriodicTable(Run& run) {
  std::ifstream in;
  if (!OpenDescriptionFile(run, kPeriodicFile, in)) FatalError(run, 113);
  if (!run.sw.quiet) run.console.Line("Reading user defined Periodic Table...");
  ReadPeriodicLines(run, in);
}

void ReadPeriodicLines(Run& run, std::istream& in) {
  PeriodicTable& table = run.user_periodic;
  ReaderState& rd = run.reader;
  BeginDescriptionFile(rd, kPeriodicFile);
  table.count = 0;
  while (NextDataLine(run, in, ShapeOf(kPeriodicFile))) {
    const std::string& symbol = rd.field[1];
    if (symbol.size() > 2) FatalError(run, 118);
    const double mass = ToReal(run, rd.field[2]);
    if (table.count == kMaxElements) {
      // The table has room for every known element and no more.
      run.console.Line("More than " + std::to_string(kMaxElements) + " elements in the periodic table file " +
                       rd.filename[kPeriodicFile]);
      FatalError(run, 999);
    }
    ++table.count;
    table.element[table.count] = Element{ElementSymbol(symbol), mass};
  }
  if (!(run.sw.options & kOptSkipDuplicateElements)) CheckDuplicates(run, table);
}

}  // namespace tarnavel
