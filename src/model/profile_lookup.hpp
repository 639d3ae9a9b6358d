#pragma once
// The values imposed by profiles and the radiation file during a run. The
// tables are looked up stepwise (no interpolation) by the output base time, so
// imposed values change only at output points.

namespace tarnavel {

struct Run;
struct ModelStore;

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
