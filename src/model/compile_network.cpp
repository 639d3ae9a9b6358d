#include "model/compile_network.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/species_file.hpp"
#include "model/derivs.hpp"
#include "model/state_variables.hpp"

namespace tarnavel {

namespace {

bool Pseudo(int s) { return s == kHv || s == kM; }

bool UnitCoefficient(double c) { return c - 1.0 >= 0.0 && c - 1.0 < 1.0e-9; }

[[noreturn]] void SoftwareError(Run& run, const std::string& text) {
  run.console.Line(text);
  StopProgram(kExitStopped);
}

// Reaction records name their species; the compiled reactions hold species
// indices. Used entries are packed to the front of each side.
void ResolveReactions(Run& run) {
  ModelStore& st = run.store;
  Network& net = st.net;
  std::unordered_map<std::string, int> index;
  index.reserve(static_cast<size_t>(st.nspec) * 2);
  for (int s = st.nspec; s >= 1; --s) index[st.species[s].name] = s;  // the first entry wins
  auto lookup = [&](const std::string& name) {
    auto it = index.find(name);
    if (it == index.end()) SoftwareError(run, "==== SOFTWARE ERROR: species '" + name + "' has no entry");
    return it->second;
  };
  net.rx.assign(st.nreact + 1, CompiledReaction{});
  net.rk.assign(st.nreact + 1, 0.0);
  net.rk_arrhenius.assign(st.nreact + 1, 0.0);
  for (int r = 1; r <= st.nreact; ++r) {
    const ReactionRecord& rec = st.reaction[r];
    CompiledReaction& cr = net.rx[r];
    cr.nrct = cr.nprd = 0;
    for (int j = 1; j <= kMaxReactants; ++j) {
      if (rec.reactant[j].name == "*" || rec.reactant[j].name.empty()) continue;
      ++cr.nrct;
      cr.rsp[cr.nrct] = lookup(rec.reactant[j].name);
      cr.stoich[cr.nrct] = rec.reactant[j].coeff;
    }
    for (int j = 1; j <= kMaxProducts; ++j) {
      if (rec.product[j].name == "*" || rec.product[j].name.empty()) continue;
      ++cr.nprd;
      cr.psp[cr.nprd] = lookup(rec.product[j].name);
      cr.stoich[kProductStoich + cr.nprd] = rec.product[j].coeff;
    }
    for (int j = cr.nrct + 1; j <= kMaxReactants; ++j) cr.rsp[j] = kEmptyReactant;
    for (int j = cr.nprd + 1; j <= kMaxProducts; ++j) cr.psp[j] = kEmptyProduct[j];
    cr.tdep = rec.arrhenius;
    cr.mt = rec.arrhenius ? rec.m : 0.0;
    cr.ea = rec.arrhenius ? rec.ea : 0.0;
    cr.kptr = rec.special;
    cr.srcline = rec.srcline;
    cr.revtherm = r < st.nreact && st.reaction[r + 1].reverse;
    net.rk[r] = rec.rate;
  }
}

// Moves hv or M to reactant slot 1 and removes one of them from the products.
// The first pseudo-species of reactant slots 2..4 takes slot 1; on the product
// side slots 2..4 are looked at before slot 1, and the later slots close up.
void NormalisePseudoSpecies(Network& net, CompiledReaction& cr) {
  for (int j = 1; j <= cr.nrct; ++j)
    if (cr.rsp[j] == kM) net.m_used = true;
  for (int j = 2; j <= cr.nrct; ++j) {
    if (!Pseudo(cr.rsp[j])) continue;
    std::swap(cr.rsp[1], cr.rsp[j]);
    std::swap(cr.stoich[1], cr.stoich[j]);
    break;
  }
  int drop = 0;
  for (int j = 2; j <= cr.nprd && drop == 0; ++j)
    if (Pseudo(cr.psp[j])) drop = j;
  if (drop == 0 && cr.nprd >= 1 && Pseudo(cr.psp[1])) drop = 1;
  if (drop == 0) return;
  --cr.nprd;
  for (int j = drop; j < kMaxProducts; ++j) {
    cr.psp[j] = cr.psp[j + 1] < 0 ? kEmptyProduct[j] : cr.psp[j + 1];
    cr.stoich[kProductStoich + j] = cr.stoich[kProductStoich + j + 1];
  }
  cr.psp[kMaxProducts] = kEmptyProduct[kMaxProducts];
  cr.stoich[kProductStoich + kMaxProducts] = 1.0;
}

void CheckRepeatedSpecies(Run& run, int r) {
  const CompiledReaction& cr = run.store.net.rx[r];
  auto repeated = [](const auto& slot, int n) {
    for (int i = 1; i <= n; ++i)
      for (int k = i + 1; k <= n; ++k)
        if (slot[i] == slot[k]) return true;
    return false;
  };
  const bool in_reactants = repeated(cr.rsp, cr.nrct);
  const bool in_products = !in_reactants && repeated(cr.psp, cr.nprd);
  if (!in_reactants && !in_products) return;
  if (in_products) run.console.Line("??? In products..");
  run.msg.n1 = r;
  run.msg.n2 = cr.srcline;
  FatalError(run, 36);
}

// Slots of one side sorted by species index, coefficients travelling along.
struct SortedSide {
  std::array<std::pair<int, double>, kMaxReactants> slot{};
  int n = 0;
};

template <typename Slots>
SortedSide Sorted(const Slots& sp, const decltype(CompiledReaction::stoich)& stoich, int offset, int n) {
  SortedSide side;
  side.n = n;
  for (int j = 1; j <= n; ++j) side.slot[j - 1] = {sp[j], stoich[offset + j]};
  for (int i = 1; i < n; ++i)  // four slots at most: insertion sort
    for (int k = i; k > 0 && side.slot[k] < side.slot[k - 1]; --k) std::swap(side.slot[k], side.slot[k - 1]);
  return side;
}

bool SameSide(const SortedSide& a, const SortedSide& b) {
  if (a.n != b.n) return false;
  for (int j = 0; j < a.n; ++j)
    if (a.slot[j] != b.slot[j]) return false;
  return true;
}

// Two reactions with special rate laws are duplicates when everything that
// sets their rate agrees. Plain reactions are never reported.
void CheckDuplicates(Run& run) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  std::vector<int> special;
  for (int r = 1; r <= st.nreact; ++r)
    if (net.rx[r].kptr > 0) special.push_back(r);
  std::vector<std::pair<SortedSide, SortedSide>> sides(special.size());
  for (size_t i = 0; i < special.size(); ++i) {
    const CompiledReaction& c = net.rx[special[i]];
    sides[i] = {Sorted(c.rsp, c.stoich, 0, c.nrct), Sorted(c.psp, c.stoich, kProductStoich, c.nprd)};
  }
  auto close = [](double x, double y) { return std::fabs(x - y) < 1.0e-80; };
  for (size_t i = 0; i < special.size(); ++i) {
    for (size_t k = i + 1; k < special.size(); ++k) {
      const int a = special[i], b = special[k];
      const CompiledReaction& ca = net.rx[a];
      const CompiledReaction& cb = net.rx[b];
      if (net.rk[a] != net.rk[b]) continue;
      if (!SameSide(sides[i].first, sides[k].first) || !SameSide(sides[i].second, sides[k].second)) continue;
      if (ca.tdep && cb.tdep && !(close(ca.a, cb.a) && close(ca.mt, cb.mt) && close(ca.ea, cb.ea))) continue;
      const SpecialEntry& ea = st.special[ca.kptr];
      const SpecialEntry& eb = st.special[cb.kptr];
      if (ea.type != eb.type || ea.absolute != eb.absolute) continue;
      bool same = true;
      for (int p = 1; p <= kSpecialSlots && same; ++p) same = close(ea.param[p], eb.param[p]);
      if (!same) continue;
      run.msg.n1 = a;
      run.msg.n2 = b;
      run.msg.n3 = ca.srcline;
      run.msg.n4 = cb.srcline;
      FatalError(run, 35);
    }
  }
}

// Calls visit(species, term) for every term of reaction r: the first
// reactant slot holding a species gives a reactant term, the first product
// slot holding it a product term.
template <typename Visit>
void ForEachTerm(const CompiledReaction& cr, int r, Visit visit) {
  for (int j = 1; j <= cr.nrct; ++j) {
    bool first = true;
    for (int i = 1; i < j; ++i) first = first && cr.rsp[i] != cr.rsp[j];
    if (first) visit(cr.rsp[j], Term{r, ReactantPos(j), cr.unitr ? -1.0 : -cr.stoich[j]});
  }
  for (int j = 1; j <= cr.nprd; ++j) {
    bool first = true;
    for (int i = 1; i < j; ++i) first = first && cr.psp[i] != cr.psp[j];
    if (first) visit(cr.psp[j], Term{r, ProductPos(j), cr.unitp ? 1.0 : cr.stoich[kProductStoich + j]});
  }
}

// The term lists of species 3..last, in reaction order.
void BuildTerms(ModelStore& st, int last) {
  Network& net = st.net;
  const int lists = last - 2;
  std::vector<int> count(lists + 2, 0);
  for (int r = 1; r <= st.nreact; ++r)
    ForEachTerm(net.rx[r], r, [&](int s, const Term&) {
      if (s >= 3 && s <= last) ++count[s - 2];
    });
  net.term_start.assign(lists + 2, 0);
  for (int l = 1; l <= lists; ++l) net.term_start[l + 1] = net.term_start[l] + count[l];
  net.term.assign(net.term_start[lists + 1], Term{0, 0, 0.0});
  std::vector<int> fill(net.term_start.begin(), net.term_start.end());
  for (int r = 1; r <= st.nreact; ++r)
    ForEachTerm(net.rx[r], r, [&](int s, const Term& t) {
      if (s >= 3 && s <= last) net.term[fill[s - 2]++] = t;
    });
}

int TermCount(const Network& net, int l) { return net.term_start[l + 1] - net.term_start[l]; }

bool HasReactantTerm(const Network& net, int l) {
  for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k)
    if (!IsProductPos(net.term[k].pos)) return true;
  return false;
}

