// Appending variables through TVXaddvar and TVXaddvars: null arrays give the
// defaults, values and names are stored as given and numbered after the
// existing variables, a column reaches its rows, and every refused call
// changes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

constexpr int kRowIdx = TVX_ERROR_MODEL_INVALID_ROW_IDX;
constexpr int kColName = TVX_ERROR_MODEL_INVALID_COL_NAME;

// The three rows r0, r1, r2 hold only x, fixed at 0, so after a solve each
// row's activity is the coefficient of whatever else was fixed at 1.
const char kRowsLp[] =
    "Minimize\n obj: x\n"
    "Subject To\n r0: x <= 10\n r1: x <= 10\n r2: x >= -10\n"
    "Bounds\n x = 0\nEnd\n";

struct Fixture : ::testing::Test {
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;

  void SetUp() override {
    ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
    const char *names[] = {"a", "b"};
    const double ub[] = {7, 8};
    ASSERT_EQ(TVXnewmodel(env, &model, "m", 2, nullptr, nullptr, ub, nullptr, names),
              TVX_ERROR_OKAY);
  }
  void TearDown() override {
    if (model) {
      EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
    }
    EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
  }

  // Replaces the model with one read from kRowsLp: variable x, rows r0..r2.
  void use_rows_model() {
    const std::string path = temp_path("rows.lp");
    put_bytes(path, kRowsLp);
    ASSERT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
    model = nullptr;
    ASSERT_EQ(TVXreadmodel(env, path.c_str(), &model), TVX_ERROR_OKAY);
  }

  int count(const char *attr) {
    int value = -1;
    EXPECT_EQ(TVXgetintattr(model, attr, &value), TVX_ERROR_OKAY) << attr;
    return value;
  }
  std::vector<double> dbl(const char *attr, int first, int n) {
    std::vector<int> ind(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) ind[static_cast<std::size_t>(k)] = first + k;
    std::vector<double> out(static_cast<std::size_t>(n), kNaN);
    EXPECT_EQ(TVXgetdblattrlist(model, attr, n, ind.data(), out.data()), TVX_ERROR_OKAY) << attr;
    return out;
  }
  std::string types(int first, int n) {
    std::vector<int> ind(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) ind[static_cast<std::size_t>(k)] = first + k;
    std::string out(static_cast<std::size_t>(n), '?');
    EXPECT_EQ(TVXgetcharattrlist(model, "VType", n, ind.data(), out.data()), TVX_ERROR_OKAY);
    return out;
  }
  std::vector<std::string> names(int first, int n) {
    std::vector<int> ind(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) ind[static_cast<std::size_t>(k)] = first + k;
    std::vector<const char *> raw(static_cast<std::size_t>(n), nullptr);
    EXPECT_EQ(TVXgetstrattrlist(model, "VarName", n, ind.data(), raw.data()), TVX_ERROR_OKAY);
    return {raw.begin(), raw.end()};
  }
};

using AddVars = Fixture;

