// The DSDP engine: models with PSD variables or rows, every variable
// continuous and the objective linear (the dispatcher refuses the rest).
// The model goes to DSDP in the standard form of formulation.h, one run at a
// time (run.h), and its point through the dispatcher's answer check.
//
// DSDP judges (P) through (D), so a run whose (D) has no interior (a zero
// objective, or one constant on part of the cone) reports an infeasible
// model unbounded, or ends in numerical trouble. Its verdicts other than an
// optimum are therefore settled by the bounded questions of questions.h:
//   1. feasibility: infeasible there is INFEASIBLE; a feasible point found
//      is the optimum of a zero objective (asked first for one, without a
//      run of the form itself);
//   2. the ball around the origin: an optimum there that the ball does not
//      bind is the form's optimum;
//   3. the ray: an improving direction beside a feasible point is
//      UNBOUNDED. So is a feasible model DSDP finds (D) infeasible for,
//      when its objective still falls steeply at the ball's edge (it may
//      improve along a curve only, as min -2 X01 s.t. X00 = 1 does).
// Whatever stays open is a numerical error.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engines/dsdp/formulation.h"
#include "engines/dsdp/questions.h"
#include "engines/dsdp/run.h"
#include "solve/engine.h"

namespace tvx {
namespace {

using Clock = std::chrono::steady_clock;

// The ball's radius, in units of the smallest tr X + sum z of a feasible
// point: wide enough to hold the optima of models posed at a sane scale,
// narrow enough for DSDP to solve the ball to the accuracy of the form.
constexpr double kBallRadius = 1e4;
// The ball binds steeply when doubling its radius would improve the
// objective by at least this share of its magnitude (plus 1): a model that
// falls no faster is not called unbounded without an improving direction.
constexpr double kSteepShare = 1e-2;

// The point, the row duals and reduced costs in the model's terms, and the
// dual objective; the dispatcher adds activities and the objective. run's
// z and y may hold a question's own column and row past the form's.
void set_results(const Problem &p, const SdpForm &form, const Run &run, SolveOutcome &out) {
  Results &r = out.results;
  const Store &model = p.model;
  const double sign = form.maximize ? -1.0 : 1.0;
  if (r.status != TVX_STATUS_OPTIMAL && r.status != TVX_STATUS_SUB_OPTIMAL) return;
  if (run.x.size() != form.block_dim.size() || run.z.size() < to_size(form.num_lp)) return;
  r.x = model_point(form, run.z.data(), run.x);
  r.psd_x = run.x;
  if (r.status != TVX_STATUS_OPTIMAL || run.y.size() < to_size(form.num_rows)) return;
  // y is the dual of the minimised form; the model's dual is d(objective)/d(side).
  const std::vector<double> full = full_duals(form, run.y.data());
  std::vector<double> dual(to_size(model.num_rows()), 0.0);
  for (int i = 0; i < model.num_rows(); ++i)
    dual[to_size(i)] = sign * full[to_size(form.row_of[to_size(i)])];
  std::vector<double> rc(model.vars().obj);
  for (int i = 0; i < model.num_rows(); ++i) {
    for (int e = 0; e < model.rows().terms.length(i); ++e) {
      rc[to_size(model.rows().terms.index(i)[e])] -=
          model.rows().terms.value(i)[e] * dual[to_size(i)];
    }
  }
  r.dual = std::move(dual);
  r.reduced_cost = std::move(rc);
  r.dual_obj = sign * (run.dobj + form.constant);
}

// A form without rows: every column and PSD variable at 0 (the form found
// whether the model is unbounded instead).
Run run_without_rows(const SdpForm &form) {
  Run run;
  run.verdict = Verdict::converged;
  run.x = zero_matrices(form);
  run.z.assign(to_size(form.num_lp), 0.0);
  return run;
}

// A variable in no row whose cost can fall without bound makes a feasible
// model unbounded; the solve of the rest said whether it is feasible.
void settle_unused(const Problem &p, const SdpForm &form, SolveOutcome &out) {
  Results &r = out.results;
  if (!form.unbounded_if_feasible || r.status != TVX_STATUS_OPTIMAL) return;
  p.log().line("Unbounded: " + form.why + ".");
  const SolveStats stats = r.stats.value_or(SolveStats());
  r = Results();
  r.status = TVX_STATUS_UNBOUNDED;
  r.stats = stats;
}

// A question's run in the form's units (questions.h): its point times the
// sides' factor, its y times the costs' factor when the question scaled the
// costs.
Run in_form_units(Run run, const QuestionScale &scale, bool costs) {
  for (std::vector<double> &x : run.x) {
    for (double &v : x) v *= scale.sides;
  }
  for (double &z : run.z) z *= scale.sides;
  const double dual = costs ? scale.costs : 1.0;
  for (double &y : run.y) y *= dual;
  run.pobj *= scale.sides * dual;
  run.dobj *= scale.sides * dual;
  return run;
}

// The answer for one model: its form's run, and the questions that settle
// what that run leaves open.
class Answer {
 public:
  Answer(const Problem &p, const SdpForm &form, Monitor &monitor, SolveOutcome &out)
      : p_(p), form_(form), scale_(question_scale(form)), monitor_(monitor), out_(out) {}

