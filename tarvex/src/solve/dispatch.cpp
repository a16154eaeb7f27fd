// The dispatcher of dispatch.h and the cases it settles without an engine.
#include "solve/dispatch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "core/status.h"
#include "solve/answer_check.h"
#include "solve/prepare.h"

namespace tvx {
namespace {

// A bound on the wrong side of infinity (x >= +inf, a.x <= -inf) can never
// hold; engines differ on how they take it, so it is settled here. A
// semi-continuous variable always has 0.
bool trivially_infeasible(const Store &model, std::string &why) {
  const auto impossible = [](double lower, double upper) {
    return finite_or_inf(lower) == kInf || finite_or_inf(upper) == -kInf;
  };
  for (int j = 0; j < model.num_vars(); ++j) {
    if (!is_semi_type(model.vars().type[to_size(j)]) &&
        impossible(model.vars().lb[to_size(j)], model.vars().ub[to_size(j)])) {
      why = "variable " + std::to_string(j) + " has an infinite bound on the wrong side";
      return true;
    }
  }
  for (int i = 0; i < model.num_rows(); ++i) {
    if (impossible(model.rows().lhs[to_size(i)], model.rows().rhs[to_size(i)])) {
      why = "row " + std::to_string(i) + " has an infinite bound on the wrong side";
      return true;
    }
  }
  return false;
}

// A semi-continuous or semi-integer variable whose range excludes 0 and
// reaches beyond far on its far side (an infinite side does): beyond the
// linear engine's semi_far_bound (HiGHS cuts the range at 1e5, or fails),
// the CBC formulation takes it as it is.
bool semi_range_beyond(const Store &model, double far) {
  const Vars &v = model.vars();
  for (int j = 0; j < model.num_vars(); ++j) {
    if (!is_semi_type(v.type[to_size(j)])) continue;
    const double lb = finite_or_inf(v.lb[to_size(j)]), ub = finite_or_inf(v.ub[to_size(j)]);
    if ((lb > 0 && lb <= ub && ub > far) || (ub < 0 && lb <= ub && lb < -far)) return true;
  }
  return false;
}

// No variables: every row's activity is 0.
void solve_without_variables(const Problem &p, SolveOutcome &out) {
  Results &r = out.results;
  const std::size_t m = to_size(p.model.num_rows());
  r.stats = SolveStats();
  if (!point_violation(p, {}).empty()) {
    r.status = TVX_STATUS_INFEASIBLE;
    return;
  }
  r.status = TVX_STATUS_OPTIMAL;
  r.x.emplace();
  r.reduced_cost.emplace();
  r.dual = std::vector<double>(m, 0.0);
  Basis basis;
  basis.row.assign(m, kBasisBasic);
  r.basis = std::move(basis);
}

int refuse(LogFile &log, const std::string &why) {
  log.line("No engine can solve this model: " + why + ".");
  return fail_with(TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE, why);
}

// Why no engine takes a semidefinite model, or "" when one does.
std::string psd_refusal(const Problem &p) {
  const std::vector<char> &types = p.model.vars().type;
  const auto j = std::find_if(types.begin(), types.end(), [](char t) { return t != 'C'; });
  if (j != types.end()) {
    const char *const kind = *j == 'B'   ? "a binary"
                             : *j == 'S' ? "a semi-continuous"
                             : *j == 'N' ? "a semi-integer"
                                         : "an integer";
    return std::string("a semidefinite model with ") + kind + " variable (" +
           element_text(TVX_ATTRKIND_VAR, static_cast<int>(j - types.begin())) + ")";
  }
  if (p.model.num_sos() > 0) return "a semidefinite model with SOS constraints";
  if (p.model.num_genconstrs() > 0) return "a semidefinite model with indicator constraints";
  if (!p.hessian.empty()) return "a semidefinite model with a quadratic objective";
  return std::string();
}

EngineChoice refused(std::string why) { return EngineChoice{nullptr, std::move(why)}; }

// The chosen engine's run, or a case settled here, then the answer check.
// no_integer: why the prepared model has no point, or "".
void run(const Problem &p, const Engine *engine, const std::string &no_integer, SolveOutcome &out) {
  LogFile &log = p.log();
  std::string why = no_integer;
  if (!why.empty() || trivially_infeasible(p.model, why)) {
    log.line("Infeasible: " + why + ".");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  if (p.model.num_vars() == 0 && p.model.num_psd_vars() == 0) {
    solve_without_variables(p, out);
  } else if (engine == nullptr) {
    out.code = refuse(log, "no engine is built for linear models");
    return;
  } else if (p.context.stop_requested()) {
    log.line("Stopped on request before solving.");
    out.code = p.context.stop_code();
    return;
  } else {
    log.line(std::string("Solving with ") + engine->name() + ".");
    engine->solve(p, out);
  }
  check_answer(p, out);
}

void dispatch(const SolveInput &input, const Engines &engines, SolveContext &context,
              SolveOutcome &out) {
  const PreparedModel prepared(input.model(), input.params[Param::MIP_IntegerTolerance]);
  const Problem problem = make_problem(prepared.model(), input.params, context);
  const EngineChoice choice = choose_engine(problem, engines);
  if (!choice.refusal.empty()) {
    out.code = refuse(context.log, choice.refusal);
    return;
  }
  if (choice.engine != nullptr) {
    const std::string why = beyond_limits(problem, choice.engine->limits(), choice.engine->name());
    if (!why.empty()) {
      context.log.line("The model's data is beyond the engine's limits: " + why + ".");
      out.code = fail_with(kBadData, why);
      return;
    }
  }
  run(problem, choice.engine, prepared.no_integer(), out);
}

}  // namespace

Problem make_problem(const Store &model, const ParamValues &params, SolveContext &context) {
  Problem problem{model, params, context, build_hessian(model.qterms(), model.num_vars()), false};
  for (char type : model.vars().type) problem.discrete = problem.discrete || type != 'C';
  problem.discrete = problem.discrete || model.num_sos() > 0 || model.num_genconstrs() > 0;
  return problem;
}

EngineChoice choose_engine(const Problem &p, const Engines &engines) {
  const Store &model = p.model;
  EngineChoice choice{engines.linear, std::string()};
  if (model.num_psd_vars() > 0 || model.num_psd_rows() > 0) {
    std::string why = psd_refusal(p);
    if (!why.empty()) return refused(std::move(why));
    if (engines.semidefinite == nullptr) {
      return refused("semidefinite models need the DSDP engine, which is not built");
    }
    choice.engine = engines.semidefinite;
  }
  if (!p.hessian.empty() && p.discrete) {
    return refused(
        "a quadratic objective with integer, semi-continuous or semi-integer variables, SOS or "
        "indicator constraints");
  }
  const bool combinatorial = model.num_sos() > 0 || model.num_genconstrs() > 0;
  if (combinatorial || (p.discrete && p.context.callback != nullptr)) {
    if (engines.combinatorial == nullptr) {
      return refused(combinatorial ? "SOS and indicator constraints need the CBC engine"
                                   : "a MIP with a callback needs the CBC engine");
    }
    choice.engine = engines.combinatorial;
  } else if (engines.combinatorial != nullptr && engines.linear != nullptr &&
             semi_range_beyond(model, engines.linear->limits().semi_far_bound)) {
    choice.engine = engines.combinatorial;
  }
  const double sign = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;
  if (!p.hessian.empty() && !positive_semidefinite(p.hessian, sign)) {
    return refused(model.sense() == TVX_MINIMIZE
                       ? "the quadratic objective of a minimisation is not convex"
                       : "the quadratic objective of a maximisation is not concave");
  }
  return choice;
}

std::vector<IisMember> Engine::iis_candidate(const Store &, SolveContext &, double) const {
  return {};
}

Engines built_engines() {
  Engines engines;
  engines.linear = &highs_engine();
  engines.combinatorial = &cbc_engine();
  engines.semidefinite = &dsdp_engine();
  return engines;
}

SolveOutcome solve(const SolveInput &input, SolveContext &context, const Engines &engines) {
  const auto started = std::chrono::steady_clock::now();
  SolveOutcome out;
  try {
    dispatch(input, engines, context, out);
  } catch (...) {
    out = SolveOutcome();
    out.code = current_exception_status();
  }
  if (out.results.stats) {
    out.results.stats->total_time =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  }
  return out;
}

SolveOutcome solve(const SolveInput &input, const Engines &engines) {
  SolveContext context(input.logfile);
  return solve(input, context, engines);
}

}  // namespace tvx
