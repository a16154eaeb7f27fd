#include "engines/cbc/completion.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <OsiSolverInterface.hpp>

#include "solve/answer_check.h"

namespace tvx {
namespace {

// The completion's primal tolerance (completion.h).
double completion_tolerance(const Problem &p) {
  return std::min(10 * p.param(Param::SPX_PrimalTolerance), 0.1);
}

}  // namespace

std::vector<double> complete_point(const Problem &p, const Formulation &f,
                                   const OsiSolverInterface &base, const std::vector<double> &given,
                                   const std::vector<OsiRowCut> &cuts) {
  const int n = p.model.num_vars();
  const int columns = int_size(f.col_lb);
  bool any = false;
  std::unique_ptr<OsiSolverInterface> lp(base.clone());
  for (int j = 0; j < columns; ++j) {
    double s = given[to_size(j)];
    if (s == kUndefined || !std::isfinite(s)) continue;
    if (f.integer[to_size(j)]) s = std::nearbyint(s);
    any = true;
    lp->setColBounds(j, s, s);
  }
  if (!any) return {};
  for (int j = 0; j < columns; ++j) lp->setContinuous(j);
  const GenConstrs &g = p.model.genconstrs();
  for (int k = 0; k < p.model.num_genconstrs(); ++k) {
    const double b = given[to_size(g.binvar[to_size(k)])];
    if (b == kUndefined || std::nearbyint(b) != g.binval[to_size(k)]) continue;
    for (int s : f.slacks[to_size(k)]) lp->setColBounds(s, 0, 0);
  }
  for (const OsiRowCut &cut : cuts) lp->addRow(cut.row(), cut.lb(), cut.ub());
  lp->setDblParam(OsiPrimalTolerance, completion_tolerance(p));
  lp->initialSolve();
  if (!lp->isProvenOptimal()) return {};
  const double *x = lp->getColSolution();
  if (!point_violation(p, std::vector<double>(x, x + n)).empty()) return {};
  return std::vector<double>(x, x + lp->getNumCols());
}

}  // namespace tvx
