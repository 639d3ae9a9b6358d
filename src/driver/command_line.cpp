#include "driver/command_line.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/capacity.hpp"
#include "core/fortran_format.hpp"
#include "core/reader_state.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "driver/help_text.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

// ---------------------------------------------------------------------------
// Text helpers. An argument is held as a 350-character blank-padded field, so
// a position beyond its end reads as a blank.

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

char CharAt(std::string_view s, std::size_t pos) { return pos < s.size() ? s[pos] : ' '; }

std::string_view From(std::string_view s, std::size_t pos) { return pos < s.size() ? s.substr(pos) : std::string_view(); }

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) out += p;
  return out;
}

// ---------------------------------------------------------------------------
// Numbers in switches, read as a free-format read would: optional sign,
// digits with an optional decimal point, optional exponent introduced by E,
// e, D or d; blanks around the number are ignored.

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ReadReal(std::string_view text, double& value) { return ParseReal(TrimBlanks(text), value); }

// An integer: optional sign and digits. Values too large for any count are
// held at a ceiling, which every range check then refuses.
bool ReadInteger(std::string_view text, long& value) {
  constexpr long kCeiling = 1000000000L;
  text = TrimBlanks(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    if (v < kCeiling) v = v * 10 + (text[i] - '0');
  }
  if (v > kCeiling) v = kCeiling;
  value = negative ? -v : v;
  return true;
}

// A real value kept as an int count, truncated toward zero and held within
// the range of an int.
int TruncateToInt(double v) {
  constexpr double kMax = 2147483647.0;
  if (v >= kMax) return 2147483647;
  if (v <= -kMax) return -2147483647;
  return static_cast<int>(v);
}

// ---------------------------------------------------------------------------
// Switch fields. The argument is split at every delimiter and each field keeps
// its place: an empty field between two delimiters stays in the list as a
// default marker, so the fields after it are not lost. A delimiter at the very
// end adds no field, as a trailing delimiter does in a description file.
// Blanks around a field are dropped.

std::vector<std::string> SplitPositional(std::string_view text, char delim) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t pos = text.find(delim, start);
    const std::string_view piece =
        text.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start);
    fields.emplace_back(TrimBlanks(piece));
    if (pos == std::string_view::npos) break;
    start = pos + 1;
  }
  if (fields.size() > 1 && fields.back().empty()) fields.pop_back();
  return fields;
}

// "D" or a blank (or empty) field: keep the default for this place.
bool IsDefaultMarker(std::string_view field) {
  field = TrimBlanks(field);
  return field.empty() || field == "D";
}

// ---------------------------------------------------------------------------
// Stops.

[[noreturn]] void StopWith(Run& run, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) run.console.Line(line);
  StopProgram(kExitStopped);
}

[[noreturn]] void UnknownSetting(Run& run, std::string_view arg) {
  StopWith(run, {Concat({"???? Unknown setting:", arg})});
}

[[noreturn]] void IllegalNumber(Run& run, std::string_view switch_name, std::string_view text) {
  StopWith(run, {Concat({"Illegal number in the ", switch_name, " switch:"}), text});
}

// ---------------------------------------------------------------------------
// The switches.

void CreateSpeciesFile(Run& run, std::string_view) { run.sw.create_species_file = true; }

void SetMinimumThreshold(Run& run, std::string_view arg) {
  double value = 0.0;
  if (!ReadReal(From(arg, 2), value) || !(value > 0.0)) UnknownSetting(run, arg);
  run.sw.yscalmin = value;
  run.sw.yscalmin_given = true;
  // Printed even in quiet mode: the user must see which floor is in force.
  run.console.Line("Min. threshold conc.=" + fmt::E(value, 14, 6));
}

// -d### : the three characters after "-d" are the character code of the data
// delimiter. Anything after those three characters is refused too, so that a
// mistyped code is not silently cut short.
void SetDelimiter(Run& run, std::string_view arg) {
  long code = 0;
  if (!ReadInteger(arg.substr(2, 3), code) || code < 1 || code > 255 || !TrimBlanks(From(arg, 5)).empty()) {
    UnknownSetting(run, arg);
  }
  run.sw.delim_code = static_cast<int>(code);
  run.sw.custom_delim = true;
}

void SetOutputMask(Run& run, std::string_view arg) {
  const std::vector<std::string> fields = SplitPositional(arg, ':');
  if (fields.size() != 5) StopWith(run, {"Unknown/Illegal settings for -o switch..."});
  int mask = 0;
  for (int i = 1; i <= 4; ++i) {
    if (UpperCase(fields[i]) == "Y") mask |= 1 << (i - 1);
  }
  run.sw.output_mask = mask;
}

