#include "engines/cbc/completion.h"

#include <cmath>
#include <memory>

#include <OsiSolverInterface.hpp>

#include "solve/answer_check.h"

namespace tvx {

std::vector<double> complete_point(const Problem &p, const Formulation &f,
                                   const OsiSolverInterface &base,
                                   const std::vector<double> &given) {
  const int n = p.model.num_vars();
  const int columns = static_cast<int>(f.col_lb.size());
  bool any = false;
  std::unique_ptr<OsiSolverInterface> lp(base.clone());
  for (int j = 0; j < columns; ++j) {
    double s = given[static_cast<std::size_t>(j)];
    if (s == kUndefined || !std::isfinite(s)) continue;
    if (f.integer[static_cast<std::size_t>(j)]) s = std::nearbyint(s);
    any = true;
    lp->setColBounds(j, s, s);
  }
  if (!any) return {};
  for (int j = 0; j < columns; ++j) lp->setContinuous(j);
  const GenConstrs &g = p.model.genconstrs();
  for (int k = 0; k < p.model.num_genconstrs(); ++k) {
    const double b = given[static_cast<std::size_t>(g.binvar[k])];
    if (b == kUndefined || std::nearbyint(b) != g.binval[k]) continue;
    for (int s : f.slacks[static_cast<std::size_t>(k)]) lp->setColBounds(s, 0, 0);
  }
  lp->initialSolve();
  if (!lp->isProvenOptimal()) return {};
  const double *x = lp->getColSolution();
  if (!point_violation(p, std::vector<double>(x, x + n)).empty()) return {};
  return std::vector<double>(x, x + lp->getNumCols());
}

}  // namespace tvx
