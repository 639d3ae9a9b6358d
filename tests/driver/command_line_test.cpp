#include "driver/command_line.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Args = std::vector<std::string>;

std::string Joined(const Args& args) {
  std::string s;
  for (const auto& a : args) s += "[" + a + "]";
  return s;
}

// Parses and returns the stop, if the command line ended the program.
std::optional<ProgramStop> Parse(CapturedRun& c, const Args& args) {
  try {
    ParseCommandLine(c.run, args);
  } catch (const ProgramStop& stop) {
    return stop;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// Valid switches and the settings they leave.

struct SettingCase {
  Args args;
  std::function<void(const Run&)> check;
};

const SettingCase kSettingCases[] = {
    {{"-c"}, [](const Run& r) { EXPECT_TRUE(r.sw.create_species_file); }},
    {{"-y1.5D-3"},
     [](const Run& r) {
       EXPECT_TRUE(r.sw.yscalmin_given);
       EXPECT_DOUBLE_EQ(r.sw.yscalmin, 1.5e-3);
     }},
    {{"-y.5e-20"}, [](const Run& r) { EXPECT_DOUBLE_EQ(r.sw.yscalmin, 0.5e-20); }},
    {{"-y+7"}, [](const Run& r) { EXPECT_DOUBLE_EQ(r.sw.yscalmin, 7.0); }},
    {{"-d044"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.delim_code, 44);
       EXPECT_TRUE(r.sw.custom_delim);
     }},
    {{"-d9"}, [](const Run& r) { EXPECT_EQ(r.sw.delim_code, 9); }},
    {{"-d255"}, [](const Run& r) { EXPECT_EQ(r.sw.delim_code, 255); }},
    {{"-o:Y:N:N:Y"}, [](const Run& r) { EXPECT_EQ(r.sw.output_mask, 1 | 8); }},
    {{"-o:y:Y:n:y"}, [](const Run& r) { EXPECT_EQ(r.sw.output_mask, 1 | 2 | 8); }},
    {{"-o:N::Y:N"}, [](const Run& r) { EXPECT_EQ(r.sw.output_mask, 4); }},
    {{"-o:Y:Y:Y:Y:"}, [](const Run& r) { EXPECT_EQ(r.sw.output_mask, 15); }},
    {{"-o:Y:Y:Y:Y", "-o:N:Y:N:N"}, [](const Run& r) { EXPECT_EQ(r.sw.output_mask, 2); }},
    {{"-THERM"},
     [](const Run& r) {
       EXPECT_TRUE(r.sw.thermo);
       EXPECT_EQ(r.sw.thermo_db, "THERM.DAT");
       EXPECT_EQ(r.sw.force_flags, 0);
     }},
    {{"-THERM:MYDB.DAT"},
     [](const Run& r) {
       EXPECT_TRUE(r.sw.thermo);
       EXPECT_EQ(r.sw.thermo_db, "MYDB.DAT");
       EXPECT_EQ(r.sw.force_flags, 0);
     }},
    {{"-THERM:D:FORCE2"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.thermo_db, "THERM.DAT");
       EXPECT_EQ(r.sw.force_flags, 3);
     }},
    {{"-THERM:A.DAT:FORCE"}, [](const Run& r) { EXPECT_EQ(r.sw.force_flags, 1); }},
    {{"-THERM:A.DAT:FORCE1"}, [](const Run& r) { EXPECT_EQ(r.sw.force_flags, 1); }},
    {{"-THERM:A.DAT:NO_FORCE"}, [](const Run& r) { EXPECT_EQ(r.sw.force_flags, 0); }},
    {{"-THERM::FORCE1"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.thermo_db, "THERM.DAT");
       EXPECT_EQ(r.sw.force_flags, 1);
     }},
    {{"-THERM:A.DAT:FORCE2", "-THERM:B.DAT"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.thermo_db, "B.DAT");
       EXPECT_EQ(r.sw.force_flags, 0);
     }},
    {{"-THERM:A.DAT:FORCE2", "-THERM"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.thermo_db, "THERM.DAT");
       EXPECT_EQ(r.sw.force_flags, 0);
     }},
    {{"-P"}, [](const Run& r) { EXPECT_EQ(r.sw.options, kOptUserPeriodic); }},
    {{"-p"}, [](const Run& r) { EXPECT_EQ(r.sw.options, kOptUserPeriodic | kOptSkipDuplicateElements); }},
    {{"-OF"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.options, kOptFreeThermo);
       EXPECT_TRUE(r.sw.show);
     }},
    {{"-showall", "-ig:mass", "-ig:warn", "-QUIET", "-DEBUG", "-SEEMW", "-KINSTAT", "-anjacobians"},
     [](const Run& r) {
       EXPECT_TRUE(r.sw.show && r.sw.ignore_mass && r.sw.ignore_warnings && r.sw.quiet);
       EXPECT_TRUE(r.sw.see_mw && r.sw.kinstat && r.sw.anjac);
       EXPECT_FALSE(r.sw.ignore_charge);
       EXPECT_EQ(r.sw.debug, 767);
     }},
    {{"-ig:charge"}, [](const Run& r) { EXPECT_TRUE(r.sw.ignore_charge && !r.sw.ignore_mass); }},
    // -P must be the whole argument: -PARM: sets the file name only.
    {{"-PARM:x.dat"},
     [](const Run& r) {
       EXPECT_EQ(r.reader.filename[kParameterFile], "x.dat");
       EXPECT_EQ(r.sw.options, 0);
     }},
    {{"-SPEC:s.dat", "-MOD:m.dat", "-SPNAME:n.dat", "-OUT:my conc.txt  "},
     [](const Run& r) {
       EXPECT_EQ(r.reader.filename[kSpeciesFile], "s.dat");
       EXPECT_EQ(r.reader.filename[kModelFile], "m.dat");
       EXPECT_EQ(r.reader.filename[kNamesFile], "n.dat");
       EXPECT_EQ(r.sw.conc_out_name, "my conc.txt");
     }},
    // An argument is a 350-character field: the rest is cut off.
    {{"-OUT:" + std::string(400, 'A')}, [](const Run& r) { EXPECT_EQ(r.sw.conc_out_name.size(), 345u); }},
    {{"-P  "}, [](const Run& r) { EXPECT_EQ(r.sw.options, kOptUserPeriodic); }},
    {{"-INT:3"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.integrator, kRosenbrock);
       EXPECT_EQ(r.sw.extrapolation, kPolynomial);
     }},
    {{"-INT:1:2"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.integrator, kExtrapolation);
       EXPECT_EQ(r.sw.extrapolation, kRational);
     }},
    // Only the sixth and, after a colon, the eighth character are looked at.
    {{"-INT:12"}, [](const Run& r) { EXPECT_EQ(r.sw.integrator, kExtrapolation); }},
    {{"-INT:3x"}, [](const Run& r) { EXPECT_EQ(r.sw.integrator, kRosenbrock); }},
    {{"-INT:1:2x"}, [](const Run& r) { EXPECT_EQ(r.sw.extrapolation, kRational); }},
    {{"-THERM:A.DAT:FORCE1:X"}, [](const Run& r) { EXPECT_EQ(r.sw.force_flags, 1); }},
    {{"-INT:1:2", "-INT:2"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.integrator, kCashKarp);
       EXPECT_EQ(r.sw.extrapolation, kPolynomial);
     }},
    {{"-SENSIT:0"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_mode, kSensitRates);
       EXPECT_EQ(r.sw.analysis_name, "ANALYSIS.TXT");
     }},
    {{"-SENSIT:0RATES.TXT"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_mode, kSensitRates);
       EXPECT_EQ(r.sw.analysis_name, "RATES.TXT");
     }},
    {{"-SENSIT:1"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_mode, kSensitAnalysis);
       EXPECT_EQ(r.sw.sensit_count, 3);
       EXPECT_DOUBLE_EQ(r.sw.sensit_pct, 5.0);
       EXPECT_FALSE(r.sw.sensit_times);
     }},
    {{"-SENSIT:1:7"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_count, 7);
       EXPECT_DOUBLE_EQ(r.sw.sensit_pct, 5.0);
     }},
    {{"-SENSIT:1:99:2.5d0"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_count, 99);
       EXPECT_DOUBLE_EQ(r.sw.sensit_pct, 2.5);
     }},
    {{"-SENSIT:1::2"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_count, 3);
       EXPECT_DOUBLE_EQ(r.sw.sensit_pct, 2.0);
     }},
    {{"-SENSIT:1:TIMES,10,20,30:2"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_mode, kSensitAnalysis);
       EXPECT_TRUE(r.sw.sensit_times);
       EXPECT_EQ(r.sw.sensit_count, 3);
       EXPECT_DOUBLE_EQ(r.sw.sensit_time[1], 10.0);
       EXPECT_DOUBLE_EQ(r.sw.sensit_time[2], 20.0);
       EXPECT_DOUBLE_EQ(r.sw.sensit_time[3], 30.0);
       EXPECT_DOUBLE_EQ(r.sw.sensit_pct, 2.0);
     }},
    {{"-SENSIT:1:TIMES,10,20", "-SENSIT:1"},
     [](const Run& r) {
       EXPECT_FALSE(r.sw.sensit_times);
       EXPECT_EQ(r.sw.sensit_count, 3);
       EXPECT_DOUBLE_EQ(r.sw.sensit_time[1], 0.0);
     }},
    {{"-SENSIT:0R.TXT", "-SENSIT:1"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.sensit_mode, kSensitAnalysis);
       EXPECT_EQ(r.sw.analysis_name, "ANALYSIS.TXT");
     }},
    // Fitting.
    {{"-FIT"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.options, kOptFitSimplex);
       EXPECT_TRUE(r.sw.FitMode());
       EXPECT_EQ(r.sw.fit.comparator, 1);
       EXPECT_DOUBLE_EQ(r.sw.fit.tolerance, 1.0e-7);
       EXPECT_EQ(r.sw.fit.max_iterations, 9000);
       EXPECT_DOUBLE_EQ(r.sw.fit.start_vector, -1.0e-15);
       EXPECT_EQ(r.sw.fit.data_file, "FITDATA.TXT");
     }},
    {{"-FIT:1"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.options, kOptFitSimplex);
       EXPECT_DOUBLE_EQ(r.sw.fit.tolerance, 1.0e-7);
       EXPECT_DOUBLE_EQ(r.sw.fit.start_vector, -1.0e-15);
     }},
    {{"-FIT:D"}, [](const Run& r) { EXPECT_EQ(r.sw.options, kOptFitSimplex); }},
    {{"-FIT:2"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.options, kOptFitPowell);
       EXPECT_DOUBLE_EQ(r.sw.fit.tolerance, 1.0e-5);
       EXPECT_DOUBLE_EQ(r.sw.fit.start_vector, 1.0e-35);
     }},
    {{"-FIT:3"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.options, kOptFitAnnealing);
       EXPECT_DOUBLE_EQ(r.sw.fit.temperature_factor, 0.2);
       EXPECT_EQ(r.sw.fit.cycles, 20);
       EXPECT_DOUBLE_EQ(r.sw.fit.start_temperature, 1.0e6);
     }},
    {{"-FIT:3:D:D:D:D:D:D:D:0.5"},
     [](const Run& r) {
       EXPECT_DOUBLE_EQ(r.sw.fit.temperature_factor, 0.5);
       EXPECT_EQ(r.sw.fit.cycles, 25);
     }},
    {{"-FIT:3:D:D:D:D:D:D:D:D"}, [](const Run& r) { EXPECT_DOUBLE_EQ(r.sw.fit.temperature_factor, 0.8); }},
    {{"-FIT:1:2:MY.TXT:1d-9:500:3e-4:2e5:12:0.25"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.fit.comparator, 2);
       EXPECT_EQ(r.sw.fit.data_file, "MY.TXT");
       EXPECT_DOUBLE_EQ(r.sw.fit.tolerance, 1.0e-9);
       EXPECT_EQ(r.sw.fit.max_iterations, 500);
       EXPECT_DOUBLE_EQ(r.sw.fit.start_vector, 3.0e-4);
       EXPECT_DOUBLE_EQ(r.sw.fit.start_temperature, 2.0e5);
       EXPECT_EQ(r.sw.fit.cycles, 12);
       EXPECT_DOUBLE_EQ(r.sw.fit.temperature_factor, 0.75);
     }},
    // An empty field keeps its place: the data file is still field c.
    {{"-FIT:1::MYDATA.TXT"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.fit.comparator, 1);
       EXPECT_EQ(r.sw.fit.data_file, "MYDATA.TXT");
     }},
    {{"-FIT:2:3:D:D"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.fit.comparator, 3);
       EXPECT_DOUBLE_EQ(r.sw.fit.tolerance, 1.0e-7);
     }},
    {{"-FIT:1:1:D:D:0"}, [](const Run& r) { EXPECT_EQ(r.sw.fit.max_iterations, 9000); }},
    {{"-FIT:1:1:D:D:2.9e3"}, [](const Run& r) { EXPECT_EQ(r.sw.fit.max_iterations, 2900); }},
    {{"-FIT:1:1:D:D:32767"}, [](const Run& r) { EXPECT_EQ(r.sw.fit.max_iterations, 32767); }},
    // A later -FIT replaces the earlier one as a whole.
    {{"-FIT:2:3:A.TXT", "-FIT:1"},
     [](const Run& r) {
       EXPECT_EQ(r.sw.options, kOptFitSimplex);
       EXPECT_EQ(r.sw.fit.comparator, 1);
       EXPECT_EQ(r.sw.fit.data_file, "FITDATA.TXT");
       EXPECT_DOUBLE_EQ(r.sw.fit.tolerance, 1.0e-7);
     }},
    {{"-P", "-FIT:3", "-FIT"}, [](const Run& r) { EXPECT_EQ(r.sw.options, kOptUserPeriodic | kOptFitSimplex); }},
};