bool HasProductTerm(const Network& net, int l) {
  for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k)
    if (IsProductPos(net.term[k].pos)) return true;
  return false;
}

// Moves species `from` to index `to` (from < to): species from+1..to shift
// down by one, and every species index of the reaction table follows.
void MoveSpeciesUp(ModelStore& st, std::vector<char>& flags, int from, int to) {
  std::rotate(st.species.begin() + from, st.species.begin() + from + 1, st.species.begin() + to + 1);
  std::rotate(st.conc.begin() + from, st.conc.begin() + from + 1, st.conc.begin() + to + 1);
  std::rotate(flags.begin() + from, flags.begin() + from + 1, flags.begin() + to + 1);
  auto renumber = [&](int& s) {
    if (s == from) {
      s = to;
    } else if (s > from && s <= to) {
      --s;
    }
  };
  for (int r = 1; r <= st.nreact; ++r) {
    CompiledReaction& cr = st.net.rx[r];
    for (int j = 1; j <= kMaxReactants; ++j) renumber(cr.rsp[j]);
    for (int j = 1; j <= kMaxProducts; ++j) renumber(cr.psp[j]);
  }
}

std::string Trimmed(const std::string& s) {
  const auto end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

void ShowReactionArray(Run& run) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  Console& con = run.console;
  con.Line("1%%%% Show Reaction Array:");
  con.Line("Number of reactions (NREACT): " + std::to_string(st.nreact));
  for (int r = 1; r <= st.nreact; ++r) {
    const CompiledReaction& cr = net.rx[r];
    // A reaction of up to three species a side shows three slots a side; one
    // with a fourth species on either side shows four.
    const int slots = std::max(cr.nrct, cr.nprd) > 3 ? 4 : 3;
    std::string line = "Reaction # " + std::to_string(r) + " " + fmt::E(net.rk[r], 14, 6);
    line += " " + std::to_string(cr.nrct);
    for (int j = 1; j <= slots; ++j) line += " " + std::to_string(cr.rsp[j]);
    line += " " + std::to_string(cr.nprd);
    for (int j = 1; j <= slots; ++j) line += " " + std::to_string(cr.psp[j]);
    con.Line(line);
    if (cr.tdep)
      con.Line("   A ---^  MT=" + fmt::E(cr.mt, 14, 6) + " EA=" + fmt::E(cr.ea, 14, 6) + " A=" +
               fmt::E(cr.a, 14, 6));
    std::string coeffs;
    for (int j = 1; j <= slots; ++j) coeffs += fmt::F(cr.stoich[j], 11, 6);
    for (int j = 1; j <= slots; ++j) coeffs += fmt::F(cr.stoich[kProductStoich + j], 11, 6);
    con.Line(coeffs);
  }
}

