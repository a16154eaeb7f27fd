// What engines are handed (solve/prepare.h): integral bounds rounded to
// integers on every path, the engines' limits on the data, and the choice of
// CBC for semi-variables whose far bound HiGHS would cut.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/status.h"
#include "solve/iis.h"
#include "solve/prepare.h"
#include "solve_fixture.h"

namespace {

using namespace solve_fixture;

const tvx::Engines kCbcOnly{&tvx::cbc_engine(), &tvx::cbc_engine(), nullptr};
const tvx::Engines kHighsOnly{&tvx::highs_engine(), nullptr, nullptr};

// A case's name as its test's name.
template <class Case>
std::string named(const ::testing::TestParamInfo<Case> &case_info) {
  return case_info.param.name;
}

// ---- Rounding ------------------------------------------------------------------

struct RoundCase {
  const char *name;
  char type;
  double lb, ub;
  double want_lb, want_ub;  // as prepared; NaN: no integer, the model infeasible
};

class Rounding : public ::testing::TestWithParam<RoundCase> {};

TEST_P(Rounding, BoundsAsEnginesGetThem) {
  const RoundCase &c = GetParam();
  Builder b;
  b.var(c.lb, c.ub, 1, c.type);
  const tvx::PreparedModel prepared(b.store, 1e-6);
  if (std::isnan(c.want_lb)) {
    EXPECT_EQ(prepared.no_integer(), "variable 0 has no integer value within its bounds");
    return;
  }
  EXPECT_EQ(prepared.no_integer(), "");
  EXPECT_EQ(prepared.model().vars().lb[0], c.want_lb);
  EXPECT_EQ(prepared.model().vars().ub[0], c.want_ub);
  // The model keeps what was set, and is handed on as it is when nothing moves.
  EXPECT_EQ(b.store.vars().lb[0], c.lb);
  EXPECT_EQ(b.store.vars().ub[0], c.ub);
  EXPECT_EQ(&prepared.model() == &b.store, c.lb == c.want_lb && c.ub == c.want_ub);
}

const double kNone = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    Bounds, Rounding,
    ::testing::Values(RoundCase{"fractional_upper", 'I', 0, 25.5, 0, 25},
                      RoundCase{"fractional_lower", 'I', 0.2, 1, 1, 1},
                      RoundCase{"upper_a_hair_below", 'I', 0, 25.9999999, 0, 26},
                      RoundCase{"lower_a_hair_above", 'I', 2.0000001, 5, 2, 5},
                      RoundCase{"negative", 'I', -7.5, -2.25, -7, -3},
                      RoundCase{"infinite_lower", 'I', -kTvxInfinity, 3.5, -kTvxInfinity, 3},
                      RoundCase{"no_integer", 'I', 0.2, 0.8, kNone, kNone},
                      RoundCase{"crossed", 'I', 3, 2, kNone, kNone},
                      RoundCase{"binary_half", 'B', 0.5, 1, 1, 1},
                      RoundCase{"binary_no_integer", 'B', 0.2, 0.8, kNone, kNone},
                      RoundCase{"binary_wide", 'B', -4, 3, -4,
                                3},  // taken as [0, 1]: nothing moves
                      RoundCase{"semi_integer", 'N', 2, 5.5, 2, 5},
                      RoundCase{"semi_integer_negative", 'N', -5.5, -2.2, -5, -3},
                      RoundCase{"semi_integer_only_zero", 'N', 0.2, 0.8, 0, 0},
                      RoundCase{"continuous", 'C', 0.5, 2.5, 0.5, 2.5},
                      RoundCase{"semi_continuous", 'S', 0.5, 2.5, 0.5, 2.5}),
    named<RoundCase>);

TEST(Rounding, TheVariableOfAnIndicatorIsBinary) {
  Builder b;
  const int x = b.var(0, 10, 1);
  const int on = b.var(0.5, 1, 0);  // continuous, but an indicator's
  b.indicator(on, 1, {{x, 1}}, '<', 4);
  const tvx::PreparedModel prepared(b.store, 1e-6);
  EXPECT_EQ(prepared.model().vars().lb[on], 1);
  EXPECT_EQ(prepared.model().vars().ub[on], 1);
}

// ---- The same answer on every path ---------------------------------------------

struct Path {
  const char *name;
  const tvx::Engines *engines;
  bool callback;
};

class EveryPath : public ::testing::TestWithParam<Path> {
 protected:
  tvx::SolveOutcome solved(const tvx::Store &store) {
    return solve(store, {}, GetParam().callback, std::string(), *GetParam().engines);
  }
};

