// The importer against CHEMKIN's own rate expressions: every imported rate
// constant, read back through this program's readers and rate laws, must
// equal the CHEMKIN expression evaluated here, independently, from the
// mechanism file's numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "import/chemkin_mechanism.hpp"
#include "import/model_files.hpp"
#include "input/model_file.hpp"
#include "input/parameter_file.hpp"
#include "input/species_file.hpp"
#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "thermo/thermo_database.hpp"
#include "thermo/thermo_description.hpp"
#include "thermo/thermo_properties.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

using namespace import;

const std::string& File(const FileSet& files, const std::string& name) {
  for (const auto& f : files)
    if (f.first == name) return f.second;
  throw std::runtime_error("no " + name);
}

// CHEMKIN: k = A T^b exp(-E/RT), with R = 8.314462618 J/(mol K) in the
// energy unit of the REACTIONS line.
double Arrhenius(const import::Arrhenius& p, double t, double r_gas) {
  return p.a.value * std::pow(t, p.b.value) * std::exp(-p.e.value / (r_gas * t));
}

// CHEMKIN's rate constant of reaction r at temperature t over the
// concentrations c (mol/cm^3 by species name): third bodies as [M]eff k,
// fall-off as k_inf Pr/(1+Pr) F with Lindemann, Troe or SRI broadening.
double ChemkinRate(const Reaction& r, double t, const std::map<std::string, double>& c, double r_gas) {
  const double kinf = Arrhenius(r.k, t, r_gas);
  double m = 0.0;
  for (const auto& [name, conc] : c) {
    double eff = 1.0;
    for (const auto& [n, e] : r.efficiencies)
      if (n == name) eff = e.value;
    m += eff * conc;
  }
  if (!r.falloff_collider.empty()) m = c.at(r.falloff_collider);
  if (r.third_body == ThirdBody::kPlain) return kinf * m;
  if (r.third_body == ThirdBody::kNone) return kinf;
  const double pr = Arrhenius(r.low, t, r_gas) * m / kinf;
  double f = 1.0;
  if (!r.troe.empty()) {
    const double alpha = r.troe[0].value, t3 = r.troe[1].value, t1 = r.troe[2].value;
    double fcent = (1 - alpha) * std::exp(-t / t3) + alpha * std::exp(-t / t1);
    if (r.troe.size() == 4) fcent += std::exp(-r.troe[3].value / t);
    const double lf = std::log10(fcent), c1 = -0.4 - 0.67 * lf, n1 = 0.75 - 1.27 * lf;
    const double f1 = (std::log10(pr) + c1) / (n1 - 0.14 * (std::log10(pr) + c1));
    f = std::pow(10.0, lf / (1 + f1 * f1));
  } else if (!r.sri.empty()) {
    const double x = 1.0 / (1.0 + std::pow(std::log10(pr), 2));
    f = std::pow(r.sri[0].value * std::exp(-r.sri[1].value / t) + std::exp(-t / r.sri[2].value), x);
    if (r.sri.size() == 5) f *= r.sri[3].value * std::pow(t, r.sri[4].value);
  }
  return kinf * pr / (1 + pr) * f;
}

struct MechanismCase {
  const char* name;
  std::string mechanism;  // a data file, or the text itself when it holds a line break
  const char* thermo;     // separate database, or nullptr
  std::vector<std::pair<std::string, double>> mixture;
  const char* units;      // concentration unit of the files
};

