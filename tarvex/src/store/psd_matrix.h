// The symmetric matrix that a PSD matrix's entries stand for.
//
// Matrix entries (a PSD variable's objective, a PSD row's coefficient of one
// PSD variable) travel unsymmetrised: each is a row-major position
// r * dim + c and a value, and the store keeps them exactly as received
// (PsdObj reads them back so). The matrix they stand for is assembled from
// them in arrival order: a zero entry is skipped, any other sets
// M[r][c] = M[c][r] = v, a later entry overwriting what an earlier one set.
// So one triangle, either one, and the full symmetric matrix mean the same
// matrix, and of two mirrored positions holding different values the later
// entry wins. Every user of the matrices (engines, the answer check, the
// writers) goes through here.
#ifndef TARVEX_STORE_PSD_MATRIX_H
#define TARVEX_STORE_PSD_MATRIX_H

#include <cstdint>
#include <vector>

namespace tvx {

// Entry (row, col), row >= col, of a packed lower triangle: the position
// row (row + 1) / 2 + col, and back.
inline std::int64_t packed_position(int row, int col) {
  return static_cast<std::int64_t>(row) * (row + 1) / 2 + col;
}
void unpacked_position(std::int64_t position, int *row, int *col);

// One entry of the lower triangle: row >= col.
struct SymEntry {
  int row, col;
  double value;
};

// The lower triangle of the assembled matrix: its non-zero entries ordered by
// row, then column. pos must hold positions inside a dim x dim matrix.
std::vector<SymEntry> symmetric_entries(int dim, int n, const int *pos, const double *val);

// The full dim x dim matrix, row-major.
std::vector<double> dense_symmetric(int dim, const std::vector<SymEntry> &m);

// <M, X> = sum over all positions of M[r][c] * X[r][c], X a dim x dim matrix
// in row-major order whose upper triangle mirrors the lower one.
double inner_product(const std::vector<SymEntry> &m, const double *x, int dim);

// The sum of |M[r][c] * X[r][c]|: the scale of that inner product.
double inner_product_size(const std::vector<SymEntry> &m, const double *x, int dim);

// Whether X (dim x dim, row-major, symmetric) is positive semidefinite
// within tol * (1 + its largest diagonal entry): its Cholesky factorisation
// with that shift on the diagonal succeeds.
bool near_psd(const double *x, int dim, double tol);

}  // namespace tvx

#endif
