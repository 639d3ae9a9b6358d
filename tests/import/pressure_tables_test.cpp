// Pressure-dependent rate constants given as tables: PLOG rows of Arrhenius
// expressions at fixed pressures and Chebyshev fits over temperature and
// pressure, with the per-reaction UNITS that may convert them. Each is read
// as its author wrote it and written to the model description file as the
// whole rate constant, in the files' units.

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <sstream>
#include <string>

#include "import/chemkin_mechanism.hpp"
#include "import/model_files.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

using namespace import;

const Reaction& OnLine(const Mechanism& mech, int line) {
  for (const Reaction& r : mech.reactions)
    if (r.line == line) return r;
  throw std::runtime_error("no reaction on line " + std::to_string(line));
}

std::string Model(const FileSet& files) {
  for (const auto& f : files)
    if (f.first == "MODEL.DAT") return f.second;
  throw std::runtime_error("no MODEL.DAT");
}

// The lines of a text that begin with `head` and hold `part`.
int CountLines(const std::string& text, const std::string& head, const std::string& part = "") {
  int n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) n += line.rfind(head, 0) == 0 && line.find(part) != std::string::npos;
  return n;
}

// The PLOG entries of a mechanism file outside its comments, in any case.
int PlogEntries(const std::string& text) {
  int n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find('!'));
    for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t p = line.find("PLOG"); p != std::string::npos; p = line.find("PLOG", p + 4)) {
      const size_t slash = line.find_first_not_of(" \t", p + 4);
      n += slash != std::string::npos && line[slash] == '/';
    }
  }
  return n;
}

// Every form of the published test mechanism: PLOG with a plain +M, several
// rows at one pressure, a negative A, UNITS before and after the rows; CHEB
// with its counts on the first coefficient line or alone, TCHEB and PCHEB
// together on one line.
TEST(PressureTables, ThePublishedFormsReadAsWritten) {
  const Mechanism mech = ReadMechanism(testing::TestData("mechanisms/cantera_pdep_test/pdep-test.inp"), "pdep-test.inp");
  ASSERT_EQ(mech.reactions.size(), 7u);
  struct Expect {
    int line;
    size_t rows;
    int cheb_t, cheb_p;
    const char* tmin;
    const char* energy;             // the reaction's own UNITS, "" when none
    std::optional<bool> molecules;  // likewise
    const char *first, *last;       // first and last A (PLOG) or coefficient (CHEB) as written
  } expected[] = {
      {116, 4, 0, 0, "300", "", std::nullopt, "1.2124e+16", "5.9632e+56"},
      {123, 8, 0, 0, "300", "", std::nullopt, "1.23e+08", "1.28E+06"},
      {134, 6, 0, 0, "300", "KCAL/MOLE", std::nullopt, "2.44E+10", "1.90E+15"},
      {144, 1, 0, 0, "300", "", true, "2.889338e-17", "2.889338e-17"},
      {149, 0, 4, 4, "300.0", "", std::nullopt, "8.2883000e+00", "1.4458000e-02"},
      {157, 0, 6, 4, "290.0", "", std::nullopt, "-1.4428000e+01", "-6.4154000e-04"},
      {168, 0, 4, 4, "300.0", "", true, "8.2883000e+00", "1.4458000e-02"},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE("line " + std::to_string(e.line));
    const Reaction& r = OnLine(mech, e.line);
    // (+M), (+m) and +M are notation: the table gives the whole rate constant.
    EXPECT_EQ(r.third_body, ThirdBody::kNone);
    ASSERT_EQ(r.plog.size(), e.rows);
    EXPECT_EQ(r.chebyshev, e.cheb_t > 0);
    EXPECT_EQ(r.cheb_t, e.cheb_t);
    EXPECT_EQ(r.cheb_p, e.cheb_p);
    ASSERT_EQ(r.cheb.size(), static_cast<size_t>(e.cheb_t * e.cheb_p));
    EXPECT_EQ(r.tmin.text, e.tmin);
    EXPECT_EQ(r.energy_units, e.energy);
    EXPECT_EQ(r.molecules, e.molecules);
    if (e.rows > 0) {
      EXPECT_EQ(r.plog.front()[1].text, e.first);
      EXPECT_EQ(r.plog.back()[1].text, e.last);
    } else {
      EXPECT_EQ(r.cheb.front().text, e.first);
      EXPECT_EQ(r.cheb.back().text, e.last);
      EXPECT_EQ(r.pmax.text, "98.69232667160128");
    }
  }
  // Rows at one pressure stay in their order, a negative A among them.
  const Reaction& same = OnLine(mech, 123);
  EXPECT_EQ(same.plog[2][1].text, "1.26e+20");
  EXPECT_EQ(same.plog[3][1].text, "1.23E+04");
  const Reaction& negative = OnLine(mech, 134);
  EXPECT_EQ(negative.plog[4][0].text, "100");
  EXPECT_EQ(negative.plog[4][1].value, -7.41e30);
  EXPECT_EQ(negative.plog[5][3].text, "8.306");
}

