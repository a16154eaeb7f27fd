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
    EXPECT_EQ(store.add_vars(1, 0, nullptr, nullptr, nullptr, &obj, &lb, &ub, &type, nullptr), kOk);
    return store.num_vars() - 1;
  }
  int row(const Terms &terms, double lower, double upper) {
    std::vector<int> ind;
    std::vector<double> val;
    split(terms, ind, val);
    const int beg = 0;
    EXPECT_EQ(store.add_rows(1, static_cast<int>(ind.size()), &beg, ind.data(), val.data(), &lower,
                             &upper, nullptr),
              kOk);
    return store.num_rows() - 1;
  }
  void quad(int i, int j, double v) { EXPECT_EQ(store.add_qterms(1, &i, &j, &v), kOk); }
  // Members with their weights.
  void sos(int type, const Terms &members) {
    std::vector<int> ind;
    std::vector<double> weight;
    split(members, ind, weight);
    const int beg = 0;
    EXPECT_EQ(
        store.add_sos(1, static_cast<int>(ind.size()), &type, &beg, ind.data(), weight.data()),
        kOk);
  }
  void indicator(int binvar, int binval, const Terms &terms, char sense, double rhs) {
    std::vector<int> ind;
    std::vector<double> val;
    split(terms, ind, val);
    EXPECT_EQ(store.add_indicator("", binvar, binval, static_cast<int>(ind.size()), ind.data(),
                                  val.data(), sense, rhs),
              kOk);
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
