#include "thermo/thermo_database.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/field_reader.hpp"
#include "input/periodic_table.hpp"
#include "input/species_file.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "thermo/thermo_description.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TempWorkDir;

// Appends species as the species file leaves them: a {phase} tag cut off,
// the charge counted from the trailing signs.
void AddModelSpecies(CapturedRun& cr, const std::vector<std::string>& names) {
  for (std::string name : names) {
    std::string tag;
    const bool tagged = BraceSuffix(name, tag);
    if (tagged) name.erase(name.rfind('{'));
    SpeciesEntry& e = cr.run.store.species[testing::AddSpecies(cr.run, name)];
    e.has_tag = tagged;
    e.tag = tag;
    SpeciesCharge(name, e.charge);
  }
}

// Reads the description and its databases; the fatal number, -1 for another stop, 0.
int ReadAll(CapturedRun& cr) {
  try {
    ReadThermoDescription(cr.run);
    ReadThermoDatabases(cr.run);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number != 0 ? stop.fatal_number : -1;
  }
  return 0;
}

const ThermoSpeciesData& Data(const CapturedRun& cr, const std::string& name) {
  for (int s = 3; s <= cr.run.store.nspec; ++s)
    if (cr.run.store.species[s].name == name) return cr.run.store.thermo.species[s];
  ADD_FAILURE() << "no species " << name;
  static const ThermoSpeciesData none;
  return none;
}

double Mass(const char* symbol) {
  const PeriodicTable& t = BuiltInPeriodicTable();
  return t.element[FindElement(t, ElementSymbol(symbol))].mass;
}

TEST(ThermoDatabase, TheGri30FilesSupplyEverySpecies) {
  TempWorkDir dir;
  for (const char* name : {"THERM.DAT", "gri30_thermo.dat", "h2o2_free.dat"}) dir.Write(name, testing::TestData(std::string("gri30/") + name));
  CapturedRun cr;
  cr.run.sw.quiet = true;
  std::istringstream records(testing::TestData("gri30/gri30_thermo.dat"));
  for (std::string line; std::getline(records, line);)
    if (line.size() >= 80 && line[79] == '1') AddModelSpecies(cr, {line.substr(0, line.find(' '))});
  ASSERT_EQ(cr.run.store.nspec, 55);
  ASSERT_EQ(ReadAll(cr), 0) << cr.Text();
  EXPECT_EQ(cr.run.store.thermo.supplied_count, 53);

  const ThermoSpeciesData& o2 = Data(cr, "O2");
  EXPECT_DOUBLE_EQ(o2.a[2][1], 3.28253784);  // line 2: high range a1..a5
  EXPECT_DOUBLE_EQ(o2.a[2][5], -2.16717794e-14);
  EXPECT_DOUBLE_EQ(o2.a[2][7], 5.45323129);  // line 3: high a6, a7, low a1..a3
  EXPECT_DOUBLE_EQ(o2.a[1][3], 9.84730201e-06);
  EXPECT_DOUBLE_EQ(o2.a[1][4], -9.68129509e-09);  // line 4: low a4..a7
  EXPECT_DOUBLE_EQ(o2.a[1][7], 3.65767573);
  EXPECT_DOUBLE_EQ(o2.lt, 200.0);
  EXPECT_DOUBLE_EQ(o2.ht, 3500.0);
  EXPECT_DOUBLE_EQ(o2.ct, 1000.0);
  EXPECT_TRUE(o2.mw_present);
  EXPECT_DOUBLE_EQ(o2.mw, 2 * Mass("O"));

  const ThermoSpeciesData& ch2cho = Data(cr, "CH2CHO");  // the last record, 300 to 5000 K
  EXPECT_DOUBLE_EQ(ch2cho.lt, 300.0);
  EXPECT_DOUBLE_EQ(ch2cho.ht, 5000.0);
  EXPECT_DOUBLE_EQ(ch2cho.a[2][6], 0.04903218e+04);
  EXPECT_DOUBLE_EQ(ch2cho.a[1][7], 0.09558290e+02);
  EXPECT_DOUBLE_EQ(ch2cho.mw, Mass("O") + 3 * Mass("H") + 2 * Mass("C"));
  EXPECT_DOUBLE_EQ(Data(cr, "AR").mw, Mass("Ar"));

  // OH is reserved to the rounded free-format copy; HO2, also there, comes from the first row.
  const ThermoSpeciesData& oh = Data(cr, "OH");
  EXPECT_DOUBLE_EQ(oh.a[1][1], 3.992015);
  EXPECT_DOUBLE_EQ(oh.a[2][7], 4.476696);
  EXPECT_DOUBLE_EQ(oh.mw, Mass("O") + Mass("H"));
  EXPECT_DOUBLE_EQ(Data(cr, "HO2").a[1][1], 4.30179801);
}

