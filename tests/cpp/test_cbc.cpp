// The CBC engine: SOS and indicator models with known optima, the same MIPs
// through both engines, limits, MIP starts and the log.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "solve/answer_check.h"
#include "solve_fixture.h"

namespace {

using namespace solve_fixture;

const tvx::Engines kCbcOnly{&tvx::cbc_engine(), &tvx::cbc_engine(), nullptr};
const tvx::Engines kHighsOnly{&tvx::highs_engine(), nullptr, nullptr};

// ---- SOS -------------------------------------------------------------------

// min -x0 - 2x1 - 3x2 - x3 s.t. x0 + x1 + x2 + x3 <= 2.5, 0 <= x <= 1, one
// set over x0..x2. An SOS1 leaves x2 and x3; an SOS2 the pair x1, x2 and half
// of x3. The maximisation of the negated objective has the same point.
struct SosCase {
  int type;
  int sense;
  std::vector<double> x;
  double objective;
};

class KnownSos : public ::testing::TestWithParam<SosCase> {};

TEST_P(KnownSos, ReachesTheKnownOptimum) {
  const SosCase &c = GetParam();
  const double s = c.sense == TVX_MINIMIZE ? 1 : -1;
  Builder b;
  const double cost[] = {-1, -2, -3, -1};
  for (double v : cost) b.var(0, 1, s * v);
  b.row({{0, 1}, {1, 1}, {2, 1}, {3, 1}}, -kTvxInfinity, 2.5);
  b.sos(c.type, {{0, 1}, {1, 2}, {2, 3}});
  b.store.set_sense(c.sense);

  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  expect_values(out.results.x, c.x);
  ASSERT_TRUE(out.results.primal_obj);
  EXPECT_NEAR(*out.results.primal_obj, c.objective, 1e-6);
  ASSERT_TRUE(out.results.dual_obj);
  EXPECT_NEAR(*out.results.dual_obj, c.objective, 1e-4);
  EXPECT_FALSE(out.results.dual);  // multipliers of a MIP certify nothing
}

INSTANTIATE_TEST_SUITE_P(
    Sets, KnownSos,
    ::testing::Values(SosCase{TVX_SOS_TYPE1, TVX_MINIMIZE, {0, 0, 1, 1}, -4},
                      SosCase{TVX_SOS_TYPE2, TVX_MINIMIZE, {0, 1, 1, 0.5}, -5.5},
                      SosCase{TVX_SOS_TYPE1, TVX_MAXIMIZE, {0, 0, 1, 1}, 4},
                      SosCase{TVX_SOS_TYPE2, TVX_MAXIMIZE, {0, 1, 1, 0.5}, 5.5}));

// Members are ordered by weight, not by position: with the weights of x0
// and x2 swapped, the SOS2 neighbours of x1 are x2 and x0 in that order,
// and x1 with x0 now lie apart.
TEST(Sos, AdjacencyFollowsTheWeights) {
  Builder b;
  for (double v : {-3.0, -1.0, -2.0}) b.var(0, 1, v);
  b.sos(TVX_SOS_TYPE2, {{0, 3}, {1, 1}, {2, 2}});
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  expect_values(out.results.x, {1, 0, 1});
  EXPECT_NEAR(*out.results.primal_obj, -5, 1e-6);
}

// Members that may go below zero: "zero" means zero, not the lower bound.
TEST(Sos, MembersWithNegativeBounds) {
  Builder b;
  b.var(-2, 1, 1);
  b.var(-3, 1, 1);
  b.var(-1, 1, 1);
  b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}, {2, 3}});
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  expect_values(out.results.x, {0, -3, 0});
}

// Two optima tie, one of them breaking the SOS1: the search must keep the
// other (bound fixings that took the first as the only one lost it).
TEST(Sos, TiedOptimumOnTheRightSideOfTheSet) {
  Builder b;
  b.var(2, 1, 1, 'N');  // empty range: always 0
  b.var(0, 1, -3, 'I');
  b.var(-2, -2, -2, 'I');
  b.var(-3, 1, -3, 'N');
  b.row({{0, 3}, {1, -2}, {2, -1}, {3, -2}}, 3, 5);
  b.sos(TVX_SOS_TYPE1, {{1, 2}, {3, 4}});
  b.sos(TVX_SOS_TYPE2, {{0, 3}, {1, 4}, {3, 3}});
  b.store.set_sense(TVX_MAXIMIZE);
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  expect_values(out.results.x, {0, 0, -2, -1});
}