  void give() {
    if (zero_objective(form_)) {
      settle(Run());
      return;
    }
    const Run run = ask(form_);
    if (run.verdict == Verdict::infeasible || run.verdict == Verdict::unbounded ||
        run.verdict == Verdict::unsettled) {
      settle(run);
    } else {
      report(run);
    }
  }

  int iterations() const { return iterations_; }

 private:
  Run ask(const SdpForm &question) {
    Run run = run_form(p_, question, monitor_);
    iterations_ += run.iterations;
    return run;
  }

  void set(int status, const Run &run) {
    out_.results.status = status;
    set_results(p_, form_, run, out_);
  }

  // A run taken at its word: optimal, or stopped with its iterate.
  void report(const Run &run) {
    switch (run.verdict) {
      case Verdict::converged:
        set(TVX_STATUS_OPTIMAL, run);
        return;
      case Verdict::iteration_limit:
        out_.code = TVX_ERROR_ABORT_ITERATION_LIMIT;
        break;
      case Verdict::stopped:
        out_.code = monitor_.stopped;
        break;
      case Verdict::failed:
        out_.code = TVX_ERROR_INTERIOR_NUMERIC;
        return;
      default:
        out_.code = TVX_ERROR_INTERIOR_NUMERIC;
        break;
    }
    set(TVX_STATUS_SUB_OPTIMAL, run);  // the iterate, if the answer check takes it
  }

  // A question without an answer leaves the model open: the solve ends as
  // the form's run would (a numerical error with its iterate; none for a
  // zero objective, which had no run), with the question's code when it was
  // stopped.
  bool unanswered(const Run &question, const Run &run) {
    if (question.verdict == Verdict::converged || question.verdict == Verdict::infeasible) {
      return false;
    }
    report(run);
    if (question.verdict == Verdict::stopped) out_.code = monitor_.stopped;
    if (question.verdict == Verdict::iteration_limit) out_.code = TVX_ERROR_ABORT_ITERATION_LIMIT;
    return true;
  }

  void settle(const Run &run);
  void settle_in_ball(const Run &feasible, const Run &run);
  void settle_unbounded(const Run &ball, double radius, const Run &run);

