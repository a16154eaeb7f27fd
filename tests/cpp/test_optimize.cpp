// Solving: known optima through the dispatcher and the HiGHS engine on stores
// built here, the dispatcher's refusals, limits and parameters, the answer
// check, the convexity test, and TVXoptimize through the C interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "solve/dispatch.h"
#include "solve/engine.h"
#include "store/params.h"
#include "solve_fixture.h"
#include "store/store.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

// ---- Known optima ----------------------------------------------------------

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
  ASSERT_EQ(out.code, kOk);
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

// Knapsack 4a + 6b + 3c + 5d <= 12 over binaries a, b, c and an integer d in
// [0, 2], values 10, 13, 7, 8: the optimum takes a, c and one d for 25 while
// the LP relaxation is fractional (27.8). The minimisation of the negated
// values finds the same point.
tvx::Store knapsack(int sense) {
  const double s = sense == TVX_MAXIMIZE ? 1 : -1;
  Builder b;
  b.var(0, 1, 10 * s, 'B');
  b.var(-3, 5, 13 * s, 'B');  // a binary's bounds are clipped to [0, 1]
  b.var(0, 1, 7 * s, 'B');
  b.var(0, 2, 8 * s, 'I');
  b.row({{0, 4}, {1, 6}, {2, 3}, {3, 5}}, -kTvxInfinity, 12);
  b.store.set_sense(sense);
  return b.store;
}

class Knapsack : public ::testing::TestWithParam<int> {};

TEST_P(Knapsack, FindsTheIntegerOptimum) {
  const int sense = GetParam();
  const double s = sense == TVX_MAXIMIZE ? 1 : -1;
  const tvx::SolveOutcome out = solve(knapsack(sense));
  ASSERT_EQ(out.code, kOk);
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
  ASSERT_EQ(out.code, kOk);
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
  ASSERT_EQ(out.code, kOk);
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

// ---- Statuses without a solution --------------------------------------------

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
  EXPECT_EQ(out.code, kOk);
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
  ASSERT_EQ(out.code, kOk);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(*out.results.primal_obj, 4.5);
  EXPECT_EQ(*out.results.dual_obj, 4.5);
  expect_values(out.results.x, {});
  expect_values(out.results.activity, {0, 0});
  expect_values(out.results.dual, {0, 0});
}

// ---- Refusals ----------------------------------------------------------------

struct ClassCase {
  const char *name;
  std::function<void(Builder &)> build;
  bool callback;
  int code;
};

class ProblemClass : public ::testing::TestWithParam<ClassCase> {};

// min x + y over x, y in [-1, 2] with x + y >= -1, then what build adds.
Builder class_model(const std::function<void(Builder &)> &build) {
  Builder b;
  b.var(-1, 2, 1);
  b.var(-1, 2, 1);
  b.row({{0, 1}, {1, 1}}, -1, kTvxInfinity);
  build(b);
  return b;
}

TEST_P(ProblemClass, PicksAnEngineOrRefuses) {
  const ClassCase &c = GetParam();
  const Builder b = class_model(c.build);
  const tvx::SolveOutcome out = solve(b.store, {}, c.callback);
  EXPECT_EQ(out.code, c.code);
  if (c.code == kOk) {
    EXPECT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  } else {
    EXPECT_EQ(out.results.status, TVX_STATUS_UNKNOWN);
    expect_no_solution(out.results);
  }
}

constexpr int kRefused = TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE;

// A 2 x 2 PSD variable with the identity as its objective.
void add_identity_psd_var(Builder &b) {
  const int pos[] = {0, 3};
  const double val[] = {1, 1};
  ASSERT_EQ(b.store.add_psd_var(2, 2, pos, val, "p"), kOk);
}

