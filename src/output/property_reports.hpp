#pragma once
// The property and rate reports: at every concentration row, the quantities
// behind the concentrations, one optional file each.
//
//   RATESOUT.TXT   the rate of every reaction, as it enters the species
//                  balances;
//   SPECRATE.TXT   per integrated or steady-state species its net rate, its
//                  formation (product terms, positive) and its destruction
//                  (reactant terms, negative);
//   THERMOUT.TXT   temperature, the enthalpy and heat-capacity sums of the
//                  temperature equation, the total gas concentration [M] in
//                  moles/L and the gas density in g/L (the formula weight
//                  of a species, else its thermodynamic database's);
//   SYSTEMOUT.TXT  one line per reaction with its rate constant and, when the
//                  temperature is integrated and reverse rate constants come
//                  from equilibrium, the reaction's H/RT, S/R, -G/RT, Kp, Kc
//                  and the reverse rate constant on the forward reaction's
//                  line (the reverse itself gets no line).
//
// Numbers are general notation with 6 significant digits in 14 columns (the
// temperature in 12); fields are separated by the output delimiter, and in
// RATESOUT and SPECRATE every field, the last one too, is followed by it.
// Every row holds all its columns on one line.
//
// Each row first evaluates the right-hand side at the current state, so the
// rate constants, rates and sums are those of the concentrations the
// concentration row shows.

#include <string>
#include <vector>

#include "core/output_file.hpp"

namespace tarnavel {

struct Run;

// Bits of the -o output mask, one per report.
inline constexpr int kReportRates = 1;
inline constexpr int kReportSpeciesRates = 2;
inline constexpr int kReportThermo = 4;
inline constexpr int kReportSystem = 8;

inline constexpr const char* kRatesOutFile = "RATESOUT.TXT";
inline constexpr const char* kSpecRateFile = "SPECRATE.TXT";
inline constexpr const char* kThermOutFile = "THERMOUT.TXT";
inline constexpr const char* kSystemOutFile = "SYSTEMOUT.TXT";

// Written in the density field when some gas-phase species has no known
// molecular weight.
inline constexpr const char* kUnknownDensity = "-9999.0d0";

struct PropertyReports {
  int mask = 0;               // reports selected, kReport* bits
  char delim = '\t';
  OutputFile rates, species_rates, thermo, system;
  bool density_known = true;  // every gas-phase species has a molecular weight
  std::vector<double> weight; // molecular weight of each gas-phase species (g/mol)
  double per_liter = 1.0;     // run concentration unit to moles/L
  std::vector<double> y, dydt;  // state and derivative work vectors, sized once
  std::string row;            // line buffer, reused for every row
};

// Deletes and creates anew each selected report file and writes its header;
// nothing happens when none is selected.
void OpenPropertyReports(Run& run, PropertyReports& reports);

// One row (several lines in SYSTEMOUT) at `time` in every open report, from
// the right-hand side evaluated at the store's current concentrations.
void WritePropertyReports(Run& run, PropertyReports& reports, double time);

// Flushes and closes the open reports; they are kept.
void ClosePropertyReports(Run& run, PropertyReports& reports);

// The factor that turns a concentration in the run's unit into moles/L:
// moles/cm^3 hold 1000 per liter, molecules are counted with Avogadro's number
// as 6.02e23. A ppm mixing ratio is no amount per volume and is left as it is.
double MolesPerLiterFactor(int concunits);

}  // namespace tarnavel
