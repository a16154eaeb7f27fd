// MIPs whose relaxation has a ray of small cost, on the CBC path: each is
// unbounded (or, where no point is shown, infeasible or unbounded), never an
// optimum far out along the ray, and every solve keeps to MaxTime and to a
// stop request. Solves that once hung run in a forked child with an alarm,
// so a regression fails instead of hanging the test run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "solve/answer_check.h"
#include "solve_fixture.h"

namespace {

using namespace solve_fixture;

const tvx::Engines kCbcOnly{&tvx::cbc_engine(), &tvx::cbc_engine(), nullptr};

// Seconds a child may take before its alarm ends it.
constexpr unsigned kChildAlarm = 30;

// The status of a solve run in a forked child, or -1 when the child died
// (its alarm included) or the solve failed.
template <class Solve>
int status_in_child(Solve solve) {
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(kChildAlarm);
    const tvx::SolveOutcome out = solve();
    _exit(out.code == TVX_ERROR_OKAY ? out.results.status : 100);
  }
  int wstatus = 0;
  if (pid < 0 || waitpid(pid, &wstatus, 0) != pid || !WIFEXITED(wstatus)) return -1;
  return WEXITSTATUS(wstatus) == 100 ? -1 : WEXITSTATUS(wstatus);
}

std::string cost_name(double c) {
  char text[32];
  std::snprintf(text, sizeof text, "cost %g", c);
  return text;
}

bool unbounded_or_unsure(int status) {
  return status == TVX_STATUS_UNBOUNDED || status == TVX_STATUS_INF_OR_UBD;
}

// max c x1 + x2 over integers x1 >= 0, x2 in [0, 1000], -4e-6 x1 <= 6.6e-5;
// with rows: x0 integer in [0, 1e6] and -7 x0 + 3 x2 <= 64 too. CBC's
// rounding heuristic looped on the larger one and ignored MaxTime.
tvx::Store integer_ray(double c, bool with_x0) {
  Builder b;
  const int x0 = with_x0 ? b.var(0, 1e6, 0, 'I') : -1;
  const int x1 = b.var(0, kTvxInfinity, c, 'I');
  const int x2 = b.var(0, 1000, 1, 'I');
  if (with_x0) b.row({{x0, -7}, {x2, 3}}, -kTvxInfinity, 64);
  b.row({{x1, -4e-6}}, -kTvxInfinity, 6.6e-5);
  b.store.set_sense(TVX_MAXIMIZE);
  return b.store;
}

// min c x + y - z over x >= 0 continuous, y integer in [0, 1], z in [0, 3],
// SOS1 {y, z}, and x - y >= -2: CBC without a callback through the set.
tvx::Store continuous_ray(double c) {
  Builder b;
  const int x = b.var(0, kTvxInfinity, c);
  const int y = b.var(0, 1, 1, 'I');
  const int z = b.var(0, 3, -1);
  b.sos(TVX_SOS_TYPE1, {{y, 1}, {z, 2}});
  b.row({{x, 1}, {y, -1}}, -2, kTvxInfinity);
  return b.store;
}

// Costs from the dual tolerance up to past the settler's old threshold.
const double kSmallCosts[] = {2e-7, 1e-6, 4e-6, 6e-6, 9.9e-6, 1e-5, 1e-4};

TEST(SmallCostRay, IntegerRayWithCallbackIsUnbounded) {
  for (double c : kSmallCosts) {
    for (bool with_x0 : {false, true}) {
      SCOPED_TRACE(cost_name(c) + (with_x0 ? " with x0" : ""));
      const tvx::Store model = integer_ray(c, with_x0);
      const int status = status_in_child([&] { return solve(model, {{"MaxTime", 2}}, true); });
      EXPECT_TRUE(unbounded_or_unsure(status)) << status;
    }
  }
}

