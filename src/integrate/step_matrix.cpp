#include "integrate/step_matrix.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <set>

namespace tarnavel {

// The graph is kept as one bit row per equation. Only the neighbours of the
// eliminated row are visited, found from its bits, and the candidates are
// kept ordered by (degree, row), so that each elimination costs its
// neighbours' rows rather than a pass over every equation; ties go to the
// lowest row, as a plain scan would give them.
std::vector<int> MinimumDegreeOrder(const std::vector<std::vector<int>>& columns_of_row) {
  const int n = static_cast<int>(columns_of_row.size());
  const int words = (n + 63) / 64;
  std::vector<std::uint64_t> adjacent(static_cast<size_t>(n) * words, 0);
  auto row = [&](int i) { return adjacent.data() + static_cast<size_t>(i) * words; };
  auto set = [&](int i, int j) { row(i)[j / 64] |= std::uint64_t{1} << (j % 64); };
  auto clear = [&](int i, int j) { row(i)[j / 64] &= ~(std::uint64_t{1} << (j % 64)); };
  for (int i = 0; i < n; ++i) {
    for (int j : columns_of_row[i]) {
      if (j == i || j < 0 || j >= n) continue;
      set(i, j);
      set(j, i);
    }
  }
  auto degree = [&](int i) {
    int d = 0;
    for (int w = 0; w < words; ++w) d += std::popcount(row(i)[w]);
    return d;
  };
  std::vector<int> deg(n), order, neighbours;
  std::set<std::pair<int, int>> candidates;
  for (int i = 0; i < n; ++i) {
    deg[i] = degree(i);
    candidates.emplace(deg[i], i);
  }
  order.reserve(n);
  neighbours.reserve(n);
  while (!candidates.empty()) {
    const int v = candidates.begin()->second;
    candidates.erase(candidates.begin());
    order.push_back(v);
    // The neighbours of v become one clique; v leaves the graph.
    neighbours.clear();
    const std::uint64_t* nv = row(v);
    for (int w = 0; w < words; ++w)
      for (std::uint64_t bits = nv[w]; bits != 0; bits &= bits - 1)
        neighbours.push_back(w * 64 + std::countr_zero(bits));
    for (int u : neighbours) {
      std::uint64_t* nu = row(u);
      for (int w = 0; w < words; ++w) nu[w] |= nv[w];
      clear(u, u);
      clear(u, v);
      candidates.erase({deg[u], u});
      deg[u] = degree(u);
      candidates.emplace(deg[u], u);
    }
  }
  return order;
}

void DenseStepMatrix::SetPattern(const std::vector<std::vector<int>>& columns_of_row) {
  order_ = MinimumDegreeOrder(columns_of_row);
  work_.assign(order_.size(), 0.0);
  position_.clear();
}

void DenseStepMatrix::Form(double diagonal, double s, const Matrix& dfdy, int n) {
  n_ = n;
  const bool ordered = static_cast<int>(order_.size()) == n;
  if (dfdy.Sparse()) {
    // A Jacobian stored over its pattern is spread over zeroed rows.
    if (ordered && static_cast<int>(position_.size()) != n) {
      position_.assign(n, 0);
      for (int i = 0; i < n; ++i) position_[order_[i]] = i;
    }
    const int* cols = dfdy.Columns();
    const double* values = dfdy.Values();
    for (int i = 0; i < n; ++i) {
      const int oi = ordered ? order_[i] : i;
      double* to = m_.Row(i);
      std::fill(to, to + n, 0.0);
      for (int k = dfdy.RowBegin(oi); k < dfdy.RowEnd(oi); ++k)
        if (cols[k] < n) to[ordered ? position_[cols[k]] : cols[k]] = -s * values[k];
      to[i] += diagonal;
    }
    return;
  }
  for (int i = 0; i < n; ++i) {
    const int oi = ordered ? order_[i] : i;
    const double* from = dfdy.Row(oi);
    double* to = m_.Row(i);
    if (ordered) {
      for (int j = 0; j < n; ++j) to[j] = -s * from[order_[j]];
    } else {
      for (int j = 0; j < n; ++j) to[j] = -s * from[j];
    }
    to[i] += diagonal;
  }
}

// After the factorisation the non-zero entries of L (left of the diagonal)
// and U (right of it) are listed row by row, so that the many solves of a
// step visit only them. The sums run in the same order as the full loops;
// the skipped terms are products with zero.
void DenseStepMatrix::Factor(Run& run) {
  LuDecompose(run, m_, n_, pivot_.data(), scale_.data(), columns_.data());
  lower_nz_.clear();
  upper_nz_.clear();
  lower_start_[0] = upper_start_[0] = 0;
  for (int i = 0; i < n_; ++i) {
    const double* row = m_.Row(i);
    for (int j = 0; j < i; ++j)
      if (row[j] != 0.0) lower_nz_.push_back(j);
    for (int j = i + 1; j < n_; ++j)
      if (row[j] != 0.0) upper_nz_.push_back(j);
    lower_start_[i + 1] = static_cast<int>(lower_nz_.size());
    upper_start_[i + 1] = static_cast<int>(upper_nz_.size());
  }
}

void DenseStepMatrix::Solve(double* rhs) const {
  const bool ordered = static_cast<int>(order_.size()) == n_;
  double* b = rhs;
  if (ordered) {
    b = work_.data();
    for (int i = 0; i < n_; ++i) b[i] = rhs[order_[i]];
  }
  for (int i = 0; i < n_; ++i) {
    const int ip = pivot_[i];
    double sum = b[ip];
    b[ip] = b[i];
    const double* row = m_.Row(i);
    for (int k = lower_start_[i]; k < lower_start_[i + 1]; ++k) sum -= row[lower_nz_[k]] * b[lower_nz_[k]];
    b[i] = sum;
  }
  for (int i = n_ - 1; i >= 0; --i) {
    const double* row = m_.Row(i);
    double sum = b[i];
    for (int k = upper_start_[i]; k < upper_start_[i + 1]; ++k) sum -= row[upper_nz_[k]] * b[upper_nz_[k]];
    b[i] = sum / row[i];
  }
  if (ordered)
    for (int i = 0; i < n_; ++i) rhs[order_[i]] = b[i];
}

}  // namespace tarnavel