TEST(CommandLine, ValidSwitchesSetTheirSettings) {
  for (const SettingCase& c : kSettingCases) {
    SCOPED_TRACE(Joined(c.args));
    CapturedRun cr;
    const auto stop = Parse(cr, c.args);
    ASSERT_FALSE(stop.has_value()) << cr.Text();
    c.check(cr.run);
  }
}

TEST(CommandLine, NoArgumentsKeepTheStartValues) {
  CapturedRun cr;
  ASSERT_FALSE(Parse(cr, {}).has_value());
  const Switches start;
  EXPECT_EQ(cr.run.sw.options, start.options);
  EXPECT_EQ(cr.run.sw.sensit_mode, kSensitOff);
  EXPECT_EQ(cr.run.sw.integrator, kExtrapolation);
  EXPECT_EQ(cr.run.reader.filename[kParameterFile], "PARM.DAT");
  EXPECT_EQ(cr.Text(), "");
}

// ---------------------------------------------------------------------------
// What valid switches print.

struct PrintCase {
  Args args;
  std::vector<std::string> lines;
};

const PrintCase kPrintCases[] = {
    {{"-y1.5D-3"}, {" Min. threshold conc.=  0.150000E-02"}},
    {{"-QUIET", "-y2e-20"}, {" Min. threshold conc.=  0.200000E-19"}},
    {{"-SENSIT:0"}, {" OUTPUT EACH REACTION d[]/dt over time."}},
    {{"-FIT:3:D:D:D:D:D"}, {""}},  // a default marker for the starting vectors prints a blank line
    {{"-FIT:3:D:D:D:D:1e-3"}, {}},
    {{"-PARM:a", "-c", "-THERM", "-o:Y:Y:Y:Y", "-INT:2"}, {}},
};

