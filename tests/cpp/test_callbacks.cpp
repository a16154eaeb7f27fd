// Callbacks during a MIP search, through the C functions: where and when
// they are called, what they read, what they submit, how they stop a solve;
// and SIGINT during a solve.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tarvex.h"
#include "test_support.h"

namespace {

using test_support::kArg;
using test_support::kNaN;
constexpr int kWhere = TVX_ERROR_CB_INVALID_WHERE;
constexpr int kBad = TVX_ERROR_CB_INVALID_SUBMISSION;

// The callback as a std::function, through usrdata.
using Body = std::function<int(void *cbdata, int where)>;

int trampoline(TVXmodel *, void *cbdata, int where, void *usrdata) {
  return (*static_cast<Body *>(usrdata))(cbdata, where);
}

int get_int(void *cb, int where, int what) {
  int v = -12345;
  EXPECT_EQ(TVXcbget(cb, where, what, &v), TVX_ERROR_OKAY) << what;
  return v;
}

double get_dbl(void *cb, int where, int what) {
  double v = -12345;
  EXPECT_EQ(TVXcbget(cb, where, what, &v), TVX_ERROR_OKAY) << what;
  return v;
}

// An array of n entries, empty when the library gives none.
std::vector<double> get_array(void *cb, int where, int what, int n) {
  double *a = nullptr;
  EXPECT_EQ(TVXcbget(cb, where, what, &a), TVX_ERROR_OKAY) << what;
  return a == nullptr ? std::vector<double>() : std::vector<double>(a, a + n);
}

class Fixture {
 public:
  Fixture() { EXPECT_EQ(TVXloadenv(&env_, ""), TVX_ERROR_OKAY); }
  ~Fixture() {
    if (model) TVXfreemodel(model);
    TVXfreeenv(env_);
  }
  Fixture(const Fixture &) = delete;
  Fixture &operator=(const Fixture &) = delete;

  void vars(const std::vector<double> &obj, const std::vector<double> &lb,
            const std::vector<double> &ub, const std::string &types) {
    ASSERT_EQ(TVXnewmodel(env_, &model, "m", static_cast<int>(obj.size()), obj.data(), lb.data(),
                          ub.data(), types.c_str(), nullptr),
              TVX_ERROR_OKAY);
  }
  void row(const std::vector<int> &ind, const std::vector<double> &val, double lower,
           double upper) {
    ASSERT_EQ(TVXaddrangeconstr(model, static_cast<int>(ind.size()), ind.data(), val.data(), lower,
                                upper, nullptr),
              TVX_ERROR_OKAY);
  }
  void maximize() { ASSERT_EQ(TVXsetintattr(model, "ModelSense", TVX_MAXIMIZE), TVX_ERROR_OKAY); }
  void param(const char *name, double value) {
    ASSERT_EQ(TVXsetdblparam(TVXgetenv(model), name, value), TVX_ERROR_OKAY);
  }

  int optimize(Body body) {
    body_ = std::move(body);
    EXPECT_EQ(TVXsetcallbackfunc(model, trampoline, &body_), TVX_ERROR_OKAY);
    return TVXoptimize(model);
  }
  int optimize() {
    EXPECT_EQ(TVXsetcallbackfunc(model, nullptr, nullptr), TVX_ERROR_OKAY);
    return TVXoptimize(model);
  }
  double objval() {
    double v = kNaN;
    EXPECT_EQ(TVXgetdblattr(model, "ObjVal", &v), TVX_ERROR_OKAY);
    return v;
  }
  int status() {
    int s = -1;
    EXPECT_EQ(TVXgetintattr(model, "Status", &s), TVX_ERROR_OKAY);
    return s;
  }
  std::vector<double> x(int n) {
    std::vector<int> ind(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) ind[static_cast<std::size_t>(j)] = j;
    std::vector<double> v(static_cast<std::size_t>(n));
    EXPECT_EQ(TVXgetdblattrlist(model, "X", n, ind.data(), v.data()), TVX_ERROR_OKAY);
    return v;
  }

  TVXmodel *model = nullptr;

