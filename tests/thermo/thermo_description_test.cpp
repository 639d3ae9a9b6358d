#include "thermo/thermo_description.hpp"

#include <gtest/gtest.h>

#include <string>

#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel {
namespace {

using testing::AddSpecies;
using testing::CapturedRun;
using testing::TempWorkDir;

// Reads `text` as THERM.DAT; returns the fatal error number, 0 when none.
int ReadDescription(CapturedRun& cr, const TempWorkDir& dir, const std::string& text) {
  dir.Write("THERM.DAT", text);
  try {
    ReadThermoDescription(cr.run);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

bool Printed(const CapturedRun& cr, const std::string& text) { return cr.Text().find(text) != std::string::npos; }

TEST(ThermoDescription, RowsDescribeTheirDatabases) {
  TempWorkDir dir;
  CapturedRun cr;
  AddSpecies(cr.run, "OH");
  AddSpecies(cr.run, "Temperature(K)");
  AddSpecies(cr.run, "HO2");
  const std::string text =
      "# file\tINPUT\tMAP\tswitches\treserved\tcomment\n"
      "\n"
      "SEND.DAT\tF18:IG6:F3:NL:F15\tSP:CMW:LA1\tu1234:set(lt=300):SYN:SET(HA7=1.5e 03)\n"
      "free.dat\tfree(44)\tSP:LT:IG:HT\tNONE:\tOH:HO2:\tcomment\n"
      "tab.dat\tFREE\tSP:LT\tUPC:CHF:FLUFF:PHS:UPPL:SET\tOH\n"
      "zero.dat\tFREE(0)\tSP\tNONE\n"
      "'END'\n"
      "never.dat\tFREE\tSP\tNONE\n";
  ASSERT_EQ(ReadDescription(cr, dir, text), 0) << cr.Text();
  EXPECT_TRUE(Printed(cr, "  Reading in THERM.DAT thermodynamic database description file.... \n"));

  const ThermoStore& th = cr.run.store.thermo;
  ASSERT_EQ(th.Databases(), 4);  // "SEND" is no end marker; "'END'" is
  const ThermoDatabaseSpec& fixed = th.db[1];
  EXPECT_EQ(fixed.file, "SEND.DAT");
  EXPECT_EQ(fixed.srcline, 3);
  ASSERT_EQ(fixed.input.size(), 5u);
  EXPECT_EQ(fixed.input[1].kind, kInputIg);
  EXPECT_EQ(fixed.input[1].width, 6);
  EXPECT_EQ(fixed.f_count, 3);
  EXPECT_EQ(fixed.column[kMapSp], 1);
  EXPECT_EQ(fixed.column[kMapCmw], 2);
  EXPECT_EQ(fixed.column[kMapLa1], 3);
  EXPECT_EQ(fixed.switches, SwitchBit(kSwU1234) | SwitchBit(kSwSyn));
  EXPECT_TRUE(fixed.set_given[kMapLt]);
  EXPECT_DOUBLE_EQ(fixed.set_value[kMapLt], 300.0);
  EXPECT_DOUBLE_EQ(fixed.set_value[kMapHa1 + 6], 1500.0);  // squeezed to 1.5E03
  EXPECT_DOUBLE_EQ(fixed.set_value[kMapCt], kUnsetThermoConstant);

  EXPECT_EQ(th.db[2].free_delim, ',');
  EXPECT_EQ(th.db[2].f_count, -1);
  EXPECT_EQ(th.db[2].column[kMapHt], 4);
  EXPECT_EQ(th.db[3].free_delim, '\t');
  EXPECT_EQ(th.db[3].switches, SwitchBit(kSwUpc) | SwitchBit(kSwChf) | SwitchBit(kSwFluff) | SwitchBit(kSwPhs) |
                                   SwitchBit(kSwUppl) | SwitchBit(kSwSet));
  EXPECT_EQ(th.db[4].free_delim, '\t');

  EXPECT_EQ(th.reserved[3], 3);  // OH: the later row wins
  EXPECT_EQ(th.reserved[5], 2);  // HO2
  EXPECT_TRUE(th.species[4].supplied);  // the temperature needs no data
  EXPECT_FALSE(th.species[3].supplied);
  EXPECT_EQ(th.supplied_count, 1);
}

TEST(ThermoDescription, FaultyRowsStopWithTheirNumbers) {
  std::string many_rows;
  for (int d = 1; d <= kMaxThermoDatabases + 1; ++d) many_rows += "db" + std::to_string(d) + ".dat\tFREE\tSP\tNONE\n";
  std::string descriptors = "F1";
  for (int i = 2; i <= kMaxInputDescriptors + 1; ++i) descriptors += ":F1";
  struct Case {
    std::string rows;
    int fatal;
    const char* printed;
  };
  const Case cases[] = {
      {"a.dat\tf10\tSP\tNONE", 70, "Unknown input descriptor: f10\n at line: 2\n"},
      {"a.dat\tF1500\tSP\tNONE", 70, "Unknown input descriptor: F1500"},
      {"a.dat\tF10::F12\tSP:MW\tNONE", 70, "at line: 2"},
      // A blank column is no field: the columns after it move up one place.
      {"a.dat\t \tSP\tNONE\tU1234", 70, "Unknown input descriptor: SP\n"},
      {"a.dat\tF10\tSP:XX\tNONE", 72, "Unknown keyword: XX\n at line: 2 in file: THERM.DAT"},
      {"a.dat\tF10\tSP\tU1234:FAST", 73, "SWITCHES field!!!! Unknown keyword: FAST"},
      {"a.dat\tF10\tSP\tSET(CMW=1)", 75, "Unknown keyword: CMW"},
      {"a.dat\tF10\tSP\tSET(=5)", 77, "Error in SET database switch."},
      {"a.dat\tF10\tSP\tSET(LT=)", 77, "At line: 2"},
      {"a.dat\tF10\tSP\tSET(LT300)", 78, "No equal in the SET database switch"},
      {"a.dat\tF10\tSP\tSET(LT=3OO)", 88, "INVALID NUMBER FOUND IN thermodynamic description file THERM.DAT"},
      {"a.dat\tF10\tSP:MW\tNONE", 115, "There are more MAP fields than \"F\" fields"},
      {"a.dat\tF10:F12\tSP\tNONE", 116, "There are more \"F\" fields in the INPUT column than MAP"},
      {"a.dat F10 SP NONE", 1, "No data fields in THERM.DAT"},
      {"a.dat\tF10\tSP\tNONE\tOH\tc\tx", 2, "YOU SHOULD HAVE NO MORE THAN 4 FIELDS"},
      {many_rows, 999, "No more than 64 thermodynamic databases can be described,\n at line: 66"},
      {"a.dat\t" + descriptors + "\tSP\tNONE", 999, "No more than 100 INPUT descriptors can describe one"},
  };
  for (const Case& c : cases) {
    TempWorkDir dir;
    CapturedRun cr;
    AddSpecies(cr.run, "OH");
    EXPECT_EQ(ReadDescription(cr, dir, "# header\n" + c.rows + "\n"), c.fatal) << c.rows;
    EXPECT_TRUE(Printed(cr, c.printed)) << c.rows << "\n" << cr.Text();
  }
  TempWorkDir dir;
  CapturedRun missing;
  missing.run.sw.thermo_db = "NOSUCH.DAT";
  EXPECT_EQ(ReadDescription(missing, dir, ""), 33);
  EXPECT_TRUE(Printed(missing, "Thermodynamic description file NOSUCH.DAT"));
}

TEST(ThermoDescription, ReservationsThatCannotBeMadeAreReported) {
  TempWorkDir dir;
  CapturedRun cr;
  AddSpecies(cr.run, "OH");
  AddSpecies(cr.run, "HO2");
  ASSERT_EQ(ReadDescription(cr, dir,
                            "a.dat\tFREE\tSP\tNONE\tNO2:HO2\n"
                            "b.dat\tFREE\tSP\tNONE\tOH::HO2\n"
                            "c.dat\tFREE\tSP\tNONE\t:::\n"),
            0);
  EXPECT_EQ(cr.run.store.thermo.reserved[4], 1);  // HO2 kept after the unknown NO2
  EXPECT_EQ(cr.run.store.thermo.reserved[3], 0);  // the unparsable field is ignored whole
  EXPECT_TRUE(Printed(cr, " Warning Error #  38\n"));
  EXPECT_TRUE(Printed(cr, " 'NO2'\n"));
  EXPECT_TRUE(Printed(cr, " 'OH::HO2'\n In then thermodynamic database file THERM.DAT\n ( source line # 2)\n"));
  EXPECT_TRUE(Printed(cr, " ':::'\n"));
}

}  // namespace
}  // namespace tarnavel
