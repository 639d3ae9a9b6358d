#pragma once
// The compiled reaction network: normalised reactions with species indices,
// the rate-of-change term lists of every integrated and steady-state species
// (TERMS), and the working arrays the derivative function uses.

#include <array>
#include <vector>

#include "core/capacity.hpp"
#include "core/rate_expressions.hpp"

namespace tarnavel {

// Slot layout of a compiled reaction. RSP and PSP hold reactant and product
// slots 1..4. STOICH holds the reactant slots at 1..4 and the product slots at
// 5..8. A term's position code is 2..5 for reactant slots 1..4 and 6..9 for
// product slots 1..4, so STOICH(code - 1) is always the coefficient of the
// term's slot, and the codes of the first three slots of each side are those
// of the three-slot layout (2..4 and 6..8).
inline constexpr int kProductStoich = kMaxReactants;  // STOICH index of product slot j: kProductStoich + j
constexpr int ReactantPos(int j) { return j + 1; }
constexpr int ProductPos(int j) { return kProductStoich + j + 1; }
inline constexpr int kFirstProductPos = ProductPos(1);
constexpr bool IsProductPos(int pos) { return pos >= kFirstProductPos; }
constexpr int StoichOfPos(int pos) { return pos - 1; }
static_assert(ReactantPos(kMaxReactants) < kFirstProductPos && kFirstProductPos == 6);

struct Term {
  int reaction;  // TRX
  int pos;       // TPOS
  double coeff;  // signed coefficient: -STOICH of a reactant slot (-1 with UNITR),
                 // +STOICH of a product slot (+1 with UNITP)
};

// Placeholder indices of empty product slots after normalisation.
inline constexpr int kEmptyProduct[kMaxProducts + 1] = {0, -6, -7, -8, -9};
inline constexpr int kEmptyReactant = -5;

inline constexpr int kHv = 1;  // species index of the photon pseudo-species
inline constexpr int kM = 2;   // species index of the third-body pseudo-species

struct CompiledReaction {
  int nrct = 0;                       // NRCT: reactant slots used
  int nprd = 0;                       // NPRD: product slots used
  std::array<int, kMaxReactants + 1> rsp{};  // RSP(1..4)
  std::array<int, kMaxProducts + 1> psp{};   // PSP(1..4)
  std::array<double, kMaxReactants + kMaxProducts + 1> stoich{};  // STOICH(1..8): reactant slots 1..4, product slots 5..8
  double a = 0.0;                     // pre-exponential factor, the rate constant as read
  double mt = 0.0;                    // temperature exponent
  double ea = 0.0;                    // activation energy
  bool tdep = false;                  // rate constant depends on temperature
  bool mtzero = false;
  bool eazero = false;
  bool unitr = false;                 // every reactant coefficient is 1
  bool unitp = false;                 // every product coefficient is 1
  bool revtherm = false;              // the next reaction is this one's thermodynamic reverse
  int kptr = 0;                       // KPARR entry, 0 when none
  int srcline = 0;
  bool expression = false;            // the rate constant is a times an expression
};

// The reactions grouped by the form of their rate law, so that DERIVS runs
// one tight loop per form over small records: first, second and third order
// with unit coefficients (rate = k x2 x1, k x2 x3 x1, the product order of
// the general law), and every other law (four reactants among them); apart
// from these, the reactions whose constant a special rate law sets.
struct RateForms {
  struct First { int r, s1; };
  struct Second { int r, s1, s2; };
  struct Third { int r, s1, s2, s3; };
  int reactions = -1;  // NREACT the forms were built for; -1: not built
  std::vector<First> first;
  std::vector<Second> second;
  std::vector<Third> third;
  std::vector<int> other;
  std::vector<int> special;  // reactions with a special rate law (KPARR entry)
};

struct Network {
  std::vector<CompiledReaction> rx;   // 1..NREACT
  std::vector<double> rk;             // RK: working rate constants, 1..NREACT
  std::vector<double> rk_arrhenius;   // Arrhenius values at `arrhenius_temp`
  double arrhenius_temp = -1.0;       // temperature of rk_arrhenius; negative: not yet evaluated
  // Per reaction with a fall-off or exponential special rate law, its
  // temperature-only factors at `arrhenius_temp` (k0 and the broadening's
  // temperature terms), so that a change of composition costs no power or
  // exponential of the temperature.
  std::vector<std::array<double, 3>> special_temp_terms;
  // With the temperature integrated, reactions that share their m and Ea
  // share the factor exp(m ln T - Ea/RT), evaluated once per distinct pair
  // at every temperature of an ignition: arrhenius_group[r] is the pair of
  // reaction r (-1 when it has none), arrhenius_factor its factor at
  // `arrhenius_temp`.
  std::vector<int> arrhenius_group;
  std::vector<double> group_mt, group_ea, arrhenius_factor;
  // TERMS as one flat list: the terms of list l (species l+2) are
  // term[term_start[l] .. term_start[l+1]).
  std::vector<int> term_start;
  std::vector<Term> term;
  bool m_used = false;                // some reaction has M as a reactant
  double mconc = 0.0;                 // MCONC: total concentration [M]
  float hvflux = 1.0f;                // HVFLUX: current photon flux
  double temperature = 298.15;        // current temperature
  double rgas = 8.31451;              // gas constant in the activation-energy units
  std::vector<char> gas;              // per species: counts in gas-phase sums
  std::vector<int> cstr_species;      // integrated species with a CSTR flow
  std::vector<double> state;          // work: full state, species s at s-3
  RateForms forms;                    // reactions by rate-law form, for DERIVS

