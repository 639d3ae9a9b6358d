#pragma once
// Rate laws and the derivative function: the right-hand side dy/dt of the
// kinetic equations for the compiled network.

#include <cmath>

#include "core/network.hpp"

namespace tarnavel {

struct Run;
struct ModelStore;

// The mass-action rate of one reaction with rate constant rk over the full
// state x (by species index). With unit coefficients the reactant slots are
// multiplied in the order slot 2, 3, 4, then slot 1 (hv or M when present).
inline double ReactionRate(const CompiledReaction& cr, double rk, const double* x) {
  if (cr.unitr) {
    switch (cr.nrct) {
      case 1:
        return rk * x[cr.rsp[1]];
      case 2:
        return rk * x[cr.rsp[2]] * x[cr.rsp[1]];
      case 3:
        return rk * x[cr.rsp[2]] * x[cr.rsp[3]] * x[cr.rsp[1]];
      default:
        return rk * x[cr.rsp[2]] * x[cr.rsp[3]] * x[cr.rsp[4]] * x[cr.rsp[1]];
    }
  }
  double rr = rk;
  for (int j = 1; j <= cr.nrct; ++j) {
    const double c = x[cr.rsp[j]], nu = cr.stoich[j];
    rr *= nu == 1.0 ? c : nu == 2.0 ? c * c : std::pow(c, nu);  // the square rounded once, as pow does
  }
  return rr;
}

// Groups reactions 1..nreact of the compiled network by rate-law form.
void BuildRateForms(Network& net, int nreact);

// The rate constant of a reaction with a special rate law (third body,
// fall-off, Landau-Teller, pressure table) at temperature t and gas-phase
// total concentration mtot.
double SpecialRate(const ModelStore& st, int r, double mtot, double t, const double* x);

// The temperature-only factors of every special rate law at t, which
// SpecialRate uses while the Arrhenius values are those of t (EvaluateArrhenius
// calls this).
void EvaluateSpecialTemperatureTerms(ModelStore& st, double t);

// Evaluates the Arrhenius rate constants of the temperature-dependent
// reactions at temperature `t` and makes them the working rate constants.
// Called before the first derivative evaluation of a run and whenever the
// run temperature changes.
void EvaluateArrhenius(Run& run, double t);

// The rate parameter a reaction's rate law reads: A for a rate constant
// rebuilt from it (temperature dependent, or with a bracket group), else k.
double RateParameter(const Run& run, int r);

// Writes a rate parameter where the rate law reads it, so that the next
// derivative evaluation keeps it: A, with the Arrhenius constant recomputed at
// once, or A and k together. A thermodynamic reverse follows its forward
// constant by itself.
void SetRateParameter(Run& run, int r, double value);

// DERIVS: given the integrated concentrations y (species s at y[s-3], SPEC-2
// values), forms dydt for them. Leaves every reaction's rate constant in
// the network's RK and its rate in the store's rate array.
void Derivs(Run& run, const double* y, double* dydt);

// Total concentration of the gas-phase species, [M], over a full state x
// indexed by species.
double GasSum(const ModelStore& st, const double* x);

// The full state by species index (hv holds the photon flux, M the total
// concentration [M]) from the integrated values y, completed with the
// steady-state and retained species of the store. Lives in the network's
// work array.
const double* FullState(Run& run, const double* y);

// The mass-action rate of every reaction from the current concentrations of
// the store with the current rate constants (for the rate reports).
void ReactionRatesFromStore(Run& run);

}  // namespace tarnavel
