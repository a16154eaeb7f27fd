// The answer check: an engine's point is kept only when it satisfies the
// model within the tolerances; otherwise the status and code say so.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "solve/dispatch.h"
#include "solve/engine.h"
#include "solve_fixture.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

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
    {"Feasible", TVX_ERROR_OKAY, kOpt, {1, 1, 0}, TVX_ERROR_OKAY, kOpt},
    {"SemiInItsRange", TVX_ERROR_OKAY, kOpt, {0.5, 2, 3}, TVX_ERROR_OKAY, kOpt},
    {"WithinTolerance", TVX_ERROR_OKAY, kOpt, {1 - 1e-8, 1, 5 + 1e-8}, TVX_ERROR_OKAY, kOpt},
    {"IncumbentAtALimit", kTime, kSub, {2, 0, 0}, kTime, kSub},
    {"RowViolated", TVX_ERROR_OKAY, kOpt, {0.5, 1, 0}, kNumeric, kUnknown},
    {"BoundViolated", TVX_ERROR_OKAY, kOpt, {11, 0, 0}, kNumeric, kUnknown},
    {"NotIntegral", TVX_ERROR_OKAY, kOpt, {1.5, 0.5, 0}, kNumeric, kUnknown},
    {"SemiBetweenZeroAndItsRange", TVX_ERROR_OKAY, kOpt, {1, 1, 1}, kNumeric, kUnknown},
    {"NotANumber", TVX_ERROR_OKAY, kOpt, {std::nan(""), 2, 0}, kNumeric, kUnknown},
    {"WrongLength", TVX_ERROR_OKAY, kOpt, {1, 1}, kNumeric, kUnknown},
    {"BadIncumbentKeepsTheLimitCode", kTime, kSub, {0, 0, 0}, kTime, kUnknown},
};

INSTANTIATE_TEST_SUITE_P(Cases, AnswerCheck, ::testing::ValuesIn(kAnswerCases), CaseName());

}  // namespace
