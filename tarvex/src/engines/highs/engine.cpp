// The HiGHS engine: LP, convex QP and MIP (semi-continuous and semi-integer
// variables included).
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/numeric.h"
#include "core/status.h"
#include "engines/highs/highs.h"
#include "solve/prepare.h"

namespace tvx {
namespace {

void on_highs_event(int type, const char *message, const HighsCallbackDataOut *,
                    HighsCallbackDataIn *in, void *data) {
  try {
    Listener *listener = static_cast<Listener *>(data);
    switch (type) {
      case kHighsCallbackLogging:
        if (message != nullptr) listener->context->log.write(message);
        break;
      case kHighsCallbackMipImprovingSolution:
        listener->improving.fetch_add(1, std::memory_order_relaxed);
        break;
      case kHighsCallbackSimplexInterrupt:
      case kHighsCallbackIpmInterrupt:
      case kHighsCallbackMipInterrupt:
        if (in != nullptr && listener->context->stop_requested()) in->user_interrupt = 1;
        break;
      default:
        break;
    }
  } catch (...) {
    // A lost log line is not worth unwinding through HiGHS.
  }
}

// Sets options, remembering whether HiGHS refused any.
class Options {
 public:
  Options(void *highs, LogFile &log) : highs_(highs), log_(log) {}
  bool ok() const { return ok_; }

  void flag(const char *name, bool value) {
    check(name, Highs_setBoolOptionValue(highs_, name, value ? 1 : 0));
  }
  void integer(const char *name, int value) {
    check(name, Highs_setIntOptionValue(highs_, name, value));
  }
  void real(const char *name, double value) {
    check(name, Highs_setDoubleOptionValue(highs_, name, value));
  }
  void text(const char *name, const char *value) {
    check(name, Highs_setStringOptionValue(highs_, name, value));
  }

 private:
  void check(const char *name, HighsInt status) {
    if (status != kHighsStatusError) return;
    ok_ = false;
    log_.line(std::string("HiGHS refused the value of its option ") + name + ".");
  }

  void *highs_;
  LogFile &log_;
  bool ok_ = true;
};

// The columns as HiGHS takes them. A semi-continuous or semi-integer
// variable x takes 0 or a value in [lb, ub], which HiGHS states only for
// 0 < lb: an interval holding 0 makes it an ordinary variable, an empty one
// fixes it at 0, and an interval below 0 is stated for x' = -x.
struct Columns {
  std::vector<double> cost, lower, upper;
  std::vector<HighsInt> integrality;
  std::vector<char> negated;
  bool mip = false;
  bool any_negated = false;

