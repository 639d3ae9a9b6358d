#include "input/parameter_file.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

// A parameter file with the given fields on each of its five lines.
std::string ParmText(const std::string& line1, const std::string& line2 = "298\tNO\t0\t0\t0",
                     const std::string& line3 = "0\t0\t10\t0\t0",
                     const std::string& line4 = "None1\t1\t1\t1.0E-8\t0") {
  return "# comment\n" + line1 + "\n" + line2 + "\n" + line3 + "\n" + line4 + "\n0\t0\t0\t0\t0\n";
}

// Reads the text; returns the fatal number, 0 when the file was accepted.
int Read(CapturedRun& cr, const std::string& text) {
  std::istringstream in(text);
  try {
    ReadParameterLines(cr.run, in);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

TEST(ParameterFile, ConcentrationUnitSpellings) {
  struct Case {
    const char* text;
    int fatal;
    int units;          // CONCUNITS after reading
    double yscalmin;
    const char* line;   // console line
  };
  const Case cases[] = {
      {"mol/l", 0, kMolesPerLiter, 1.0e-25, " Concentration units set to moles/liter, sec."},
      {"Moles / Liter", 0, kMolesPerLiter, 1.0e-25, " Concentration units set to moles/liter, sec."},
      {"1/cc", 0, kMoleculesPerCm3, 1.0, " Concentration units set to molecules/cm^3, sec."},
      {"Parts per million", 0, kMolesPerLiter, 1.0, " Concentration units set to ppm,sec."},
      {"3", 0, kMolesPerCm3, 1.0e-25, " Concentration units set to moles/cm^3, sec."},
      {"mmol/l", 97, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    ASSERT_EQ(Read(cr, ParmText(std::string("1.0E-10\t1\tJ\t") + c.text + "\t0")), c.fatal) << c.text;
    if (c.fatal != 0) continue;
    EXPECT_EQ(cr.run.settings.concunits, c.units) << c.text;
    EXPECT_DOUBLE_EQ(cr.run.settings.yscalmin, c.yscalmin) << c.text;
    EXPECT_EQ(cr.Lines().back(), c.line) << c.text;
  }
}

TEST(ParameterFile, EnergyUnitsSetTheGasConstant) {
  struct Case {
    const char* text;
    int fatal;
    int eunits;
    double rgas;
  };
  const Case cases[] = {
      {"J", 0, kJoule, 8.31451},           {"joules", 0, kJoule, 8.31451},
      {"KJ", 0, kJoule, 8.31451e-3},       {"KILOJOULE", 0, kJoule, 8.31451e-3},
      {"cal", 0, kCalorie, 1.986503},      {"KCAL", 0, kCalorie, 1.986503e-3},
      {"kilocalorie", 0, kCalorie, 1.986503e-3},
      {"Kelvin", 0, kKelvin, 1.0},         {"0", 0, kJoule, 8.31451},
      {"KCALORIE", 96, 0, 0},              {"eV", 96, 0, 0},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    ASSERT_EQ(Read(cr, ParmText(std::string("1.0E-10\t1\t") + c.text + "\tMOL/L\t0")), c.fatal) << c.text;
    if (c.fatal != 0) continue;
    EXPECT_EQ(cr.run.settings.eunits, c.eunits) << c.text;
    EXPECT_DOUBLE_EQ(cr.run.settings.rgas, c.rgas) << c.text;
  }
}

TEST(ParameterFile, TimesAndCorrections) {
  struct Case {
    const char* line1;
    const char* line3;
    const char* line4;
    double tstep, tstep2, simlen, accuracy, pctdiff;
  };
  const Case cases[] = {
      // 1 day 2 h 3 min 4 s 5 ps
      {"1.0E-10\t1\tJ\tMOL/L\t0", "1\t2\t3\t4\t5", "None1\t1\t1\t1.0E-8\t0", 1.0e-10, 1.0,
       86400 + 7200 + 180 + 4 + 5e-12, 1.0e-8, 0.01},
      // a 30 s span brings TSTEP2 down to 30/61 s
      {"1.0E-10\t1\tJ\tMOL/L\t0", "0\t0\t0\t30\t0", "None1\t1\t0\t1.0E-6\t0", 1.0e-10, 30.0 / 61, 30.0, 1.0e-6,
       0.0},
      // TSTEP above TSTEP2 becomes TSTEP2/100; a zero span becomes 600 s
      {"5\t1\tJ\tMOL/L\t0", "0\t0\t0\t0\t0", "None1\t1\t5\t1.0E-8\t0", 0.01, 1.0, 600.0, 1.0e-8, 0.05},
      // zero steps and a zero accuracy take their corrections
      {"0\t0\tJ\tMOL/L\t0", "0\t0\t10\t0\t0", "None1\t1\t1\t0\t0", 0.01, 1.0, 600.0, 1.0e-8, 0.01},
      // a negative output interval is corrected like a zero one
      {"1.0E-10\t-2\tJ\tMOL/L\t0", "0\t0\t10\t0\t0", "None1\t1\t1\t-1\t0", 1.0e-10, 1.0, 600.0, 1.0e-8, 0.01},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    ASSERT_EQ(Read(cr, ParmText(c.line1, "298\tNO\t0\t0\t0", c.line3, c.line4)), 0) << c.line1;
    const Settings& st = cr.run.settings;
    EXPECT_DOUBLE_EQ(st.tstep, c.tstep) << c.line1;
    EXPECT_DOUBLE_EQ(st.tstep2, c.tstep2) << c.line1;
    EXPECT_DOUBLE_EQ(st.simlen, c.simlen) << c.line1;
    EXPECT_DOUBLE_EQ(st.accuracy, c.accuracy) << c.line1;
    EXPECT_DOUBLE_EQ(st.pctdiff, c.pctdiff) << c.line1;
  }
}

TEST(ParameterFile, TemperaturePressureVolumeAndRadiation) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr, ParmText("1E-10\t1\tJ\tMOL/L\t0", "T.DAT\tyes please\tNO\t0\t0", "0\t0\t10\t0\t0",
                              " none\t-60\t1\t1E-8\t0")),
            0);
  const Settings& st = cr.run.settings;
  EXPECT_TRUE(st.tprofile);
  EXPECT_EQ(st.tprofname, "T.DAT");
  EXPECT_DOUBLE_EQ(st.temp, 0.0);
  EXPECT_TRUE(st.constp);
  EXPECT_FALSE(st.vprofile);  // "NO" is shorter than three characters
  EXPECT_EQ(st.hvfile, "NONE");
  EXPECT_DOUBLE_EQ(st.hvdt, 60.0);
  EXPECT_TRUE(st.hvneg);

  CapturedRun volume;
  ASSERT_EQ(Read(volume, ParmText("1E-10\t1\tJ\tMOL/L\t0", "310.5\tNO\tV.DAT\t0\t0")), 0);
  EXPECT_DOUBLE_EQ(volume.run.settings.temp, 310.5);
  EXPECT_TRUE(volume.run.settings.vprofile);
  EXPECT_EQ(volume.run.settings.vprofname, "V.DAT");
}

