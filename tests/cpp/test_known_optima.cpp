// Known optima through the dispatcher and the HiGHS engine on stores built
// here: a hand-solved LP in both senses, a knapsack, a convex QP, semi-continuous
// and semi-integer variables.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "solve/engine.h"
#include "solve_fixture.h"
#include "store/store.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

// min 2x + 4y + 5z + 7 over x in [-10, 10], y >= 0, z in [0, 5] with
//   r0: 3 <= x + y + z <= 10, r1: x - y <= -1, r2: x + 2y + z <= 100.
// By hand: x = 1, y = 2, z = 0; r0 active at its lower side with dual 3, r1
// at its upper side with dual -1, r2 slack; z at its bound with reduced cost
// 2 = 5 - 3; objective 17. The maximisation of the negated objective has the
// same point with every multiplier negated.
class HandLp : public ::testing::TestWithParam<int> {};

TEST_P(HandLp, MatchesTheHandSolution) {
  const int sense = GetParam();
  const double s = sense == TVX_MINIMIZE ? 1 : -1;
  Builder b;
  b.var(-10, 10, 2 * s);
  b.var(0, kTvxInfinity, 4 * s);
  b.var(0, 5, 5 * s);
  b.row({{0, 1}, {1, 1}, {2, 1}}, 3, 10);
  b.row({{0, 1}, {1, -1}}, -kTvxInfinity, -1);
  b.row({{0, 1}, {1, 2}, {2, 1}}, -1e30, 100);
  b.store.set_objcon(7 * s);
  b.store.set_sense(sense);

  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  const tvx::Results &r = out.results;
  ASSERT_EQ(r.status, TVX_STATUS_OPTIMAL);
  expect_values(r.x, {1, 2, 0});
  expect_values(r.activity, {3, -1, 5});
  expect_values(r.dual, {3 * s, -1 * s, 0});
  expect_values(r.reduced_cost, {0, 0, 2 * s});
  ASSERT_TRUE(r.primal_obj && r.dual_obj);
  EXPECT_NEAR(*r.primal_obj, 17 * s, 1e-6);
  EXPECT_NEAR(*r.dual_obj, 17 * s, 1e-6);
  EXPECT_FALSE(r.mip_gap_abs);
  ASSERT_TRUE(r.basis);
  EXPECT_EQ(r.basis->col, (std::vector<int>{tvx::kBasisBasic, tvx::kBasisBasic, tvx::kBasisLower}));
  EXPECT_EQ(r.basis->row, (std::vector<int>{tvx::kBasisLower, tvx::kBasisUpper, tvx::kBasisBasic}));
  EXPECT_TRUE(r.stats);
}

INSTANTIATE_TEST_SUITE_P(Senses, HandLp, ::testing::Values(TVX_MINIMIZE, TVX_MAXIMIZE));

class Knapsack : public ::testing::TestWithParam<int> {};

TEST_P(Knapsack, FindsTheIntegerOptimum) {
  const int sense = GetParam();
  const double s = sense == TVX_MAXIMIZE ? 1 : -1;
  const tvx::SolveOutcome out = solve(knapsack(sense));
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  const tvx::Results &r = out.results;
  ASSERT_EQ(r.status, TVX_STATUS_OPTIMAL);
  expect_values(r.x, {1, 0, 1, 1});
  expect_values(r.activity, {12});
  EXPECT_NEAR(*r.primal_obj, 25 * s, 1e-6);
  // The bound closes the gap within the default tolerances.
  ASSERT_TRUE(r.dual_obj && r.mip_gap_abs && r.mip_gap_rel);
  EXPECT_NEAR(*r.dual_obj, 25 * s, 25 * 1e-4 + 1e-6);
  EXPECT_NEAR(*r.mip_gap_abs, std::fabs(*r.primal_obj - *r.dual_obj), 1e-12);
  EXPECT_LE(*r.mip_gap_rel, 1e-4);
  // Multipliers certify nothing for a MIP.
  EXPECT_FALSE(r.dual);
  EXPECT_FALSE(r.reduced_cost);
  EXPECT_FALSE(r.basis);
}

INSTANTIATE_TEST_SUITE_P(Senses, Knapsack, ::testing::Values(TVX_MINIMIZE, TVX_MAXIMIZE));

