#include "time_loop/error_scale.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <vector>

#include "core/run.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

// A state of three gas species, one condensed species and the temperature
// (slots 1..5 of the integrator vector, species 3..7).
struct Case {
  const char* what;
  bool temperature_integrated;
  bool floor_given;      // -y fixed YSCALMIN
  double accuracy;
  double expected_floor;
};

TEST(ErrorScaleFloor, FollowsTheGasTotalOnlyWhenTheTemperatureIsIntegrated) {
  const double gas_total = 8.0e-6 + 2.0e-6 + 1.0e-22;  // mol/cm^3; the condensed 5e-3 does not count
  const Case cases[] = {
      {"isothermal run: YSCALMIN", false, false, 1e-8, 1e-25},
      {"thermodynamic run: one rounding unit of the gas total", true, false, 1e-8, DBL_EPSILON * gas_total / 1e-8},
      {"tighter accuracy, same absolute tolerance", true, false, 1e-12, DBL_EPSILON * gas_total / 1e-12},
      {"-y given: taken as it stands", true, true, 1e-8, 1e-25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::CapturedRun cr;
    tarnavel::Run& run = cr.run;
    run.settings.yscalmin = 1e-25;
    run.settings.accuracy = c.accuracy;
    run.sw.yscalmin_given = c.floor_given;
    Network& net = run.store.net;
    net.gas = {0, 0, 0, 1, 1, 1, 0, 0};  // hv, M, three gas species, condensed, temperature
    net.temperature_index = c.temperature_integrated ? 7 : 0;
    const std::vector<double> y = {0.0, 8.0e-6, -2.0e-6, 1.0e-22, 5.0e-3, 2600.0};
    std::vector<double> yscal(y.size(), 0.0);
    EXPECT_DOUBLE_EQ(ErrorScaleFloor(run, y.data(), 5), c.expected_floor);

    SetErrorScales(run, y.data(), yscal.data(), 5);
    EXPECT_EQ(yscal[1], 8.0e-6);
    EXPECT_EQ(yscal[2], 2.0e-6);  // by magnitude
    EXPECT_DOUBLE_EQ(yscal[3], std::max(1.0e-22, c.expected_floor));
    EXPECT_EQ(yscal[4], 5.0e-3);
    EXPECT_EQ(yscal[5], 2600.0);
  }
}

}  // namespace
}  // namespace tarnavel
