// Solves that end without a solution: the status, no point, and the rays
// that certify infeasibility and unboundedness; models without variables.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "solve/engine.h"
#include "solve_fixture.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

struct NoSolutionCase {
  const char *name;
  std::function<void(Builder &)> build;
  int status;
};

class NoSolution : public ::testing::TestWithParam<NoSolutionCase> {};

TEST_P(NoSolution, ReportsTheStatusAndNoPoint) {
  Builder b;
  GetParam().build(b);
  const tvx::SolveOutcome out = solve(b.store);
  EXPECT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, GetParam().status);
  expect_no_solution(out.results);
  EXPECT_TRUE(out.results.stats);
}

const NoSolutionCase kNoSolutionCases[] = {
    {"InfeasibleLp",
     [](Builder &b) {
       b.var(0, 10, 1);
       b.var(0, 10, 1);
       b.row({{0, 1}, {1, 1}}, 5, kTvxInfinity);
       b.row({{0, 1}, {1, 1}}, -kTvxInfinity, 3);
     },
     TVX_STATUS_INFEASIBLE},
    {"InfeasibleMip",
     [](Builder &b) {
       b.var(-10, 10, 1, 'I');
       b.row({{0, 2}}, 1, 1);
     },
     TVX_STATUS_INFEASIBLE},
    {"CrossedBounds",
     [](Builder &b) {
       b.var(2, 1, 1);
       b.row({{0, 1}}, -kTvxInfinity, 5);
     },
     TVX_STATUS_INFEASIBLE},
    {"LowerBoundAtInfinity",
     [](Builder &b) {
       b.var(1e30, 1e30, 1);
       b.var(0, 1, 1);
     },
     TVX_STATUS_INFEASIBLE},
    {"RowUpperBoundAtMinusInfinity",
     [](Builder &b) {
       b.var(0, 1, 1);
       b.row({{0, 1}}, -kTvxInfinity, -kTvxInfinity);
     },
     TVX_STATUS_INFEASIBLE},
    {"UnboundedLp",
     [](Builder &b) {
       b.var(0, kTvxInfinity, -1);
       b.var(0, kTvxInfinity, -1);
       b.row({{0, 1}, {1, -1}}, -kTvxInfinity, 1);
     },
     TVX_STATUS_UNBOUNDED},
    {"NoVariablesWithAnUnsatisfiedRow", [](Builder &b) { b.row({}, 1, 2); }, TVX_STATUS_INFEASIBLE},
};

INSTANTIATE_TEST_SUITE_P(Cases, NoSolution, ::testing::ValuesIn(kNoSolutionCases), CaseName());

TEST(Solve, RaysCertifyInfeasibilityAndUnboundedness) {
  Builder inf;
  inf.var(0, 10, 1);
  inf.row({{0, 1}}, 5, kTvxInfinity);
  inf.row({{0, 1}}, -kTvxInfinity, 3);
  const tvx::SolveOutcome a = solve(inf.store, {{"Presolve", 0}});
  ASSERT_EQ(a.results.status, TVX_STATUS_INFEASIBLE);
  ASSERT_TRUE(a.results.dual_ray);
  // A Farkas ray combines the two rows into 0 >= 2: opposite signs.
  EXPECT_LT((*a.results.dual_ray)[0] * (*a.results.dual_ray)[1], 0);

  Builder unb;
  unb.var(0, kTvxInfinity, -1);
  unb.var(0, kTvxInfinity, 0);
  unb.row({{0, 1}, {1, -1}}, -kTvxInfinity, 1);
  const tvx::SolveOutcome b = solve(unb.store, {{"Presolve", 0}});
  ASSERT_EQ(b.results.status, TVX_STATUS_UNBOUNDED);
  ASSERT_TRUE(b.results.primal_ray);
  const std::vector<double> &d = *b.results.primal_ray;
  // A direction that keeps the row and improves the objective.
  EXPECT_GT(d[0], 0);
  EXPECT_LE(d[0] - d[1], 1e-9);
}

TEST(Solve, ModelsWithoutVariablesAreSettledDirectly) {
  Builder b;
  b.row({}, -1, 2);
  b.row({}, 0, 0);
  b.store.set_objcon(4.5);
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(*out.results.primal_obj, 4.5);
  EXPECT_EQ(*out.results.dual_obj, 4.5);
  expect_values(out.results.x, {});
  expect_values(out.results.activity, {0, 0});
  expect_values(out.results.dual, {0, 0});
}

}  // namespace
