// Semidefinite models: the matrix convention, the standard form handed to
// DSDP, and solves with known optima through the dispatcher.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engines/dsdp/formulation.h"
#include "solve/iis.h"
#include "solve_fixture.h"
#include "store/psd_matrix.h"

namespace {

using namespace solve_fixture;

constexpr int kRefused = TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE;

// ---- The matrix convention --------------------------------------------------

struct SymCase {
  const char *name;
  std::vector<int> pos;
  std::vector<double> val;
  std::vector<double> want;  // the 2 x 2 matrix, row-major
};

class Symmetric : public ::testing::TestWithParam<SymCase> {};

TEST_P(Symmetric, AssemblesInArrivalOrder) {
  const SymCase &c = GetParam();
  const auto entries =
      tvx::symmetric_entries(2, static_cast<int>(c.pos.size()), c.pos.data(), c.val.data());
  EXPECT_EQ(tvx::dense_symmetric(2, entries), c.want);
  for (const tvx::SymEntry &e : entries) {
    EXPECT_GE(e.row, e.col);
    EXPECT_NE(e.value, 0);
  }
}

const SymCase kSymCases[] = {
    {"LowerTriangle", {0, 2, 3}, {2, 1, 2}, {2, 1, 1, 2}},
    {"UpperTriangle", {0, 1, 3}, {2, 1, 2}, {2, 1, 1, 2}},
    {"FullSymmetric", {0, 1, 2, 3}, {2, 1, 1, 2}, {2, 1, 1, 2}},
    {"LaterMirrorWins", {1, 2}, {2, 3}, {0, 3, 3, 0}},
    {"LaterRepeatWins", {1, 1}, {2, 5}, {0, 5, 5, 0}},
    {"ZeroIsSkipped", {1, 2}, {2, 0}, {0, 2, 2, 0}},
    {"Empty", {}, {}, {0, 0, 0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Cases, Symmetric, ::testing::ValuesIn(kSymCases),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(Symmetric, InnerProductCountsBothMirroredEntries) {
  const int pos[] = {1};
  const double val[] = {3};
  const double x[] = {1, 2, 2, 4};
  const auto m = tvx::symmetric_entries(2, 1, pos, val);
  EXPECT_EQ(tvx::inner_product(m, x, 2), 12);
  EXPECT_EQ(tvx::inner_product_size(m, x, 2), 12);
}

TEST(Symmetric, NearPsdAcceptsOnlySemidefiniteMatrices) {
  const double psd[] = {1, 1, 1, 1};
  const double indefinite[] = {1, 2, 2, 1};
  const double nan[] = {NAN, 0, 0, 1};
  EXPECT_TRUE(tvx::near_psd(psd, 2, 1e-9));
  EXPECT_FALSE(tvx::near_psd(indefinite, 2, 1e-9));
  EXPECT_FALSE(tvx::near_psd(nan, 2, 1e-9));
}

// ---- Building PSD models ------------------------------------------------------

using Entries = std::vector<std::pair<int, double>>;  // (row-major position, value)

struct PsdBuilder : Builder {
  int psd_var(int dim, const Entries &obj = {}) {
    std::vector<int> pos;
    std::vector<double> val;
    for (const auto &e : obj) {
      pos.push_back(e.first);
      val.push_back(e.second);
    }
    EXPECT_EQ(store.add_psd_var(dim, static_cast<int>(pos.size()), pos.data(), val.data(), ""),
              TVX_ERROR_OKAY);
    return store.num_psd_vars() - 1;
  }
  // lower <= linear terms + sum <matrix, PSD variable> <= upper.
  int psd_row(const Terms &linear, const std::vector<std::pair<int, Entries>> &matrices,
              double lower, double upper) {
    std::vector<int> lind, vidx, beg, pos;
    std::vector<double> lval, val;
    for (const auto &t : linear) {
      lind.push_back(t.first);
      lval.push_back(t.second);
    }
    for (const auto &m : matrices) {
      vidx.push_back(m.first);
      beg.push_back(static_cast<int>(pos.size()));
      for (const auto &e : m.second) {
        pos.push_back(e.first);
        val.push_back(e.second);
      }
    }
    EXPECT_EQ(
        store.add_psd_row(static_cast<int>(lind.size()), lind.data(), lval.data(),
                          static_cast<int>(vidx.size()), vidx.data(), beg.data(),
                          static_cast<int>(pos.size()), pos.data(), val.data(), lower, upper, ""),
        TVX_ERROR_OKAY);
    return store.num_rows() - 1;
  }
};

// C = tridiag(1, 2, 1) of size 3, as its lower triangle.
const Entries kTridiag = {{0, 2}, {3, 1}, {4, 2}, {7, 1}, {8, 2}};
const Entries kTrace3 = {{0, 1}, {4, 1}, {8, 1}};
const double kP1 = 2 - std::sqrt(2.0);

double entry(const tvx::Results &r, int var, int pos) {
  return (*r.psd_x)[static_cast<std::size_t>(var)][static_cast<std::size_t>(pos)];
}

// ---- Known optima ---------------------------------------------------------------

struct OptimumCase {
  const char *name;
  std::function<void(PsdBuilder &)> build;
  int status;
  double objective;  // when OPTIMAL
};

class KnownOptimum : public ::testing::TestWithParam<OptimumCase> {};

TEST_P(KnownOptimum, IsFound) {
  const OptimumCase &c = GetParam();
  PsdBuilder b;
  c.build(b);
  const tvx::SolveOutcome out = solve(b.store);
  EXPECT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_EQ(out.results.status, c.status);
  if (c.status != TVX_STATUS_OPTIMAL) {
    expect_no_solution(out.results);
    return;
  }
  const double tol = 1e-6 * (1 + std::fabs(c.objective));
  EXPECT_NEAR(*out.results.primal_obj, c.objective, tol);
  ASSERT_TRUE(out.results.dual_obj);
  EXPECT_NEAR(*out.results.dual_obj, c.objective, tol);
}

// The max-cut relaxation of the 5-cycle: max <L, X> / 4 with X_ii = 1, whose
// value is (5 / 2)(1 + cos(pi / 5)).
void five_cycle(PsdBuilder &b) {
  Entries laplacian;
  for (int i = 0; i < 5; ++i) {
    laplacian.push_back({i * 5 + i, 2 / 4.0});
    const int j = (i + 1) % 5;
    laplacian.push_back({std::max(i, j) * 5 + std::min(i, j), -1 / 4.0});
  }
  const int x = b.psd_var(5, laplacian);
  for (int i = 0; i < 5; ++i) b.psd_row({}, {{x, {{i * 5 + i, 1}}}}, 1, 1);
  b.store.set_sense(TVX_MAXIMIZE);
}

// min x1 + <C, X> with x1, x2 free: x1 + tr X = 1, x2 = X00 and
// x1 + x2 >= -2. Substituting, 1 + <C - I, X> over X11 + X22 <= 3, whose
// dual multiplier is the smallest l with C - I + l diag(0, 1, 1) PSD:
// l^2 + l = 1.
void two_free(PsdBuilder &b) {
  const int x1 = b.var(-kTvxInfinity, kTvxInfinity, 1), x2 = b.var(-kTvxInfinity, kTvxInfinity, 0);
  const int p = b.psd_var(3, kTridiag);
  b.psd_row({{x1, 1}}, {{p, kTrace3}}, 1, 1);
  b.psd_row({{x2, 1}}, {{p, {{0, -1}}}}, 0, 0);
  b.row({{x1, 1}, {x2, 1}}, -2, kTvxInfinity);
}

const OptimumCase kOptimumCases[] = {
    {"TraceOne",
     [](PsdBuilder &b) {
       b.psd_row({}, {{b.psd_var(3, kTridiag), kTrace3}}, 1, 1);
     },
     TVX_STATUS_OPTIMAL, kP1},
    {"TraceOneMaximised",
     [](PsdBuilder &b) {
       Entries negated = kTridiag;
       for (auto &e : negated) e.second = -e.second;
       b.psd_row({}, {{b.psd_var(3, negated), kTrace3}}, 1, 1);
       b.store.set_sense(TVX_MAXIMIZE);
     },
     TVX_STATUS_OPTIMAL, -kP1},
    {"TraceOneAsTwoInequalities",
     [](PsdBuilder &b) {
       const int x = b.psd_var(3, kTridiag);
       b.psd_row({}, {{x, kTrace3}}, 1, kTvxInfinity);
       b.psd_row({}, {{x, kTrace3}}, -kTvxInfinity, 1);
     },
     TVX_STATUS_OPTIMAL, kP1},
    {"ScaledBy1e7",
     [](PsdBuilder &b) {
       Entries scaled = kTridiag;
       for (auto &e : scaled) e.second *= 1e7;
       b.psd_row({}, {{b.psd_var(3, scaled), kTrace3}}, 1, 1);
     },
     TVX_STATUS_OPTIMAL, 1e7 * kP1},
    {"UpperTriangleOnly",
     [](PsdBuilder &b) {
       b.psd_row({}, {{b.psd_var(3, {{0, 2}, {1, 1}, {4, 2}, {5, 1}, {8, 2}}), kTrace3}}, 1, 1);
     },
     TVX_STATUS_OPTIMAL, kP1},
    {"FreeVariable",
     [](PsdBuilder &b) {
       // min x + <C, X> with x free, tr X + x = 1 and x >= -2 as a row.
       const int x = b.var(-kTvxInfinity, kTvxInfinity, 1);
       b.psd_row({{x, 1}}, {{b.psd_var(3, kTridiag), kTrace3}}, 1, 1);
       b.row({{x, 1}}, -2, kTvxInfinity);
     },
     TVX_STATUS_OPTIMAL, -2 + 3 * kP1},
    {"TwoFreeVariables", two_free, TVX_STATUS_OPTIMAL, 1 - 1.5 * (std::sqrt(5.0) - 1)},
    {"RowWithoutSidesIsIgnored",
     [](PsdBuilder &b) {
       const int x = b.psd_var(3, kTridiag);
       b.psd_row({}, {{x, kTrace3}}, 1, 1);
       b.psd_row({}, {{x, {{1, 5}}}}, -kTvxInfinity, kTvxInfinity);
     },
     TVX_STATUS_OPTIMAL, kP1},
    {"FiveCycleMaxCut", five_cycle, TVX_STATUS_OPTIMAL,
     2.5 * (1 + std::cos(3.14159265358979323846 / 5))},
    {"Infeasible",
     [](PsdBuilder &b) {
       b.psd_row({}, {{b.psd_var(3, kTridiag), kTrace3}}, -1, -1);
     },
     TVX_STATUS_INFEASIBLE, 0},
    {"Unbounded",
     [](PsdBuilder &b) {
       const int x = b.psd_var(2, {{1, -1}});  // min -2 X01
       b.psd_row({}, {{x, {{0, 1}}}}, 1, 1);
     },
     TVX_STATUS_UNBOUNDED, 0},
    {"NoRowsPsdObjective", [](PsdBuilder &b) { b.psd_var(3, kTridiag); }, TVX_STATUS_OPTIMAL, 0},
    {"NoRowsIndefiniteObjective",
     [](PsdBuilder &b) {
       b.psd_var(2, {{1, 1}});
     },
     TVX_STATUS_UNBOUNDED, 0},
    {"UnusedPsdVariableAndColumn",
     [](PsdBuilder &b) {
       b.psd_row({}, {{b.psd_var(3, kTridiag), kTrace3}}, 1, 1);
       b.psd_var(2);
       b.var(0, kTvxInfinity, 0);
     },
     TVX_STATUS_OPTIMAL, kP1},
    {"UnusedColumnWithFallingCost",
     [](PsdBuilder &b) {
       b.psd_row({}, {{b.psd_var(3, kTridiag), kTrace3}}, 1, 1);
       b.var(0, kTvxInfinity, -1);
     },
     TVX_STATUS_UNBOUNDED, 0},
    {"FeasibilityOnly",
     [](PsdBuilder &b) {
       b.psd_row({}, {{b.psd_var(2), {{0, 1}}}}, 1, 1);
     },
     TVX_STATUS_OPTIMAL, 0},
    {"EmptyEqualityWithSide",
     [](PsdBuilder &b) {
       const int x = b.psd_var(2);
       b.psd_row({}, {{x, {}}}, 1, 1);
     },
     TVX_STATUS_INFEASIBLE, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, KnownOptimum, ::testing::ValuesIn(kOptimumCases),
                         [](const auto &test) { return std::string(test.param.name); });

// x1 in [0, 1], x2 in [-1, 1]; min x1 - x2 + <C, X> with tr X = 1,
// 0.5 <= x1 + x2 + 2 X01 <= 2 and X22 + x1 <= 0.3.
PsdBuilder bounded_and_ranged() {
  PsdBuilder b;
  const int x1 = b.var(0, 1, 1), x2 = b.var(-1, 1, -1);
  const int x = b.psd_var(3, kTridiag);
  b.psd_row({}, {{x, kTrace3}}, 1, 1);
  b.psd_row({{x1, 1}, {x2, 1}}, {{x, {{1, 1}}}}, 0.5, 2);
  b.psd_row({{x1, 1}}, {{x, {{8, 1}}}}, -kTvxInfinity, 0.3);
  return b;
}

TEST(Psd, BoundedVariablesAndRangeRows) {
  const PsdBuilder b = bounded_and_ranged();
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  const tvx::Results &r = out.results;
  EXPECT_NEAR(*r.primal_obj, -0.344949, 1e-5);
  expect_values(r.x, {0, 1}, 1e-5);
  EXPECT_NEAR(entry(r, 0, 1), -0.25, 1e-5);
  EXPECT_NEAR(entry(r, 0, 3), -0.25, 1e-5);  // X is symmetric
  EXPECT_NEAR(entry(r, 0, 8), 0.3, 1e-5);
  // Activities count the PSD terms; the range row is active at its lower side.
  expect_values(r.activity, {1, 0.5, 0.3}, 1e-5);
  expect_values(r.dual, {1.1377, 0.6377, -0.5459}, 1e-3);
  // Reduced costs c - A'y: x1 at its lower bound, x2 at its upper one.
  ASSERT_TRUE(r.reduced_cost);
  EXPECT_NEAR((*r.reduced_cost)[0], 1 - 0.6377 + 0.5459, 1e-3);
  EXPECT_NEAR((*r.reduced_cost)[1], -1 - 0.6377, 1e-3);
}

TEST(Psd, MaximisedModelReportsDualsOfTheMaximum) {
  PsdBuilder b = bounded_and_ranged();
  tvx::Store &s = b.store;
  s.set_sense(TVX_MAXIMIZE);
  s.set_var_obj(0, -1);
  s.set_var_obj(1, 1);
  const int k = 0;
  const int beg = 0;
  std::vector<int> pos = {0, 3, 4, 7, 8};
  std::vector<double> val = {-2, -1, -2, -1, -2};
  ASSERT_EQ(s.set_psd_obj(1, &k, &beg, 5, pos.data(), val.data()), TVX_ERROR_OKAY);
  const tvx::SolveOutcome out = solve(s);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_NEAR(*out.results.primal_obj, 0.344949, 1e-5);
  expect_values(out.results.dual, {-1.1377, -0.6377, 0.5459}, 1e-3);
}

// ---- Stops and the form -------------------------------------------------------------

TEST(Psd, StopRequestEndsTheRunWithCtrlC) {
  PsdBuilder b;
  five_cycle(b);
  const StoppedOnStart stopped(tvx::dsdp_engine());
  tvx::Engines engines = tvx::built_engines();
  engines.semidefinite = &stopped;
  const tvx::SolveOutcome out = solve(b.store, {}, false, "", engines);
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_CTRL_C);
  EXPECT_NE(out.results.status, TVX_STATUS_OPTIMAL);
}

TEST(Psd, IterationLimitIsReported) {
  PsdBuilder b;
  five_cycle(b);
  const tvx::SolveOutcome out = solve(b.store, {{"IPM/MaxIterations", 2}});
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_ITERATION_LIMIT);
  EXPECT_NE(out.results.status, TVX_STATUS_OPTIMAL);
}

TEST(Psd, RefusedWithIntegers) {
  PsdBuilder b = bounded_and_ranged();
  b.store.set_var_type(0, 'I');
  const tvx::SolveOutcome out = solve(b.store);
  EXPECT_EQ(out.code, kRefused);
}

// The IIS search asks feasibility questions with rows and bounds relaxed,
// which leave variables and slacks in no row: they must not make DSDP's
// answers wrong.
TEST(Psd, IisKeepsOnlyTheInfeasibleRow) {
  PsdBuilder b;
  const int x = b.var(0, kTvxInfinity, 0);
  b.psd_row({}, {{b.psd_var(3, kTridiag), kTrace3}}, -1, -1);
  b.row({{x, 1}}, -kTvxInfinity, 3);
  const tvx::IisOutcome out = tvx::compute_iis(solve_input(b.store));
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.row, (std::vector<int>{1, 0}));
  EXPECT_EQ(out.col, (std::vector<int>{0}));
}

TEST(PsdForm, SubstitutesBoundsAndSlacksRanges) {
  const PsdBuilder b = bounded_and_ranged();
  const tvx::SdpForm f = tvx::sdp_form(b.store);
  // x1 = 0 + z0 with row 1: z0 + z1 = 1; x2 = -1 + z2 with row 2:
  // z2 + z3 = 2; tr X = 1 is row 3; the range row gets z4 and row 4:
  // z4 + z5 = 1.5 before it as row 5; the last row z6 as row 6.
  EXPECT_EQ(f.num_lp, 7);
  EXPECT_EQ(f.num_rows, 6);
  EXPECT_EQ(f.row_of, (std::vector<int>{3, 5, 6}));
  EXPECT_EQ(f.b, (std::vector<double>{1, 2, 1, 1.5, 1.5, 0.3}));
  EXPECT_DOUBLE_EQ(f.constant, 1);  // -1 times x2's shift of -1
  const double z[] = {0.25, 0, 1.5, 0, 0, 0, 0};
  EXPECT_EQ(tvx::model_point(f, z, {std::vector<double>(9, 0.0)}),
            (std::vector<double>{0.25, 0.5}));
}

TEST(PsdForm, EliminatesFreeVariables) {
  // min x + <C, X> with x free: x + tr X = 1 solves for x; x >= -2 becomes
  // 1 - tr X - w = -2 and the objective 1 + <C - I, X>.
  PsdBuilder b;
  const int x = b.var(-kTvxInfinity, kTvxInfinity, 1);
  const int p = b.psd_var(3, kTridiag);
  b.psd_row({{x, 1}}, {{p, kTrace3}}, 1, 1);
  b.row({{x, 1}}, -2, kTvxInfinity);
  const tvx::SdpForm f = tvx::sdp_form(b.store);
  EXPECT_EQ(f.num_rows, 1);
  EXPECT_EQ(f.num_lp, 1);
  EXPECT_EQ(f.b, (std::vector<double>{-3}));
  EXPECT_DOUBLE_EQ(f.constant, 1);
  ASSERT_EQ(f.eliminated.size(), 1u);
  // X = I / 3: x = 1 - 1 = 0.
  std::vector<double> third(9, 0.0);
  third[0] = third[4] = third[8] = 1 / 3.0;
  const double z[] = {2};
  EXPECT_NEAR(tvx::model_point(f, z, {third})[0], 0, 1e-15);
  // y of the kept row 0.25 gives the eliminated row's dual 1 - 0.25.
  const double y[] = {0.25};
  const std::vector<double> duals = tvx::full_duals(f, y);
  EXPECT_DOUBLE_EQ(duals[static_cast<std::size_t>(f.row_of[0])], 0.75);
  EXPECT_DOUBLE_EQ(duals[static_cast<std::size_t>(f.row_of[1])], 0.25);
}

TEST(PsdForm, FreeVariableWithACostInNoRowMakesItUnbounded) {
  PsdBuilder b;
  b.var(-kTvxInfinity, kTvxInfinity, 1);
  b.psd_row({}, {{b.psd_var(3, kTridiag), kTrace3}}, 1, 1);
  EXPECT_TRUE(tvx::sdp_form(b.store).unbounded_if_feasible);
  const tvx::SolveOutcome out = solve(b.store);
  EXPECT_EQ(out.results.status, TVX_STATUS_UNBOUNDED);
  b.psd_row({}, {{0, kTrace3}}, 2, 2);  // now infeasible
  EXPECT_EQ(solve(b.store).results.status, TVX_STATUS_INFEASIBLE);
}

}  // namespace
