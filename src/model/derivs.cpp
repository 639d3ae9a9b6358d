#include "model/derivs.hpp"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

#include "core/run.hpp"
#include "core/stop.hpp"
#include "model/pressure_tables.hpp"
#include "model/rate_expressions.hpp"
#include "thermo/thermo_properties.hpp"

namespace tarnavel {

namespace {

constexpr double kTiny = 1.0e-79;
constexpr double kMinVolume = 1.0e-9;  // an integrated volume is held within these bounds
constexpr double kMaxVolume = 1.0e9;

// The temperature-independent starting rate constant of a special rate law:
// the Arrhenius value of a temperature-dependent reaction, else A.
double BaseRate(const Network& net, int r) {
  const CompiledReaction& cr = net.rx[r];
  return cr.tdep ? net.rk_arrhenius[r] : cr.a;
}

// Calls f(r) for every reaction whose constant its special rate law sets.
// The reverse of a reversed pair is passed over: it keeps the placeholder 1.0
// as its own constant and takes kf/Kc from the forward one.
template <class F>
void ForEachSpecialLaw(const ModelStore& st, F f) {
  const Network& net = st.net;
  const bool thermo_reverse = !net.reversed.empty();
  auto visit = [&](int r) {
    if (!(thermo_reverse && r > 1 && net.rx[r - 1].revtherm)) f(r);
  };
  if (net.forms.reactions == st.nreact) {
    for (int r : net.forms.special) visit(r);
  } else {
    for (int r = 1; r <= st.nreact; ++r)
      if (net.rx[r].kptr > 0) visit(r);
  }
}

// Mass-action rates of every reaction over the full state x (species index).
void Rates(ModelStore& st, const double* x) {
  const Network& net = st.net;
  const double* rk = net.rk.data();
  double* rate = st.rate.data();
  const RateForms& f = net.forms;
  if (f.reactions != st.nreact) {
    for (int r = 1; r <= st.nreact; ++r) rate[r] = ReactionRate(net.rx[r], rk[r], x);
    return;
  }
  for (const RateForms::First& q : f.first) rate[q.r] = rk[q.r] * x[q.s1];
  for (const RateForms::Second& q : f.second) rate[q.r] = rk[q.r] * x[q.s2] * x[q.s1];
  for (const RateForms::Third& q : f.third) rate[q.r] = rk[q.r] * x[q.s2] * x[q.s3] * x[q.s1];
  for (int r : f.other) rate[r] = ReactionRate(net.rx[r], rk[r], x);
}

// Refreshes the rate constants that depend on temperature or on the
// composition (special rate laws), then the reverse constants that come from
// the equilibrium constant, once every forward constant is final (so a
// third-body or fall-off pair keeps the same [M] dependence both ways).
void RateConstants(Run& run, const double* x) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const double t = net.temperature;
  if (net.arrhenius_temp != t) EvaluateArrhenius(run, t);
  if (st.spec < 3) {
    run.console.Line("==== SOFTWARE ERROR AT HFISOS 44432!!!");
    StopProgram(kExitStopped);
  }
  if (st.cursk >= 1) {
    const double mtot = GasSum(st, x);
    ForEachSpecialLaw(st, [&](int r) { net.rk[r] = SpecialRate(st, r, mtot, t, x); });
  }
  EvaluateRateExpressions(run, x);
  if (!net.reversed.empty()) ReverseRateConstants(run, t);
}

// The temperature equation of a closed adiabatic vessel. At constant volume
// the internal energy, sum of c_s U_s(T), stays constant, so
// dT/dt = -sum(dc_s/dt U_s/R) / sum(c_s Cv_s/R), with U/R = H/R - T and
// Cv/R = Cp/R - 1 for gas-phase species and U = H, Cv = Cp for condensed
// ones. At constant pressure the enthalpy, sum of n_s H_s(T), stays constant:
// dT/dt = -sum(dn_s/dt H_s/R) / sum(n_s Cp_s/R), with n = c V. Steady-state
// and retained species count with a rate of 0. x holds concentrations.
double TemperatureRate(Run& run, const double* x, const double* dydt) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const double t = net.temperature;
  const bool constant_pressure = net.volume_index > 0;
  EvaluateSpeciesProperties(run, t);
  double heat_capacity = 0.0, energy_rate = 0.0, cp_sum = 0.0, enthalpy_rate = 0.0;
  for (int s = 3; s <= st.rspec; ++s) {
    if (!net.has_properties[s]) continue;
    const ThermoSpeciesData& d = st.thermo.species[s];
    if (t > d.ct && t <= d.lt) {
      run.console.Line("stop at DEVIRSO, cp calc at LOWT****STOPPING***");
      StopProgram(kExitStopped);
    }
    const double gas = net.gas[s] && !constant_pressure ? 1.0 : 0.0;
    cp_sum += x[s] * net.cp_r[s];
    heat_capacity += x[s] * (net.cp_r[s] - gas);
    if (s > st.spec) continue;
    enthalpy_rate += dydt[s - 3] * net.h_rt[s] * t;
    energy_rate += dydt[s - 3] * (net.h_rt[s] - gas) * t;
  }
  net.enthalpy_rate_sum = enthalpy_rate;
  net.heat_capacity_sum = cp_sum;
  heat_capacity *= net.volume;  // of the amounts
  if (std::fabs(heat_capacity) <= 1.0e-50) {
    run.console.Line("****STOPPING****");
    run.console.Line("in DYDX calc of temp. stopping..54376");
    StopProgram(kExitStopped);
  }
  return -energy_rate / heat_capacity;
}

