// Model description files read by the real programs: malformed lines end in
// their numbered messages, missing species are listed in ADDSPEC.TXT, and the
// create-species-file mode writes the list and stops.

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

const char* const kSpecies =
    "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n"
    "A\t0\t1.0\tY\t0\tN\tN\n"
    "B\t0\t0\tY\t0\tN\tN\n"
    "C\t0\t0\tY\t0\tN\tN\n"
    "D\t0\t0\tY\t0\tN\tN\n"
    "E\t0\t0\tY\t0\tN\tN\n"
    "N2\t0\t0\tN\t0\tN\tN\n"
    "Cl+\t0\t0\tN\t0\tN\tN\n"
    "e-\t0\t0\tN\t0\tN\tN\n";

// A directory with complete parameter and species files and the given model.
void WriteModel(const TempDir& dir, const std::string& model) {
  WriteSmallModel(dir);
  dir.Write("SPECIES.DAT", kSpecies);
  dir.Write("MODEL.DAT", model);
}

// The last lines of a run stopped by a fatal error: its whole frame.
std::vector<std::string> FatalFrame(int number, const std::vector<std::string>& message) {
  const std::string num = std::to_string(number);
  std::vector<std::string> lines = {"", " ******************** FATAL ERROR ***********************",
                                    " ALERT!!  User or Disk ERROR!!",
                                    "  FATAL Error #" + std::string(4 - num.size(), ' ') + num};
  for (const std::string& m : message) lines.push_back(" " + m);
  lines.insert(lines.end(), {"", " Simulation TERMINATED with FATAL ERROR.", ""});
  return lines;
}

void ExpectFatal(const ProgramResult& r, int number, const std::vector<std::string>& message) {
  EXPECT_EQ(r.status, 1) << r.out;
  const std::vector<std::string> frame = FatalFrame(number, message);
  ASSERT_GE(r.lines.size(), frame.size()) << r.out;
  const std::vector<std::string> tail(r.lines.end() - static_cast<long>(frame.size()), r.lines.end());
  EXPECT_EQ(tail, frame) << r.out;
}