void ShowAdvancedHelp(Run& run, std::string_view) {
  PrintAdvancedHelp(run.console);
  StopProgram(kExitNormal);
}

void ShowHelp(Run& run, std::string_view) {
  PrintHelp(run.console);
  StopProgram(kExitNormal);
}

void UseAnalyticJacobians(Run& run, std::string_view) { run.sw.anjac = true; }

void SetThermoDefault(Run& run, std::string_view) {
  run.sw.thermo = true;
  run.sw.thermo_db = "THERM.DAT";
  run.sw.force_flags = 0;
}

void SetThermo(Run& run, std::string_view arg) {
  const std::vector<std::string> fields = SplitPositional(arg, ':');
  constexpr std::string_view kThermError = "??? Unknown setting for -THERM switch...";
  if (fields.size() < 2) StopWith(run, {kThermError});
  int force = 0;
  if (fields.size() >= 3) {
    const std::string& mode = fields[2];
    if (mode == "FORCE2") {
      force = 3;
    } else if (mode == "FORCE" || mode == "FORCE1") {
      force = 1;
    } else if (mode != "NO_FORCE" && !IsDefaultMarker(mode)) {
      StopWith(run, {kThermError});
    }
  }
  run.sw.thermo = true;
  run.sw.thermo_db = IsDefaultMarker(fields[1]) ? std::string("THERM.DAT") : fields[1];
  run.sw.force_flags = force;
}

void UseUserPeriodicTable(Run& run, std::string_view) { run.sw.options |= kOptUserPeriodic; }

void UseUserPeriodicTableUnchecked(Run& run, std::string_view) {
  run.sw.options |= kOptUserPeriodic | kOptSkipDuplicateElements;
}

void FreeFormThermoOutput(Run& run, std::string_view) {
  run.sw.options |= kOptFreeThermo;
  run.sw.show = true;
}

// A later -FIT replaces the algorithm and every fit setting of an earlier one.
void ResetFit(Switches& sw) {
  sw.options &= ~(kOptFitSimplex | kOptFitPowell | kOptFitAnnealing);
  sw.fit = FitSettings{};
}

void FitWithDefaults(Run& run, std::string_view) {
  ResetFit(run.sw);
  run.sw.options |= kOptFitSimplex;
}

constexpr double kMaxFitIterations = 32767;  // the largest iteration count a fit accepts

double FitNumber(Run& run, std::string_view field) {
  double value = 0.0;
  if (!ReadReal(field, value)) IllegalNumber(run, "-FIT", field);
  return value;
}

