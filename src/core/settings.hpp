#pragma once
// The settings record filled by the parameter description file and read by
// every later stage. Defaults apply when the file is missing.

#include <string>

namespace tarnavel {

enum ConcUnits { kMolesPerLiter = 0, kMoleculesPerCm3 = 1, kPpm = 2, kMolesPerCm3 = 3 };
enum EnergyUnits { kJoule = 0, kCalorie = 1, kKelvin = 2 };

struct Settings {
  double tstep = 1.0e-10;     // TSTEP: minimum and first integration step (s)
  double tstep2 = 1.0;        // TSTEP2: output interval and largest step (s)
  double simlen = 600.0;      // SIMLEN: simulated time span (s)
  double accuracy = 1.0e-8;   // ACCURACY: relative accuracy of the integrators
  double pctdiff = 0.01;      // PCTDIFF: percent difference as a fraction
  int concunits = kMolesPerLiter;
  int eunits = kJoule;
  double rgas = 8.31451;      // gas constant in the activation-energy units
  double temp = 298.15;       // TEMP (K)
  double tmin = 1.0e-5;       // TMIN: lowest temperature a varying temperature takes (K)
  double tmax = 9.0e7;        // TMAX: highest temperature a varying temperature takes (K)
  bool tprofile = false;      // temperature comes from a profile file
  std::string tprofname;
  bool constp = false;        // constant pressure
  bool vprofile = false;      // volume comes from a profile file
  std::string vprofname;
  std::string hvfile = "None1";  // radiation file; a name starting NONE means none
  double hvdt = 1.0;          // time between radiation entries (magnitude)
  bool hvneg = false;         // radiation table read in a single pass
  double yscalmin = 1.0e-25;  // smallest error scale of a concentration
  double rpress = 8.31451;    // gas constant for concentration to pressure
  char outdelim = '\t';       // field separator of the output files
  std::string eunits_text;    // unit texts as read, for messages
  std::string concunits_text;
};

}  // namespace tarnavel
