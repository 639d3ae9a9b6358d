#include "input/profiles.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "input/field_reader.hpp"
#include "model/profile_lookup.hpp"
#include "support/profiles_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::Profiles;
using testing::ProfileText;

TEST(ProfileIndex, SteppedRepeatingAndSinglePassTables) {
  struct Case {
    double base;
    double interval;
    int count;
    bool single_pass;
    int index;
  };
  const Case cases[] = {
      {0.0, 60.0, 100, false, 1},
      {59.9, 60.0, 100, false, 1},
      {60.0, 60.0, 100, false, 2},
      {5999.0, 60.0, 100, false, 100},
      {6000.0, 60.0, 100, false, 1},    // a repeating table starts over
      {6000.0, 60.0, 100, true, 100},   // a single pass keeps its last entry, also exactly at the end
      {1.0e6, 60.0, 100, true, 100},
      {5999.0, 60.0, 100, true, 100},
      {0.1 + 0.1 + 0.1, 0.1, 10, false, 4},   // a sum of steps a hair off a boundary is on it
      {0.7 - 0.4, 0.1, 10, false, 4},
      {0.3, 0.1, 3, false, 1},
      {7.0, 10.0, 1, false, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProfileIndex(c.base, c.interval, c.count, c.single_pass), c.index)
        << c.base << " " << c.interval << " " << c.count << " " << c.single_pass;
}

TEST_F(Profiles, LengthChoosesTheStoreAndItsPrecision) {
  struct Case {
    double interval;
    int n;
    bool large;
  };
  const Case cases[] = {{-60.0, 100, false}, {1.0, 510, false}, {1.0, 511, true}, {2.0, 20000, true}};
  std::vector<int> species;
  for (const Case& c : cases) {
    const std::string file = "P" + std::to_string(species.size()) + ".DAT";
    dir.Write(file, ProfileText(c.interval, c.n));
    species.push_back(Species("S" + std::to_string(species.size()), file));
  }
  ASSERT_EQ(Read(), 0) << cr.Text();
  EXPECT_EQ(st.profiles.shortct, 2);
  EXPECT_EQ(st.profiles.longct, 2);
  for (std::size_t i = 0; i < species.size(); ++i) {
    const Case& c = cases[i];
    const SpeciesEntry& e = st.species[species[i]];
    SCOPED_TRACE(c.n);
    EXPECT_EQ(e.profile_large, c.large);
    EXPECT_EQ(e.profile_single_pass, c.interval < 0.0);
    EXPECT_EQ(e.profile_interval, std::fabs(c.interval));
    EXPECT_EQ(e.profile_count, c.n);
    EXPECT_DOUBLE_EQ(e.profile_period, c.n * std::fabs(c.interval));
    // Small-store values keep double precision, large-store ones single.
    for (int index : {1, 7, c.n}) {
      const double written = 0.1 * index;
      EXPECT_EQ(ProfileValue(st, e, index), c.large ? static_cast<double>(static_cast<float>(written)) : written)
          << index;
    }
  }
  EXPECT_EQ(st.profiles.smallest_interval, 1.0);
}

TEST_F(Profiles, AHeldNumberIsATwoPointConstantProfile) {
  const int s = Species("O3", "2.5E-4");
  ASSERT_EQ(Read(), 0);
  const SpeciesEntry& e = st.species[s];
  EXPECT_FALSE(e.profile_large);
  EXPECT_EQ(e.profile_count, 2);
  EXPECT_EQ(e.profile_interval, 10.0);
  EXPECT_EQ(e.profile_period, 20.0);
  EXPECT_EQ(ProfileValue(st, e, 1), 2.5e-4);
  EXPECT_EQ(ProfileValue(st, e, 2), 2.5e-4);
  EXPECT_EQ(st.profiles.smallest_interval, 1.0e20);  // a constant needs no finer output
}

TEST_F(Profiles, StoreLimits) {
  struct Case {
    int small, large, values;  // profiles of 10 values, of 600 values, and one more of `values`
    int result;
    std::string message;
  };
  const Case cases[] = {
      {24, 0, 10, 0, ""},
      {25, 0, 10, -1, "Can't store anymore small conc. profiles!!"},
      {0, 4, 600, 0, ""},
      {0, 5, 600, -1, "*** Can't store anymore large conc. profiles!!"},
      {0, 0, 20000, 0, ""},
      {0, 0, 20001, 94, "!!!! Conc. profile too big!!! (>20,000 pts.) !!!!"},
  };
  dir.Write("SHORT.DAT", ProfileText(1.0, 10));
  dir.Write("LONG.DAT", ProfileText(1.0, 600));
  for (const Case& c : cases) {
    CapturedRun fresh;
    tarnavel::Run& r = fresh.run;
    ModelStore& s = r.store;
    auto add = [&](const std::string& file) {
      SpeciesEntry& e = s.species[++s.nspec];
      e.name = "S" + std::to_string(s.nspec);
      e.display = true;
      e.held = true;
      e.profile_name = file;
    };
    for (int i = 0; i < c.small; ++i) add("SHORT.DAT");
    for (int i = 0; i < c.large; ++i) add("LONG.DAT");
    dir.Write("LAST.DAT", ProfileText(1.0, c.values));
    add("LAST.DAT");
    s.profile_in_use = true;
    s.displayed = s.nspec - 2;
    int result = 0;
    try {
      ReadProfilesAndRadiation(r);
    } catch (const ProgramStop& stop) {
      result = stop.fatal_number == 0 ? -1 : stop.fatal_number;
    }
    EXPECT_EQ(result, c.result) << c.small << " " << c.large << " " << c.values << fresh.Text();
    if (!c.message.empty()) {
      EXPECT_NE(fresh.Text().find(" " + c.message + "\n"), std::string::npos) << fresh.Text();
    }
  }
}

TEST_F(Profiles, UnusableProfileFilesStopTheRun) {
  struct Case {
    std::string content;  // empty: no file at all
    int fatal;
    std::vector<std::string> quoted;  // message lines naming the file or line
    std::string name = "BAD.DAT";     // as the species file names it
  };
  const std::vector<std::string> cannot = {" Concentration profile file:'BAD.DAT' cannot",
                                           " be loaded. Please correct."};
  const std::string wide = ProfileText(1.0, 600) + "\n1.0 3.0E+39\n";
  const std::string up = "../" + std::filesystem::current_path().filename().string() + "/BAD.DAT";
  const std::string absolute = std::filesystem::absolute("BAD.DAT").string();
  const Case cases[] = {
      {"", 11, cannot},
      {"\n\n", 11, cannot},                 // no interval
      {"60\n", 11, cannot},                 // no values
      {"0\n1 2 3\n", 11, cannot},           // interval 0
      {"-0.0\n1 2 3\n", 11, cannot},
      {"60\n1.0, 2.0\n3.0 x4 5\n", 88,
       {" INVALID NUMBER FOUND IN BAD.DAT", " LINE READS:", " ' 3.0 x4 5 '", " ( source line # 3 )"}},
      {"60 1.0 2.0?\n", 88, {" ' 60 1.0 2.0? '", " ( source line # 1 )"}},
      // Beyond single precision in a profile that goes to the large store.
      {wide, 88, {" ' 1.0 3.0E+39 '", " ( source line # 78 )"}},
      // A file outside the working directory is not read, even where it exists.
      {"60\n1 2 3\n", 11, {" Input files may only name files in the working directory: " + up}, up},
      {"60\n1 2 3\n", 11, {" Input files may only name files in the working directory: " + absolute}, absolute},
  };
  for (const Case& c : cases) {
    CapturedRun fresh;
    ModelStore& s = fresh.run.store;
    std::filesystem::remove("BAD.DAT");
    if (!c.content.empty()) dir.Write("BAD.DAT", c.content);
    SpeciesEntry& e = s.species[++s.nspec];
    e.name = "X";
    e.display = true;
    e.held = true;
    e.profile_name = c.name;
    s.profile_in_use = true;
    s.displayed = 1;
    int fatal = 0;
    try {
      ReadProfilesAndRadiation(fresh.run);
    } catch (const ProgramStop& stop) {
      fatal = stop.fatal_number;
    }
    EXPECT_EQ(fatal, c.fatal) << c.content.substr(0, 40);
    const std::string text = fresh.Text();
    for (const std::string& line : c.quoted) EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << text;
  }
}

// A profile in a folder below the working directory is read.
TEST_F(Profiles, ProfilesMayLieInAFolderBelowTheWorkingDirectory) {
  std::filesystem::create_directory("sub");
  dir.Write("sub/P.DAT", ProfileText(60.0, 3));
  Species("A", "sub/P.DAT");
  EXPECT_EQ(Read(), 0) << cr.Text();
}

TEST_F(Profiles, AValueBeyondSinglePrecisionIsKeptInTheSmallStore) {
  dir.Write("WIDE.DAT", "1\n1.0 3.0E+39\n");
  const int s = Species("X", "WIDE.DAT");
  ASSERT_EQ(Read(), 0);
  EXPECT_EQ(ProfileValue(st, st.species[s], 2), 3.0e39);
}

TEST_F(Profiles, NoRadiationFileGivesAConstantIntensity) {
  Plain("A");
  AllRetained();
  for (const auto& [name, intensity] : {std::pair<std::string, float>{"None1", 1.0f}, {"NONE0", 0.0f},
                                        {"NONE", 0.0f}, {"NONE1.DAT", 1.0f}}) {
    run.settings.hvfile = name;
    run.settings.hvdt = 7.0;
    ASSERT_EQ(Read(), 0) << name;
    EXPECT_FALSE(st.profiles.hv_file);
    EXPECT_EQ(run.settings.hvdt, 1.0);
    EXPECT_EQ(st.profiles.hv_period, 2.0);
    for (double base : {0.0, 1.5, 1000.0}) {
      LookUpRadiation(run, base);
      EXPECT_EQ(st.net.hvflux, intensity) << name;
      EXPECT_EQ(st.conc[1], intensity) << name;
    }
  }
}

TEST_F(Profiles, RadiationFileRepeatingOrSinglePass) {
  Plain("A");
  AllRetained();
  // The name is kept in upper case; the file is found whatever its case.
  dir.Write("sun.dat", "1.0 0.5\n2.0,0.1\n\n3.0\n");
  run.settings.hvfile = "SUN.DAT";
  run.settings.hvdt = 2.0;
  for (bool single_pass : {false, true}) {
    run.settings.hvneg = single_pass;
    ASSERT_EQ(Read(), 0) << cr.Text();
    EXPECT_TRUE(st.profiles.hv_file);
    EXPECT_EQ(st.profiles.hv_count, 5);
    EXPECT_EQ(st.profiles.hv_period, 10.0);
    EXPECT_EQ(st.profiles.smallest_interval, 2.0);
    const std::vector<std::pair<double, float>> expected = {
        {0.0, 1.0f}, {1.9, 1.0f}, {2.0, 0.5f}, {7.0, 0.1f}, {8.0, 3.0f},
        {10.0, single_pass ? 3.0f : 1.0f}, {12.0, single_pass ? 3.0f : 0.5f}};
    for (const auto& [base, intensity] : expected) {
      LookUpRadiation(run, base);
      EXPECT_EQ(st.net.hvflux, intensity) << base << " " << single_pass;
      EXPECT_EQ(st.conc[1], static_cast<double>(intensity));
    }
  }
}

TEST_F(Profiles, UnusableRadiationFiles) {
  struct Case {
    std::string content;  // empty: no file
    double hvdt;
    int result;
  };
  std::string too_many;
  for (int i = 0; i <= kRadiationPoints; ++i) too_many += "1\n";
  const Case cases[] = {
      {"", 1.0, 5},
      {"\n \n", 1.0, 5},         // no values
      {"1 2 3\n", 0.0, 5},       // entries 0 s apart
      {"1 2 x\n", 1.0, 88},
      {too_many, 1.0, -1},
      {too_many.substr(2), 1.0, 0},  // exactly the most the table holds
  };
  for (const Case& c : cases) {
    CapturedRun fresh;
    tarnavel::Run& r = fresh.run;
    std::filesystem::remove("HV.DAT");
    if (!c.content.empty()) dir.Write("HV.DAT", c.content);
    r.settings.hvfile = "HV.DAT";
    r.settings.hvdt = c.hvdt;
    r.store.species[3].name = "A";
    r.store.species[3].display = true;
    r.store.nspec = 3;
    r.store.displayed = 1;
    int result = 0;
    try {
      ReadProfilesAndRadiation(r);
    } catch (const ProgramStop& stop) {
      result = stop.fatal_number == 0 ? -1 : stop.fatal_number;
    }
    EXPECT_EQ(result, c.result) << c.content.size() << " " << c.hvdt;
    if (c.result == 5) {
      EXPECT_NE(fresh.Text().find(" The hv energy output file HV.DAT\n"), std::string::npos);
    } else if (c.result == -1) {
      EXPECT_NE(fresh.Text().find(" hv file contains too many entries!!!\n"), std::string::npos);
    }
  }
}

TEST_F(Profiles, OutputIntervalComesDownToTheShortestTableInterval) {
  struct Case {
    std::string profile;  // interval of a held profile; empty: none
    std::string hvfile;
    double hvdt, tstep, tstep2;
    double new_tstep, new_tstep2;
  };
  const Case cases[] = {
      {"0.5", "None1", 1.0, 0.8, 1.0, 0.005, 0.5},   // TSTEP above the new TSTEP2 is corrected
      {"0.5", "None1", 1.0, 1.0e-3, 1.0, 1.0e-3, 0.5},
      {"2", "None1", 1.0, 1.0e-3, 1.0, 1.0e-3, 1.0},  // already fine enough
      {"-0.25", "None1", 1.0, 1.0e-3, 1.0, 1.0e-3, 0.25},
      {"", "HV.DAT", 0.2, 1.0e-3, 1.0, 1.0e-3, 0.2},  // radiation entries count too
      {"", "None1", 0.2, 1.0e-3, 1.0, 1.0e-3, 1.0},   // no radiation file: HVDT plays no part
  };
  dir.Write("HV.DAT", "1 2 3\n");
  for (const Case& c : cases) {
    CapturedRun fresh;
    tarnavel::Run& r = fresh.run;
    r.sw.show = true;
    ModelStore& s = r.store;
    SpeciesEntry& e = s.species[++s.nspec];
    e.name = "X";
    e.display = true;
    s.displayed = 1;
    if (!c.profile.empty()) {
      dir.Write("P.DAT", c.profile + "\n1 2 3\n");
      e.held = true;
      e.profile_name = "P.DAT";
      s.profile_in_use = true;
    }
    r.settings.hvfile = c.hvfile;
    r.settings.hvdt = c.hvdt;
    r.settings.tstep = c.tstep;
    r.settings.tstep2 = c.tstep2;
    r.settings.simlen = 600.0;
    ReadProfilesAndRadiation(r);
    EXPECT_DOUBLE_EQ(r.settings.tstep2, c.new_tstep2) << c.profile << " " << c.hvfile;
    EXPECT_DOUBLE_EQ(r.settings.tstep, c.new_tstep) << c.profile << " " << c.hvfile;
    EXPECT_EQ(fresh.Text().find(" >> TSTEP2 reset to:") != std::string::npos, c.new_tstep2 != c.tstep2);
  }
}

TEST_F(Profiles, WithNoSpeciesDisplayedTheFirstIsShown) {
  Plain("A");
  Plain("B");
  for (int s = 3; s <= 4; ++s) st.species[s].display = false;
  st.displayed = 0;
  ASSERT_EQ(Read(), 0);
  EXPECT_TRUE(Printed(" Warning Error #   8")) << cr.Text();
  EXPECT_TRUE(st.species[3].display);
  EXPECT_FALSE(st.species[4].display);
  EXPECT_EQ(st.displayed, 1);
}

TEST_F(Profiles, DebugLinesDescribeEveryTable) {
  run.sw.debug = kDebugMask;
  dir.Write("P.DAT", "-60\n1 2 3\n");
  dir.Write("HV.DAT", "1 2\n");
  Species("A", "P.DAT");
  Species("B", "1.0");
  run.settings.hvfile = "HV.DAT";
  ASSERT_EQ(Read(), 0);
  const std::vector<std::string> expected = {
      " P.DAT  INTERV2=  0.600000E+02",      " 3 entries have been read in for P.DAT",
      " which(L),posct(L)= 0 1",             " which(L),posct(L)= 0 2",
      " #cons= SHORTCT,LONGCT= 2 0",         " The hv Radiation file:",
      " HV.DAT",                             " has been read in F().",
      " 2 entries have been read in.)"};
  EXPECT_EQ(cr.Lines(), expected);
}

}  // namespace
}  // namespace tarnavel
