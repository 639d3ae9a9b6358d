#include "integrate/sparse_step_matrix.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>

namespace tarnavel {

namespace {

// Below this many equations the dense form is as fast and needs no set-up.
constexpr int kSparseMinimum = 40;
// Above this share of stored entries the factors are dense in all but name.
constexpr double kSparseMaxFill = 0.4;
// The diagonal stays the pivot while no entry below it in its column is
// more than 1/kPivotThreshold times larger.
constexpr double kPivotThreshold = 0.001;

}  // namespace

// Row i of the factors takes the pattern of its row of M and, for every
// k < i it reaches (including through fill-in), the columns of U's row k.
void SparseStepMatrix::SetPattern(const std::vector<std::vector<int>>& columns_of_row) {
  const int n = static_cast<int>(columns_of_row.size());
  n_ = n;
  order_ = MinimumDegreeOrder(columns_of_row);
  std::vector<int> position(n);
  for (int i = 0; i < n; ++i) position[order_[i]] = i;

  row_start_.assign(1, 0);
  col_.clear();
  source_col_.clear();
  jacobian_entry_.clear();
  diag_.assign(n, 0);
  std::vector<char> mark(n, 0), structural(n, 0);
  std::vector<int> marked;
  // The rows k < i still to be merged, smallest first: merging row k of U
  // can only reach columns beyond k.
  std::priority_queue<int, std::vector<int>, std::greater<int>> pending;
  auto reach = [&](int c, int i) {
    if (mark[c]) return;
    mark[c] = 1;
    marked.push_back(c);
    if (c < i) pending.push(c);
  };
  for (int i = 0; i < n; ++i) {
    marked.clear();
    for (int c : columns_of_row[order_[i]])
      if (c >= 0 && c < n) {
        structural[position[c]] = 1;
        reach(position[c], i);
      }
    structural[i] = 1;
    reach(i, i);
    while (!pending.empty()) {
      const int k = pending.top();
      pending.pop();
      for (int p = diag_[k] + 1; p < row_start_[k + 1]; ++p) reach(col_[p], i);
    }
    std::sort(marked.begin(), marked.end());
    for (int c : marked) {
      if (c == i) diag_[i] = static_cast<int>(col_.size());
      col_.push_back(c);
      source_col_.push_back(structural[c] ? order_[c] : -1);
      mark[c] = structural[c] = 0;
    }
    row_start_.push_back(static_cast<int>(col_.size()));
  }

  const size_t entries = col_.size();
  formed_.assign(entries, 0.0);
  lower_col_.assign(entries, 0);
  upper_col_.assign(entries, 0);
  lower_val_.assign(entries, 0.0);
  upper_val_.assign(entries, 0.0);
  pivot_.assign(n, 0.0);
  inverse_.assign(n, 0.0);
  work_.assign(n, 0.0);
  rhs_.assign(n, 0.0);
  row_size_.assign(n, 0.0);
  lower_start_.assign(n + 1, 0);
  upper_start_.assign(n + 1, 0);
  dense_.reset();
  dense_active_ = false;
}

void SparseStepMatrix::Form(double diagonal, double s, const Matrix& dfdy, int n) {
  diagonal_ = diagonal;
  s_ = s;
  dfdy_ = &dfdy;
  if (n != n_) {
    // A system other than the one the pattern describes: the dense path
    // takes it in the natural order.
    if (!dense_ || dense_->Capacity() < n) dense_ = std::make_unique<DenseStepMatrix>(n);
    n_ = n;
    order_.clear();
    dense_->SetOrder({});
  }
  if (order_.empty()) {
    dense_->Form(diagonal, s, dfdy, n);
    return;
  }
  if (dfdy.Sparse()) {
    // The stored Jacobian entry of each entry of M, found once.
    if (jacobian_entry_.size() != source_col_.size()) {
      jacobian_entry_.assign(source_col_.size(), -1);
      for (int i = 0; i < n_; ++i)
        for (int p = row_start_[i]; p < row_start_[i + 1]; ++p)
          if (source_col_[p] >= 0) jacobian_entry_[p] = dfdy.Find(order_[i], source_col_[p]);
    }
    const double* values = dfdy.Values();
    const size_t entries = col_.size();
    for (size_t p = 0; p < entries; ++p) {
      const int k = jacobian_entry_[p];
      formed_[p] = k >= 0 ? -s * values[k] : 0.0;
    }
    for (int i = 0; i < n_; ++i) formed_[diag_[i]] += diagonal;
    return;
  }
  for (int i = 0; i < n_; ++i) {
    const double* from = dfdy.Row(order_[i]);
    for (int p = row_start_[i]; p < row_start_[i + 1]; ++p) {
      const int c = source_col_[p];
      formed_[p] = c >= 0 ? -s * from[c] : 0.0;
    }
    formed_[diag_[i]] += diagonal;
  }
}

bool SparseStepMatrix::SparseFactor() {
  const int n = n_;
  double* w = work_.data();
  // Each row's largest entry as formed. A pivot that fails the threshold
  // against an entry below it may still pass once every row is measured
  // against its own largest entry (the rows of a temperature or a volume
  // are in units far from those of the concentrations, and a row's scale
  // does not change the solution).
  double* row_size = row_size_.data();
  for (int i = 0; i < n; ++i) {
    double largest = 0.0;
    for (int p = row_start_[i]; p < row_start_[i + 1]; ++p) largest = std::max(largest, std::fabs(formed_[p]));
    row_size[i] = largest;
  }
  int nl = 0, nu = 0;
  for (int i = 0; i < n; ++i) {
    const int first = row_start_[i], diagonal = diag_[i], last = row_start_[i + 1];
    bool empty = true;
    for (int p = first; p < last; ++p) {
      w[col_[p]] = formed_[p];
      if (formed_[p] != 0.0) empty = false;
    }
    if (empty) return false;  // a singular matrix: the dense path reports it
    lower_start_[i] = nl;
    // Each entry receives its updates a(i,c) -= l(i,k) u(k,c) in increasing k.
    for (int p = first; p < diagonal; ++p) {
      const int k = col_[p];
      const double a = w[k];
      if (std::fabs(a) * kPivotThreshold > std::fabs(pivot_[k]) &&
          std::fabs(a) * kPivotThreshold * row_size[k] > std::fabs(pivot_[k]) * row_size[i])
        return false;
      const double factor = a * inverse_[k];
      if (factor == 0.0) continue;
      lower_col_[nl] = k;
      lower_val_[nl++] = factor;
      for (int q = upper_start_[k]; q < upper_start_[k + 1]; ++q) w[upper_col_[q]] -= factor * upper_val_[q];
    }
    double d = w[i];
    if (!(std::fabs(d) > 0.0)) {
      if (i < n - 1) return false;  // a zero (or NaN) pivot needs another row
      if (d == 0.0) d = kZeroPivot;
    }
    pivot_[i] = d;
    inverse_[i] = 1.0 / d;
    upper_start_[i] = nu;
    for (int p = diagonal + 1; p < last; ++p) {
      const double v = w[col_[p]];
      if (v == 0.0) continue;
      upper_col_[nu] = col_[p];
      upper_val_[nu++] = v;
    }
    upper_start_[i + 1] = nu;
  }
  lower_start_[n] = nl;
  return true;
}

void SparseStepMatrix::Factor(Run& run) {
  dense_active_ = true;
  if (!order_.empty()) {
    if (SparseFactor()) {
      dense_active_ = false;
      return;
    }
    ++fallbacks_;
    if (!dense_) {
      dense_ = std::make_unique<DenseStepMatrix>(n_);
      dense_->SetOrder(order_);
    }
    dense_->Form(diagonal_, s_, *dfdy_, n_);
  }
  dense_->Factor(run);
}

void SparseStepMatrix::Solve(double* rhs) const {
  if (dense_active_) {
    dense_->Solve(rhs);
    return;
  }
  const int n = n_;
  double* b = rhs_.data();
  for (int i = 0; i < n; ++i) b[i] = rhs[order_[i]];
  for (int i = 0; i < n; ++i) {
    double sum = b[i];
    for (int q = lower_start_[i]; q < lower_start_[i + 1]; ++q) sum -= lower_val_[q] * b[lower_col_[q]];
    b[i] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    double sum = b[i];
    for (int q = upper_start_[i]; q < upper_start_[i + 1]; ++q) sum -= upper_val_[q] * b[upper_col_[q]];
    b[i] = sum / pivot_[i];
  }
  for (int i = 0; i < n; ++i) rhs[order_[i]] = b[i];
}

std::unique_ptr<StepMatrix> MakeStepMatrix(const std::vector<std::vector<int>>& columns_of_row) {
  const int n = static_cast<int>(columns_of_row.size());
  auto dense = [&]() {
    auto m = std::make_unique<DenseStepMatrix>(n);
    m->SetPattern(columns_of_row);
    return m;
  };
  if (n < kSparseMinimum) return dense();
  auto sparse = std::make_unique<SparseStepMatrix>();
  sparse->SetPattern(columns_of_row);
  if (static_cast<double>(sparse->PatternEntries()) > kSparseMaxFill * n * n) return dense();
  return sparse;
}

}  // namespace tarnavel