// The forms the published mechanisms do not use: A in molecules and Ea in
// kcal/mol, a fall-off reaction with a named third body, SRI broadening with
// five parameters, an explicit reverse, an irreversible reaction, and UNITS
// of one reaction (with REV, and with LOW in moles and electron volts).
std::string OtherForms() {
  const std::string h2o2 = testing::TestData("chemkin/h2o2.inp");
  return h2o2.substr(0, h2o2.find("REACTIONS")) +
         "REACTIONS KCAL/MOLE MOLECULES\n"
         "H+O2(+AR)<=>HO2(+AR)   1.0E-12   0.5  1.2\n"
         "   LOW / 5.0E-32 -1.0 0.5 /\n"
         "H+OH(+M)<=>H2O(+M)     2.0E-11   0.0  0.0\n"
         "   LOW / 1.0E-30 -2.0 0.3 /\n"
         "   SRI / 0.5 300.0 900.0 1.2 0.1 /\n"
         "   H2O/5.0/ AR/0.5/\n"
         "H+OH(+M)<=>H2O(+M)     3.0E-11   0.1  0.2\n"
         "   LOW / 2.0E-30 -2.2 0.4 /\n"
         "   SRI / 0.45 250.0 1200.0 /\n"
         "   DUPLICATE\n"
         "O+H2<=>H+OH            1.0E-14   2.7  6.2\n"
         "   REV / 2.0E-14 2.6 4.8 /\n"
         "2O+M<=>O2+M            1.0E-33  -1.0  0.0\n"
         "   H2O/15.0/\n"
         "H+HO2=>2OH             1.0E-10   0.0  0.6\n"
         "H+HO2<=>O2+H2          4.0E-11   0.1  2.0\n"
         "   UNITS / KJOULES/MOLE /\n"
         "   REV / 2.0E-10 0.2 9.0 /\n"
         "H2O2(+M)<=>2OH(+M)     2.0E12    0.9  0.5\n"
         "   UNITS / EVOL MOLES /\n"
         "   LOW / 2.49E24 -2.3 0.4 /\n"
         "END\n";
}

const std::vector<MechanismCase>& Cases() {
  static const std::vector<MechanismCase> cases = {
      {"hydrogen-oxygen", "chemkin/h2o2.inp", nullptr, {{"H2", 2}, {"O2", 1}, {"H2O", 0.5}, {"AR", 3}}, "MOLES/L"},
      {"GRI-Mech 3.0", "chemkin/gri30.inp", "gri30/gri30_thermo.dat",
       {{"CH4", 1}, {"O2", 2}, {"N2", 7}, {"H2O", 0.4}, {"CO2", 0.3}, {"AR", 0.1}, {"CO", 0.2}}, "MOLES/CM^3"},
      {"units, SRI, REV, named third body", OtherForms(), nullptr, {{"H2", 2}, {"O2", 1}, {"H2O", 0.5}, {"AR", 3}}, "MOLECULES/CM^3"},
  };
  return cases;
}

Mechanism Read(const MechanismCase& mc) {
  const bool text = mc.mechanism.find('\n') != std::string::npos;
  Mechanism mech = ReadMechanism(text ? mc.mechanism : testing::TestData(mc.mechanism), text ? "test.inp" : mc.mechanism);
  if (mc.thermo) ReadThermoFile(mech, testing::TestData(mc.thermo), mc.thermo);
  return mech;
}