// -FIT:a:b:c:d:e:f[:g:h:i]. Fields that are not given keep what the
// algorithm (field a) set; a default marker sets the field's own default.
void SetFit(Run& run, std::string_view arg) {
  const std::vector<std::string> fields = SplitPositional(arg, ':');
  if (fields.size() < 2 || fields.size() > 10) {
    StopWith(run, {Concat({" Illegal settings in ", arg}), " for -FIT switch."});
  }
  const auto given = [&fields](std::size_t i) { return i < fields.size(); };
  Switches& sw = run.sw;
  FitSettings& fit = sw.fit;
  ResetFit(sw);

  // a: algorithm.
  double algorithm = 1.0;
  if (!IsDefaultMarker(fields[1]) && !ReadReal(fields[1], algorithm)) algorithm = 0.0;
  if (algorithm == 1.0) {
    sw.options |= kOptFitSimplex;
    fit.start_vector = -1.0e-15;
  } else if (algorithm == 2.0) {
    sw.options |= kOptFitPowell;
    fit.start_vector = 1.0e-35;
    fit.tolerance = 1.0e-5;
  } else if (algorithm == 3.0) {
    sw.options |= kOptFitAnnealing;
    fit.tolerance = 1.0e-7;
    fit.start_vector = -1.0e-15;
    fit.start_temperature = 1.0e6;
    fit.temperature_factor = 0.2;
    fit.cycles = 20;
  } else {
    StopWith(run, {"Illegal optimization algorithm selected for", "-FIT switch."});
  }

  // b: data comparator.
  if (given(2)) {
    if (IsDefaultMarker(fields[2])) {
      fit.comparator = 1;
    } else {
      const double comparator = FitNumber(run, fields[2]);
      // Comparator 4 compares nothing: the start would be reported as the optimum.
      if (comparator != 1.0 && comparator != 2.0 && comparator != 3.0) {
        StopWith(run, {"Illegal data comparator set, choose 1 or 2...", "setting in the -FIT option."});
      }
      fit.comparator = static_cast<int>(comparator);
    }
  }

  // c: experimental data file.
  if (given(3)) fit.data_file = IsDefaultMarker(fields[3]) ? std::string("FITDATA.TXT") : fields[3];

  // d: relative tolerance.
  if (given(4)) fit.tolerance = IsDefaultMarker(fields[4]) ? 1.0e-7 : FitNumber(run, fields[4]);
  if (!(fit.tolerance > 0.0)) StopWith(run, {"Illegal relative tolerance set for -FIT switch"});

  // e: maximum iterations; a value below 1 leaves 9000.
  if (given(5) && !IsDefaultMarker(fields[5])) {
    const double iterations = FitNumber(run, fields[5]);
    if (iterations > kMaxFitIterations) StopWith(run, {Concat({" Illegal settings in ", arg}), " for -FIT switch."});
    if (iterations >= 1) fit.max_iterations = TruncateToInt(iterations);
  }

  // f: starting vectors.
  if (given(6)) {
    if (IsDefaultMarker(fields[6])) {
      run.console.Blank();
    } else {
      fit.start_vector = FitNumber(run, fields[6]);
    }
  }

  // g: starting temperature.
  if (given(7)) fit.start_temperature = IsDefaultMarker(fields[7]) ? 1.0e6 : FitNumber(run, fields[7]);

  // h: cycles at one temperature.
  if (given(8)) {
    const double cycles = IsDefaultMarker(fields[8]) ? 25.0 : FitNumber(run, fields[8]);
    if (cycles > kMaxFitIterations) StopWith(run, {Concat({" Illegal settings in ", arg}), " for -FIT switch."});
    fit.cycles = TruncateToInt(cycles);
  }

  // i: percent temperature reduction, stored as the factor 1 - value.
  if (given(9)) {
    if (IsDefaultMarker(fields[9])) {
      fit.temperature_factor = 0.8;
    } else {
      const double factor = 1.0 - FitNumber(run, fields[9]);
      if (!(factor > 0.0 && factor < 1.0)) {
        StopWith(run, {"Illegal settings for % temperature decrease", "setting in the -FIT option."});
      }
      fit.temperature_factor = factor;
    }
  }
}

void ShowProgress(Run& run, std::string_view) { run.sw.show = true; }
void IgnoreMassBalance(Run& run, std::string_view) { run.sw.ignore_mass = true; }
void IgnoreWarnings(Run& run, std::string_view) { run.sw.ignore_warnings = true; }
void IgnoreChargeBalance(Run& run, std::string_view) { run.sw.ignore_charge = true; }
void SetQuiet(Run& run, std::string_view) { run.sw.quiet = true; }
void SetDebug(Run& run, std::string_view) { run.sw.debug = kDebugMask; }

// The file name is the rest of the argument after the switch; a switch with
// no name after it is refused rather than leaving a blank file name.
std::string FileNameAfter(Run& run, std::string_view arg, std::string_view prefix) {
  const std::string_view name = From(arg, prefix.size());
  if (TrimBlanks(name).empty()) UnknownSetting(run, arg);
  return std::string(name);
}

void SetParameterFile(Run& run, std::string_view arg) {
  run.reader.filename[kParameterFile] = FileNameAfter(run, arg, "-PARM:");
}
void SetSpeciesFile(Run& run, std::string_view arg) {
  run.reader.filename[kSpeciesFile] = FileNameAfter(run, arg, "-SPEC:");
}
void SetModelFile(Run& run, std::string_view arg) {
  run.reader.filename[kModelFile] = FileNameAfter(run, arg, "-MOD:");
}
void SetNamesFile(Run& run, std::string_view arg) {
  run.reader.filename[kNamesFile] = FileNameAfter(run, arg, "-SPNAME:");
}
void SetConcentrationOutput(Run& run, std::string_view arg) {
  run.sw.conc_out_name = FileNameAfter(run, arg, "-OUT:");
}

void ListMolecularWeights(Run& run, std::string_view) { run.sw.see_mw = true; }
void KineticStatistics(Run& run, std::string_view) { run.sw.kinstat = true; }

