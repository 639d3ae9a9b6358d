#include "model/state_variables.hpp"

#include <string>

#include "driver/run.hpp"
#include "driver/stop.hpp"
#include "input/species_file.hpp"
#include "model/derivs.hpp"
#include "output/fortran_format.hpp"
#include "thermo/thermo_properties.hpp"

namespace tarnavel {

namespace {

std::string Value(double x) { return fmt::E(x, 14, 6); }

// The Temperature(K) species among 3..last; an orderly stop without one.
int FindTemperatureSpecies(Run& run, int last) {
  ModelStore& st = run.store;
  for (int s = 3; s <= last; ++s) {
    if (st.species[s].name != kTemperatureSpecies) continue;
    SpeciesEntry& e = st.species[s];
    e.phase = "T_STORE99";
    e.phase_given = true;
    e.flow_rate = 0.0;
    if (run.sw.debug & 1) {
      run.console.Line("Temperature Pointer at " + std::to_string(s) + " and SPEC,SSPEC & RSPEC= " +
                       std::to_string(st.spec) + " " + std::to_string(st.sspec) + " " + std::to_string(st.rspec));
    }
    return s;
  }
  run.console.Line("*****STOPPING*****");
  run.console.Line("SOFT-ERROR WITH TEMP. POITNER SETTING! 543");
  StopProgram(kExitStopped);
}

}  // namespace

bool TemperatureIntegrated(const Run& run) { return run.sw.thermo && !run.settings.tprofile; }

void SetUpStateVariables(Run& run) {
  ModelStore& st = run.store;
  Network& net = st.net;
  net.temperature_index = 0;
  if (TemperatureIntegrated(run) || run.settings.tprofile) {
    // An integrated temperature must be among the integrated species.
    const bool integrated = TemperatureIntegrated(run);
    const int s = FindTemperatureSpecies(run, integrated ? st.spec : st.rspec);
    if (integrated) {
      net.temperature_index = s;
      net.temperature = st.conc[s];
    }
  }
  if (net.m_used) {
    const double m = GasSum(st, st.conc.data());
    st.conc[kM] = m;
    net.mconc = m;
    if (run.sw.debug & 1)
      run.console.Line("Loschmidt's Number at " + Value(net.temperature) + " and P= " + Value(0.0) + " = " +
                       Value(m));
  }

  const int slots = st.cap.max_species + 1;
  net.has_properties.assign(slots, 0);
  net.h_rt.assign(slots, 0.0);
  net.s_r.assign(slots, 0.0);
  net.cp_r.assign(slots, 0.0);
  net.kc.assign(st.cap.max_reactions + 1, 0.0);
  net.reversed.clear();
  net.property_temp = net.kc_temp = -1.0;
  if (run.sw.thermo) {
    for (int s = 3; s <= st.rspec; ++s) net.has_properties[s] = !IsStateVariableSpecies(st.species[s].name);
    for (int r = 1; r < st.nreact; ++r)
      if (net.rx[r].revtherm) net.reversed.push_back(r);
  }
  EvaluateArrhenius(run, net.temperature);
  if (!net.reversed.empty()) ReverseRateConstants(run, net.temperature);
}

}  // namespace tarnavel
