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

#include "core/profile_store.hpp"

namespace tarnavel {

struct Run;
struct Settings;
struct ModelStore;
struct SpeciesEntry;

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

}  // namespace tarnavel