// The volume of a constant-pressure vessel follows the gas law V = n R T / P
// with n the gas-phase amount: dV/dt = (Rv/P)(n dT/dt + T dn/dt).
double VolumeRate(const ModelStore& st, const double* x, const double* dydt) {
  const Network& net = st.net;
  const double amount = GasSum(st, x) * net.volume;
  double amount_rate = 0.0;
  for (int s = 3; s <= st.spec; ++s)
    if (net.gas[s]) amount_rate += dydt[s - 3];
  const int ti = net.temperature_index;
  const double dtdt = ti > 0 ? dydt[ti - 3] : 0.0;
  return net.rv / net.pressure * (amount * dtdt + net.temperature * amount_rate);
}

// Turns the amounts of a constant-pressure state into concentrations n/V
// (the pseudo-species keep their values), then puts the photon flux and the
// third-body total into the state.
void CompleteState(ModelStore& st, double* x) {
  Network& net = st.net;
  const int vi = net.volume_index;
  if (vi > 0) {
    const double v = std::min(std::max(x[vi], kMinVolume), kMaxVolume);
    net.volume = v;
    const char* per_volume = net.per_volume.data();
    for (int s = 3; s <= st.rspec; ++s)
      if (per_volume[s]) x[s] /= v;
  }
  x[kHv] = net.hvflux;
  net.mconc = net.m_used ? GasSum(st, x) : 0.0;
  x[kM] = net.mconc;
}

// Rates as they enter the balances of amounts: V times the rate per volume.
void ScaleRatesByVolume(ModelStore& st) {
  if (st.net.volume_index <= 0) return;
  const double v = st.net.volume;
  double* rate = st.rate.data();
  for (int r = 1; r <= st.nreact; ++r) rate[r] *= v;
}

}  // namespace

