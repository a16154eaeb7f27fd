// The dispatcher of dispatch.h and the cases it settles without an engine.
#include "solve/dispatch.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/status.h"
#include "solve/answer_check.h"

namespace tvx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A bound on the wrong side of infinity (x >= +inf, a.x <= -inf) can never
// hold; engines differ on how they take it, so it is settled here. A
// semi-continuous variable always has 0.
bool trivially_infeasible(const Store &model, std::string &why) {
  const auto impossible = [](double lower, double upper) {
    return finite_or_inf(lower) == kInf || finite_or_inf(upper) == -kInf;
  };
  for (int j = 0; j < model.num_vars(); ++j) {
    if (!is_semi_type(model.vars().type[j]) && impossible(model.vars().lb[j], model.vars().ub[j])) {
      why = "variable " + std::to_string(j) + " has an infinite bound on the wrong side";
      return true;
    }
  }
  for (int i = 0; i < model.num_rows(); ++i) {
    if (impossible(model.rows().lhs[i], model.rows().rhs[i])) {
      why = "row " + std::to_string(i) + " has an infinite bound on the wrong side";
      return true;
    }
  }
  return false;
}

// A semi-continuous or semi-integer variable whose range excludes 0 and is
// infinite on its far side: HiGHS states it with a large finite bound and
// fails when the point sits there; the CBC formulation, where built, takes
// it as it is.
bool unbounded_semi_range(const Store &model) {
  const Vars &v = model.vars();
  for (int j = 0; j < model.num_vars(); ++j) {
    if (!is_semi_type(v.type[j])) continue;
    const double lb = finite_or_inf(v.lb[j]), ub = finite_or_inf(v.ub[j]);
    if ((lb > 0 && ub == kInf) || (ub < 0 && lb == -kInf)) return true;
  }
  return false;
}

// No variables: every row's activity is 0.
void solve_without_variables(const Problem &p, SolveOutcome &out) {
  Results &r = out.results;
  const std::size_t m = static_cast<std::size_t>(p.model.num_rows());
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
  return TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE;
}

void dispatch(const SolveInput &input, const Engines &engines, SolveContext &context,
              SolveOutcome &out) {
  const Store &model = input.model();
  LogFile &log = context.log;
  Problem problem{model, input.params, context, Hessian(), false};
  for (char type : model.vars().type) problem.discrete = problem.discrete || type != 'C';

  const Engine *engine = engines.linear;
  problem.hessian = build_hessian(model.qterms(), model.num_vars());
  const bool combinatorial = model.num_sos() > 0 || model.num_genconstrs() > 0;
  problem.discrete = problem.discrete || combinatorial;
  if (model.num_psd_vars() > 0 || model.num_psd_rows() > 0) {
    if (problem.discrete || !problem.hessian.empty()) {
      out.code = refuse(log,
                        "a semidefinite model with integer, semi-continuous or semi-integer "
                        "variables, SOS, indicator constraints or a quadratic objective");
      return;
    }
    engine = engines.semidefinite;
    if (engine == nullptr) {
      // Unbuilt: the DSDP engine.
      out.code = refuse(log, "semidefinite models need the DSDP engine, which is not built");
      return;
    }
  }
  if (!problem.hessian.empty() && problem.discrete) {
    out.code = refuse(log,
                      "a quadratic objective with integer, semi-continuous or "
                      "semi-integer variables, SOS or indicator constraints");
    return;
  }
  if (combinatorial || (problem.discrete && context.callback != nullptr)) {
    engine = engines.combinatorial;
    if (engine == nullptr) {
      out.code = refuse(log, combinatorial ? "SOS and indicator constraints need the CBC engine"
                                           : "a MIP with a callback needs the CBC engine");
      return;
    }
  } else if (engines.combinatorial != nullptr && unbounded_semi_range(model)) {
    engine = engines.combinatorial;
  }
  const double sign = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;
  if (!problem.hessian.empty() && !positive_semidefinite(problem.hessian, sign)) {
    out.code = refuse(log, model.sense() == TVX_MINIMIZE
                               ? "the quadratic objective of a minimisation is not convex"
                               : "the quadratic objective of a maximisation is not concave");
    return;
  }

  std::string why;
  if (trivially_infeasible(model, why)) {
    log.line("Infeasible: " + why + ".");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  if (model.num_vars() == 0 && model.num_psd_vars() == 0) {
    solve_without_variables(problem, out);
  } else if (engine == nullptr) {
    out.code = refuse(log, "no engine is built for linear models");
    return;
  } else if (context.stop_requested()) {
    log.line("Stopped on request before solving.");
    out.code = context.stop_code();
    return;
  } else {
    log.line(std::string("Solving with ") + engine->name() + ".");
    engine->solve(problem, out);
  }
  check_answer(problem, out);
}

}  // namespace

std::vector<IisMember> Engine::iis_candidate(const Store &, double) const { return {}; }

double Problem::param(const char *name) const {
  const int index = find_param(name);
  if (index < 0) throw std::logic_error("unknown parameter");
  return params.value[static_cast<std::size_t>(index)];
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
