#include "time_loop/main_loop.hpp"

#include <gtest/gtest.h>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

struct LoopFixture : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  LoopState loop;

  void SetUp() override {
    run.settings.simlen = 600.0;
    run.settings.tstep2 = 1.0;
    run.settings.tstep = 1.0e-10;
    PrepareLoop(run, loop);
  }
};

TEST_F(LoopFixture, TurboStepsAreCutToOneSixtyFirstWhileFewRowsExist) {
  loop.trial_step = 50.0;
  EXPECT_EQ(ClipTrialStep(run, loop, true, false), Clip::kStep);
  EXPECT_DOUBLE_EQ(loop.trial_step, 600.0 / 61);

  loop.trial_step = 50.0;
  loop.output_count = 61;
  ClipTrialStep(run, loop, true, false);
  EXPECT_DOUBLE_EQ(loop.trial_step, 50.0);  // enough rows: no cut

  loop.output_count = 0;
  loop.trial_step = 0.5;                    // below TSTEP2: no cut
  ClipTrialStep(run, loop, true, false);
  EXPECT_DOUBLE_EQ(loop.trial_step, 0.5);
}

TEST_F(LoopFixture, TurboStepsAreNotCutAtOutputPoints) {
  loop.base_time = 10.0;
  loop.interval_time = 0.7;
  loop.trial_step = 0.9;
  ClipTrialStep(run, loop, true, false);
  EXPECT_DOUBLE_EQ(loop.trial_step, 0.9);
}

TEST_F(LoopFixture, StepsOutsideTurboEndExactlyAtTheOutputInterval) {
  loop.base_time = 10.0;
  loop.interval_time = 0.7;
  loop.trial_step = 0.9;
  ClipTrialStep(run, loop, false, false);
  EXPECT_DOUBLE_EQ(loop.trial_step, 1.0 - 0.7);
}

TEST_F(LoopFixture, TheLastStepEndsExactlyAtTheSimulationLength) {
  for (bool turbo : {true, false}) {
    loop.base_time = 599.5;
    loop.interval_time = 0.25;
    loop.trial_step = 0.5;
    ClipTrialStep(run, loop, turbo, false);
    EXPECT_DOUBLE_EQ(loop.base_time + loop.interval_time + loop.trial_step, 600.0) << turbo;
  }
}

TEST_F(LoopFixture, ARestLeftOnlyByRoundingIsNoStep) {
  loop.base_time = 599.99999999999989;  // six hundred intervals summed
  loop.interval_time = 0.0;
  loop.trial_step = 0.5;
  ClipTrialStep(run, loop, false, false);
  EXPECT_EQ(loop.trial_step, 0.0);  // the forced output point closes the run
  loop.interval_time = 0.0;
  OutputPoint(run, loop);
  EXPECT_EQ(loop.base_time, 600.0);
}

TEST_F(LoopFixture, ANegativeTrialStepBecomesTheRestOfTheRun) {
  loop.base_time = 100.0;
  loop.interval_time = 0.0;
  loop.trial_step = -3.0;
  ClipTrialStep(run, loop, true, false);
  EXPECT_DOUBLE_EQ(loop.trial_step, 500.0);
}

TEST_F(LoopFixture, AnExhaustedIntervalDuringASensitivityRerunClosesWithoutOutput) {
  loop.base_time = 4.0;
  loop.interval_time = 1.0;
  loop.trial_step = 0.3;
  loop.next_step = 0.02;
  EXPECT_EQ(ClipTrialStep(run, loop, false, true), Clip::kRestart);
  EXPECT_DOUBLE_EQ(loop.base_time, 5.0);
  EXPECT_DOUBLE_EQ(loop.interval_time, 0.0);
  EXPECT_DOUBLE_EQ(loop.trial_step, 0.02);
}

