#include "output/kinstat.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/compile_network.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel {
namespace {

using testing::AddReaction;
using testing::AddSpecies;
using testing::CapturedRun;
using testing::TempWorkDir;

const std::string kHeader = " Species\tSources\t  Sinks\t  Total Terms\t   % Total Terms";
const std::string kRule = " -------\t-------\t-------\t-------------\t----------------";
const std::string kAverageCaption = "Average:\tSources\t  Sinks\t        Terms\t" + std::string(16, ' ');
const std::string kNoName(30, ' ');

// A name left-aligned in the 30-character name column.
std::string Name(const std::string& name) { return name + std::string(30 - name.size(), ' '); }

struct KinStat : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;

  void Compile() {
    run.sw.ignore_warnings = true;
    run.sw.quiet = true;
    CompileNetwork(run);
    run.sw.quiet = false;
    cr.Clear();
  }
};

TEST_F(KinStat, SourcesSinksSharesAndAverages) {
  for (const char* name : {"A", "B", "C", "D"}) AddSpecies(run, name, 1.0);
  AddReaction(run, 1.0, {{1, "A"}, {1, "B"}}, {{1, "C"}});
  AddReaction(run, 1.0, {{1, "C"}}, {{1, "A"}, {1, "B"}});
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "D"}, {1, "C"}});
  Compile();
  // Nine terms: A is consumed twice and formed once, C formed twice.
  const std::vector<std::string> expected = {
      kHeader,
      kRule,
      Name("A") + "\t    1\t    2\t    3\t33.3",
      Name("B") + "\t    1\t    1\t    2\t22.2",
      Name("C") + "\t    2\t    1\t    3\t33.3",
      Name("D") + "\t    1\t    0\t    1\t11.1",
      kRule,
      kAverageCaption,
      kNoName + "\t 1.2\t 1.0\t 2.2",
  };
  EXPECT_EQ(KinStatLines(run), expected);
}

TEST_F(KinStat, EverySpeciesWithOneSourceAndOneSink) {
  for (const char* name : {"NO2", "ONO", "NOO"}) AddSpecies(run, name, 1.0);
  AddReaction(run, 1.0, {{1, "NO2"}}, {{1, "ONO"}});
  AddReaction(run, 1.0, {{1, "ONO"}}, {{1, "NOO"}});
  AddReaction(run, 1.0, {{1, "NOO"}}, {{1, "NO2"}});
  Compile();
  const std::vector<std::string> lines = KinStatLines(run);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[2], Name("NO2") + "\t    1\t    1\t    2\t33.3");
  EXPECT_EQ(lines[7], kNoName + "\t 1.0\t 1.0\t 2.0");
}

TEST_F(KinStat, HeldSpeciesAreNotTalliedAndAFullShareShowsAsAsterisks) {
  AddSpecies(run, "A", 1.0);
  const int h = AddSpecies(run, "H", 1.0);
  run.store.species[h].held = true;
  AddReaction(run, 1.0, {{1, "H"}}, {{1, "A"}});
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "H"}});
  Compile();
  const std::vector<std::string> lines = KinStatLines(run);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], Name("A") + "\t    1\t    1\t    2\t****");  // 100.0 needs five columns
  EXPECT_EQ(lines[5], kNoName + "\t 1.0\t 1.0\t 2.0");
}

TEST_F(KinStat, LongNamesAreCutAndTheOutputDelimiterSeparates) {
  const std::string long_name = "CH3CH2CH2CH2CH2CH2CH2CH2CH2CH2CH2OH";
  AddSpecies(run, long_name, 1.0);
  AddSpecies(run, "B", 0.0);
  AddReaction(run, 1.0, {{1, long_name}}, {{1, "B"}});
  Compile();
  run.settings.outdelim = ',';
  const std::vector<std::string> lines = KinStatLines(run);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], " Species,Sources,  Sinks,  Total Terms,   % Total Terms");
  EXPECT_EQ(lines[2], long_name.substr(0, 30) + ",    0,    1,    1,50.0");
}

TEST_F(KinStat, WritesTheFileWithProgressLines) {
  TempWorkDir dir;
  dir.Write(kKinStatFile, std::string(3000, 'x'));
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B", 0.0);
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "B"}});
  Compile();
  WriteKinStat(run);
  std::string expected;
  for (const std::string& line : KinStatLines(run)) expected += line + "\n";
  EXPECT_EQ(dir.Read(kKinStatFile), expected);
  EXPECT_EQ(cr.Lines(), (std::vector<std::string>{"", " Tallying statistics .... ", "", " Done."}));
}

}  // namespace
}  // namespace tarnavel