const ClassCase kClassCases[] = {
    {"Lp", [](Builder &) {}, false, kOk},
    // Every callback event is a MIP event.
    {"LpWithCallback", [](Builder &) {}, true, kOk},
    {"SingularConvexQp",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(0, 1, 2);
       b.quad(1, 1, 1);
     },
     false, kOk},
    {"QuadraticTermsThatCancelLeaveAMip",
     [](Builder &b) {
       b.store.set_var_type(0, 'I');
       b.quad(0, 1, 1);
       b.quad(1, 0, -1);
     },
     false, kOk},
    {"NonConvexDiagonal",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(1, 1, -1);
     },
     false, kRefused},
    {"NonConvexCrossTerm",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(0, 1, 3);
       b.quad(1, 1, 1);
     },
     false, kRefused},
    {"ConvexObjectiveMaximised",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.store.set_sense(TVX_MAXIMIZE);
     },
     false, kRefused},
    {"IntegerWithQuadraticObjective",
     [](Builder &b) {
       b.store.set_var_type(1, 'I');
       b.quad(0, 0, 1);
     },
     false, kRefused},
    {"SemiContinuousWithQuadraticObjective",
     [](Builder &b) {
       b.store.set_var_type(1, 'S');
       b.quad(0, 0, 1);
     },
     false, kRefused},
    {"Sos",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kOk},
    {"Indicator",
     [](Builder &b) {
       b.indicator(b.var(0, 1, 0, 'B'), 1, {{0, 1}}, '<', 1);
     },
     false, kOk},
    {"SosWithQuadraticObjective",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
       b.quad(0, 0, 1);
     },
     false, kRefused},
    // A MIP with a callback goes to CBC.
    {"MipWithCallback", [](Builder &b) { b.store.set_var_type(0, 'B'); }, true, kOk},
    {"SosWithCallback",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     true, kOk},
    {"QuadraticMipWithCallback",
     [](Builder &b) {
       b.store.set_var_type(0, 'I');
       b.quad(0, 0, 1);
     },
     true, kRefused},
    {"SemidefiniteVariable", [](Builder &b) { add_identity_psd_var(b); }, false, kOk},
    {"SemidefiniteWithCallback", [](Builder &b) { add_identity_psd_var(b); }, true, kOk},
    {"SemidefiniteWithInteger",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.store.set_var_type(0, 'I');
     },
     false, kRefused},
    {"SemidefiniteWithSemiContinuous",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.store.set_var_type(1, 'S');
     },
     false, kRefused},
    {"SemidefiniteWithSos",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kRefused},
    {"SemidefiniteWithIndicator",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.indicator(b.var(0, 1, 0, 'B'), 1, {{0, 1}}, '<', 1);
     },
     false, kRefused},
    {"SemidefiniteWithQuadraticObjective",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.quad(0, 0, 1);
     },
     false, kRefused},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProblemClass, ::testing::ValuesIn(kClassCases), CaseName());

// ---- The choice of engine ------------------------------------------------------

const tvx::Engines kAll = tvx::built_engines();
const tvx::Engines kLinearOnly{&tvx::highs_engine(), nullptr, nullptr};
const tvx::Engines kNone{};
const tvx::Engine *const kHighs = &tvx::highs_engine();
const tvx::Engine *const kCbc = &tvx::cbc_engine();
const tvx::Engine *const kDsdp = &tvx::dsdp_engine();

struct ChoiceCase {
  const char *name;
  std::function<void(Builder &)> build;
  bool callback;
  const tvx::Engines &engines;
  const tvx::Engine *chosen;  // null: none
  bool refused;
};

class EngineChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(EngineChoice, FollowsTheProblemClass) {
  const ChoiceCase &c = GetParam();
  const Builder b = class_model(c.build);
  const tvx::ParamValues params;
  tvx::SolveContext context("");
  tvx::CallbackContext go(go_on, nullptr, nullptr, context);
  if (c.callback) context.callback = &go;
  const tvx::EngineChoice choice =
      tvx::choose_engine(tvx::make_problem(b.store, params, context), c.engines);
  EXPECT_EQ(choice.engine, c.chosen);
  EXPECT_EQ(!choice.refusal.empty(), c.refused) << choice.refusal;
}

