// Behaviour of the catalogues around the texts: suppression switches, the
// once-per-species warning, unknown numbers, the per-file field counts of
// error 2 and the way inserted values are joined into the lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/diagnostics.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Lines = std::vector<std::string>;

// Runs a fatal error and returns the stop it raised.
ProgramStop CatchFatal(Run& run, int number) {
  try {
    FatalError(run, number);
  } catch (const ProgramStop& stop) {
    return stop;
  }
  ADD_FAILURE() << "fatal error " << number << " returned";
  return {};
}

Lines Between(const Lines& lines, std::size_t first, std::size_t count) {
  return Lines(lines.begin() + first, lines.begin() + first + count);
}

TEST(FatalError, StillPrintsWhenQuietAndEndsWithTheStoppedStatus) {
  CapturedRun c;
  c.run.sw.quiet = true;
  c.run.sw.ignore_warnings = true;
  ProgramStop stop = CatchFatal(c.run, 38);
  EXPECT_EQ(stop.exit_status, kExitStopped);
  EXPECT_EQ(stop.fatal_number, 38);
  Lines lines = c.Lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[3], "  FATAL Error #  38");
  EXPECT_EQ(lines[lines.size() - 2], " Simulation TERMINATED with FATAL ERROR.");
  EXPECT_EQ(c.Text().find('\a'), std::string::npos);
}

TEST(UnknownNumbers, PrintOnlyTheirFrames) {
  CapturedRun fatal;
  CatchFatal(fatal.run, 4);
  EXPECT_EQ(fatal.Lines(), (Lines{"", " ******************** FATAL ERROR ***********************",
                                  " ALERT!!  User or Disk ERROR!!", "  FATAL Error #   4", "",
                                  " Simulation TERMINATED with FATAL ERROR.", ""}));

  CapturedRun warning;
  Warning(warning.run, 998);
  EXPECT_EQ(warning.Lines(),
            (Lines{"", " *********************** WARNING ***********************",
                   "  Warning Error # 998",
                   " *******************************************************", ""}));

  CapturedRun notice;
  Notice(notice.run, 7);
  EXPECT_EQ(notice.Lines(), (Lines{"", " **************** For Your Information ****************",
                                   "  FYI Code #  7",
                                   " ******************************************************", ""}));
}

TEST(UnknownNumbers, WarningAbove998SaysItIsUndefined) {
  for (int number : {999, 1234}) {
    CapturedRun c;
    Warning(c.run, number);
    Lines lines = c.Lines();
    ASSERT_EQ(lines.size(), 6u) << number;
    EXPECT_EQ(lines[2], "  Warning Error #" + std::string(number < 1000 ? " " : "") +
                            std::to_string(number));
    EXPECT_EQ(lines[3], " ??? Undefined warning message..");
  }
}

TEST(Warning, QuietOrIgnoreWarningsPrintsNothing) {
  for (bool quiet : {false, true}) {
    CapturedRun c;
    c.run.sw.quiet = quiet;
    c.run.sw.ignore_warnings = !quiet;
    Warning(c.run, 21);
    Warning(c.run, 1234);
    EXPECT_EQ(c.Text(), "");
  }
}

TEST(Notice, QuietSilencesItButIgnoreWarningsDoesNot) {
  CapturedRun quiet;
  quiet.run.sw.quiet = true;
  Notice(quiet.run, 2);
  EXPECT_EQ(quiet.Text(), "");

  CapturedRun ignoring;
  ignoring.run.sw.ignore_warnings = true;
  Notice(ignoring.run, 2);
  EXPECT_NE(ignoring.Text().find("Concentration of displayed species are stored in"),
            std::string::npos);
}

TEST(Warning, OutOfRangeTemperatureIsReportedOncePerSpecies) {
  CapturedRun c;
  auto warn = [&c](int species, const std::string& name) {
    c.Clear();
    c.run.msg.species = species;
    c.run.msg.name1 = name;
    Warning(c.run, 35);
    return !c.Text().empty();
  };
  EXPECT_TRUE(warn(5, "CH4"));
  EXPECT_FALSE(warn(5, "CH4"));
  EXPECT_TRUE(warn(6, "O2"));
  EXPECT_FALSE(warn(6, "O2"));
  EXPECT_FALSE(warn(5, "CH4"));
  // Other warnings for the same species are not affected.
  c.Clear();
  c.run.msg.species = 5;
  Warning(c.run, 5);
  EXPECT_FALSE(c.Text().empty());
}

