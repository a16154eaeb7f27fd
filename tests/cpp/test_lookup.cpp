// Whole-model operations: name lookups, reset, callback registration and
// the tidying of a MIP point, through the C interface and, for the tidying,
// on stores whose results are made here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/tidy.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

namespace fs = std::filesystem;

constexpr int kInvalid = TVX_ERROR_INVALID_ARGUMENT;

// An environment and one model, both freed at the end.
struct Fixture {
  Fixture() { EXPECT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY); }
  ~Fixture() {
    if (model) TVXfreemodel(model);
    TVXfreeenv(env);
  }
  void from_lp(const std::string &text) {
    const fs::path path =
        fs::temp_directory_path() / ("tarvex_lookup_" + std::to_string(::getpid()) + ".lp");
    std::ofstream(path) << text;
    ASSERT_EQ(TVXreadmodel(env, path.c_str(), &model), TVX_ERROR_OKAY);
    fs::remove(path);
  }
  void rename(const char *attr, int index, const char *name) {
    ASSERT_EQ(TVXsetstrattrlist(model, attr, 1, &index, &name), TVX_ERROR_OKAY);
  }
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;
};

// ---- Name lookups -------------------------------------------------------------

struct Lookup {
  const char *name;
  int var, row;  // expected indices
};

// Variables a, b, a, (none), "é", row; rows r0, r1, r2 with r2 renamed r0.
// Then the lowest holders are renamed away, so the next holder is found.
TEST(Lookup, LowestIndexAmongEqualNames) {
  Fixture f;
  f.from_lp(
      "Minimize\n obj: a\nSubject To\n r0: a + b >= 1\n r1: b - z <= 2\n"
      " r2: z + w <= 3\n r3: w >= 0\nEnd\n");
  const int a = [&] {
    int i = -1;
    EXPECT_EQ(TVXgetvarbyname(f.model, "a", &i), TVX_ERROR_OKAY);
    return i;
  }();
  ASSERT_EQ(a, 0);
  int nvars = 0;
  ASSERT_EQ(TVXgetintattr(f.model, "NumVars", &nvars), TVX_ERROR_OKAY);
  ASSERT_EQ(nvars, 4);
  f.rename("VarName", 2, "a");
  f.rename("VarName", 3, "\xc3\xa9");
  f.rename("ConstrName", 2, "r0");
  f.rename("ConstrName", 3, "b");  // a row named like a variable

  const Lookup before[] = {
      {"a", 0, -1},        {"b", 1, 3},  {"r0", -1, 0}, {"r1", -1, 1},    {"z", -1, -1},
      {"\xc3\xa9", 3, -1}, {"", -1, -1}, {"A", -1, -1}, {"\xff", -1, -1},  // not UTF-8: nothing can
                                                                           // carry it
  };
  for (const Lookup &c : before) {
    int var = -9, row = -9;
    EXPECT_EQ(TVXgetvarbyname(f.model, c.name, &var), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXgetconstrbyname(f.model, c.name, &row), TVX_ERROR_OKAY);
    EXPECT_EQ(var, c.var) << c.name;
    EXPECT_EQ(row, c.row) << c.name;
  }

  f.rename("VarName", 0, "b");    // b now at 0 and 1, a only at 2
  f.rename("ConstrName", 0, "");  // r0 only at 2
  const Lookup after[] = {{"a", 2, -1}, {"b", 0, 3}, {"r0", -1, 2}};
  for (const Lookup &c : after) {
    int var = -9, row = -9;
    EXPECT_EQ(TVXgetvarbyname(f.model, c.name, &var), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXgetconstrbyname(f.model, c.name, &row), TVX_ERROR_OKAY);
    EXPECT_EQ(var, c.var) << c.name;
    EXPECT_EQ(row, c.row) << c.name;
  }
}

TEST(Lookup, RefusesMissingArguments) {
  Fixture f;
  const char *names[] = {"x"};
  ASSERT_EQ(TVXnewmodel(f.env, &f.model, "m", 1, nullptr, nullptr, nullptr, nullptr, names),
            TVX_ERROR_OKAY);
  int index = 5;
  EXPECT_EQ(TVXgetvarbyname(f.model, nullptr, &index), kInvalid);
  EXPECT_EQ(TVXgetconstrbyname(f.model, nullptr, &index), kInvalid);
  EXPECT_EQ(index, 5);
  EXPECT_EQ(TVXgetvarbyname(f.model, "x", nullptr), kInvalid);
  EXPECT_EQ(TVXgetconstrbyname(f.model, "x", nullptr), kInvalid);
}

// ---- Reset ----------------------------------------------------------------------