namespace {

// log10 as ln x / ln 10: the library's log10 costs several natural logarithms.
double Log10(double x) { return std::log(x) * (1.0 / std::numbers::ln10); }

// m ln T, the exponent of T^m, with T^0 = 1 also at T = 0.
double PowerExponent(double m, double ln_t) { return m != 0.0 ? m * ln_t : 0.0; }

// The temperature-only factors of a special rate law at t (ln_t = ln t): for
// the fall-off forms k0, then log10(Fcent) (Troe) or the SRI base
// a exp(-b/T) + exp(-T/c) and its factor d T^e; for the exponential form its
// whole factor. Powers of T are taken as exponentials of ln T, so that k0
// costs one exponential.
std::array<double, 3> SpecialTemperatureTerms(const SpecialEntry& e, double t, double ln_t, double rgas) {
  const double* p = e.param.data();
  std::array<double, 3> terms{0.0, 0.0, 1.0};
  const int type = e.type;
  if (type == 30) {
    const double cube_root = std::cbrt(t);
    terms[0] = std::exp(p[1] / cube_root + p[2] / (cube_root * cube_root));
  } else if (type >= 2 && type < 20) {
    terms[0] = p[1] * std::exp(PowerExponent(p[2], ln_t) - p[3] / (rgas * t));
    if (type == 3) {
      double fcent = (1.0 - p[4]) * std::exp(-t / p[5]) + p[4] * std::exp(-t / p[6]);
      if (p[7] != 0.0) fcent += std::exp(-p[7] / t);
      terms[1] = Log10(std::max(fcent, kTiny));
    } else if (type != 2) {
      terms[1] = p[4] * std::exp(-p[5] / t) + std::exp(-t / p[6]);
      if (p[7] != 0.0) terms[2] = p[8] != 0.0 ? p[7] * std::exp(PowerExponent(p[8], ln_t)) : p[7];
    }
  }
  return terms;
}

}  // namespace

void EvaluateSpecialTemperatureTerms(ModelStore& st, double t) {
  Network& net = st.net;
  if (net.special_temp_terms.size() < static_cast<size_t>(st.nreact) + 1)
    net.special_temp_terms.assign(static_cast<size_t>(st.nreact) + 1, {0.0, 0.0, 1.0});
  if (st.cursk < 1) return;
  const double ln_t = std::log(t);
  ForEachSpecialLaw(st, [&](int r) {
    net.special_temp_terms[r] = SpecialTemperatureTerms(st.special[net.rx[r].kptr], t, ln_t, net.rgas);
  });
}

double SpecialRate(const ModelStore& st, int r, double mtot, double t, const double* x) {
  const Network& net = st.net;
  const SpecialEntry& e = st.special[net.rx[r].kptr];
  const double* p = e.param.data();
  // A pressure table gives the whole rate constant; the reaction line's k
  // multiplies it.
  if (IsPressureTable(e.type)) {
    const PressureTable& table = st.pressure_table[static_cast<int>(p[kTableSlot])];
    return BaseRate(net, r) * TableRateConstant(table, t, TablePressure(net, mtot, t), net.rgas);
  }
  const int colliders = static_cast<int>(p[kColliderCountSlot]);
  double meff = mtot;
  if (e.absolute) {
    meff = 0.0;
    for (int k = 1; k <= colliders; ++k) {
      const int slot = ColliderSpeciesSlot(k);
      const int s = static_cast<int>(p[slot]) + 2;
      if (net.gas[s]) meff += p[slot + 1] * x[s];
    }
  } else {
    for (int k = 1; k <= colliders; ++k) {
      const int slot = ColliderSpeciesSlot(k);
      meff += (p[slot + 1] - 1.0) * x[static_cast<int>(p[slot]) + 2];
    }
  }
  const double k = BaseRate(net, r);
  const int type = e.type;
  if (type <= 1) return k * meff;
  if (type >= 20 && type != 30) return net.rk[r];
  // The factors of the temperature, as evaluated with the Arrhenius values
  // when the temperature is theirs.
  const std::array<double, 3> terms = net.arrhenius_temp == t && static_cast<size_t>(r) < net.special_temp_terms.size()
                                          ? net.special_temp_terms[r]
                                          : SpecialTemperatureTerms(e, t, std::log(t), net.rgas);
  if (type == 30) return k * terms[0];
  const double kinf = k;
  const double k0 = terms[0];
  const double pr = k0 * meff / (kinf + kTiny);
  if (type == 2) return kinf * pr / (1.0 + pr);
  const double logpr = Log10(std::max(pr, kTiny));
  double f;
  if (type == 3) {
    const double l = terms[1];
    const double c = -0.4 - 0.67 * l;
    const double nn = 0.75 - 1.27 * l;
    const double ff = (logpr + c) / (nn - 0.14 * (logpr + c));
    f = std::exp(std::numbers::ln10 * l / (1.0 + ff * ff));  // 10^(log10 Fcent / (1 + f^2))
  } else {
    const double xx = 1.0 / (1.0 + logpr * logpr);
    f = std::pow(terms[1], xx);
    if (p[7] != 0.0) f *= terms[2];
  }
  return kinf * pr * f / (1.0 + pr);
}