  // HiGHS holds its own copy once the model is passed; the rest of the run
  // reads only negated and mip.
  void drop_passed() noexcept {
    std::vector<double>().swap(cost);
    std::vector<double>().swap(lower);
    std::vector<double>().swap(upper);
    std::vector<HighsInt>().swap(integrality);
  }
};

Columns columns_of(const Store &model) {
  const Vars &v = model.vars();
  const std::size_t n = to_size(model.num_vars());
  Columns c;
  c.cost = v.obj;
  c.lower.resize(n);
  c.upper.resize(n);
  c.integrality.assign(n, kHighsVarTypeContinuous);
  c.negated.assign(n, 0);
  for (std::size_t j = 0; j < n; ++j) {
    double lb = finite_or_inf(v.lb[j]), ub = finite_or_inf(v.ub[j]);
    HighsInt type = kHighsVarTypeContinuous;
    switch (v.type[j]) {
      case 'B':
        lb = std::max(lb, 0.0);
        ub = std::min(ub, 1.0);
        type = kHighsVarTypeInteger;
        break;
      case 'I':
        type = kHighsVarTypeInteger;
        break;
      case 'S':
      case 'N': {
        const bool integer = v.type[j] == 'N';
        if (lb > ub || lb == kInf) {
          lb = ub = 0;
        } else if (lb <= 0 && ub >= 0) {
          type = integer ? kHighsVarTypeInteger : kHighsVarTypeContinuous;
        } else {
          if (ub < 0) {
            const double low = lb;
            lb = -ub;
            ub = -low;
            c.cost[j] = -c.cost[j];
            c.negated[j] = 1;
            c.any_negated = true;
          }
          type = integer ? kHighsVarTypeSemiInteger : kHighsVarTypeSemiContinuous;
        }
        break;
      }
      default:
        break;
    }
    c.lower[j] = lb;
    c.upper[j] = ub;
    c.integrality[j] = type;
    c.mip = c.mip || type != kHighsVarTypeContinuous;
  }
  return c;
}

// HiGHS's limits on the data (DataLimits). The first two are its options'
// defaults, set again in set_options so that the two cannot drift: a matrix
// or Hessian entry of large_matrix_value or more makes it refuse the model,
// and it takes a cost of infinite_cost or more for infinite. The far bound
// of a semi-continuous or semi-integer variable above 1e5 it tightens to
// 1e5 (its kMaxSemiVariableUpper), so that a point beyond is lost.
constexpr double kLargeMatrixValue = 1e15;
constexpr double kInfiniteCost = 1e20;
constexpr double kMaxSemiVariableUpper = 1e5;

// The smallest values HiGHS accepts for its tolerance options (it refuses
// a smaller one): the primal, dual and MIP feasibility tolerances, and the
// IPM optimality tolerance. The parameter table allows less for the IPM
// feasibility tolerances.
constexpr double kMinFeasibilityTolerance = 1e-10;
constexpr double kMinIpmOptimalityTolerance = 1e-12;

// The method of an LP, and the options only an LP takes. Returns the method
// (-1: HiGHS's choice).
int set_lp_options(Options &o, const Problem &p) {
  const int method = p.int_param(Param::Method);
  switch (method) {
    case 0:
      o.text("solver", "simplex");
      o.integer("simplex_strategy", 4);  // primal
      break;
    case 1:
      o.text("solver", "simplex");
      o.integer("simplex_strategy", 1);  // dual
      break;
    case 2:
      o.text("solver", "ipm");
      break;
    case 3:
      o.text("solver", "pdlp");
      break;
    default:
      break;
  }
  const int dualize = p.int_param(Param::Dualization);
  if (dualize == 0 || dualize == 1) {
    o.integer("simplex_dualize_strategy", dualize == 1 ? 1 : -1);
    o.integer("ipx_dualize_strategy", dualize == 1 ? 1 : -1);
  }
  o.integer("simplex_primal_edge_weight_strategy", p.int_param(Param::SPX_PrimalPricing));
  o.integer("simplex_dual_edge_weight_strategy", p.int_param(Param::SPX_DualPricing));
  // Any optimal point will do: no crossover to a basic one.
  if (p.int_param(Param::SolutionTarget) == 1) o.text("run_crossover", "off");
  return method;
}

void set_mip_options(Options &o, const Problem &p) {
  o.real("mip_feasibility_tolerance",
         std::max(kMinFeasibilityTolerance, p.param(Param::MIP_IntegerTolerance)));
  o.real("mip_rel_gap", p.param(Param::MIP_GapRel));
  o.real("mip_abs_gap", p.param(Param::MIP_GapAbs));
  o.integer("mip_max_nodes", p.int_param(Param::MIP_MaxNodes));
  o.integer("mip_max_improving_sols", p.int_param(Param::MIP_MaxSols));
  o.integer("mip_max_stall_nodes", p.int_param(Param::MIP_MaxStallingNodes));
  // HiGHS bounds the objective it minimises, the negated one of a
  // maximisation.
  const double cutoff = p.param(Param::MIP_Cutoff);
  if (std::fabs(cutoff) < kInfinity) {
    o.real("objective_bound", p.model.sense() == TVX_MINIMIZE ? cutoff : -cutoff);
  }
}

void set_options(Options &o, const Problem &p, bool lp, bool mip) {
  const double max_time = p.param(Param::MaxTime);
  if (max_time < kInfinity) o.real("time_limit", max_time);
  const int threads = p.int_param(Param::NumThreads);
  if (threads >= 1) {
    o.integer("threads", threads);
    if (threads == 1) o.text("parallel", "off");
  }
  const int presolve = p.int_param(Param::Presolve);
  if (presolve == 0) o.text("presolve", "off");
  if (presolve == 1) o.text("presolve", "on");
  const int method = lp ? set_lp_options(o, p) : -1;
  o.real("large_matrix_value", kLargeMatrixValue);
  o.real("infinite_cost", kInfiniteCost);

  // HiGHS has one pair of feasibility tolerances for every method.
  const bool interior = method == 2 || method == 3;
  o.real("primal_feasibility_tolerance",
         std::max(kMinFeasibilityTolerance,
                  p.param(interior ? Param::IPM_PrimalTolerance : Param::SPX_PrimalTolerance)));
  o.real("dual_feasibility_tolerance",
         std::max(kMinFeasibilityTolerance,
                  p.param(interior ? Param::IPM_DualTolerance : Param::SPX_DualTolerance)));
  o.real("ipm_optimality_tolerance",
         std::max(kMinIpmOptimalityTolerance, p.param(Param::IPM_GapTolerance)));
  o.integer("simplex_iteration_limit", p.int_param(Param::SPX_MaxIterations));
  o.integer("qp_iteration_limit", p.int_param(Param::SPX_MaxIterations));
  o.integer("ipm_iteration_limit", p.int_param(Param::IPM_MaxIterations));
  o.integer("pdlp_iteration_limit", p.int_param(Param::IPM_MaxIterations));
  if (mip) set_mip_options(o, p);
}

// HiGHS reports every MIP limit but time as one status; which of ours was
// reached follows from the counts.
int solution_limit_code(const Problem &p, std::int64_t nodes, int improving) {
  const int max_nodes = p.int_param(Param::MIP_MaxNodes);
  if (max_nodes < INT_MAX && nodes >= max_nodes) return TVX_ERROR_ABORT_NODE_LIMIT;
  const int max_sols = p.int_param(Param::MIP_MaxSols);
  if (max_sols < INT_MAX && improving >= max_sols) return TVX_ERROR_ABORT_SOLUTION_LIMIT;
  if (p.int_param(Param::MIP_MaxStallingNodes) < INT_MAX)
    return TVX_ERROR_ABORT_STALLING_NODE_LIMIT;
  return TVX_ERROR_ABORT_SOLUTION_LIMIT;
}

int basis_from_highs(HighsInt status) {
  switch (status) {
    case kHighsBasisStatusBasic:
      return kBasisBasic;
    case kHighsBasisStatusUpper:
      return kBasisUpper;
    case kHighsBasisStatusZero:
      return kBasisSuperbasic;
    default:
      return kBasisLower;  // lower, or nonbasic fixed
  }
}

// The start basis in HiGHS's statuses, or false when it does not fit.
bool basis_to_highs(const Store &model, std::vector<HighsInt> &col, std::vector<HighsInt> &row) {
  const std::optional<Basis> &b = model.start_basis();
  if (!b || b->col.size() != to_size(model.num_vars()) ||
      b->row.size() != to_size(model.num_rows())) {
    return false;
  }
  const auto map = [](const std::vector<int> &in, std::vector<HighsInt> &out) {
    out.clear();
    for (int s : in) {
      switch (s) {
        case kBasisLower:
          out.push_back(kHighsBasisStatusLower);
          break;
        case kBasisBasic:
          out.push_back(kHighsBasisStatusBasic);
          break;
        case kBasisUpper:
          out.push_back(kHighsBasisStatusUpper);
          break;
        case kBasisSuperbasic:
          out.push_back(kHighsBasisStatusZero);
          break;
        default:
          return false;
      }
    }
    return true;
  };
  return map(b->col, col) && map(b->row, row);
}

HighsInt int_info(void *highs, const char *name) {
  HighsInt value = 0;
  if (Highs_getIntInfoValue(highs, name, &value) == kHighsStatusError) return 0;
  return std::max<HighsInt>(value, 0);
}

// A ray of the given length, when HiGHS has one at hand. The first call
// only asks, so HiGHS never solves another LP to find one.
template <class Get>
std::optional<std::vector<double>> ray(void *highs, std::size_t length, Get get) {
  HighsInt has = 0;
  if (get(highs, &has, nullptr) == kHighsStatusError || !has) return std::nullopt;
  std::vector<double> values(length);
  if (get(highs, &has, values.data()) == kHighsStatusError || !has) return std::nullopt;
  return values;
}

// Receives HiGHS's log and events (Listener), and gives it the options of
// the problem; false when HiGHS refused either.
bool prepare(void *highs, const Problem &p, const Columns &cols, bool lp, Listener &listener,
             SolveOutcome &out) {
  if (!listen(highs, listener)) {
    out.code = TVX_ERROR_ERROR;
    return false;
  }
  Options options(highs, p.log());
  if (p.log().enabled()) {
    options.flag("output_flag", true);
    Highs_startCallback(highs, kHighsCallbackLogging);
  }
  if (cols.mip && p.int_param(Param::MIP_MaxSols) < INT_MAX) {
    Highs_startCallback(highs, kHighsCallbackMipImprovingSolution);
  }
  set_options(options, p, lp, cols.mip);
  if (!options.ok()) out.code = TVX_ERROR_PARAM_SET_ERROR;
  return options.ok();
}

// The factor of each row as HiGHS is handed it (solve/prepare.h); empty
// when every one is 1.
std::vector<double> row_scales(const Store &model) {
  std::vector<double> scales;
  for (int i = 0; i < model.num_rows(); ++i) {
    const double s = row_scale(model, i);
    if (s != 1 && scales.empty()) scales.assign(to_size(model.num_rows()), 1.0);
    if (!scales.empty()) scales[to_size(i)] = s;
  }
  return scales;
}

// Columns, rows, matrix, Hessian and integrality in one call.
bool pass_model(void *highs, const Problem &p, const Columns &cols,
                const std::vector<double> &scales) {
  const Store &model = p.model;
  const ColumnView &a = model.columns();
  std::vector<HighsInt> a_start(a.beg.begin(), a.beg.end());
  const bool copied = cols.any_negated || !scales.empty();
  std::vector<double> a_value;
  if (copied) {
    a_value = a.val;
    for (int j = 0; j < model.num_vars(); ++j) {
      const double sign = cols.negated[to_size(j)] ? -1.0 : 1.0;
      for (std::size_t k = a.beg[to_size(j)]; k < a.beg[to_size(j) + 1]; ++k) {
        a_value[k] *= scales.empty() ? sign : sign * scales[to_size(a.row[k])];
      }
    }
  }
  RowBounds rows = row_bounds_of(model);
  for (std::size_t i = 0; i < scales.size(); ++i) {
    rows.lower[i] *= scales[i];
    rows.upper[i] *= scales[i];
  }
  const Hessian &q = p.hessian;
  return Highs_passModel(
             highs, model.num_vars(), model.num_rows(), static_cast<HighsInt>(a.row.size()),
             static_cast<HighsInt>(q.value.size()), kHighsMatrixFormatColwise,
             kHighsHessianFormatTriangular,
             model.sense() == TVX_MINIMIZE ? kHighsObjSenseMinimize : kHighsObjSenseMaximize,
             model.objcon(), cols.cost.data(), cols.lower.data(), cols.upper.data(),
             rows.lower.data(), rows.upper.data(), a_start.data(), a.row.data(),
             copied ? a_value.data() : a.val.data(), q.empty() ? nullptr : q.start.data(),
             q.empty() ? nullptr : q.index.data(), q.empty() ? nullptr : q.value.data(),
             cols.mip ? cols.integrality.data() : nullptr) != kHighsStatusError;
}

// The model's MIP start for a MIP, its start basis for an LP; one that
// HiGHS refuses is left out (and said in the log).
void set_start(void *highs, const Problem &p, const Columns &cols, bool lp) {
  const Store &model = p.model;
  if (cols.mip) {
    std::vector<HighsInt> index;
    std::vector<double> value;
    for (int j = 0; j < model.num_vars(); ++j) {
      const double s = model.vars().start[to_size(j)];
      if (s == kUndefined || !std::isfinite(s)) continue;
      index.push_back(j);
      value.push_back(cols.negated[to_size(j)] ? -s : s);
    }
    if (!index.empty() &&
        Highs_setSparseSolution(highs, static_cast<HighsInt>(index.size()), index.data(),
                                value.data()) == kHighsStatusError) {
      p.log().line("HiGHS refused the MIP start; solving without it.");
    }
  } else if (lp && model.start_basis()) {
    std::vector<HighsInt> col_status, row_status;
    if (!basis_to_highs(model, col_status, row_status) ||
        Highs_setBasis(highs, col_status.data(), row_status.data()) == kHighsStatusError) {
      p.log().line("The start basis does not fit the model; solving without it.");
    }
  }
}

SolveStats stats_of(void *highs) {
  SolveStats stats;
  stats.spx_iters = int_info(highs, "simplex_iteration_count") +
                    int_info(highs, "crossover_iteration_count") +
                    int_info(highs, "qp_iteration_count");
  stats.ipm_iters =
      int_info(highs, "ipm_iteration_count") + int_info(highs, "pdlp_iteration_count");
  stats.solver_time = Highs_getRunTime(highs);
  return stats;
}

// Our code and status for HiGHS's model status after a run that returned
// ran; out.results.stats and out.nodes are already read.
void set_status(void *highs, HighsInt ran, const Problem &p, const Listener &listener,
                SolveOutcome &out) {
  Results &r = out.results;
  const bool feasible = int_info(highs, "primal_solution_status") == kHighsSolutionStatusFeasible;
  const auto stopped = [&](int code) {
    out.code = code;
    r.status = feasible ? TVX_STATUS_SUB_OPTIMAL : TVX_STATUS_UNKNOWN;
  };
  switch (Highs_getModelStatus(highs)) {
    case kHighsModelStatusOptimal:
    case kHighsModelStatusModelEmpty:
      r.status = TVX_STATUS_OPTIMAL;
      break;
    case kHighsModelStatusInfeasible:
    case kHighsModelStatusObjectiveBound:  // nothing better than the cutoff
      r.status = TVX_STATUS_INFEASIBLE;
      break;
    case kHighsModelStatusUnboundedOrInfeasible:
      r.status = TVX_STATUS_INF_OR_UBD;
      break;
    case kHighsModelStatusUnbounded:
      r.status = TVX_STATUS_UNBOUNDED;
      break;
    case kHighsModelStatusTimeLimit:
      stopped(TVX_ERROR_ABORT_TIME_LIMIT);
      break;
    case kHighsModelStatusIterationLimit:
      stopped(TVX_ERROR_ABORT_ITERATION_LIMIT);
      break;
    case kHighsModelStatusSolutionLimit:
      stopped(solution_limit_code(p, out.nodes, listener.improving.load()));
      break;
    case kHighsModelStatusInterrupt:
      stopped(p.context.stop_code());
      break;
    case kHighsModelStatusUnknown:
      stopped(r.stats->ipm_iters > 0 && r.stats->spx_iters == 0 ? TVX_ERROR_INTERIOR_NUMERIC
                                                                : TVX_ERROR_SIMPLEX_NUMERIC);
      break;
    case kHighsModelStatusLoadError:
    case kHighsModelStatusModelError:
      out.code = TVX_ERROR_MODEL_INPUT_ERROR;
      break;
    default:
      out.code = TVX_ERROR_ERROR;
      break;
  }
  if (ran == kHighsStatusError && out.code == TVX_ERROR_OKAY) {
    out.code = TVX_ERROR_ERROR;
    r.status = TVX_STATUS_UNKNOWN;
  }
}

// The point, its objective, duals, basis and MIP bound when the status has
// a point; rays of an LP that has none.
void read_results(void *highs, const Problem &p, const Columns &cols, bool lp,
                  const std::vector<double> &scales, SolveOutcome &out) {
  Results &r = out.results;
  const std::size_t n = to_size(p.model.num_vars()), m = to_size(p.model.num_rows());
  if (r.status == TVX_STATUS_OPTIMAL || r.status == TVX_STATUS_SUB_OPTIMAL) {
    std::vector<double> x(n), col_dual(n), row_value(m), row_dual(m);
    if (Highs_getSolution(highs, x.data(), col_dual.data(), row_value.data(), row_dual.data()) !=
        kHighsStatusError) {
      for (std::size_t j = 0; j < n; ++j) {
        if (cols.negated[j]) x[j] = -x[j];
      }
      r.x = std::move(x);
      r.primal_obj = Highs_getObjectiveValue(highs);
      const bool duals = int_info(highs, "dual_solution_status") == kHighsSolutionStatusFeasible;
      if (!cols.mip && duals) {
        for (std::size_t i = 0; i < scales.size(); ++i) row_dual[i] *= scales[i];
        r.dual = std::move(row_dual);
        r.reduced_cost = std::move(col_dual);
      }
    }
    if (cols.mip) {
      double bound = 0;
      if (Highs_getDoubleInfoValue(highs, "mip_dual_bound", &bound) != kHighsStatusError &&
          std::isfinite(bound)) {
        r.dual_obj = bound;
      }
    }
    if (lp && int_info(highs, "basis_validity") == kHighsBasisValidityValid) {
      std::vector<HighsInt> col_status(n), row_status(m);
      if (Highs_getBasis(highs, col_status.data(), row_status.data()) != kHighsStatusError) {
        Basis basis;
        for (HighsInt s : col_status) basis.col.push_back(basis_from_highs(s));
        for (HighsInt s : row_status) basis.row.push_back(basis_from_highs(s));
        r.basis = std::move(basis);
      }
    }
  }
  if (lp && (r.status == TVX_STATUS_UNBOUNDED || r.status == TVX_STATUS_INF_OR_UBD)) {
    r.primal_ray = ray(highs, n, Highs_getPrimalRay);
  }
  if (lp && (r.status == TVX_STATUS_INFEASIBLE || r.status == TVX_STATUS_INF_OR_UBD)) {
    r.dual_ray = ray(highs, m, Highs_getDualRay);
    if (r.dual_ray) {
      for (std::size_t i = 0; i < scales.size(); ++i) (*r.dual_ray)[i] *= scales[i];
    }
  }
}

}  // namespace

HighsHandle new_quiet_highs() {
  HighsHandle highs(Highs_create());
  if (!highs) throw std::bad_alloc();
  if (Highs_setBoolOptionValue(highs.get(), "output_flag", 0) == kHighsStatusError ||
      Highs_setBoolOptionValue(highs.get(), "log_to_console", 0) == kHighsStatusError) {
    return nullptr;
  }
  return highs;
}

bool listen(void *highs, Listener &listener) {
  if (Highs_setCallback(highs, on_highs_event, &listener) == kHighsStatusError) return false;
  // The interrupt checks are where a stop request ends the run.
  for (const int check :
       {kHighsCallbackSimplexInterrupt, kHighsCallbackIpmInterrupt, kHighsCallbackMipInterrupt}) {
    Highs_startCallback(highs, check);
  }
  return true;
}

RowBounds row_bounds_of(const Store &model) {
  RowBounds rows;
  rows.lower.reserve(to_size(model.num_rows()));
  rows.upper.reserve(to_size(model.num_rows()));
  for (int i = 0; i < model.num_rows(); ++i) {
    rows.lower.push_back(finite_or_inf(model.rows().lhs[to_size(i)]));
    rows.upper.push_back(finite_or_inf(model.rows().rhs[to_size(i)]));
  }
  return rows;
}

void HighsEngine::solve(const Problem &p, SolveOutcome &out) const {
  if (p.model.num_nz() > to_size(INT_MAX)) {
    const char why[] = "the constraint matrix has more entries than HiGHS can index";
    p.log().line(std::string("HiGHS refused the model: ") + why + ".");
    out.code = fail_with(TVX_ERROR_MODEL_INPUT_ERROR, why);
    return;
  }
  Columns cols = columns_of(p.model);
  const bool lp = !cols.mip && p.hessian.empty();
  const HighsHandle owner = new_quiet_highs();
  void *highs = owner.get();
  if (highs == nullptr) {
    p.log().line("HiGHS refused to be quiet.");
    out.code = TVX_ERROR_PARAM_SET_ERROR;
    return;
  }
  Listener listener;
  listener.context = &p.context;
  if (!prepare(highs, p, cols, lp, listener, out)) return;
  const std::vector<double> scales = row_scales(p.model);
  if (!pass_model(highs, p, cols, scales)) {
    // The data is within limits() (the dispatcher checked): the cause is
    // unknown.
    p.log().line("HiGHS refused the model.");
    out.code = TVX_ERROR_MODEL_INPUT_ERROR;
    return;
  }
  cols.drop_passed();
  set_start(highs, p, cols, lp);

  const HighsInt ran = Highs_run(highs);
  out.results.stats = stats_of(highs);
  if (cols.mip) {
    int64_t nodes = 0;
    if (Highs_getInt64InfoValue(highs, "mip_node_count", &nodes) != kHighsStatusError) {
      out.nodes = std::max<int64_t>(nodes, 0);
    }
  }
  set_status(highs, ran, p, listener, out);
  read_results(highs, p, cols, lp, scales, out);
}

DataLimits HighsEngine::limits() const {
  DataLimits limits;
  limits.coefficient = kLargeMatrixValue;
  limits.cost = kInfiniteCost;
  limits.semi_far_bound = kMaxSemiVariableUpper;
  return limits;
}

const Engine &highs_engine() {
  static const HighsEngine engine;
  return engine;
}

}  // namespace tvx
