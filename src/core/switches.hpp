#pragma once
// Run settings set by the command line. Start values are the ones a run has
// when no switch is given.

#include <array>
#include <string>
#include <vector>

namespace tarnavel {

// Option word bits.
inline constexpr int kOptFreeThermo = 1;
inline constexpr int kOptFitSimplex = 2;
inline constexpr int kOptUserPeriodic = 4;
inline constexpr int kOptFitPowell = 8;
inline constexpr int kOptFitAnnealing = 16;
inline constexpr int kOptSkipDuplicateElements = 16384;

inline constexpr int kDebugMask = 767;
inline constexpr int kMaxSensitTimes = 99;

enum Integrator { kExtrapolation = 1, kCashKarp = 2, kRosenbrock = 3 };
enum Extrapolation { kPolynomial = 1, kRational = 2 };
enum SensitMode { kSensitOff = -1, kSensitRates = 0, kSensitAnalysis = 1 };

struct FitSettings {
  int comparator = 1;
  std::string data_file = "FITDATA.TXT";
  double tolerance = 1.0e-7;
  int max_iterations = 9000;
  double start_vector = -1.0e-15;
  double start_temperature = 1.0e6;
  int cycles = 25;
  double temperature_factor = 0.8;
};

struct Switches {
  std::string conc_out_name = "CONC.TXT";      // -OUT:
  std::string analysis_name = "ANALYSIS.TXT";  // -SENSIT:0name
  int delim_code = 9;                          // -d###
  bool custom_delim = false;
  bool yscalmin_given = false;                 // -y
  double yscalmin = 0.0;
  int integrator = kExtrapolation;             // -INT:
  int extrapolation = kPolynomial;
  bool anjac = false;
  bool quiet = false;
  bool show = false;
  int debug = 0;                               // bit mask, 767 with -DEBUG
  bool ignore_mass = false;
  bool ignore_charge = false;
  bool ignore_warnings = false;
  bool create_species_file = false;            // -c
  bool see_mw = false;                         // -SEEMW
  bool kinstat = false;                        // -KINSTAT
  bool thermo = false;                         // -THERM
  std::string thermo_db = "THERM.DAT";
  int force_flags = 0;                         // bit 1 FORCE1, bits 1 and 2 FORCE2
  int options = 0;                             // option word
  int output_mask = 0;                         // -o: one bit per report file
  int sensit_mode = kSensitOff;                // -SENSIT:
  int sensit_count = 0;
  double sensit_pct = 0.0;
  bool sensit_times = false;
  std::array<double, kMaxSensitTimes + 1> sensit_time{};  // 1..count
  FitSettings fit;
  // -IGN:A,B,...: the species whose largest concentration marks the ignition
  // (an empty list: none); without the switch OH when the model has it.
  // -TIMES:t1,t2,... or -TIMES:file: times at which every step sequence
  // ends and a row is written (the text after the colon, read once the
  // simulated span is known).
  bool times_given = false;
  std::string times_text;
  // -RATES:name: the rate definitions file, read when it exists (one the
  // switch names must exist).
  std::string rates_file = "RATES.DAT";
  bool rates_file_given = false;
  bool ignition_species_given = false;
  std::vector<std::string> ignition_species;

  bool FitMode() const {
    return (options & (kOptFitSimplex | kOptFitPowell | kOptFitAnnealing)) != 0;
  }
};

}  // namespace tarnavel