// x0 integer in [0, 5], x1 integer in [0, 12.75], 4 x1 + x0 <= 54,
// max 5 x0 + x1: 37 at (5, 12). The HiGHS we link errs in presolve with
// the fractional bound (36); CBC aborts on it.
TEST_P(EveryPath, FractionalIntegerBoundsGiveTheOptimum) {
  Builder b;
  b.var(0, 5, 5, 'I');
  b.var(0, 12.75, 1, 'I');
  b.row({{0, 1}, {1, 4}}, -kTvxInfinity, 54);
  b.store.set_sense(TVX_MAXIMIZE);
  const tvx::SolveOutcome out = solved(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  expect_values(out.results.x, {5, 12});
  EXPECT_NEAR(*out.results.primal_obj, 37, 1e-9);
}

// An integer in [0.2, 0.8] beside a free variable, max x - y: no point at
// all, though the relaxation is unbounded.
TEST_P(EveryPath, NoIntegerInRangeIsInfeasible) {
  Builder b;
  b.var(0.2, 0.8, 1, 'I');
  b.var(-kTvxInfinity, kTvxInfinity, -1);
  b.store.set_sense(TVX_MAXIMIZE);
  const tvx::SolveOutcome out = solved(b.store);
  EXPECT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_INFEASIBLE);
}

