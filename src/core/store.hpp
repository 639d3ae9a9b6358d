#pragma once
// The model store: fixed-capacity tables sized once at start-up from the
// build's capacity constants, and the species index space.
//   1 = hv, 2 = M, 3..SPEC integrated, SPEC+1..SSPEC steady state,
//   SSPEC+1..RSPEC retained but not integrated.
// The integrator vector y holds species s at position s-2.

#include <vector>

#include "core/capacity.hpp"
#include "core/network.hpp"
#include "core/rate_expressions.hpp"
#include "core/profile_store.hpp"
#include "core/tables.hpp"
#include "core/thermo_data.hpp"

namespace tarnavel {

struct ModelStore {
  Capacity cap{};
  int nspec = 2;        // NSPEC: species table entries, hv and M included
  int nreact = 0;       // NREACT
  int cursk = 0;        // CURSK: special-reaction entries in use
  int spec = 2;         // SPEC
  int sspec = 2;        // SSPEC
  int rspec = 2;        // RSPEC
  std::vector<SpeciesEntry> species;    // 1..cap.max_species
  std::vector<ReactionRecord> reaction; // 1..NREACT, grown as the model file is read
  std::vector<SpecialEntry> special;    // 1..CURSK (KPARR), grown as the model file is read
  std::vector<PressureTable> pressure_table;  // 1.., PLOG and Chebyshev tables of the model file
  std::vector<double> conc;             // concentration vector, 1..cap.max_species
  std::vector<double> rate;             // current rate of each reaction, 1..cap.max_reactions

  RateDefinitions rate_definitions;     // the rate definitions file as read
  Network net;                          // the compiled network
  ProfileStore profiles;                // profile and radiation tables
  ThermoStore thermo;                   // thermodynamic data (thermodynamic mode)

  // Global flags of the species table.
  int displayed = 0;                    // number of displayed species
  bool profile_in_use = false;          // some species is held by a profile
  bool additive_in_use = false;         // some species has an additive profile
  bool cstr = false;                    // CSTR terms present

  int Equations() const { return spec - 2; }
};

// Sets the capacity limits and clears every table: per-reaction parameters
// start as not given, profile periods at -1.0 (no profile), scales at 1.0.
void ResetStore(ModelStore& store, Capacity cap);

}  // namespace tarnavel
