#include "output/property_reports.hpp"

#include <cmath>
#include <string_view>

#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "model/derivs.hpp"
#include "thermo/thermo_properties.hpp"

namespace tarnavel {

namespace {

constexpr int kThermoHeaderWidth = 350;
constexpr std::size_t kSpeciesTitleWidth = 25;

void Value(std::string& line, double x) { fmt::AppendG(line, x, 14, 6); }
void Temperature(std::string& line, double t) { fmt::AppendG(line, t, 12, 6); }

// Appends the delimiter before every field but the first of a line.
void Next(std::string& line, char delim) {
  if (!line.empty()) line += delim;
}

void RatesHeader(Run& run, PropertyReports& rep) {
  std::string& line = rep.row;
  line.clear();
  fmt::AppendA(line, "Time(s)", 8);
  line += rep.delim;
  for (int r = 1; r <= run.store.nreact; ++r) {
    fmt::AppendA(line, "Reaction #", 12);
    fmt::AppendI(line, r, 4);
    line += rep.delim;
  }
  rep.rates.WriteLine(run, line);
}

// A species title is the start of its name as a fixed 25-column text.
void SpeciesRatesHeader(Run& run, PropertyReports& rep) {
  std::string& line = rep.row;
  line.clear();
  fmt::AppendA(line, "Time(s)", 8);
  line += rep.delim;
  for (int s = 3; s <= run.store.sspec; ++s) {
    const std::string_view name = std::string_view(run.store.species[s].name).substr(0, kSpeciesTitleWidth);
    line += name;
    line.append(kSpeciesTitleWidth - name.size(), ' ');
    line += rep.delim;
    line += "Form.";
    line += rep.delim;
    line += "Destruct.";
    line += rep.delim;
  }
  rep.species_rates.WriteLine(run, line);
}

void ThermoHeader(Run& run, PropertyReports& rep) {
  std::string& line = rep.row;
  line.clear();
  for (const char* title : {"Time(s)", "Temperature(K)", "System enthalpy (H/RT)", "System heat capacity (Cp/R)",
                            "Gas Molar Volume(moles/L)", "Gas Density (g/L)"}) {
    Next(line, rep.delim);
    line += title;
  }
  if (line.size() < kThermoHeaderWidth) line.resize(kThermoHeaderWidth, ' ');
  rep.thermo.WriteLine(run, line);
}

void SystemHeader(Run& run, PropertyReports& rep) {
  struct Title {
    const char* text;
    int width;
  };
  static constexpr Title kTitles[] = {{"Time(s)", 8},          {"Temperature(K)", 15},
                                      {"Reaction #", 10},       {"k(f)", 4},
                                      {"Enthalpy (H/RT)", 16},  {"Entropy (S/R)", 14},
                                      {"Free Energy(-G/RT)", 19}, {"Kp", 2},
                                      {"Kc", 2},                {"k(b)", 4}};
  std::string& line = rep.row;
  line.clear();
  for (const Title& t : kTitles) {
    Next(line, rep.delim);
    fmt::AppendA(line, t.text, t.width);
  }
  rep.system.WriteLine(run, line);
}

void RatesRow(Run& run, PropertyReports& rep, double time) {
  std::string& line = rep.row;
  line.clear();
  Value(line, time);
  line += rep.delim;
  for (int r = 1; r <= run.store.nreact; ++r) {
    Value(line, run.store.rate[r]);
    line += rep.delim;
  }
  rep.rates.WriteLine(run, line);
}

// Formation sums the product terms of a species' list, destruction the
// reactant terms. The net rate of an integrated species is its dy/dt (with
// any CSTR flow, and for the temperature or volume its own equation); a
// steady-state species is held, so its net rate is the balance of its terms,
// the imbalance the steady-state approximation neglects.
void SpeciesRatesRow(Run& run, PropertyReports& rep, double time) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  std::string& line = rep.row;
  line.clear();
  Value(line, time);
  line += rep.delim;
  for (int s = 3; s <= st.sspec; ++s) {
    const int l = s - 2;
    double formation = 0.0, destruction = 0.0;
    for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k) {
      const Term& t = net.term[k];
      const double contribution = t.coeff * st.rate[t.reaction];
      if (IsProductPos(t.pos)) {
        formation += contribution;
      } else {
        destruction += contribution;
      }
    }
    Value(line, s <= st.spec ? rep.dydt[s - 3] : formation + destruction);
    line += rep.delim;
    Value(line, formation);
    line += rep.delim;
    Value(line, destruction);
    line += rep.delim;
  }
  rep.species_rates.WriteLine(run, line);
}

// [M] and the density from the full state of the last evaluation, which holds
// concentrations (at constant pressure the amounts over the current volume).
void ThermoRow(Run& run, PropertyReports& rep, double time) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  const double* x = net.state.data();
  double gas = 0.0, mass = 0.0;
  for (int s = 3; s <= st.rspec; ++s) {
    if (!net.gas[s]) continue;
    gas += x[s];
    mass += x[s] * rep.weight[s];
  }
  std::string& line = rep.row;
  line.clear();
  Value(line, time);
  line += rep.delim;
  Temperature(line, net.temperature);
  line += rep.delim;
  Value(line, net.enthalpy_rate_sum);
  line += rep.delim;
  Value(line, net.heat_capacity_sum);
  line += rep.delim;
  Value(line, gas * rep.per_liter);
  line += rep.delim;
  if (rep.density_known) {
    Value(line, mass * rep.per_liter);
  } else {
    fmt::AppendA(line, kUnknownDensity, 14);
  }
  rep.thermo.WriteLine(run, line);
}