TEST_F(AddVars, NullArraysGiveTheDefaultsAfterTheExistingVariables) {
  ASSERT_EQ(TVXaddvars(model, 3, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(count("NumVars"), 5);
  EXPECT_EQ(dbl("LB", 2, 3), std::vector<double>(3, 0.0));
  EXPECT_EQ(dbl("UB", 2, 3), std::vector<double>(3, TVX_INFINITY));
  EXPECT_EQ(dbl("Obj", 2, 3), std::vector<double>(3, 0.0));
  EXPECT_EQ(types(2, 3), "CCC");
  EXPECT_EQ(names(0, 5), (std::vector<std::string>{"a", "b", "", "", ""}));
  EXPECT_EQ(dbl("UB", 0, 2), (std::vector<double>{7, 8}));  // the old ones untouched
}

TEST_F(AddVars, ArraysAreStoredAsGivenInArrayOrder) {
  const double obj[] = {1.5, -2, 0}, lb[] = {-1e20, -3, 2}, ub[] = {1e30, kIeeeInf, 2};
  const char *nm[] = {"x[0,1]", nullptr, "\xc3\xa9"};
  ASSERT_EQ(TVXaddvars(model, 3, 0, nullptr, nullptr, nullptr, obj, lb, ub, "cbI", nm),
            TVX_ERROR_OKAY);
  EXPECT_EQ(dbl("Obj", 2, 3), (std::vector<double>{1.5, -2, 0}));
  EXPECT_EQ(dbl("LB", 2, 3), (std::vector<double>{-1e20, -3, 2}));
  EXPECT_EQ(dbl("UB", 2, 3), (std::vector<double>{1e30, kIeeeInf, 2}));
  EXPECT_EQ(types(2, 3), "CBI");  // lower case is taken as its type
  EXPECT_EQ(names(2, 3), (std::vector<std::string>{"x[0,1]", "", "\xc3\xa9"}));
  int found = -1;
  ASSERT_EQ(TVXgetvarbyname(model, "x[0,1]", &found), TVX_ERROR_OKAY);
  EXPECT_EQ(found, 2);
}

TEST_F(AddVars, ZeroVariablesIsAcceptedAndChangesNothing) {
  ASSERT_EQ(TVXaddvars(model, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(count("NumVars"), 2);
}

TEST_F(AddVars, AddVarAppendsOneWithItsValues) {
  ASSERT_EQ(TVXaddvar(model, 0, nullptr, nullptr, 2.5, -1, 4, 'I', "v"), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddvar(model, 0, nullptr, nullptr, 0, 0, 1e20, 'C', nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(count("NumVars"), 4);
  EXPECT_EQ(dbl("Obj", 2, 2), (std::vector<double>{2.5, 0}));
  EXPECT_EQ(dbl("LB", 2, 2), (std::vector<double>{-1, 0}));
  EXPECT_EQ(dbl("UB", 2, 2), (std::vector<double>{4, 1e20}));
  EXPECT_EQ(types(2, 2), "IC");
  EXPECT_EQ(names(2, 2), (std::vector<std::string>{"v", ""}));
}

// Columns reach their rows: each new variable is fixed at 1 in turn and the
// rows' activities read back its coefficients.
TEST_F(AddVars, ColumnsReachTheirRows) {
  use_rows_model();
  const int nz0 = count("NumNZs");
  const int ind[] = {2, 0};  // any order, as long as no row repeats
  const double val[] = {3, -2};
  ASSERT_EQ(TVXaddvar(model, 2, ind, val, 0, 1, 1, 'C', "y"), TVX_ERROR_OKAY);
  EXPECT_EQ(count("NumNZs"), nz0 + 2);
  ASSERT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
  EXPECT_EQ(dbl("Activity", 0, 3), (std::vector<double>{-2, 0, 3}));

  // Two more through one batch: rows {1} and {0, 2}; y is freed to 0 first.
  const int y[] = {1};
  const double nil[] = {0};
  ASSERT_EQ(TVXsetdblattrlist(model, "LB", 1, y, nil), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetdblattrlist(model, "UB", 1, y, nil), TVX_ERROR_OKAY);
  const int beg[] = {0, 1}, rows[] = {1, 0, 2};
  const double coef[] = {5, 0.5, 0}, lb[] = {1, 0}, ub[] = {1, 0};
  ASSERT_EQ(TVXaddvars(model, 2, 3, beg, rows, coef, nullptr, lb, ub, nullptr, nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(count("NumNZs"), nz0 + 5);  // an explicit 0 is an entry too
  ASSERT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
  EXPECT_EQ(dbl("Activity", 0, 3), (std::vector<double>{0, 5, 0}));
}

// ---- Refusals ----------------------------------------------------------------

struct Refusal {
  const char *name;
  int expected;
  std::function<int(TVXmodel *)> call;
};

const int kRow1[] = {1}, kRow3[] = {3}, kRowNeg[] = {-1}, kRows11[] = {1, 1}, kBeg0[] = {0},
          kBeg00[] = {0, 0}, kBadBeg[] = {1, 1}, kBackBeg[] = {0, 2, 1};
const double kOne[] = {1}, kTwo[] = {1, 2}, kNaN1[] = {kNaN}, kInf1[] = {kIeeeInf};
const double kLastNaN[] = {1, 2, kNaN}, kLastInf[] = {1, 2, kIeeeInf}, kFine3[] = {1, 2, 3};
const char *const kBadUtf8[] = {"ok", "\xff"};

const Refusal kRefusals[] = {
    {"AddVarRowOutOfRange", kRowIdx,
     [](TVXmodel *m) { return TVXaddvar(m, 1, kRow3, kOne, 0, 0, 1, 'C', "y"); }},
    {"AddVarNegativeRow", kRowIdx,
     [](TVXmodel *m) { return TVXaddvar(m, 1, kRowNeg, kOne, 0, 0, 1, 'C', "y"); }},
    {"AddVarRepeatedRow", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 2, kRows11, kTwo, 0, 0, 1, 'C', "y"); }},
    {"AddVarNaNCoefficient", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 1, kRow1, kNaN1, 0, 0, 1, 'C', "y"); }},
    {"AddVarInfiniteCoefficient", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 1, kRow1, kInf1, 0, 0, 1, 'C', "y"); }},
    {"AddVarInfiniteObjective", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 0, nullptr, nullptr, kIeeeInf, 0, 1, 'C', "y"); }},
    {"AddVarNaNBound", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 0, nullptr, nullptr, 0, kNaN, 1, 'C', "y"); }},
    {"AddVarUnknownType", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 0, nullptr, nullptr, 0, 0, 1, 'Z', "y"); }},
    {"AddVarTypeByteZero", kInput,
     [](TVXmodel *m) { return TVXaddvar(m, 0, nullptr, nullptr, 0, 0, 1, '\0', "y"); }},
    {"AddVarNameNotUtf8", kColName,
     [](TVXmodel *m) { return TVXaddvar(m, 0, nullptr, nullptr, 0, 0, 1, 'C', "\xff"); }},
    {"AddVarNegativeCount", kArg,
     [](TVXmodel *m) { return TVXaddvar(m, -1, kRow1, kOne, 0, 0, 1, 'C', "y"); }},
    {"AddVarNullRows", kArg,
     [](TVXmodel *m) { return TVXaddvar(m, 1, nullptr, kOne, 0, 0, 1, 'C', "y"); }},
    {"AddVarsNegativeCount", kArg,
     [](TVXmodel *m) {
       return TVXaddvars(m, -1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    // Every element is checked, the last one included.
    {"AddVarsLastLowerNaN", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 3, 0, nullptr, nullptr, nullptr, nullptr, kLastNaN, nullptr, nullptr,
                         nullptr);
     }},
    {"AddVarsLastUpperNaN", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 3, 0, nullptr, nullptr, nullptr, nullptr, nullptr, kLastNaN, nullptr,
                         nullptr);
     }},
    {"AddVarsLastObjectiveInfinite", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 3, 0, nullptr, nullptr, nullptr, kLastInf, kFine3, kFine3, nullptr,
                         nullptr);
     }},
    {"AddVarsLastTypeUnknown", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 3, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "CBx",
                         nullptr);
     }},
    {"AddVarsLastNameNotUtf8", kColName,
     [](TVXmodel *m) {
       return TVXaddvars(m, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         const_cast<const char **>(kBadUtf8));
     }},
    {"AddVarsStartsNotFromZero", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 2, 2, kBadBeg, kRows11, kTwo, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    {"AddVarsStartsGoBack", kInput,
     [](TVXmodel *m) {
       const int rows[] = {0, 1, 2};
       return TVXaddvars(m, 3, 3, kBackBeg, rows, kFine3, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    {"AddVarsEntriesWithoutStarts", kArg,
     [](TVXmodel *m) {
       return TVXaddvars(m, 1, 1, nullptr, kRow1, kOne, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    {"AddVarsEntriesForNoVariable", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 0, 1, kBeg0, kRow1, kOne, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
    {"AddVarsRepeatedRowInOneColumn", kInput,
     [](TVXmodel *m) {
       return TVXaddvars(m, 2, 2, kBeg00, kRows11, kTwo, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    {"AddVarsRowOutOfRangeInLastColumn", kRowIdx,
     [](TVXmodel *m) {
       const int beg[] = {0, 1}, rows[] = {1, 3};
       return TVXaddvars(m, 2, 2, beg, rows, kTwo, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
};

struct AddVarsRefused : Fixture, ::testing::WithParamInterface<Refusal> {};

TEST_P(AddVarsRefused, ChangesNothing) {
  use_rows_model();
  ASSERT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
  const int vars = count("NumVars"), nz = count("NumNZs");
  EXPECT_EQ(GetParam().call(model), GetParam().expected);
  EXPECT_EQ(count("NumVars"), vars);
  EXPECT_EQ(count("NumNZs"), nz);
  // The solution of the unchanged model is still there.
  EXPECT_EQ(count("Status"), TVX_STATUS_OPTIMAL);
  int none = 0;
  EXPECT_EQ(TVXgetvarbyname(model, "y", &none), TVX_ERROR_OKAY);
  EXPECT_EQ(none, -1);
}

INSTANTIATE_TEST_SUITE_P(AddVars, AddVarsRefused, ::testing::ValuesIn(kRefusals), CaseName());

TEST_F(AddVars, StaleOrNullHandlesAreRefused) {
  TVXmodel *freed = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &freed, "f", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  ASSERT_EQ(TVXfreemodel(freed), TVX_ERROR_OKAY);
  for (TVXmodel *m : {freed, static_cast<TVXmodel *>(nullptr)}) {
    EXPECT_EQ(TVXaddvar(m, 0, nullptr, nullptr, 0, 0, 1, 'C', "y"), kArg);
    EXPECT_EQ(
        TVXaddvars(m, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        kArg);
  }
  EXPECT_EQ(count("NumVars"), 2);
}

}  // namespace
