// Stores built element by element, and solves of them through the
// dispatcher, for the solve tests.
#ifndef TARVEX_TESTS_SOLVE_FIXTURE_H
#define TARVEX_TESTS_SOLVE_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "solve/callback.h"
#include "solve/context.h"
#include "solve/dispatch.h"
#include "solve/engine.h"
#include "store/params.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace solve_fixture {

using namespace test_support;

using Terms = std::vector<std::pair<int, double>>;
using Params = std::vector<std::pair<const char *, double>>;

struct Builder {
  int var(double lb, double ub, double obj, char type = 'C') {
    EXPECT_EQ(store.add_vars(1, 0, nullptr, nullptr, nullptr, &obj, &lb, &ub, &type, nullptr),
              TVX_ERROR_OKAY);
    return store.num_vars() - 1;
  }
  int row(const Terms &terms, double lower, double upper) {
    std::vector<int> ind;
    std::vector<double> val;
    split(terms, ind, val);
    const int beg = 0;
    EXPECT_EQ(store.add_rows(1, static_cast<int>(ind.size()), &beg, ind.data(), val.data(), &lower,
                             &upper, nullptr),
              TVX_ERROR_OKAY);
    return store.num_rows() - 1;
  }
  void quad(int i, int j, double v) { EXPECT_EQ(store.add_qterms(1, &i, &j, &v), TVX_ERROR_OKAY); }
  // Members with their weights.
  void sos(int type, const Terms &members) {
    std::vector<int> ind;
    std::vector<double> weight;
    split(members, ind, weight);
    const int beg = 0;
    EXPECT_EQ(
        store.add_sos(1, static_cast<int>(ind.size()), &type, &beg, ind.data(), weight.data()),
        TVX_ERROR_OKAY);
  }
  void indicator(int binvar, int binval, const Terms &terms, char sense, double rhs) {
    std::vector<int> ind;
    std::vector<double> val;
    split(terms, ind, val);
    EXPECT_EQ(store.add_indicator("", binvar, binval, static_cast<int>(ind.size()), ind.data(),
                                  val.data(), sense, rhs),
              TVX_ERROR_OKAY);
  }

  tvx::Store store;

 private:
  static void split(const Terms &terms, std::vector<int> &ind, std::vector<double> &val) {
    for (const auto &t : terms) {
      ind.push_back(t.first);
      val.push_back(t.second);
    }
  }
};

inline tvx::SolveInput solve_input(const tvx::Store &store, const Params &params = {},
                                   const std::string &log = std::string()) {
  tvx::SolveInput input{std::make_shared<tvx::Store>(store), tvx::ParamValues(), log};
  for (const auto &p : params) {
    const int index = tvx::find_param(p.first);
    EXPECT_GE(index, 0) << p.first;
    input.params.value[static_cast<std::size_t>(index)] = p.second;
  }
  return input;
}

// A callback that lets the search go on.
inline int go_on(TVXmodel *, void *, int, void *) { return 0; }

// callback: solved with go_on as its callback.
inline tvx::SolveOutcome solve(const tvx::Store &store, const Params &params = {},
                               bool callback = false, const std::string &log = std::string(),
                               const tvx::Engines &engines = tvx::built_engines()) {
  const tvx::SolveInput input = solve_input(store, params, log);
  tvx::SolveContext context(log);
  tvx::CallbackContext go(go_on, nullptr, nullptr, context);
  if (callback) context.callback = &go;
  return tvx::solve(input, context, engines);
}

// An engine that asks its run to stop and then runs another: that one must
// end at its first stop check, as after a stop request from another thread.
class StoppedOnStart : public tvx::Engine {
 public:
  explicit StoppedOnStart(const tvx::Engine &engine) : engine_(engine) {}
  const char *name() const override { return engine_.name(); }
  void solve(const tvx::Problem &p, tvx::SolveOutcome &out) const override {
    p.context.request_stop();
    engine_.solve(p, out);
  }

 private:
  const tvx::Engine &engine_;
};

// Knapsack 4a + 6b + 3c + 5d <= 12 over binaries a, b, c and an integer d in
// [0, 2], values 10, 13, 7, 8: the optimum takes a, c and one d for 25 while
// the LP relaxation is fractional (27.8). The minimisation of the negated
// values finds the same point.
inline tvx::Store knapsack(int sense) {
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

// min x + y over x, y in [-1, 2] with x + y >= -1, then what build adds.
inline Builder class_model(const std::function<void(Builder &)> &build) {
  Builder b;
  b.var(-1, 2, 1);
  b.var(-1, 2, 1);
  b.row({{0, 1}, {1, 1}}, -1, kTvxInfinity);
  build(b);
  return b;
}

// A 2 x 2 PSD variable with the identity as its objective.
inline void add_identity_psd_var(Builder &b) {
  const int pos[] = {0, 3};
  const double val[] = {1, 1};
  ASSERT_EQ(b.store.add_psd_var(2, 2, pos, val, "p"), TVX_ERROR_OKAY);
}

inline void expect_values(const std::optional<std::vector<double>> &got,
                          const std::vector<double> &want, double tol = 1e-6) {
  ASSERT_TRUE(got.has_value());
  ASSERT_EQ(got->size(), want.size());
  for (std::size_t k = 0; k < want.size(); ++k) {
    EXPECT_NEAR((*got)[k], want[k], tol) << "entry " << k;
  }
}

inline void expect_no_solution(const tvx::Results &r) {
  EXPECT_FALSE(r.x);
  EXPECT_FALSE(r.activity);
  EXPECT_FALSE(r.dual);
  EXPECT_FALSE(r.reduced_cost);
  EXPECT_FALSE(r.primal_obj);
  EXPECT_FALSE(r.basis);
}

}  // namespace solve_fixture

#endif