// ---- Indicators --------------------------------------------------------------

// x with -10 <= x <= 10 (as a row, or also as bounds), z binary; the
// indicator (z = binval) -> x sense rhs and a bonus of 9 while it is active:
//   '<' 2:  maximise x + bonus,  active 2 + 9 beats inactive 10;
//   '>' -2: maximise -x + bonus, active 2 + 9 beats inactive 10;
//   '=' 3:  maximise x + bonus,  active 3 + 9 beats inactive 10.
// z fixed either way gives that side's value.
TEST(Indicator, EverySenseActivityAndBinval) {
  struct Sense {
    char sense;
    double rhs, x_coeff, x_active;
  };
  const Sense senses[] = {{'<', 2, 1, 2}, {'>', -2, -1, -2}, {'=', 3, 1, 3}};
  enum Fix { kFree, kInactive, kActive };
  for (const Sense &s : senses) {
    for (int binval : {0, 1}) {
      for (Fix fix : {kFree, kInactive, kActive}) {
        for (bool bounded : {false, true}) {
          SCOPED_TRACE(std::string("sense ") + s.sense + " binval " + std::to_string(binval) +
                       " fix " + std::to_string(fix) + (bounded ? " bounded" : " free"));
          Builder b;
          const double lim = bounded ? 10 : kTvxInfinity;
          const int x = b.var(-lim, lim, s.x_coeff);
          double zlb = 0, zub = 1;
          if (fix != kFree) zlb = zub = (fix == kActive) == (binval == 1) ? 1 : 0;
          // The bonus 9 [z = binval] is 9z, or 9 - 9z.
          const int z = b.var(zlb, zub, binval == 1 ? 9 : -9, 'B');
          b.store.set_objcon(binval == 1 ? 0 : 9);
          b.row({{x, 1}}, -10, 10);
          b.indicator(z, binval, {{x, 1}}, s.sense, s.rhs);
          b.store.set_sense(TVX_MAXIMIZE);

          const tvx::SolveOutcome out = solve(b.store);
          ASSERT_EQ(out.code, TVX_ERROR_OKAY);
          ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
          const bool active = fix != kInactive;
          const double zval = active == (binval == 1) ? 1 : 0;
          const double xval = active ? s.x_active : 10 * s.x_coeff;
          expect_values(out.results.x, {xval, zval});
          EXPECT_NEAR(*out.results.primal_obj, active ? s.x_coeff * s.x_active + 9 : 10, 1e-6);
        }
      }
    }
  }
}

// An indicator whose variable is stated continuous still switches on 0 or 1.
TEST(Indicator, VariableTakenAsBinary) {
  Builder b;
  const int x = b.var(0, kTvxInfinity, 1);
  const int z = b.var(0, 1, 0.5);  // continuous
  b.row({{x, 1}}, -kTvxInfinity, 10);
  b.indicator(z, 1, {{x, 1}}, '<', 4);
  b.store.set_sense(TVX_MAXIMIZE);
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  expect_values(out.results.x, {10, 0});
}

// Indicators forcing an infeasible combination, and a binary fixed into it.
TEST(Indicator, Infeasible) {
  Builder b;
  const int x = b.var(0, 10, 1);
  const int z = b.var(1, 1, 0, 'B');
  b.indicator(z, 1, {{x, 1}}, '>', 5);
  b.indicator(z, 1, {{x, 1}}, '<', 4);
  const tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_INFEASIBLE);
  expect_no_solution(out.results);
}