const ChoiceCase kChoiceCases[] = {
    {"Lp", [](Builder &) {}, false, kAll, kHighs, false},
    {"LpWithCallback", [](Builder &) {}, true, kAll, kHighs, false},
    {"ConvexQp", [](Builder &b) { b.quad(0, 0, 1); }, false, kAll, kHighs, false},
    {"Mip", [](Builder &b) { b.store.set_var_type(0, 'I'); }, false, kAll, kHighs, false},
    {"MipWithCallback", [](Builder &b) { b.store.set_var_type(0, 'I'); }, true, kAll, kCbc, false},
    {"Sos",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kAll, kCbc, false},
    {"Indicator",
     [](Builder &b) {
       b.indicator(b.var(0, 1, 0, 'B'), 1, {{0, 1}}, '<', 1);
     },
     false, kAll, kCbc, false},
    // A semi-continuous range that excludes 0 and has no far side goes to CBC
    // where it is built (HiGHS would state that side with a finite bound).
    {"SemiContinuousWithoutUpperBound", [](Builder &b) { b.var(1, kTvxInfinity, 1, 'S'); }, false,
     kAll, kCbc, false},
    {"SemiContinuousWithoutUpperBoundLinearOnly",
     [](Builder &b) { b.var(1, kTvxInfinity, 1, 'S'); }, false, kLinearOnly, kHighs, false},
    {"SemiContinuousBounded", [](Builder &b) { b.var(1, 5, 1, 'S'); }, false, kAll, kHighs, false},
    {"Semidefinite", [](Builder &b) { add_identity_psd_var(b); }, false, kAll, kDsdp, false},
    {"SemidefiniteWithCallback", [](Builder &b) { add_identity_psd_var(b); }, true, kAll, kDsdp,
     false},
    {"NonConvexQp",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(1, 1, -1);
     },
     false, kAll, nullptr, true},
    {"QuadraticMip",
     [](Builder &b) {
       b.store.set_var_type(0, 'I');
       b.quad(0, 0, 1);
     },
     false, kAll, nullptr, true},
    {"SemidefiniteWithInteger",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.store.set_var_type(0, 'I');
     },
     false, kAll, nullptr, true},
    {"SosWithoutCbc",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kLinearOnly, nullptr, true},
    {"MipWithCallbackWithoutCbc", [](Builder &b) { b.store.set_var_type(0, 'I'); }, true,
     kLinearOnly, nullptr, true},
    {"SemidefiniteWithoutDsdp", [](Builder &b) { add_identity_psd_var(b); }, false, kLinearOnly,
     nullptr, true},
    // Refused by the run only if it needs an engine (a model without
    // variables does not).
    {"LpWithoutEngines", [](Builder &) {}, false, kNone, nullptr, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, EngineChoice, ::testing::ValuesIn(kChoiceCases), CaseName());

// ---- The convexity test -------------------------------------------------------

std::uint32_t g_seed;
double uniform() {
  g_seed = g_seed * 1664525u + 1013904223u;
  return static_cast<double>(g_seed >> 8) / 16777216.0 - 0.5;
}

// Terms of weight * (sum_k a_k x_{first + k})^2.
void add_square(tvx::QTerms &q, int first, const std::vector<double> &a, double weight) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < a.size(); ++j) {
      q.row.push_back(first + static_cast<int>(i));
      q.col.push_back(first + static_cast<int>(j));
      q.val.push_back(weight * a[i] * a[j]);
    }
  }
}

