#include "model/profile_lookup.hpp"

#include <algorithm>
#include <cmath>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/profiles.hpp"
#include "input/species_file.hpp"
#include "model/derivs.hpp"

namespace tarnavel {

namespace {

constexpr double kVolumeChange = 1.0e-15;  // smaller steps of a volume profile are no change

void SetTemperature(Run& run, double t) {
  Network& net = run.store.net;
  net.temperature = t;
  if (net.compiled && net.arrhenius_temp != t) EvaluateArrhenius(run, t);
}

// A volume profile: when the volume changes, the vessel's gas is diluted or
// compressed with it, each gas-phase concentration scaled by V_old / V_new.
// The first value (while no volume is known yet) is the initial volume.
void SetVolume(Run& run, double v) {
  ModelStore& st = run.store;
  Network& net = st.net;
  if (!(std::fabs(v - net.volume) > kVolumeChange) && net.volume > 0.0) return;
  if (!(v > 0.0)) FatalError(run, 93);
  if (net.volume > 0.0 && net.compiled) {
    const double ratio = net.volume / v;
    for (int s = 3; s <= st.rspec; ++s)
      if (net.gas[s]) st.conc[s] *= ratio;
  }
  net.volume = v;
}

}  // namespace

void LookUpRadiation(Run& run, double base_time) {
  ModelStore& st = run.store;
  const ProfileStore& ps = st.profiles;
  float intensity = ps.hv_constant;
  if (ps.hv_file && ps.hv_count > 0)
    intensity = ps.radiation[ProfileIndex(base_time, run.settings.hvdt, ps.hv_count, run.settings.hvneg) - 1];
  st.net.hvflux = intensity;
  st.conc[kHv] = intensity;
}

void LookUpHeldProfiles(Run& run, double base_time) {
  ModelStore& st = run.store;
  if (!st.profile_in_use) return;
  for (int s = st.sspec + 1; s <= st.rspec; ++s) {
    const SpeciesEntry& e = st.species[s];
    if (!e.held || !(e.profile_period > 0.0)) continue;
    double v = ProfileValue(st, e, ProfileIndex(base_time, e.profile_interval, e.profile_count, e.profile_single_pass));
    if (e.name == kTemperatureSpecies) {
      v = std::clamp(v, run.settings.tmin, run.settings.tmax);
      SetTemperature(run, v);
    } else if (e.name == kVolumeSpecies) {
      SetVolume(run, v);
    }
    st.conc[s] = v;
  }
}

void ApplyAdditiveProfiles(Run& run, double base_time) {
  ModelStore& st = run.store;
  if (!st.additive_in_use) return;
  for (int s = 3; s <= st.rspec; ++s) {
    SpeciesEntry& e = st.species[s];
    if (!e.additive_profile || !(e.profile_period > 0.0)) continue;
    const int index = ProfileIndex(base_time, e.profile_interval, e.profile_count, e.profile_single_pass);
    if (index == e.profile_applied) continue;
    st.conc[s] += ProfileValue(st, e, index);
    e.profile_applied = index;
  }
}

void ResetAdditiveProfiles(ModelStore& store) {
  for (int s = 3; s <= store.nspec; ++s) store.species[s].profile_applied = 0;
}

}  // namespace tarnavel