TEST_F(LoopFixture, DebugReportsAStepCutToNothing) {
  run.sw.debug = kDebugMask;
  loop.base_time = 4.0;
  loop.interval_time = 1.0;
  loop.trial_step = 0.3;
  ClipTrialStep(run, loop, false, false);
  EXPECT_NE(cr.Text().find("## Possible Underflow yt6: "), std::string::npos);
  EXPECT_NE(cr.Text().find(" step="), std::string::npos);
}

struct OutputFixture : LoopFixture {
  void SetUp() override {
    LoopFixture::SetUp();
    run.store.spec = run.store.sspec = run.store.rspec = 4;
    run.store.species[3].name = "A";
    run.store.species[4].name = "B";
    run.settings.pctdiff = 0.01;
  }
};

TEST_F(OutputFixture, ARowIsWrittenOnlyWhenSomeSpeciesChangedByTheThreshold) {
  run.store.conc[3] = 1.0;
  run.store.conc[4] = 2.0;
  loop.interval_time = 1.0;
  OutputPoint(run, loop);  // first point: last-written values start at the current ones
  EXPECT_EQ(loop.output_count, 0);
  EXPECT_DOUBLE_EQ(loop.base_time, 1.0);
  EXPECT_DOUBLE_EQ(loop.interval_time, 0.0);

  run.store.conc[3] = 1.005;  // 0.5 %: below the threshold
  loop.interval_time = 1.0;
  OutputPoint(run, loop);
  EXPECT_EQ(loop.output_count, 0);

  run.store.conc[4] = 2.03;   // 1.5 %: a row, and every last-written value moves
  loop.interval_time = 1.0;
  OutputPoint(run, loop);
  EXPECT_EQ(loop.output_count, 1);
  EXPECT_TRUE(loop.last_point_wrote);
  EXPECT_DOUBLE_EQ(loop.last_row_time, 3.0);
  EXPECT_DOUBLE_EQ(loop.last_written[3], 1.005);
  EXPECT_DOUBLE_EQ(loop.last_written[4], 2.03);
}

TEST_F(OutputFixture, AZeroThresholdWritesEveryOutputPoint) {
  run.settings.pctdiff = 0.0;
  run.store.conc[3] = 1.0;
  for (int i = 0; i < 3; ++i) {
    loop.interval_time = 1.0;
    OutputPoint(run, loop);
  }
  EXPECT_EQ(loop.output_count, 3);
}

TEST_F(OutputFixture, ClearlyNegativeConcentrationsAreCountedAndWarned) {
  struct Case {
    int units;
    double value;
    long warnings;
  };
  const Case cases[] = {
      {kMolesPerLiter, -1.0e-26, 0},
      {kMolesPerLiter, -1.0e-24, 1},
      {kMoleculesPerCm3, -0.05, 0},
      {kMoleculesPerCm3, -0.2, 1},
  };
  for (const Case& c : cases) {
    LoopState fresh;
    PrepareLoop(run, fresh);
    run.settings.concunits = c.units;
    run.store.conc[3] = c.value;
    run.store.conc[4] = 1.0;
    OutputPoint(run, fresh);
    EXPECT_EQ(fresh.negative_count, c.warnings) << c.value;
  }
}

TEST_F(LoopFixture, AnEmptyModelRunsToTheSimulationLength) {
  RunMainLoop(run, loop);
  EXPECT_DOUBLE_EQ(loop.base_time, 600.0);
  EXPECT_DOUBLE_EQ(loop.interval_time, 0.0);
}

TEST_F(LoopFixture, DebugAnnouncesTheMainLoop) {
  run.sw.debug = kDebugMask;
  RunMainLoop(run, loop);
  const auto lines = cr.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], " " + std::string(49, '#'));
  EXPECT_EQ(lines[1], " *#*#*#*#*#*     NOW ENTERING IN MAIN LOOP...     ");
  EXPECT_EQ(lines[2], " " + std::string(49, '#'));
}

}  // namespace
}  // namespace tarnavel
