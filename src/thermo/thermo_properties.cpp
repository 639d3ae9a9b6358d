#include "thermo/thermo_properties.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"

namespace tarnavel {

namespace {

const std::array<double, 8>& RangeAt(const ThermoSpeciesData& d, double t) { return t <= d.ct ? d.a[1] : d.a[2]; }

// The console line that goes before warning 35, once per species like the
// warning itself.
void WarnAboveRange(Run& run, int s, double t) {
  if (s < static_cast<int>(run.warned_out_of_range.size()) && run.warned_out_of_range[s]) return;
  if (!run.sw.quiet && !run.sw.ignore_warnings)
    run.console.Line("About to give warning on temperature @ " + fmt::E(t, 14, 6));
  run.msg.species = s;
  run.msg.name1 = run.store.species[s].name;
  Warning(run, 35);
}

// R'T in the concentration unit of the run: the factor that turns the
// pressure-based equilibrium constant into the concentration-based one.
double ConcentrationRT(Run& run, double t) {
  switch (run.settings.concunits) {
    case kMolesPerLiter:
      return 0.082057 * t;
    case kMolesPerCm3:
      return 82.057 * t;
    case kMoleculesPerCm3:
      return 82.057 * t / 6.022045e23;
    default:
      FatalError(run, 76);
  }
}

}  // namespace

double EnthalpyRT(const ThermoSpeciesData& d, double t) {
  const auto& a = RangeAt(d, t);
  return a[1] + t * (a[2] / 2.0 + t * (a[3] / 3.0 + t * (a[4] / 4.0 + t * a[5] / 5.0))) + a[6] / t;
}

namespace {

double EntropyRWithLog(const ThermoSpeciesData& d, double t, double log_t) {
  const auto& a = RangeAt(d, t);
  return a[1] * log_t + t * (a[2] + t * (a[3] / 2.0 + t * (a[4] / 3.0 + t * a[5] / 4.0))) + a[7];
}

double LogTemperature(double t) { return t > 1.0e-40 ? std::log(t) : 0.0; }

}  // namespace

double EntropyR(const ThermoSpeciesData& d, double t) { return EntropyRWithLog(d, t, LogTemperature(t)); }

double HeatCapacityR(const ThermoSpeciesData& d, double t) {
  const auto& a = RangeAt(d, t);
  return a[1] + t * (a[2] + t * (a[3] + t * (a[4] + t * a[5])));
}

void EvaluateSpeciesProperties(Run& run, double t) {
  ModelStore& st = run.store;
  Network& net = st.net;
  if (net.property_temp == t) return;
  const double log_t = LogTemperature(t);  // one logarithm for every species
  for (int s = 3; s <= st.rspec; ++s) {
    if (!net.has_properties[s]) continue;
    const ThermoSpeciesData& d = st.thermo.species[s];
    if (t > d.ht) WarnAboveRange(run, s, t);
    net.h_rt[s] = EnthalpyRT(d, t);
    net.s_r[s] = EntropyRWithLog(d, t, log_t);
    net.cp_r[s] = HeatCapacityR(d, t);
  }
  net.property_temp = t;
}

ReactionChange ReactionChangeOf(const Network& net, int r) {
  const CompiledReaction& cr = net.rx[r];
  ReactionChange c;
  for (int j = 1; j <= cr.nrct; ++j) {
    const int s = cr.rsp[j];
    if (s < 3) continue;  // hv or M in the first slot
    c.h_rt -= cr.stoich[j] * net.h_rt[s];
    c.s_r -= cr.stoich[j] * net.s_r[s];
    c.moles -= cr.stoich[j];
  }
  for (int j = 1; j <= cr.nprd; ++j) {
    const int s = cr.psp[j];
    if (s < 3) continue;
    c.h_rt += cr.stoich[kProductStoich + j] * net.h_rt[s];
    c.s_r += cr.stoich[kProductStoich + j] * net.s_r[s];
    c.moles += cr.stoich[kProductStoich + j];
  }
  return c;
}

namespace {

// Kc = Kp (c RT)^-dn = exp(dS/R - dH/RT - dn ln(c RT)), one exponential.
double KcFromChange(const ReactionChange& c, double ln_crt) { return std::exp(c.s_r - c.h_rt - c.moles * ln_crt); }

}  // namespace

double EquilibriumConstant(Run& run, int r, double t) {
  return KcFromChange(ReactionChangeOf(run.store.net, r), std::log(ConcentrationRT(run, t)));
}

namespace {

// Coefficients up to this size are taken as repeated factors; larger or
// fractional ones take the exponential of the sum.
constexpr int kLargestProductPower = 4;
// exp(700) is near the largest double: a product whose factors could reach
// it takes the exponential of its sum instead.
constexpr double kLargestProductExponent = 700.0;

bool SmallInteger(double v) { return v == std::trunc(v) && std::fabs(v) <= kLargestProductPower; }

}  // namespace

void PlanEquilibriumConstants(Network& net) {
  net.kc_start.assign(1, 0);
  net.kc_term.clear();
  net.kc_moles.clear();
  net.kc_factor_start.assign(1, 0);
  net.kc_factor.clear();
  net.kc_crt_power.clear();
  net.kc_weight.clear();
  net.kc_species.clear();
  std::vector<char> listed(net.h_rt.size(), 0);
  for (int j : net.reversed) {
    const CompiledReaction& cr = net.rx[j];
    const size_t first = net.kc_term.size();
    double moles = 0.0;
    auto add = [&](int s, double nu) {
      if (s < 3) return;  // hv or M in the first slot
      moles += nu;
      for (size_t k = first; k < net.kc_term.size(); ++k)
        if (net.kc_term[k].species == s) {
          net.kc_term[k].nu += nu;
          return;
        }
      net.kc_term.push_back({s, nu});
    };
    for (int k = 1; k <= cr.nrct; ++k) add(cr.rsp[k], -cr.stoich[k]);
    for (int k = 1; k <= cr.nprd; ++k) add(cr.psp[k], cr.stoich[kProductStoich + k]);
    bool factors = SmallInteger(moles);
    double weight = std::fabs(moles);
    for (size_t k = first; k < net.kc_term.size(); ++k) {
      const Network::KcTerm& term = net.kc_term[k];
      factors = factors && SmallInteger(term.nu);
      weight += std::fabs(term.nu);
      if (!listed[term.species]) {
        listed[term.species] = 1;
        net.kc_species.push_back(term.species);
      }
      if (SmallInteger(term.nu))
        for (int m = 0; m < static_cast<int>(std::fabs(term.nu)); ++m)
          net.kc_factor.push_back(2 * term.species + (term.nu < 0.0 ? 1 : 0));
    }
    net.kc_start.push_back(static_cast<int>(net.kc_term.size()));
    net.kc_moles.push_back(moles);
    net.kc_factor_start.push_back(static_cast<int>(net.kc_factor.size()));
    net.kc_crt_power.push_back(factors ? -static_cast<int>(moles) : 0);
    net.kc_weight.push_back(factors ? weight : 0.0);
  }
  net.g_r.assign(net.h_rt.size(), 0.0);
  net.kc_factor_value.assign(2 * net.h_rt.size(), 1.0);
}

void ReverseRateConstants(Run& run, double t) {
  Network& net = run.store.net;
  if (net.kc_temp != t) {
    EvaluateSpeciesProperties(run, t);
    const double crt = ConcentrationRT(run, t);
    const double ln_crt = std::log(crt);
    // (c R T)^p for p = -4 .. 4.
    std::array<double, 2 * kLargestProductPower + 1> crt_power;
    crt_power[kLargestProductPower] = 1.0;
    for (int p = 1; p <= kLargestProductPower; ++p) {
      crt_power[kLargestProductPower + p] = crt_power[kLargestProductPower + p - 1] * crt;
      crt_power[kLargestProductPower - p] = crt_power[kLargestProductPower - p + 1] / crt;
    }
    double* g = net.g_r.data();
    double* value = net.kc_factor_value.data();
    // Every factor of a product lies within exp(+-largest).
    double largest = std::fabs(ln_crt);
    for (int s : net.kc_species) {
      g[s] = net.s_r[s] - net.h_rt[s];
      largest = std::max(largest, std::fabs(g[s]));
      value[2 * s] = std::exp(g[s]);
      value[2 * s + 1] = 1.0 / value[2 * s];
    }
    const Network::KcTerm* term = net.kc_term.data();
    const int* start = net.kc_start.data();
    const int* factor = net.kc_factor.data();
    const int* factor_start = net.kc_factor_start.data();
    const int pairs = static_cast<int>(net.reversed.size());
    for (int i = 0; i < pairs; ++i) {
      double kc;
      if (net.kc_weight[i] > 0.0 && largest * net.kc_weight[i] < kLargestProductExponent) {
        kc = crt_power[kLargestProductPower + net.kc_crt_power[i]];
        for (int k = factor_start[i]; k < factor_start[i + 1]; ++k) kc *= value[factor[k]];
      } else {
        double ln_kc = -net.kc_moles[i] * ln_crt;
        for (int k = start[i]; k < start[i + 1]; ++k) ln_kc += term[k].nu * g[term[k].species];
        kc = std::exp(ln_kc);
      }
      net.kc[net.reversed[i]] = kc;
    }
    net.kc_temp = t;
  }
  double* rk = net.rk.data();
  for (int j : net.reversed) {
    rk[j + 1] = ReverseRateConstant(rk[j], net.kc[j]);
  }
}

}  // namespace tarnavel