TEST(Warning, OutOfRangeTemperatureWithoutSpeciesNumberIsAlwaysReported) {
  CapturedRun c(kStandardCapacity);
  for (int species : {0, 91, 5000}) {
    for (int repeat = 0; repeat < 2; ++repeat) {
      c.Clear();
      c.run.msg.species = species;
      Warning(c.run, 35);
      EXPECT_FALSE(c.Text().empty()) << species;
    }
  }
}

struct FieldCountCase {
  int filecode;
  std::string kind;
  std::string count;
  bool comment_note;
};

TEST(FatalError2, QuotesTheFieldCountOfTheFileBeingRead) {
  const std::vector<FieldCountCase> cases{
      {kSpeciesFile, "species description file", "9", true},
      {kModelFile, "model description file", "5", true},
      {kParameterFile, "parameter description file", "5", false},
      {kNamesFile, "species names file", "3", true},
      {kThermoFile, "thermodynamic description file", "4", false},
      {kPeriodicFile, "periodic table file", "3", true},
  };
  for (const FieldCountCase& fc : cases) {
    CapturedRun c;
    c.run.reader.filecode = fc.filecode;
    c.run.reader.line = "1\t2\t3\t4\t5\t6\t7\t8\t9\t10";
    c.run.reader.srcline = 4;
    CatchFatal(c.run, 2);
    Lines lines = c.Lines();
    Lines expected{" ERROR!, INCORRECT NUMBER OF FIELDS IN " + fc.kind + " " +
                       c.run.reader.filename[fc.filecode],
                   " YOU SHOULD HAVE NO MORE THAN " + fc.count + " FIELDS"};
    if (fc.comment_note) expected.push_back(" INCLUDING OPTIONAL COMMENT FIELD AT END!");
    expected.push_back(" LINE READS:");
    expected.push_back(" ' 1\t2\t3\t4\t5\t6\t7\t8\t9\t10 '");
    expected.push_back(" ( source line # 4 )");
    ASSERT_GE(lines.size(), 4 + expected.size()) << fc.filecode;
    EXPECT_EQ(Between(lines, 4, expected.size()), expected) << fc.filecode;
    EXPECT_EQ(lines[4 + expected.size()], "") << fc.filecode;
  }
}

TEST(FatalError, FileOutsideTheDescriptionFilesIsNamedByTheCaller) {
  CapturedRun c;
  c.run.reader.filecode = kNoFile;
  c.run.msg.name1 = "FITDATA.TXT";
  c.run.reader.line = "0.5";
  c.run.reader.srcline = 3;
  CatchFatal(c.run, 1);
  Lines lines = c.Lines();
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[4], " No data fields in FITDATA.TXT...");
  EXPECT_EQ(lines[6], " in FITDATA.TXT and/or the correct data delimiter is");
}

TEST(MessageLines, EmptyInsertedValueIsLeftOutWithItsBlank) {
  CapturedRun c;
  c.run.msg.n1 = 7;
  c.run.msg.n2 = 31;
  c.run.msg.name1 = "";
  Warning(c.run, 17);
  Lines lines = c.Lines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[4], " in reaction # 7");
  EXPECT_EQ(lines[5], " ( Source line number 31)");
}

TEST(MessageLines, InsertedNamesLoseTrailingBlanksButQuotedLineKeepsInnerOnes) {
  CapturedRun c;
  c.run.reader.filecode = kSpeciesFile;
  c.run.reader.filename[kSpeciesFile] = "MY SPECIES.DAT   ";
  c.run.reader.line = "  CH4 , 1.0e-3 ,,   ";
  c.run.reader.srcline = 0;
  c.run.msg.name1 = "CH4   ";
  CatchFatal(c.run, 10);
  Lines lines = c.Lines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[4], " Duplicate species found in MY SPECIES.DAT");
  EXPECT_EQ(lines[5], " CH4 has duplicate! Please correct.");

  c.Clear();
  CatchFatal(c.run, 88);
  lines = c.Lines();
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[5], " LINE READS:");
  EXPECT_EQ(lines[6], " '   CH4 , 1.0e-3 ,, '");
  EXPECT_EQ(lines[7], " ( source line # 0 )");
}

TEST(MessageLines, LimitsAndNumbersAreWrittenWithoutPadding) {
  CapturedRun c(kStandardCapacity);
  c.run.msg.n1 = 856;
  CatchFatal(c.run, 22);
  Lines lines = c.Lines();
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[6], " (856)");
}

}  // namespace
}  // namespace tarnavel