TEST(ThermoDatabase, EntriesMatchByNamePhaseAndCharge) {
  struct Case {
    const char* map;
    const char* switches;
    const char* database;
    std::vector<std::string> species;
    std::vector<double> la1;  // what each species receives
  };
  const Case cases[] = {
      {"SP:PH:LA1", "NONE", "OH\tG\t1\nOH\taq\t2\nH2O\tl\t3\nH2O\tg\t4\n", {"OH", "OH{aq}", "H2O"}, {1, 2, 4}},
      {"SP:CH:LA1", "NONE", "X\t1\t5\nX\t0\t6\nY-\t0\t8\nY-\t-1\t9\n", {"X", "Y-"}, {6, 9}},
      {"SP:CH:LA1", "CHF", "X\t1\t5\nX\t0\t6\nY-\t0\t8\nY-\t-1\t9\n", {"X", "Y-"}, {5, 8}},
      {"SP:LA1", "SYN", "HO2,hydroperoxyl\t7\n", {"hydroperoxyl", "HO2"}, {7, 7}},
      {"SP:LA1", "FLUFF", "OH radical (table 3)\t8\n", {"OH"}, {8}},
      {"SP:LA1", "PHS", "H2O(l)\t9\nH2O(g)\t10\nH2O2()\t11\n", {"H2O", "H2O{l}", "H2O2"}, {10, 9, 11}},
      {"SP:LA1", "UPC", "CL2\t12\n", {"Cl2"}, {12}},
      {"SP:LA1", "UPPL", "CL2\t13\n", {"Cl2"}, {13}},
  };
  for (const Case& c : cases) {
    TempWorkDir dir;
    dir.Write("THERM.DAT", std::string("db.dat\tFREE\t") + c.map + "\t" + c.switches + "\n");
    dir.Write("db.dat", c.database);
    CapturedRun cr;
    AddModelSpecies(cr, c.species);
    ASSERT_EQ(ReadAll(cr), 0) << c.switches << "\n" << cr.Text();
    for (size_t i = 0; i < c.la1.size(); ++i)
      EXPECT_DOUBLE_EQ(cr.run.store.thermo.species[3 + i].a[1][1], c.la1[i]) << c.switches << " " << i;
  }
}