// Blocks of size `block`, each a sum of block - 1 random squares: PSD and
// singular. `dent` subtracts a small square in the first block, which makes
// it indefinite (the square is not orthogonal to that block's null space).
tvx::QTerms blocks(int count, int block, double dent) {
  g_seed = 12345;
  tvx::QTerms q;
  for (int b = 0; b < count; ++b) {
    for (int k = 0; k + 1 < block; ++k) {
      std::vector<double> a(static_cast<std::size_t>(block));
      for (double &v : a) v = uniform();
      add_square(q, b * block, a, 1);
    }
  }
  if (dent != 0) {
    std::vector<double> a(static_cast<std::size_t>(block));
    for (double &v : a) v = uniform();
    add_square(q, 0, a, -dent);
  }
  return q;
}

// sum (x_i - x_{i+1})^2: PSD, the constant vector in its null space.
// `dent` subtracts dent * x_k^2 in the middle.
tvx::QTerms chain(int n, double dent) {
  tvx::QTerms q;
  for (int i = 0; i + 1 < n; ++i) add_square(q, i, {1, -1}, 1);
  if (dent != 0) {
    q.row.push_back(n / 2);
    q.col.push_back(n / 2);
    q.val.push_back(-dent);
  }
  return q;
}

struct PsdCase {
  const char *name;
  std::function<tvx::QTerms()> terms;
  int n;
  bool psd;
};

class Convexity : public ::testing::TestWithParam<PsdCase> {};

TEST_P(Convexity, AgreesWithTheConstruction) {
  const PsdCase &c = GetParam();
  const tvx::QTerms q = c.terms();
  const tvx::Hessian h = tvx::build_hessian(q, c.n);
  EXPECT_EQ(tvx::positive_semidefinite(h, 1), c.psd);
  // Negated, only the zero matrix stays semidefinite.
  EXPECT_FALSE(tvx::positive_semidefinite(h, -1));
}

