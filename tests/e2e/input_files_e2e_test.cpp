// Malformed parameter and species files end in their numbered messages.

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

// The last lines of a run stopped by a fatal error: its whole frame.
std::vector<std::string> FatalFrame(int number, const std::vector<std::string>& message) {
  std::string num = std::to_string(number);
  std::vector<std::string> lines = {"", " ******************** FATAL ERROR ***********************",
                                    " ALERT!!  User or Disk ERROR!!",
                                    "  FATAL Error #" + std::string(4 - num.size(), ' ') + num};
  for (const std::string& m : message) lines.push_back(" " + m);
  lines.insert(lines.end(), {"", " Simulation TERMINATED with FATAL ERROR.", ""});
  return lines;
}

std::vector<std::string> Tail(const ProgramResult& r, size_t n) {
  if (r.lines.size() < n) return r.lines;
  return std::vector<std::string>(r.lines.end() - static_cast<long>(n), r.lines.end());
}

void ExpectFatal(const ProgramResult& r, int number, const std::vector<std::string>& message) {
  EXPECT_NE(r.status, 0) << r.out;
  const auto frame = FatalFrame(number, message);
  EXPECT_EQ(Tail(r, frame.size()), frame) << r.out;
}

TEST(ParameterFileRun, BadFilesStopWithTheirMessages) {
  struct Case {
    std::string parm;
    int fatal;
    std::vector<std::string> message;
  };
  const std::string rest = "298\tNO\t0\t0\t0\n0\t0\t0\t10\t0\nNone1\t1\t1\t1.0E-8\t0\n0\t0\t0\t0\t0\n";
  const Case cases[] = {
      {"# steps\n1.0E-10\t1\tJ\tMOL/L\n" + rest, 2,
       {"ERROR!, INCORRECT NUMBER OF FIELDS IN parameter description file PARM.DAT",
        "YOU SHOULD HAVE NO MORE THAN 5 FIELDS", "LINE READS:", "' 1.0E-10\t1\tJ\tMOL/L '", "( source line # 2 )"}},
      {"1.0E-10\t1\tergs\tMOL/L\t0\n" + rest, 96,
       {"Unknown units of energy of activation have been set", "in the parameters description file.",
        "Units can be KCAL,CAL,KJ,J or KELVIN."}},
      {"1.0E-10\t1\tJ\tmol/m3\t0\n" + rest, 97,
       {"Unknown units of concentration have been set in", "the parameters description file.",
        "Units can be moles/L (0), molecules/cm^3 (1), ppm (2)", "or moles/cm^3 (3)."}},
      {"1.0E-10\t1\tJ\tppm\t0\n298\tYES\t0\t0\t0\n0\t0\t0\t10\t0\nNone1\t1\t1\t1E-8\t0\n0\t0\t0\t0\t0\n", 98,
       {"The concentration units of ppm (2) cannot be used", "with thermodynamics or constant pressure settings.",
        "You should be using concentration units of", "moles/cc (3)."}},
      {"1.0E-10\t1\tJ\tMOL/L\t0\n298\tYES\tVOL.DAT\t0\t0\n0\t0\t0\t10\t0\nNone1\t1\t1\t1E-8\t0\n0\t0\t0\t0\t0\n", 92,
       {"You cannot have both the pressure and volume",
        "held constant. You have specified a volume profile",
        "file and have \"YES\" in the constant pressure field in", "parameters file: PARM.DAT"}},
      {"1.0E-10\t1,5\tJ\tMOL/L\t0\n" + rest, 88,
       {"INVALID NUMBER FOUND IN parameter description file PARM.DAT", "LINE READS:",
        "' 1.0E-10\t1,5\tJ\tMOL/L\t0 '", "( source line # 1 )"}},
      {"1|2|" + std::string(341, ' ') + "3|4|5\n" + rest, 3,
       {"NO DATA DELIMITERS FOUND IN PARM.DAT", "Make sure data delimiters (comma, TAB, etc.) are",
        "in PARM.DAT and/or the correct data delimiter is", "set. If you haven't set it, then by default a TAB",
        "is used to separate fields.", "Use the -d option to change this (Type Tarnavel ?).", "LINE READS:",
        "' 1|2|" + std::string(341, ' ') + "3|4|5 '", "( source line # 1 )"}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteSmallModel(dir);
    dir.Write("PARM.DAT", c.parm);
    SCOPED_TRACE(c.fatal);
    ExpectFatal(RunIn(dir, {}), c.fatal, c.message);
  }
}

TEST(ParameterFileRun, AMissingFileGivesWarning20AndTheDefaults) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {"-PARM:NOPE.DAT"});
  ASSERT_EQ(r.status, 0) << r.out;
  const std::vector<std::string> warning = {
      "",
      " *********************** WARNING ***********************",
      "  Warning Error #  20",
      " Parameter description file NOPE.DAT",
      " CANNOT BE FOUND !!!!",
      " Make sure the file exists and/or is in the correct",
      " directory. (Usually the same directory as TARNAVEL.)",
      " NOPE.DAT",
      " Setting parameter values to their defaults:",
      " Simulation Time = 10 Minutes, Units = 0 (moles/liter)",
      " hv(filename) = None1, Minimum Integration Time = 1.0E-10",
      " Maximum Integration Time = 1 Second, Accuracy = 1.0E-8",
      " Percent difference = 0%, Temperature = 298 K",
      " & Pressure = 101 kPa.",
      " " + std::string(55, '*'),
      "",
      " Concentration units set to moles/liter, sec.",
  };
  auto at = std::search(r.lines.begin(), r.lines.end(), warning.begin(), warning.end());
  EXPECT_NE(at, r.lines.end()) << r.out;
}