TEST(ThermoDatabase, DatabasesAreTakenInRowOrderWithReservations) {
  TempWorkDir dir;
  dir.Write("THERM.DAT",
            "one.dat\tFREE\tSP:LA1:LA7\tSET(LA7=0.0)\n"
            "missing.dat\tFREE\tSP:LA1\tNONE\n"
            "two.dat\tFREE\tSP:LA1:LA7\tNONE\tB\n");
  dir.Write("one.dat", "A\t1\t5\nB\t1\t5\n");
  dir.Write("two.dat", "A\t2\t6\nB\t2\t6\nC\t2\t6\n");
  CapturedRun cr;
  AddModelSpecies(cr, {"A", "B", "C"});
  ASSERT_EQ(ReadAll(cr), 0) << cr.Text();
  EXPECT_DOUBLE_EQ(Data(cr, "A").a[1][1], 1.0);
  EXPECT_DOUBLE_EQ(Data(cr, "A").a[1][7], 0.0);  // the SET constant replaces the column
  EXPECT_DOUBLE_EQ(Data(cr, "B").a[1][1], 2.0);
  EXPECT_DOUBLE_EQ(Data(cr, "C").a[1][7], 6.0);
  EXPECT_NE(cr.Text().find(" Thermodynamic database file missing.dat\n CANNOT BE FOUND !!!!"), std::string::npos);

  CapturedRun first_only;  // everything found in one.dat: the missing file is never looked for
  AddModelSpecies(first_only, {"A"});
  ASSERT_EQ(ReadAll(first_only), 0);
  EXPECT_EQ(first_only.Text().find("missing.dat"), std::string::npos);

  CapturedRun lacking;
  AddModelSpecies(lacking, {"Z", "A", "Q"});
  EXPECT_EQ(ReadAll(lacking), 74);
  EXPECT_NE(lacking.Text().find(" The species:\n 'Q'\n"), std::string::npos) << lacking.Text();
}

// A database named by an absolute path is not read, even where it exists,
// and a name too long for the file system is no name of a file: the run goes
// on as for a missing database.
TEST(ThermoDatabase, DatabasesThatCannotBeReadAreMissing) {
  TempWorkDir dir;
  dir.Write("one.dat", "A\t1\t5\n");
  const std::string outside = std::filesystem::absolute("one.dat").string();
  const struct {
    std::string name, why;
  } cases[] = {
      {outside, " Input files may only name files in the working directory: " + outside + "\n"},
      {std::string(300, 'z') + ".dat", ""},
  };
  for (const auto& c : cases) {
    dir.Write("THERM.DAT", c.name + "\tFREE\tSP:LA1:LA7\tNONE\n");
    CapturedRun cr;
    AddModelSpecies(cr, {"A"});
    EXPECT_EQ(ReadAll(cr), 74) << c.name;
    EXPECT_NE(cr.Text().find(c.why), std::string::npos) << cr.Text();
    EXPECT_NE(cr.Text().find(" Thermodynamic database file " + c.name + "\n CANNOT BE FOUND !!!!"), std::string::npos);
  }
}

TEST(ThermoDatabase, FixedFieldsAndFaultyValues) {
  struct Case {
    const char* input;
    const char* map;
    const char* database;
    int fatal;
    const char* printed;
  };
  const Case cases[] = {
      {"F5:F10:NL:F10:F10", "SP:LA1:LA2:LA3", "A    1.0e 02\n  3.5\nEND\n", 0, ""},
      {"F5:F10", "SP:LA1", " END\nA    1.0\n", 74, "'A'"},
      {"F5:F10", "SP:LA1", "PENDA\nA    1.0x\n", 88, "INVALID NUMBER FOUND IN db.dat\n LINE READS:\n ' A    1.0x '\n ( source line # 2 )"},
      {"F5:F6", "SP:CMW", "A    C   1H\n", 117, "An uneven field length value was provided for the CMW"},
      {"F5:F0", "SP:LA1", "A    1.0\n", -1, "**** Internal Software error::::::: BF greater!?!"},
  };
  for (const Case& c : cases) {
    TempWorkDir dir;
    dir.Write("THERM.DAT", std::string("db.dat\t") + c.input + "\t" + c.map + "\tNONE\n");
    dir.Write("db.dat", c.database);
    CapturedRun cr;
    AddModelSpecies(cr, {"A"});
    EXPECT_EQ(ReadAll(cr), c.fatal) << c.database;
    EXPECT_NE(cr.Text().find(c.printed), std::string::npos) << cr.Text();
    if (c.fatal != 0) continue;
    const ThermoSpeciesData& a = Data(cr, "A");
    EXPECT_DOUBLE_EQ(a.a[1][1], 100.0);  // "1.0e 02"
    EXPECT_DOUBLE_EQ(a.a[1][2], 3.5);
    EXPECT_DOUBLE_EQ(a.a[1][3], 0.0);    // past the end of the line
  }
}