 private:
  TVXenv *env_ = nullptr;
  Body body_;
};

// max value.x s.t. weight.x <= capacity over binaries, with its optimum by
// dynamic programming (integer weights).
struct Knapsack {
  std::vector<double> value, weight;
  int capacity;
  double optimum;
};

Knapsack knapsack(int n, unsigned seed) {
  Knapsack k;
  int total = 0;
  for (int j = 0; j < n; ++j) {
    seed = seed * 1103515245u + 12345u;
    const int w = 20 + static_cast<int>((seed >> 8) % 60u);
    seed = seed * 1103515245u + 12345u;
    k.weight.push_back(w);
    k.value.push_back(w + static_cast<int>((seed >> 8) % 25u));
    total += w;
  }
  k.capacity = total / 2;
  std::vector<double> best(static_cast<std::size_t>(k.capacity) + 1, 0);
  for (int j = 0; j < n; ++j) {
    for (int c = k.capacity; c >= static_cast<int>(k.weight[j]); --c) {
      best[c] = std::max(best[c], best[c - static_cast<int>(k.weight[j])] + k.value[j]);
    }
  }
  k.optimum = best[static_cast<std::size_t>(k.capacity)];
  return k;
}

void build(Fixture &f, const Knapsack &k) {
  const int n = static_cast<int>(k.value.size());
  f.vars(k.value, std::vector<double>(n, 0), std::vector<double>(n, 1), std::string(n, 'B'));
  std::vector<int> ind(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) ind[static_cast<std::size_t>(j)] = j;
  f.row(ind, k.weight, -TVX_INFINITY, k.capacity);
  f.maximize();
}

// ---- Where and when ---------------------------------------------------------

struct Seen {
  int where;
  double best, bound, relval;
  int solutions;
};

TEST(Knapsack, EveryWhereInOrderAndTheOptimumUnchanged) {
  const Knapsack k = knapsack(30, 7);
  Fixture f;
  build(f, k);
  std::vector<Seen> seen;
  const int n = 30;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    Seen s{where, get_dbl(cb, where, TVX_CB_MIP_OBJBST), get_dbl(cb, where, TVX_CB_MIP_OBJBND),
           kNaN, get_int(cb, where, TVX_CB_MIP_SOLCNT)};
    EXPECT_EQ(get_int(cb, where, TVX_CB_PRE_NUMVARS), n);
    if (where == TVX_CB_MIPNODE) s.relval = get_dbl(cb, where, TVX_CB_MIP_RELVAL);
    if (where == TVX_CB_MIPSOL) {
      // The candidate and its objective agree.
      const std::vector<double> x = get_array(cb, where, TVX_CB_MIP_SOL, n);
      double v = 0, w = 0;
      for (int j = 0; j < n; ++j) v += k.value[j] * x[j], w += k.weight[j] * x[j];
      EXPECT_NEAR(v, s.best, 1e-6);
      EXPECT_LE(w, k.capacity + 1e-6);
    }
    seen.push_back(s);
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_EQ(f.status(), TVX_STATUS_OPTIMAL);
  EXPECT_NEAR(f.objval(), k.optimum, 1e-6);

  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().where, TVX_CB_MIPSTART);
  EXPECT_EQ(seen.front().solutions, 0);
  EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                          [](const Seen &s) { return s.where == TVX_CB_MIPSTART; }),
            1);
  EXPECT_GT(std::count_if(seen.begin(), seen.end(),
                          [](const Seen &s) { return s.where == TVX_CB_MIPNODE; }),
            0);
  double last = -TVX_INFINITY;
  int solutions = 0;
  for (const Seen &s : seen) {
    if (s.where == TVX_CB_MIPSOL) {
      EXPECT_GT(s.best, last);  // each candidate improves (max)
      last = s.best;
      EXPECT_LE(s.best, k.optimum + 1e-6);
      solutions = s.solutions;
    }
    if (s.where == TVX_CB_MIPNODE) {
      EXPECT_GE(s.relval, s.best - 1e-6);  // a node not pruned can still improve
      EXPECT_GE(s.bound, k.optimum - 1e-6);
    }
    EXPECT_GE(s.solutions, solutions);
  }
  EXPECT_NEAR(last, k.optimum, 1e-6);

  // The same model without the callback.
  ASSERT_EQ(f.optimize(), TVX_ERROR_OKAY);
  EXPECT_NEAR(f.objval(), k.optimum, 1e-6);
}

// Constraints known only to the callback: of each pair (2k, 2k + 1) at most
// one item, added as a cut when a candidate breaks it.
double pairs_by_enumeration(const Knapsack &k) {
  const int pairs = static_cast<int>(k.value.size()) / 2;
  double best = 0;
  long total = 1;
  for (int p = 0; p < pairs; ++p) total *= 3;
  for (long code = 0; code < total; ++code) {
    long c = code;
    double v = 0, w = 0;
    for (int p = 0; p < pairs; ++p, c /= 3) {
      if (c % 3 == 0) continue;
      const int j = 2 * p + static_cast<int>(c % 3) - 1;
      v += k.value[j];
      w += k.weight[j];
    }
    if (w <= k.capacity) best = std::max(best, v);
  }
  return best;
}

class Lazy : public ::testing::TestWithParam<unsigned> {};