TEST(SmallCostRay, ContinuousRayBesideASetIsUnbounded) {
  for (double c : kSmallCosts) {
    for (bool callback : {false, true}) {
      SCOPED_TRACE(cost_name(-c) + (callback ? " with callback" : ""));
      const tvx::Store model = continuous_ray(-c);
      const int status = status_in_child([&] {
        return solve(model, {{"MaxTime", 2}}, callback, "", kCbcOnly);
      });
      // The point x = y = z = 0 shows it.
      EXPECT_EQ(status, TVX_STATUS_UNBOUNDED);
    }
  }
}

// A cost within the dual tolerance is no ray; the optimum of the rest holds.
TEST(SmallCostRay, CostWithinTheDualToleranceIsBounded) {
  const tvx::Store model = continuous_ray(-1e-9);
  const tvx::SolveOutcome out = solve(model, {{"MaxTime", 5}}, false, "", kCbcOnly);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  if (out.results.status == TVX_STATUS_OPTIMAL) {
    EXPECT_NEAR(*out.results.primal_obj, -3, 1e-6);
    EXPECT_LT((*out.results.x)[0], 1e6);
  } else {
    EXPECT_TRUE(unbounded_or_unsure(out.results.status)) << out.results.status;
  }
}

// Rays whose cost is within the dual tolerance once the costs are scaled,
// but which CLP's own scaling magnifies (a column of tiny or no
// coefficients): CLP's dual simplex followed them to 1e20 and the search
// reported these feasible models INFEASIBLE. The optimum within the
// tolerance, or unbounded.
struct ScaledRay {
  const char *name;
  tvx::Store model;
  double optimum;
};

std::vector<ScaledRay> scaled_rays() {
  std::vector<ScaledRay> cases;
  {
    // min 3 x0 - x1 - 4.3e-8 x2: x0 semi-integer in [1.75, 4.5], x1 binary
    // in [0.2, 1.000002], x2 >= 0; 3 x1 + x0 = 3, 4e-6 x2 - x0 >= -4.5,
    // SOS2 {x1, x0}. The optimum x1 = 1, x0 = 0.
    Builder b;
    b.var(1.75, 4.5, 3, 'N');
    b.var(0.2, 1.000002, -1, 'B');
    b.var(0, kTvxInfinity, -4.327247636337653e-08);
    b.row({{1, 3}, {0, 1}}, 3, 3);
    b.row({{2, 4e-6}, {0, -1}}, -4.5, kTvxInfinity);
    b.sos(TVX_SOS_TYPE2, {{1, 3}, {0, 9}});
    cases.push_back({"tiny row coefficient", b.store, -1});
  }
  {
    // Costs of 1e17 beside a ray of cost 4.7e-6 in no row: x1 = -1, x2 = 1.
    Builder b;
    b.var(0, 3, 1e17, 'I');
    b.var(-3, -1, -2e17, 'N');
    b.var(1, 3, 0, 'S');
    b.var(0, kTvxInfinity, -4.6656531516868176e-06);
    b.row({{2, -3e13}, {1, -2e13}}, -1e13, -1e13);
    b.row({{0, 2e11}, {2, 1e11}, {1, 3e11}}, -2e11, kTvxInfinity);
    b.row({{2, 3}}, 1, kTvxInfinity);
    b.sos(TVX_SOS_TYPE2, {{2, 3}, {1, 4}, {0, 5}});
    cases.push_back({"huge costs beside", b.store, 2e17});
  }
  return cases;
}

TEST(SmallCostRay, RayMagnifiedByScalingKeepsTheOptimum) {
  for (const ScaledRay &c : scaled_rays()) {
    for (bool callback : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (callback ? " with callback" : ""));
      const tvx::SolveOutcome out = solve(c.model, {{"MaxTime", 5}}, callback);
      ASSERT_EQ(out.code, TVX_ERROR_OKAY);
      if (out.results.status == TVX_STATUS_OPTIMAL) {
        EXPECT_NEAR(*out.results.primal_obj, c.optimum, 1e-9 * (1 + std::fabs(c.optimum)));
      } else {
        EXPECT_TRUE(unbounded_or_unsure(out.results.status)) << out.results.status;
      }
    }
  }
}