// Time, temperature, line counter and forward rate constant open every line.
void SystemLineStart(const Run& run, PropertyReports& rep, double time, int counter, double kf) {
  std::string& line = rep.row;
  line.clear();
  Value(line, time);
  line += rep.delim;
  Temperature(line, run.store.net.temperature);
  line += rep.delim;
  fmt::AppendI(line, counter, 6);
  line += rep.delim;
  Value(line, kf);
  line += rep.delim;
}

// The thermodynamic data of a reaction pair exist only while the temperature
// is integrated and the reverse constants follow from equilibrium; otherwise
// every reaction gets a short line with 0 in the enthalpy column. In the
// thermodynamic case a reaction without a thermodynamic reverse shows its own
// H/RT there, and the reverse of a pair is shown on its forward line.
void SystemRows(Run& run, PropertyReports& rep, double time) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  const bool pairs = net.temperature_index > 0 && !net.reversed.empty();
  std::string& line = rep.row;
  int counter = 0;
  for (int r = 1; r <= st.nreact; ++r) {
    if (pairs && r > 1 && net.rx[r - 1].revtherm) continue;
    SystemLineStart(run, rep, time, ++counter, net.rk[r]);
    if (!pairs) {
      Value(line, 0.0);
    } else if (!net.rx[r].revtherm || r == st.nreact) {
      Value(line, ReactionChangeOf(net, r).h_rt);
    } else {
      const ReactionChange c = ReactionChangeOf(net, r);
      for (double v : {c.h_rt, c.s_r, c.s_r - c.h_rt, std::exp(c.s_r - c.h_rt), net.kc[r]}) {
        Value(line, v);
        line += rep.delim;
      }
      Value(line, net.rk[r + 1]);
    }
    rep.system.WriteLine(run, line);
  }
}

}  // namespace

double MolesPerLiterFactor(int concunits) {
  switch (concunits) {
    case kMolesPerCm3:
      return 1000.0;
    case kMoleculesPerCm3:
      return 1000.0 / 6.02e23;
    default:
      return 1.0;
  }
}

void OpenPropertyReports(Run& run, PropertyReports& rep) {
  rep.mask = run.store.net.compiled ? run.sw.output_mask : 0;
  if (rep.mask == 0) return;
  const ModelStore& st = run.store;
  rep.delim = run.settings.outdelim;
  rep.per_liter = MolesPerLiterFactor(run.settings.concunits);
  // A species whose formula cannot be weighed takes the molecular weight its
  // thermodynamic database gives, when there is one.
  rep.density_known = true;
  rep.weight.assign(st.cap.max_species + 1, 0.0);
  for (int s = 3; s <= st.rspec; ++s) {
    if (!st.net.gas[s]) continue;
    const SpeciesEntry& e = st.species[s];
    const ThermoSpeciesData& d = st.thermo.species[s];
    if (e.mass_known) {
      rep.weight[s] = e.mw;
    } else if (run.sw.thermo && d.mw_present) {
      rep.weight[s] = d.mw;
    } else {
      rep.density_known = false;
    }
  }
  rep.y.assign(st.cap.max_species + 1, 0.0);
  rep.dydt.assign(st.cap.max_species + 1, 0.0);
  if (rep.mask & kReportRates) {
    rep.rates.Replace(run, kRatesOutFile);
    RatesHeader(run, rep);
  }
  if (rep.mask & kReportSpeciesRates) {
    rep.species_rates.Replace(run, kSpecRateFile);
    SpeciesRatesHeader(run, rep);
  }
  if (rep.mask & kReportThermo) {
    rep.thermo.Replace(run, kThermOutFile);
    ThermoHeader(run, rep);
  }
  if (rep.mask & kReportSystem) {
    rep.system.Replace(run, kSystemOutFile);
    SystemHeader(run, rep);
  }
}

void WritePropertyReports(Run& run, PropertyReports& rep, double time) {
  if (rep.mask == 0) return;
  ModelStore& st = run.store;
  for (int s = 3; s <= st.spec; ++s) rep.y[s - 3] = st.conc[s];
  Derivs(run, rep.y.data(), rep.dydt.data());
  if (rep.rates.IsOpen()) RatesRow(run, rep, time);
  if (rep.species_rates.IsOpen()) SpeciesRatesRow(run, rep, time);
  if (rep.thermo.IsOpen()) ThermoRow(run, rep, time);
  if (rep.system.IsOpen()) SystemRows(run, rep, time);
}

void ClosePropertyReports(Run& run, PropertyReports& rep) {
  rep.rates.Close(run);
  rep.species_rates.Close(run);
  rep.thermo.Close(run);
  rep.system.Close(run);
}

}  // namespace tarnavel