TEST_P(Lazy, CutsAtMipsolReachTheTrueOptimum) {
  const Knapsack k = knapsack(22, GetParam());
  Fixture f;
  build(f, k);
  int rejected = 0;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (where != TVX_CB_MIPSOL) return 0;
    const std::vector<double> x = get_array(cb, where, TVX_CB_MIP_SOL, 22);
    for (int j = 0; j < 22; j += 2) {
      if (x[j] + x[j + 1] > 1.5) {
        const int ind[] = {j, j + 1};
        const double val[] = {1, 1};
        EXPECT_EQ(TVXcbcut(cb, 2, ind, val, '<', 1), TVX_ERROR_OKAY);
        ++rejected;
      }
    }
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_GT(rejected, 0);
  EXPECT_NEAR(f.objval(), pairs_by_enumeration(k), 1e-6);
  const std::vector<double> x = f.x(22);
  for (int j = 0; j < 22; j += 2) EXPECT_LE(x[j] + x[j + 1], 1 + 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Lazy, ::testing::Values(1u, 2u, 3u, 4u));

// ---- Queries ------------------------------------------------------------------

// What each code answers at each where: OKAY, or CB_INVALID_WHERE for the
// node's own data outside MIPNODE.
TEST(Queries, AvailabilityPerWhere) {
  const Knapsack k = knapsack(12, 3);
  Fixture f;
  build(f, k);
  const int node_only[] = {TVX_CB_MIP_RELVAL, TVX_CB_MIP_RELPRE, TVX_CB_MIP_RELRDCPRE,
                           TVX_CB_MIP_LB,     TVX_CB_MIP_UB,     TVX_CB_MIP_REL};
  std::vector<int> wheres;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    wheres.push_back(where);
    for (int what = TVX_CB_PRE_NUMVARS; what <= TVX_CB_MIP_REL; ++what) {
      if (what == TVX_CB_PRE_OBJCONST + 1) what = TVX_CB_MIP_OBJBST;
      double buffer[2] = {0, 0};  // big enough for an int, a double or a pointer
      const int rc = TVXcbget(cb, where, what, buffer);
      const bool node =
          std::find(std::begin(node_only), std::end(node_only), what) != std::end(node_only);
      if (what == TVX_CB_MIP_UB + 1) {  // the one gap in the MIP codes
        EXPECT_EQ(rc, TVX_ERROR_CB_INVALID_WHAT);
      } else {
        EXPECT_EQ(rc, node && where != TVX_CB_MIPNODE ? kWhere : TVX_ERROR_OKAY)
            << "what " << what << " where " << where;
      }
    }
    return 0;
  }),
            TVX_ERROR_OKAY);
  for (int w : {TVX_CB_MIPSTART, TVX_CB_MIPNODE, TVX_CB_MIPSOL}) {
    EXPECT_NE(std::find(wheres.begin(), wheres.end(), w), wheres.end()) << w;
  }
}

TEST(Queries, RefusalsAndALateCbdata) {
  const Knapsack k = knapsack(10, 5);
  Fixture f;
  build(f, k);
  void *kept = nullptr;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    int v;
    double d;
    EXPECT_EQ(TVXcbget(cb, where == TVX_CB_MIPSTART ? TVX_CB_MIPSOL : TVX_CB_MIPSTART,
                       TVX_CB_MIP_SOLCNT, &v),
              kWhere);
    EXPECT_EQ(TVXcbget(cb, where, 999, &v), TVX_ERROR_CB_INVALID_WHAT);
    EXPECT_EQ(TVXcbget(cb, where, -1, &d), TVX_ERROR_CB_INVALID_WHAT);
    EXPECT_EQ(TVXcbget(cb, where, TVX_CB_MIP_SOLCNT, nullptr), kArg);
    EXPECT_EQ(TVXcbget(nullptr, where, TVX_CB_MIP_SOLCNT, &v), kArg);
    // A cbdata kept from an earlier call is refused in this one.
    if (kept != nullptr) {
      EXPECT_EQ(TVXcbget(kept, where, TVX_CB_MIP_SOLCNT, &v), kArg);
    }
    kept = cb;
    return 0;
  }),
            TVX_ERROR_OKAY);
  int v;
  EXPECT_EQ(TVXcbget(kept, TVX_CB_MIPNODE, TVX_CB_MIP_SOLCNT, &v), kArg);
  const int ind[] = {0};
  const double val[] = {1};
  EXPECT_EQ(TVXcbcut(kept, 1, ind, val, '<', 1), kArg);
}

// The presolved space: the model's columns first, then the engine's (here
// an indicator's slack); the model's arrays are the first part.
TEST(Queries, PresolvedSpaceExtendsTheModel) {
  Fixture f;
  f.vars({1, 2, 3}, {0, 0, 0}, {1, 10, 10}, "BCC");
  f.row({1, 2}, {1, 1}, 2, TVX_INFINITY);
  const int ind[] = {1};
  const double val[] = {1};
  ASSERT_EQ(TVXaddgenconstrIndicator(f.model, nullptr, 0, 1, 1, ind, val, '<', 0.5),
            TVX_ERROR_OKAY);
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    const int columns = get_int(cb, where, TVX_CB_PRE_NUMVARS);
    EXPECT_GT(columns, 3);
    const std::vector<double> obj = get_array(cb, where, TVX_CB_PRE_OBJ, columns);
    EXPECT_EQ(std::vector<double>(obj.begin(), obj.begin() + 3), (std::vector<double>{1, 2, 3}));
    const int nnz = get_int(cb, where, TVX_CB_PRE_NUMNZS);
    int *starts = nullptr;
    EXPECT_EQ(TVXcbget(cb, where, TVX_CB_PRE_STARTS, &starts), TVX_ERROR_OKAY);
    EXPECT_NE(starts, nullptr);
    if (starts == nullptr) return 0;
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[columns], nnz);
    if (where == TVX_CB_MIPNODE) {
      const std::vector<double> rel = get_array(cb, where, TVX_CB_MIP_RELPRE, columns);
      const std::vector<double> model = get_array(cb, where, TVX_CB_MIP_REL, 3);
      EXPECT_EQ(std::vector<double>(rel.begin(), rel.begin() + 3), model);
    }
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_NEAR(f.objval(), 4, 1e-6);  // the indicator leaves x0 = 0: y + z >= 2 at cost 2
}

