// The ignition delay of stoichiometric methane-air (GRI-Mech 3.0, constant
// volume, 1400 K, 1 atm) at ACCURACY 1E-8 against a reference made here from
// a dense, tight solution: the same model at ACCURACY 1E-12 with every step
// through the ignition cut to 50 ns, the temperature rate taken from the
// derivative function at each of those step ends, and each criterion found on
// that dense grid alone (parabolas through the largest samples, a straight
// line through the crossing), without the program's interpolation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/run.hpp"
#include "driver/run_driver.hpp"
#include "model/derivs.hpp"
#include "output/ignition_delay.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "support/test_data.hpp"
#include "time_loop/loop_stages.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {
namespace {

constexpr double kDenseStep = 5.0e-8;  // s

void WriteMethaneAir(const testing::TempWorkDir& dir, const char* accuracy) {
  dir.Write("MODEL.DAT", testing::TestData("gri30/MODEL.DAT"));
  dir.Write("SPECIES.DAT", testing::TestData("gri30/SPECIES_methane_air_1400K.DAT"));
  std::string therm = testing::TestData("gri30/THERM.DAT");
  therm.erase(therm.find("h2o2_free.dat"), therm.find("END") - therm.find("h2o2_free.dat"));
  dir.Write("THERM.DAT", therm);
  dir.Write("gri30_thermo.dat", testing::TestData("gri30/gri30_thermo.dat"));
  dir.Write("PARM.DAT", std::string("# methane-air\n# TSTEP\tTSTEP2\tEa\tConc.\t-\n1.0E-10\t2e-05\tKELVIN\tMOLES/CM^3\t0\n"
                                    "# T\tConst. P\tVolume\t-\t-\n1400\tNO\t0\t0\t0\n"
                                    "# D\tH\tM\tS\tps\n0\t0\t0\t0.0034\t0\n"
                                    "# hv\tdt\t%\tAccuracy\t-\nNone1\t1\t1\t") +
                            accuracy + "\t0\n0\t0\t0\t0\t0\n");
}

struct Sample {
  double t, temperature, rate, oh;
};

// Cuts every step to the dense spacing once the temperature has risen 150 K,
// and records each step end with the temperature rate of the derivative
// function there.
struct DenseRecorder : LoopStudy {
  int ti = 0, oh = 0;
  double start_temperature = 0.0;
  std::vector<double> y, f;
  std::vector<Sample> samples;
  bool dense = false;

  bool Rerun() const override { return false; }
  void ClipStep(Run&, LoopState& loop) override {
    if (dense) loop.trial_step = std::min(loop.trial_step, kDenseStep);
  }
  void AfterStep(Run& run, LoopState& loop) override {
    loop.interval_time += loop.step_done;
    loop.trial_step = loop.next_step;
    const ModelStore& st = run.store;
    if (!dense) {
      dense = st.conc[ti] > start_temperature + 150.0;
      return;
    }
    for (int s = 3; s <= st.rspec; ++s) y[s - 3] = st.conc[s];
    Derivs(run, y.data(), f.data());
    samples.push_back({loop.base_time + loop.interval_time, st.conc[ti], f[ti - 3], st.conc[oh]});
  }
};

int Slot(const ModelStore& st, const std::string& name) {
  for (int s = 3; s <= st.rspec; ++s)
    if (st.species[s].name == name) return s;
  return 0;
}

// The vertex of the parabola through three equally spaced samples around the
// largest of `value`.
template <typename Get>
double PeakTime(const std::vector<Sample>& s, Get value) {
  size_t i = 0;
  for (size_t k = 1; k < s.size(); ++k)
    if (value(s[k]) > value(s[i])) i = k;
  EXPECT_TRUE(i > 0 && i + 1 < s.size()) << "the peak lies at the edge of the dense window";
  if (i == 0 || i + 1 >= s.size()) return s[i].t;
  const double a = value(s[i - 1]), b = value(s[i]), c = value(s[i + 1]);
  return s[i].t + 0.5 * kDenseStep * (a - c) / (a - 2.0 * b + c);
}

TEST(IgnitionReference, MethaneAirAtConstantVolumeMatchesADenseTightSolution) {
  // The program's own figures at ACCURACY 1E-8.
  double by_rate = 0, by_oh = 0, by_rise = 0;
  {
    testing::TempWorkDir dir;
    WriteMethaneAir(dir, "1e-08");
    testing::CapturedRun cr;
    LoopState loop;
    SetUpRun(cr.run, {"-THERM", "-ig:mass", "-QUIET"}, loop);
    RunMainLoop(cr.run, loop);
    stage::FinishOutputs(cr.run, loop);
    ASSERT_TRUE(dir.Exists("IGNITION.TXT"));
    ASSERT_EQ(loop.ignition.criteria.size(), 3u);
    for (const IgnitionCriterion& c : loop.ignition.criteria) {
      ASSERT_TRUE(IgnitionMet(loop.ignition, c)) << c.label;
      (c.label == "max dT/dt" ? by_rate : c.label == "max [OH]" ? by_oh : by_rise) = c.time;
    }
  }
  // The dense, tight reference.
  testing::TempWorkDir dir;
  WriteMethaneAir(dir, "1e-12");
  testing::CapturedRun cr;
  LoopState loop;
  SetUpRun(cr.run, {"-THERM", "-ig:mass", "-QUIET"}, loop);
  auto recorder = std::make_unique<DenseRecorder>();
  DenseRecorder& rec = *recorder;
  const ModelStore& st = cr.run.store;
  rec.ti = st.net.temperature_index;
  rec.oh = Slot(st, "OH");
  rec.start_temperature = st.conc[rec.ti];
  rec.y.assign(st.rspec, 0.0);
  rec.f.assign(st.rspec, 0.0);
  loop.study = std::move(recorder);
  RunMainLoop(cr.run, loop);
  ASSERT_GT(rec.samples.size(), 100u);

  const double ref_rate = PeakTime(rec.samples, [](const Sample& s) { return s.rate; });
  const double ref_oh = PeakTime(rec.samples, [](const Sample& s) { return s.oh; });
  const double level = rec.start_temperature + 400.0;
  double ref_rise = 0.0;
  for (size_t k = 1; k < rec.samples.size(); ++k) {
    const Sample &a = rec.samples[k - 1], &b = rec.samples[k];
    if (a.temperature < level && b.temperature >= level) {
      ref_rise = a.t + (level - a.temperature) / (b.temperature - a.temperature) * (b.t - a.t);
      break;
    }
  }
  ASSERT_GT(ref_rise, 0.0) << "the dense window starts after the 400 K rise";
  // The delay is about 3.25 ms; all three criteria well within 0.1 % of it
  // (they agree to about 1E-6).
  EXPECT_NEAR(ref_rate, 3.25e-3, 0.05e-3);
  EXPECT_NEAR(by_rate, ref_rate, 1e-4 * ref_rate);
  EXPECT_NEAR(by_oh, ref_oh, 1e-4 * ref_oh);
  EXPECT_NEAR(by_rise, ref_rise, 1e-4 * ref_rise);
  // The three criteria are distinct moments of one ignition, in this order.
  EXPECT_LT(ref_rise, ref_rate);
  EXPECT_LT(ref_rate, ref_oh);
}

}  // namespace
}  // namespace tarnavel
