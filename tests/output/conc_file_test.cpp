#include "output/conc_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/stop.hpp"
#include "output/analysis_file.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::SplitLines;
using testing::TempWorkDir;

// Species 3..6 compiled (RSPEC 6), of which A, LONGNAME9 and NO2 are shown;
// species 7 lies above RSPEC and is never written even though flagged.
struct WriterFixture : ::testing::Test {
  TempWorkDir dir;
  CapturedRun cr;
  tarnavel::Run& run = cr.run;

  void SetUp() override {
    const struct {
      const char* name;
      bool display;
      double conc;
    } species[] = {{"A", true, 1.0}, {"LONGNAME9", true, 2.5e-10}, {"B", false, 3.0},
                   {"NO2  ", true, 4.0}, {"ZZ", true, 7.0}};
    int s = 3;
    for (const auto& sp : species) {
      run.store.species[s].name = sp.name;
      run.store.species[s].display = sp.display;
      run.store.conc[s] = sp.conc;
      ++s;
    }
    run.store.spec = run.store.sspec = run.store.rspec = 6;
  }
};

TEST_F(WriterFixture, ConcentrationFileHasNamedColumnsAndE14Rows) {
  ConcFile conc;
  OpenConcFile(run, conc);
  WriteConcHeader(run, conc, false);
  WriteConcRow(run, conc, 0.0, false);
  run.store.conc[3] = -1.5e-7;
  WriteConcRow(run, conc, 12.5, false);
  CloseConcFile(run, conc);
  EXPECT_EQ(dir.Read("CONC.TXT"),
            " Time(s)  \tA \tLONGNAME9 \tNO2 \t\n"
            "  0.000000E+00\t  0.100000E+01\t  0.250000E-09\t  0.400000E+01\t\n"
            "  0.125000E+02\t -0.150000E-06\t  0.250000E-09\t  0.400000E+01\t\n");
  EXPECT_EQ(cr.Text(), "");
}

TEST_F(WriterFixture, CustomDelimiterNameAndEchoInTheFileLayout) {
  run.settings.outdelim = ',';
  run.sw.conc_out_name = "RUN1.CSV";
  run.store.species[4].display = false;
  ConcFile conc;
  OpenConcFile(run, conc);
  WriteConcHeader(run, conc, true);
  WriteConcRow(run, conc, 1.0, true);
  CloseConcFile(run, conc);
  const std::string expected = " Time(s)  ,A ,NO2 ,\n  0.100000E+01,  0.100000E+01,  0.400000E+01,\n";
  EXPECT_EQ(dir.Read("RUN1.CSV"), expected);
  EXPECT_EQ(cr.Text(), expected);  // no blank column in front of echoed rows
}

TEST_F(WriterFixture, NoDisplayedSpeciesLeavesTheTimeColumnOnly) {
  for (int s = 3; s <= 7; ++s) run.store.species[s].display = false;
  ConcFile conc;
  OpenConcFile(run, conc);
  WriteConcHeader(run, conc, false);
  WriteConcRow(run, conc, 2.0, false);
  CloseConcFile(run, conc);
  EXPECT_EQ(dir.Read("CONC.TXT"), " Time(s)  \t\n  0.200000E+01\t\n");
  EXPECT_EQ(RowDescription(run.store), "(E14.6,A1)");
}

TEST_F(WriterFixture, PreparationReplacesTheFileAndListsFormatsWithDebug) {
  dir.Write("CONC.TXT", "rows of an earlier run\n");
  PrepareConcOutput(run);
  EXPECT_TRUE(dir.Exists("CONC.TXT"));
  EXPECT_EQ(dir.Read("CONC.TXT"), "");
  EXPECT_EQ(cr.Text(), "");

  run.sw.debug = 8;
  PrepareConcOutput(run);
  EXPECT_EQ(cr.Lines(), (std::vector<std::string>{" Format headers for CONC.TXT file:",
                                                   " Form2=\t(A10,A1,A2,A1,A10,A1,A4,A1)\t",
                                                   " FORM=\t(E14.6,A1,3(E14.6,A1))\t"}));
}

TEST_F(WriterFixture, AFileThatCannotBeCreatedStopsTheRun) {
  run.sw.conc_out_name = "no-such-directory/CONC.TXT";
  try {
    PrepareConcOutput(run);
    FAIL() << "no stop";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_status, kExitStopped);
  }
  const auto lines = cr.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind(" ****  ERR: IOSTAT= ", 0), 0u);
  EXPECT_NE(lines[1].find("no-such-directory/CONC.TXT"), std::string::npos);
}

TEST_F(WriterFixture, AnalysisFileHasReactionColumnsAndAbsoluteRates) {
  run.store.nreact = 4;
  const double rates[] = {0.0, 2.5, -1.0e-3, 0.0, -123456.7};
  for (int r = 1; r <= 4; ++r) run.store.rate[r] = rates[r];
  run.sw.analysis_name = "RATES.TXT";
  AnalysisFile analysis;
  OpenAnalysisFile(run, analysis);
  WriteAnalysisHeader(run, analysis, false);
  WriteAnalysisRow(run, analysis, 1.5, false);
  CloseAnalysisFile(run, analysis);
  EXPECT_EQ(dir.Read("RATES.TXT"),
            "   Time(s)\t  Reaction #   1\t  Reaction #   2\t  Reaction #   3\t  Reaction #   4\t\n"
            "       1.50000\t   2.50000    \t  0.100000E-02\t   0.00000    \t   123457.    \t\n");
}

TEST_F(WriterFixture, AnalysisRowsStopAt8760Reactions) {
  run.settings.outdelim = ';';
  run.store.nreact = 8800;
  AnalysisFile analysis;
  OpenAnalysisFile(run, analysis);
  WriteAnalysisHeader(run, analysis, false);
  WriteAnalysisRow(run, analysis, 0.0, false);
  CloseAnalysisFile(run, analysis);
  const auto lines = SplitLines(dir.Read("ANALYSIS.TXT"));
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) {
    EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 8761) << line.substr(0, 20);
    EXPECT_EQ(line.back(), ';');
  }
  EXPECT_EQ(lines[0].size(), 10u + 1 + 8760u * 17);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 17), "  Reaction #8760;");
}

}  // namespace
}  // namespace tarnavel
