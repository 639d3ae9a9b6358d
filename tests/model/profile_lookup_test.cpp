#include "model/profile_lookup.hpp"

#include <gtest/gtest.h>

#include "support/profiles_fixture.hpp"

namespace tarnavel {
namespace {

using testing::Profiles;

TEST_F(Profiles, HeldSpeciesAndTheTemperatureFollowTheBaseTime) {
  dir.Write("NO.DAT", "2\n1.0e-3 2.0e-3 3.0e-3\n");
  dir.Write("T.DAT", "-1\n300 0 1.0e9\n");
  const int no = Species("NO", "NO.DAT");
  const int t = Species("Temperature(K)", "T.DAT");
  const int fixed = Species("O2", "0.21");
  ASSERT_EQ(Read(), 0);
  AllRetained();
  struct Step {
    double base;
    double no, temperature;
  };
  // The temperature is kept within TMIN..TMAX: a 0 in the file never reaches
  // the rate constants.
  const Step steps[] = {{0.0, 1.0e-3, 300.0}, {1.0, 1.0e-3, 1.0e-5}, {2.0, 2.0e-3, 9.0e7},
                        {5.0, 3.0e-3, 9.0e7}, {6.0, 1.0e-3, 9.0e7}};
  for (const Step& s : steps) {
    LookUpHeldProfiles(run, s.base);
    EXPECT_EQ(st.conc[no], s.no) << s.base;
    EXPECT_EQ(st.conc[t], s.temperature) << s.base;
    EXPECT_EQ(st.net.temperature, s.temperature) << s.base;
    EXPECT_EQ(st.conc[fixed], 0.21);
  }
}

TEST_F(Profiles, AdditiveEntriesAreAddedOncePerNewIndex) {
  dir.Write("ADD.DAT", "-2\n0.5 0.25 0 1.0\n");
  dir.Write("CYC.DAT", "1\n0.1 0.2\n");
  const int once = Species("A", "ADD.DAT", true);
  const int cyc = Species("C", "CYC.DAT", true);
  st.conc[once] = 1.0;
  st.conc[cyc] = 0.0;
  ASSERT_EQ(Read(), 0);
  st.spec = st.sspec = st.rspec = st.nspec;  // additive species are integrated
  struct Step {
    double base;
    double once, cyc;
  };
  const Step steps[] = {{0.0, 1.5, 0.1},  {0.0, 1.5, 0.1},  {0.5, 1.5, 0.1},  {1.0, 1.5, 0.3},
                        {2.0, 1.75, 0.4}, {3.0, 1.75, 0.6}, {4.0, 1.75, 0.7}, {6.0, 2.75, 0.7},
                        {8.0, 2.75, 0.7}, {9.0, 2.75, 0.9}, {20.0, 2.75, 1.0}};
  for (const Step& s : steps) {
    ApplyAdditiveProfiles(run, s.base);
    EXPECT_DOUBLE_EQ(st.conc[once], s.once) << s.base;
    EXPECT_DOUBLE_EQ(st.conc[cyc], s.cyc) << s.base;
  }
  // A run that starts again from time 0 adds the first entries again.
  ResetAdditiveProfiles(st);
  ApplyAdditiveProfiles(run, 0.0);
  EXPECT_DOUBLE_EQ(st.conc[once], 3.25);
}

}  // namespace
}  // namespace tarnavel