TEST(CommandLine, ValidSwitchesPrintOnlyTheirOwnLines) {
  for (const PrintCase& c : kPrintCases) {
    SCOPED_TRACE(Joined(c.args));
    CapturedRun cr;
    ASSERT_FALSE(Parse(cr, c.args).has_value()) << cr.Text();
    EXPECT_EQ(cr.Lines(), c.lines);
  }
}

// ---------------------------------------------------------------------------
// Illegal settings: each prints its lines and stops with a non-zero status.

struct IllegalCase {
  Args args;
  std::vector<std::string> lines;
};

const IllegalCase kIllegalCases[] = {
    {{"-x"}, {" ???? Unknown setting:-x"}},
    {{""}, {" ???? Unknown setting:"}},
    {{"-PARM"}, {" ???? Unknown setting:-PARM"}},
    {{"-THERMX"}, {" ???? Unknown setting:-THERMX"}},
    {{"-FITX"}, {" ???? Unknown setting:-FITX"}},
    {{"-Px"}, {" ???? Unknown setting:-Px"}},
    {{"-quiet"}, {" ???? Unknown setting:-quiet"}},
    {{"-ig:all"}, {" ???? Unknown setting:-ig:all"}},
    {{" -c"}, {" ???? Unknown setting: -c"}},
    {{"-PARM:"}, {" ???? Unknown setting:-PARM:"}},
    {{"-OUT:   "}, {" ???? Unknown setting:-OUT:"}},
    {{"-y0"}, {" ???? Unknown setting:-y0"}},
    {{"-y-1e-5"}, {" ???? Unknown setting:-y-1e-5"}},
    {{"-yabc"}, {" ???? Unknown setting:-yabc"}},
    {{"-y"}, {" ???? Unknown setting:-y"}},
    {{"-y1e999"}, {" ???? Unknown setting:-y1e999"}},
    {{"-y1.0 E+05"}, {" ???? Unknown setting:-y1.0 E+05"}},
    {{"-d000"}, {" ???? Unknown setting:-d000"}},
    {{"-d256"}, {" ???? Unknown setting:-d256"}},
    {{"-dxyz"}, {" ???? Unknown setting:-dxyz"}},
    {{"-d"}, {" ???? Unknown setting:-d"}},
    {{"-d0441"}, {" ???? Unknown setting:-d0441"}},
    {{"-debug"}, {" ???? Unknown setting:-debug"}},
    {{"-o:Y:N"}, {" Unknown/Illegal settings for -o switch..."}},
    {{"-o:Y:N:N:Y:Y"}, {" Unknown/Illegal settings for -o switch..."}},
    {{"-THERM:"}, {" ??? Unknown setting for -THERM switch..."}},
    {{"-THERM:A.DAT:force"}, {" ??? Unknown setting for -THERM switch..."}},
    {{"-FIT:"}, {"  Illegal settings in -FIT:", "  for -FIT switch."}},
    {{"-FIT:1:1:D:D:D:D:D:D:D:D"}, {"  Illegal settings in -FIT:1:1:D:D:D:D:D:D:D:D", "  for -FIT switch."}},
    {{"-FIT:4"}, {" Illegal optimization algorithm selected for", " -FIT switch."}},
    {{"-FIT:X"}, {" Illegal optimization algorithm selected for", " -FIT switch."}},
    {{"-FIT:1:5"}, {" Illegal data comparator set, choose 1 or 2...", " setting in the -FIT option."}},
    {{"-FIT:1:4"}, {" Illegal data comparator set, choose 1 or 2...", " setting in the -FIT option."}},
    {{"-FIT:1:1:F.TXT:D:40000"}, {"  Illegal settings in -FIT:1:1:F.TXT:D:40000", "  for -FIT switch."}},
    {{"-FIT:3:1:F.TXT:D:D:-1:D:32768"}, {"  Illegal settings in -FIT:3:1:F.TXT:D:D:-1:D:32768", "  for -FIT switch."}},
    {{"-FIT:1:1.5"}, {" Illegal data comparator set, choose 1 or 2...", " setting in the -FIT option."}},
    {{"-FIT:1:0"}, {" Illegal data comparator set, choose 1 or 2...", " setting in the -FIT option."}},
    {{"-FIT:1:1:D:0"}, {" Illegal relative tolerance set for -FIT switch"}},
    {{"-FIT:2:1:D:-1e-3"}, {" Illegal relative tolerance set for -FIT switch"}},
    {{"-FIT:1:1:D:abc"}, {" Illegal number in the -FIT switch:", " abc"}},
    {{"-FIT:1:1:D:D:many"}, {" Illegal number in the -FIT switch:", " many"}},
    {{"-FIT:3:D:D:D:D:D:D:D:1.0"},
     {"", " Illegal settings for % temperature decrease", " setting in the -FIT option."}},
    {{"-FIT:3:1:D:D:D:1:D:D:-0.5"},
     {" Illegal settings for % temperature decrease", " setting in the -FIT option."}},
    {{"-INT:4"}, {" 2. Illegal settings in -INT:4", " at 4 for -INT."}},
    {{"-INT:"}, {" 2. Illegal settings in -INT:", " at  for -INT."}},
    {{"-INT:1:3"}, {" 2. Illegal settings in -INT:1:3", " at 1:3 for -INT."}},
    {{"-SENSIT:2"}, {" Illegal settings in -SENSIT:2", " at 2 for -SENSIT."}},
    {{"-SENSIT:"}, {" Illegal settings in -SENSIT:", " at  for -SENSIT."}},
    {{"-SENSIT:1x"}, {" 2. Illegal settings in -SENSIT:1x", " at x for -SENSIT."}},
    {{"-SENSIT:1:3:5:7"}, {" 2. Illegal settings in -SENSIT:1:3:5:7", " at 3:5:7 for -SENSIT."}},
    {{"-SENSIT:1:TIMES,1,,2"}, {" 2. Illegal settings in -SENSIT:1:TIMES,1,,2", " at TIMES,1,,2 for -SENSIT."}},
    {{"-SENSIT:1:TIME,1,2"}, {" 3. Illegal settings in -SENSIT:1:TIME,1,2", " at TIME,1,2 for -SENSIT."}},
    {{"-SENSIT:1:TIMES"}, {" Illegal settings in -SENSIT:1:TIMES", " at TIMES"}},
    {{"-SENSIT:1:0"}, {" Illegal settings in -SENSIT:1:0", " at 0"}},
    {{"-SENSIT:1:100:5"}, {" Illegal settings in -SENSIT:1:100:5", " at 100"}},
    {{"-SENSIT:1:abc"}, {" Illegal number in the -SENSIT switch:", " abc"}},
    {{"-SENSIT:1:3.5"}, {" Illegal number in the -SENSIT switch:", " 3.5"}},
    {{"-SENSIT:1:3:five"}, {" Illegal number in the -SENSIT switch:", " five"}},
    {{"-SENSIT:1:TIMES,1,x2"}, {" Illegal number in the -SENSIT switch:", " x2"}},
};