// A semi-integer variable with no integer in its range can only be 0.
TEST_P(EveryPath, SemiIntegerWithoutIntegerRangeIsZero) {
  Builder b;
  b.var(0.2, 0.8, -1, 'N');
  b.var(0, 3, -1, 'I');
  b.row({{0, 1}, {1, 1}}, -kTvxInfinity, 2.5);
  const tvx::SolveOutcome out = solved(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  expect_values(out.results.x, {0, 2});
}

// A coefficient beyond the limits is refused alike, whichever engine.
TEST_P(EveryPath, HugeCoefficientRefusedAlike) {
  Builder b;
  b.var(0, 10, 1, 'I');
  b.var(0, 10, 1);
  b.row({{0, 1e21}, {1, 1}}, -kTvxInfinity, 3e21);
  const tvx::SolveOutcome out = solved(b.store);
  EXPECT_EQ(out.code, TVX_ERROR_MODEL_INPUT_ERROR);
  EXPECT_NE(std::string(tvx::error_detail(out.code))
                .find("the coefficient 1e+21 of variable 0 in row 0 is beyond "),
            std::string::npos)
      << tvx::error_detail(out.code);
  EXPECT_NE(std::string(tvx::error_detail(out.code)).find("'s limit of 1e+15"), std::string::npos);
  expect_no_solution(out.results);
}

// A row of tiny coefficients keeps its meaning: 1e-7 y = 1e-7 holds y at 1
// (HiGHS's MIP tolerance took y = 3 for close enough).
TEST_P(EveryPath, RowOfTinyCoefficients) {
  Builder b;
  b.var(0, 3, -1, 'I');
  b.var(0, 3, -2);
  b.row({{1, 1e-7}}, 1e-7, 1e-7);
  b.row({{0, 1}, {1, 1}}, -kTvxInfinity, 3.5);
  const tvx::SolveOutcome out = solved(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  expect_values(out.results.x, {2, 1});
}

INSTANTIATE_TEST_SUITE_P(Paths, EveryPath,
                         ::testing::Values(Path{"highs", &kHighsOnly, false},
                                           Path{"cbc", &kCbcOnly, false},
                                           Path{"callback", &kCbcOnly, true}),
                         named<Path>);

// x semi-integer in {0} or [2, 5.5], b binary, b = 1 -> x <= 4; min -x - b:
// -5 at x = 4, b = 1 (CBC aborted on the fractional bound).
TEST(Prepared, FractionalSemiIntegerBoundWithAnIndicator) {
  Builder b;
  const int x = b.var(2, 5.5, -1, 'N');
  const int on = b.var(0, 1, -1, 'B');
  b.indicator(on, 1, {{x, 1}}, '<', 4);
  for (const bool callback : {false, true}) {
    const tvx::SolveOutcome out = solve(b.store, {}, callback);
    ASSERT_EQ(out.code, TVX_ERROR_OKAY) << "callback " << callback;
    expect_values(out.results.x, {4, 1});
    EXPECT_NEAR(*out.results.primal_obj, -5, 1e-9);
  }
}

// The IIS search asks the dispatcher, so its solves refuse such data too:
// CLP took this feasible model for infeasible.
TEST(PreparedIis, HugeCoefficientIsRefused) {
  Builder b;
  b.var(0, 10, 1, 'I');
  b.var(0, 10, 1);
  b.row({{0, 1e21}, {1, 1}}, -kTvxInfinity, 3e21);
  b.sos(TVX_SOS_TYPE1, {{0, 1}});
  EXPECT_EQ(tvx::compute_iis(solve_input(b.store)).code, TVX_ERROR_MODEL_INPUT_ERROR);
}

// A model with sets and an indicator whose rows, scaled by 1e8, lost the
// optimum 22 to CBC's absolute tolerances (it ended at 16); with costs of
// 1e15 CLP took another one's relaxation for infeasible or unbounded.
TEST(Prepared, HugeRowsAndCostsKeepTheOptimum) {
  Builder rows;
  rows.var(0, 1, 1, 'B');
  rows.var(2, 3, 3, 'N');
  rows.var(0, 3, -1, 'S');
  rows.var(0, kTvxInfinity, 3);
  rows.row({{1, 1e8}, {0, 2e8}, {3, -3e8}}, -7e8, kTvxInfinity);
  rows.row({{0, -3e8}}, -kTvxInfinity, 0);
  rows.row({{3, 1e8}}, 2e8, kTvxInfinity);
  rows.sos(TVX_SOS_TYPE2, {{1, 4}, {3, 5}});
  rows.indicator(0, 0, {{1, -2}, {3, -1}, {0, 2}, {2, -2}}, '>', -15);
  rows.store.set_sense(TVX_MAXIMIZE);

  Builder costs;
  costs.var(0, 3, -1e15, 'N');
  costs.var(-kTvxInfinity, 4, -1e15);
  costs.var(0, 1, 3e15, 'B');
  costs.var(0, 3, -3e15, 'N');
  costs.row({{3, 1}}, 2, 2);
  costs.sos(TVX_SOS_TYPE1, {{1, 1}, {3, 2}, {2, 3}, {0, 7}});
  costs.store.set_sense(TVX_MAXIMIZE);

  for (const bool callback : {false, true}) {
    const tvx::SolveOutcome out = solve(rows.store, {}, callback);
    ASSERT_EQ(out.code, TVX_ERROR_OKAY) << "callback " << callback;
    EXPECT_NEAR(*out.results.primal_obj, 22, 1e-6) << "callback " << callback;
    const tvx::SolveOutcome big = solve(costs.store, {}, callback);
    ASSERT_EQ(big.code, TVX_ERROR_OKAY) << "callback " << callback;
    EXPECT_EQ(big.results.status, TVX_STATUS_OPTIMAL);
    EXPECT_NEAR(*big.results.primal_obj, -6e15, 1);
  }
}

// ---- The engines' limits -------------------------------------------------------

struct LimitCase {
  const char *name;
  void (*build)(Builder &);
  const char *why;  // "" for data within the limits
};

void row_coefficient(Builder &b) {
  b.var(0, 1, 1);
  b.var(0, 1, 1);
  b.row({{0, 1}, {1, -1e15}}, -kTvxInfinity, 0);
}
void row_below(Builder &b) {
  b.var(0, 1, 9.99e19);
  b.var(0, 1e19, 1);
  b.row({{0, 9.99e14}, {1, 1e-30}}, -kTvxInfinity, 1e19);
}
void indicator_coefficient(Builder &b) {
  b.var(0, 1, 0, 'B');
  b.var(0, 1, 0);
  b.indicator(0, 1, {{1, 2e15}}, '<', 1);
}
void cost(Builder &b) {
  b.var(0, 1, 1);
  b.var(0, 1, -1e20);
}
void hessian(Builder &b) {
  b.var(0, 1, 0);
  b.quad(0, 0, 5e14);  // H holds 1e15
}

class Limits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limits, TheFirstValueBeyondIsNamed) {
  Builder b;
  GetParam().build(b);
  tvx::SolveContext context{std::string()};
  const tvx::ParamValues params;
  const tvx::Problem p = tvx::make_problem(b.store, params, context);
  EXPECT_EQ(tvx::beyond_limits(p, tvx::highs_engine().limits(), "HiGHS"), GetParam().why);
}

INSTANTIATE_TEST_SUITE_P(
    Data, Limits,
    ::testing::Values(
        LimitCase{"row", row_coefficient,
                  "the coefficient -1e+15 of variable 1 in row 0 is beyond HiGHS's limit of 1e+15"},
        LimitCase{"within", row_below, ""},
        LimitCase{"indicator", indicator_coefficient,
                  "the coefficient 2e+15 of variable 1 in indicator constraint 0 is beyond "
                  "HiGHS's limit of 1e+15"},
        LimitCase{
            "cost", cost,
            "the objective coefficient -1e+20 of variable 1 is beyond HiGHS's limit of 1e+20"},
        LimitCase{"hessian", hessian,
                  "the Hessian entry 1e+15 of the quadratic objective for variables 0 and 0 is "
                  "beyond HiGHS's limit of 1e+15"}),
    named<LimitCase>);

// A semidefinite model's engine has narrower limits, on sides too.
TEST(Limits, SemidefiniteModels) {
  Builder b;
  const int pos[] = {0, 3};
  const double one[] = {1, 1};
  ASSERT_EQ(b.store.add_psd_var(2, 2, pos, one, nullptr), TVX_ERROR_OKAY);
  const int var = 0, beg = 0;
  const double big[] = {1e7, 1e7};
  ASSERT_EQ(b.store.add_psd_row(0, nullptr, nullptr, 1, &var, &beg, 2, pos, big, 1e7, 1e7, nullptr),
            TVX_ERROR_OKAY);
  const tvx::SolveOutcome out = solve(b.store);
  EXPECT_EQ(out.code, TVX_ERROR_MODEL_INPUT_ERROR);
  EXPECT_STREQ(tvx::error_detail(out.code),
               "the matrix entry 10000000 of PSD variable 0 in row 0 is beyond DSDP's limit of "
               "10000000");

  Builder sides;
  ASSERT_EQ(sides.store.add_psd_var(2, 2, pos, one, nullptr), TVX_ERROR_OKAY);
  ASSERT_EQ(
      sides.store.add_psd_row(0, nullptr, nullptr, 1, &var, &beg, 2, pos, one, 1e8, 1e8, nullptr),
      TVX_ERROR_OKAY);
  const tvx::SolveOutcome refused = solve(sides.store);
  EXPECT_EQ(refused.code, TVX_ERROR_MODEL_INPUT_ERROR);
  EXPECT_STREQ(tvx::error_detail(refused.code),
               "the side 100000000 of row 0 is beyond DSDP's limit of 10000000");
}

// ---- Far semi bounds -------------------------------------------------------------

struct SemiCase {
  const char *name;
  char type;
  double lb, ub;
  bool cbc;  // chosen over HiGHS
};

class SemiFarBound : public ::testing::TestWithParam<SemiCase> {};

TEST_P(SemiFarBound, GoesWhereItIsSolvedRight) {
  const SemiCase &c = GetParam();
  Builder b;
  b.var(c.lb, c.ub, 1, c.type);
  tvx::SolveContext context{std::string()};
  const tvx::ParamValues params;
  const tvx::EngineChoice choice =
      tvx::choose_engine(tvx::make_problem(b.store, params, context), tvx::built_engines());
  ASSERT_EQ(choice.refusal, "");
  EXPECT_EQ(choice.engine, c.cbc ? &tvx::cbc_engine() : &tvx::highs_engine());
}

INSTANTIATE_TEST_SUITE_P(Ranges, SemiFarBound,
                         ::testing::Values(SemiCase{"within", 'S', 2, 1e5, false},
                                           SemiCase{"beyond", 'S', 2, 1e6, true},
                                           SemiCase{"infinite", 'S', 2, kTvxInfinity, true},
                                           SemiCase{"integer_beyond", 'N', 1, 1e7, true},
                                           SemiCase{"negative_beyond", 'S', -2e5, -1, true},
                                           SemiCase{"negative_within", 'N', -1e5, -1, false},
                                           SemiCase{"range_holds_zero", 'S', -1e6, 1e6, false},
                                           SemiCase{"only_zero", 'S', 5e6, 2e6, false}),
                         named<SemiCase>);

// x semi-continuous in {0} or [2, 1e6] with x >= 999979.5 (HiGHS cut the
// range at 1e5: infeasible); y semi-continuous in [1, 1e7] with y <= 2e6,
// max y (HiGHS failed: the cut bound was active).
TEST(SemiFarBound, SolvedByTheDefaultPath) {
  Builder b;
  b.var(2, 1e6, 0, 'S');
  b.row({{0, 1}}, 999979.5, kTvxInfinity);
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_GE((*out.results.x)[0], 999979.5 - 1e-6);

  Builder m;
  m.var(1, 1e7, 1, 'S');
  m.row({{0, 1}}, -kTvxInfinity, 2e6);
  m.store.set_sense(TVX_MAXIMIZE);
  const tvx::SolveOutcome most = solve(m.store);
  ASSERT_EQ(most.code, TVX_ERROR_OKAY);
  expect_values(most.results.x, {2e6});
}

}  // namespace
