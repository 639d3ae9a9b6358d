// Every input that once made a fuzz target fail is replayed through the same
// target. In the sanitizer build a memory or undefined-behaviour fault fails
// the suite; in both builds a stop must say why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz_targets.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel::fuzz {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputEndsInAReadingOrAnOrderlyStop) {
  const fs::path root = fs::path(TARNAVEL_TEST_DATA_DIR) / "fuzz";
  int replayed = 0;
  for (const auto& folder : fs::directory_iterator(root)) {
    const std::string name = folder.path().filename().string();
    const Target target = FindTarget(name);
    ASSERT_NE(target, nullptr) << "no fuzz target is called " << name;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      std::ifstream in(file.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      testing::TempWorkDir dir;
      EXPECT_NE(target(bytes.str()), Outcome::kSilentStop) << file.path();
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

TEST(FuzzRegressions, TargetsAreFoundByTheirProgramNames) {
  for (const NamedTarget& t : kTargets) EXPECT_EQ(FindTarget(t.name), t.run);
  EXPECT_EQ(FindTarget("no_such_reader"), nullptr);
}

}  // namespace
}  // namespace tarnavel::fuzz