TEST(CommandLine, IllegalSettingsPrintTheirMessageAndStop) {
  for (const IllegalCase& c : kIllegalCases) {
    SCOPED_TRACE(Joined(c.args));
    CapturedRun cr;
    const auto stop = Parse(cr, c.args);
    ASSERT_TRUE(stop.has_value()) << cr.Text();
    EXPECT_EQ(stop->exit_status, kExitStopped);
    EXPECT_EQ(cr.Lines(), c.lines);
  }
}

TEST(CommandLine, TooManyAnalysisTimesAreRefusedBeforeStoring) {
  std::string list = "TIMES";
  for (int i = 1; i <= 100; ++i) {
    list += ',';
    list += std::to_string(i);
  }
  CapturedRun cr;
  const auto stop = Parse(cr, {"-SENSIT:1:" + list});
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(cr.Lines().at(1), " at " + list);

  std::string ninety_nine = "TIMES";
  for (int i = 1; i <= 99; ++i) {
    ninety_nine += ',';
    ninety_nine += std::to_string(i);
  }
  CapturedRun ok;
  ASSERT_FALSE(Parse(ok, {"-SENSIT:1:" + ninety_nine}).has_value()) << ok.Text();
  EXPECT_EQ(ok.run.sw.sensit_count, 99);
  EXPECT_DOUBLE_EQ(ok.run.sw.sensit_time[99], 99.0);
}

