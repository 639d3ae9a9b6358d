#include "support/model_builder.hpp"

namespace tarnavel::testing {

int AddSpecies(Run& run, const std::string& name, double initial) {
  ModelStore& st = run.store;
  const int s = ++st.nspec;
  st.species[s] = SpeciesEntry{};
  st.species[s].name = name;
  st.species[s].initial = initial;
  st.conc[s] = initial;
  return s;
}

int AddReaction(Run& run, double k, const Items& reactants, const Items& products) {
  ModelStore& st = run.store;
  const int r = ++st.nreact;
  ReactionRecord rec;
  rec.rate = k;
  rec.srcline = r + 1;
  for (size_t j = 0; j < reactants.size(); ++j) rec.reactant[j + 1] = {reactants[j].second, reactants[j].first};
  for (size_t j = 0; j < products.size(); ++j) rec.product[j + 1] = {products[j].second, products[j].first};
  if (static_cast<int>(st.reaction.size()) <= r) st.reaction.resize(r + 1);
  st.reaction[r] = rec;
  return r;
}

int AddArrhenius(Run& run, double a, double m, double ea, const Items& reactants, const Items& products) {
  const int r = AddReaction(run, a, reactants, products);
  ReactionRecord& rec = run.store.reaction[r];
  rec.arrhenius = true;
  rec.m = m;
  rec.ea = ea;
  return r;
}

int AddSpecial(Run& run, int r, int type, const std::vector<double>& params) {
  ModelStore& st = run.store;
  const int e = ++st.cursk;
  if (static_cast<int>(st.special.size()) <= e) st.special.resize(e + 1);
  st.special[e] = SpecialEntry{};
  st.special[e].type = type;
  for (size_t i = 0; i < params.size(); ++i) st.special[e].param[i + 1] = params[i];
  st.reaction[r].special = e;
  return e;
}

}  // namespace tarnavel::testing
