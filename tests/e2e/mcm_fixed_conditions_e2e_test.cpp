// An MCM mechanism imported with its rate constants as expressions and again
// in the fixed-conditions form (every rate constant a number evaluated at the
// start, no RATES.DAT): where nothing the expressions depend on changes during
// the run (no sun, species sums of held species), both forms are the same
// system and their runs end in the same state; in sunlight over a minute the
// frozen photolysis still agrees closely.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct FixedCase {
  const char* name;
  const char* mechanism;  // test data
  const char* initial;    // test data: initial concentrations
  const char* constant;   // rows of the --constant file, or nullptr
  std::vector<std::string> conditions;
  int left_out;      // reactions of rate constant 0 at the start
  double tolerance;  // relative, on the final concentrations
};

// The data lines of a model file and its lines "#0", the reactions left out.
struct ModelLines {
  std::vector<std::string> data;
  int left_out = 0;
};

ModelLines ReadModel(const std::string& text) {
  ModelLines m;
  for (const std::string& line : SplitLines(text)) {
    if (line.rfind("#0\t", 0) == 0) ++m.left_out;
    else if (!line.empty() && line[0] != '#') m.data.push_back(line);
  }
  return m;
}

TEST(McmFixedConditions, RunsLikeTheExpressionFormAtFixedConditions) {
  const std::vector<std::string> night = {"--latitude", "51.5", "--longitude", "0", "--start",
                                          "2010-01-15T00:00:00", "--rh", "50"};
  const FixedCase cases[] = {
      {"ozone and NOx without photolysis", "mcm/env_model_1.fac", "mcm/env_model_1_initial.config", nullptr,
       {"--latitude", "51.5", "--longitude", "0", "--start", "2010-07-01T12:00:00", "--h2o", "1.8e17",
        "--no-photolysis", "--time", "300", "--step", "60"},
       2, 2e-5},
      // The five peroxy radicals held, so that RO2 stays at its initial sum.
      {"ethene at a winter midnight, RO2 held", "atchem2/spec_model_1/spec_model_1.fac",
       "atchem2/spec_model_1/initialConcentrations.config",
       "ETHENO3O2 1e8\nHOCH2CH2O2 2e8\nNO3CH2CO3 1e7\nHOCH2CO3 5e7\nHCOCO3 3e7\n",
       {"--latitude", "51.5", "--longitude", "0", "--start", "2010-01-15T00:00:00", "--rh", "50", "--time",
        "3600", "--step", "600"},
       -1, 2e-5},
      // Near noon the sun's angle hardly moves in a minute, while NO2
      // photolysis moves NO by far more than the tolerance.
      {"ozone and NOx in sunlight for a minute", "mcm/env_model_1.fac", "mcm/env_model_1_initial.config", nullptr,
       {"--latitude", "51.5", "--longitude", "0", "--start", "2010-07-01T12:00:00", "--h2o", "1.8e17", "--time",
        "60", "--step", "60"},
       0, 1e-4},
  };
  for (const FixedCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir expression, fixed;
    std::vector<std::string> args = {"mechanism.fac", "--out", ".", "--initial", "initial.txt", "--accuracy", "1e-9"};
    if (c.constant != nullptr) args.insert(args.end(), {"--constant", "constant.txt"});
    args.insert(args.end(), c.conditions.begin(), c.conditions.end());
    for (const TempDir* dir : {&expression, &fixed}) {
      dir->Write("mechanism.fac", ReadTestData(c.mechanism));
      dir->Write("initial.txt", ReadTestData(c.initial));
      if (c.constant != nullptr) dir->Write("constant.txt", c.constant);
      // The fixed form goes over an expression form, whose RATES.DAT must go.
      const ProgramResult imported = RunIn(*dir, args, "", TARNAVEL_IMPORT_EXE);
      ASSERT_EQ(imported.status, 0) << imported.out;
    }
    std::vector<std::string> fixed_args = args;
    fixed_args.push_back("--fixed-conditions");
    const ProgramResult frozen = RunIn(fixed, fixed_args, "", TARNAVEL_IMPORT_EXE);
    ASSERT_EQ(frozen.status, 0) << frozen.out;
    EXPECT_TRUE(expression.Exists("RATES.DAT"));
    EXPECT_FALSE(fixed.Exists("RATES.DAT"));

    // Every reaction is there, with a positive number for its rate constant
    // or as a comment line when that is 0.
    const ModelLines original = ReadModel(expression.Read("MODEL.DAT"));
    const ModelLines numbers = ReadModel(fixed.Read("MODEL.DAT"));
    EXPECT_EQ(numbers.data.size() + numbers.left_out, original.data.size());
    if (c.left_out >= 0) {
      EXPECT_EQ(numbers.left_out, c.left_out);
    }
    for (const std::string& line : numbers.data) {
      const std::string k = line.substr(0, line.find('\t'));
      char* end = nullptr;
      const double value = std::strtod(k.c_str(), &end);
      EXPECT_TRUE(*end == '\0' && value > 0.0) << line;
    }

    const std::vector<std::string> run = {"-QUIET", "-ig:mass", "-ig:warn"};
    const ProgramResult a = RunIn(expression, run), b = RunIn(fixed, run);
    ASSERT_EQ(a.status, 0) << a.out;
    ASSERT_EQ(b.status, 0) << b.out;
    const FinalRow ea = LastConcentrationRow(expression.Read("CONC.TXT"));
    const FinalRow eb = LastConcentrationRow(fixed.Read("CONC.TXT"));
    ASSERT_EQ(ea.time, eb.time);
    ASSERT_EQ(ea.values.size(), eb.values.size());
    double largest = 0.0;
    for (const auto& [name, value] : ea.values) largest = std::max(largest, std::fabs(value));
    int compared = 0;
    for (size_t i = 0; i < ea.values.size(); ++i) {
      const auto& [name, value] = ea.values[i];
      ASSERT_EQ(eb.values[i].first, name);
      if (std::fabs(value) < 1e-9 * largest) continue;
      EXPECT_NEAR(eb.values[i].second, value, c.tolerance * std::fabs(value)) << name;
      ++compared;
    }
    EXPECT_GE(compared, 3);
  }
}