TEST(CommandLine, ArgumentsActInOrderUntilAnIllegalOne) {
  CapturedRun cr;
  const auto stop = Parse(cr, {"-QUIET", "-bogus", "-show"});
  ASSERT_TRUE(stop.has_value());
  EXPECT_TRUE(cr.run.sw.quiet);
  EXPECT_FALSE(cr.run.sw.show);
}

// ---------------------------------------------------------------------------
// Help texts: printed through the console, then a normal stop.

struct HelpCase {
  std::string arg;
  std::string first_text_line;
  int pauses;
};

const HelpCase kHelpCases[] = {
    {"-h", " The following command line options are:", 2},
    {"-help", " The following command line options are:", 2},
    {"-H", " The following command line options are:", 2},
    {"?", " The following command line options are:", 2},
    {"/h", " The following command line options are:", 2},
    {"-ah", " -anjac Use analytically calculated jacobians.", 0},
};

TEST(CommandLine, HelpSwitchesPrintTheirTextAndStopNormally) {
  for (const HelpCase& c : kHelpCases) {
    SCOPED_TRACE(c.arg);
    CapturedRun cr;
    const auto stop = Parse(cr, {c.arg, "-bogus"});
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->exit_status, kExitNormal);
    const auto lines = cr.Lines();
    std::vector<std::string> texts;
    int pauses = 0;
    for (const auto& l : lines) {
      if (l.find("Please press the <ENTER> key") != std::string::npos) ++pauses;
      if (!l.empty()) texts.push_back(l);
    }
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), c.first_text_line);
    EXPECT_EQ(pauses, c.pauses);
    EXPECT_EQ(cr.Text().find("Unknown setting"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarnavel
