#include "input/parameter_file.hpp"

#include <filesystem>
#include <fstream>
#include <string>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

std::string Value(double x) { return fmt::E(x, 14, 6); }

// Concentration units: the text with blanks removed and upper-cased must be
// one of the accepted spellings.
int ReadConcentrationUnits(Run& run, const std::string& field) {
  const std::string u = UpperCase(Squeeze(field));
  for (const char* t : {"0", "MOLES/LITER", "MOL/L", "MOL./L", "MOL/LITER", "MOLES/L"})
    if (u == t) return kMolesPerLiter;
  for (const char* t : {"1", "MOLECULES/CM^3", "MOLEC/CM^3", "1/CM^3", "MOLECULES/CC", "MOLEC/CC", "1/CC"})
    if (u == t) return kMoleculesPerCm3;
  for (const char* t : {"2", "PPM", "PARTSPERMILLION"})
    if (u == t) return kPpm;
  for (const char* t : {"3", "MOLES/CM^3", "MOLES/CC"})
    if (u == t) return kMolesPerCm3;
  FatalError(run, 97);
}

// Energy units of the activation energies: sets EUNITS and the gas constant
// in those units. KILO... and the short forms KJ and KCAL scale by 1/1000.
void ReadEnergyUnits(Run& run, const std::string& field) {
  std::string u = UpperCase(Squeeze(field));
  double multiplier = 1.0;
  if (u.rfind("KILO", 0) == 0) {
    u.erase(0, 4);
    multiplier = 0.001;
  } else if (u == "KJ" || u == "KCAL") {
    u.erase(0, 1);
    multiplier = 0.001;
  }
  Settings& st = run.settings;
  if (u == "J" || u == "0" || u.rfind("JOULE", 0) == 0) {
    st.eunits = kJoule;
    st.rgas = 8.31451 * multiplier;
  } else if (u == "CAL" || u.rfind("CALORIE", 0) == 0) {
    st.eunits = kCalorie;
    st.rgas = 1.986503 * multiplier;
  } else if (u == "KELVIN" || u.rfind("KELV", 0) == 0) {
    st.eunits = kKelvin;
    st.rgas = multiplier;
  } else {
    FatalError(run, 96);
  }
}

// Reads the next data line; a file that ends early is reported as a line
// without its five fields.
void RequireLine(Run& run, std::istream& in) {
  if (NextDataLine(run, in, ShapeOf(kParameterFile))) return;
  run.reader.line.clear();
  ++run.reader.srcline;
  FatalError(run, 2);
}

void DebugLine(Run& run, const std::string& text) {
  if (run.sw.debug != 0) run.console.Line(text);
}

}  // namespace

void ReadParameterFile(Run& run) {
  std::ifstream in;
  if (!OpenDescriptionFile(run, kParameterFile, in)) {
    Warning(run, 20);
    run.settings.pctdiff = 0.0;
    FinishParameters(run, 0.0);
    return;
  }
  ReadParameterLines(run, in);
}