TEST(McmFixedConditions, HoldsASumOnlyInTheFixedForm) {
  TempDir dir;
  dir.Write("mechanism.fac", ReadTestData("mcm/env_model_1.fac"));
  const std::vector<std::string> base = {"mechanism.fac", "--out", ".", "--no-photolysis", "--latitude", "0",
                                         "--longitude", "0", "--start", "2010-07-01T12:00:00", "--h2o", "1e17"};
  struct Case {
    std::vector<std::string> extra;
    const char* refusal;  // nullptr: imported
  } cases[] = {
      {{"--sum", "RO2=1e9"}, "only in the form of --fixed-conditions"},
      {{"--fixed-conditions", "--sum", "RO2"}, "is not NAME=VALUE"},
      {{"--fixed-conditions", "--sum", "HO2X=1e9"}, "has no sum HO2X"},
      {{"--fixed-conditions", "--sum", "RO2=-1"}, "must not be negative"},
      {{"--fixed-conditions", "--sum", "RO2=1e9"}, nullptr},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = base;
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    SCOPED_TRACE(args.back());
    const ProgramResult r = RunIn(dir, args, "", TARNAVEL_IMPORT_EXE);
    if (c.refusal == nullptr) {
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_TRUE(r.Contains("no rate constant uses the sum RO2")) << r.out;
    } else {
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_TRUE(r.Contains(c.refusal)) << r.out;
      EXPECT_TRUE(r.Contains("Nothing was written.")) << r.out;
    }
  }
}

}  // namespace
}  // namespace tarnavel::e2e