// max c.x over x >= 0 (x0 integer) with n columns and n / 2 rows a.x <= b,
// every a, b, c positive: bounded, its cone only 0. Within the primal
// tolerance the cone holds small points, of slope far beyond the dual
// tolerance once there are enough columns, which were taken for rays.
tvx::Store dense_bounded(int n) {
  Builder b;
  unsigned seed = 7;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<double>((seed >> 8) % 1000u) / 10.0;
  };
  for (int j = 0; j < n; ++j) b.var(0, kTvxInfinity, next() + 1, j == 0 ? 'I' : 'C');
  for (int i = 0; i < n / 2; ++i) {
    Terms terms;
    for (int j = 0; j < n; ++j) terms.push_back({j, next() + 0.5});
    b.row(terms, -kTvxInfinity, 1000 + next());
  }
  b.store.set_sense(TVX_MAXIMIZE);
  return b.store;
}

// The optimum through CBC with a callback is HiGHS's.
TEST(SmallCostRay, ToleranceOfTheConeIsNoRay) {
  for (int n : {20, 60, 150}) {
    SCOPED_TRACE(n);
    const tvx::Store model = dense_bounded(n);
    const tvx::SolveOutcome highs = solve(model);
    const tvx::SolveOutcome cbc = solve(model, {}, true);
    ASSERT_EQ(highs.results.status, TVX_STATUS_OPTIMAL);
    ASSERT_EQ(cbc.code, TVX_ERROR_OKAY);
    ASSERT_EQ(cbc.results.status, TVX_STATUS_OPTIMAL);
    EXPECT_NEAR(*cbc.results.primal_obj, *highs.results.primal_obj,
                1e-6 * std::fabs(*highs.results.primal_obj));
  }
}

// A stop requested from another thread ends the solve that hung before it
// was settled, with the stop's code.
TEST(SmallCostRay, StopRequestEndsTheSolve) {
  const tvx::Store model = integer_ray(4e-6, true);
  const int status = status_in_child([&] {
    const tvx::SolveInput input = solve_input(model);
    tvx::SolveContext context("");
    tvx::CallbackContext go(go_on, nullptr, nullptr, context);
    context.callback = &go;
    std::thread stopper([&context] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      context.request_stop();
    });
    tvx::SolveOutcome out = tvx::solve(input, context, tvx::built_engines());
    stopper.join();
    // Settled before the stop, or stopped by it.
    if (out.code == TVX_ERROR_ABORT_CTRL_C) out.code = TVX_ERROR_OKAY;
    return out;
  });
  EXPECT_TRUE(status == TVX_STATUS_UNKNOWN || unbounded_or_unsure(status)) << status;
}

// A point out at infinity, where CLP's dual simplex once stopped on such a
// ray and called it optimal, is no answer; a large finite one is.
TEST(SmallCostRay, AnswerCheckRefusesAPointAtInfinity) {
  const tvx::Store model = continuous_ray(-6e-6);
  const tvx::ParamValues params;
  tvx::SolveContext context("");
  const tvx::Problem problem{model, params, context, tvx::Hessian(), true};
  const struct {
    double x;
    bool kept;
  } cases[] = {{3.0517578125e20, false}, {1e20, false}, {9.9e19, true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.x);
    tvx::SolveOutcome out;
    out.results.status = TVX_STATUS_OPTIMAL;
    out.results.x = std::vector<double>{c.x, 0, 3};
    tvx::check_answer(problem, out);
    EXPECT_EQ(out.results.status, c.kept ? TVX_STATUS_OPTIMAL : TVX_STATUS_UNKNOWN);
    EXPECT_EQ(out.code, c.kept ? TVX_ERROR_OKAY : TVX_ERROR_SIMPLEX_NUMERIC);
  }
}

}  // namespace