// A second thread may make the calls while the callback waits.
TEST(Queries, FromAnotherThreadDuringTheCall) {
  const Knapsack k = knapsack(10, 9);
  Fixture f;
  build(f, k);
  int calls = 0;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    int v = -1;
    std::thread([&] {
      EXPECT_EQ(TVXcbget(cb, where, TVX_CB_PRE_NUMVARS, &v), TVX_ERROR_OKAY);
    }).join();
    EXPECT_EQ(v, 10);
    ++calls;
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_GT(calls, 0);
}

// ---- Submissions ------------------------------------------------------------------

struct BadCall {
  const char *name;
  int (*run)(void *cb);
};

const int kInd[] = {0, 1};
const double kVal[] = {1, 1};
const int kBadInd[] = {0, 12};
const double kNanVal[] = {1, kNaN};

const BadCall kBadCalls[] = {
    {"cut: negative count", [](void *cb) { return TVXcbcut(cb, -1, kInd, kVal, '<', 1); }},
    {"cut: null arrays", [](void *cb) { return TVXcbcut(cb, 2, nullptr, kVal, '<', 1); }},
    {"cut: index past the end", [](void *cb) { return TVXcbcut(cb, 2, kBadInd, kVal, '<', 1); }},
    {"cut: NaN coefficient", [](void *cb) { return TVXcbcut(cb, 2, kInd, kNanVal, '<', 1); }},
    {"cut: NaN side", [](void *cb) { return TVXcbcut(cb, 2, kInd, kVal, '<', kNaN); }},
    {"cut: unknown sense", [](void *cb) { return TVXcbcut(cb, 2, kInd, kVal, 'L', 1); }},
    {"presolved cut: index past the end",
     [](void *cb) {
       const int ind[] = {-1};
       return TVXcbcutp(cb, 1, ind, kVal, '<', 1);
     }},
    {"branch: negative index", [](void *cb) { return TVXcbbranch(cb, -1, 1, 0.5); }},
    {"branch: index past the end", [](void *cb) { return TVXcbbranch(cb, 12, 1, 0.5); }},
    {"branch: NaN value", [](void *cb) { return TVXcbbranch(cb, 0, 1, kNaN); }},
    {"presolved branch: past the end", [](void *cb) { return TVXcbbranchp(cb, 99, 1, 0.5); }},
    {"solution: null", [](void *cb) { return TVXcbsolution(cb, nullptr, nullptr); }},
    {"solution: infinite value",
     [](void *cb) {
       std::vector<double> x(12, 0);
       x[3] = INFINITY;
       return TVXcbsolution(cb, x.data(), nullptr);
     }},
};

TEST(Submissions, CheckedWholeBeforeAnythingIsTaken) {
  const Knapsack k = knapsack(12, 11);
  Fixture f;
  build(f, k);
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (where != TVX_CB_MIPNODE) return 0;
    for (const BadCall &c : kBadCalls) EXPECT_EQ(c.run(cb), kBad) << c.name;
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_NEAR(f.objval(), k.optimum, 1e-6);
}

// x0 + x1 + x2 <= 2 over binaries, max x0 + 2 x1 + 3 x2 (optimum 5 at
// (0, 1, 1)).
void small(Fixture &f) {
  f.vars({1, 2, 3}, {0, 0, 0}, {1, 1, 1}, "BBB");
  f.row({0, 1, 2}, {1, 1, 1}, -TVX_INFINITY, 2);
  f.maximize();
}

TEST(Cuts, ResultsSayWhatHappened) {
  Fixture f;
  small(f);
  std::vector<int> results;
  bool done = false;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (done || where != TVX_CB_MIPSOL) return 0;
    done = true;
    const int one[] = {0}, two[] = {1, 2};
    const double val[] = {1, 1};
    results = {
        TVXcbcut(cb, 1, one, val, '<', 5),       // every point
        TVXcbcut(cb, 0, nullptr, val, '>', -1),  // an empty row that always holds
        TVXcbcut(cb, 2, two, val, '<', 2),       // holds everywhere already
        TVXcbcut(cb, 1, one, val, '=', 0),       // valid, taken
    };
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_EQ(results,
            (std::vector<int>{TVX_CB_DECLINED, TVX_CB_DECLINED, TVX_CB_DECLINED, TVX_CB_ACCEPTED}));
  EXPECT_NEAR(f.objval(), 5, 1e-6);
}

// A row that nothing within the bounds satisfies is incorrect, and as the
// same row up front, it leaves the model infeasible.
TEST(Cuts, OneThatNothingSatisfiesIsIncorrectAndKept) {
  const int one[] = {0};
  const double val[] = {1};
  for (int n : {1, 0}) {  // x0 <= -1; an empty row 0 <= -1
    Fixture f;
    small(f);
    int result = -100;
    ASSERT_EQ(f.optimize([&](void *cb, int where) {
      if (result == -100 && where == TVX_CB_MIPSOL) result = TVXcbcut(cb, n, one, val, '<', -1);
      return 0;
    }),
              TVX_ERROR_OKAY);
    EXPECT_EQ(result, TVX_CB_INCORRECT) << n;
    EXPECT_EQ(f.status(), TVX_STATUS_INFEASIBLE) << n;
  }
}

