#include "input/species_file.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

int Read(CapturedRun& cr, const std::string& text) {
  std::istringstream in(text);
  try {
    ReadSpeciesLines(cr.run, in);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

const SpeciesEntry& Species(const CapturedRun& cr, const std::string& name) {
  for (int s = 1; s <= cr.run.store.nspec; ++s)
    if (cr.run.store.species[s].name == name) return cr.run.store.species[s];
  static const SpeciesEntry none;
  ADD_FAILURE() << "no species " << name;
  return none;
}

TEST(SpeciesFile, ColumnsFillTheTableFromEntryThree) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr,
                 "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n"
                 "N O 2\t10\t1.5E-3\tYes\t2.0E-3\tY\tNo\tcomment\n"
                 "O3\t0\t4.0E-8\tn\t0\tN\t5.0E-3\n"
                 "HONO\t0\t1.0E-9\ty\t0\tN\tozone.dat-ADD\n"
                 "CO\t0\t2.0\tN\t0\tN\tco.dat\n"),
            0);
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.nspec, 6);
  EXPECT_EQ(st.species[1].name, "hv");
  EXPECT_EQ(st.species[2].name, "M");
  EXPECT_EQ(st.species[3].name, "NO2");  // blanks removed

  const SpeciesEntry& no2 = st.species[3];
  EXPECT_DOUBLE_EQ(no2.flow_rate, 0.1);  // residence time 10 s
  EXPECT_DOUBLE_EQ(no2.initial, 1.5e-3);
  EXPECT_DOUBLE_EQ(no2.external, 2.0e-3);
  EXPECT_TRUE(no2.display);
  EXPECT_FALSE(no2.steady_state);       // the column switches nothing on
  EXPECT_FALSE(no2.held);

  const SpeciesEntry& o3 = st.species[4];
  EXPECT_TRUE(o3.held);
  EXPECT_TRUE(o3.held_by_number);
  EXPECT_EQ(o3.profile_name, "5.0E-3");
  EXPECT_DOUBLE_EQ(o3.initial, -1.0);

  const SpeciesEntry& hono = st.species[5];
  EXPECT_TRUE(hono.additive_profile);
  EXPECT_FALSE(hono.held);
  EXPECT_EQ(hono.profile_name, "ozone.dat");
  EXPECT_DOUBLE_EQ(hono.initial, 1.0e-9);  // an additive species keeps its own start

  const SpeciesEntry& co = st.species[6];
  EXPECT_TRUE(co.held);
  EXPECT_FALSE(co.held_by_number);
  EXPECT_EQ(co.profile_name, "co.dat");

  EXPECT_EQ(st.displayed, 2);
  EXPECT_TRUE(st.cstr);
  EXPECT_TRUE(st.profile_in_use);
  EXPECT_TRUE(st.additive_in_use);
}

TEST(SpeciesFile, ASixFieldLineHasNoHoldColumn) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr, "A\t0\t1.5\tY\t0\tN\n"), 0);
  EXPECT_FALSE(cr.run.store.species[3].held);
  EXPECT_DOUBLE_EQ(cr.run.store.species[3].initial, 1.5);
}

TEST(SpeciesFile, ChargesAndTags) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr,
                 "Fe+++\t0\t0\tN\t0\tN\tN\n"
                 "e-\t0\t0\tN\t0\tN\tN\n"
                 "SO4--\t0\t0\tN\t0\tN\tN\n"
                 "Na+{aq}\t0\t0\tN\t0\tN\tN\n"
                 "Cl{surface-bound}\t0\t0\tN\t0\tN\tN\n"),
            0);
  EXPECT_EQ(Species(cr, "Fe+++").charge, 3);
  EXPECT_EQ(Species(cr, "e-").charge, -1);
  EXPECT_EQ(Species(cr, "SO4--").charge, -2);
  const SpeciesEntry& na = Species(cr, "Na+");
  EXPECT_EQ(na.charge, 1);  // the tag is cut before the charge is counted
  EXPECT_TRUE(na.has_tag);
  EXPECT_EQ(na.tag, "aq");
  EXPECT_EQ(Species(cr, "Cl").tag, "surface-bou");  // 11 characters kept
}