const PsdCase kPsdCases[] = {
    {"DenseSingular", [] { return blocks(1, 8, 0); }, 8, true},
    {"DenseDented", [] { return blocks(1, 8, 1e-3); }, 8, false},
    {"ManyBlocksSingular", [] { return blocks(300, 4, 0); }, 1200, true},
    {"ManyBlocksDented", [] { return blocks(300, 4, 1e-3); }, 1200, false},
    {"LongChain", [] { return chain(3000, 0); }, 3000, true},
    {"LongChainDented", [] { return chain(3000, 1e-3); }, 3000, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, Convexity, ::testing::ValuesIn(kPsdCases), CaseName());

// ---- The answer check ---------------------------------------------------------

// An engine that answers with a fixed point.
class FixedAnswer : public tvx::Engine {
 public:
  FixedAnswer(int code, int status, std::vector<double> x)
      : code_(code), status_(status), x_(std::move(x)) {}
  const char *name() const override { return "fixed"; }
  void solve(const tvx::Problem &, tvx::SolveOutcome &out) const override {
    out.code = code_;
    out.results.status = status_;
    out.results.x = x_;
    out.results.stats = tvx::SolveStats();
    out.results.stats->spx_iters = 3;
  }

 private:
  int code_, status_;
  std::vector<double> x_;
};

struct AnswerCase {
  const char *name;
  int code, status;
  std::vector<double> x;
  int want_code, want_status;
};

class AnswerCheck : public ::testing::TestWithParam<AnswerCase> {};

// x + y >= 2 over x in [0, 10] and an integer y in [0, 10], and z
// semi-continuous in [2, 5] outside every row.
TEST_P(AnswerCheck, KeepsOnlyPointsThatSatisfyTheModel) {
  const AnswerCase &c = GetParam();
  Builder b;
  b.var(0, 10, 1);
  b.var(0, 10, 1, 'I');
  b.var(2, 5, 0, 'S');
  b.row({{0, 1}, {1, 1}}, 2, kTvxInfinity);
  const FixedAnswer engine(c.code, c.status, c.x);
  tvx::Engines engines;
  engines.linear = &engine;
  const tvx::SolveOutcome out = solve(b.store, {}, false, std::string(), engines);
  EXPECT_EQ(out.code, c.want_code);
  EXPECT_EQ(out.results.status, c.want_status);
  if (c.want_status == TVX_STATUS_UNKNOWN) {
    expect_no_solution(out.results);
  } else {
    expect_values(out.results.x, c.x, 0);
    ASSERT_TRUE(out.results.primal_obj);
    EXPECT_DOUBLE_EQ(*out.results.primal_obj, c.x[0] + c.x[1]);
    expect_values(out.results.activity, {c.x[0] + c.x[1]}, 1e-15);
  }
  EXPECT_TRUE(out.results.stats);
}

constexpr int kOpt = TVX_STATUS_OPTIMAL;
constexpr int kSub = TVX_STATUS_SUB_OPTIMAL;
constexpr int kUnknown = TVX_STATUS_UNKNOWN;
constexpr int kTime = TVX_ERROR_ABORT_TIME_LIMIT;
constexpr int kNumeric = TVX_ERROR_SIMPLEX_NUMERIC;

const AnswerCase kAnswerCases[] = {
    {"Feasible", kOk, kOpt, {1, 1, 0}, kOk, kOpt},
    {"SemiInItsRange", kOk, kOpt, {0.5, 2, 3}, kOk, kOpt},
    {"WithinTolerance", kOk, kOpt, {1 - 1e-8, 1, 5 + 1e-8}, kOk, kOpt},
    {"IncumbentAtALimit", kTime, kSub, {2, 0, 0}, kTime, kSub},
    {"RowViolated", kOk, kOpt, {0.5, 1, 0}, kNumeric, kUnknown},
    {"BoundViolated", kOk, kOpt, {11, 0, 0}, kNumeric, kUnknown},
    {"NotIntegral", kOk, kOpt, {1.5, 0.5, 0}, kNumeric, kUnknown},
    {"SemiBetweenZeroAndItsRange", kOk, kOpt, {1, 1, 1}, kNumeric, kUnknown},
    {"NotANumber", kOk, kOpt, {std::nan(""), 2, 0}, kNumeric, kUnknown},
    {"WrongLength", kOk, kOpt, {1, 1}, kNumeric, kUnknown},
    {"BadIncumbentKeepsTheLimitCode", kTime, kSub, {0, 0, 0}, kTime, kUnknown},
};

INSTANTIATE_TEST_SUITE_P(Cases, AnswerCheck, ::testing::ValuesIn(kAnswerCases), CaseName());

// ---- Limits and parameters ------------------------------------------------------

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
  ASSERT_EQ(out.code, kOk);
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
  EXPECT_EQ(out.results.x.has_value(), c.status == kOpt || c.status == kSub);
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
     kOk,
     TVX_STATUS_INFEASIBLE},
    {"CutoffAboveTheMinimum",
     [] { return knapsack(TVX_MINIMIZE); },
     {{"MIP/Cutoff", -24.5}},
     kOk,
     kOpt},
    {"CutoffAboveTheMaximum",
     [] { return knapsack(TVX_MAXIMIZE); },
     {{"MIP/Cutoff", 25.5}},
     kOk,
     TVX_STATUS_INFEASIBLE},
    {"CutoffBelowTheMaximum",
     [] { return knapsack(TVX_MAXIMIZE); },
     {{"MIP/Cutoff", 24.5}},
     kOk,
     kOpt},
    {"NodeLimit",
     [] { return market_split(false).model; },
     {{"MIP/MaxNodes", 0}},
     TVX_ERROR_ABORT_NODE_LIMIT,
     kUnknown},
    {"SolutionLimit",
     [] { return market_split(true).model; },
     {{"MIP/MaxSols", 1}},
     TVX_ERROR_ABORT_SOLUTION_LIMIT,
     kSub},
    {"IterationLimit",
     hand_lp,
     {{"SPX/MaxIterations", 0}, {"Presolve", 0}},
     TVX_ERROR_ABORT_ITERATION_LIMIT,
     kUnknown},
    {"PrimalSimplex", hand_lp, {{"Method", 0}}, kOk, kOpt},
    {"DualSimplex", hand_lp, {{"Method", 1}, {"Dualization", 1}}, kOk, kOpt},
    {"InteriorPoint", hand_lp, {{"Method", 2}, {"SolutionTarget", 1}}, kOk, kOpt},
    {"FirstOrder", hand_lp, {{"Method", 3}}, kOk, kOpt},
    {"OneThreadNoPresolve",
     [] { return knapsack(TVX_MAXIMIZE); },
     {{"NumThreads", 1}, {"Presolve", 0}},
     kOk,
     kOpt},
    {"TightTolerances",
     hand_lp,
     {{"SPX/PrimalTolerance", 1e-10},
      {"SPX/DualTolerance", 1e-10},
      {"IPM/GapTolerance", 1e-12},
      {"IPM/PrimalTolerance", 1e-12}},
     kOk,
     kOpt},
};