void BuildRateForms(Network& net, int nreact) {
  RateForms& f = net.forms;
  f = RateForms{};
  for (int r = 1; r <= nreact; ++r) {
    const CompiledReaction& cr = net.rx[r];
    const auto& s = cr.rsp;
    // Four reactants with unit coefficients are rare enough to take the
    // general law, whose unit branch multiplies them directly.
    if (!cr.unitr || cr.nrct < 1 || cr.nrct > 3) {
      f.other.push_back(r);
    } else if (cr.nrct == 1) {
      f.first.push_back({r, s[1]});
    } else if (cr.nrct == 2) {
      f.second.push_back({r, s[1], s[2]});
    } else {
      f.third.push_back({r, s[1], s[2], s[3]});
    }
    if (cr.kptr > 0) f.special.push_back(r);
  }
  f.reactions = nreact;
}

double GasSum(const ModelStore& st, const double* x) {
  double sum = 0.0;
  const char* gas = st.net.gas.data();
  for (int s = 3; s <= st.rspec; ++s)
    if (gas[s]) sum += x[s];
  return sum;
}

const double* FullState(Run& run, const double* y) {
  ModelStore& st = run.store;
  Network& net = st.net;
  double* x = net.state.data();
  const int n = st.spec - 2;
  for (int i = 0; i < n; ++i) x[3 + i] = y[i];
  for (int s = st.spec + 1; s <= st.rspec; ++s) x[s] = st.conc[s];
  CompleteState(st, x);
  return x;
}

namespace {

// Groups the Arrhenius reactions by their (m, Ea).
void PlanArrheniusGroups(ModelStore& st) {
  Network& net = st.net;
  net.arrhenius_group.assign(static_cast<size_t>(st.nreact) + 1, -1);
  net.group_mt.clear();
  net.group_ea.clear();
  std::map<std::pair<double, double>, int> groups;
  for (int r = 1; r <= st.nreact; ++r) {
    const CompiledReaction& cr = net.rx[r];
    if (!cr.tdep) continue;
    const auto [it, added] = groups.try_emplace({cr.mt, cr.ea}, static_cast<int>(net.group_mt.size()));
    if (added) {
      net.group_mt.push_back(cr.mt);
      net.group_ea.push_back(cr.ea);
    }
    net.arrhenius_group[r] = it->second;
  }
  net.arrhenius_factor.assign(net.group_mt.size(), 0.0);
}

}  // namespace