// The empty knapsack given at MIPSTART makes sure of an incumbent at the
// root (heuristics may have found better ones since).
TEST(Cuts, OneThatCutsOffTheIncumbentIsRefused) {
  const Knapsack k = knapsack(24, 13);
  Fixture f;
  build(f, k);
  int result = -100, count = -1, again = -100;
  double best = kNaN, again_obj = kNaN;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (where == TVX_CB_MIPSTART) {
      EXPECT_EQ(TVXcbsolution(cb, std::vector<double>(24, 0.0).data(), nullptr), TVX_CB_ACCEPTED);
    }
    if (where != TVX_CB_MIPNODE || result != -100) return 0;
    count = get_int(cb, where, TVX_CB_MIP_SOLCNT);
    best = get_dbl(cb, where, TVX_CB_MIP_OBJBST);
    const std::vector<double> x = get_array(cb, where, TVX_CB_MIP_SOL, 24);
    // Not all of the incumbent's items.
    std::vector<int> ind;
    for (int j = 0; j < 24; ++j) {
      if (x[j] > 0.5) ind.push_back(j);
    }
    const std::vector<double> val(ind.size(), 1.0);
    result = TVXcbcut(cb, static_cast<int>(ind.size()), ind.data(), val.data(), '<',
                      static_cast<double>(ind.size()) - 1);
    again = TVXcbsolution(cb, x.data(), &again_obj);  // no better than itself
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_GE(count, 1);
  EXPECT_EQ(result, TVX_CB_INCORRECT);
  EXPECT_EQ(again, TVX_CB_DECLINED);
  EXPECT_EQ(again_obj, best);
  EXPECT_NEAR(f.objval(), k.optimum, 1e-6);
}

TEST(Solutions, GivenAtMipnodeBecomesTheIncumbent) {
  const Knapsack k = knapsack(24, 13);
  Fixture f;
  build(f, k);
  // The optimum by a search without callback.
  ASSERT_EQ(f.optimize(), TVX_ERROR_OKAY);
  const std::vector<double> best = f.x(24);
  std::vector<int> results;
  std::vector<double> objvals;
  std::vector<std::pair<int, double>> after;  // (where, best objective) after the gift
  bool given = false;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (given) after.push_back({where, get_dbl(cb, where, TVX_CB_MIP_OBJBST)});
    if (given || where != TVX_CB_MIPNODE) return 0;
    given = true;
    double obj = 0;
    std::vector<double> bad(24, 0), fractional(24, 0), partial(24, TVX_UNDEFINED);
    for (int j = 0; j < 24; ++j) bad[j] = 1;  // breaks the capacity
    fractional[0] = 0.5;
    for (int j = 0; j < 24; ++j) {
      if (best[j] < 0.5) partial[j] = 0;  // the others left to the completion
    }
    results.push_back(TVXcbsolution(cb, bad.data(), &obj));
    results.push_back(TVXcbsolution(cb, fractional.data(), &obj));
    // Only the items left out are given: the completion packs the others.
    results.push_back(TVXcbsolution(cb, partial.data(), &obj));
    objvals.push_back(obj);
    results.push_back(TVXcbsolution(cb, std::vector<double>(24, 0).data(), &obj));
    objvals.push_back(obj);
    return 0;
  }),
            TVX_ERROR_OKAY);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0], TVX_CB_INCORRECT);
  EXPECT_EQ(results[1], TVX_CB_INCORRECT);
  EXPECT_EQ(results[2], TVX_CB_ACCEPTED);  // nothing is found before the first node's first round
  EXPECT_NEAR(objvals[0], k.optimum, 1e-6);
  // The empty knapsack is feasible: 0 unless something better came first.
  EXPECT_TRUE(results[3] == TVX_CB_ACCEPTED || results[3] == TVX_CB_DECLINED) << results[3];
  EXPECT_EQ(objvals[1], 0);
  // MIPSOL follows with the gift.
  ASSERT_FALSE(after.empty());
  const auto sol = std::find_if(after.begin(), after.end(),
                                [](const std::pair<int, double> &e) { return e.first == 4; });
  ASSERT_NE(sol, after.end());
  EXPECT_NEAR(sol->second, k.optimum, 1e-6);
  EXPECT_NEAR(f.objval(), k.optimum, 1e-6);
}

TEST(Solutions, PartialIsCompleted) {
  Fixture f;
  small(f);
  std::vector<int> results;
  std::vector<double> objvals;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (where != TVX_CB_MIPSTART) return 0;
    double obj = 0;
    // x2 = 1 given, x0 and x1 completed (the LP takes x1 = 1): 5.
    const double partial[] = {TVX_UNDEFINED, TVX_UNDEFINED, 1};
    results.push_back(TVXcbsolution(cb, partial, &obj));
    objvals.push_back(obj);
    // x0 = x1 = x2 = 1 breaks the row: no completion.
    const double full[] = {1, 1, 1};
    results.push_back(TVXcbsolution(cb, full, &obj));
    objvals.push_back(obj);
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_EQ(results, (std::vector<int>{TVX_CB_ACCEPTED, TVX_CB_INCORRECT}));
  EXPECT_NEAR(objvals[0], 5, 1e-6);
  EXPECT_EQ(objvals[1], TVX_UNDEFINED);
  EXPECT_NEAR(f.objval(), 5, 1e-6);
}

