// Limits and parameters of a solve: time limits, a MIP start, a stop request,
// and the code and status each limit and parameter leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "solve/dispatch.h"
#include "solve/engine.h"
#include "solve_fixture.h"
#include "store/store.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

// A market split instance: 4 equality rows over 30 binaries with random
// coefficients in [0, 99]. Branch and bound cannot settle it in seconds.
// The right-hand sides are half the row sums, or planted: those of a random
// point, which is then a solution that is as hard to find as the optimum.
// With slacks (objective: their sum) any point can be completed, so a start
// always gives an incumbent.
struct MarketSplit {
  tvx::Store model;
  std::vector<double> planted;  // a solution, when planted
};

MarketSplit market_split(bool slacks, bool planted = false) {
  constexpr int m = 4, n = 30;
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % 100;
  };
  Builder b;
  std::vector<double> point;
  for (int j = 0; j < n; ++j) {
    b.var(0, 1, 0, 'B');
    point.push_back(next() % 2);
  }
  std::vector<Terms> rows(m);
  std::vector<double> rhs(m);
  for (int i = 0; i < m; ++i) {
    double sum = 0, at = 0;
    for (int j = 0; j < n; ++j) {
      const double a = next();
      rows[i].push_back({j, a});
      sum += a;
      at += a * point[j];
    }
    rhs[i] = planted ? at : std::floor(sum / 2);
  }
  for (int i = 0; i < m && slacks; ++i) {
    rows[i].push_back({b.var(0, kTvxInfinity, 1), 1});
    rows[i].push_back({b.var(0, kTvxInfinity, 1), -1});
  }
  for (int i = 0; i < m; ++i) b.row(rows[i], rhs[i], rhs[i]);
  return MarketSplit{b.store, planted ? point : std::vector<double>()};
}

TEST(Limits, TimeLimitWithoutIncumbentLeavesNoPoint) {
  const tvx::SolveOutcome out = solve(market_split(false, true).model, {{"MaxTime", 0.5}});
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_TIME_LIMIT);
  // A point is hard to find, not impossible.
  const int status = out.results.status;
  ASSERT_TRUE(status == TVX_STATUS_UNKNOWN || status == TVX_STATUS_SUB_OPTIMAL) << status;
  EXPECT_EQ(out.results.x.has_value(), status == TVX_STATUS_SUB_OPTIMAL);
  EXPECT_TRUE(out.results.stats);
}

// The same model with its planted solution as the start: an incumbent with
// the objective's only value, 0, so the search ends at once.
TEST(Limits, MipStartIsUsed) {
  MarketSplit split = market_split(false, true);
  for (int j = 0; j < 30; ++j) split.model.set_var_start(j, split.planted[j]);
  const tvx::SolveOutcome out = solve(split.model, {{"MaxTime", 20}});
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  expect_values(out.results.x, split.planted, 1e-9);
}

TEST(Limits, TimeLimitKeepsTheIncumbentAndItsBound) {
  tvx::Store model = market_split(true).model;
  // Only the binaries: the engine completes the slacks.
  for (int j = 0; j < 30; ++j) model.set_var_start(j, 0);
  const tvx::SolveOutcome out = solve(model, {{"MaxTime", 0.5}});
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_TIME_LIMIT);
  const tvx::Results &r = out.results;
  ASSERT_EQ(r.status, TVX_STATUS_SUB_OPTIMAL);
  ASSERT_TRUE(r.x && r.activity && r.primal_obj && r.dual_obj && r.mip_gap_abs && r.mip_gap_rel);
  EXPECT_GT(*r.mip_gap_abs, 0);
  EXPECT_LE(*r.dual_obj, *r.primal_obj);
  EXPECT_EQ(r.activity->size(), 4u);
}

// A stop requested before the solve ends it before the engine starts; one
// requested while HiGHS runs ends it at HiGHS's next interrupt check.
TEST(Limits, StopOnRequest) {
  const tvx::Store model = market_split(true).model;
  {
    tvx::SolveContext context("");
    context.request_stop();
    const tvx::SolveOutcome out = tvx::solve(solve_input(model), context);
    EXPECT_EQ(out.code, TVX_ERROR_ABORT_CTRL_C);
    EXPECT_EQ(out.results.status, TVX_STATUS_UNKNOWN);
    expect_no_solution(out.results);
  }
  const StoppedOnStart stopped(tvx::highs_engine());
  tvx::Engines engines;
  engines.linear = &stopped;
  const tvx::SolveOutcome out = solve(model, {}, false, std::string(), engines);
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_CTRL_C);
  const int status = out.results.status;
  ASSERT_TRUE(status == TVX_STATUS_UNKNOWN || status == TVX_STATUS_SUB_OPTIMAL) << status;
  EXPECT_EQ(out.results.x.has_value(), status == TVX_STATUS_SUB_OPTIMAL);
}

