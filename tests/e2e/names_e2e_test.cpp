// The user periodic table and the names file in whole runs.

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

using Lines = std::vector<std::string>;

Lines FatalFrame(int number, const Lines& message) {
  const std::string num = std::to_string(number);
  Lines lines = {"", " ******************** FATAL ERROR ***********************", " ALERT!!  User or Disk ERROR!!",
                 "  FATAL Error #" + std::string(4 - num.size(), ' ') + num};
  for (const std::string& m : message) lines.push_back(" " + m);
  lines.insert(lines.end(), {"", " Simulation TERMINATED with FATAL ERROR.", ""});
  return lines;
}

void ExpectFatalEnd(const ProgramResult& r, int number, const Lines& before, const Lines& message) {
  EXPECT_EQ(r.status, 1) << r.out;
  Lines expected = before;
  const Lines frame = FatalFrame(number, message);
  expected.insert(expected.end(), frame.begin(), frame.end());
  ASSERT_GE(r.lines.size(), expected.size()) << r.out;
  EXPECT_EQ(Lines(r.lines.end() - static_cast<long>(expected.size()), r.lines.end()), expected) << r.out;
}

bool HasLine(const ProgramResult& r, const std::string& line) {
  return std::find(r.lines.begin(), r.lines.end(), line) != r.lines.end();
}

TEST(PeriodicTableRun, MissingUserTableStopsWithFatal113) {
  const Lines message = {"You have specified the Periodic Table file", "PERIODIC.DAT to be loaded into Tarnavel, BUT",
                         "this file cannot be located. Make sure the Periodic",
                         "Table file PERIODIC.DAT is in the same directory as", "TARNAVEL."};
  for (const char* sw : {"-P", "-p"}) {
    TempDir dir;
    WriteSmallModel(dir);
    SCOPED_TRACE(sw);
    ProgramResult r = RunIn(dir, {sw});
    ExpectFatalEnd(r, 113, {}, message);
    EXPECT_FALSE(dir.Exists("CONC.TXT"));  // stopped before anything was written
  }
}

TEST(PeriodicTableRun, DuplicateElementsStopUnlessTheCheckIsOff) {
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("PERIODIC.DAT", "# Symbol\tMass\nA\t10\nB\t10\nA\t11\n");
  ExpectFatalEnd(RunIn(dir, {"-P"}), 119, {" --> Element: A"},
                 {"A duplicate element has been found in the periodic",
                  "table file:PERIODIC.DAT file. Remove or correct the", "duplicate."});

  ProgramResult unchecked = RunIn(dir, {"-p"});
  EXPECT_EQ(unchecked.status, 0) << unchecked.out;
  EXPECT_TRUE(HasLine(unchecked, " Reading user defined Periodic Table...")) << unchecked.out;
}

TEST(NamesFileRun, IsReadWhenPresentAndQuietWithQuiet) {
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("SPECNAME.DAT", "# Name\tFormula\nMethanol , CH3OH\n");
  ProgramResult r = RunIn(dir, {});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(HasLine(r, " Reading & parsing SPECNAME.DAT names/mass file..")) << r.out;

  ProgramResult quiet = RunIn(dir, {"-QUIET"});
  EXPECT_EQ(quiet.status, 0) << quiet.out;
  EXPECT_EQ(quiet.out.find("names/mass file"), std::string::npos) << quiet.out;

  // Another names file named on the command line; a missing one is no error.
  dir.Write("MYNAMES.DAT", "Ethanol\tC2H5OH\n");
  ProgramResult other = RunIn(dir, {"-SPNAME:MYNAMES.DAT"});
  EXPECT_TRUE(HasLine(other, " Reading & parsing MYNAMES.DAT names/mass file..")) << other.out;
  ProgramResult missing = RunIn(dir, {"-SPNAME:NONE.DAT"});
  EXPECT_EQ(missing.status, 0) << missing.out;
  EXPECT_EQ(missing.out.find("names/mass file"), std::string::npos) << missing.out;
}

TEST(NamesFileRun, FormulaProblemsWarnAndASignsOnlyFormulaStops) {
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("SPECNAME.DAT", "Methyl\tCH3)\n");
  ProgramResult warned = RunIn(dir, {});
  EXPECT_EQ(warned.status, 0) << warned.out;
  EXPECT_TRUE(HasLine(warned, "  Warning Error #  13")) << warned.out;
  EXPECT_TRUE(HasLine(warned, " mass formula CH3)")) << warned.out;

  dir.Write("SPECNAME.DAT", "Methanol\tCH3OH\nElectron\t--\n");
  ExpectFatalEnd(RunIn(dir, {}), 28, {},
                 {"Not a valid species name in species names file SPECNAME.DAT", "'--'"});
}

}  // namespace
}  // namespace tarnavel::e2e