// ---- Branching ------------------------------------------------------------------

TEST(Branch, RequestAtTheRootIsTheFirstSplit) {
  const Knapsack k = knapsack(20, 17);
  Fixture f;
  build(f, k);
  f.param("MIP/GapRel", 0);
  f.param("MIP/GapAbs", 0);
  int chosen = -1;
  int asked = -100, outside = -100;
  std::vector<std::pair<double, double>> children;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (where == TVX_CB_MIPSOL && asked == TVX_CB_ACCEPTED && children.empty()) {
      EXPECT_EQ(TVXcbbranch(cb, chosen, 1, 0.5), TVX_CB_DECLINED);  // not at MIPSOL
    }
    if (where != TVX_CB_MIPNODE) return 0;
    const int depth = get_int(cb, where, TVX_CB_MIP_DEPTH);
    if (asked == -100 && depth == 0) {
      // A variable the node leaves free, fractional or not.
      const std::vector<double> lb = get_array(cb, where, TVX_CB_MIP_LB, 20);
      const std::vector<double> ub = get_array(cb, where, TVX_CB_MIP_UB, 20);
      for (int j = 0; j < 20 && chosen < 0; ++j) {
        if (lb[j] < ub[j]) chosen = j;
      }
      outside = TVXcbbranch(cb, chosen, -1, 3.5);  // no split in [0, 1] there
      asked = TVXcbbranch(cb, chosen, -1, 0.5);
    } else if (asked == TVX_CB_ACCEPTED && depth == 1) {
      const std::vector<double> lb = get_array(cb, where, TVX_CB_MIP_LB, 20);
      const std::vector<double> ub = get_array(cb, where, TVX_CB_MIP_UB, 20);
      children.push_back({lb[chosen], ub[chosen]});
    }
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_EQ(outside, TVX_CB_INCORRECT);
  ASSERT_EQ(asked, TVX_CB_ACCEPTED);
  ASSERT_FALSE(children.empty());
  for (const auto &b : children) EXPECT_EQ(b.first, b.second) << b.first << " " << b.second;
  EXPECT_NEAR(f.objval(), k.optimum, 1e-6);
}

