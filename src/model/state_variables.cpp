#include "model/state_variables.hpp"

#include <string>

#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/species_file.hpp"
#include "model/derivs.hpp"
#include "model/rate_expressions.hpp"
#include "thermo/thermo_properties.hpp"

namespace tarnavel {

namespace {

std::string Value(double x) { return fmt::E(x, 14, 6); }

// A state-variable pseudo-species among 3..last, given its own phase (which
// keeps it out of every gas-phase sum) and no CSTR term.
struct StateSpecies {
  const char* name;
  const char* phase;
  const char* pointer_line;   // the debug line's head
  const char* missing_line;   // the stop's message
};

int FindStateSpecies(Run& run, const StateSpecies& what, int last) {
  ModelStore& st = run.store;
  for (int s = 3; s <= last; ++s) {
    if (st.species[s].name != what.name) continue;
    SpeciesEntry& e = st.species[s];
    e.phase = what.phase;
    e.phase_given = true;
    e.flow_rate = 0.0;
    if (run.sw.debug & 1) {
      run.console.Line(std::string(what.pointer_line) + std::to_string(s) + " and SPEC,SSPEC & RSPEC= " +
                       std::to_string(st.spec) + " " + std::to_string(st.sspec) + " " + std::to_string(st.rspec));
    }
    return s;
  }
  if (what.name == std::string(kTemperatureSpecies)) run.console.Line("*****STOPPING*****");
  run.console.Line(what.missing_line);
  StopProgram(kExitStopped);
}

const StateSpecies kTemperature = {kTemperatureSpecies, "T_STORE99", "Temperature Pointer at ",
                                   "SOFT-ERROR WITH TEMP. POITNER SETTING! 543"};
const StateSpecies kVolume = {kVolumeSpecies, "V_STORE99", "Volume Pointer at ",
                              "***SOFT-ERROR WITH Volume PT. SETTING! 341"};

// P = Rv T times the gas-phase concentration at the start, reported on the
// console. Without gas there is no pressure to hold: the run stops.
void SetConstantPressure(Run& run) {
  ModelStore& st = run.store;
  Network& net = st.net;
  net.rv = VolumeGasConstant(run.settings.concunits);
  net.pressure = net.rv * net.temperature * GasSum(st, st.conc.data()) / net.volume;
  if (!(net.pressure > 0.0)) {
    run.console.Line("*****STOPPING*****");
    run.console.Line("A constant-pressure run needs gas: the gas-phase species of the species file");
    run.console.Line("start with a total concentration of 0, so there is no pressure to hold.");
    StopProgram(kExitStopped);
  }
  const std::string stars(56, '*');
  run.console.Line(stars);
  run.console.Line(" For this constant pressure problem, an initial pressure");
  run.console.Line(" of " + Value(net.pressure) + " (kPa) has been calculated.");
  run.console.Line(" This pressure will be held constant throughout this");
  run.console.Line(" simulation, but the volume will change.");
  run.console.Line(stars);
}

}  // namespace

bool TemperatureIntegrated(const Run& run) { return run.sw.thermo && !run.settings.tprofile; }

bool VolumeIntegrated(const Run& run) { return run.settings.constp && !run.settings.vprofile; }

double VolumeGasConstant(int concentration_units) {
  switch (concentration_units) {
    case kMoleculesPerCm3:
      return 1.3811478405315614e-20;
    case kMolesPerCm3:
      return 8314.51;
    default:
      return 8.31451;
  }
}

void SetUpStateVariables(Run& run) {
  ModelStore& st = run.store;
  Network& net = st.net;
  // The pressure tables read the gas pressure [M] R T in every run.
  net.rv = VolumeGasConstant(run.settings.concunits);
  net.temperature_index = 0;
  if (TemperatureIntegrated(run) || run.settings.tprofile) {
    // An integrated temperature must be among the integrated species.
    const bool integrated = TemperatureIntegrated(run);
    const int s = FindStateSpecies(run, kTemperature, integrated ? st.spec : st.rspec);
    if (integrated) {
      net.temperature_index = s;
      net.temperature = st.conc[s];
    }
  }
  net.volume_index = 0;
  if (!run.settings.vprofile) net.volume = 1.0;  // a volume profile has set its first value
  net.per_volume.assign(st.cap.max_species + 1, 0);
  if (VolumeIntegrated(run)) {
    net.volume_index = FindStateSpecies(run, kVolume, st.spec);
    net.volume = st.conc[net.volume_index];
    for (int s = 3; s <= st.rspec; ++s) net.per_volume[s] = !IsStateVariableSpecies(st.species[s].name);
  }
  if (net.m_used) {
    const double m = GasSum(st, st.conc.data()) / net.volume;
    st.conc[kM] = m;
    net.mconc = m;
    if (run.sw.debug & 1)
      run.console.Line("Loschmidt's Number at " + Value(net.temperature) + " and P= " + Value(net.pressure) + " = " +
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
  PlanEquilibriumConstants(net);
  if (net.volume_index > 0) SetConstantPressure(run);
  EvaluateArrhenius(run, net.temperature);
  if (net.expressions.active) {
    net.expressions.evaluated = false;
    double* x = net.state.data();
    for (int s = 3; s <= st.rspec; ++s) x[s] = st.conc[s];
    EvaluateRateExpressions(run, x);
  }
  if (!net.reversed.empty()) ReverseRateConstants(run, net.temperature);
}

}  // namespace tarnavel