std::vector<std::string> LineReads(const std::string& line, int srcline) {
  return {"LINE READS:", "' " + line + " '", "( source line # " + std::to_string(srcline) + " )"};
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ModelFileRun, MalformedReactionsStopWithTheirMessages) {
  struct Case {
    std::string bad;  // the offending line, after one good line and a comment
    int fatal;
    std::vector<std::string> message;
  };
  const Case cases[] = {
      {"1.0E-3\tA => B", 14,
       {"Ill-formed reaction line in the model description", "file : MODEL.DAT",
        "Remember to use '==>' to represent 'produces'", "on a reaction line. Check for other possible errors."}},
      {"1.0E-3\tA ==>", 15, {"Missing Reactant/Product on reaction line", "in MODEL.DAT. Please correct."}},
      {"1.0E-3\tA ==> +B", 24,
       {"An illformed reaction line has been found", "in MODEL.DAT!!", "Remember to place charges on species on the",
        "right-hand side, ie. Cl+++ .", "Remember to use '==>' to represent 'produces'",
        "on a reaction line. Check for other possible errors.", "Please correct."}},
      {"1.0E-3\tA ==> B + C + D + E + F", 40,
       {"You have exceeded the number of products", "that can appear in one reaction.",
        "Try to split the global reaction", "into two global reactions.\tYou can do this with",
        "with ANY global reaction.", "-OR-", "Contact company for an upgrade."}},
      {"abc\tA ==> B", 88, {"INVALID NUMBER FOUND IN model description file MODEL.DAT"}},
      {"1.0E-3\t1\t2\t3\tA ==> B\tcomment", 2,
       {"ERROR!, INCORRECT NUMBER OF FIELDS IN model description file MODEL.DAT",
        "YOU SHOULD HAVE NO MORE THAN 5 FIELDS", "INCLUDING OPTIONAL COMMENT FIELD AT END!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bad);
    TempDir dir;
    WriteModel(dir, "# k\treaction\n0.1\tA ==> B\n" + c.bad + "\n");
    ExpectFatal(RunIn(dir, {}), c.fatal, Join(c.message, LineReads(c.bad, 3)));
  }
}

TEST(ModelFileRun, MalformedBracketGroupsStopWithTheirMessages) {
  struct Case {
    std::string bad;
    int fatal;
    std::vector<std::string> message;
  };
  const Case cases[] = {
      {"1.0E-3\tA + M[] ==> B", 79,
       {"There are no parameters or inappropriate", "parameters set for the enhanced third body!!",
        "You have specified a special enhanced third body", "reaction but have provided no parameters to go with",
        "M[..], such as CH3CH2 + H + M[-O2(2.17)] ==> CH3CH3", "OR",
        "CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;", "N2(2.32);O2(1);,H2(1.32)] ==> CH3CH3.",
        "MODEL.DAT"}},
      {"1.0E-3\tA + M[N2(1.4] ==> B", 83,
       {"A malformed enhanced third body reaction has been", "detected. You are missing a RIGHT paranthesis for",
        "an enhanced body between the +M[....] ."}},
      {"1.0E-3\tA + B + S[LT;2.3] ==> C", 91,
       {"There are no parameters or inappropriate", "parameters set for the Landau-Teller rate expression.",
        "For Landau-Teller type reactions you", "should use the following example format:",
        "CH3CH2 + H + S[LT;2.3;4.3]==> CH3CH3."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bad);
    TempDir dir;
    WriteModel(dir, "# k\treaction\n0.1\tA ==> B\n" + c.bad + "\n");
    ExpectFatal(RunIn(dir, {}), c.fatal, Join(c.message, LineReads(c.bad, 3)));
  }
}

TEST(ModelFileRun, AMissingModelFileIsFatal32) {
  TempDir dir;
  WriteModel(dir, "0.1\tA ==> B\n");
  ExpectFatal(RunIn(dir, {"-MOD:NOPE.DAT"}), 32, {"Model description file NOPE.DAT"});
}

TEST(ModelFileRun, TheStandardProgramHoldsFewerReactionsAndSpecialEntries) {
  {
    TempDir dir;
    std::string model;
    for (int i = 0; i < 857; ++i) model += "0.1\tA ==> B\n";
    WriteModel(dir, model);
    ExpectFatal(RunIn(dir, {}, "", kStandardExe), 22,
                {"You have exceeded the maximum number of reactions", "allowed in this version of Tarnavel.", "(856)",
                 "Contact company for an upgrade."});
  }
  {
    TempDir dir;
    std::string model;
    for (int i = 0; i < 71; ++i) model += "0.1\tA + M[N2(1.4)] ==> B\n";
    WriteModel(dir, model);
    ExpectFatal(RunIn(dir, {}, "", kStandardExe), 86,
                {"You have too many special reactions (either too many", "enhanced third body reaction, plasma reactions,",
                 "vibrational energy transfer reactions, etc.)", "Reduce them or contact the author of Tarnavel to",
                 "send you an enhanced version to handle this."});
    // The large program takes the same model.
    ProgramResult large = RunIn(dir, {"-QUIET"});
    EXPECT_FALSE(large.Contains("FATAL Error #  86")) << large.out;
  }
  {
    TempDir dir;
    std::string model;
    for (int i = 0; i < 90; ++i) model += "0.1\tA ==> X" + std::to_string(i) + "\n";
    WriteModel(dir, model);
    ExpectFatal(RunIn(dir, {"-QUIET"}, "", kStandardExe), 21,
                {"You have exceeded the maximum number of species", "allowed in this version of Tarnavel.", "(90)",
                 "Contact company for an upgrade."});
  }
}

TEST(ModelFileRun, MissingSpeciesAreListedAndTheRunGoesOn) {
  TempDir dir;
  WriteModel(dir, "0.1\tA ==> B + F\n0.2\tF + Cl+ ==> G--\n");
  ProgramResult r = RunIn(dir, {});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(dir.Read("ADDSPEC.TXT"),
            "# Species\tResidence\tInitial\tDisplay Output\t  External\tSSA ?\tConstant File?\n"
            "#     \tTime in CSTR(s)\tConc.\t(Y/N) ?\tConc.\t(Y/N)\t(Filename/#/No)\n"
            "         F\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "       G--\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n");
  const auto at = [&](const std::string& line) {
    return std::find(r.lines.begin(), r.lines.end(), line) - r.lines.begin();
  };
  const long warning = at(" THE SPECIES: 'F'");
  ASSERT_LT(warning, static_cast<long>(r.lines.size())) << r.out;
  EXPECT_EQ(r.lines[warning - 1], "  Warning Error #   3");
  EXPECT_EQ(r.lines[warning + 4], " in the species containing file: SPECIES.DAT");
  const long echo = at("         F\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo");
  EXPECT_GT(echo, warning);
  EXPECT_EQ(r.lines[echo + 1], " Outputted to file ADDSPEC.TXT ....");
  EXPECT_LT(at(" THE SPECIES: 'G--'"), static_cast<long>(r.lines.size()));
  const long notice = at("  FYI Code #  1");
  EXPECT_GT(notice, echo);
  EXPECT_EQ(r.lines[notice + 2], " species that were not found in the SPECIES.DAT species");
  EXPECT_LT(notice, at(" Running Simulation ..."));
}

TEST(ModelFileRun, CreateSpeciesFileModeWritesTheListAndStops) {
  TempDir dir;
  dir.Write("PARM.DAT", "1.0E-10\t1\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t10\t0\nNone1\t1\t1\t1.0E-8\t0\n0\t0\t0\t0\t0\n");
  dir.Write("MODEL.DAT",
            "# no species file yet\n"
            "0.1\tO3 + hv ==> O2 + O\n"
            "2.0E-12, 0, 1400, NO + O3 ==> NO2 + O2, comma separated\n"
            "1.0E-9\tCl++ ==> Cl+ + e-\n");
  ProgramResult r = RunIn(dir, {"-c"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(dir.Read("ADDSPEC.TXT"),
            "# Species\tResidence\tInitial\tDisplay Output\t  External\tSSA ?\tConstant File?\n"
            "#     \tTime in CSTR(s)\tConc.\t(Y/N) ?\tConc.\t(Y/N)\t(Filename/#/No)\n"
            "        O3\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "        O2\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "         O\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "        NO\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "       NO2\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "      Cl++\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "       Cl+\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "        e-\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n");
  EXPECT_FALSE(r.Contains("WARNING")) << r.out;
  EXPECT_FALSE(r.Contains("FATAL")) << r.out;
  EXPECT_FALSE(r.Contains("Running Simulation")) << r.out;
  EXPECT_FALSE(dir.Exists("CONC.TXT"));
  const std::vector<std::string> expected = {
      "",
      " **************** For Your Information ****************",
      "  FYI Code # 11",
      " The file ADDSPEC.TXT has been created. It contains",
      " all the species in the model MODEL.DAT",
      " You should go over the file with a spreadsheet program",
      " and modify it for your model MODEL.DAT, ",
      " and rename the ADDSPEC.TXT file to an",
      " appropriate name.",
      " " + std::string(54, '*'),
      "",
  };
  ASSERT_GE(r.lines.size(), expected.size());
  const std::vector<std::string> tail(r.lines.end() - static_cast<long>(expected.size()), r.lines.end());
  EXPECT_EQ(tail, expected) << r.out;
}

}  // namespace
}  // namespace tarnavel::e2e