// min x + 2y, x integer in [1, 3], y in [0.5, 4]: x = 1, y = 0.5.
TEST(Reset, ClearsTheSolutionAndOnRequestTheStart) {
  Fixture f;
  const double obj[] = {1, 2}, lb[] = {1, 0.5}, ub[] = {3, 4};
  ASSERT_EQ(TVXnewmodel(f.env, &f.model, "m", 2, obj, lb, ub, "IC", nullptr), TVX_ERROR_OKAY);
  const int ind[] = {0, 1};
  const double start[] = {2, 1};
  ASSERT_EQ(TVXsetdblattrlist(f.model, "Start", 2, ind, start), TVX_ERROR_OKAY);

  const auto solved = [&] {
    double value = 0;
    int status = -1, has = -1;
    EXPECT_EQ(TVXgetintattr(f.model, "Status", &status), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXgetintattr(f.model, "HasSolution", &has), TVX_ERROR_OKAY);
    const int rc = TVXgetdblattr(f.model, "ObjVal", &value);
    double x[2];
    EXPECT_EQ(TVXgetdblattrlist(f.model, "X", 2, ind, x), rc);
    EXPECT_EQ(status == TVX_STATUS_OPTIMAL && has == 1, rc == TVX_ERROR_OKAY);
    if (rc == TVX_ERROR_OKAY) {
      EXPECT_DOUBLE_EQ(value, 2);
    }
    return rc == TVX_ERROR_OKAY;
  };
  const auto starts = [&] {
    std::vector<double> values(2);
    EXPECT_EQ(TVXgetdblattrlist(f.model, "Start", 2, ind, values.data()), TVX_ERROR_OKAY);
    return values;
  };

  ASSERT_EQ(TVXoptimize(f.model), TVX_ERROR_OKAY);
  ASSERT_TRUE(solved());
  // Only 0 and 1 mean something; anything else changes nothing.
  for (const int bad : {2, -1}) EXPECT_EQ(TVXreset(f.model, bad), kInvalid);
  EXPECT_TRUE(solved());

  ASSERT_EQ(TVXreset(f.model, 0), TVX_ERROR_OKAY);
  EXPECT_FALSE(solved());
  double time = 0;
  EXPECT_EQ(TVXgetdblattr(f.model, "SolutionTime", &time), TVX_ERROR_NO_STATISTICS);
  EXPECT_EQ(starts(), (std::vector<double>{2, 1}));
  ASSERT_EQ(TVXreset(f.model, 0), TVX_ERROR_OKAY);  // nothing left to clear

  ASSERT_EQ(TVXoptimize(f.model), TVX_ERROR_OKAY);
  ASSERT_TRUE(solved());
  ASSERT_EQ(TVXreset(f.model, 1), TVX_ERROR_OKAY);
  EXPECT_FALSE(solved());
  EXPECT_EQ(starts(), (std::vector<double>{TVX_UNDEFINED, TVX_UNDEFINED}));
}

// ---- Callback registration -------------------------------------------------------

int counted(TVXmodel *, void *, int, void *usrdata) {
  ++*static_cast<int *>(usrdata);
  return 0;
}

