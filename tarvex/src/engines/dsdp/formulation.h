// The model in DSDP's primal standard form, and the way back.
//
// DSDP solves
//   (P) min <C, X> + c'z  s.t.  <A_i, X> + a_i'z = b_i (i = 1..m), X PSD, z >= 0
//   (D) max b'y           s.t.  C - sum y_i A_i PSD, c - sum y_i a_i >= 0
// with X block diagonal (one block per PSD variable) and z the columns of
// its LP cone. The model (a linear objective plus <C_j, X_j> terms, linear
// and PSD rows with sides, variables with bounds) is brought to (P),
// minimising -objective for a maximisation:
//   - a variable with a finite lower bound only: x = lb + z;
//     an upper bound only: x = ub - z; both: x = lb + z plus the row
//     z + z' = ub - lb; a fixed one is the constant lb;
//   - a row with equal sides is an equality; one with a lower side only
//     r - w = l, an upper side only r + w = u, two sides r - w = l plus the
//     row w + w' = u - l; one without sides is left out (its dual is 0);
//   - a free variable is eliminated: solved for in one row that holds it
//     (the one where its coefficient is largest), that row is substituted
//     into the others and the objective, and left out. Splitting it into
//     z - z' instead makes (D) an equality with no interior, where DSDP
//     converges to wrong answers;
//   - the constants that substitution moves out of rows go to their sides,
//     those it moves out of the objective to its constant;
//   - an LP column or PSD variable that no row holds any more is left out
//     at 0 (or the model is unbounded, when its cost can fall below 0): its
//     part of (D) would be a constraint without interior.
// Matrices are entered as psd_matrix.h assembles them, in the packed lower
// triangle DSDP reads (entry (r, c), r >= c, at r (r + 1) / 2 + c; an
// off-diagonal value stands for both mirrored entries, as ours does).
// Nothing here includes DSDP's headers: the arrays are laid out as its
// calls take them, and engine.cpp hands them over.
#ifndef TARVEX_ENGINES_DSDP_FORMULATION_H
#define TARVEX_ENGINES_DSDP_FORMULATION_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "store/store.h"

namespace tvx {

// One data matrix of one block of DSDP's cone: vari 0 is C, 1..m the A_i.
struct SdpMatrix {
  int block = 0;  // in the cone (SdpForm::cone_var)
  int vari = 0;
  std::vector<int> index;  // packed lower-triangle positions, ascending
  std::vector<double> value;
};

// A row as the elimination of a free variable left it, kept to recover that
// variable and the row's dual: coefficients of columns (LP and free, in the
// numbering of Elimination), PSD entries per block, side.
struct EliminatedRow {
  int row = 0;     // its row of the full form, 1-based
  int column = 0;  // the free column solved for
  double pivot = 0;
  std::vector<std::pair<int, double>> columns;
  std::vector<std::pair<int, std::vector<std::pair<std::int64_t, double>>>> matrices;
  double b = 0;
  // The free column in the rows left at that time (full-form rows) and its
  // cost then: its dual follows from the column's zero reduced cost.
  std::vector<std::pair<int, double>> column_rows;
  double column_cost = 0;
};

struct SdpForm {
  int num_rows = 0;       // m: rows handed to DSDP
  std::vector<double> b;  // b[i - 1] for row i
  // The LP cone: num_lp columns; its data column by column of (D): column
  // vari (0 the cost c, i the row i) holds lp_index/lp_value from
  // lp_beg[vari] to lp_beg[vari + 1], by ascending LP column.
  int num_lp = 0;
  std::vector<int> lp_beg, lp_index;
  std::vector<double> lp_value;
  std::vector<int> block_dim;  // per PSD variable
  std::vector<int> cone_var;   // the PSD variable of each block of the cone
  std::vector<SdpMatrix> matrices;
  double constant = 0;  // objective of (P) plus this is the model's (minimised) objective
  bool maximize = false;

  // The way back. Columns of the full form (before elimination): LP
  // columns and free variables; lp_of maps them to DSDP's LP columns (-1
  // for a free one). Rows of the full form: row_of maps a model row to one
  // (0: left out); kept maps DSDP's row i to kept[i - 1].
  int num_columns = 0;
  std::vector<int> lp_of;
  int num_full_rows = 0;
  std::vector<int> row_of;
  std::vector<int> kept;
  struct VarMap {  // a model variable: shift + column[plus] - column[minus]
    double shift = 0;
    int plus = -1, minus = -1;
  };
  std::vector<VarMap> vars;
  std::vector<EliminatedRow> eliminated;  // in the order of elimination

  // Set when the form alone settles the model: a row left without terms
  // whose side is not met makes it infeasible; a variable that no row holds
  // and whose cost can fall below 0 makes it unbounded once the rest is
  // feasible.
  bool infeasible = false;
  bool unbounded_if_feasible = false;
  std::string why;
};

// Throws std::bad_alloc only.
SdpForm sdp_form(const Store &model);

// The largest magnitude of the objective data (c and the C's) and of b.
double largest_cost(const SdpForm &f);
double largest_side(const SdpForm &f);

// The model's variables from DSDP's LP columns and the PSD variables' values
// (x[k]: PSD variable k, dim * dim row-major).
std::vector<double> model_point(const SdpForm &f, const double *z,
                                const std::vector<std::vector<double>> &x);

// The duals of the full form's rows from DSDP's y (one per row handed over).
std::vector<double> full_duals(const SdpForm &f, const double *y);

}  // namespace tvx

#endif