// f = x^2 + xy + y^2 - 3x over free x, y with x + y >= 1.5. By hand the row
// is active: x = 2.25, y = -0.75, f = -2.8125, row dual 0.75 (the gradient
// (0.75, 0.75) is 0.75 times the row). The quadratic terms are stored as
// given, in any split of the same polynomial.
struct QpCase {
  const char *name;
  std::vector<std::tuple<int, int, double>> terms;
};

class ConvexQp : public ::testing::TestWithParam<std::tuple<QpCase, int>> {};

TEST_P(ConvexQp, MatchesTheHandSolution) {
  const QpCase &qp = std::get<0>(GetParam());
  const int sense = std::get<1>(GetParam());
  const double s = sense == TVX_MINIMIZE ? 1 : -1;
  Builder b;
  b.var(-kTvxInfinity, kTvxInfinity, -3 * s);
  b.var(-1e30, 1e30, 0);
  b.row({{0, 1}, {1, 1}}, 1.5, kTvxInfinity);
  for (const auto &t : qp.terms) b.quad(std::get<0>(t), std::get<1>(t), s * std::get<2>(t));
  b.store.set_sense(sense);

  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  const tvx::Results &r = out.results;
  ASSERT_EQ(r.status, TVX_STATUS_OPTIMAL);
  expect_values(r.x, {2.25, -0.75}, 1e-5);
  EXPECT_NEAR(*r.primal_obj, -2.8125 * s, 1e-6);
  expect_values(r.dual, {0.75 * s}, 1e-5);
  expect_values(r.reduced_cost, {0, 0}, 1e-5);
  EXPECT_NEAR(*r.dual_obj, *r.primal_obj, 1e-5);
}

const QpCase kQpCases[] = {
    {"UpperTriangle", {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}}},
    {"LowerTriangle", {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}}},
    {"SplitAndRepeated", {{0, 0, 0.5}, {0, 0, 0.5}, {0, 1, 0.25}, {1, 0, 0.75}, {1, 1, 1}}},
    {"CancellingExtras", {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {0, 1, 2}, {1, 0, -2}}},
};

INSTANTIATE_TEST_SUITE_P(Forms, ConvexQp,
                         ::testing::Combine(::testing::ValuesIn(kQpCases),
                                            ::testing::Values(TVX_MINIMIZE, TVX_MAXIMIZE)),
                         [](const ::testing::TestParamInfo<std::tuple<QpCase, int>> &case_info) {
                           return std::string(std::get<0>(case_info.param).name) +
                                  (std::get<1>(case_info.param) == TVX_MINIMIZE ? "Min" : "Max");
                         });

// x semi-continuous (or semi-integer): 0 or a value in [lb, ub]. With
// min c x + 5y, c_row x + y >= 1, y in [0, 10], the answers differ from
// those of an ordinary variable on [lb, ub].
struct SemiCase {
  const char *name;
  char type;
  double lb, ub, cost, coef;
  double x, objective;
};

class Semi : public ::testing::TestWithParam<SemiCase> {};

TEST_P(Semi, TakesZeroOrItsRange) {
  const SemiCase &c = GetParam();
  Builder b;
  b.var(c.lb, c.ub, c.cost, c.type);
  b.var(0, 10, 5);
  b.row({{0, c.coef}, {1, 1}}, 1, kTvxInfinity);
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_NEAR((*out.results.x)[0], c.x, 1e-5);
  EXPECT_NEAR(*out.results.primal_obj, c.objective, 1e-5);
}

const SemiCase kSemiCases[] = {
    {"CheapRangeIsUsed", 'S', 2, 5, 1, 1, 2, 2},
    {"DearRangeLeavesZero", 'S', 2, 5, 3, 1, 0, 5},
    {"SemiIntegerRoundsUpInItsRange", 'N', 1.5, 4, 1, 1, 2, 2},
    {"NegativeRange", 'S', -5, -2, -1, -1, -2, 2},
    {"NegativeSemiIntegerRange", 'N', -5, -1.5, -1, -1, -2, 2},
    {"RangeHoldingZeroIsOrdinary", 'S', -1, 3, 1, 1, 1, 1},
    {"EmptyRangeLeavesOnlyZero", 'S', 3, 2, -1, 1, 0, 5},
    {"UnboundedRange", 'S', 2, 1e30, 1, 1, 2, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, Semi, ::testing::ValuesIn(kSemiCases), CaseName());

}  // namespace
