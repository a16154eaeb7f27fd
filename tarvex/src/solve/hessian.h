// The quadratic part of an objective as engines take it, and the convexity
// test the dispatcher makes before handing it to one.
#ifndef TARVEX_SOLVE_HESSIAN_H
#define TARVEX_SOLVE_HESSIAN_H

#include <vector>

#include "store/store.h"

namespace tvx {

// The quadratic part of the objective as 1/2 x'Hx, H symmetric, stored as
// its lower triangle by columns. A stored term (i, j, v) means v * x_i * x_j:
// it adds v to H_ij and to H_ji, so 2v to H_ii. Equal positions are summed
// and entries that cancel are dropped, so an empty Hessian means a linear
// objective.
struct Hessian {
  std::vector<int> start;  // num_vars + 1 entries, or none when empty
  std::vector<int> index;  // rows, each >= its column, ascending per column
  std::vector<double> value;
  bool empty() const { return value.empty(); }
};

Hessian build_hessian(const QTerms &terms, int num_vars);
// Whether sign * H is positive semidefinite, within a tolerance relative to
// H's largest entry. A minimisation needs sign 1, a maximisation -1.
bool positive_semidefinite(const Hessian &h, double sign);

}  // namespace tvx

#endif