void ReadParameterLines(Run& run, std::istream& in) {
  ReaderState& rd = run.reader;
  Settings& st = run.settings;
  BeginDescriptionFile(rd, kParameterFile);
  const bool fitting = run.sw.FitMode();

  // Line 1: step limits and units.
  RequireLine(run, in);
  st.tstep = ToReal(run, rd.field[1]);
  st.tstep2 = ToReal(run, rd.field[2]);
  st.eunits_text = rd.field[3];
  st.concunits_text = rd.field[4];
  st.concunits = ReadConcentrationUnits(run, rd.field[4]);
  ReadEnergyUnits(run, rd.field[3]);
  DebugLine(run, "Parameters: TSTEP=" + Value(st.tstep) + " TSTEP2=" + Value(st.tstep2));
  DebugLine(run, "-->FOR Ea EUNITS=" + st.eunits_text);
  DebugLine(run, "-->WITH ENERS,R2= " + std::to_string(st.eunits) + " " + Value(st.rgas));

  // Line 2: temperature (a number or a profile file), constant pressure,
  // volume profile.
  RequireLine(run, in);
  std::string temperature = rd.field[1];
  if (fitting) {
    MarkFitValue(run, temperature);
    if (rd.fitmark[1]) AddFitParameter(run, 1, -999, -1);
  }
  if (IsNumber(temperature)) {
    st.temp = ToReal(run, temperature);
    st.tprofile = false;
    if (st.temp <= 0.0) {
      Warning(run, 21);
      st.temp = 298.15;
    }
  } else {
    st.tprofile = true;
    st.tprofname = temperature;
    st.temp = 0.0;
  }
  st.constp = UpperCase(rd.field[2]).rfind("YES", 0) == 0;
  const std::string& volume = rd.field[3];
  st.vprofile = volume.size() >= 3 && !IsNumber(volume);
  if (st.vprofile) st.vprofname = volume;
  DebugLine(run, "Parameters: TEMP=" + Value(st.temp) + " CONSTP=" + (st.constp ? "YES" : "NO"));
  if (st.vprofile && st.constp) FatalError(run, 92);
  if (st.concunits == kPpm && (run.sw.thermo || st.constp)) FatalError(run, 98);

  // Line 3: the simulated time span.
  RequireLine(run, in);
  st.simlen = ToReal(run, rd.field[1]) * 86400.0 + ToReal(run, rd.field[2]) * 3600.0 +
              ToReal(run, rd.field[3]) * 60.0 + ToReal(run, rd.field[4]) + ToReal(run, rd.field[5]) * 1.0e-12;

  // Line 4: radiation file and its interval, percent difference, accuracy.
  RequireLine(run, in);
  st.hvfile = UpperCase(Trim(rd.field[1]));
  st.hvdt = ToReal(run, rd.field[2]);
  st.hvneg = st.hvdt < 0.0;
  if (st.hvneg) st.hvdt = -st.hvdt;
  const double percent = ToReal(run, rd.field[3]);
  st.accuracy = ToReal(run, rd.field[4]);
  DebugLine(run, "Parameters: SIMLEN=" + Value(st.simlen) + " HVDT=" + Value(st.hvdt) + " ACCURACY=" +
                     Value(st.accuracy));

  // Line 5 is read and not used.
  RequireLine(run, in);
  FinishParameters(run, percent);
}

void FinishParameters(Run& run, double percent_difference) {
  Settings& st = run.settings;
  if (st.simlen == 0.0) st.simlen = 600.0;
  // Steps that are not above zero are corrected like zero ones: a negative
  // output interval would never close and the run would not end.
  if (st.tstep2 <= 0.0) st.tstep2 = 1.0;
  if (st.tstep <= 0.0 || st.tstep > st.tstep2) st.tstep = st.tstep2 / 100.0;
  if (st.simlen / 61.0 < st.tstep2) st.tstep2 = st.simlen / 61.0;
  // A tolerance that is not above zero would let every step pass.
  if (st.accuracy <= 0.0) st.accuracy = 1.0e-8;
  st.pctdiff = percent_difference * 0.01;
  st.outdelim = run.reader.delim;
  DebugLine(run, "TSTEP now is: " + Value(st.tstep));
  DebugLine(run, "TSTEP2 now is: " + Value(st.tstep2));
  DebugLine(run, "Simulation length: " + Value(st.simlen));

  const int units = st.concunits;
  switch (units) {
    case kMoleculesPerCm3:
      st.yscalmin = 1.0;
      st.rpress = 1.3811478405315614e-20;
      break;
    case kPpm:
      st.yscalmin = 1.0;
      st.concunits = kMolesPerLiter;
      break;
    case kMolesPerCm3:
      st.yscalmin = 1.0e-25;
      st.rpress = 8314.51;
      break;
    default:
      st.yscalmin = 1.0e-25;
      st.rpress = 8.31451;
      break;
  }
  if (run.sw.yscalmin_given) st.yscalmin = run.sw.yscalmin;
  if (run.sw.quiet) return;
  static const char* const kUnitsLine[] = {
      "Concentration units set to moles/liter, sec.", "Concentration units set to molecules/cm^3, sec.",
      "Concentration units set to ppm,sec.", "Concentration units set to moles/cm^3, sec."};
  run.console.Line(kUnitsLine[units]);
}

}  // namespace tarnavel