  const Problem &p_;
  const SdpForm &form_;
  const QuestionScale scale_;
  Monitor &monitor_;
  SolveOutcome &out_;
  int iterations_ = 0;
};

void Answer::settle(const Run &run) {
  p_.log().line(run.verdict == Verdict::failed
                    ? std::string("The objective is 0: asking whether the rows hold.")
                    : std::string("DSDP leaves the model open: asking whether the rows hold."));
  Run feasible = ask(feasibility_question(form_));
  if (feasible.verdict == Verdict::infeasible) {
    p_.log().line("Infeasible: no point meets the rows.");
    out_.results.status = TVX_STATUS_INFEASIBLE;
    return;
  }
  if (unanswered(feasible, run)) return;
  if (zero_objective(form_)) {
    // Every feasible point is optimal, with every multiplier 0.
    std::fill(feasible.y.begin(), feasible.y.end(), 0.0);
    feasible.pobj = feasible.dobj = 0;
    set(TVX_STATUS_OPTIMAL, in_form_units(std::move(feasible), scale_, false));
    return;
  }
  settle_in_ball(feasible, run);
}

void Answer::settle_in_ball(const Run &feasible, const Run &run) {
  const double radius = kBallRadius * (1 + std::fabs(feasible.pobj));
  p_.log().line("Feasible; solving within tr X + sum z <= " + std::to_string(radius) +
                " at the questions' scale.");
  Run ball = ask(ball_question(form_, radius));
  if (ball.verdict != Verdict::converged) {
    if (!unanswered(ball, run)) report(run);
    return;
  }
  // Doubling the radius improves the objective by about this much.
  const double gain = radius * std::fabs(ball.y.back());
  if (gain <= accept_tolerance(p_) * (1 + std::fabs(ball.pobj))) {
    p_.log().line("The ball does not bind: its optimum is the model's.");
    ball.dobj -= radius * ball.y.back();
    set(TVX_STATUS_OPTIMAL, in_form_units(std::move(ball), scale_, true));
    return;
  }
  settle_unbounded(ball, radius, run);
}

void Answer::settle_unbounded(const Run &ball, double radius, const Run &run) {
  const double steep = radius * std::fabs(ball.y.back());
  p_.log().line("The ball binds (doubling it gains about " + std::to_string(steep) +
                "); asking for an improving direction.");
  const Run ray = ask(ray_question(form_));
  if (ray.verdict == Verdict::stopped || ray.verdict == Verdict::iteration_limit) {
    unanswered(ray, run);
    return;
  }
  if (ray.verdict == Verdict::converged && ray.pobj < -accept_tolerance(p_)) {
    p_.log().line("Unbounded: a feasible point and an improving direction.");
  } else if (run.verdict == Verdict::unbounded &&
             steep >= kSteepShare * (1 + std::fabs(ball.pobj))) {
    p_.log().line("Unbounded: feasible, (D) infeasible, the objective falling at the ball's edge.");
  } else {
    report(run);
    return;
  }
  out_.results.status = TVX_STATUS_UNBOUNDED;
}

// The data DSDP solves right, measured: with row coefficients or sides of
// 1e8 (a scaled trace row, a trace of 1e8) it ends "converged" on a point
// far from optimal, or calls a bounded model unbounded; with costs from
// 1e21 on it fails numerically.
constexpr double kDsdpLargestCoefficient = 1e7;
constexpr double kDsdpLargestCost = 1e20;

class DsdpEngine final : public Engine {
 public:
  const char *name() const override { return "DSDP"; }
  void solve(const Problem &p, SolveOutcome &out) const override;
  DataLimits limits() const override {
    DataLimits limits;
    limits.coefficient = kDsdpLargestCoefficient;
    limits.cost = kDsdpLargestCost;
    limits.side = kDsdpLargestCoefficient;
    return limits;
  }
};

void DsdpEngine::solve(const Problem &p, SolveOutcome &out) const {
  const auto started = Clock::now();
  const SdpForm form = sdp_form(p.model);
  if (form.infeasible) {
    p.log().line("Infeasible: " + form.why + ".");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  if (form.num_rows == 0) {
    out.results.stats = SolveStats();
    out.results.status = TVX_STATUS_OPTIMAL;
    set_results(p, form, run_without_rows(form), out);
    settle_unused(p, form, out);
    return;
  }
  p.log().line("DSDP form: " + std::to_string(form.num_rows) + " rows, " +
               std::to_string(form.block_dim.size()) + " blocks, " + std::to_string(form.num_lp) +
               " LP columns.");
  Monitor monitor;
  monitor.problem = &p;
  // The clock runs from the start of the solve, the wait for dsdp_lock
  // included: MaxTime bounds the time the caller waits for an answer, so a
  // solve that waited its limit out behind another model's stops at the
  // monitor's first call.
  monitor.start = started;
  monitor.max_time = p.param(Param::MaxTime);
  const std::lock_guard<std::mutex> hold(dsdp_lock());
  Answer answer(p, form, monitor, out);
  answer.give();
  SolveStats stats;
  stats.ipm_iters = answer.iterations();
  stats.solver_time = std::chrono::duration<double>(Clock::now() - started).count();
  out.results.stats = stats;
  settle_unused(p, form, out);
}

}  // namespace

const Engine &dsdp_engine() {
  static const DsdpEngine engine;
  return engine;
}

}  // namespace tvx