TEST(ChemkinImport, EveryRateConstantEqualsTheChemkinExpression) {
  for (const MechanismCase& mc : Cases()) {
    SCOPED_TRACE(mc.name);
    Mechanism mech = Read(mc);
    ImportOptions options;
    options.mixture = mc.mixture;
    options.units = mc.units;
    // A rate constant of order n in the files' unit is CHEMKIN's times scale^(1-n).
    const double scale = UnitsPerMolePerCubicCentimetre(mc.units);
    const FileSet files = TranslateMechanism(mech, options);

    testing::CapturedRun cr;
    tarnavel::Run& run = cr.run;
    run.sw.ignore_mass = true;
    std::istringstream parm(File(files, "PARM.DAT")), species(File(files, "SPECIES.DAT")), model(File(files, "MODEL.DAT"));
    ReadParameterLines(run, parm);
    ReadSpeciesLines(run, species);
    ReadModelLines(run, model);
    CompileNetwork(run);
    ModelStore& st = run.store;
    ASSERT_EQ(cr.Text().find("rror"), std::string::npos) << cr.Text();

    int checked = 0;
    for (const double t : {300.0, 1000.0, 2500.0}) {
      for (const double atm : {0.01, 1.0, 100.0}) {
        // The mixture at t and this pressure, in both index spaces.
        const double total = MolesPerCubicCentimetre(t, atm * 101325.0);
        double sum = 0.0;
        for (const auto& m : mc.mixture) sum += m.second;
        std::map<std::string, double> c;
        for (const std::string& s : mech.species) c[s] = 0.0;
        for (const auto& [name, x] : mc.mixture) c[name] = total * x / sum;
        std::vector<double> x(st.rspec + 1, 0.0);
        for (int s = 3; s <= st.rspec; ++s) x[s] = c.at(st.species[s].name) * scale;
        st.net.temperature = t;
        EvaluateArrhenius(run, t);
        const double mtot = GasSum(st, x.data());

        int r = 1;
        for (const Reaction& rx : mech.reactions) {
          const double r_gas = GasConstantIn(EnergyUnitOf(mech, rx));
          auto program = [&](int n) {
            return st.net.rx[n].kptr > 0 ? SpecialRate(st, n, mtot, t, x.data()) : st.net.rk[n];
          };
          // In molecule units CHEMKIN's constant sees molecules/cm^3; per mole
          // it gains one Avogadro factor per reactant beyond the first.
          const double avogadro = InMolecules(mech, rx) ? 6.02214076e23 : 1.0;
          auto chemkin = [&](const Reaction& reaction, const Side& side) {
            std::map<std::string, double> n = c;
            for (auto& [name, conc] : n) conc *= avogadro;
            double order = 0.0;
            for (const auto& item : side) order += item.first;
            return ChemkinRate(reaction, t, n, r_gas) * std::pow(avogadro, order - 1.0) * std::pow(scale, 1.0 - order);
          };
          const double want = chemkin(rx, rx.reactants);
          EXPECT_NEAR(program(r), want, 1e-12 * std::fabs(want)) << "line " << rx.line << " at " << t << " K, " << atm << " atm";
          ++checked;
          if (rx.has_rev) {
            Reaction back = rx;
            back.k = rx.rev;
            const double want_back = chemkin(back, rx.products);
            EXPECT_NEAR(program(r + 1), want_back, 1e-12 * std::fabs(want_back)) << "REV of line " << rx.line;
          }
          r += rx.reversible ? 2 : 1;
        }
        EXPECT_EQ(r - 1, st.nreact);
      }
    }
    EXPECT_EQ(checked, 9 * static_cast<int>(mech.reactions.size()));
  }
}

// The database written by the importer, read through the thermodynamic
// description it also writes, gives every species the functions of the
// source polynomials.
TEST(ChemkinImport, EverySpeciesKeepsTheThermodynamicFunctionsOfItsSourcePolynomials) {
  for (const MechanismCase& mc : Cases()) {
    SCOPED_TRACE(mc.name);
    Mechanism mech = Read(mc);
    const FileSet files = TranslateMechanism(mech, ImportOptions{});
    testing::TempWorkDir dir;
    for (const char* name : {"THERM.DAT", "THERMO.DAT"}) dir.Write(name, File(files, name));
    testing::CapturedRun cr;
    tarnavel::Run& run = cr.run;
    run.sw.quiet = true;
    std::istringstream species(File(files, "SPECIES.DAT"));
    ReadSpeciesLines(run, species);
    ReadThermoDescription(run);
    ReadThermoDatabases(run);
    const ModelStore& st = run.store;
    int checked = 0;
    for (int s = 3; s <= st.nspec; ++s) {
      const ThermoRecord* source = FindThermo(mech, st.species[s].name);
      ASSERT_NE(source, nullptr) << st.species[s].name;
      const ThermoSpeciesData& d = st.thermo.species[s];
      EXPECT_EQ(d.lt, source->t_low);
      EXPECT_EQ(d.ct, source->t_common);
      EXPECT_EQ(d.ht, source->t_high);
      for (const double t : {300.0, 999.0, 1001.0, 2000.0, 3000.0}) {
        const auto& a = t < source->t_common ? source->low : source->high;
        const double cp = a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
        const double h = a[0] + t * (a[1] / 2 + t * (a[2] / 3 + t * (a[3] / 4 + t * a[4] / 5))) + a[5] / t;
        const double entropy = a[0] * std::log(t) + t * (a[1] + t * (a[2] / 2 + t * (a[3] / 3 + t * a[4] / 4))) + a[6];
        EXPECT_NEAR(HeatCapacityR(d, t), cp, 1e-12 * std::fabs(cp)) << st.species[s].name << " " << t;
        EXPECT_NEAR(EnthalpyRT(d, t), h, 1e-12 * std::fabs(h)) << st.species[s].name << " " << t;
        EXPECT_NEAR(EntropyR(d, t), entropy, 1e-12 * std::fabs(entropy)) << st.species[s].name << " " << t;
      }
      ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(mech.species.size()));
  }
}