// A UNITS entry in every spelling authors use; the slash of KCAL/MOLE does
// not end the list.
TEST(PressureTables, UnitsOfOneReactionInEverySpelling) {
  struct Case {
    const char* entry;
    const char* energy;
    std::optional<bool> molecules;
  } cases[] = {
      {"units / kcal/", "KCAL/MOLE", std::nullopt},
      {"UNITS / KCAL/MOLE /", "KCAL/MOLE", std::nullopt},
      {"UNITS/KCAL/MOLE/ DUP", "KCAL/MOLE", std::nullopt},
      {"UNITS / KJOU MOLEC /", "KJOULES/MOLE", true},
      {"units / joules/mole /", "JOULES/MOLE", std::nullopt},
      {"UNITS / KELV /", "KELVINS", std::nullopt},
      {"UNITS / EVOL /", "EVOLTS", std::nullopt},
      {"UNITS / CAL/MOLE MOLES /", "CAL/MOLE", false},
      {"units/ molec /", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    const Mechanism mech = ReadMechanism(
        std::string("ELEM H O END\nSPEC H O OH END\nREAC MOLECULES\nH+O=>OH 1 0 0\n PLOG / 1 2 0 3 /\n ") + c.entry +
            "\nEND\n",
        "units.inp");
    const Reaction& r = mech.reactions.at(0);
    EXPECT_EQ(r.energy_units, c.energy);
    EXPECT_EQ(r.molecules, c.molecules);
    EXPECT_EQ(EnergyUnitOf(mech, r), *c.energy ? c.energy : "CAL/MOLE");
    EXPECT_EQ(InMolecules(mech, r), c.molecules.value_or(true));
  }
}

// The rows written, exactly: A into mol/L for the reaction's order (and from
// molecules), E into E/R, PLOG rows sorted by pressure with the change
// named, the rows repeated under a companion reaction, CHEB ranges by default
// and the constant term of the fit alone converted.
TEST(PressureTables, TheModelFileCarriesTheTablesInItsUnits) {
  const std::string h2o2 = testing::TestData("chemkin/h2o2.inp");
  const std::string text = h2o2.substr(0, h2o2.find("REACTIONS")) +
                           "REACTIONS KELVINS\n"                // line 47
                           "H+O2(+M)<=>HO2(+M)  1 0 0\n"        // 48
                           " PLOG / 10  4.0E13 0.5 100 /\n"
                           " PLOG / 1   2.0E13 0.0 50 /\n"
                           " PLOG / 10 -1.0E12 0.0 0 /\n"
                           " DUPLICATE\n"
                           "H2O2=>H+O+OH+H2+O2 1 0 0\n"         // 53
                           " UNITS / KCAL /\n"
                           " PLOG / 1 3.0E10 0 1.0 /\n"
                           "H+OH(+AR)=>H2O(+AR) 1 0 0\n"        // 56
                           " UNITS / MOLEC /\n"
                           " CHEB / 2 2 1.0 0.5 /\n"
                           " CHEB / 0.25 0.125 /\n"
                           "END\n";
  const Mechanism mech = ReadMechanism(text, "tables.inp");
  ASSERT_EQ(mech.warnings.size(), 1u);
  EXPECT_EQ(mech.warnings[0].line, 56);
  EXPECT_NE(mech.warnings[0].text.find("third body (+AR) of a Chebyshev (CHEB) reaction is notation only"),
            std::string::npos)
      << mech.warnings[0].text;
  ImportOptions options;
  options.units = "MOLES/L";
  std::vector<ImportWarning> changes;
  const std::string model = Model(TranslateMechanism(mech, options, &changes));
  EXPECT_EQ(model.substr(model.find('\n', model.find('\n') + 1) + 1),
            "1\tH + O2 = HO2\tline 48, PLOG, duplicate\n"
            "PLOG\t1\t2e+10\t0.0\t50\n"
            "PLOG\t10\t4e+10\t0.5\t100\n"
            "PLOG\t10\t-1e+09\t0.0\t0\n"
            "1\tH2O2 ==> H + O + OH + H2\tline 53, PLOG\n"
            "PLOG\t1\t3.0E10\t0\t503.2195335080404\n"
            "1\tH2O2 ==> H2O2 + O2\tline 53, PLOG, companion 1\n"
            "PLOG\t1\t3.0E10\t0\t503.2195335080404\n"
            "1\tH + OH ==> H2O\tline 56, CHEB\n"
            "TCHEB\t300\t2500\n"
            "PCHEB\t0.001\t100\n"
            "CHEB\t21.779750902385114\t0.5\n"
            "CHEB\t0.25\t0.125\n");
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].line, 48);
  EXPECT_EQ(changes[0].text, "the PLOG rows of line 48 sorted by increasing pressure");
  EXPECT_EQ(changes[1].text, "1 companion reaction(s) carry the products beyond the first 4");
}

