#pragma once
// The ignition delay of a run that integrates the temperature, by three kinds
// of criterion: the time of the largest temperature rate (max dT/dt), the time
// of the largest concentration of chosen species (max [X], OH by default) and
// the time the temperature first exceeds its start by 400 K (T0+400 K). Each
// is located between accepted step ends from the values and first and second
// time derivatives there (the derivative function and its change along the
// trajectory), not at the nearest step end. The results go to IGNITION.TXT
// and the end-of-run report.

#include <string>
#include <vector>

#include "output/step_interpolation.hpp"

namespace tarnavel {

struct Run;

enum class IgnitionKind { kMaxTemperatureRate, kMaxConcentration, kTemperatureRise };

struct IgnitionCriterion {
  std::string label;    // as IGNITION.TXT names it: "max dT/dt", "max [OH]", "T0+400 K"
  IgnitionKind kind = IgnitionKind::kMaxTemperatureRate;
  int slot = 0;         // species slot of the quantity followed
  StepEnd last;         // the quantity at the last accepted step end
  bool found = false;   // a time has been located (a crossing, or the best so far)
  double time = 0.0;    // s
  double value = 0.0;   // K/s, the concentration, or K
};

// Rise of the temperature above its start that marks an ignition (K).
inline constexpr double kIgnitionRise = 400.0;
// A run whose temperature never rises this far above its start (K) has not
// ignited, whatever its largest temperature rate.
inline constexpr double kLeastIgnitionRise = 1.0;
inline constexpr const char* kIgnitionFileName = "IGNITION.TXT";

struct IgnitionTracker {
  bool active = false;
  std::vector<IgnitionCriterion> criteria;
  double start_temperature = 0.0;
  double highest_temperature = 0.0;
  double start_time = 0.0;
  double last_time = 0.0;
  // Work vectors of the derivative evaluations, sized once.
  std::vector<double> y, f, y_shifted, f_shifted;
};

// Switches the tracking on in a simulation (not a fit) that integrates the
// temperature: the criteria for the temperature and for the species of the
// -IGN: switch, or OH when the model integrates it. A species named there
// that the run does not integrate stops the run (fatal error 128).
void PrepareIgnitionTracking(Run& run, IgnitionTracker& tracker, double start_time);

// Takes the state in the store's species slots at `time` (an accepted step
// end) into every criterion. Evaluates the derivative function three times;
// the store is left as a plain evaluation at the state leaves it.
void TrackIgnition(Run& run, IgnitionTracker& tracker, double time);

// True when the criterion's time counts as an ignition delay: a maximum inside
// the run (not at its start or end) of a run that ignited, or a crossing.
bool IgnitionMet(const IgnitionTracker& tracker, const IgnitionCriterion& c);

// Writes IGNITION.TXT: a header row, then per criterion its label, time and
// value, or NA in both where the criterion was not met.
void WriteIgnitionFile(Run& run, const IgnitionTracker& tracker);

// The lines of the end-of-run report: each criterion's time, NA explained.
void ReportIgnition(Run& run, const IgnitionTracker& tracker);

}  // namespace tarnavel