// Facility location: open facility i at cost f_i, ship x_ij <= capacity of
// open facilities to meet each demand. Stated with indicators
// (y_i = 0 -> sum_j x_ij <= 0) through CBC, and with big-M rows
// sum_j x_ij <= cap_i y_i through HiGHS: one optimum.
TEST(Indicator, FacilityLocationMatchesBigM) {
  const double fixed[] = {45, 60, 30, 52};
  const double cap[] = {60, 80, 40, 70};
  const double demand[] = {20, 25, 15, 30, 18};
  const double cost[4][5] = {{4, 6, 9, 5, 7}, {7, 3, 4, 8, 5}, {6, 8, 3, 6, 4}, {5, 5, 7, 3, 6}};
  const auto build = [&](bool indicators) {
    Builder b;
    int y[4], x[4][5];
    for (int i = 0; i < 4; ++i) y[i] = b.var(0, 1, fixed[i], 'B');
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 5; ++j) x[i][j] = b.var(0, kTvxInfinity, cost[i][j]);
    }
    for (int j = 0; j < 5; ++j) {
      Terms t;
      for (int i = 0; i < 4; ++i) t.push_back({x[i][j], 1});
      b.row(t, demand[j], demand[j]);
    }
    for (int i = 0; i < 4; ++i) {
      Terms t;
      for (int j = 0; j < 5; ++j) t.push_back({x[i][j], 1});
      if (indicators) {
        b.row(t, -kTvxInfinity, cap[i]);
        b.indicator(y[i], 0, t, '<', 0);
      } else {
        t.push_back({y[i], -cap[i]});
        b.row(t, -kTvxInfinity, 0);
      }
    }
    return b.store;
  };
  const tvx::Store with_indicators = build(true);
  const tvx::Store with_big_m = build(false);
  const tvx::SolveOutcome a = solve(with_indicators);
  const tvx::SolveOutcome b = solve(with_big_m, {}, false, std::string(), kHighsOnly);
  ASSERT_EQ(a.code, TVX_ERROR_OKAY);
  ASSERT_EQ(b.code, TVX_ERROR_OKAY);
  ASSERT_EQ(a.results.status, TVX_STATUS_OPTIMAL);
  ASSERT_EQ(b.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_NEAR(*a.results.primal_obj, *b.results.primal_obj, 1e-6);
  // Every open facility's y is what the shipped amounts need.
  for (int i = 0; i < 4; ++i) {
    double shipped = 0;
    for (int j = 0; j < 5; ++j) shipped += (*a.results.x)[4 + 5 * i + j];
    if ((*a.results.x)[i] < 0.5) {
      EXPECT_NEAR(shipped, 0, 1e-6) << "facility " << i;
    }
  }
}

// ---- One MIP, two engines -----------------------------------------------------------

struct MipCase {
  const char *name;
  void (*build)(Builder &);
  int status;
};

class BothEngines : public ::testing::TestWithParam<MipCase> {};

TEST_P(BothEngines, AgreeOnStatusAndOptimum) {
  const MipCase &c = GetParam();
  Builder b;
  c.build(b);
  const tvx::SolveOutcome h = solve(b.store, {}, false, std::string(), kHighsOnly);
  const tvx::SolveOutcome k = solve(b.store, {}, false, std::string(), kCbcOnly);
  ASSERT_EQ(h.code, TVX_ERROR_OKAY);
  ASSERT_EQ(k.code, TVX_ERROR_OKAY);
  EXPECT_EQ(h.results.status, c.status);
  EXPECT_EQ(k.results.status, c.status);
  if (c.status == TVX_STATUS_OPTIMAL) {
    EXPECT_NEAR(*k.results.primal_obj, *h.results.primal_obj, 1e-6);
  } else {
    expect_no_solution(k.results);
  }
}

const MipCase kMipCases[] = {
    {"Knapsack",
     [](Builder &b) {
       const double value[] = {10, 13, 7, 8, 12, 9}, weight[] = {5, 7, 4, 3, 6, 5};
       Terms t;
       for (int j = 0; j < 6; ++j) t.push_back({b.var(0, 1, value[j], 'B'), weight[j]});
       b.row(t, -kTvxInfinity, 15);
       b.store.set_sense(TVX_MAXIMIZE);
     },
     TVX_STATUS_OPTIMAL},
    {"GeneralIntegersBelowZeroWithConstant",
     [](Builder &b) {
       const int x = b.var(-7.5, 6, 3, 'I'), y = b.var(-4, 9, -2, 'I'), z = b.var(-1, 3, 1);
       b.row({{x, 2}, {y, 3}, {z, 1}}, -4.5, 11.3);
       b.row({{x, 1}, {y, -1}}, -6.2, kTvxInfinity);
       b.store.set_objcon(5);
     },
     TVX_STATUS_OPTIMAL},
    {"WorkshopPlan",
     [](Builder &b) {
       const int t = b.var(0, kTvxInfinity, 45, 'I'), c = b.var(0, kTvxInfinity, 80, 'I');
       const int d = b.var(0, 1, 25, 'B');
       b.row({{t, 5}, {c, 20}}, -kTvxInfinity, 400);
       b.row({{t, 10}, {c, 15}, {d, 30}}, -kTvxInfinity, 450);
       b.store.set_sense(TVX_MAXIMIZE);
     },
     TVX_STATUS_OPTIMAL},
    {"SemiContinuousAndSemiInteger",
     [](Builder &b) {
       const int s = b.var(2, 6, -1, 'S'), n = b.var(3, 8, -2, 'N');
       const int m = b.var(-5, -2, 1, 'S');
       b.row({{s, 1}, {n, 1}}, -kTvxInfinity, 9.5);
       b.row({{n, 1}, {m, -1}}, -kTvxInfinity, 9);
     },
     TVX_STATUS_OPTIMAL},
    {"SemiContinuousWithoutUpperBound",
     [](Builder &b) {
       const int s = b.var(4, kTvxInfinity, 1, 'S'), x = b.var(0, 3, 2);
       b.row({{s, 1}, {x, 1}}, 3.5, kTvxInfinity);
     },
     TVX_STATUS_OPTIMAL},
    {"Infeasible",
     [](Builder &b) {
       const int x = b.var(0, 10, 1, 'I'), y = b.var(0, 10, 1, 'I');
       b.row({{x, 2}, {y, 2}}, 3, 3);
     },
     TVX_STATUS_INFEASIBLE},
};

