// IIS: known subsystems of LPs and MIPs found exactly by both search paths,
// irreducibility checked by independent solves on a model with many
// subsystems, the objective's irrelevance, failures, and TVXcomputeIIS with
// the IIS attributes through the C interface.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "solve/dispatch.h"
#include "solve/engine.h"
#include "solve/iis.h"
#include "store/params.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

namespace fs = std::filesystem;
using Terms = std::vector<std::pair<int, double>>;

struct Builder {
  int var(double lb, double ub, char type = 'C', double obj = 0) {
    EXPECT_EQ(store.add_vars(1, 0, nullptr, nullptr, nullptr, &obj, &lb, &ub, &type, nullptr),
              TVX_ERROR_OKAY);
    return store.num_vars() - 1;
  }
  int row(const Terms &terms, double lower, double upper) {
    std::vector<int> ind;
    std::vector<double> val;
    for (const auto &t : terms) {
      ind.push_back(t.first);
      val.push_back(t.second);
    }
    const int beg = 0;
    EXPECT_EQ(store.add_rows(1, static_cast<int>(ind.size()), &beg, ind.data(), val.data(), &lower,
                             &upper, nullptr),
              TVX_ERROR_OKAY);
    return store.num_rows() - 1;
  }
  tvx::Store store;
};

using Params = std::vector<std::pair<const char *, double>>;

tvx::IisOutcome iis(const tvx::Store &store, bool engine_candidate = true,
                    const tvx::Engines &engines = tvx::built_engines(), const Params &params = {}) {
  tvx::SolveInput input{std::make_shared<tvx::Store>(store), tvx::ParamValues(), std::string()};
  for (const auto &p : params) {
    input.params.value[static_cast<std::size_t>(tvx::find_param(p.first))] = p.second;
  }
  tvx::IisOptions options;
  options.engine_candidate = engine_candidate;
  return tvx::compute_iis(input, engines, options);
}

// Marks as lists of indices, for readable failures.
std::vector<int> marked(const std::vector<int> &flags) {
  std::vector<int> out;
  for (std::size_t k = 0; k < flags.size(); ++k) {
    if (flags[k]) out.push_back(static_cast<int>(k));
  }
  return out;
}

// ---- A known LP subsystem ------------------------------------------------

// x in [0, 4], y in [0, 10], z in [0, 5], w free;
//   r0: x + y >= 12, r1: y - z <= 2, r2: z + w <= 100, r3: x + w >= -50,
//   r4: w >= 1.
// r0 needs y >= 8 under x <= 4, r1 allows y <= 7 under z <= 5. Every
// infeasible subset holds r0, r1 and the upper bounds of x and z; y's bounds
// and everything about w are free to go. So the IIS is unique: variables
// x and z, rows r0 and r1.
tvx::Store known_lp() {
  Builder b;
  const int x = b.var(0, 4), y = b.var(0, 10), z = b.var(0, 5),
            w = b.var(-kTvxInfinity, kTvxInfinity);
  b.row({{x, 1}, {y, 1}}, 12, kTvxInfinity);
  b.row({{y, 1}, {z, -1}}, -1e30, 2);
  b.row({{z, 1}, {w, 1}}, -kTvxInfinity, 100);
  b.row({{x, 1}, {w, 1}}, -50, kTvxInfinity);
  b.row({{w, 1}}, 1, kTvxInfinity);
  return b.store;
}

enum class Objective { None, LinearMax, NonConvexQuadratic };

// The objective is no part of the question: neither a maximisation nor a
// quadratic objective that no engine would take changes the answer.
class KnownLp : public ::testing::TestWithParam<std::tuple<bool, Objective>> {};

