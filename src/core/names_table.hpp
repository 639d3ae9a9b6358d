#pragma once
// The names table: common names of species with the chemical formulas they
// stand for, and each formula's molecular weight, as the names file fills it.

#include <string>
#include <vector>

namespace tarnavel {

// Names the table holds; common to both builds, since a names file is a
// library of names shared by many models.
inline constexpr int kMaxNames = 2000;

struct NameEntry {
  std::string name;         // common name, blanks removed
  std::string key;          // the name less any {...} tag: what species names are compared with
  std::string formula;      // blanks removed, {...} tag cut off, charge signs kept
  bool has_tag = false;
  std::string tag;          // first 11 characters inside the formula's braces
  int charge = 0;           // net charge from the trailing signs of the formula
  double mass = 0.0;        // molecular weight of the formula
  bool mass_known = false;  // the formula could be weighed
};

struct NamesTable {
  std::vector<NameEntry> entry;  // 1..count, in file order; sized once
  int count = 0;
};

}  // namespace tarnavel