void ShowTerms(Run& run, int lists) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  for (int l = 1; l <= lists; ++l) {
    std::string line = Trimmed(st.species[l + 2].name) + " TERMS(l)= " + std::to_string(TermCount(net, l));
    for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k) {
      const Term& t = net.term[k];
      const CompiledReaction& cr = net.rx[t.reaction];
      const double coeff = cr.stoich[StoichOfPos(t.pos)];
      line += " " + fmt::E((IsProductPos(t.pos) ? 1.0 : -1.0) * coeff * net.rk[t.reaction], 14, 6);
      for (int j = 1; j <= cr.nrct; ++j) line += " " + Trimmed(st.species[cr.rsp[j]].name);
    }
    run.console.Line(line);
  }
}

void CheckCharges(Run& run) {
  const ModelStore& st = run.store;
  for (int r = 1; r <= st.nreact; ++r) {
    const CompiledReaction& cr = st.net.rx[r];
    double sum = 0.0;
    for (int j = 1; j <= cr.nrct; ++j) sum += st.species[cr.rsp[j]].charge * cr.stoich[j];
    for (int j = 1; j <= cr.nprd; ++j) sum -= st.species[cr.psp[j]].charge * cr.stoich[kProductStoich + j];
    if (std::fabs(sum) > 1.0e-11) {
      run.msg.n1 = r;
      run.msg.name1 = ReactionText(run, r);
      run.msg.n2 = cr.srcline;
      Warning(run, 17);
    }
  }
}