TEST_P(KnownLp, MarksExactlyTheConflict) {
  const bool engine_candidate = std::get<0>(GetParam());
  tvx::Store store = known_lp();
  switch (std::get<1>(GetParam())) {
    case Objective::None:
      break;
    case Objective::LinearMax:
      store.set_sense(TVX_MAXIMIZE);
      for (int j = 0; j < store.num_vars(); ++j) store.set_var_obj(j, j + 1.5);
      store.set_objcon(3);
      break;
    case Objective::NonConvexQuadratic: {
      const int row[] = {0, 1}, col[] = {1, 2};
      const double val[] = {-2, 5};
      ASSERT_EQ(store.add_qterms(2, row, col, val), TVX_ERROR_OKAY);
      break;
    }
  }
  const tvx::IisOutcome out = iis(store, engine_candidate);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(marked(out.col), (std::vector<int>{0, 2}));
  EXPECT_EQ(marked(out.row), (std::vector<int>{0, 1}));
  EXPECT_EQ(out.col.size(), 4u);
  EXPECT_EQ(out.row.size(), 5u);
}

std::string known_lp_name(const ::testing::TestParamInfo<std::tuple<bool, Objective>> &info) {
  static const char *const objectives[] = {"NoObjective", "LinearMax", "NonConvexQuadratic"};
  return std::string(std::get<0>(info.param) ? "EngineCandidate_" : "FilterOnly_") +
         objectives[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(PathsAndObjectives, KnownLp,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(Objective::None, Objective::LinearMax,
                                                              Objective::NonConvexQuadratic)),
                         known_lp_name);

// ---- Elements infeasible on their own ---------------------------------------

struct Alone {
  const char *name;
  bool var;  // the culprit is variable 2, else row 2
  double lo, hi;
  char type;   // of the culprit variable
  bool empty;  // the culprit row has no terms
};

class AloneCase : public ::testing::TestWithParam<Alone> {};

// Decoys around the culprit: two bounded variables and two satisfiable rows.
TEST_P(AloneCase, IsTheWholeIis) {
  const Alone &c = GetParam();
  Builder b;
  b.var(0, 3);
  b.var(-1, 1, 'I');
  if (c.var) {
    b.var(c.lo, c.hi, c.type);
  } else {
    b.var(0, 10);
  }
  b.row({{0, 1}, {1, 1}}, -2, 4);
  b.row({{0, 1}, {2, 1}}, 0, kTvxInfinity);
  if (c.var) {
    b.row({{1, 1}, {2, -1}}, -kTvxInfinity, 50);
  } else if (c.empty) {
    b.row({}, c.lo, c.hi);
  } else {
    b.row({{1, 1}, {2, 1}}, c.lo, c.hi);
  }
  for (const bool engine_candidate : {true, false}) {
    const tvx::IisOutcome out = iis(b.store, engine_candidate);
    ASSERT_EQ(out.code, TVX_ERROR_OKAY) << c.name;
    EXPECT_EQ(marked(out.col), c.var ? std::vector<int>{2} : std::vector<int>{}) << c.name;
    EXPECT_EQ(marked(out.row), c.var ? std::vector<int>{} : std::vector<int>{2}) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AloneCase,
    ::testing::Values(Alone{"CrossedBounds", true, 2, 1, 'C', false},
                      Alone{"LowerBoundAtPlusInfinity", true, 1e25, 1e30, 'C', false},
                      Alone{"BinaryAboveOne", true, 1.5, 3, 'B', false},
                      Alone{"IntegerWithoutAnInteger", true, 0.2, 0.8, 'I', false},
                      Alone{"CrossedSides", false, 3, 2, 'C', false},
                      Alone{"UpperSideAtMinusInfinity", false, -1e30, -1e21, 'C', false},
                      Alone{"EmptyRowAboveZero", false, 1, 2, 'C', true},
                      Alone{"EmptyRowBelowZero", false, -2, -0.5, 'C', true}),
    CaseName());

// ---- MIP subsystems ------------------------------------------------------------

// Infeasible only through integrality: the LP relaxations are feasible, so
// the deletion filter has to ask the MIP engine.
struct MipCase {
  const char *name;
  tvx::Store (*build)();
  std::vector<int> cols, rows;
};

// y integer in [0, 1], z in [0, 0.5], w in [0, 4]; r0: 2y - z = 1,
// r1: w + y <= 10. 2y is even while 1 + z lies in [1, 1.5]: r0 with z's
// bounds conflict (z free allows z = 1 or -1), y's bounds do not matter.
tvx::Store parity() {
  Builder b;
  b.var(0, 1, 'I');
  b.var(0, 0.5);
  b.var(0, 4);
  b.row({{0, 2}, {1, -1}}, 1, 1);
  b.row({{2, 1}, {0, 1}}, -kTvxInfinity, 10);
  return b.store;
}

// t in [0, 9]; s semi-continuous in [2, 3] (0 or a value in [2, 3]);
// r0: s <= 1.5, r1: s >= 0.5, r2: s + t <= 20. Each of s, r0, r1 is needed:
// without s's restriction s = 1, without r0 s = 2, without r1 s = 0.
tvx::Store semi() {
  Builder b;
  b.var(0, 9);
  b.var(2, 3, 'S');
  b.row({{1, 1}}, -kTvxInfinity, 1.5);
  b.row({{1, 1}}, 0.5, kTvxInfinity);
  b.row({{1, 1}, {0, 1}}, -kTvxInfinity, 20);
  return b.store;
}

// a binary, b binary, c integer in [0, 5]; r0: a + b = 1, r1: a - b = 0,
// r2: c - a >= 0. Over integers r0 and r1 conflict whatever the bounds:
// a free integer still cannot make 2a = 1.
tvx::Store halves() {
  Builder b;
  b.var(0, 1, 'B');
  b.var(0, 1, 'B');
  b.var(0, 5, 'I');
  b.row({{0, 1}, {1, 1}}, 1, 1);
  b.row({{0, 1}, {1, -1}}, 0, 0);
  b.row({{2, 1}, {0, -1}}, 0, kTvxInfinity);
  return b.store;
}

class Mip : public ::testing::TestWithParam<MipCase> {};

TEST_P(Mip, MarksExactlyTheConflict) {
  const MipCase &c = GetParam();
  const tvx::Store store = c.build();
  const tvx::IisOutcome out = iis(store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  EXPECT_EQ(marked(out.col), c.cols);
  EXPECT_EQ(marked(out.row), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Cases, Mip,
                         ::testing::Values(MipCase{"Parity", parity, {1}, {0}},
                                           MipCase{"SemiContinuous", semi, {1}, {0, 1}},
                                           MipCase{"Halves", halves, {}, {0, 1}}),
                         CaseName());

// ---- Irreducibility where many subsystems exist -----------------------------

// x_0 .. x_9 in [0, 1]; s: x_0 >= 0.2; c_k: x_(k+1) - x_k >= 0.3; and a
// slack row over all. Chains of c_k push some x_k past 1 from s or from
// x_0's lower bound: many IISs. Whatever one comes out is checked by solves
// of its own: infeasible as a whole, feasible without any one member.
tvx::Store chain() {
  Builder b;
  for (int k = 0; k < 10; ++k) b.var(0, 1);
  b.row({{0, 1}}, 0.2, kTvxInfinity);
  for (int k = 0; k < 9; ++k) b.row({{k + 1, 1}, {k, -1}}, 0.3, kTvxInfinity);
  Terms all;
  for (int k = 0; k < 10; ++k) all.push_back({k, 1});
  b.row(all, -kTvxInfinity, 100);
  return b.store;
}

int status_with_only(const tvx::Store &source, const std::vector<int> &cols,
                     const std::vector<int> &rows) {
  tvx::Store s(source);
  for (int j = 0; j < s.num_vars(); ++j) {
    if (!cols[j]) {
      s.set_var_lb(j, -kTvxInfinity);
      s.set_var_ub(j, kTvxInfinity);
    }
  }
  for (int i = 0; i < s.num_rows(); ++i) {
    if (!rows[i]) {
      s.set_row_lhs(i, -kTvxInfinity);
      s.set_row_rhs(i, kTvxInfinity);
    }
  }
  const tvx::SolveOutcome out =
      tvx::solve(tvx::SolveInput{std::make_shared<tvx::Store>(s), tvx::ParamValues(), ""});
  EXPECT_EQ(out.code, TVX_ERROR_OKAY);
  return out.results.status;
}

class Chain : public ::testing::TestWithParam<bool> {};

TEST_P(Chain, AnswerIsInfeasibleAndIrreducible) {
  const tvx::Store store = chain();
  const tvx::IisOutcome out = iis(store, GetParam());
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  ASSERT_FALSE(marked(out.row).empty());
  EXPECT_EQ(status_with_only(store, out.col, out.row), TVX_STATUS_INFEASIBLE);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<int> cols = out.col, rows = out.row;
    std::vector<int> &flags = pass == 0 ? cols : rows;
    for (std::size_t k = 0; k < flags.size(); ++k) {
      if (!flags[k]) continue;
      flags[k] = 0;
      EXPECT_EQ(status_with_only(store, cols, rows), TVX_STATUS_OPTIMAL)
          << (pass == 0 ? "variable " : "row ") << k << " is not needed";
      flags[k] = 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, Chain, ::testing::Bool());

// ---- No IIS ------------------------------------------------------------------

// An engine that answers every question the same way.
class Fixed : public tvx::Engine {
 public:
  Fixed(int code, int status) : code_(code), status_(status) {}
  const char *name() const override { return "fixed"; }
  void solve(const tvx::Problem &, tvx::SolveOutcome &out) const override {
    out.code = code_;
    out.results.status = status_;
  }

 private:
  int code_, status_;
};

// An SOS1 over x and y stays in every question: r0 then fails on either
// member's upper bound alone, or on the conflict of the LP.
TEST(SosIis, SetsStayInEveryQuestion) {
  tvx::Store store = known_lp();
  const int type = TVX_SOS_TYPE1, beg = 0, ind[] = {0, 1};
  const double weight[] = {1, 2};
  ASSERT_EQ(store.add_sos(1, 2, &type, &beg, ind, weight), TVX_ERROR_OKAY);
  const tvx::IisOutcome out = iis(store);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  const auto found = std::make_pair(marked(out.col), marked(out.row));
  const auto with_sos = std::make_pair(std::vector<int>{0, 1}, std::vector<int>{0});
  const auto lp = std::make_pair(std::vector<int>{0, 2}, std::vector<int>{0, 1});
  EXPECT_TRUE(found == with_sos || found == lp);
}

TEST(NoIis, FeasibleModelsAndFailedQuestions) {
  const tvx::Store feasible = [] {
    tvx::Store s = known_lp();
    s.set_var_ub(0, 8);  // x + y >= 12 now holds at x = 8, y = 4
    return s;
  }();
  const tvx::Store mip_feasible = [] {
    tvx::Store s = halves();
    s.set_row_rhs(1, 1);  // a - b in [0, 1]: a = 1, b = 0
    return s;
  }();
  const Fixed stuck(TVX_ERROR_SIMPLEX_NUMERIC, TVX_STATUS_UNKNOWN);
  const Fixed never(TVX_ERROR_OKAY, TVX_STATUS_INFEASIBLE);
  const tvx::Engines stuck_engines{&stuck, nullptr, nullptr};
  const tvx::Engines never_engines{&never, nullptr, nullptr};

  struct Case {
    const char *name;
    const tvx::Store &store;
    const tvx::Engines &engines;
    Params params;
    int code;
  } cases[] = {
      {"feasible LP", feasible, tvx::built_engines(), {}, TVX_ERROR_IIS_FEASIBLE},
      // A cutoff no point reaches does not make the model infeasible.
      {"feasible MIP",
       mip_feasible,
       tvx::built_engines(),
       {{"MIP/Cutoff", -1}},
       TVX_ERROR_IIS_FEASIBLE},
      {"empty model", tvx::Store(), tvx::built_engines(), {}, TVX_ERROR_IIS_FEASIBLE},
      {"no time", known_lp(), tvx::built_engines(), {{"MaxTime", 0}}, TVX_ERROR_ABORT_TIME_LIMIT},
      {"engine without answers", known_lp(), stuck_engines, {}, TVX_ERROR_IIS_NUMERIC},
      // Infeasible with every bound relaxed: nothing an IIS could name.
      {"engine that never finds a point", known_lp(), never_engines, {}, TVX_ERROR_IIS_NUMERIC},
  };
  for (const Case &c : cases) {
    const tvx::IisOutcome out = iis(c.store, true, c.engines, c.params);
    EXPECT_EQ(out.code, c.code) << c.name;
    EXPECT_TRUE(out.col.empty() && out.row.empty()) << c.name;
  }
}

// A stop requested of the search ends its next feasibility solve.
TEST(NoIis, StopOnRequest) {
  tvx::SolveContext context("");
  context.request_stop();
  const tvx::IisOutcome out = tvx::compute_iis(
      tvx::SolveInput{std::make_shared<tvx::Store>(known_lp()), tvx::ParamValues(), ""}, context);
  EXPECT_EQ(out.code, TVX_ERROR_ABORT_CTRL_C);
  EXPECT_TRUE(out.col.empty() && out.row.empty());
}

// x_0 >= 1, x_(k+1) - x_k >= 1, x_(n-1) <= 0, every x in [-1e6, 1e6]: all
// n + 1 rows form the one IIS, and HiGHS takes seconds to propose it.
tvx::Store long_chain(int n) {
  Builder b;
  for (int k = 0; k < n; ++k) b.var(-1e6, 1e6);
  b.row({{0, 1}}, 1, kTvxInfinity);
  for (int k = 0; k + 1 < n; ++k) b.row({{k + 1, 1}, {k, -1}}, 1, kTvxInfinity);
  b.row({{n - 1, 1}}, -kTvxInfinity, 0);
  return b.store;
}

// A stop requested while the engine looks for its candidate ends that
// search within moments, with nothing proposed.
TEST(NoIis, StopDuringTheEngineCandidate) {
  const tvx::Store store = long_chain(3000);
  tvx::SolveContext context("");
  std::chrono::steady_clock::time_point requested;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    requested = std::chrono::steady_clock::now();
    context.request_stop();
  });
  const std::vector<tvx::IisMember> candidate =
      tvx::highs_engine().iis_candidate(store, context, tvx::kInfinity);
  const auto ended = std::chrono::steady_clock::now();
  stopper.join();
  EXPECT_TRUE(candidate.empty());
  // Unstopped, this search takes several seconds; before the fix, tens.
  EXPECT_LT(ended - requested, std::chrono::seconds(5));
}

// ---- Through the C interface -------------------------------------------------

fs::path write_lp(const std::string &name, const std::string &text) {
  fs::path path = temp_path("iis_" + name + ".lp");
  put_bytes(path, text);
  return path;
}

// known_lp() as a file.
const char kKnownLp[] =
    "Minimize\n obj: x + y\nSubject To\n r0: x + y >= 12\n r1: y - z <= 2\n"
    " r2: z + w <= 100\n r3: x + w >= -50\n r4: w >= 1\n"
    "Bounds\n x <= 4\n y <= 10\n z <= 5\n w free\nEnd\n";

struct CModel {
  CModel() {
    EXPECT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
    const fs::path path = write_lp("known", kKnownLp);
    EXPECT_EQ(TVXreadmodel(env, path.c_str(), &model), TVX_ERROR_OKAY);
    fs::remove(path);
  }
  ~CModel() {
    TVXfreemodel(model);
    TVXfreeenv(env);
  }
  int var(const char *name) {
    int index = -1;
    EXPECT_EQ(TVXgetvarbyname(model, name, &index), TVX_ERROR_OKAY);
    return index;
  }
  int row(const char *name) {
    int index = -1;
    EXPECT_EQ(TVXgetconstrbyname(model, name, &index), TVX_ERROR_OKAY);
    return index;
  }
  // Every variable's or row's membership, through one attribute name.
  std::vector<int> read(const char *attr, int count, int *rc) {
    std::vector<int> ind, values(static_cast<std::size_t>(count), -7);
    for (int k = 0; k < count; ++k) ind.push_back(k);
    *rc = TVXgetintattrlist(model, attr, count, ind.data(), values.data());
    return values;
  }
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;
};

TEST(ComputeIis, SetsTheMembershipAttributes) {
  CModel m;
  ASSERT_NE(m.model, nullptr);
  int rc = 0;
  m.read("IISVar", 4, &rc);
  EXPECT_EQ(rc, TVX_ERROR_IIS_NO_SOLN);

  // A solve first: its results stay beside the IIS.
  ASSERT_EQ(TVXoptimize(m.model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXcomputeIIS(m.model), TVX_ERROR_OKAY);
  int status = -1;
  ASSERT_EQ(TVXgetintattr(m.model, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_INFEASIBLE);

  std::vector<int> want_cols(4, 0), want_rows(5, 0);
  want_cols[m.var("x")] = want_cols[m.var("z")] = 1;
  want_rows[m.row("r0")] = want_rows[m.row("r1")] = 1;
  for (const char *attr : {"IISVar", "IISCol"}) {
    EXPECT_EQ(m.read(attr, 4, &rc), want_cols) << attr;
    EXPECT_EQ(rc, TVX_ERROR_OKAY);
  }
  for (const char *attr : {"IISConstr", "IISRow"}) {
    EXPECT_EQ(m.read(attr, 5, &rc), want_rows) << attr;
    EXPECT_EQ(rc, TVX_ERROR_OKAY);
  }
  int out_of_range = 4;
  EXPECT_EQ(TVXgetintattrlist(m.model, "IISVar", 1, &out_of_range, &status),
            TVX_ERROR_MODEL_INVALID_COL_IDX);

  // A change of the problem withdraws the IIS; a names change does not.
  const int y = m.var("y");
  const char *name = "why";
  ASSERT_EQ(TVXsetstrattrlist(m.model, "VarName", 1, &y, &name), TVX_ERROR_OKAY);
  m.read("IISVar", 4, &rc);
  EXPECT_EQ(rc, TVX_ERROR_OKAY);
  const int x = m.var("x");
  const double ub = 8;
  ASSERT_EQ(TVXsetdblattrlist(m.model, "UB", 1, &x, &ub), TVX_ERROR_OKAY);
  m.read("IISConstr", 5, &rc);
  EXPECT_EQ(rc, TVX_ERROR_IIS_NO_SOLN);

  // Now feasible: no IIS, and none appears.
  EXPECT_EQ(TVXcomputeIIS(m.model), TVX_ERROR_IIS_FEASIBLE);
  m.read("IISVar", 4, &rc);
  EXPECT_EQ(rc, TVX_ERROR_IIS_NO_SOLN);
}

TEST(ComputeIis, ResetWithdrawsIt) {
  CModel m;
  ASSERT_EQ(TVXcomputeIIS(m.model), TVX_ERROR_OKAY);
  int rc = 0;
  m.read("IISVar", 4, &rc);
  ASSERT_EQ(rc, TVX_ERROR_OKAY);
  ASSERT_EQ(TVXreset(m.model, 0), TVX_ERROR_OKAY);
  m.read("IISVar", 4, &rc);
  EXPECT_EQ(rc, TVX_ERROR_IIS_NO_SOLN);
}

TEST(ComputeIis, BoundsOnlyModelFromNewModel) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  const double lb[] = {0, 3, -1}, ub[] = {1, 2, 1};
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &model, "b", 3, nullptr, lb, ub, "CIC", nullptr), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXcomputeIIS(model), TVX_ERROR_OKAY);
  const int ind[] = {0, 1, 2};
  int flags[3] = {-1, -1, -1};
  ASSERT_EQ(TVXgetintattrlist(model, "IISVar", 3, ind, flags), TVX_ERROR_OKAY);
  EXPECT_EQ(std::vector<int>(flags, flags + 3), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

}  // namespace
