// The analysis times from a count or a list, and the scratch store that
// parks the perturbed trajectories: every double must read back exactly.

#include "sensitivity/sensitivity_analysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/temp_workdir.hpp"

namespace tarnavel {
namespace {

TEST(SensitivityTimes, FromTheCountOrTheList) {
  struct Case {
    int count;
    double simlen;
    std::vector<double> expected;  // 1..count
  };
  const Case cases[] = {
      {3, 100.0, {1.0, 50.0, 100.0}},
      {1, 2.0, {0.02}},            // a short run starts at a hundredth of its length
      {1, 100.0, {1.0}},
      {2, 100.0, {1.0, 100.0}},
      {5, 4.0, {0.04, 1.0, 2.0, 3.0, 4.0}},
      // Over 10 s with 20 times the second falls at 0.53 s: the first moves
      // before it instead of following it.
      {20, 10.0, {0.1, 10.0 / 19, 20.0 / 19}},
  };
  for (const Case& c : cases) {
    const std::vector<double> t = AnalysisTimes(c.count, false, nullptr, c.simlen);
    ASSERT_EQ(t.size(), static_cast<size_t>(c.count) + 1);
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_DOUBLE_EQ(t[i + 1], c.expected[i]) << c.count << " " << i;
    for (int i = 2; i <= c.count; ++i) EXPECT_GT(t[i], t[i - 1]);
  }
  const double given[] = {0.0, 0.5, 7.0};
  EXPECT_EQ(AnalysisTimes(2, true, given, 100.0), (std::vector<double>{0.0, 0.5, 7.0}));
}

TEST(ScratchStore, RecordsReadBackExactlyInAnyOrder) {
  testing::TempWorkDir dir;
  ScratchStore store;
  const std::vector<double> values = {1.0, -1.2345678901234567e-150, 3.3e250, 0.0, 2.0 / 3.0, -1.0e-300,
                                      std::numeric_limits<double>::denorm_min() * 1e10, 6.02214076e23};
  ASSERT_TRUE(store.Create("STORE.TXT", 100000));  // record numbers past 16-bit range
  for (size_t i = 0; i < values.size(); ++i) store.Write(99990 - 7 * static_cast<long>(i), values[i]);
  store.Write(1, 42.0);
  store.Close();
  ASSERT_TRUE(store.Open());
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(store.Read(99990 - 7 * static_cast<long>(i)), values[i]) << i;
  EXPECT_EQ(store.Read(1), 42.0);
  EXPECT_EQ(store.Read(2), 0.0);
  EXPECT_EQ(dir.Read("STORE.TXT").size(), 100000u * (ScratchStore::kRecordLength + 1));
}

}  // namespace
}  // namespace tarnavel