// -INT:n1[:n2]: the sixth character chooses the integrator; when the seventh
// is ':' the eighth chooses the extrapolation. Nothing else is looked at.
void SetIntegrator(Run& run, std::string_view arg) {
  const auto illegal = [&run, arg]() {
    StopWith(run, {Concat({"2. Illegal settings in ", arg}), Concat({"at ", From(arg, 5), " for -INT."})});
  };
  const char integrator = CharAt(arg, 5);
  if (integrator < '1' || integrator > '3') illegal();
  int extrapolation = kPolynomial;
  if (CharAt(arg, 6) == ':') {
    const char kind = CharAt(arg, 7);
    if (kind != '1' && kind != '2') illegal();
    extrapolation = kind - '0';
  }
  run.sw.integrator = integrator - '0';
  run.sw.extrapolation = extrapolation;
}

// -IGN:A,B,...: the species whose largest concentration marks the ignition;
// -IGN: alone follows the temperature only.
void SetIgnitionSpecies(Run& run, std::string_view arg) {
  run.sw.ignition_species_given = true;
  run.sw.ignition_species.clear();
  for (std::string& name : SplitPositional(From(arg, 5), ','))
    if (!name.empty()) run.sw.ignition_species.push_back(std::move(name));
}

// -TIMES:t1,t2,... or -TIMES:file.
void SetRequestedTimes(Run& run, std::string_view arg) {
  run.sw.times_given = true;
  run.sw.times_text = std::string(From(arg, 7));
}

// -RATES:name.
void SetRatesFile(Run& run, std::string_view arg) {
  run.sw.rates_file = std::string(From(arg, 7));
  run.sw.rates_file_given = true;
}

void ResetSensitivity(Switches& sw) {
  sw.sensit_mode = kSensitOff;
  sw.sensit_count = 0;
  sw.sensit_pct = 0.0;
  sw.sensit_times = false;
  sw.sensit_time.fill(0.0);
  sw.analysis_name = "ANALYSIS.TXT";
}

// -SENSIT:0name or -SENSIT:1[:n1[:n2]].
void SetSensitivity(Run& run, std::string_view arg) {
  Switches& sw = run.sw;
  ResetSensitivity(sw);
  const char mode = CharAt(arg, 8);
  if (mode == '0') {
    sw.sensit_mode = kSensitRates;
    run.console.Line("OUTPUT EACH REACTION d[]/dt over time.");
    const std::string_view name = From(arg, 9);
    if (!TrimBlanks(name).empty()) sw.analysis_name = std::string(name);
    return;
  }
  if (mode != '1') {
    StopWith(run, {Concat({"Illegal settings in ", arg}), Concat({"at ", From(arg, 8), " for -SENSIT."})});
  }

  const std::string_view rest = From(arg, 9);
  const auto bad_split = [&run, arg](std::string_view text) {
    StopWith(run, {Concat({"2. Illegal settings in ", arg}), Concat({"at ", text, " for -SENSIT."})});
  };
  const auto bad_count = [&run, arg](std::string_view n1) {
    StopWith(run, {Concat({"Illegal settings in ", arg}), Concat({"at ", n1})});
  };

  int count = 3;
  double pct = 5.0;
  bool times_given = false;
  std::vector<double> times;
  if (!rest.empty()) {
    if (rest.front() != ':') bad_split(rest);
    const std::string_view text = rest.substr(1);
    const std::vector<std::string> fields = SplitPositional(text, ':');
    if (fields.size() > 2) bad_split(text);

    const std::string& n1 = fields[0];
    if (IsDefaultMarker(n1)) {
      count = 3;
    } else if (n1.find(',') != std::string::npos || n1 == "TIMES") {
      const std::vector<std::string> items = SplitPositional(n1, ',');
      if (items[0] != "TIMES") {
        StopWith(run, {Concat({"3. Illegal settings in ", arg}), Concat({"at ", n1, " for -SENSIT."})});
      }
      const std::size_t n = items.size() - 1;
      if (n < 1 || n > static_cast<std::size_t>(kMaxSensitTimes)) bad_count(n1);
      for (std::size_t k = 1; k < items.size(); ++k) {
        if (items[k].empty()) bad_split(text);  // two commas in a row
        double t = 0.0;
        if (!ReadReal(items[k], t)) IllegalNumber(run, "-SENSIT", items[k]);
        times.push_back(t);
      }
      // Analysis times must lie after the start and follow one another.
      for (std::size_t k = 0; k < times.size(); ++k)
        if (!(times[k] > 0.0) || (k > 0 && !(times[k] > times[k - 1]))) bad_count(n1);
      count = static_cast<int>(n);
      times_given = true;
    } else {
      long n = 0;
      if (!ReadInteger(n1, n)) IllegalNumber(run, "-SENSIT", n1);
      if (n < 1 || n > kMaxSensitTimes) bad_count(n1);
      count = static_cast<int>(n);
    }

    if (fields.size() == 2 && !IsDefaultMarker(fields[1])) {
      if (!ReadReal(fields[1], pct)) IllegalNumber(run, "-SENSIT", fields[1]);
      // A change of 0 gives 0/0 in every table; 100 or more makes the lowered
      // rate parameter 0 or negative.
      if (!(pct > 0.0 && pct < 100.0)) bad_count(fields[1]);
    }
  }

  sw.sensit_mode = kSensitAnalysis;
  sw.sensit_count = count;
  sw.sensit_pct = pct;
  sw.sensit_times = times_given;
  for (std::size_t k = 0; k < times.size(); ++k) sw.sensit_time[k + 1] = times[k];
}

