#pragma once
// Concentration, temperature and volume profiles and the radiation (hv) file.
//
// A profile file holds free-format numbers: first the time between values
// (a negative interval means the table is read once and its last value then
// holds; otherwise it repeats), then the values from time 0 on. A species held
// by a number gets a two-point constant profile instead. Profiles of up to 510
// values go to the small store in double precision, longer ones (up to 20000
// values) to the large store in single precision. The radiation file holds
// intensities spaced by the parameter file's hv interval.
//
// During the run the tables are looked up stepwise (no interpolation) by the
// output base time, so imposed values change only at output points.

#include <string>
#include <vector>

namespace tarnavel {

struct Run;
struct Settings;
struct ModelStore;
struct SpeciesEntry;

inline constexpr int kSmallProfiles = 25;          // profiles in the small store
inline constexpr int kSmallProfilePoints = 510;    // values of a small-store profile
inline constexpr int kLargeProfiles = 5;           // profiles in the large store
inline constexpr int kLargeProfilePoints = 20000;  // values of a large-store profile
inline constexpr int kRadiationPoints = 32699;     // values of the radiation table

// A species held by a number: two equal values 10 s apart.
inline constexpr double kConstantProfileInterval = 10.0;

struct ProfileStore {
  // Small store: value i of slot k at small[(k - 1) * kSmallProfilePoints + i - 1].
  std::vector<double> small;
  // Large store, interleaved by profile: value i of slot k at
  // large[(i - 1) * kLargeProfiles + k - 1].
  std::vector<float> large;
  int shortct = 0;  // SHORTCT: small-store profiles in use
  int longct = 0;   // LONGCT: large-store profiles in use

  std::vector<float> radiation;    // radiation[i - 1] is entry i
  int hv_count = 0;                // entries of the radiation table
  double hv_period = 0.0;          // hv_count x HVDT
  float hv_constant = 1.0f;        // intensity when there is no radiation file
  bool hv_file = false;            // a radiation file is in use

  double smallest_interval = 1.0e20;  // smallest profile interval and HVDT
};

// True when the hv file name names a file (it does not begin with NONE).
bool RadiationFileInUse(const Settings& settings);

// Reads the profile of every held and additive species, then the radiation
// file; displays the first species when none is displayed (warning 8) and
// brings TSTEP2 down to the smallest profile interval.
void ReadProfilesAndRadiation(Run& run);

// Index (1..count) of the table entry in force at `base_time` for a table of
// `count` values spaced by `interval`. A repeating table starts over after
// count x interval; a single-pass table keeps its last entry from then on.
int ProfileIndex(double base_time, double interval, int count, bool single_pass);

// Entry `index` of the profile of species entry `e`.
double ProfileValue(const ModelStore& store, const SpeciesEntry& e, int index);

// Main-loop lookups, all keyed on the output base time.
// Radiation: the intensity in force goes to the hv slot and HVFLUX.
void LookUpRadiation(Run& run, double base_time);
// Held species (slots SSPEC+1..RSPEC): the profile value in force becomes the
// concentration; the Temperature(K) pseudo-species also sets the run
// temperature (kept within TMIN..TMAX) and re-evaluates the rate constants
// that depend on it.
void LookUpHeldProfiles(Run& run, double base_time);
// Additive profiles (slots 3..RSPEC): each time the entry in force changes, it
// is added to the concentration.
void ApplyAdditiveProfiles(Run& run, double base_time);
// Forgets which additive entries were applied, for a run that starts again
// from time 0.
void ResetAdditiveProfiles(ModelStore& store);

}  // namespace tarnavel