TEST(Branch, OnAContinuousVariableIsNotTaken) {
  Fixture f;
  f.vars({1, 1}, {0, 0}, {4, 4}, "IC");
  f.row({0, 1}, {1, 1}, 2.5, TVX_INFINITY);
  std::vector<int> results;
  ASSERT_EQ(f.optimize([&](void *cb, int where) {
    if (where != TVX_CB_MIPNODE || !results.empty()) return 0;
    results = {TVXcbbranch(cb, 1, 1, 1.5), TVXcbbranchp(cb, 1, 1, 1.5)};
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_EQ(results, (std::vector<int>{TVX_CB_DECLINED, TVX_CB_DECLINED}));
  EXPECT_NEAR(f.objval(), 2.5, 1e-6);
}

// ---- Stopping -------------------------------------------------------------------

struct StopCase {
  const char *name;
  int where;   // where the callback stops the solve
  int result;  // what it returns there
  int code;    // what TVXoptimize returns
};

class Stop : public ::testing::TestWithParam<StopCase> {};

TEST_P(Stop, TheResultEndsTheSolveAtOnce) {
  const StopCase &c = GetParam();
  const Knapsack k = knapsack(40, 21);
  Fixture f;
  build(f, k);
  int after = 0;
  bool stopped = false;
  EXPECT_EQ(f.optimize([&](void *, int where) {
    if (stopped) {
      ++after;
      return 0;
    }
    if (where != c.where) return 0;
    stopped = true;
    return c.result;
  }),
            c.code);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(after, 0);
  const int status = f.status();
  EXPECT_TRUE(status == TVX_STATUS_SUB_OPTIMAL || status == TVX_STATUS_UNKNOWN) << status;
  if (status == TVX_STATUS_SUB_OPTIMAL) {
    EXPECT_LE(f.objval(), k.optimum + 1e-6);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Results, Stop,
    ::testing::Values(StopCase{"AbortAtStart", TVX_CB_MIPSTART, -9002, TVX_ERROR_ABORT_CTRL_C},
                      StopCase{"AbortAtNode", TVX_CB_MIPNODE, -9002, TVX_ERROR_ABORT_CTRL_C},
                      StopCase{"AbortAtSolution", TVX_CB_MIPSOL, -9002, TVX_ERROR_ABORT_CTRL_C},
                      StopCase{"ErrorAtNode", TVX_CB_MIPNODE, -1, TVX_ERROR_ERROR},
                      StopCase{"OwnCodeAtNode", TVX_CB_MIPNODE, -5002, -5002},
                      StopCase{"PositiveAtNode", TVX_CB_MIPNODE, 3, TVX_ERROR_ERROR}),
    [](const auto &case_info) { return std::string(case_info.param.name); });

TEST(Stop, AfterAnIncumbentItIsKept) {
  const Knapsack k = knapsack(40, 23);
  Fixture f;
  build(f, k);
  double seen = kNaN;
  EXPECT_EQ(f.optimize([&](void *cb, int where) {
    if (where != TVX_CB_MIPSOL) return 0;
    seen = get_dbl(cb, where, TVX_CB_MIP_OBJBST);
    return -9002;
  }),
            TVX_ERROR_ABORT_CTRL_C);
  ASSERT_EQ(f.status(), TVX_STATUS_SUB_OPTIMAL);
  EXPECT_NEAR(f.objval(), seen, 1e-6);
}

TEST(Nested, ASolveInsideTheCallbackIsRefused) {
  Fixture f, other;
  small(f);
  small(other);
  std::vector<int> results;
  ASSERT_EQ(f.optimize([&](void *, int where) {
    if (where != TVX_CB_MIPSTART) return 0;
    results = {TVXoptimize(f.model), TVXoptimize(other.model), TVXcomputeIIS(other.model)};
    return 0;
  }),
            TVX_ERROR_OKAY);
  EXPECT_EQ(results, (std::vector<int>{kWhere, kWhere, kWhere}));
  // Outside the callback the other model solves.
  EXPECT_EQ(other.optimize(), TVX_ERROR_OKAY);
}

// ---- Changes during the run ---------------------------------------------------------

// A change made while the search runs, from the callback itself or from
// another thread: the result of the old problem is dropped and the call
// says so; names and MIP starts are no change of the problem.
struct ChangeCase {
  const char *name;
  int (*change)(TVXmodel *);
  int result;  // what the callback returns after the change
  int code;    // what TVXoptimize returns
};

int bound(TVXmodel *m) {
  const int j = 2;
  const double ub = 0;
  return TVXsetdblattrlist(m, "UB", 1, &j, &ub);
}

int bound_from_a_thread(TVXmodel *m) {
  int rc = -1;
  std::thread([&] { rc = bound(m); }).join();
  return rc;
}

int rename_var(TVXmodel *m) {
  const int j = 0;
  const char *name = "renamed";
  return TVXsetstrattrlist(m, "VarName", 1, &j, &name);
}

int start(TVXmodel *m) {
  const int j = 0;
  const double one = 1;
  return TVXsetdblattrlist(m, "Start", 1, &j, &one);
}

class Change : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(Change, OnlyAChangeOfTheProblemDropsTheResult) {
  const ChangeCase &c = GetParam();
  Fixture f;
  small(f);  // max x0 + 2 x1 + 3 x2, x0 + x1 + x2 <= 2: 5
  bool changed = false;
  EXPECT_EQ(f.optimize([&](void *, int where) {
    if (changed || where != TVX_CB_MIPSTART) return 0;
    changed = true;
    EXPECT_EQ(c.change(f.model), TVX_ERROR_OKAY);
    return c.result;
  }),
            c.code);
  ASSERT_TRUE(changed);
  if (c.code != TVX_ERROR_OKAY) {
    EXPECT_EQ(f.status(), TVX_STATUS_UNKNOWN);
    double v = kNaN;
    EXPECT_EQ(TVXgetdblattr(f.model, "ObjVal", &v), TVX_ERROR_NO_SOLN);
    // Solved again, the changed problem (x2 <= 0) gives its own optimum.
    EXPECT_EQ(f.optimize(), TVX_ERROR_OKAY);
    EXPECT_NEAR(f.objval(), 3, 1e-9);
  } else {
    EXPECT_NEAR(f.objval(), 5, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Change,
    ::testing::Values(ChangeCase{"Bound", bound, 0, TVX_ERROR_NO_SOLN},
                      ChangeCase{"BoundFromAThread", bound_from_a_thread, 0, TVX_ERROR_NO_SOLN},
                      ChangeCase{"BoundThenStop", bound, -9002, TVX_ERROR_NO_SOLN},
                      ChangeCase{"BoundThenError", bound, -1, TVX_ERROR_ERROR},
                      ChangeCase{"Name", rename_var, 0, TVX_ERROR_OKAY},
                      ChangeCase{"Start", start, 0, TVX_ERROR_OKAY}),
    [](const auto &case_info) { return std::string(case_info.param.name); });

TEST(Change, DuringAnIisSearchDropsIt) {
  Fixture f;
  f.vars({0, 0, 0}, {0, 0, 0}, {1, 1, 1}, "BBB");
  f.row({0, 1}, {1, 1}, 2, TVX_INFINITY);
  f.row({0, 1, 2}, {1, 1, 1}, -TVX_INFINITY, 1);
  Body change;
  ASSERT_EQ(TVXsetcallbackfunc(f.model, trampoline, &change), TVX_ERROR_OKAY);
  bool changed = false;
  change = [&](void *, int) {
    if (!changed) {
      EXPECT_EQ(bound(f.model), TVX_ERROR_OKAY);
    }
    changed = true;
    return 0;
  };
  EXPECT_EQ(TVXcomputeIIS(f.model), TVX_ERROR_IIS_NO_SOLN);
  EXPECT_TRUE(changed);
  int in = -1;
  const int row = 0;
  EXPECT_EQ(TVXgetintattrlist(f.model, "IISConstr", 1, &row, &in), TVX_ERROR_IIS_NO_SOLN);
}

// ---- IIS --------------------------------------------------------------------------

TEST(Iis, CalledDuringTheFeasibilitySolves) {
  Fixture f;
  f.vars({0, 0, 0}, {0, 0, 0}, {1, 1, 1}, "BBB");
  f.row({0, 1}, {1, 1}, 2, TVX_INFINITY);
  f.row({0, 1, 2}, {1, 1, 1}, -TVX_INFINITY, 1);  // with the row above: no point
  f.row({2}, {1}, -TVX_INFINITY, 1);
  Body count;
  int calls = 0;
  ASSERT_EQ(TVXsetcallbackfunc(f.model, trampoline, &count), TVX_ERROR_OKAY);
  count = [&](void *, int) {
    ++calls;
    return 0;
  };
  ASSERT_EQ(TVXcomputeIIS(f.model), TVX_ERROR_OKAY);
  EXPECT_GT(calls, 0);
  int in = -1;
  const int row = 0;
  ASSERT_EQ(TVXgetintattrlist(f.model, "IISConstr", 1, &row, &in), TVX_ERROR_OKAY);
  EXPECT_EQ(in, 1);

  count = [&](void *, int) { return -9002; };
  EXPECT_EQ(TVXcomputeIIS(f.model), TVX_ERROR_ABORT_CTRL_C);
}

// ---- SIGINT -----------------------------------------------------------------------

// A market split (Cornuejols-Dawande) with slacks: always feasible, hard
// to prove optimal, so the search runs until it is stopped.
void market_split(Fixture &f) {
  const int m = 4, n = 30;
  unsigned seed = 99;
  std::vector<double> obj(n + 2 * m, 0), lb(n + 2 * m, 0), ub(n + 2 * m, TVX_INFINITY);
  std::string types(n, 'B');
  types += std::string(static_cast<std::size_t>(2 * m), 'C');
  for (int j = 0; j < n; ++j) ub[j] = 1;
  for (int j = n; j < n + 2 * m; ++j) obj[j] = 1;
  f.vars(obj, lb, ub, types);
  for (int i = 0; i < m; ++i) {
    std::vector<int> ind;
    std::vector<double> val;
    double sum = 0;
    for (int j = 0; j < n; ++j) {
      seed = seed * 1103515245u + 12345u;
      const double a = static_cast<double>((seed >> 8) % 100u);
      ind.push_back(j);
      val.push_back(a);
      sum += a;
    }
    ind.push_back(n + 2 * i);
    val.push_back(1);
    ind.push_back(n + 2 * i + 1);
    val.push_back(-1);
    f.row(ind, val, std::floor(sum / 2), std::floor(sum / 2));
  }
}

class SigintGuard {
 public:
  explicit SigintGuard(void (*handler)(int)) {
    struct sigaction sa = {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &previous_);
  }
  ~SigintGuard() { sigaction(SIGINT, &previous_, nullptr); }

 private:
  struct sigaction previous_;
};

std::atomic<int> g_test_handler_calls{0};
void test_handler(int) { g_test_handler_calls.fetch_add(1); }

void (*current_handler())(int) {
  struct sigaction sa;
  sigaction(SIGINT, nullptr, &sa);
  return sa.sa_handler;
}

struct InterruptCase {
  const char *name;
  bool callback;  // with one the search is CBC's, else HiGHS's
};

class Interrupt : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(Interrupt, SigintStopsTheSolveAndTheHandlerIsPutBack) {
  Fixture f;
  market_split(f);
  f.param("MaxTime", 60);
  SigintGuard guard(test_handler);
  g_test_handler_calls = 0;
  std::atomic<bool> started{false};
  std::thread sender([&] {
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(getpid(), SIGINT);
  });
  const auto begin = std::chrono::steady_clock::now();
  int rc;
  if (GetParam().callback) {
    rc = f.optimize([&](void *, int) {
      started = true;
      return 0;
    });
  } else {
    started = true;
    rc = f.optimize();
  }
  sender.join();
  EXPECT_EQ(rc, TVX_ERROR_ABORT_CTRL_C);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
  const int status = f.status();
  EXPECT_TRUE(status == TVX_STATUS_SUB_OPTIMAL || status == TVX_STATUS_UNKNOWN) << status;
  // The library took the signal; the test's handler is back afterwards.
  EXPECT_EQ(g_test_handler_calls.load(), 0);
  EXPECT_EQ(current_handler(), &test_handler);
  kill(getpid(), SIGINT);
  EXPECT_EQ(g_test_handler_calls.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, Interrupt,
                         ::testing::Values(InterruptCase{"Highs", false},
                                           InterruptCase{"CbcWithCallback", true}),
                         [](const auto &case_info) { return std::string(case_info.param.name); });

// A process that ignores SIGINT keeps ignoring it during a solve.
TEST(Interrupt, IgnoredStaysIgnored) {
  Fixture f;
  market_split(f);
  f.param("MaxTime", 1);
  SigintGuard guard(SIG_IGN);
  std::thread sender([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(getpid(), SIGINT);
  });
  const int rc = f.optimize();
  sender.join();
  EXPECT_EQ(rc, TVX_ERROR_ABORT_TIME_LIMIT);
  EXPECT_EQ(current_handler(), SIG_IGN);
}

}  // namespace
