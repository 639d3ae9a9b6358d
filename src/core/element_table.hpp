#pragma once
// A periodic table as data: element symbols (two characters, a one-letter
// symbol padded with a blank) and atomic masses, in table order.

#include <array>
#include <string>

namespace tarnavel {

inline constexpr int kMaxElements = 106;

struct Element {
  std::string symbol;  // two characters: "H ", "He"
  double mass = 0.0;   // atomic mass (g/mol)
};

struct PeriodicTable {
  std::array<Element, kMaxElements + 1> element{};  // 1..count, in table order
  int count = 0;
};

}  // namespace tarnavel