INSTANTIATE_TEST_SUITE_P(Cases, Limit, ::testing::ValuesIn(kLimitCases), CaseName());

// ---- The log ------------------------------------------------------------------

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Log, GoesToTheLogFileAndNeverToTheConsole) {
  const std::string path = ::testing::TempDir() + "tarvex_optimize_log.txt";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "earlier line\n";
  }
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const tvx::SolveOutcome logged = solve(knapsack(TVX_MAXIMIZE), {}, false, path);
  const tvx::SolveOutcome quiet = solve(knapsack(TVX_MAXIMIZE));
  Builder refused;
  refused.var(0, 1, 0, 'I');
  refused.quad(0, 0, 1);
  const tvx::SolveOutcome refusal = solve(refused.store, {}, false, path);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
  EXPECT_EQ(logged.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(quiet.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(refusal.code, kRefused);

  const std::string log = read_file(path);
  EXPECT_EQ(log.rfind("earlier line\n", 0), 0u) << "the log is appended to";
  EXPECT_NE(log.find("HiGHS"), std::string::npos);
  EXPECT_NE(log.find("No engine can solve this model"), std::string::npos);
  std::remove(path.c_str());
}

// ---- TVXoptimize ------------------------------------------------------------------

// Variables only, through the C interface: min sum c_j x_j over boxes, and
// integers with fractional bounds.
TVXmodel *box_model(TVXenv *env, int n, const double *obj, const double *lb, const double *ub,
                    const char *vtype) {
  TVXmodel *model = nullptr;
  EXPECT_EQ(TVXnewmodel(env, &model, "box", n, obj, lb, ub, vtype, nullptr), kOk);
  return model;
}

TEST(Optimize, StoresResultsThatTheAttributesRead) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), kOk);
  const double obj[] = {1, -2, 3};
  const double lb[] = {-1.5, -4, 0.5};
  const double ub[] = {4, 2.5, 7};
  TVXmodel *model = box_model(env, 3, obj, lb, ub, "CIC");
  int status = -1;
  ASSERT_EQ(TVXgetintattr(model, "Status", &status), kOk);
  EXPECT_EQ(status, TVX_STATUS_UNKNOWN);
  double value = 0;
  EXPECT_EQ(TVXgetdblattr(model, "ObjVal", &value), TVX_ERROR_NO_SOLN);

  ASSERT_EQ(TVXoptimize(model), kOk);
  ASSERT_EQ(TVXgetintattr(model, "Status", &status), kOk);
  EXPECT_EQ(status, TVX_STATUS_OPTIMAL);
  const int ind[] = {0, 1, 2};
  double x[3] = {0, 0, 0};
  ASSERT_EQ(TVXgetdblattrlist(model, "X", 3, ind, x), kOk);
  EXPECT_NEAR(x[0], -1.5, 1e-9);
  EXPECT_NEAR(x[1], 2, 1e-9);  // integer: 2.5 rounds down
  EXPECT_NEAR(x[2], 0.5, 1e-9);
  ASSERT_EQ(TVXgetdblattr(model, "ObjVal", &value), kOk);
  EXPECT_NEAR(value, -1.5 - 4 + 1.5, 1e-9);

  // A change of the problem withdraws the results.
  ASSERT_EQ(TVXsetdblattr(model, "ObjCon", 10), kOk);
  EXPECT_EQ(TVXgetdblattr(model, "ObjVal", &value), TVX_ERROR_NO_SOLN);
  ASSERT_EQ(TVXoptimize(model), kOk);
  ASSERT_EQ(TVXgetdblattr(model, "ObjVal", &value), kOk);
  EXPECT_NEAR(value, 6, 1e-9);

  // An unbounded variable.
  const double down[] = {-1};
  const double free_lb[] = {-1e30};
  const double free_ub[] = {0};
  TVXmodel *unbounded = box_model(env, 1, down, free_lb, free_ub, nullptr);
  ASSERT_EQ(TVXsetintattr(unbounded, "ModelSense", TVX_MAXIMIZE), kOk);
  ASSERT_EQ(TVXoptimize(unbounded), kOk);
  ASSERT_EQ(TVXgetintattr(unbounded, "Status", &status), kOk);
  EXPECT_EQ(status, TVX_STATUS_UNBOUNDED);
  EXPECT_EQ(TVXgetdblattr(unbounded, "ObjVal", &value), TVX_ERROR_NO_SOLN);

  EXPECT_EQ(TVXfreemodel(unbounded), kOk);
  EXPECT_EQ(TVXfreemodel(model), kOk);
  EXPECT_EQ(TVXfreeenv(env), kOk);
}

