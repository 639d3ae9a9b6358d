#include "integrate/step_matrix.hpp"

#include <bit>
#include <cstdint>

namespace tarnavel {

std::vector<int> MinimumDegreeOrder(const std::vector<std::vector<int>>& columns_of_row) {
  const int n = static_cast<int>(columns_of_row.size());
  const int words = (n + 63) / 64;
  std::vector<std::uint64_t> adjacent(static_cast<size_t>(n) * words, 0);
  auto row = [&](int i) { return adjacent.data() + static_cast<size_t>(i) * words; };
  auto set = [&](int i, int j) { row(i)[j / 64] |= std::uint64_t{1} << (j % 64); };
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
  std::vector<int> deg(n), order;
  std::vector<char> done(n, 0);
  for (int i = 0; i < n; ++i) deg[i] = degree(i);
  order.reserve(n);
  for (int k = 0; k < n; ++k) {
    int v = -1;
    for (int i = 0; i < n; ++i)
      if (!done[i] && (v < 0 || deg[i] < deg[v])) v = i;
    done[v] = 1;
    order.push_back(v);
    // The neighbours of v become one clique; v leaves the graph.
    const std::uint64_t* nv = row(v);
    for (int u = 0; u < n; ++u) {
      if (done[u] || !((nv[u / 64] >> (u % 64)) & 1u)) continue;
      std::uint64_t* nu = row(u);
      for (int w = 0; w < words; ++w) nu[w] |= nv[w];
      nu[u / 64] &= ~(std::uint64_t{1} << (u % 64));
      nu[v / 64] &= ~(std::uint64_t{1} << (v % 64));
    }
    for (int u = 0; u < n; ++u)
      if (!done[u] && ((nv[u / 64] >> (u % 64)) & 1u)) deg[u] = degree(u);
    for (int u = 0; u < n; ++u) row(u)[v / 64] &= ~(std::uint64_t{1} << (v % 64));
  }
  return order;
}

void DenseStepMatrix::SetPattern(const std::vector<std::vector<int>>& columns_of_row) {
  order_ = MinimumDegreeOrder(columns_of_row);
  work_.assign(order_.size(), 0.0);
}

void DenseStepMatrix::Form(double diagonal, double s, const Matrix& dfdy, int n) {
  n_ = n;
  const bool ordered = static_cast<int>(order_.size()) == n;
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