// hv, M and the temperature and volume pseudo-species carry no mass.
bool Massless(const SpeciesEntry& e, int s) {
  return Pseudo(s) || IsStateVariableSpecies(e.name);
}

void CheckMasses(Run& run) {
  const ModelStore& st = run.store;
  for (int r = 1; r <= st.nreact; ++r) {
    const CompiledReaction& cr = st.net.rx[r];
    double sum = 0.0;
    bool known = true;
    for (int j = 1; j <= cr.nrct; ++j) {
      const SpeciesEntry& e = st.species[cr.rsp[j]];
      if (Massless(e, cr.rsp[j])) continue;
      known = known && e.mass_known;
      sum += cr.stoich[j] * e.mw;
    }
    for (int j = 1; j <= cr.nprd; ++j) {
      const SpeciesEntry& e = st.species[cr.psp[j]];
      if (Massless(e, cr.psp[j])) continue;
      known = known && e.mass_known;
      sum -= cr.stoich[kProductStoich + j] * e.mw;
    }
    run.msg.n1 = r;
    run.msg.n2 = cr.srcline;
    if (!known) {
      Warning(run, 19);
    } else if (std::fabs(sum) > 1.0e-5) {
      run.msg.name1 = ReactionText(run, r);
      Warning(run, 18);
    }
  }
}

// Resolves the named third bodies of every special entry against the real
// species (hv and M are no colliders): the species position goes into the
// collider's slot. A name that is no species stops the run, quoting the
// reaction line.
void ResolveColliders(Run& run) {
  ModelStore& st = run.store;
  std::unordered_map<std::string, int> index;
  for (int s = st.rspec; s >= 3; --s) index[st.species[s].name] = s;
  for (int m = 1; m <= st.cursk; ++m) {
    SpecialEntry& e = st.special[m];
    const int n = static_cast<int>(e.param[kColliderCountSlot]);
    for (int k = 1; k <= n; ++k) {
      auto it = index.find(e.collider[k]);
      if (it == index.end()) {
        run.reader.filecode = kModelFile;
        run.reader.line = e.line;
        run.reader.srcline = e.srcline;
        FatalError(run, 85);
      }
      e.param[ColliderSpeciesSlot(k)] = it->second - 2;
    }
  }
}

}  // namespace

