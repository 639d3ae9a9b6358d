#include "model/solar_photolysis.hpp"

#include <cmath>
#include <numbers>

namespace tarnavel {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kBoltzmann = 1.380649e-23;  // J K^-1
constexpr double kCubicMetresPerCubicCentimetre = 1.0e-6;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// Days of a common year before the first of each month.
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

// The day angle of the moment's whole day, 2 pi d / N (radians).
double DayAngle(const UtcMoment& m) { return 2.0 * std::numbers::pi * m.day_of_year / DaysInYear(m.year); }

// MCM v3.3.1 photolysis parameters (Saunders et al., Atmos. Chem. Phys. 3,
// 161, 2003; Jenkin et al., Atmos. Chem. Phys. 15, 11433, 2015), as the MCM
// distributes them (J number: l in s^-1, m, n). J23's l carries one digit
// more than J24's: both as published.
struct McmJ {
  int j;
  PhotolysisParameters p;
};
constexpr McmJ kMcmPhotolysis[] = {
    {1, {6.073e-05, 1.743, 0.474}},  {2, {4.775e-04, 0.298, 0.080}},  {3, {1.041e-05, 0.723, 0.279}},
    {4, {1.165e-02, 0.244, 0.267}},  {5, {2.485e-02, 0.168, 0.108}},  {6, {1.747e-01, 0.155, 0.125}},
    {7, {2.644e-03, 0.261, 0.288}},  {8, {9.312e-07, 1.230, 0.307}},  {11, {4.642e-05, 0.762, 0.353}},
    {12, {6.853e-05, 0.477, 0.323}}, {13, {7.344e-06, 1.202, 0.417}}, {14, {2.879e-05, 1.067, 0.358}},
    {15, {2.792e-05, 0.805, 0.338}}, {16, {1.675e-05, 0.805, 0.338}}, {17, {7.914e-05, 0.764, 0.364}},
    {18, {1.482e-06, 0.396, 0.298}}, {19, {1.482e-06, 0.396, 0.298}}, {20, {7.600e-04, 0.396, 0.298}},
    {21, {7.992e-07, 1.578, 0.271}}, {22, {5.804e-06, 1.092, 0.377}}, {23, {2.4246e-06, 0.395, 0.296}},
    {24, {2.424e-06, 0.395, 0.296}}, {31, {6.845e-05, 0.130, 0.201}}, {32, {1.032e-05, 0.130, 0.201}},
    {33, {3.802e-05, 0.644, 0.312}}, {34, {1.537e-04, 0.170, 0.208}}, {35, {3.326e-04, 0.148, 0.215}},
    {41, {7.649e-06, 0.682, 0.279}}, {51, {1.588e-06, 1.154, 0.318}}, {52, {1.907e-06, 1.244, 0.335}},
    {53, {2.485e-06, 1.196, 0.328}}, {54, {4.095e-06, 1.111, 0.316}}, {55, {1.135e-05, 0.974, 0.309}},
    {56, {4.365e-05, 1.089, 0.323}}, {61, {7.537e-04, 0.499, 0.266}},
};

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsValidUtcStart(const UtcStart& start) {
  if (start.month < 1 || start.month > 12 || start.day < 1 || !std::isfinite(start.seconds)) return false;
  const int length = kDaysInMonth[start.month - 1] + (start.month == 2 && IsLeapYear(start.year) ? 1 : 0);
  return start.day <= length;
}

UtcMoment UtcAt(const UtcStart& start, double t) {
  // Seconds since midnight of the start date, split into whole days and the
  // seconds of the last day.
  const double since_midnight = start.seconds + t;
  double seconds = std::fmod(since_midnight, kSecondsPerDay);
  if (seconds < 0.0) seconds += kSecondsPerDay;
  if (seconds >= kSecondsPerDay) seconds = 0.0;  // a hair before midnight rounds to it
  const long long days = std::llround((since_midnight - seconds) / kSecondsPerDay);

  int year = start.year;
  long long day =
      kDaysBeforeMonth[start.month - 1] + start.day - 1 + (start.month > 2 && IsLeapYear(year) ? 1 : 0) + days;
  while (day >= DaysInYear(year)) day -= DaysInYear(year++);
  while (day < 0) day += DaysInYear(--year);
  return {year, static_cast<int>(day), seconds};
}

double SolarDeclination(const UtcMoment& m) {
  const double a = DayAngle(m);
  return 0.006918 - 0.399912 * std::cos(a) + 0.070257 * std::sin(a) - 0.006758 * std::cos(2.0 * a) +
         0.000907 * std::sin(2.0 * a) - 0.002697 * std::cos(3.0 * a) + 0.001480 * std::sin(3.0 * a);
}

double EquationOfTime(const UtcMoment& m) {
  const double a = DayAngle(m);
  return 0.000075 + 0.001868 * std::cos(a) - 0.032077 * std::sin(a) - 0.014615 * std::cos(2.0 * a) -
         0.040849 * std::sin(2.0 * a);
}

double HourAngle(double longitude_east_deg, const UtcMoment& m) {
  // Mean solar time at the longitude, measured from local noon, plus the
  // equation of time.
  return std::numbers::pi * (m.seconds_of_day / (kSecondsPerDay / 2.0) - 1.0 + longitude_east_deg / 180.0) +
         EquationOfTime(m);
}

double CosZenith(double latitude_deg, double longitude_east_deg, const UtcMoment& m,
                 std::optional<double> declination_deg) {
  const double dec = declination_deg ? *declination_deg * kRadiansPerDegree : SolarDeclination(m);
  const double lat = latitude_deg * kRadiansPerDegree;
  return std::sin(lat) * std::sin(dec) + std::cos(lat) * std::cos(dec) * std::cos(HourAngle(longitude_east_deg, m));
}

bool McmPhotolysis(int j, PhotolysisParameters& p) {
  for (const McmJ& e : kMcmPhotolysis) {
    if (e.j == j) {
      p = e.p;
      return true;
    }
  }
  return false;
}

double PhotolysisRate(const PhotolysisParameters& p, double cos_zenith) {
  if (!(cos_zenith > kNightCosZenith)) return 0.0;
  return p.l * std::pow(cos_zenith, p.m) * std::exp(-p.n / cos_zenith);
}

double AirNumberDensity(double pressure_pa, double temperature_k) {
  return pressure_pa / (kBoltzmann * temperature_k) * kCubicMetresPerCubicCentimetre;
}

double OxygenNumberDensity(double air) { return kOxygenShare * air; }

double NitrogenNumberDensity(double air) { return kNitrogenShare * air; }

double WaterFromRelativeHumidity(double rh_percent, double temperature_k, double pressure_pa) {
  const double celsius = temperature_k - 273.15;
  const double saturation = 611.6441 * std::pow(10.0, 7.591386 * celsius / (celsius + 240.7263));  // Pa
  const double vapour = rh_percent / 100.0 * saturation;
  return vapour / (pressure_pa - vapour) * AirNumberDensity(pressure_pa, temperature_k);
}

}  // namespace tarnavel
