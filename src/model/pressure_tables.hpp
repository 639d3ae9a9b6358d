#pragma once
// Rate constants given as tables over pressure: PLOG (Arrhenius expressions
// at tabulated pressures, ln k linear in ln P between them) and Chebyshev
// (log10 k a double Chebyshev series in reduced inverse temperature and
// reduced log pressure). Pressures are in atm.

#include "core/network.hpp"
#include "core/tables.hpp"

namespace tarnavel {

inline constexpr double kKilopascalPerAtm = 101.325;

// The pressure (atm) a pressure table reads: the vessel's pressure when it is
// held constant (the volume is integrated), otherwise the pressure of the gas,
// [M] R T, from the gas-phase total `gas_total` at temperature t.
double TablePressure(const Network& net, double gas_total, double t);

// k of a PLOG table at temperature t (K) and pressure p (atm), with rgas the
// gas constant of the activation energies' unit. A pressure exactly on a
// table point takes that point's value. The search for the interval starts
// from the one the last evaluation found.
double PlogRateConstant(const PressureTable& table, double t, double p, double rgas);

// k of a Chebyshev table at temperature t (K) and pressure p (atm).
double ChebyshevRateConstant(const PressureTable& table, double t, double p);

// k of either form.
double TableRateConstant(const PressureTable& table, double t, double p, double rgas);

}  // namespace tarnavel
