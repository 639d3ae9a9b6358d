#pragma once
// The adiabatic equilibrium a burnt mixture reaches at constant pressure,
// computed here independently of the program from NASA polynomials: the
// reference the ignition runs are checked against.

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tarnavel::e2e {

// NASA seven-coefficient polynomials of one species, with its elements.
struct Nasa {
  double t_common = 1000.0;
  std::array<double, 7> low{}, high{};
  std::map<std::string, double> atoms;  // element symbol (upper case) and count
  const std::array<double, 7>& At(double t) const { return t < t_common ? low : high; }
  double Cp(double t) const;  // Cp/R
  double H(double t) const;   // H/RT
  double S(double t) const;   // S/R
};

// The records of a database in the classic four-line layout (name in columns
// 1-18, four element fields in 25-44, common temperature in 66-73).
std::map<std::string, Nasa> ReadNasa(const std::string& text);

// Equilibrium amounts at temperature t (K) and pressure p (atm) of the usual
// products of C, H, O, N and Ar chemistry that the database holds, for
// element amounts b, by element potentials and Newton's method.
std::map<std::string, double> Equilibrium(const std::map<std::string, Nasa>& nasa,
                                          const std::map<std::string, double>& b, double t, double p);

// The element amounts of a mixture given as amounts by species.
std::map<std::string, double> ElementAmounts(const std::map<std::string, Nasa>& nasa,
                                             const std::vector<std::pair<std::string, double>>& mixture);

// The temperature at which the equilibrium products hold the enthalpy of the
// mixture at t0: the adiabatic flame temperature at constant pressure p (atm).
double FlameTemperature(const std::map<std::string, Nasa>& nasa,
                        const std::vector<std::pair<std::string, double>>& mixture, double t0, double p);

}  // namespace tarnavel::e2e