  // Thermodynamic mode.
  int temperature_index = 0;          // species index of Temperature(K) when temperature is integrated
  std::vector<int> reversed;          // forward reactions j whose reverse j+1 takes kf/Kc
  std::vector<char> has_properties;   // per species: has thermodynamic data (pseudo-species do not)
  std::vector<double> h_rt, s_r, cp_r;  // per species: H/RT, S/R, Cp/R at `property_temp`
  double property_temp = -1.0;        // negative: not yet evaluated
  std::vector<double> kc;             // per forward reaction: Kc at `kc_temp`
  double kc_temp = -1.0;
  // ln Kc of the i-th reversed reaction is sum of nu (S/R - H/RT) over
  // kc_term[kc_start[i] .. kc_start[i+1]) minus kc_moles[i] ln(c R T): each
  // species once with its net coefficient. Planned when `reversed` is set.
  struct KcTerm {
    int species;
    double nu;
  };
  std::vector<int> kc_start;
  std::vector<KcTerm> kc_term;
  std::vector<double> kc_moles;
  // Kc is also the product of exp(S/R - H/RT) of each species to the power
  // of its coefficient and (c R T)^-dn: one exponential per species instead
  // of one per reaction. The i-th reversed reaction multiplies the factors
  // kc_factor[kc_factor_start[i] .. kc_factor_start[i+1]) of kc_factor_value
  // (2s: exp(g) of species s, 2s+1: its inverse; a coefficient of 2 lists
  // its factor twice) and (c R T)^kc_crt_power[i]. kc_weight[i] is the sum of
  // |nu| and |dn|, or 0 when a coefficient is not a small integer and the
  // reaction takes the exponential of its sum.
  std::vector<int> kc_factor_start;
  std::vector<int> kc_factor;
  std::vector<int> kc_crt_power;
  std::vector<double> kc_weight;
  std::vector<int> kc_species;        // every species of a kc_term, once
  std::vector<double> kc_factor_value;
  std::vector<double> g_r;            // per species: S/R - H/RT at `kc_temp`
  // The sums of the temperature equation at the last evaluation, in the form
  // the property report shows them (zero while temperature is not integrated).
  double enthalpy_rate_sum = 0.0;     // sum of dy/dt H/R over the integrated species
  double heat_capacity_sum = 0.0;     // sum of y Cp/R (divided by V at constant pressure)

  // Constant pressure and volume profiles. With the volume integrated, y
  // holds amounts per unit initial volume and every rate law sees n/V.
  int volume_index = 0;               // species index of Volume when the volume is integrated
  double volume = 1.0;                // current volume V (1 unless integrated or profiled)
  double pressure = 101.0;            // the constant pressure P (kPa), computed in a constant-pressure run
  double rv = 8.31451;                // gas constant of P = [M] R T (kPa), by concentration unit
  std::vector<char> per_volume;       // per species: held as an amount when the volume is integrated

  // Rate constants written as expressions, and the time the photolysis under
  // the sun is evaluated at (s from the start of the run).
  CompiledExpressions expressions;
  double time = 0.0;
  bool compiled = false;
};

}  // namespace tarnavel
