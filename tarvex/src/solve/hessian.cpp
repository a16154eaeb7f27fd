// The Hessian of the objective and the convexity test of hessian.h.
#include "solve/hessian.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace tvx {
namespace {

// Symmetric elimination with diagonal pivots decides semidefiniteness: the
// Schur complement of a positive pivot in a PSD matrix is PSD, a negative
// pivot proves indefiniteness, and a zero pivot is allowed only when its
// whole row is zero. Pivots come in minimum-degree order while the matrix is
// sparse; once what is left is dense, a dense factorisation with the largest
// remaining diagonal as pivot finishes the job.
class PsdTest {
 public:
  PsdTest(const Hessian &h, double sign) {
    const int n = int_size(h.start) - 1;
    adj_.resize(to_size(n));
    diag_.assign(to_size(n), 0.0);
    std::vector<char> used(to_size(n), 0);
    for (int j = 0; j < n; ++j) {
      for (int k = h.start[to_size(j)]; k < h.start[to_size(j + 1)]; ++k) {
        const int i = h.index[to_size(k)];
        const double v = sign * h.value[to_size(k)];
        scale_ = std::max(scale_, std::fabs(v));
        used[to_size(i)] = used[to_size(j)] = 1;
        if (i == j) {
          diag_[to_size(j)] += v;
        } else {
          adj_[to_size(i)][j] += v;
          adj_[to_size(j)][i] += v;
          off_entries_ += 2;
        }
      }
    }
    tol_ = 1e-9 * scale_;
    for (int j = 0; j < n; ++j) {
      if (used[to_size(j)]) queue_.insert({adj_[to_size(j)].size(), j});
    }
  }

  bool run() {
    while (!queue_.empty()) {
      const std::size_t left = queue_.size();
      // Dense storage then takes no more room than the maps it replaces.
      if (off_entries_ >= left * (left - 1) / 4) return dense();
      const int p = queue_.begin()->second;
      queue_.erase(queue_.begin());
      if (!eliminate(p)) return false;
    }
    return true;
  }

 private:
  // A zero pivot p with an entry a_pj: [[0, a], [a, d_j]] must be PSD once
  // the pivot is raised to the tolerance.
  bool negligible(double a, double dj) const {
    return std::fabs(a) <= std::sqrt(tol_ * std::max(dj, tol_));
  }

  bool eliminate(int p) {
    const double d = diag_[to_size(p)];
    if (d < -tol_) return false;
    std::map<int, double> row = std::move(adj_[to_size(p)]);
    adj_[to_size(p)].clear();
    off_entries_ -= 2 * row.size();
    for (const auto &e : row) {
      queue_.erase({adj_[to_size(e.first)].size(), e.first});
      adj_[to_size(e.first)].erase(p);
    }
    if (d <= tol_) {
      for (const auto &e : row) {
        if (!negligible(e.second, diag_[to_size(e.first)])) return false;
      }
    } else {
      for (auto a = row.begin(); a != row.end(); ++a) {
        diag_[to_size(a->first)] -= a->second * a->second / d;
        for (auto b = std::next(a); b != row.end(); ++b) {
          const double update = a->second * b->second / d;
          auto &ab = adj_[to_size(a->first)];
          const auto [at, added] = ab.try_emplace(b->first, 0.0);
          at->second -= update;
          adj_[to_size(b->first)][a->first] -= update;
          if (added) off_entries_ += 2;
        }
      }
    }
    for (const auto &e : row) queue_.insert({adj_[to_size(e.first)].size(), e.first});
    return true;
  }

  bool dense() {
    std::vector<int> ids;
    for (const auto &q : queue_) ids.push_back(q.second);
    const std::size_t r = ids.size();
    std::vector<int> pos(diag_.size(), -1);
    for (std::size_t k = 0; k < r; ++k) pos[to_size(ids[k])] = static_cast<int>(k);
    std::vector<double> m(r * r, 0.0);
    for (std::size_t k = 0; k < r; ++k) {
      m[k * r + k] = diag_[to_size(ids[k])];
      for (const auto &e : adj_[to_size(ids[k])]) {
        m[k * r + to_size(pos[to_size(e.first)])] = e.second;
      }
    }
    std::vector<char> done(r, 0);
    for (std::size_t step = 0; step < r; ++step) {
      std::size_t p = r;
      for (std::size_t k = 0; k < r; ++k) {
        if (!done[k] && (p == r || m[k * r + k] > m[p * r + p])) p = k;
      }
      const double d = m[p * r + p];
      if (d <= tol_) {
        // Every remaining diagonal is at most the tolerance: what is left
        // must be zero.
        for (std::size_t i = 0; i < r; ++i) {
          if (done[i]) continue;
          if (m[i * r + i] < -tol_) return false;
          for (std::size_t j = 0; j < r; ++j) {
            if (j != i && !done[j] && !negligible(m[i * r + j], m[j * r + j])) return false;
          }
        }
        return true;
      }
      done[p] = 1;
      for (std::size_t i = 0; i < r; ++i) {
        if (done[i] || m[i * r + p] == 0) continue;
        const double f = m[i * r + p] / d;
        for (std::size_t j = 0; j < r; ++j) {
          if (!done[j]) m[i * r + j] -= f * m[p * r + j];
        }
      }
    }
    return true;
  }

  std::vector<std::map<int, double>> adj_;  // off-diagonal entries, both halves
  std::vector<double> diag_;
  std::set<std::pair<std::size_t, int>> queue_;  // (degree, variable) not yet eliminated
  std::size_t off_entries_ = 0;
  double scale_ = 0;
  double tol_ = 0;
};

}  // namespace

Hessian build_hessian(const QTerms &terms, int num_vars) {
  struct Entry {
    int col, row;
    double value;
  };
  std::vector<Entry> entries;
  entries.reserve(terms.val.size());
  for (std::size_t k = 0; k < terms.val.size(); ++k) {
    const int i = terms.row[k], j = terms.col[k];
    const double v = terms.val[k];
    entries.push_back({std::min(i, j), std::max(i, j), i == j ? 2 * v : v});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
    return a.col != b.col ? a.col < b.col : a.row < b.row;
  });
  Hessian h;
  std::vector<int> count(to_size(num_vars), 0);
  for (std::size_t k = 0; k < entries.size();) {
    const auto same = [&](std::size_t e) {
      return entries[e].col == entries[k].col && entries[e].row == entries[k].row;
    };
    double sum = 0;
    std::size_t e = k;
    for (; e < entries.size() && same(e); ++e) sum += entries[e].value;
    if (sum != 0) {
      h.index.push_back(entries[k].row);
      h.value.push_back(sum);
      ++count[to_size(entries[k].col)];
    }
    k = e;
  }
  if (h.value.empty()) return h;
  h.start.assign(to_size(num_vars) + 1, 0);
  for (int j = 0; j < num_vars; ++j)
    h.start[to_size(j + 1)] = h.start[to_size(j)] + count[to_size(j)];
  return h;
}

bool positive_semidefinite(const Hessian &h, double sign) {
  if (h.empty()) return true;
  PsdTest test(h, sign);
  return test.run();
}

}  // namespace tvx
