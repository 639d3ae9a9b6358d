// The counted benchmark: two models run in-process at fixed settings, and the
// work their integration did (accepted steps, rejected attempts, derivative
// evaluations, Jacobians, LU factorisations) is compared with the table
// tests/data/work_counts/counts.tsv.
//
// Work counts do not depend on the machine or its load, so unlike wall times
// they can gate every build, the sanitizer build included: a change that
// makes the integrator do more work for the same model fails here.
//
//   - A count more than 10 % above its table value fails: the integrator got
//     slower.
//   - A count more than 10 % below its table value fails as well, asking for
//     the table to be updated. Otherwise an improvement would stay unrecorded
//     and a later slowdown could hide inside it: the table has to describe
//     today's integrator for the 10 % to mean anything.
//   - Within 10 % either way passes. Small counts are held tightly: a count
//     of 0 in the table allows none, one of 14 allows 13 to 15.
//
// The models: the MVK/MACR closure of the Master Chemical Mechanism (172
// species, twelve hours of daylight; its step matrix is factorised sparse)
// and the adiabatic constant-volume ignition of hydrogen-air in
// thermodynamic mode (species properties, equilibrium constants and the
// temperature equation in every evaluation, and a sharp ignition that makes
// the step-size control reject attempts). Both run in well under a second,
// also under the sanitizers.
//
// Every run prints its measured counts in the table's format; updating the
// table is a copy of those lines.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/work_counts.hpp"
#include "driver/run_driver.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

namespace fs = std::filesystem;
using testing::CapturedRun;
using testing::TempWorkDir;

constexpr const char* kTablePath = "work_counts/counts.tsv";  // under tests/data

// The counts the table holds, under their names in the table.
const std::pair<const char*, long WorkCounts::*> kCounts[] = {
    {"steps", &WorkCounts::steps},         {"rejected", &WorkCounts::rejected},
    {"derivs", &WorkCounts::derivs},       {"jacobians", &WorkCounts::jacobians},
    {"factorisations", &WorkCounts::factorisations},
};

struct CountedModel {
  const char* name;                 // the model's name in the table
  const char* folder;               // model folder under tests/data
  std::vector<const char*> extra;   // further files under tests/data copied beside the folder's
  std::vector<std::string> args;
};

void PrintTo(const CountedModel& m, std::ostream* os) { *os << m.name; }

const CountedModel kModels[] = {
    {"mcm_mvkmacr", "mcm_mvkmacr", {}, {"-QUIET", "-ig:mass"}},
    {"h2o2-ignition", "h2o2", {"gri30/gri30_thermo.dat"}, {"-QUIET", "-ig:mass", "-THERM"}},
};

// (model, count) -> value. Blank lines and lines starting with '#' are
// comments; every other line is "model<TAB>count<TAB>value".
using Table = std::map<std::pair<std::string, std::string>, long>;

Table ReadTable(const std::string& text, std::vector<std::string>& problems) {
  Table table;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string model, count, value, rest;
    if (!std::getline(fields, model, '\t') || !std::getline(fields, count, '\t') || !std::getline(fields, value, '\t') ||
        std::getline(fields, rest) || value.empty() ||
        value.find_first_not_of("0123456789") != std::string::npos) {
      problems.push_back("line " + std::to_string(number) + " is not model<TAB>count<TAB>value: " + line);
      continue;
    }
    if (!table.emplace(std::make_pair(model, count), std::stol(value)).second)
      problems.push_back("line " + std::to_string(number) + " repeats " + model + " " + count);
  }
  return table;
}

enum class Verdict { kWithin, kGrew, kDropped };

// Whether `measured` lies within 10 % of the table's `expected`, in integers
// so that the bounds themselves pass: 110 and 90 against 100 are within.
Verdict Compare(long measured, long expected) {
  if (10 * measured > 11 * expected) return Verdict::kGrew;
  if (10 * measured < 9 * expected) return Verdict::kDropped;
  return Verdict::kWithin;
}