// The function is kept for the next solve, with its data; copies take no
// callback.
TEST(Callback, StoredUntilReplaced) {
  Fixture f;
  const double lb[] = {0, 1}, ub[] = {5, 2};
  ASSERT_EQ(TVXnewmodel(f.env, &f.model, "m", 2, nullptr, lb, ub, "IC", nullptr), TVX_ERROR_OKAY);
  int calls = 0;
  ASSERT_EQ(TVXsetcallbackfunc(f.model, counted, &calls), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXoptimize(f.model), TVX_ERROR_OKAY);
  EXPECT_GT(calls, 0);
  TVXmodel *copy = TVXcopymodel(f.model);
  ASSERT_NE(copy, nullptr);
  const int before = calls;
  EXPECT_EQ(TVXoptimize(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(calls, before);

  ASSERT_EQ(TVXsetcallbackfunc(f.model, nullptr, &calls), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXoptimize(f.model), TVX_ERROR_OKAY);
  EXPECT_EQ(calls, before);
  ASSERT_EQ(TVXsetcallbackfunc(f.model, counted, &calls), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXoptimize(f.model), TVX_ERROR_OKAY);
  EXPECT_GT(calls, before);
}

// ---- Tidying a MIP point -------------------------------------------------------------

struct Var {
  double lb, ub;
  char type;
  double obj, x, want;  // the value found and the tidied one
};

// Values a hair off: moved to the exact value when it is within 1e-6 and
// inside the bounds.
const Var kVars[] = {
    {0, 10, 'I', 1.5, 2.0000004, 2},
    {0, 1, 'B', -2, 0.9999996, 1},
    {-4, 1, 'B', 3, 0.0000003, 0},  // a binary's bounds clip to [0, 1]
    {2, 3, 'S', 0.75, 3e-7, 0},     // semi-continuous: to its 0
    {2, 5, 'N', -1.25, -2e-7, 0},   // semi-integer: to its 0
    {-5, 5, 'I', 2.5, -3.0000002, -3},
    {0, 1, 'C', 4, 0.5000001, 0.5000001},       // continuous: as found
    {0, 10, 'I', 0.5, 1.4, 1.4},                // too far from 1
    {0, 1.4, 'I', 1.75, 1.9999994, 1.9999994},  // 2 is out of bounds
    {0, 10, 'I', -0.5, 7, 7},                   // exact already
    {0, 2.9999995, 'I', 1, 2.9999998, 3},       // the bound counts as 3
};
constexpr int kNumVars = sizeof kVars / sizeof kVars[0];

double evaluate(const tvx::Store &s, const std::vector<double> &x, std::vector<double> &activity) {
  activity.assign(static_cast<std::size_t>(s.num_rows()), 0.0);
  for (int i = 0; i < s.num_rows(); ++i) {
    for (int e = 0; e < s.rows().terms.length(i); ++e) {
      activity[i] += s.rows().terms.value(i)[e] * x[s.rows().terms.index(i)[e]];
    }
  }
  double obj = s.objcon();
  for (int j = 0; j < s.num_vars(); ++j) obj += s.vars().obj[j] * x[j];
  const tvx::QTerms &q = s.qterms();
  for (std::size_t k = 0; k < q.val.size(); ++k) obj += q.val[k] * x[q.row[k]] * x[q.col[k]];
  return obj;
}

TEST(TidyMipPoint, MakesNearlyExactValuesExactAndUpdatesWhatDependsOnThem) {
  tvx::Store s;
  std::vector<double> found, want;
  for (const Var &v : kVars) {
    ASSERT_EQ(s.add_vars(1, 0, nullptr, nullptr, nullptr, &v.obj, &v.lb, &v.ub, &v.type, nullptr),
              TVX_ERROR_OKAY);
    found.push_back(v.x);
    want.push_back(v.want);
  }
  const int beg[] = {0, 4};
  const int ind[] = {0, 1, 6, 9, 5, 3, 4, 8};
  const double val[] = {1.5, -2, 3, 0.25, 4, -1.5, 2.5, 0.75};
  ASSERT_EQ(s.add_rows(2, 8, beg, ind, val, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  const int qrow[] = {0, 5}, qcol[] = {5, 1};
  const double qval[] = {0.5, -1.5};
  ASSERT_EQ(s.add_qterms(2, qrow, qcol, qval), TVX_ERROR_OKAY);
  s.set_objcon(3.5);

  EXPECT_EQ(tvx::tidy_integer_solution(s, 1e-6), 0);  // no point yet

  tvx::Results r;
  r.status = TVX_STATUS_OPTIMAL;
  std::vector<double> activity;
  r.primal_obj = evaluate(s, found, activity);
  r.activity = activity;
  r.x = found;
  r.dual_obj = *r.primal_obj - 0.125;
  r.mip_gap_abs = 0.125;
  r.mip_gap_rel = 0.125 / std::fabs(*r.primal_obj);
  s.set_results(r);

  EXPECT_EQ(tvx::tidy_integer_solution(s, 1e-6), 7);
  const tvx::Results &t = s.results();
  ASSERT_TRUE(t.x && t.activity && t.primal_obj && t.dual_obj && t.mip_gap_abs && t.mip_gap_rel);
  for (int j = 0; j < kNumVars; ++j) EXPECT_EQ((*t.x)[j], want[j]) << "variable " << j;
  const double obj = evaluate(s, want, activity);
  for (std::size_t i = 0; i < activity.size(); ++i) {
    EXPECT_NEAR((*t.activity)[i], activity[i], 1e-12) << "row " << i;
  }
  EXPECT_NEAR(*t.primal_obj, obj, 1e-12);
  EXPECT_EQ(*t.dual_obj, *r.dual_obj);
  EXPECT_NEAR(*t.mip_gap_abs, std::fabs(obj - *r.dual_obj), 1e-12);
  EXPECT_NEAR(*t.mip_gap_rel, std::fabs(obj - *r.dual_obj) / std::fabs(obj), 1e-12);
  EXPECT_EQ(t.status, TVX_STATUS_OPTIMAL);

  EXPECT_EQ(tvx::tidy_integer_solution(s, 1e-6), 0);  // nothing left to do
  EXPECT_EQ(tvx::tidy_integer_solution(s, 0.5), 1);   // 1.4 is near enough now
}

TEST(CleanupMilp, ThroughTheInterface) {
  Fixture f;
  const double obj[] = {-1, -2}, lb[] = {0, 0}, ub[] = {3.5, 2.5};
  ASSERT_EQ(TVXnewmodel(f.env, &f.model, "m", 2, obj, lb, ub, "IN", nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXcleanupmilp(f.model, nullptr), kInvalid);
  int changed = -1;
  ASSERT_EQ(TVXcleanupmilp(f.model, &changed), TVX_ERROR_OKAY);
  EXPECT_EQ(changed, 0);
  ASSERT_EQ(TVXoptimize(f.model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXcleanupmilp(f.model, &changed), TVX_ERROR_OKAY);
  EXPECT_GE(changed, 0);
  const int ind[] = {0, 1};
  double x[2];
  ASSERT_EQ(TVXgetdblattrlist(f.model, "X", 2, ind, x), TVX_ERROR_OKAY);
  EXPECT_EQ(x[0], 3);
  EXPECT_EQ(x[1], 2);
}

}  // namespace
