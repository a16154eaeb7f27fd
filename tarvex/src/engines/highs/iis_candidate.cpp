// HiGHS's own infeasible subsystem of an LP, the candidate the IIS search
// (solve/iis.h) starts from.
#include <climits>
#include <cstddef>
#include <vector>

#include "engines/highs/highs.h"

namespace tvx {
namespace {

// HiGHS's elasticity filter alone (kIisStrategyFromLp; the C API names only
// combinations). Its further deletion pass, which would make the subsystem
// irreducible, goes on past an interrupt, solve after solve; the search's
// own deletion filter does that part and stops when asked.
constexpr HighsInt kElasticityFilter = 2;

}  // namespace

// HiGHS lists the columns of the rows it keeps too; only those whose bounds
// take part count.
std::vector<IisMember> HighsEngine::iis_candidate(const Store &s, SolveContext &context,
                                                  double time_limit) const {
  const int n = s.num_vars(), m = s.num_rows();
  if (s.num_nz() > to_size(INT_MAX)) return {};
  std::vector<double> cost(to_size(n), 0.0), lower, upper;
  for (int j = 0; j < n; ++j) {
    lower.push_back(finite_or_inf(s.vars().lb[to_size(j)]));
    upper.push_back(finite_or_inf(s.vars().ub[to_size(j)]));
  }
  const RowBounds rows = row_bounds_of(s);
  const ColumnView &a = s.columns();
  std::vector<HighsInt> a_start(a.beg.begin(), a.beg.end());

  const HighsHandle owner = new_quiet_highs();
  void *highs = owner.get();
  Listener listener;
  listener.context = &context;
  if (highs == nullptr || !listen(highs, listener) ||
      Highs_setIntOptionValue(highs, "iis_strategy", kElasticityFilter) == kHighsStatusError) {
    return {};
  }
  if (time_limit < kInfinity) {
    Highs_setDoubleOptionValue(highs, "time_limit", time_limit);
    Highs_setDoubleOptionValue(highs, "iis_time_limit", time_limit);
  }
  if (Highs_passLp(highs, n, m, static_cast<HighsInt>(a.row.size()), kHighsMatrixFormatColwise,
                   kHighsObjSenseMinimize, 0.0, cost.data(), lower.data(), upper.data(),
                   rows.lower.data(), rows.upper.data(), a_start.data(), a.row.data(),
                   a.val.data()) == kHighsStatusError) {
    return {};
  }
  // A subsystem names each column and row at most once, so n and m entries are
  // room enough. The statuses of all columns and rows are not asked for:
  // HiGHS fills them only for some outcomes.
  std::vector<HighsInt> col_index(to_size(n) + 1);
  std::vector<HighsInt> col_bound(col_index.size());
  std::vector<HighsInt> row_index(to_size(m) + 1);
  std::vector<HighsInt> row_bound(row_index.size());
  HighsInt num_col = 0, num_row = 0;
  if (Highs_getIis(highs, &num_col, &num_row, col_index.data(), row_index.data(), col_bound.data(),
                   row_bound.data(), nullptr, nullptr) == kHighsStatusError ||
      num_col < 0 || num_col > n || num_row < 0 || num_row > m || context.stop_requested()) {
    return {};  // what an interrupted filter leaves is no subsystem
  }
  const auto takes_part = [](HighsInt bound) {
    return bound == kHighsIisBoundLower || bound == kHighsIisBoundUpper ||
           bound == kHighsIisBoundBoxed;
  };
  std::vector<IisMember> out;
  for (HighsInt k = 0; k < num_col; ++k) {
    if (col_index[to_size(k)] < 0 || col_index[to_size(k)] >= n) return {};
    if (takes_part(col_bound[to_size(k)])) out.push_back({true, col_index[to_size(k)]});
  }
  for (HighsInt k = 0; k < num_row; ++k) {
    if (row_index[to_size(k)] < 0 || row_index[to_size(k)] >= m) return {};
    if (takes_part(row_bound[to_size(k)])) out.push_back({false, row_index[to_size(k)]});
  }
  return out;
}

}  // namespace tvx