std::string ReactionText(const Run& run, int r) {
  const ModelStore& st = run.store;
  const CompiledReaction& cr = st.net.rx[r];
  auto item = [&](int s, double c) {
    std::string t;
    if (!UnitCoefficient(c)) {
      std::string num = fmt::G(c, 15, 9);
      t = num.substr(num.find_first_not_of(' '));
      t = t.substr(0, t.find_last_not_of(' ') + 1);
      if (t.find('.') != std::string::npos && t.find('E') == std::string::npos) {
        while (!t.empty() && t.back() == '0') t.pop_back();
        if (!t.empty() && t.back() == '.') t.pop_back();
      }
    }
    return t + Trimmed(st.species[s].name);
  };
  std::string text;
  for (int j = 1; j <= cr.nrct; ++j) text += (j > 1 ? " + " : "") + item(cr.rsp[j], cr.stoich[j]);
  text += " ==>";
  for (int j = 1; j <= cr.nprd; ++j) text += (j > 1 ? " + " : " ") + item(cr.psp[j], cr.stoich[kProductStoich + j]);
  return text;
}

void CompileNetwork(Run& run) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const bool quiet = run.sw.quiet;

  // 1. Capacity of the reaction table.
  if (st.nreact > st.cap.max_reactions) {
    run.msg.n1 = st.cap.max_reactions;
    FatalError(run, 22);
  }
  net.m_used = false;
  ResolveReactions(run);

  for (int r = 1; r <= st.nreact; ++r) {
    CompiledReaction& cr = net.rx[r];
    // 2. Arrhenius flags: an Arrhenius line with m = 0 and Ea = 0 is a constant.
    if (cr.tdep) {
      cr.mtzero = cr.mt == 0.0;
      cr.eazero = cr.ea == 0.0;
      if (cr.mtzero && cr.eazero && cr.kptr == 0) cr.tdep = false;
    }
    // 3. The rate constant as read.
    cr.a = net.rk[r];
    if (net.rk[r] == 0.0) {
      run.reader.srcline = cr.srcline;
      run.reader.line = ReactionText(run, r);
      FatalError(run, 87);
    }
    // 4-5. hv and M.
    NormalisePseudoSpecies(net, cr);
    // 6. Unused slots count as unit coefficients.
    for (int j = cr.nrct + 1; j <= kMaxReactants; ++j) cr.stoich[j] = 1.0;
    for (int j = cr.nprd + 1; j <= kMaxProducts; ++j) cr.stoich[kProductStoich + j] = 1.0;
    // 7. Unit-stoichiometry flags.
    cr.unitr = cr.unitp = true;
    for (int j = 1; j <= kMaxReactants; ++j) cr.unitr = cr.unitr && UnitCoefficient(cr.stoich[j]);
    for (int j = 1; j <= kMaxProducts; ++j) cr.unitp = cr.unitp && UnitCoefficient(cr.stoich[kProductStoich + j]);
  }
  if ((run.sw.debug & 8) != 0) ShowReactionArray(run);
  // 8. A species repeated on one side must be written with a coefficient.
  for (int r = 1; r <= st.nreact; ++r) CheckRepeatedSpecies(run, r);
  // 9. Duplicate special reactions.
  CheckDuplicates(run);

  // 10. Term lists in file order; every species in a term is used.
  st.spec = st.nspec;
  BuildTerms(st, st.spec);
  std::vector<char> flags(st.cap.max_species + 1, 0);  // bit 1 used
  for (int l = 1; l <= st.spec - 2; ++l) {
    if (TermCount(net, l) > st.cap.max_terms) {
      run.msg.n1 = st.cap.max_terms;
      FatalError(run, 23);
    }
    if (TermCount(net, l) > 0) flags[l + 2] = 1;
  }
  // A species with a CSTR residence time is integrated even when no
  // reaction names it: it washes in and out.
  for (int s = 3; s <= st.spec; ++s)
    if (st.species[s].flow_rate != 0.0) flags[s] = 1;
  // 11. An integrated temperature or volume is a state variable of its own.
  const bool temperature = TemperatureIntegrated(run), volume = VolumeIntegrated(run);
  for (int s = 3; s <= st.spec; ++s) {
    SpeciesEntry& e = st.species[s];
    if (!(temperature && e.name == kTemperatureSpecies) && !(volume && e.name == kVolumeSpecies)) continue;
    flags[s] = 1;
    e.flow_rate = 0.0;
  }
  // 12. A steady-state species needs a source and a sink.
  for (int s = 3; s <= st.spec; ++s) {
    SpeciesEntry& e = st.species[s];
    if (e.steady_state && !(HasReactantTerm(net, s - 2) && HasProductTerm(net, s - 2))) {
      run.msg.name1 = e.name;
      Warning(run, 5);
      e.steady_state = false;
    }
  }
  if ((run.sw.debug & 512) != 0) {
    run.console.Line(" Before disposal.... ");
    run.console.Line(" Show Array:TERMS(l)=");
    ShowTerms(run, st.spec - 2);
  }

  // 13. Disposal of unused and constant-profile species.
  st.rspec = st.spec;
  for (int s = 3; s <= st.spec;) {
    const SpeciesEntry& e = st.species[s];
    if (flags[s] && !e.held) {
      ++s;
      continue;
    }
    if (!quiet) {
      if (flags[s]) {
        run.console.Line("Species: " + Trimmed(e.name));
        run.console.Line("has been loaded as a constant conc.  profile...");
      } else if (e.name != "Volume") {
        run.console.Line("Species: " + Trimmed(e.name) + " is not used in any kinetic equation,");
        run.console.Line("BUT CAN contribute to other physical");
        run.console.Line("properties such as Cp, [M] and others... ");
      }
    }
    MoveSpeciesUp(st, flags, s, st.spec);
    --st.spec;
  }
  // 14. Steady-state species move behind the integrated ones.
  st.sspec = st.spec;
  for (int s = 3; s <= st.spec;) {
    const SpeciesEntry& e = st.species[s];
    if (!e.steady_state) {
      ++s;
      continue;
    }
    if (!quiet) {
      run.console.Line("Ignoring species: " + Trimmed(e.name) + " from difference method because it is");
      run.console.Line("in a steady-state approximation. ");
    }
    MoveSpeciesUp(st, flags, s, st.spec);
    --st.spec;
  }
  BuildTerms(st, st.sspec);
  if ((run.sw.debug & 512) != 0) {
    run.console.Line("After disposal....");
    run.console.Line("SPEC= " + std::to_string(st.spec));
    run.console.Line("Show Array:");
    ShowTerms(run, st.spec - 2);
    run.console.Line("Number of Steady States: " + std::to_string(st.sspec - st.spec));
    run.console.Line("Show Array:");
    if (st.sspec == st.spec) {
      run.console.Line("None.");
    } else {
      run.console.Line("<<<<< The Steady States Approximations: >>>>>");
      for (int l = st.spec - 1; l <= st.sspec - 2; ++l) {
        run.console.Line(Trimmed(st.species[l + 2].name) + " TERMS(l)= " + std::to_string(TermCount(net, l)));
      }
    }
  }

  // 15-16. Balances.
  if (!run.sw.ignore_charge) CheckCharges(run);
  if (!run.sw.ignore_mass) CheckMasses(run);
  if (st.nreact == 0) FatalError(run, 90);
  // 17. Named third bodies.
  ResolveColliders(run);

  // Working arrays of the derivative function.
  net.gas.assign(st.cap.max_species + 1, 0);
  for (int s = 3; s <= st.rspec; ++s) {
    // The temperature and volume pseudo-species carry their own phase, which
    // keeps them out of every gas-phase sum ([M] above all).
    // Otherwise the brace tag is the phase: no tag, or one that begins with
    // g or G, is the gas phase ({aq}, {s} and the like are condensed).
    SpeciesEntry& e = st.species[s];
    const bool pseudo = IsStateVariableSpecies(e.name);
    if (e.name == kTemperatureSpecies) e.phase = "T_STORE99";
    if (e.name == kVolumeSpecies) e.phase = "V_STORE99";
    if (pseudo) e.phase_given = true;
    net.gas[s] = !pseudo && (!e.has_tag || e.tag.empty() || e.tag[0] == 'g' || e.tag[0] == 'G');
  }
  net.cstr_species.clear();
  for (int s = 3; s <= st.spec; ++s)
    if (st.species[s].flow_rate != 0.0) net.cstr_species.push_back(s);
  net.state.assign(st.cap.max_species + 1, 0.0);
  BuildRateForms(net, st.nreact);
  net.arrhenius_temp = -1.0;
  net.compiled = true;
}

}  // namespace tarnavel
