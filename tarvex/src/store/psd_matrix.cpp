#include "store/psd_matrix.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/numeric.h"

namespace tvx {
namespace {

struct Keyed {
  std::int64_t key;  // position in the packed lower triangle
  int order;         // arrival
  double value;
};

// The offset of (row, col) in a dim x dim row-major matrix.
std::size_t dense_offset(int row, int col, int dim) {
  return to_size(row) * to_size(dim) + to_size(col);
}

}  // namespace

void unpacked_position(std::int64_t position, int *row, int *col) {
  // The row is the largest r with r (r + 1) / 2 <= position.
  auto r = static_cast<std::int64_t>((std::sqrt(8.0 * static_cast<double>(position) + 1) - 1) / 2);
  while (r * (r + 1) / 2 > position) --r;
  while ((r + 1) * (r + 2) / 2 <= position) ++r;
  *row = static_cast<int>(r);
  *col = static_cast<int>(position - r * (r + 1) / 2);
}

std::vector<SymEntry> symmetric_entries(int dim, int n, const int *pos, const double *val) {
  std::vector<Keyed> keyed;
  keyed.reserve(to_size(n));
  for (int k = 0; k < n; ++k) {
    if (val[k] == 0) continue;
    const int r = pos[k] / dim, c = pos[k] % dim;
    keyed.push_back({packed_position(std::max(r, c), std::min(r, c)), k, val[k]});
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
    return a.key != b.key ? a.key < b.key : a.order < b.order;
  });
  std::vector<SymEntry> out;
  out.reserve(keyed.size());
  for (std::size_t k = 0; k < keyed.size(); ++k) {
    if (k + 1 < keyed.size() && keyed[k + 1].key == keyed[k].key) continue;  // a later one wins
    SymEntry e{0, 0, keyed[k].value};
    unpacked_position(keyed[k].key, &e.row, &e.col);
    out.push_back(e);
  }
  return out;
}

std::vector<double> dense_symmetric(int dim, const std::vector<SymEntry> &m) {
  std::vector<double> out(to_size(dim) * to_size(dim), 0.0);
  for (const SymEntry &e : m) {
    out[dense_offset(e.row, e.col, dim)] = e.value;
    out[dense_offset(e.col, e.row, dim)] = e.value;
  }
  return out;
}

double inner_product(const std::vector<SymEntry> &m, const double *x, int dim) {
  double sum = 0;
  for (const SymEntry &e : m) {
    const double t = e.value * x[dense_offset(e.row, e.col, dim)];
    sum += e.row == e.col ? t : 2 * t;
  }
  return sum;
}

double inner_product_size(const std::vector<SymEntry> &m, const double *x, int dim) {
  double sum = 0;
  for (const SymEntry &e : m) {
    const double t = std::fabs(e.value * x[dense_offset(e.row, e.col, dim)]);
    sum += e.row == e.col ? t : 2 * t;
  }
  return sum;
}

bool near_psd(const double *x, int dim, double tol) {
  const auto n = to_size(dim);
  double largest = 0;
  for (std::size_t i = 0; i < n; ++i) largest = std::max(largest, std::fabs(x[i * n + i]));
  const double shift = tol * (1 + largest);
  // Lower-triangular factor L, row by row, of X + shift * I.
  std::vector<double> l(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      double s = x[i * n + j] + (i == j ? shift : 0.0);
      for (std::size_t k = 0; k < j; ++k) s -= l[i * n + k] * l[j * n + k];
      if (i == j) {
        if (!(s > 0)) return false;  // NaN too
        l[i * n + i] = std::sqrt(s);
      } else {
        l[i * n + j] = s / l[j * n + j];
      }
    }
  }
  return true;
}

}  // namespace tvx