TEST(SpeciesFileRun, BadFilesStopWithTheirMessages) {
  struct Case {
    std::string species;
    int fatal;
    std::vector<std::string> message;
  };
  const Case cases[] = {
      {"A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nA\t0\t2\tY\t0\tN\tN\n", 10,
       {"Duplicate species found in SPECIES.DAT", "A has duplicate! Please correct."}},
      {"A\t0\t1\tY\t0\tN\tN\n++\t0\t0\tY\t0\tN\tN\n", 28,
       {"Not a valid species name in species description file SPECIES.DAT", "'++'"}},
      {"# comment\nA\t0\t1\tY\t0\tN\tN\tnote\tmore\n", 2,
       {"ERROR!, INCORRECT NUMBER OF FIELDS IN species description file SPECIES.DAT",
        "YOU SHOULD HAVE NO MORE THAN 9 FIELDS", "INCLUDING OPTIONAL COMMENT FIELD AT END!", "LINE READS:",
        "' A\t0\t1\tY\t0\tN\tN\tnote\tmore '", "( source line # 2 )"}},
      {"A 0 1 Y 0 N N\n", 1,
       {"No data fields in SPECIES.DAT...", "Make sure data delimiters (comma, TAB, etc.) are",
        "in SPECIES.DAT and/or the correct data delimiter is", "set. If you haven't set it, then by default a TAB",
        "is used to separate fields.", "Use the -d option to change this (Type Tarnavel ?).", "LINE READS:",
        "' A 0 1 Y 0 N N '", "( source line # 1 )"}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteSmallModel(dir);
    dir.Write("SPECIES.DAT", c.species);
    SCOPED_TRACE(c.fatal);
    ExpectFatal(RunIn(dir, {}), c.fatal, c.message);
  }
}

TEST(SpeciesFileRun, AMissingFileStopsWithFatal31) {
  TempDir dir;
  WriteSmallModel(dir);
  ExpectFatal(RunIn(dir, {"-SPEC:GONE.DAT"}), 31, {"Species description file GONE.DAT"});
  // A name too long for the file system is a file that cannot be found.
  const std::string too_long(300, 'Z');
  const ProgramResult r = RunIn(dir, {"-SPEC:" + too_long});
  EXPECT_NE(r.out.find("Species description file " + too_long), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FATAL Error #  31"), std::string::npos) << r.out;
  EXPECT_NE(r.status, 0);
}

TEST(SpeciesFileRun, TheStandardProgramRefusesNinetyOneSpecies) {
  std::string species;
  for (int i = 1; i <= 89; ++i) species += "S" + std::to_string(i) + "\t0\t1\tN\t0\tN\tN\n";
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("SPECIES.DAT", species);
  ExpectFatal(RunIn(dir, {}, "", kStandardExe), 21,
              {"You have exceeded the maximum number of species", "allowed in this version of Tarnavel.", "(90)",
               "Contact company for an upgrade."});
  ProgramResult large = RunIn(dir, {});
  EXPECT_EQ(large.out.find("FATAL Error #  21"), std::string::npos) << large.out;
}

TEST(SpeciesFileRun, ReservedNamesGiveWarning1AndTheLineIsIgnored) {
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("SPECIES.DAT", "M\t0\t1\tY\t0\tN\tN\nA\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n");
  ProgramResult r = RunIn(dir, {});
  const std::vector<std::string> warning = {
      "  Warning Error #   1",
      " You cannot define 'hv' and 'M' as species.",
      " These are internal species that have special",
      " definitions in Tarnavel. Remove M from",
      " your species file: SPECIES.DAT",
      " You DO NOT have to define these species.",
      " (Ignoring line...)",
  };
  EXPECT_NE(std::search(r.lines.begin(), r.lines.end(), warning.begin(), warning.end()), r.lines.end()) << r.out;

  ProgramResult quiet = RunIn(dir, {"-ig:warn"});
  EXPECT_EQ(quiet.out.find("Warning Error"), std::string::npos);
}

}  // namespace
}  // namespace tarnavel::e2e
