// The state of a CBC search with a callback (callback_search.h) and the
// hooks that move it: the search's own objects call them
// (callback_objects.h), and so does the site of each call
// (callback_site.h).
#ifndef TARVEX_ENGINES_CBC_CALLBACK_HOOKS_H
#define TARVEX_ENGINES_CBC_CALLBACK_HOOKS_H

#include <cmath>
#include <cstddef>
#include <deque>
#include <vector>

#include <OsiRowCut.hpp>

#include "engines/cbc/formulation.h"
#include "solve/callback.h"
#include "solve/engine.h"

class CbcModel;
class CbcSimpleInteger;
class OsiBranchingInformation;
class OsiCuts;
class OsiSolverInterface;

namespace tvx {

// A node of the main search while CBC processes it: CBC's node count, which
// moves as each node is taken up and stays put from its first cut round to
// its branching (the current node pointer does not: it changes between
// the two).
struct NodeTag {
  int count = -1;
  bool operator==(const NodeTag &o) const { return count == o.count; }
  bool operator!=(const NodeTag &o) const { return !(*this == o); }
};

// A branching request of a MIPNODE call, for the node that made it.
struct Request {
  int column = -1;
  int way = 1;
  double value = 0;  // between the arms: floor(value) is the down arm's bound
  NodeTag node;
};

class SearchHooks {
 public:
  SearchHooks(const Problem &p, const Formulation &f, const OsiSolverInterface &lp);

  // ---- The search's course (CallbackSearch) ---------------------------------
  void attach(CbcModel &cbc);
  void begin(const std::vector<double> &start);
  bool approve_candidate(const double *x);
  void record_incumbent(const double *x);
  void node_done();
  void end();

  // ---- The search's objects (callback_objects.h) ----------------------------
  // The heuristic of the given solutions: whether one is waiting, and the
  // best, into x, when it improves on value and the incumbent (false: none).
  bool has_given(const CbcModel *model) const { return model == cbc_ && !given_.empty(); }
  bool next_given(const CbcModel *model, double &value, double *x);
  // The generator's round at a node of the main search (solver is CBC's).
  void round(const OsiSolverInterface &solver, OsiCuts &cs);
  // The gate: whether the point under test is a candidate still to judge,
  // and its branch on one.
  bool unjudged(const CbcModel *model, const OsiBranchingInformation *info);
  void judge_at_branch(const CbcModel *model, const OsiBranchingInformation *info);
  // The request for column at the node under way, or null.
  const Request *request_for(const CbcModel *model, int column) const;

  // ---- What a call's site reaches (callback_site.h) -------------------------
  int model_columns() const { return n_model_; }
  int columns() const { return n_cols_; }
  const Problem &problem() const { return p_; }
  const Formulation &formulation() const { return f_; }
  const CbcModel &cbc() const { return *cbc_; }
  double sign() const { return sign_; }
  // An objective of the formulation (minimised) in the model's sense, an
  // infinite one as reported (+-TVX_INFINITY).
  double model_objective(double v) const {
    return std::isinf(v) ? as_reported(sign_ * v) : sign_ * v + p_.model.objcon();
  }
  double objective(const double *x) const {
    double v = 0;
    for (int j = 0; j < n_cols_; ++j) v += f_.cost[to_size(j)] * x[j];
    return v;
  }
  bool has_incumbent() const { return !incumbent_.empty(); }
  const std::vector<double> &incumbent() const { return incumbent_; }
  int solutions() const { return solutions_; }
  // The search's bound (minimised), -inf before one is known.
  double bound() const;
  // The formulation by column: starts (n_cols + 1), rows, values.
  void by_column(std::vector<int> &starts, std::vector<int> &rows,
                 std::vector<double> &values) const;
  // The submissions, checked as solve/callback.h says: a TVXcbresult.
  int add_cut(const CutRow &row);
  int request(const OsiSolverInterface &node, int column, int way, double value);
  int offer(const std::vector<double> &given, double *objval);

 private:
  bool improves(double obj) const;
  // How far x is outside cut, in units of the cut's largest coefficient.
  static double violation(const OsiRowCut &cut, const double *x);
  bool violates_pool(const double *x, std::size_t from = 0) const;
  // The pool's cuts added, as rows, to the LP CBC checks candidates with.
  void sync_check_lp();
  bool approved(const double *x) const;
  bool others_satisfied(const double *x, const OsiBranchingInformation *info);
  // MIPSOL with a candidate better than the incumbent; false: rejected.
  bool judge(const double *x);
  // Takes x, judged, as the incumbent of the search and of CBC.
  void install(std::vector<double> x, double obj);
  NodeTag node_now() const;
  void drop_request();

  const Problem &p_;
  const Formulation &f_;
  const OsiSolverInterface &lp_;
  CallbackContext &callback_;
  CbcModel *cbc_ = nullptr;
  const int n_model_, n_cols_;
  const double sign_, tol_, int_tol_;

  std::vector<OsiRowCut> pool_;
  // The LP of CBC's checks and how many of the pool's cuts are rows of it,
  // its row count with them.
  const OsiSolverInterface *check_lp_ = nullptr;
  std::size_t check_lp_cuts_ = 0;
  int check_lp_rows_ = 0;
  std::deque<std::vector<double>> approved_;
  std::vector<double> incumbent_;  // empty without one
  double incumbent_obj_ = kInf;
  int solutions_ = 0;
  int counted_ = 0;                         // CBC's solution count at the last incumbent taken
  std::vector<std::vector<double>> given_;  // complete points, to offer
  // The integer object of each column in CBC's list, null for others.
  std::vector<CbcSimpleInteger *> integer_of_;
  Request request_;
  NodeTag node_;           // of the last round
  bool call_node_ = true;  // MIPNODE is due at this round
};

}  // namespace tvx

#endif
