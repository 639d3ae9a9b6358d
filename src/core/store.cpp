#include "core/store.hpp"

#include <string>

namespace tarnavel {

// The capacity is taken by value: callers may pass the store's own field.
void ResetStore(ModelStore& store, Capacity cap) {
  // The capacity-sized tables keep their memory from one reset to the next:
  // a run resets the store its program started with, and memory already
  // touched costs nothing to fill again.
  auto species = std::move(store.species);
  auto conc = std::move(store.conc);
  auto rate = std::move(store.rate);
  auto thermo_species = std::move(store.thermo.species);
  store = ModelStore{};
  store.species = std::move(species);
  store.conc = std::move(conc);
  store.rate = std::move(rate);
  store.thermo.species = std::move(thermo_species);
  store.cap = cap;
  store.species.assign(cap.max_species + 1, SpeciesEntry{});
  store.reaction.assign(1, ReactionRecord{});
  store.special.assign(1, SpecialEntry{});
  store.pressure_table.assign(1, PressureTable{});
  store.conc.assign(cap.max_species + 1, 0.0);
  store.rate.assign(cap.max_reactions + 1, 0.0);
  store.thermo.db.assign(1, ThermoDatabaseSpec{});
  store.thermo.species.assign(cap.max_species + 1, ThermoSpeciesData{});
  store.thermo.reserved.assign(cap.max_species + 1, 0);
  store.species[1].name = std::string("hv");
  store.species[2].name = std::string("M");
}

}  // namespace tarnavel