TEST(ParameterFile, ATemperatureNotAboveZeroBecomes298K) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr, ParmText("1E-10\t1\tJ\tMOL/L\t0", "-5\tNO\t0\t0\t0")), 0);
  EXPECT_DOUBLE_EQ(cr.run.settings.temp, 298.15);
  EXPECT_NE(cr.Text().find("Warning Error #  21"), std::string::npos);
}

TEST(ParameterFile, ConflictingChoicesStop) {
  struct Case {
    const char* line1;
    const char* line2;
    bool thermo;
    int fatal;
  };
  const Case cases[] = {
      {"1E-10\t1\tJ\tMOL/L\t0", "298\tYES\tV.DAT\t0\t0", false, 92},  // volume profile at constant pressure
      {"1E-10\t1\tJ\tPPM\t0", "298\tYES\t0\t0\t0", false, 98},        // ppm at constant pressure
      {"1E-10\t1\tJ\tPPM\t0", "298\tNO\t0\t0\t0", true, 98},          // ppm with thermodynamics
      {"1E-10\t1\tJ\tPPM\t0", "298\tNO\t0\t0\t0", false, 0},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    cr.run.sw.thermo = c.thermo;
    EXPECT_EQ(Read(cr, ParmText(c.line1, c.line2)), c.fatal) << c.line1 << " / " << c.line2;
  }
}

TEST(ParameterFile, MalformedLinesStop) {
  struct Case {
    std::string text;
    int fatal;
  };
  const Case cases[] = {
      {ParmText("1E-10\t1\tJ\tMOL/L"), 2},                   // four fields
      {ParmText("1E-10\t1\tJ\tMOL/L\t0\t0"), 2},             // six fields
      {ParmText("1E-10\tone\tJ\tMOL/L\t0"), 88},             // not a number
      {"1E-10\t1\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n", 2},      // the file ends early
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    EXPECT_EQ(Read(cr, c.text), c.fatal) << c.text;
  }
}

TEST(ParameterFile, AMarkedTemperatureBecomesAFitParameter) {
  CapturedRun cr;
  cr.run.sw.options = kOptFitSimplex;
  ASSERT_EQ(Read(cr, ParmText("1E-10\t1\tJ\tMOL/L\t0", "300?\tNO\t0\t0\t0")), 0);
  EXPECT_DOUBLE_EQ(cr.run.settings.temp, 300.0);
  ASSERT_EQ(cr.run.reader.fit.size(), 1u);
  EXPECT_EQ(cr.run.reader.fit[0].kind, 1);
  EXPECT_EQ(cr.run.reader.fit[0].item, -999);
  EXPECT_EQ(cr.run.reader.fit[0].srcline, -1);

  CapturedRun no_fit;  // without fitting the mark is part of the text
  ASSERT_EQ(Read(no_fit, ParmText("1E-10\t1\tJ\tMOL/L\t0", "300?\tNO\t0\t0\t0")), 0);
  EXPECT_TRUE(no_fit.run.settings.tprofile);
}

TEST(ParameterFile, ThresholdFromTheCommandLineIsKept) {
  CapturedRun cr;
  cr.run.sw.yscalmin_given = true;
  cr.run.sw.yscalmin = 1.0e-12;
  ASSERT_EQ(Read(cr, ParmText("1E-10\t1\tJ\t1/CC\t0")), 0);
  EXPECT_DOUBLE_EQ(cr.run.settings.yscalmin, 1.0e-12);
  EXPECT_DOUBLE_EQ(cr.run.settings.rpress, 1.3811478405315614e-20);
}

}  // namespace
}  // namespace tarnavel