// A callback that lets the search go on changes nothing (the search then
// runs with the callback's hooks: its gate, generator and integer objects).
TEST_P(BothEngines, ACallbackChangesNothing) {
  const MipCase &c = GetParam();
  Builder b;
  c.build(b);
  const tvx::SolveOutcome h = solve(b.store, {}, false, std::string(), kHighsOnly);
  const tvx::SolveOutcome k = solve(b.store, {}, true);
  ASSERT_EQ(k.code, TVX_ERROR_OKAY);
  EXPECT_EQ(k.results.status, c.status);
  if (c.status == TVX_STATUS_OPTIMAL) {
    EXPECT_NEAR(*k.results.primal_obj, *h.results.primal_obj, 1e-6);
  }
}

INSTANTIATE_TEST_SUITE_P(Mips, BothEngines, ::testing::ValuesIn(kMipCases),
                         [](const auto &case_info) { return std::string(case_info.param.name); });

// ---- Random small models against enumeration ----------------------------------------

// Pure integer models small enough to enumerate: integer, binary and
// semi-integer variables with bounds around 0 (fixed, negative, empty
// ranges included), rows, SOS of either type with repeated weights, and
// indicators on binaries that may be fixed.
struct SmallModel {
  Builder b;
  std::vector<std::vector<int>> domain;  // each variable's values
};

void random_model(unsigned &seed, SmallModel &out) {
  const auto next = [&seed](int lo, int hi) {
    seed = seed * 1103515245u + 12345u;
    return lo + static_cast<int>((seed >> 16) % static_cast<unsigned>(hi - lo + 1));
  };
  Builder &b = out.b;
  const int n = next(3, 6);
  std::vector<int> binaries;
  for (int j = 0; j < n; ++j) {
    const int kind = next(0, 2);
    const char type = kind == 0 ? 'I' : kind == 1 ? 'B' : 'N';
    int lb = next(-3, 2), ub = next(lb - 1, 3);
    if (type == 'B') {
      lb = next(0, 3) == 0 ? 1 : 0;
      ub = next(0, 3) == 0 ? 0 : 1;
    }
    if (type != 'N' && ub < lb) ub = lb;
    b.var(lb, ub, next(-5, 5), type);
    std::vector<int> values;
    if (type == 'N') values.push_back(0);
    for (int v = lb; v <= ub; ++v) {
      if (!(type == 'N' && v == 0)) values.push_back(v);
    }
    if (type == 'N' && ub < lb) values.assign(1, 0);
    out.domain.push_back(values);
    if (type == 'B') binaries.push_back(j);
  }
  const auto terms = [&] {
    Terms t;
    for (int j = 0; j < n; ++j) {
      const int a = next(-3, 3);
      if (a != 0) t.push_back({j, a});
    }
    return t;
  };
  for (int r = next(0, 2); r > 0; --r) {
    const int lo = next(-6, 3);
    b.row(terms(), next(0, 2) == 0 ? -kTvxInfinity : lo, lo + next(0, 6));
  }
  for (int k = next(0, 2); k > 0; --k) {
    Terms members;
    for (int j = 0; j < n; ++j) {
      if (next(0, 1)) members.push_back({j, next(1, 4)});
    }
    if (!members.empty()) b.sos(next(0, 1) ? TVX_SOS_TYPE1 : TVX_SOS_TYPE2, members);
  }
  for (int k = binaries.empty() ? 0 : next(0, 2); k > 0; --k) {
    const char senses[] = {'<', '>', '='};
    b.indicator(binaries[next(0, static_cast<int>(binaries.size()) - 1)], next(0, 1), terms(),
                senses[next(0, 2)], next(-3, 3));
  }
  b.store.set_sense(next(0, 1) ? TVX_MINIMIZE : TVX_MAXIMIZE);
}

