#pragma once
// Capacity limits of the model store. The three programs are built from the
// same sources and differ only in which of these sets main() hands to the
// driver.

namespace tarnavel {

struct Capacity {
  int max_species;        // species table entries, hv and M included
  int max_reactions;      // reaction records
  int max_terms;          // reaction terms in which one species may take part
  int max_special;        // special-reaction (bracket group) entries
};

// In the large build a species may take part in every reaction, as reactant and
// as product: the reactions of published combustion mechanisms gather on a
// few radicals (OH takes part in over a thousand of LLNL n-heptane's), and
// their third-body and fall-off reactions, written with their reverses, need
// several hundred bracket groups (JetSurF 2.0 about 800).
inline constexpr Capacity kLargeCapacity{950, 8900, 2 * 8900, 2000};
inline constexpr Capacity kStandardCapacity{90, 856, 300, 70};
// The extra-large build holds the whole Master Chemical Mechanism (5,833
// species, 17,590 reactions once those with four products are split, OH in
// 6,718 terms) with room to spare; every index stays within a 16-bit signed
// integer, and it holds every model the large build holds.
inline constexpr Capacity kXlCapacity{8000, 32000, 32000, 4000};

// Limits common to both builds.
// Species slots of one side of a reaction. Both sides hold the same number, so
// that the reverse of a reversible reaction swaps them.
inline constexpr int kMaxReactants = 4;
inline constexpr int kMaxProducts = 4;
static_assert(kMaxReactants == kMaxProducts, "a reversible reaction's reverse swaps its sides");
inline constexpr int kMaxFields = 40;
inline constexpr int kLineLength = 350;

}  // namespace tarnavel