void EvaluateArrhenius(Run& run, double t) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const double rgas = run.settings.rgas;
  net.rgas = rgas;
  if (net.temperature_index > 0) {
    // With the temperature integrated the constants are evaluated at every
    // derivative evaluation: A T^m exp(-Ea/RT) is A times the factor of its
    // (m, Ea), one exponential per distinct pair. Where the factor alone
    // leaves the range of doubles, ln|A| goes into the exponent.
    // A reaction whose m or Ea no longer matches its group (a fit changed
    // it) has the groups planned again and every constant evaluated anew.
    if (net.arrhenius_group.size() != static_cast<size_t>(st.nreact) + 1) PlanArrheniusGroups(st);
    const double ln_t = std::log(t);
    for (bool held = false; !held;) {
      const int groups = static_cast<int>(net.group_mt.size());
      double* factor = net.arrhenius_factor.data();
      for (int g = 0; g < groups; ++g) {
        const double ea = net.group_ea[g];
        factor[g] = std::exp(PowerExponent(net.group_mt[g], ln_t) - (ea == 0.0 ? 0.0 : ea / (rgas * t)));
      }
      held = true;
      for (int r = 1; r <= st.nreact; ++r) {
        const CompiledReaction& cr = net.rx[r];
        if (!cr.tdep) continue;
        const int g = net.arrhenius_group[r];
        if (g < 0 || net.group_mt[g] != cr.mt || net.group_ea[g] != cr.ea) {
          held = false;
          PlanArrheniusGroups(st);
          break;
        }
        const double f = factor[g];
        double k = cr.a * f;
        if (cr.a == 0.0) {
          k = 0.0;
        } else if (!(f >= DBL_MIN && f <= DBL_MAX)) {
          const double e = std::log(std::fabs(cr.a)) + PowerExponent(cr.mt, ln_t) -
                           (cr.ea == 0.0 ? 0.0 : cr.ea / (rgas * t));
          k = cr.a < 0.0 ? -std::exp(e) : std::exp(e);
        }
        net.rk_arrhenius[r] = k;
        net.rk[r] = k;
      }
    }
  } else {
    for (int r = 1; r <= st.nreact; ++r) {
      const CompiledReaction& cr = net.rx[r];
      if (!cr.tdep) continue;
      double k;
      if (cr.mtzero) {
        k = cr.a * std::exp(-cr.ea / (rgas * t));
      } else if (cr.eazero) {
        k = cr.a * std::pow(t, cr.mt);
      } else {
        k = cr.a * std::pow(t, cr.mt) * std::exp(-cr.ea / (rgas * t));
      }
      net.rk_arrhenius[r] = k;
      net.rk[r] = k;
    }
  }
  EvaluateSpecialTemperatureTerms(st, t);
  net.arrhenius_temp = t;
}

double RateParameter(const Run& run, int r) {
  const CompiledReaction& cr = run.store.net.rx[r];
  return cr.tdep || cr.kptr > 0 || cr.expression ? cr.a : run.store.net.rk[r];
}

void SetRateParameter(Run& run, int r, double value) {
  Network& net = run.store.net;
  CompiledReaction& cr = net.rx[r];
  cr.a = value;
  if (cr.expression) {
    // The factor on the expression: every expression rate is set again.
    net.expressions.evaluated = false;
  } else if (cr.tdep) {
    net.arrhenius_temp = -1.0;
    EvaluateArrhenius(run, net.temperature);
  } else if (cr.kptr <= 0) {
    net.rk[r] = value;
  }
}

void Derivs(Run& run, const double* y, double* dydt) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const double* x = FullState(run, y);
  const int ti = net.temperature_index;
  if (ti > 0) {
    const Settings& set = run.settings;
    net.temperature = std::min(std::max(x[ti], set.tmin), set.tmax);
  }
  if (ti > 0 || st.cursk >= 1 || !net.reversed.empty() || net.expressions.active) RateConstants(run, x);
  Rates(st, x);
  ScaleRatesByVolume(st);

  const int n = st.spec - 2;
  const int* start = net.term_start.data();
  const Term* term = net.term.data();
  const double* rate = st.rate.data();
  for (int l = 1; l <= n; ++l) {
    double sum = 0.0;
    for (int k = start[l]; k < start[l + 1]; ++k) sum += term[k].coeff * rate[term[k].reaction];
    dydt[l - 1] = sum;
  }
  for (int s : net.cstr_species) {
    const SpeciesEntry& e = st.species[s];
    dydt[s - 3] += (e.external - y[s - 3]) * e.flow_rate;
  }
  if (ti > 0) dydt[ti - 3] = TemperatureRate(run, x, dydt);
  if (net.volume_index > 0) dydt[net.volume_index - 3] = VolumeRate(st, x, dydt);
}

void ReactionRatesFromStore(Run& run) {
  ModelStore& st = run.store;
  Network& net = st.net;
  double* x = net.state.data();
  for (int s = 3; s <= st.rspec; ++s) x[s] = st.conc[s];
  CompleteState(st, x);
  Rates(st, x);
  ScaleRatesByVolume(st);
}

}  // namespace tarnavel