// The published mechanisms with pressure tables import whole: every PLOG
// entry of the source becomes one row, every table reaction one line with
// the factor 1.
TEST(PressureTables, PublishedMechanismsWithTablesImport) {
  struct Case {
    const char* mechanism;
    const char* thermo;  // nullptr: the mechanism holds its data
    int reactions, chebyshev_rows;
  } cases[] = {
      {"mechanisms/cantera_pdep_test/pdep-test.inp", nullptr, 7, 14},
      {"mechanisms/syngas_creck/kinetics.CHEMKIN.CKI", "mechanisms/syngas_creck/thermo.CHEMKIN.CKT", 2, 0},
      {"mechanisms/aramco13/AramcoMech_1.3_C4_chem.dat", "mechanisms/aramco13/AramcoMech_1.3_therm.dat", 79, 0},
      {"mechanisms/nox_glarborg2018/mech.dat", "mechanisms/nox_glarborg2018/thermo.dat", 177, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mechanism);
    const std::string source = testing::TestData(c.mechanism);
    ASSERT_FALSE(source.empty());
    Mechanism mech = ReadMechanism(source, c.mechanism);
    if (c.thermo) ReadThermoFile(mech, testing::TestData(c.thermo), c.thermo);
    const std::string model = Model(TranslateMechanism(mech, ImportOptions{}));
    EXPECT_EQ(CountLines(model, "PLOG\t"), PlogEntries(source));
    EXPECT_EQ(CountLines(model, "CHEB\t"), c.chebyshev_rows);
    EXPECT_EQ(CountLines(model, "1\t", ", PLOG") + CountLines(model, "1\t", ", CHEB"), c.reactions);
  }
}

}  // namespace
}  // namespace tarnavel