// The optimum by enumeration, or nothing when no point is feasible.
std::optional<double> enumerate(const SmallModel &m) {
  const tvx::Store &s = m.b.store;
  const int n = s.num_vars();
  const tvx::ParamValues params;
  tvx::SolveContext context("");
  const tvx::Problem problem{s, params, context, tvx::Hessian(), true};
  std::optional<double> best;
  std::vector<std::size_t> at(static_cast<std::size_t>(n), 0);
  std::vector<double> x(static_cast<std::size_t>(n));
  while (true) {
    for (int j = 0; j < n; ++j) x[j] = m.domain[j].empty() ? 0 : m.domain[j][at[j]];
    bool empty = false;
    for (const auto &d : m.domain) empty = empty || d.empty();
    if (empty) return std::nullopt;
    if (tvx::point_violation(problem, x).empty()) {
      double value = s.objcon();
      for (int j = 0; j < n; ++j) value += s.vars().obj[j] * x[j];
      if (!best || (s.sense() == TVX_MINIMIZE ? value < *best : value > *best)) best = value;
    }
    int j = 0;
    while (j < n && ++at[j] == m.domain[j].size()) at[j++] = 0;
    if (j == n) return best;
  }
}

struct RandomCase {
  const char *name;
  int trials;
  bool callback;
};

class Random : public ::testing::TestWithParam<RandomCase> {};

TEST_P(Random, MatchesEnumeration) {
  unsigned seed = 2026;
  for (int trial = 0; trial < GetParam().trials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    SmallModel m;
    random_model(seed, m);
    const std::optional<double> want = enumerate(m);
    const tvx::SolveOutcome out =
        solve(m.b.store, {{"MIP/GapRel", 0}, {"MIP/GapAbs", 0}}, GetParam().callback);
    ASSERT_EQ(out.code, TVX_ERROR_OKAY);
    if (!want) {
      EXPECT_EQ(out.results.status, TVX_STATUS_INFEASIBLE);
      continue;
    }
    ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
    EXPECT_NEAR(*out.results.primal_obj, *want, 1e-6);
  }
}

// With a callback that lets the search go on, every MIP goes to CBC.
INSTANTIATE_TEST_SUITE_P(Models, Random,
                         ::testing::Values(RandomCase{"Plain", 2000, false},
                                           RandomCase{"WithCallback", 600, true}),
                         [](const auto &case_info) { return std::string(case_info.param.name); });

// ---- Limits, starts, cutoff, log ---------------------------------------------------

// A subset sum over 30 items of six-digit sizes, bounded by half their
// total plus a half, with an SOS1 over three of them. Its relaxation is the
// bound itself, which no subset reaches: only a long search proves a best
// subset optimal.
tvx::Store subset_sum() {
  Builder b;
  unsigned seed = 12345;
  Terms sizes;
  double total = 0;
  for (int j = 0; j < 30; ++j) {
    seed = seed * 1103515245u + 12345u;
    const int size = 100000 + static_cast<int>((seed >> 8) % 900000u);
    sizes.push_back({b.var(0, 1, size, 'B'), size});
    total += size;
  }
  b.row(sizes, -kTvxInfinity, std::floor(total / 2) + 0.5);
  b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}, {2, 3}});
  b.store.set_sense(TVX_MAXIMIZE);
  return b.store;
}

