#include "output/mw_list.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "input/formula_weight.hpp"
#include "input/names_file.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

// A small compiled model: species 3..RSPEC weighed from the names file or
// from their own names.
void SmallModel(Run& run) {
  std::istringstream names("Methanol\tCH3OH\n");
  ReadNamesLines(run, names);
  const std::string long_name = "CH3" + [] {
    std::string s;
    for (int i = 0; i < 14; ++i) s += "CH2";
    return s;
  }() + "CH3";
  ModelStore& st = run.store;
  for (const std::string& n :
       {std::string("H2O"), std::string("Methanol"), std::string("Ozone"), std::string("Temperature(K)"),
        std::string("Volume"), long_name, std::string("H99999999999")}) {
    st.species[++st.nspec].name = n;
  }
  st.spec = st.sspec = st.rspec = st.nspec;
  run.sw.ignore_warnings = true;
  DetermineMolecularWeights(run);
}

std::string Listing(const Run& run) {
  std::ostringstream out;
  WriteMwList(run, out);
  return out.str();
}

const std::string kExpected =
    "\n\n"
    "Species\tMolecular Weight\n"
    "-------\t----------------\n"
    "H2O                                     \t        18.01534\n"
    "Methanol                                \t        32.04243\n"
    " Invalid MW name:Ozone\t0.0\n"
    "CH3CH2CH2CH2CH2CH2CH2CH2CH2CH2CH2CH2CH2C\t       226.44938\n"
    "H99999999999                            \t****************\n" +
    std::string(63, '-') + "\n\n\n";

TEST(MwList, LayoutOfASmallModel) {
  CapturedRun cr;
  SmallModel(cr.run);
  EXPECT_EQ(Listing(cr.run), kExpected);
}

TEST(MwList, UsesTheOutputDelimiterAndStopsAtRspec) {
  CapturedRun cr;
  SmallModel(cr.run);
  cr.run.settings.outdelim = ',';
  cr.run.store.rspec = 4;
  EXPECT_EQ(Listing(cr.run),
            "\n\nSpecies,Molecular Weight\n-------,----------------\n"
            "H2O                                     ,        18.01534\n"
            "Methanol                                ,        32.04243\n" +
                std::string(63, '-') + "\n\n\n");
}

TEST(MwList, ReplacesTheFileInTheWorkingDirectory) {
  const auto previous = std::filesystem::current_path();
  const auto dir = std::filesystem::temp_directory_path() / ("tarnavel_mw_list_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  {
    std::ofstream old(kMwListFile);
    old << std::string(5000, 'x');
  }
  CapturedRun cr;
  SmallModel(cr.run);
  WriteMwList(cr.run);
  std::ifstream in(kMwListFile, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(content.str(), kExpected);
}

}  // namespace
}  // namespace tarnavel