TEST(WorkCountTolerance, PassesWithinTenPercentAndNamesTheDirectionBeyond) {
  struct Case {
    long measured, expected;
    Verdict verdict;
  };
  const Case cases[] = {
      {100, 100, Verdict::kWithin},  {110, 100, Verdict::kWithin},  {111, 100, Verdict::kGrew},
      {90, 100, Verdict::kWithin},   {89, 100, Verdict::kDropped},  {0, 0, Verdict::kWithin},
      {1, 0, Verdict::kGrew},        {0, 5, Verdict::kDropped},     {5, 5, Verdict::kWithin},
      {6, 5, Verdict::kGrew},        {4, 5, Verdict::kDropped},     {38500, 35000, Verdict::kWithin},
      {38501, 35000, Verdict::kGrew},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Compare(c.measured, c.expected), c.verdict) << c.measured << " against " << c.expected;
}

// The table holds every count of every model run here and nothing else, so
// that a row cannot go missing or go stale without notice.
TEST(WorkCountTable, HoldsEveryCountOfEveryCountedModelAndNoOther) {
  std::vector<std::string> problems;
  const std::string text = testing::TestData(kTablePath);
  ASSERT_FALSE(text.empty()) << "cannot read tests/data/" << kTablePath;
  Table table = ReadTable(text, problems);
  for (const std::string& p : problems) ADD_FAILURE() << p;
  for (const CountedModel& m : kModels)
    for (const auto& [count, member] : kCounts)
      EXPECT_EQ(table.erase({m.name, count}), 1u) << "no row for " << m.name << " " << count;
  for (const auto& [key, value] : table)
    ADD_FAILURE() << "row for a model or count not run here: " << key.first << " " << key.second;
}

class CountedBenchmark : public ::testing::TestWithParam<CountedModel> {};

TEST_P(CountedBenchmark, WorkStaysWithinTenPercentOfTheTable) {
  const CountedModel& m = GetParam();
  std::vector<std::string> problems;
  const Table table = ReadTable(testing::TestData(kTablePath), problems);

  TempWorkDir dir;
  const fs::path source = fs::path(TARNAVEL_TEST_DATA_DIR) / m.folder;
  for (const auto& entry : fs::directory_iterator(source))
    if (entry.is_regular_file()) fs::copy_file(entry.path(), fs::current_path() / entry.path().filename());
  for (const char* file : m.extra) {
    const fs::path path = fs::path(TARNAVEL_TEST_DATA_DIR) / file;
    fs::copy_file(path, fs::current_path() / path.filename());
  }
  CapturedRun cr;
  ASSERT_EQ(RunProgram(cr.run, m.args), 0) << cr.Text();
  const WorkCounts& counts = cr.run.counts;

  std::ostringstream measured;
  for (const auto& [count, member] : kCounts) measured << m.name << '\t' << count << '\t' << counts.*member << '\n';
  std::printf("measured work counts:\n%s", measured.str().c_str());
  std::fflush(stdout);

  std::ostringstream failures;
  bool dropped = false;
  for (const auto& [count, member] : kCounts) {
    const auto row = table.find({m.name, count});
    if (row == table.end()) {
      failures << "no row for " << count << "\n";
      continue;
    }
    const long now = counts.*member, expected = row->second;
    switch (Compare(now, expected)) {
      case Verdict::kWithin:
        break;
      case Verdict::kGrew:
        failures << count << " grew from " << expected << " to " << now
                 << ", more than 10 %: the integrator does more work than it did\n";
        break;
      case Verdict::kDropped:
        failures << count << " dropped from " << expected << " to " << now << ", more than 10 %\n";
        dropped = true;
        break;
    }
  }
  if (!failures.str().empty())
    ADD_FAILURE() << m.name << ":\n"
                  << failures.str() << (dropped ? "Update" : "When the extra work is meant, update") << " tests/data/"
                  << kTablePath << " with the measured rows:\n"
                  << measured.str();
}

INSTANTIATE_TEST_SUITE_P(Models, CountedBenchmark, ::testing::ValuesIn(kModels),
                         [](const ::testing::TestParamInfo<CountedModel>& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace tarnavel