struct LimitCase {
  const char *name;
  std::function<tvx::Store()> model;
  Params params;
  int code, status;
};

class Limit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limit, ReportsItsCode) {
  const LimitCase &c = GetParam();
  const tvx::SolveOutcome out = solve(c.model(), c.params);
  EXPECT_EQ(out.code, c.code);
  EXPECT_EQ(out.results.status, c.status);
  EXPECT_EQ(out.results.x.has_value(),
            c.status == TVX_STATUS_OPTIMAL || c.status == TVX_STATUS_SUB_OPTIMAL);
}

tvx::Store hand_lp() {
  Builder b;
  b.var(-10, 10, 2);
  b.var(0, kTvxInfinity, 4);
  b.var(0, 5, 5);
  b.row({{0, 1}, {1, 1}, {2, 1}}, 3, 10);
  b.row({{0, 1}, {1, -1}}, -kTvxInfinity, -1);
  return b.store;
}

const LimitCase kLimitCases[] = {
    {"CutoffBelowTheMinimum",
     [] { return knapsack(TVX_MINIMIZE); },
     {{"MIP/Cutoff", -25.5}},
     TVX_ERROR_OKAY,
     TVX_STATUS_INFEASIBLE},
    {"CutoffAboveTheMinimum",
     [] { return knapsack(TVX_MINIMIZE); },
     {{"MIP/Cutoff", -24.5}},
     TVX_ERROR_OKAY,
     TVX_STATUS_OPTIMAL},
    {"CutoffAboveTheMaximum",
     [] { return knapsack(TVX_MAXIMIZE); },
     {{"MIP/Cutoff", 25.5}},
     TVX_ERROR_OKAY,
     TVX_STATUS_INFEASIBLE},
    {"CutoffBelowTheMaximum",
     [] { return knapsack(TVX_MAXIMIZE); },
     {{"MIP/Cutoff", 24.5}},
     TVX_ERROR_OKAY,
     TVX_STATUS_OPTIMAL},
    {"NodeLimit",
     [] { return market_split(false).model; },
     {{"MIP/MaxNodes", 0}},
     TVX_ERROR_ABORT_NODE_LIMIT,
     TVX_STATUS_UNKNOWN},
    {"SolutionLimit",
     [] { return market_split(true).model; },
     {{"MIP/MaxSols", 1}},
     TVX_ERROR_ABORT_SOLUTION_LIMIT,
     TVX_STATUS_SUB_OPTIMAL},
    {"IterationLimit",
     hand_lp,
     {{"SPX/MaxIterations", 0}, {"Presolve", 0}},
     TVX_ERROR_ABORT_ITERATION_LIMIT,
     TVX_STATUS_UNKNOWN},
    {"PrimalSimplex", hand_lp, {{"Method", 0}}, TVX_ERROR_OKAY, TVX_STATUS_OPTIMAL},
    {"DualSimplex",
     hand_lp,
     {{"Method", 1}, {"Dualization", 1}},
     TVX_ERROR_OKAY,
     TVX_STATUS_OPTIMAL},
    {"InteriorPoint",
     hand_lp,
     {{"Method", 2}, {"SolutionTarget", 1}},
     TVX_ERROR_OKAY,
     TVX_STATUS_OPTIMAL},
    {"FirstOrder", hand_lp, {{"Method", 3}}, TVX_ERROR_OKAY, TVX_STATUS_OPTIMAL},
    {"OneThreadNoPresolve",
     [] { return knapsack(TVX_MAXIMIZE); },
     {{"NumThreads", 1}, {"Presolve", 0}},
     TVX_ERROR_OKAY,
     TVX_STATUS_OPTIMAL},
    {"TightTolerances",
     hand_lp,
     {{"SPX/PrimalTolerance", 1e-10},
      {"SPX/DualTolerance", 1e-10},
      {"IPM/GapTolerance", 1e-12},
      {"IPM/PrimalTolerance", 1e-12}},
     TVX_ERROR_OKAY,
     TVX_STATUS_OPTIMAL},
};

INSTANTIATE_TEST_SUITE_P(Cases, Limit, ::testing::ValuesIn(kLimitCases), CaseName());

}  // namespace
