// A model as the CBC search states it: the model's own columns first, in
// their order, so a point of the search is a point of the model; what is
// added follows them:
//   - per indicator, one slack column per side of its row (two for '='),
//     each in an SOS1 with the indicator's active binary, so the row holds
//     exactly whenever the indicator is active. When the row's violation has
//     a finite, small bound M, the slack is also bounded by M(1 - binary),
//     which only tightens the relaxation;
//   - per indicator active at 0, a complement column c = 1 - binary;
//   - per semi-continuous or semi-integer variable whose range excludes 0,
//     a switch binary (see formulation.cpp).
// Nothing is presolved away.
#ifndef TARVEX_ENGINES_CBC_FORMULATION_H
#define TARVEX_ENGINES_CBC_FORMULATION_H

#include <utility>
#include <vector>

#include <CoinPackedMatrix.hpp>

#include "store/store.h"

namespace tvx {

// The columns and rows handed to CLP, the model's own first.
struct Formulation {
  // Costs are the model's times direction (-1 for a maximisation) and
  // scale, a power of two that brings costs above 1e6 down to that (1 when
  // there are none): CLP weighs infeasibility against costs at 1e10, and
  // with costs near that takes feasible relaxations for infeasible.
  double direction = 1, scale = 1;
  std::vector<double> col_lb, col_ub, cost;
  std::vector<char> integer;
  CoinPackedMatrix rows{false, 0, 0};  // row-ordered
  std::vector<double> row_lb, row_ub;
  // No point can satisfy the sets (found while stating them).
  bool infeasible = false;
  // SOS sets: type (1 or 2), members and their weights; once settled, the
  // members stand in the order of their weights and weights are dropped.
  struct Set {
    int type;
    std::vector<int> member;
    std::vector<double> weight;
  };
  std::vector<Set> sets;
  // Semi-continuous and semi-integer variables whose range excludes 0.
  struct Switch {
    int column;
    double lb, ub;
  };
  std::vector<Switch> switches;
  // Per indicator, its slack columns.
  std::vector<std::vector<int>> slacks;

  int add_column(double lb, double ub, bool is_integer) {
    col_lb.push_back(lb);
    col_ub.push_back(ub);
    cost.push_back(0);
    integer.push_back(is_integer ? 1 : 0);
    return int_size(col_lb) - 1;
  }
  // A cost, objective or reduced cost of the formulation in the model's
  // terms.
  double model_units(double v) const { return v * direction / scale; }
  void add_row(const std::vector<int> &ind, const std::vector<double> &val, double lb, double ub) {
    rows.appendRow(int_size(ind), ind.data(), val.data());
    row_lb.push_back(lb);
    row_ub.push_back(ub);
  }
};

// The formulation of model, minimising (a maximisation's costs negated, and
// large costs scaled).
Formulation formulate(const Store &model);

}  // namespace tvx

#endif
