#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

const std::string kPause = "  ***  Please press the <ENTER> key to continue.  *** ";

// The help as the console shows it: one blank column before every text line.
const std::vector<std::string> kHelpLines = {
    "",
    " The following command line options are:",
    "",
    " -ah See advanced Tarnavel settings.",
    " -QUIET Don't diplay output or warnings.",
    " -PARM:filename (Parameter Description Input File)",
    " -SPNAME:filename (Species Common_Name/Mass Input File)",
    " -SPEC:filename (Species Description Input File)",
    " -MOD:filename (Model Description Input File)",
    " -OUT:filename (Concentration Output File)",
    " -THERM:filename (Enter thermodynamics mode and use",
    " filename as the thermodynamic database spreasheet)",
    " -c Create SPECIES.DAT file from model, then stop.",
    " -show Display to screen the concentration of species,",
    "       time and dt's.",
    " -ig:mass Ignore Mass Balance.",
    " -ig:charge Ignore Charge Balance.",
    " -ig:warn Ignore all warnings.",
    "",
    kPause,
    "",
    " -SENSIT:  Output Sensitivity Analysis Output File",
    "  -SENSIT:1(:n1 (:n2) ) Use sensitivity analysis #1 with",
    "  the following optional numeric entries: ",
    "  n1 :perform analysis at various parts in the simulation",
    "  (default is three: beginning, middle and the end)",
    "  -OR- n1=TIMES,t1,t2,tn... where t1,t2 and tn are",
    "  times(in sec.) to perform the sensitivity analysis.",
    "  n2 = percent difference in k's used (5% default) ",
    "  just typing -SENSIT:1 is equal to -SENSIT:1:3:5 ",
    "",
    " -KINSTAT Output statistics on the kinetic system ",
    "          into the file KINSTAT.TXT . ",
    " -SEEMW Output all species and their corresponding ",
    "  molecular weight into the file MW.TXT. ",
    " -P Load a user provided periodic table from the text",
    "    file PERIOD.DAT",
    " -o:Y/N:Y/N:Y/N:Y/N Output files based on various",
    "    physical properties/rates on the system as it runs. ",
    " -h/? You get this list.",
    "",
    kPause,
    "",
    " -FIT:a:b:c:d:e:f[:g:h:i] Fit/Optimize your model against",
    "     experimental/fabricated data. ",
    " a=Fitting Algorithm=1, 2, 3  ",
    " b=Comparison Operator=1, 2, 3 ",
    " c=User Dataset Filename=Any allowed text filename",
    " d=Tolerance=1 to 10(-14)\t\t  ",
    " e=Maximum Iterations Allowed=1-32767  ",
    " f=Starting Vectors=1x10(-99) to 1x10(10) ",
    " g=Starting Temperature=1x10(-100) to 1x10(10) ",
    " h=Number of Cycles to Stay At Current Temperature ",
    " Before Reducing Temperature=1-32767\t  ",
    " i=Percent Temperature Reduction=0 - 0.99999 ",
    "",
    " -FIT sets default values to, a=1, b=1,\t  ",
    " c=FITDATA.TXT, d=1x10(-6),e=9000\t   ",
    " f=1x10(-35)",
    "",
    " Make sure you type the command exactly the way it",
    " appears.",
};

const std::vector<std::string> kAdvancedHelpLines = {
    " -anjac Use analytically calculated jacobians.",
    " -d### Where ### is the ASCII code of the data",
    "        delimiter used in the input files.",
    " -INT:n1[:n2] Where n1 is the type of integrator used and n2 is a",
    "  secondary integrator option:\t",
    "         n1 = 1 Modified Bader-Deuflhard (default)",
    "           n2=1 use polynomial extrapolation (default) ",
    "           n2=2 use rational extrapolation           ",
    "         n1 = 2 Cash-Karp Runge-Kutta integrator  ",
    "         n1 = 3 Modified Rosenbrock integrator (# of species <50)",
    " -OF Output a freeform thermodynamic database spreadsheet",
    " -y Set the lower threshold for the concentration.",
    "",
};

// The command line is read before anything else is printed, so the text
// stands at the start of the output; nothing is said to follow it here.
void ExpectStartsWith(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  ASSERT_GE(lines.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
  }
}

TEST(CommandLineE2E, HelpPrintsItsTextWithPausesAndEndsNormally) {
  for (const char* exe : {kLargeExe, kStandardExe}) {
    SCOPED_TRACE(exe);
    TempDir dir;
    ProgramResult r = RunIn(dir, {"-h"}, "", exe);
    EXPECT_EQ(r.status, 0) << r.out;
    ExpectStartsWith(r.lines, kHelpLines);
  }
}

TEST(CommandLineE2E, AdvancedHelpPrintsItsTextAndEndsNormally) {
  TempDir dir;
  ProgramResult r = RunIn(dir, {"-ah"});
  EXPECT_EQ(r.status, 0) << r.out;
  ExpectStartsWith(r.lines, kAdvancedHelpLines);
  EXPECT_FALSE(r.Contains("Please press"));
}

struct IllegalRun {
  std::vector<std::string> args;
  std::vector<std::string> lines;
};

TEST(CommandLineE2E, IllegalSwitchesStopWithTheirMessage) {
  const IllegalRun cases[] = {
      {{"-QUIET", "-THERMX"}, {" ???? Unknown setting:-THERMX"}},
      {{"-o:Y:N"}, {" Unknown/Illegal settings for -o switch..."}},
      {{"-INT:4"}, {" 2. Illegal settings in -INT:4", " at 4 for -INT."}},
      {{"-SENSIT:1:TIMES"}, {" Illegal settings in -SENSIT:1:TIMES", " at TIMES"}},
      // Analysis times after the start and increasing; a change strictly between 0 and 100 %.
      {{"-SENSIT:1:TIMES,5,2"}, {" Illegal settings in -SENSIT:1:TIMES,5,2", " at TIMES,5,2"}},
      {{"-SENSIT:1:TIMES,0,2"}, {" Illegal settings in -SENSIT:1:TIMES,0,2", " at TIMES,0,2"}},
      {{"-SENSIT:1:TIMES,2,2"}, {" Illegal settings in -SENSIT:1:TIMES,2,2", " at TIMES,2,2"}},
      {{"-SENSIT:1:3:0"}, {" Illegal settings in -SENSIT:1:3:0", " at 0"}},
      {{"-SENSIT:1:3:100"}, {" Illegal settings in -SENSIT:1:3:100", " at 100"}},
      {{"-FIT:3:D:D:D:D:D:D:D:1.0"},
       {"", " Illegal settings for % temperature decrease", " setting in the -FIT option."}},
  };
  for (const IllegalRun& c : cases) {
    SCOPED_TRACE(c.args.back());
    TempDir dir;
    ProgramResult r = RunIn(dir, c.args);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_EQ(r.lines, c.lines);
  }
}

}  // namespace
}  // namespace tarnavel::e2e
