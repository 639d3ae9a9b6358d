#pragma once
// Species properties from the seven-coefficient polynomials, the equilibrium
// constant of a reaction, and the reverse rate constants that keep every
// thermodynamically reversed pair consistent with equilibrium.
//
// With the coefficients a1..a7 of the range that serves T (the low range up
// to the common temperature CT, the high range above it):
//   H/RT = a1 + a2 T/2 + a3 T^2/3 + a4 T^3/4 + a5 T^4/5 + a6/T
//   S/R  = a1 ln T + a2 T + a3 T^2/2 + a4 T^3/3 + a5 T^4/4 + a7
//   Cp/R = a1 + a2 T + a3 T^2 + a4 T^3 + a5 T^4

#include "core/thermo_data.hpp"

namespace tarnavel {

struct Run;
struct Network;

// Reverse rate constant given when the equilibrium constant is 1e-50 or less.
inline constexpr double kUnderflowReverseRate = 9.123456789e99;

// The reverse rate constant of a pair whose forward constant is kf: kf / Kc,
// or the sentinel when Kc has underflowed.
inline double ReverseRateConstant(double kf, double kc) { return kc > 1.0e-50 ? kf / kc : kUnderflowReverseRate; }

double EnthalpyRT(const ThermoSpeciesData& d, double t);
double EntropyR(const ThermoSpeciesData& d, double t);
double HeatCapacityR(const ThermoSpeciesData& d, double t);

// H/RT, S/R and Cp/R of every species at temperature t into the network's
// property arrays (skipped when they already hold t). A temperature above a
// species' high bound is evaluated with the high range after warning 35.
void EvaluateSpeciesProperties(Run& run, double t);

// What a reaction changes from its reactants to its products, from the
// property arrays: sum of nu H/RT, sum of nu S/R and the change in moles
// (hv or M in the first reactant slot take no part).
struct ReactionChange {
  double h_rt = 0.0;
  double s_r = 0.0;
  double moles = 0.0;
};
ReactionChange ReactionChangeOf(const Network& net, int r);

// Kc of reaction r (a thermodynamically reversed forward reaction) from the
// property arrays at temperature t, in the concentration unit of the run:
// Kp (1/(c T))^dn with c = 0.082057 L atm/(mol K) and its mol/cm^3 and
// molecule forms. Any other unit stops the run with fatal error 76.
double EquilibriumConstant(Run& run, int r, double t);

// The reverse rate constants at temperature t: every forward reaction j that
// is reversed by thermodynamics gives RK(j+1) = RK(j)/Kc, or 9.123456789e99
// when Kc is 1e-50 or less. Kc is kept while t is unchanged; the forward
// constants must already be final.
void ReverseRateConstants(Run& run, double t);

// Lists, for every reversed reaction of `reversed`, the species it changes
// with their net coefficients and its change in moles, for the equilibrium
// constants at each temperature of a run.
void PlanEquilibriumConstants(Network& net);

}  // namespace tarnavel
