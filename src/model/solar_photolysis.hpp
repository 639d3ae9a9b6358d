#pragma once
// Photolysis that follows the sun, the way the Master Chemical Mechanism (MCM)
// box models compute it: the UTC date and time of a moment of a run, the
// position of the sun from the day of the year (Spencer's Fourier series for
// the declination and the equation of time), the cosine of the solar zenith
// angle at a place, and the MCM v3.3.1 photolysis frequencies
// J = l cos(X)^m exp(-n sec X). Also the air, O2, N2 and water number
// densities such models derive from pressure, temperature and relative
// humidity. Plain functions of their arguments: nothing here touches a run.

#include <optional>

namespace tarnavel {

// The start of a run: a UTC calendar date and the seconds since midnight UTC
// of that date (the seconds may run past one day).
struct UtcStart {
  int year;
  int month;  // 1..12
  int day;    // 1..31
  double seconds;
};

// A moment in UTC: the year, the day of the year counted from 0 (1 January is
// day 0, 31 December day 364, or 365 in a leap year) and the seconds since
// midnight of that day, 0 <= seconds_of_day < 86400.
struct UtcMoment {
  int year;
  int day_of_year;
  double seconds_of_day;
};

// Gregorian leap years: every fourth year, but not the centuries unless
// divisible by 400.
bool IsLeapYear(int year);

// Whether the start is a real calendar date (month 1..12, the day within the
// month) with finite seconds.
bool IsValidUtcStart(const UtcStart& start);

// The moment t seconds of run time after a valid start; t may be negative and
// may span any number of midnights, year ends and leap days.
UtcMoment UtcAt(const UtcStart& start, double t);

// The sun's declination (radians, positive north) on the moment's day.
// Spencer (1971) series in the day angle 2 pi d / N, d the day of the year
// from 0 and N its length (365, 366 in a leap year); the day is taken whole,
// so the declination changes only at midnight UTC.
double SolarDeclination(const UtcMoment& m);

// The equation of time on the moment's day, Spencer (1971) in the same day
// angle: apparent minus mean solar time, expressed as an angle of hour
// (radians; one radian is 720/pi = 229.18 minutes). Positive when the sun is
// ahead of the clock, as in early November (about +16 minutes).
double EquationOfTime(const UtcMoment& m);

// The local hour angle of the sun (radians): 0 at local apparent noon,
// positive in the afternoon, from the longitude (degrees, EAST positive), the
// UTC time of day and the equation of time.
double HourAngle(double longitude_east_deg, const UtcMoment& m);

// The cosine of the solar zenith angle at latitude (degrees north) and
// longitude (degrees EAST positive) at the moment:
// cos X = sin(lat) sin(dec) + cos(lat) cos(dec) cos(hour angle). Negative
// with the sun below the horizon. A given declination (degrees) replaces the
// computed one, for runs held at a fixed season.
double CosZenith(double latitude_deg, double longitude_east_deg, const UtcMoment& m,
                 std::optional<double> declination_deg = std::nullopt);

// With cos X at or below this the sun counts as set: every J is 0.
inline constexpr double kNightCosZenith = 0.01;

// The parameters of one photolysis frequency, J = l cos(X)^m exp(-n / cos X)
// with l in s^-1.
struct PhotolysisParameters {
  double l;
  double m;
  double n;
};

// The MCM v3.3.1 parameters of photolysis J<j> into p; false (p untouched)
// for a J number the MCM does not define. Defined: J1-J8, J11-J24, J31-J35,
// J41, J51-J56, J61.
bool McmPhotolysis(int j, PhotolysisParameters& p);

// The photolysis frequency (s^-1) at the given cos X; 0 at night
// (cos X <= kNightCosZenith).
double PhotolysisRate(const PhotolysisParameters& p, double cos_zenith);

// Shares of O2 and N2 in the number density of air.
inline constexpr double kOxygenShare = 0.2095;
inline constexpr double kNitrogenShare = 0.7809;

// [M] = P / (kB T) in molecules cm^-3, from the pressure (Pa) and the
// temperature (K).
double AirNumberDensity(double pressure_pa, double temperature_k);
// [O2] and [N2] (molecules cm^-3) in air of number density `air`.
double OxygenNumberDensity(double air);
double NitrogenNumberDensity(double air);

// [H2O] in molecules cm^-3 from the relative humidity (%), the temperature
// (K) and the pressure (Pa), as the MCM box models take it (Vaisala,
// "Humidity conversion formulas", 2013): the saturation vapour pressure over
// water Pws = 611.6441 Pa * 10^(7.591386 t / (t + 240.7263)), t in deg C (a
// fit for -20..+50 deg C); the vapour pressure Pw = RH/100 Pws; water as its
// volume mixing ratio to dry air, Pw / (P - Pw), times [M].
double WaterFromRelativeHumidity(double rh_percent, double temperature_k, double pressure_pa);

}  // namespace tarnavel