TEST(Optimize, TakesTheModelsOwnParameters) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), kOk);
  const double obj[] = {1};
  const double lb[] = {0};
  const double ub[] = {1};
  TVXmodel *model = box_model(env, 1, obj, lb, ub, "I");
  TVXmodel *copy = TVXcopymodel(model);
  ASSERT_NE(copy, nullptr);
  // A cutoff below the optimum 0 leaves nothing to find, in this model only.
  ASSERT_EQ(TVXsetdblparam(TVXgetenv(model), "MIP/Cutoff", -0.5), kOk);
  int status = -1;
  ASSERT_EQ(TVXoptimize(model), kOk);
  ASSERT_EQ(TVXgetintattr(model, "Status", &status), kOk);
  EXPECT_EQ(status, TVX_STATUS_INFEASIBLE);
  ASSERT_EQ(TVXoptimize(copy), kOk);
  ASSERT_EQ(TVXgetintattr(copy, "Status", &status), kOk);
  EXPECT_EQ(status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(TVXfreemodel(copy), kOk);
  EXPECT_EQ(TVXfreemodel(model), kOk);
  EXPECT_EQ(TVXfreeenv(env), kOk);
}

// Separate models solved at once on several threads, each solve creating and
// freeing its own engine instance.
TEST(Optimize, SolvesModelsOnSeveralThreadsAtOnce) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), kOk);
  constexpr int kThreads = 4, kRounds = 15;
  std::vector<TVXmodel *> models;
  for (int t = 0; t < kThreads; ++t) {
    const double obj[] = {-1.0 - t, 1};
    const double lb[] = {0, -2};
    const double ub[] = {3.5 + t, 5};
    models.push_back(box_model(env, 2, obj, lb, ub, "IC"));
  }
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        double value = 0;
        if (TVXoptimize(models[t]) != kOk || TVXgetdblattr(models[t], "ObjVal", &value) != kOk ||
            std::fabs(value - (-(1.0 + t) * (3 + t) - 2)) > 1e-9) {
          ++failures[t];
        }
      }
    });
  }
  for (std::thread &th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(TVXfreemodel(models[t]), kOk);
  }
  EXPECT_EQ(TVXfreeenv(env), kOk);
}

}  // namespace