TEST(ThermoDatabase, ReportForcedRangeAndFreeFormCopy) {
  TempWorkDir dir;
  dir.Write("THERM.DAT", "db.dat\tFREE\tSP:LT:CT:HT:LA1:HA7:MW\tNONE\n");
  dir.Write("db.dat", "A\t200\t1000\t3000\t1.25\t-7.5\t18.5\nB\t300\t1000\t5000\t2.0e 02\t1\n");
  struct Case {
    int force;
    double tmin, tmax;
  };
  for (const Case& c : {Case{0, 1.0e-5, 9.0e7}, Case{1, 300, 3000}, Case{3, 200, 5000}}) {
    CapturedRun cr;
    AddModelSpecies(cr, {"Temperature(K)", "A", "B"});
    cr.run.sw.force_flags = c.force;
    cr.run.sw.options = kOptFreeThermo;
    ASSERT_EQ(ReadAll(cr), 0) << cr.Text();
    EXPECT_DOUBLE_EQ(cr.run.settings.tmin, c.tmin);
    EXPECT_DOUBLE_EQ(cr.run.settings.tmax, c.tmax);
    if (c.force != 1) continue;
    EXPECT_NE(cr.Text().find("\n Species:\n A\n  Temperature Range(s)\n LOW, COMMON TEMP. ,HI \n"
                             "   0.200000E+03,  0.100000E+04,  0.300000E+04\n"
                             " Thermodynamic coefficients for range 1\n"
                             "       0.12500000E+01,       0.00000000E+00, "),
              std::string::npos)
        << cr.Text();
    EXPECT_NE(cr.Text().find("      -0.75000000E+01, \n\n DATABASE MW:  0.185000E+02\n\n ="), std::string::npos);
    EXPECT_NE(cr.Text().find("forced to fall in the range of  0.300000E+03 to   0.300000E+04"), std::string::npos);
  }
  const std::vector<std::string> lines = testing::SplitLines(dir.Read(kFreeThermoFile));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "# Species\t \t \t \tThermodynamic coeffic. (LOW then HIGH)");
  EXPECT_EQ(lines[1],
            "# \tLOW TEMP.\tCOMMON TEMP.\tHI TEMP.\tLA1\tLA2\tLA3\tLA4\tLA5\tLA6\tLA7\t"
            "HA1\tHA2\tHA3\tHA4\tHA5\tHA6\tHA7\tMW");
  EXPECT_EQ(lines[3].substr(0, 18), "B\t 300.000000    \t");
  EXPECT_EQ(lines[3].substr(lines[3].size() - 4), "\t0.0");  // no molecular weight
  EXPECT_EQ(lines[4], "END");

  // The copy reads back as a database of its own, to nine digits.
  dir.Write("THERM.DAT",
            "FREETHRM.TXT\tFREE(9)\tSP:LT:CT:HT:LA1:LA2:LA3:LA4:LA5:LA6:LA7:HA1:HA2:HA3:HA4:HA5:HA6:HA7:MW\tNONE\n");
  CapturedRun again;
  AddModelSpecies(again, {"A", "B"});
  ASSERT_EQ(ReadAll(again), 0) << again.Text();
  EXPECT_DOUBLE_EQ(Data(again, "A").a[2][7], -7.5);
  EXPECT_DOUBLE_EQ(Data(again, "A").mw, 18.5);
  EXPECT_DOUBLE_EQ(Data(again, "B").a[1][1], 200.0);
  EXPECT_DOUBLE_EQ(Data(again, "B").ht, 5000.0);
}

}  // namespace
}  // namespace tarnavel
