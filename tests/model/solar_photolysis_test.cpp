#include "model/solar_photolysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <string>

namespace tarnavel {
namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

double ZenithDegrees(double latitude, double longitude_east, const UtcStart& start, double t) {
  return std::acos(CosZenith(latitude, longitude_east, UtcAt(start, t))) * kDegreesPerRadian;
}

TEST(SolarTime, UtcAtCrossesMidnightsYearEndsAndLeapDays) {
  struct Case {
    UtcStart start;
    double t;
    UtcMoment expected;
  };
  const Case cases[] = {
      {{2002, 2, 2, 50400.0}, 0.0, {2002, 32, 50400.0}},
      {{2002, 2, 2, 50400.0}, 36000.0, {2002, 33, 0.0}},  // exactly midnight starts the next day
      {{2002, 2, 2, 50400.0}, 35999.5, {2002, 32, 86399.5}},
      {{2002, 2, 2, 100000.0}, 0.0, {2002, 33, 13600.0}},    // start seconds past one day
      {{2008, 12, 31, 82800.0}, 7200.0, {2009, 0, 3600.0}},  // out of a leap year (31 Dec is day 365)
      {{2007, 12, 31, 82800.0}, 7200.0, {2008, 0, 3600.0}},
      {{2004, 2, 28, 0.0}, 86400.0, {2004, 59, 0.0}},  // 29 February
      {{2003, 2, 28, 0.0}, 86400.0, {2003, 59, 0.0}},  // 1 March
      {{2000, 3, 1, 0.0}, 0.0, {2000, 60, 0.0}},       // 2000 is leap, 1900 is not
      {{1900, 3, 1, 0.0}, 0.0, {1900, 59, 0.0}},
      {{2001, 1, 1, 0.0}, (365.0 * 3 + 366.0) * 86400.0 + 10.0, {2005, 0, 10.0}},
      {{2002, 1, 1, 0.0}, -1.0, {2001, 364, 86399.0}},
      {{2002, 1, 1, 0.0}, -1.0e-12, {2002, 0, 0.0}},  // a hair before midnight rounds to it
      {{2009, 1, 1, 3600.0}, -7200.0, {2008, 365, 82800.0}},
  };
  for (const Case& c : cases) {
    const UtcMoment m = UtcAt(c.start, c.t);
    const std::string where = std::to_string(c.start.year) + "-" + std::to_string(c.start.month) + "-" +
                              std::to_string(c.start.day) + " + " + std::to_string(c.t);
    EXPECT_EQ(m.year, c.expected.year) << where;
    EXPECT_EQ(m.day_of_year, c.expected.day_of_year) << where;
    EXPECT_DOUBLE_EQ(m.seconds_of_day, c.expected.seconds_of_day) << where;
  }
}

TEST(SolarTime, StartsMustBeCalendarDates) {
  EXPECT_TRUE(IsValidUtcStart({2004, 2, 29, 0.0}));
  EXPECT_TRUE(IsValidUtcStart({2000, 2, 29, 0.0}));
  EXPECT_TRUE(IsValidUtcStart({2002, 12, 31, 86399.0}));
  EXPECT_FALSE(IsValidUtcStart({2003, 2, 29, 0.0}));
  EXPECT_FALSE(IsValidUtcStart({1900, 2, 29, 0.0}));
  EXPECT_FALSE(IsValidUtcStart({2002, 4, 31, 0.0}));
  EXPECT_FALSE(IsValidUtcStart({2002, 13, 1, 0.0}));
  EXPECT_FALSE(IsValidUtcStart({2002, 1, 0, 0.0}));
  EXPECT_FALSE(IsValidUtcStart({2002, 1, 1, std::nan("")}));
}

// Geometric solar zenith angles (no refraction) of the NOAA Solar Calculator
// (gml.noaa.gov/grad/solcalc), whose algorithm follows Meeus' Astronomical
// Algorithms. For Denver on 1 January 2000 the calculator shows elevations of
// 27.28 deg at noon MST and -15.06 deg at 06:00 MST; less its refraction
// (0.03 and 0.02 deg) that is a zenith of 62.75 and 105.08 deg. The other
// rows are its algorithm at the solstices, where a declination taken once a
// day is good to 0.1 deg (at the equinoxes it is not: up to 0.5 deg off).
TEST(SolarPosition, ZenithAgreesWithTheNoaaSolarCalculator) {
  struct Case {
    const char* where;
    double latitude, longitude_east;
    UtcStart at;
    double zenith;
  };
  const Case cases[] = {
      {"Greenwich, June solstice, noon", 51.4779, -0.0015, {2021, 6, 21, 12 * 3600.0 + 102.0}, 28.041},
      {"Sydney, December solstice, noon", -33.8688, 151.2093, {2020, 12, 21, 1 * 3600.0 + 3000.0}, 10.457},
      {"Sydney, December solstice, 17:00 local", -33.8688, 151.2093, {2020, 12, 21, 7 * 3600.0}, 66.579},
      {"Denver, 1 January, noon MST", 39.74, -104.99, {2000, 1, 1, 19 * 3600.0}, 62.754},
      {"Denver, 1 January, 06:00 MST", 39.74, -104.99, {2000, 1, 1, 13 * 3600.0}, 105.084},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(ZenithDegrees(c.latitude, c.longitude_east, c.at, 0.0), c.zenith, 0.1) << c.where;
}

// The sun's extremes of the year: a declination of +-23.44 deg (the
// obliquity of the ecliptic) at the solstices; an equation of time of about
// +16.4 min on 3 November and -14.2 min on 11 February.
TEST(SolarPosition, DeclinationAndEquationOfTimeAtTheirExtremes) {
  struct Case {
    UtcStart day;
    double expected, tolerance;
  };
  const Case declinations[] = {{{2021, 6, 21, 0.0}, 23.44, 0.05}, {{2021, 12, 21, 0.0}, -23.44, 0.05}};
  for (const Case& c : declinations)
    EXPECT_NEAR(SolarDeclination(UtcAt(c.day, 0.0)) * kDegreesPerRadian, c.expected, c.tolerance) << c.day.month;
  // One radian of hour angle is 720/pi minutes of time.
  const Case equations[] = {{{2021, 11, 3, 0.0}, 16.4, 0.3}, {{2021, 2, 11, 0.0}, -14.2, 0.3}};
  for (const Case& c : equations)
    EXPECT_NEAR(EquationOfTime(UtcAt(c.day, 0.0)) * 720.0 / std::numbers::pi, c.expected, c.tolerance) << c.day.month;
}

// AtChem2 test cases (its own reference outputs, configuration/ and output/
// of each case): the MCM parameterisation at a place and date it was run for.
// It writes, at each output time, the rates of its solver's last evaluation,
// which in these runs fell a fixed lag after the output time; the hour angle
// it writes beside them (photolysisRatesParameters.output) gives that lag,
// and the sun is taken there. Its longitudes are positive to the west.
struct PeerRun {
  UtcStart start;
  double latitude, longitude_east;
  std::optional<double> declination_deg;
  double lag;
};
// env_model_1: 36.11 N 5.35 W from 14:00 UTC on 2 February 2002, through
// sunset. env_model_2: the same held at a declination of -0.2976 rad.
const PeerRun kEnv1{{2002, 2, 2, 50400.0}, 36.11, -5.35, std::nullopt, 43.0441};
const PeerRun kEnv2{{2002, 2, 2, 50400.0}, 36.11, -5.35, -0.2976 * kDegreesPerRadian, 43.0334};
// The ethene case (its MCM v3.3.1 ethene subset): 7.326 S 72.449 E from
// 06:30 UTC on 9 November 2008 (a leap year) to dusk. short_ext1: 49.2 N
// 2.1 E at noon on 25 August 2010.
const PeerRun kEthene{{2008, 11, 9, 23400.0}, -7.326, 72.449, std::nullopt, 37.4264};
const PeerRun kShort1{{2010, 8, 25, 43200.0}, 49.2, 2.1, std::nullopt, 15.371};

TEST(Photolysis, PeerRatesFollowTheSunThroughSunset) {
  struct Case {
    const PeerRun* run;
    double time;  // seconds since midnight UTC of the start date, as written
    int j;
    double rate;  // s^-1, photolysisRates.output
  };
  const Case cases[] = {
      {&kEnv1, 54000.0, 1, 5.203696e-06},
      {&kEnv1, 54000.0, 22, 1.041395e-06},
      {&kEnv1, 62400.0, 1, 8.866047e-10},  // cos X = 0.072, shortly before sunset
      {&kEnv1, 62400.0, 4, 1.528173e-04},
      {&kEnv1, 62400.0, 61, 5.130207e-06},
      {&kEnv1, 63600.0, 4, 0.0},  // night
      {&kEnv2, 58800.0, 6, 8.625706e-02},
      {&kEnv2, 62400.0, 1, 8.876482e-10},
      {&kEnv2, 62400.0, 53, 1.150874e-09},
      {&kEthene, 24300.0, 1, 3.663925e-05},  // sun near the zenith
      {&kEthene, 24300.0, 23, 1.785843e-06},
      {&kEthene, 45000.0, 1, 5.376318e-08},
      {&kEthene, 45000.0, 55, 1.608018e-07},
      {&kEthene, 47700.0, 6, 0.0},
      {&kShort1, 43500.0, 15, 1.494887e-05},
  };
  for (const Case& c : cases) {
    const PeerRun& r = *c.run;
    const UtcMoment m = UtcAt(r.start, c.time + r.lag - r.start.seconds);
    PhotolysisParameters p{};
    ASSERT_TRUE(McmPhotolysis(c.j, p)) << c.j;
    const double j = PhotolysisRate(p, CosZenith(r.latitude, r.longitude_east, m, r.declination_deg));
    EXPECT_NEAR(j, c.rate, 1e-5 * c.rate) << "J" << c.j << " at " << c.time;
  }
}

// J from the cos X the peer wrote beside it, down to the last output before
// its sun set (the ethene case at 46800 s, cos X = 0.01112131), and the night
// limit itself.
TEST(Photolysis, RatesVanishAtAndBelowTheNightLimit) {
  struct Case {
    double cos_zenith;
    int j;
    double rate;
  };
  const Case cases[] = {
      {0.01112131, 1, 7.376316e-27}, {0.01112131, 2, 9.390202e-08},
      {0.01112131, 4, 1.455665e-13}, {0.01112131, 22, 8.091523e-23},
      {0.9859942, 6, 1.535626e-01},  // the ethene case at 24300 s
      {kNightCosZenith, 2, 0.0},     {-0.3, 2, 0.0},
  };
  for (const Case& c : cases) {
    PhotolysisParameters p{};
    ASSERT_TRUE(McmPhotolysis(c.j, p));
    EXPECT_NEAR(PhotolysisRate(p, c.cos_zenith), c.rate, 1e-5 * c.rate) << "J" << c.j << " at " << c.cos_zenith;
  }
  PhotolysisParameters o3{};
  ASSERT_TRUE(McmPhotolysis(2, o3));
  EXPECT_GT(PhotolysisRate(o3, std::nextafter(kNightCosZenith, 1.0)), 0.0);
}

TEST(Photolysis, OnlyTheMcmJNumbersAreKnown) {
  const int known[] = {1,  2,  3,  4,  5,  6,  7,  8,  11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                       21, 22, 23, 24, 31, 32, 33, 34, 35, 41, 51, 52, 53, 54, 55, 56, 61};
  for (int j : known) {
    PhotolysisParameters p{};
    EXPECT_TRUE(McmPhotolysis(j, p)) << j;
    EXPECT_GT(p.l, 0.0) << j;
  }
  for (int j : {0, -1, 9, 10, 25, 30, 36, 40, 42, 50, 57, 60, 62, 1000}) {
    PhotolysisParameters p{1.0, 2.0, 3.0};
    EXPECT_FALSE(McmPhotolysis(j, p)) << j;
    EXPECT_EQ(p.l, 1.0) << j;
  }
}

// [M] and [H2O] the same AtChem2 runs wrote (environmentVariables.output)
// from their pressure (given in mbar), temperature and relative humidity;
// short_ext1 gives its water directly, and no humidity is dry air.
TEST(SolarAir, NumberDensitiesAndWaterFromHumidityMatchThePeer) {
  struct Case {
    const char* run;
    double pressure_pa, temperature_k, rh_percent;
    double air, water;
  };
  const Case cases[] = {
      {"env_model_2", 101000.0, 288.0, 42.0, 2.540070e19, 1.796482e17},
      {"ethene", 95020.0, 291.45, 67.4, 2.361390e19, 3.575722e17},
      {"short_ext1", 101300.0, 300.0, 0.0, 2.445710e19, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(AirNumberDensity(c.pressure_pa, c.temperature_k), c.air, 1e-6 * c.air) << c.run;
    EXPECT_NEAR(WaterFromRelativeHumidity(c.rh_percent, c.temperature_k, c.pressure_pa), c.water, 1e-6 * c.water)
        << c.run;
  }
}

}  // namespace
}  // namespace tarnavel
