// The site of callback_site.h: TVXcbget's what-codes in a CBC search.
#include "engines/cbc/callback_site.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <vector>

#include <CbcModel.hpp>
#include <CbcNode.hpp>
// After CbcNode.hpp, which it needs.
#include <CbcCutGenerator.hpp>
#include <CbcTree.hpp>
#include <OsiSolverInterface.hpp>

#include "engines/cbc/callback_hooks.h"

namespace tvx {
namespace {

// A phase-2 search (MIP_PHASE) has its gap within this fraction.
constexpr double kCloseGap = 1e-2;

std::vector<double> reported(const double *v, int n) {
  std::vector<double> out(to_size(n));
  std::transform(v, v + n, out.begin(), as_reported);
  return out;
}

// The site of one call: the search's state, the node's relaxation at
// MIPNODE, the candidate at MIPSOL.
class CbcSite final : public CallbackSite {
 public:
  CbcSite(SearchHooks &hooks, int where, const OsiSolverInterface *node, const double *candidate)
      : hooks_(hooks), where_(where), node_(node), candidate_(candidate) {}

  int model_columns() const override { return hooks_.model_columns(); }
  int columns() const override { return hooks_.columns(); }
  int query(int what, void *value) override {
    int result = query_presolved(what, value);
    if (result == TVX_ERROR_CB_INVALID_WHAT) result = query_node(what, value);
    if (result == TVX_ERROR_CB_INVALID_WHAT) result = query_search(what, value);
    return result;
  }
  int cut(const CutRow &row) override { return hooks_.add_cut(row); }
  int branch(int column, int way, double value) override {
    if (!at_node()) return TVX_CB_DECLINED;
    return hooks_.request(*node_, column, way, value);
  }
  int solution(const std::vector<double> &values, double *objval) override {
    return hooks_.offer(values, objval);
  }

 private:
  // Each answers its own what-codes, CB_INVALID_WHAT to the others.
  int query_presolved(int what, void *value);  // PRE_*: the formulation
  int query_node(int what, void *value);       // the node's relaxation, at MIPNODE
  int query_search(int what, void *value);     // the incumbent, the bound, the counts

  int put(void *value, int v) {
    *static_cast<int *>(value) = v;
    return TVX_ERROR_OKAY;
  }
  int put(void *value, double v) {
    *static_cast<double *>(value) = v;
    return TVX_ERROR_OKAY;
  }
  // An array kept until the call returns; fill() makes it the first time.
  template <class F>
  int put_doubles(void *value, int what, F &&fill) {
    auto found = doubles_.find(what);
    if (found == doubles_.end()) found = doubles_.emplace(what, fill()).first;
    *static_cast<double **>(value) = found->second.data();
    return TVX_ERROR_OKAY;
  }
  template <class F>
  int put_ints(void *value, int what, F &&fill) {
    auto found = ints_.find(what);
    if (found == ints_.end()) found = ints_.emplace(what, fill()).first;
    *static_cast<int **>(value) = found->second.data();
    return TVX_ERROR_OKAY;
  }
  // The best solution: the candidate at MIPSOL, else the incumbent.
  const double *best() const {
    if (candidate_ != nullptr) return candidate_;
    return hooks_.has_incumbent() ? hooks_.incumbent().data() : nullptr;
  }
  // The formulation by column, made at the first read.
  void by_column() {
    if (starts_.empty()) hooks_.by_column(starts_, rows_, values_);
  }
  // MIPSTART comes before the search: no node, cut or open node yet.
  bool started() const { return where_ != TVX_CB_MIPSTART; }
  bool at_node() const { return where_ == TVX_CB_MIPNODE; }