TEST(Limits, StopWithTheMatchingCode) {
  const tvx::Store model = subset_sum();
  struct Case {
    const char *name;
    Params params;
    int code;
  } cases[] = {
      {"time", {{"MaxTime", 0}}, TVX_ERROR_ABORT_TIME_LIMIT},
      {"nodes", {{"MIP/MaxNodes", 5}}, TVX_ERROR_ABORT_NODE_LIMIT},
      {"solutions", {{"MIP/MaxSols", 1}}, TVX_ERROR_ABORT_SOLUTION_LIMIT},
      {"stalling", {{"MIP/MaxStallingNodes", 3}}, TVX_ERROR_ABORT_STALLING_NODE_LIMIT},
  };
  for (Case &c : cases) {
    SCOPED_TRACE(c.name);
    c.params.push_back({"MIP/GapRel", 0});
    const tvx::SolveOutcome out = solve(model, c.params);
    EXPECT_EQ(out.code, c.code);
    if (out.results.status == TVX_STATUS_SUB_OPTIMAL) {
      ASSERT_TRUE(out.results.primal_obj);
      ASSERT_TRUE(out.results.dual_obj);
      EXPECT_LE(*out.results.primal_obj, *out.results.dual_obj + 1e-6);
    } else {
      EXPECT_EQ(out.results.status, TVX_STATUS_UNKNOWN);
      expect_no_solution(out.results);
    }
  }
}

// A stop requested while CBC searches ends it at the next node.
TEST(Limits, StopOnRequest) {
  const StoppedOnStart stopped(tvx::cbc_engine());
  const tvx::Engines engines{&tvx::highs_engine(), &stopped, nullptr};
  const tvx::SolveOutcome out = solve(subset_sum(), {{"MIP/GapRel", 0}}, false, "", engines);
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_CTRL_C);
  const int status = out.results.status;
  ASSERT_TRUE(status == TVX_STATUS_UNKNOWN || status == TVX_STATUS_SUB_OPTIMAL) << status;
  EXPECT_EQ(out.results.x.has_value(), status == TVX_STATUS_SUB_OPTIMAL);
}

// A feasible start is the incumbent of a search that stops at once.
TEST(Start, FeasibleStartIsKept) {
  tvx::Store model = subset_sum();
  for (int j = 0; j < model.num_vars(); ++j) model.set_var_start(j, j == 5 || j == 9 ? 1 : 0);
  const tvx::SolveOutcome out = solve(model, {{"MaxTime", 0}});
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_TIME_LIMIT);
  ASSERT_EQ(out.results.status, TVX_STATUS_SUB_OPTIMAL);
  EXPECT_GE(*out.results.primal_obj, 10 + (5 * 37) % 23 + 10 + (9 * 37) % 23 - 1e-6);
}

// A partial start is completed; one that breaks the SOS is dropped, and the
// search still finds the optimum.
TEST(Start, PartialAndInfeasibleStarts) {
  Builder b;
  for (double v : {-1.0, -2.0, -3.0, -1.0}) b.var(0, 1, v);
  b.row({{0, 1}, {1, 1}, {2, 1}, {3, 1}}, -kTvxInfinity, 2.5);
  b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}, {2, 3}});
  b.store.set_var_start(2, 1);
  tvx::SolveOutcome out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_NEAR(*out.results.primal_obj, -4, 1e-6);
  b.store.set_var_start(1, 1);
  out = solve(b.store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_NEAR(*out.results.primal_obj, -4, 1e-6);
}

// On the SOS1 model above (optimum -4).
TEST(Cutoff, NothingBetterIsInfeasible) {
  Builder b;
  for (double v : {-1.0, -2.0, -3.0, -1.0}) b.var(0, 1, v);
  b.row({{0, 1}, {1, 1}, {2, 1}, {3, 1}}, -kTvxInfinity, 2.5);
  b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}, {2, 3}});
  const tvx::SolveOutcome out = solve(b.store, {{"MIP/Cutoff", -4.5}});
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(out.results.status, TVX_STATUS_INFEASIBLE);
  const tvx::SolveOutcome loose = solve(b.store, {{"MIP/Cutoff", -3.5}});
  ASSERT_EQ(loose.code, TVX_ERROR_OKAY);
  EXPECT_NEAR(*loose.results.primal_obj, -4, 1e-6);
}

// The engine writes only to the log file, never to the console.
TEST(Log, GoesToTheFileOnly) {
  const std::string path =
      ::testing::TempDir() + "tarvex_cbc_" + std::to_string(::getpid()) + ".log";
  std::remove(path.c_str());
  const tvx::Store model = subset_sum();
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const tvx::SolveOutcome quiet = solve(model);
  const tvx::SolveOutcome logged = solve(model, {}, false, path);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(quiet.code, TVX_ERROR_OKAY);
  EXPECT_EQ(logged.code, TVX_ERROR_OKAY);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Solving with CBC."), std::string::npos);
  EXPECT_NE(text.str().find("Cbc"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
