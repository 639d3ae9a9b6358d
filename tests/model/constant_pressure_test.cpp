// An isothermal constant-pressure vessel driven in process: A ==> 2B doubles
// the gas, so the volume grows from 1 to 2 as A is used up, V = 2 - e^-kt,
// and the concentrations n/V follow the closed form at every step.

#include <gtest/gtest.h>

#include <cmath>

#include "driver/run_driver.hpp"
#include "driver/stages.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {
namespace {

TEST(ConstantPressure, AVesselThatDoublesItsGasDoublesItsVolume) {
  testing::TempWorkDir dir;
  dir.Write("PARM.DAT",
            "1.0E-10\t1\tJ\tMOL/L\t0\n298\tYES\t0\t0\t0\n0\t0\t0\t40\t0\nNone1\t1\t1\t1.0E-10\t0\n0\t0\t0\t0\t0\n");
  dir.Write("SPECIES.DAT", "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "0.3\tA ==> 2B\n");
  testing::CapturedRun cr;
  tarnavel::Run& run = cr.run;
  LoopState loop;
  SetUpRun(run, {"-QUIET"}, loop);
  ModelStore& st = run.store;
  const int vi = st.net.volume_index;
  ASSERT_GT(vi, 0) << cr.Text();
  const int a = st.species[3].name == "A" ? 3 : 4, b = 7 - a;

  double time = 0.0, worst = 0.0;
  while (time < run.settings.simlen) {
    for (int s = 3; s <= st.rspec; ++s) loop.y[s - 2] = st.conc[s];
    loop.trial_step = std::min(loop.trial_step, run.settings.simlen - time);
    stage::Derivatives(run, time, loop.y, loop.dydx);
    for (int i = 1; i <= st.Equations(); ++i) loop.yscal[i] = std::max(std::fabs(loop.y[i]), 1.0e-10);
    stage::IntegratorStep(run, loop);
    for (int s = 3; s <= st.spec; ++s) st.conc[s] = loop.y[s - 2];
    time += loop.step_done;
    loop.trial_step = loop.next_step;
    const double decay = std::exp(-0.3 * time), v = 2.0 - decay;
    worst = std::max({worst, std::fabs(st.conc[vi] / v - 1.0), std::fabs(st.conc[a] / st.conc[vi] / (decay / v) - 1.0),
                      std::fabs(st.conc[b] / st.conc[vi] - 2.0 * (1.0 - decay) / v)});
  }
  EXPECT_LT(worst, 1.0e-6);
  EXPECT_NEAR(st.conc[vi], 2.0, 1.0e-5);
}

}  // namespace
}  // namespace tarnavel
