#pragma once
// Records of the species table, the reaction table and the special rate-law
// table, as the description-file readers fill them.

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/capacity.hpp"

namespace tarnavel {

inline constexpr double kNotGiven = -999999999.0;  // a per-reaction parameter not given

struct SpeciesEntry {
  std::string name;                // blanks removed, {...} tag cut off
  double initial = 0.0;            // initial concentration; -1.0 when held
  double flow_rate = 0.0;          // 1 / CSTR residence time
  double external = 0.0;           // CSTR feed concentration
  bool display = false;
  bool steady_state = false;
  bool held = false;
  bool held_by_number = false;
  bool additive_profile = false;
  std::string profile_name;
  int charge = 0;
  bool has_tag = false;
  std::string tag;
  double profile_period = -1.0;    // -1.0: no profile
  double profile_interval = 0.0;   // time between profile values (s); period = values x interval
  bool profile_single_pass = false;  // the interval was written negative
  bool profile_large = false;      // the values are in the large store
  int profile_slot = 0;            // slot within its store
  int profile_count = 0;           // number of profile values
  int profile_applied = 0;         // additive: entry added last, 0 before the first
  double scale = 1.0;              // integration scale
  double mw = 0.0;                 // molecular weight (g/mol)
  bool mass_known = false;         // mw could be determined from a formula
  bool weighed = false;            // mw and mass_known have been set for this entry
  std::string phase;               // phase from the names file; empty or "g" is gas
  bool phase_given = false;
  bool used = false;               // takes part in some reaction
};

struct ReactionItem {
  std::string name = "*";          // "*" marks an unused entry
  double coeff = 0.0;
};

struct ReactionRecord {
  double rate = 0.0;               // k, or A with Arrhenius parameters
  bool arrhenius = false;
  double m = kNotGiven;            // temperature exponent
  double ea = kNotGiven;           // activation energy in EUNITS
  double extra = kNotGiven;        // third per-reaction parameter
  bool reverse = false;            // generated reverse of a reversible reaction
  bool reversible = false;         // written with '=': the next record is its generated reverse
  std::array<ReactionItem, kMaxReactants + 1> reactant{};  // 1..kMaxReactants
  std::array<ReactionItem, kMaxProducts + 1> product{};    // 1..kMaxProducts
  int special = 0;                 // KPARR entry, 0 when none
  int srcline = 0;
  std::string expression;          // a rate constant written as an expression (rate then 1)
};

inline constexpr int kMaxColliders = 20;       // named third bodies of one bracket group
inline constexpr int kColliderCountSlot = 35;  // slot holding the number of named third bodies

// Special rate-law types. A pressure table (PLOG or Chebyshev) gives the
// whole rate constant of its reaction as a function of T and P; its entry's
// slot 1 holds the table's number in the store's pressure-table list.
enum SpecialType {
  kThirdBody = 1, kLindemann = 2, kTroe = 3, kSri = 4, kLandauTeller = 30, kPlog = 40, kChebyshev = 41
};
inline constexpr int kTableSlot = 1;
constexpr bool IsPressureTable(int type) { return type == kPlog || type == kChebyshev; }

// Parameter slots of the k-th named third body (k = 1..20): its species
// position (set when the names are resolved) and its efficiency. The first
// twelve fill slots 11..34 in pairs; the others follow the count slot.
constexpr int ColliderSpeciesSlot(int k) { return k <= 12 ? 11 + 2 * (k - 1) : 36 + 2 * (k - 13); }
constexpr int ColliderEfficiencySlot(int k) { return ColliderSpeciesSlot(k) + 1; }
// True for a slot that holds a named third body's efficiency.
constexpr bool IsColliderEfficiencySlot(int slot) {
  return (slot >= 12 && slot <= 34 && slot % 2 == 0) || (slot >= 37 && slot % 2 == 1);
}

inline constexpr int kSpecialSlots = ColliderEfficiencySlot(kMaxColliders);

struct SpecialEntry {              // one KPARR entry
  int type = 0;                    // 1 enhanced third body, 2 LIN, 3 TROE, 4 SRI, 30 LT
  bool absolute = false;           // only the listed colliders count, with absolute weights
  std::array<double, kSpecialSlots + 1> param{};  // slots 1..kSpecialSlots
  // The named third bodies as written, 1..param[35]; resolved to species
  // positions during network compilation, which quotes `line` and `srcline`
  // when a name is no species.
  std::array<std::string, kMaxColliders + 1> collider{};
  int srcline = 0;                 // source line of the reaction line
  std::string line;                // the whole reaction line as read
};

// One rate expression of a PLOG table, k = A T^m exp(-Ea/RT), kept as
// ln|A| and the sign of A so that it costs one exponential.
struct PlogRow {
  double ln_a = 0.0;   // ln |A|
  double sign = 1.0;   // -1 for a negative A
  double m = 0.0;
  double ea = 0.0;     // in the parameter file's energy units
};

// The pressure table of a reaction, with pressures in atm. PLOG: ln k is
// linear in ln P between tabulated pressures, the nearest end's value is
// used outside them, and the rows at one pressure are summed. Chebyshev:
// log10 k = sum a(i,j) T_i-1(T~) T_j-1(P~) over the table's T and P ranges,
// with T and P clipped to them.
struct PressureTable {
  int type = kPlog;
  int srcline = 0;                  // source line of the table's reaction
  // PLOG: the distinct pressures, increasing, and their rows
  // row[first[i] .. first[i+1]).
  std::vector<double> pressure;
  std::vector<double> ln_pressure;
  std::vector<int> first;
  std::vector<PlogRow> row;
  mutable int last = 0;             // interval found by the last evaluation
  // Chebyshev: orders_t rows of orders_p coefficients, a(i,j) at
  // (i-1) orders_p + (j-1).
  double tmin = 300.0, tmax = 2500.0;
  double pmin = 0.001, pmax = 100.0;
  bool t_range_given = false, p_range_given = false;
  int orders_t = 0, orders_p = 0;
  std::vector<double> coeff;
};

// The summed rate constant of the PLOG rows at the i-th tabulated pressure
// (0-based), given ln T and 1/(R T).
inline double PlogLevel(const PressureTable& tb, int i, double ln_t, double inv_rt) {
  double k = 0.0;
  const PlogRow* row = tb.row.data();
  for (int q = tb.first[i]; q < tb.first[i + 1]; ++q)
    k += row[q].sign * std::exp(row[q].ln_a + row[q].m * ln_t - row[q].ea * inv_rt);
  return k;
}

}  // namespace tarnavel