// ---------------------------------------------------------------------------
// The switch table. Every row whose pattern fits the argument acts, in table
// order.

enum class Match {
  kPrefix,          // the argument begins with the name
  kExact,           // the argument is the name alone
  kDelimiterCode,   // begins with "-d" and the third character is not "e"
};

struct SwitchRow {
  std::string_view name;
  Match match;
  void (*act)(Run&, std::string_view);
};

constexpr SwitchRow kSwitchTable[] = {
    {"-c", Match::kPrefix, CreateSpeciesFile},
    {"-y", Match::kPrefix, SetMinimumThreshold},
    {"-d", Match::kDelimiterCode, SetDelimiter},
    {"-o:", Match::kPrefix, SetOutputMask},
    {"-ah", Match::kPrefix, ShowAdvancedHelp},
    {"-h", Match::kPrefix, ShowHelp},
    {"?", Match::kPrefix, ShowHelp},
    {"/h", Match::kPrefix, ShowHelp},
    {"-H", Match::kPrefix, ShowHelp},
    {"-anjac", Match::kPrefix, UseAnalyticJacobians},
    {"-THERM", Match::kExact, SetThermoDefault},
    {"-THERM:", Match::kPrefix, SetThermo},
    {"-P", Match::kExact, UseUserPeriodicTable},
    {"-p", Match::kExact, UseUserPeriodicTableUnchecked},
    {"-OF", Match::kExact, FreeFormThermoOutput},
    {"-FIT", Match::kExact, FitWithDefaults},
    {"-FIT:", Match::kPrefix, SetFit},
    {"-show", Match::kPrefix, ShowProgress},
    {"-ig:mass", Match::kPrefix, IgnoreMassBalance},
    {"-ig:warn", Match::kPrefix, IgnoreWarnings},
    {"-ig:charge", Match::kPrefix, IgnoreChargeBalance},
    {"-QUIET", Match::kPrefix, SetQuiet},
    {"-DEBUG", Match::kPrefix, SetDebug},
    {"-PARM:", Match::kPrefix, SetParameterFile},
    {"-SPEC:", Match::kPrefix, SetSpeciesFile},
    {"-MOD:", Match::kPrefix, SetModelFile},
    {"-SPNAME:", Match::kPrefix, SetNamesFile},
    {"-OUT:", Match::kPrefix, SetConcentrationOutput},
    {"-SEEMW", Match::kPrefix, ListMolecularWeights},
    {"-KINSTAT", Match::kPrefix, KineticStatistics},
    {"-INT:", Match::kPrefix, SetIntegrator},
    {"-IGN:", Match::kPrefix, SetIgnitionSpecies},
    {"-TIMES:", Match::kPrefix, SetRequestedTimes},
    {"-RATES:", Match::kPrefix, SetRatesFile},
    {"-SENSIT:", Match::kPrefix, SetSensitivity},
};

bool RowMatches(const SwitchRow& row, std::string_view arg) {
  switch (row.match) {
    case Match::kPrefix:
      return StartsWith(arg, row.name);
    case Match::kExact:
      return arg == row.name;
    case Match::kDelimiterCode:
      return StartsWith(arg, row.name) && CharAt(arg, 2) != 'e';
  }
  return false;
}

}  // namespace

void ParseCommandLine(Run& run, const std::vector<std::string>& args) {
  for (const std::string& raw : args) {
    // Each argument is taken as a 350-character field; its padding blanks
    // (and any trailing blanks of its own) carry no meaning.
    const std::string_view arg =
        TrimTrailingBlanks(std::string_view(raw).substr(0, static_cast<std::size_t>(kLineLength)));
    bool matched = false;
    for (const SwitchRow& row : kSwitchTable) {
      if (RowMatches(row, arg)) {
        row.act(run, arg);
        matched = true;
      }
    }
    if (!matched) UnknownSetting(run, arg);
  }
}

}  // namespace tarnavel