  SearchHooks &hooks_;
  const int where_;
  const OsiSolverInterface *const node_;
  const double *const candidate_;
  std::map<int, std::vector<double>> doubles_;
  std::map<int, std::vector<int>> ints_;
  std::vector<int> starts_, rows_;
  std::vector<double> values_;
};

int CbcSite::query_presolved(int what, void *value) {
  const Formulation &f = hooks_.formulation();
  const int columns = hooks_.columns(), rows = int_size(f.row_lb);
  switch (what) {
    case TVX_CB_PRE_NUMVARS:
      return put(value, columns);
    case TVX_CB_PRE_NUMCONSTRS:
      return put(value, rows);
    case TVX_CB_PRE_NUMNZS:
      return put(value, static_cast<int>(f.rows.getNumElements()));
    case TVX_CB_PRE_LB:
      return put_doubles(value, what, [&] { return reported(f.col_lb.data(), columns); });
    case TVX_CB_PRE_UB:
      return put_doubles(value, what, [&] { return reported(f.col_ub.data(), columns); });
    case TVX_CB_PRE_LHS:
      return put_doubles(value, what, [&] { return reported(f.row_lb.data(), rows); });
    case TVX_CB_PRE_RHS:
      return put_doubles(value, what, [&] { return reported(f.row_ub.data(), rows); });
    case TVX_CB_PRE_OBJ:
      return put_doubles(value, what, [&] {
        std::vector<double> obj(f.cost);
        for (double &c : obj) c *= hooks_.sign();
        return obj;
      });
    case TVX_CB_PRE_ISINT:
      return put_ints(value, what,
                      [&] { return std::vector<int>(f.integer.begin(), f.integer.end()); });
    case TVX_CB_PRE_ELEMENTS:
      by_column();
      return put_doubles(value, what, [&] { return values_; });
    case TVX_CB_PRE_INDICES:
      by_column();
      return put_ints(value, what, [&] { return rows_; });
    case TVX_CB_PRE_STARTS:
      by_column();
      return put_ints(value, what, [&] { return starts_; });
    case TVX_CB_PRE_OBJCONST:
      return put(value, hooks_.problem().model.objcon());
    default:
      return TVX_ERROR_CB_INVALID_WHAT;
  }
}

int CbcSite::query_node(int what, void *value) {
  const int columns = hooks_.columns();
  switch (what) {
    case TVX_CB_MIP_RELVAL:
      if (!at_node()) return TVX_ERROR_CB_INVALID_WHERE;
      return put(value, hooks_.model_objective(node_->getObjValue()));
    // The model's arrays are the presolved ones, whose first entries they
    // are: whatever count a caller takes for the model's, no read passes
    // the end.
    case TVX_CB_MIP_RELPRE:
    case TVX_CB_MIP_REL:
      if (!at_node()) return TVX_ERROR_CB_INVALID_WHERE;
      return put_doubles(value, TVX_CB_MIP_RELPRE, [&] {
        const double *x = node_->getColSolution();
        return std::vector<double>(x, x + columns);
      });
    case TVX_CB_MIP_RELRDCPRE:
      if (!at_node()) return TVX_ERROR_CB_INVALID_WHERE;
      return put_doubles(value, what, [&] {
        const double *d = node_->getReducedCost();
        std::vector<double> out(d, d + columns);
        for (double &v : out) v *= hooks_.sign();
        return out;
      });
    case TVX_CB_MIP_LB:
    case TVX_CB_MIP_UB:
      if (!at_node()) return TVX_ERROR_CB_INVALID_WHERE;
      return put_doubles(value, what, [&] {
        return reported(what == TVX_CB_MIP_LB ? node_->getColLower() : node_->getColUpper(),
                        columns);
      });
    default:
      return TVX_ERROR_CB_INVALID_WHAT;
  }
}

int CbcSite::query_search(int what, void *value) {
  const CbcModel &cbc = hooks_.cbc();
  const double *x = best();
  switch (what) {
    case TVX_CB_MIP_OBJBST:
      return put(value, hooks_.model_objective(x != nullptr ? hooks_.objective(x) : kInf));
    case TVX_CB_MIP_OBJBND:
      return put(value, hooks_.model_objective(hooks_.bound()));
    // As the node's arrays (query_node).
    case TVX_CB_MIP_SOLPRE:
    case TVX_CB_MIP_SOL:
      if (x == nullptr) {
        *static_cast<double **>(value) = nullptr;
        return TVX_ERROR_OKAY;
      }
      return put_doubles(value, TVX_CB_MIP_SOLPRE,
                         [&] { return std::vector<double>(x, x + hooks_.columns()); });
    case TVX_CB_MIP_NODCNT:
      return put(value, started() ? std::max(cbc.getNodeCount(), 0) : 0);
    case TVX_CB_MIP_SOLCNT:
      return put(value, hooks_.solutions());
    case TVX_CB_MIP_CUTCNT: {
      int cuts = 0;
      for (int i = 0; started() && i < cbc.numberCutGenerators(); ++i) {
        cuts += cbc.cutGenerator(i)->numberCutsInTotal();
      }
      return put(value, cuts);
    }
    case TVX_CB_MIP_NODLFT:
      return put(value, started() && cbc.tree() != nullptr ? cbc.tree()->size() : 0);
    case TVX_CB_MIP_NODEID:
      return put(value,
                 started() && cbc.currentNode() != nullptr ? cbc.currentNode()->nodeNumber() : 0);
    case TVX_CB_MIP_DEPTH:
      return put(value, started() ? std::max(cbc.currentDepth(), 0) : 0);
    case TVX_CB_MIP_PHASE: {
      if (x == nullptr) return put(value, 0);
      const double obj = hooks_.objective(x), bound = hooks_.bound();
      const double gap = std::fabs(obj - bound) / std::max(1.0, std::fabs(obj));
      return put(value, gap <= kCloseGap ? 2 : 1);
    }
    default:
      return TVX_ERROR_CB_INVALID_WHAT;
  }
}

}  // namespace

void call_with_site(CallbackContext &callback, SearchHooks &hooks, int where,
                    const OsiSolverInterface *node, const double *candidate) {
  CbcSite site(hooks, where, node, candidate);
  callback.call(where, site);
}

}  // namespace tvx