TEST(SpeciesFile, ReservedNamesAreSkippedWithWarning1) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr,
                 "M\t0\t1\tN\t0\tN\tN\n"
                 "hv\t0\t1\tN\t0\tN\tN\n"
                 "A\t0\t1\tN\t0\tN\tN\n"),
            0);
  EXPECT_EQ(cr.run.store.nspec, 3);
  EXPECT_EQ(cr.run.store.species[3].name, "A");
  const std::string text = cr.Text();
  EXPECT_NE(text.find("Warning Error #   1"), std::string::npos);
  EXPECT_NE(text.find(" definitions in Tarnavel. Remove hv from"), std::string::npos) << text;
}

TEST(SpeciesFile, PseudoSpeciesAreAppendedInOrder) {
  CapturedRun cr;
  cr.run.settings.tprofile = true;
  cr.run.settings.tprofname = "T.DAT";
  cr.run.settings.constp = true;
  ASSERT_EQ(Read(cr, "A\t0\t1\tY\t0\tN\tN\n"), 0);
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.nspec, 5);
  EXPECT_EQ(st.species[4].name, kTemperatureSpecies);
  EXPECT_TRUE(st.species[4].held);
  EXPECT_EQ(st.species[4].profile_name, "T.DAT");
  EXPECT_EQ(st.species[5].name, kVolumeSpecies);
  EXPECT_FALSE(st.species[5].display);
  EXPECT_DOUBLE_EQ(st.species[5].initial, 1.0);

  CapturedRun thermo;  // thermodynamic mode: the temperature starts at TEMP
  thermo.run.sw.thermo = true;
  thermo.run.settings.temp = 350.0;
  ASSERT_EQ(Read(thermo, "A,0,1,Y,0,N,N\n"), 0);  // the comma found here builds the line too
  EXPECT_EQ(thermo.run.store.species[4].name, kTemperatureSpecies);
  EXPECT_DOUBLE_EQ(thermo.run.store.species[4].initial, 350.0);
}

TEST(SpeciesFile, BadTablesStop) {
  struct Case {
    const char* text;
    int fatal;
  };
  const Case cases[] = {
      {"A\t0\t1\tN\t0\tN\tN\nB\t0\t1\tN\t0\tN\tN\nA\t0\t2\tN\t0\tN\tN\n", 10},  // duplicate
      {"+\t0\t1\tN\t0\tN\tN\n", 28},                                          // signs only
      {"A\t0\t1\tN\t0\tN\tN\tcomment\textra\n", 2},                           // nine fields
      {"A\t0\tlots\tN\t0\tN\tN\n", 88},                                       // not a number
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    EXPECT_EQ(Read(cr, c.text), c.fatal) << c.text;
  }
}

TEST(SpeciesFile, TheStandardBuildHoldsNinetySpecies) {
  std::string text;
  for (int i = 1; i <= 88; ++i) text += "S" + std::to_string(i) + "\t0\t1\tN\t0\tN\tN\n";
  CapturedRun fits(kStandardCapacity);
  EXPECT_EQ(Read(fits, text), 0);
  EXPECT_EQ(fits.run.store.nspec, 90);

  CapturedRun over(kStandardCapacity);
  EXPECT_EQ(Read(over, text + "S89\t0\t1\tN\t0\tN\tN\n"), 21);
  EXPECT_NE(over.Text().find(" (90)"), std::string::npos) << over.Text();
}

TEST(SpeciesFile, MarkedColumnsBecomeFitParameters) {
  CapturedRun cr;
  cr.run.sw.options = kOptFitSimplex;
  ASSERT_EQ(Read(cr, "# c\nA\t10?\t1.0?\tY\t2?\tN\tN\n"), 0);
  ASSERT_EQ(cr.run.reader.fit.size(), 3u);
  EXPECT_EQ(cr.run.reader.fit[0].kind, 21);
  EXPECT_EQ(cr.run.reader.fit[1].kind, 22);
  EXPECT_EQ(cr.run.reader.fit[2].kind, 24);
  EXPECT_EQ(cr.run.reader.fit[0].item, 3);
  EXPECT_EQ(cr.run.reader.fit[0].srcline, 2);
  EXPECT_DOUBLE_EQ(cr.run.store.species[3].initial, 1.0);
}

}  // namespace
}  // namespace tarnavel
