#pragma once
// A reaction mechanism as a CHEMKIN-II input file describes it: elements,
// species, NASA seven-coefficient thermodynamic data (inline or from a
// separate file) and reactions with their auxiliary lines. The reader keeps
// the numbers as written, so that what is passed on loses no digit.

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "import/nasa_thermo.hpp"

namespace tarnavel::import {

// A reason to stop the import: the file, the line (0 when none applies) and why.
struct ImportError : std::runtime_error {
  ImportError(std::string file_name, int line_number, const std::string& why)
      : std::runtime_error(file_name + (line_number > 0 ? ", line " + std::to_string(line_number) : "") + ": " + why),
        file(std::move(file_name)),
        line(line_number),
        reason(why) {}
  std::string file;
  int line;
  std::string reason;
};

// Something the import changed, dropped or doubts, with the file and line
// (0 when none applies) that it concerns: reported, never fatal.
struct ImportWarning {
  std::string file;
  int line = 0;
  std::string text;
};

// A number with the text it was read from.
struct Number {
  double value = 0.0;
  std::string text;
};

struct Arrhenius {
  Number a, b, e;  // A, temperature exponent, activation energy
};

// One side of a reaction: coefficient and species, repeated species merged.
using Side = std::vector<std::pair<double, std::string>>;

enum class ThirdBody { kNone, kPlain, kFallOff };

struct Reaction {
  int line = 0;            // source line of the reaction
  std::string equation;    // as written, blanks removed
  Side reactants, products;
  bool reversible = true;  // <=> or =, not =>
  ThirdBody third_body = ThirdBody::kNone;
  std::string falloff_collider;  // (+AR): the one species that acts as [M]; empty for (+M)
  Arrhenius k;
  bool has_low = false, has_rev = false;
  Arrhenius low, rev;
  std::vector<Number> troe, sri;  // fall-off broadening parameters as given
  std::vector<std::pair<std::string, Number>> efficiencies;
  bool duplicate = false;
  // PLOG: rows of pressure (atm), A, temperature exponent and activation
  // energy, in the order written; rows at one pressure are summed. The
  // Arrhenius parameters of the reaction line are then not used.
  std::vector<std::array<Number, 4>> plog;
  // Chebyshev fit of log10 k over reduced temperature and pressure (CHEB,
  // TCHEB, PCHEB): cheb_t temperature orders times cheb_p pressure orders,
  // coefficients temperature-major; the ranges default as in CHEMKIN.
  bool chebyshev = false;
  bool has_tcheb = false, has_pcheb = false;
  Number tmin{300.0, "300"}, tmax{2500.0, "2500"};  // K
  Number pmin{0.001, "0.001"}, pmax{100.0, "100"};  // atm
  int cheb_t = 0, cheb_p = 0;
  std::vector<Number> cheb;
  // UNITS of this reaction alone: the energy unit (empty: the REACTIONS
  // line's) and whether A is per molecule (unset: the REACTIONS line's).
  std::string energy_units;
  std::optional<bool> molecules;
};

struct Mechanism {
  std::vector<std::string> elements;
  std::vector<std::string> species;
  std::vector<ThermoRecord> thermo;  // in the order read; the first record of a name counts
  // Units of the REACTIONS line.
  std::string energy_units = "CAL/MOLE";  // CAL/MOLE, KCAL/MOLE, JOULES/MOLE, KJOULES/MOLE, KELVINS, EVOLTS
  bool molecules = false;                 // A in molecules rather than moles
  std::vector<Reaction> reactions;
  std::string file;
  std::vector<ImportWarning> warnings;  // in the order found
};

// The energy unit of a reaction and whether its A is per molecule: its own
// UNITS where given, else the REACTIONS line's.
const std::string& EnergyUnitOf(const Mechanism& mech, const Reaction& r);
bool InMolecules(const Mechanism& mech, const Reaction& r);

// Reads a CHEMKIN-II mechanism; `file` names it in messages.
Mechanism ReadMechanism(const std::string& text, const std::string& file);

}  // namespace tarnavel::import