// What the model description file cannot express stops the import with the
// file, the line and the reason.
TEST(ChemkinImport, WhatCannotBeExpressedStopsWithFileLineAndReason) {
  const std::string head =
      "ELEMENTS H O AR END\nSPECIES H H2 O O2 OH H2O H2O2 HO2 AR A1 A2 A3 A4 A5 A6 A7 A8 A9 A10 A11 A12 A13 A14 A15 A16 "
      "A17 A18 A19 A20 A21 END\nREACTIONS\n";
  struct Case {
    const char* body;
    int line;
    const char* reason;
  } cases[] = {
      {"H+O2<=>O+OH 1e13 0 0\n FORD / H 1.5 /\nEND\n", 5, "FORD cannot be expressed"},
      // Pressure tables give the whole rate constant: nothing else may shape it.
      {"H+O2+M<=>HO2+M 1e13 0 0\n PLOG / 1.0 1e13 0 0 /\n H2O/5/\nEND\n", 4, "third-body efficiencies on a PLOG reaction"},
      {"H+O2<=>O+OH 1e13 0 0\n PLOG / 1.0 1e13 0 0 /\n CHEB / 1 1 2.0 /\nEND\n", 4, "both PLOG and CHEB"},
      {"H+O2<=>O+OH 1e13 0 0\n PLOG / 1.0 1e13 0 0 /\n REV / 1e12 0 0 /\nEND\n", 4,
       "REV on a PLOG reaction cannot be expressed"},
      {"H+O2(+M)<=>HO2(+M) 1e13 0 0\n LOW / 1e15 0 0 /\n CHEB / 1 1 2.0 /\nEND\n", 4, "LOW, TROE or SRI on a Chebyshev"},
      {"H+O2<=>O+OH 1e13 0 0\n PLOG / 1.0 1e13 0 /\nEND\n", 5, "PLOG needs 4 numbers"},
      {"H+O2<=>O+OH 1e13 0 0\n PLOG / 0 1e13 0 0 /\nEND\n", 5, "PLOG pressure 0 is not positive"},
      {"H+O2<=>O+OH 1e13 0 0\n CHEB / 2 2 1 0 0 /\nEND\n", 4, "CHEB needs 2 x 2 = 4 coefficients, not 3"},
      {"H+O2<=>O+OH 1e13 0 0\n CHEB / 2 2 1 0 0 0 /\n\n CHEB / 1 /\nEND\n", 7, "more CHEB coefficients than 2 x 2 = 4"},
      {"H+O2<=>O+OH 1e13 0 0\n CHEB / 2 0 /\nEND\n", 5, "CHEB needs 1 to 40 temperature orders and 1 to 39 pressure"},
      {"H+O2<=>O+OH 1e13 0 0\n CHEB / 41 2 /\nEND\n", 5, "not 41 and 2"},
      {"H+O2<=>O+OH 1e13 0 0\n CHEB / 2.5 2 /\nEND\n", 5, "not 2.5 and 2"},
      {"H+O2<=>O+OH 1e13 0 0\n TCHEB / 300 2000 /\nEND\n", 4, "without CHEB coefficients"},
      {"H+O2<=>O+OH 1e13 0 0\n PCHEB / 100 0.01 / CHEB / 1 1 2 /\nEND\n", 5, "PCHEB needs a positive lower bound"},
      {"H+O2<=>O+OH 1e13 0 0\n UNITS / FURLONGS /\nEND\n", 5, "unknown unit \"FURLONGS\" in UNITS"},
      {"H+O+OH+H2O+HO2<=>H2+O2+H2O2 1e13 0 0\nEND\n", 4, "more than 4 reactants"},
      {"H+O2+M<=>HO2+M 1e13 0 0\nA1/2/ A2/2/ A3/2/ A4/2/ A5/2/ A6/2/ A7/2/ A8/2/ A9/2/ A10/2/ A11/2/ A12/2/ A13/2/\n"
       "A14/2/ A15/2/ A16/2/ A17/2/ A18/2/ A19/2/ A20/2/ A21/2/\nEND\n", 4, "more than 20 third-body efficiencies"},
      {"H2O2+H<=>H+O+OH+H2+AR 1e13 0 0\nEND\n", 4, "a reversible reaction with more than 4 products"},
      {"H2O2+H<=>H+O+OH+H2+AR 1e13 0 0\nREV / 1e12 0 0 /\nEND\n", 4, "a reversible reaction with more than 4 products"},
      {"H+O2+OH+HO2=>H2+O+H2O+AR+A1 1e13 0 0\nEND\n", 4, "no room for companion reactions"},
      {"H+XX<=>OH 1e13 0 0\nEND\n", 4, "species \"XX\" is not declared"},
      {"H+O2(+M)<=>HO2(+M) 1e13 0 0\nEND\n", 4, "needs LOW"},
      {"H+O2 O+OH 1e13 0 0\nEND\n", 4, "no arrow"},
      {"H+O2<=>O+OH 1e13 zero 0\nEND\n", 4, "not a number"},
  };
  // A name the reaction grammar cannot carry.
  try {
    TranslateMechanism(ReadMechanism("SPECIES H X[1] END\nREACTIONS\nH=>X[1] 1 0 0\nEND\n", "bad.inp"), ImportOptions{});
    ADD_FAILURE() << "imported X[1]";
  } catch (const ImportError& e) {
    EXPECT_NE(e.reason.find("cannot be written"), std::string::npos) << e.reason;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    try {
      const Mechanism mech = ReadMechanism(head + c.body, "bad.inp");
      TranslateMechanism(mech, ImportOptions{});
      ADD_FAILURE() << "imported";
    } catch (const ImportError& e) {
      EXPECT_EQ(e.file, "bad.inp");
      EXPECT_EQ(e.line, c.line);
      EXPECT_NE(e.reason.find(c.reason), std::string::npos) << e.reason;
    }
  }
}

// Form feeds and vertical tabs (page breaks of old listings) are white space
// like blanks: a line of them is an empty line.
TEST(ChemkinImport, PageBreaksAreWhiteSpace) {
  const std::string plain = "ELEMENTS H O END\nSPECIES H O OH END\nREACTIONS\nH+O=>OH 1e13 0 0\nEND\n";
  const std::string broken = "\v\nELEMENTS H O END\n\f\nSPECIES H O OH\f END\nREACTIONS\n \v \nH+O=>OH 1e13 0 0\nEND\n\f";
  const Mechanism a = ReadMechanism(plain, "plain.inp"), b = ReadMechanism(broken, "broken.inp");
  EXPECT_EQ(b.elements, a.elements);
  EXPECT_EQ(b.species, a.species);
  ASSERT_EQ(b.reactions.size(), 1u);
  EXPECT_EQ(b.reactions[0].equation, a.reactions[0].equation);
}

}  // namespace
}  // namespace tarnavel
