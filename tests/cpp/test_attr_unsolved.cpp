// Attributes that need a solve, before and after one.
#include <gtest/gtest.h>

#include <vector>

#include "attr_fixture.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace attr_fixture;

// ---- Values that need a solve -----------------------------------------------

struct Unsolved {
  const char *name;
  int index;
  int code;
};

const Unsolved kUnsolved[] = {
    {"ObjVal", -1, TVX_ERROR_NO_SOLN},
    {"PrimalObjVal", -1, TVX_ERROR_NO_SOLN},
    {"DualObjVal", -1, TVX_ERROR_NO_SOLN},
    {"MIP/GapAbs", -1, TVX_ERROR_NO_SOLN},
    {"MIP/GapRel", -1, TVX_ERROR_NO_SOLN},
    {"X", 0, TVX_ERROR_NO_SOLN},
    {"PrimalSoln", 2, TVX_ERROR_NO_SOLN},
    {"RC", 0, TVX_ERROR_NO_SOLN},
    {"ReducedCost", 1, TVX_ERROR_NO_SOLN},
    {"DualSoln", 0, TVX_ERROR_NO_SOLN},
    {"Activity", 1, TVX_ERROR_NO_SOLN},
    {"ColBasis", 0, TVX_ERROR_NO_SOLN},
    {"RowBasis", 2, TVX_ERROR_NO_SOLN},
    {"PsdX", 1, TVX_ERROR_NO_SOLN},
    {"IISVar", 0, TVX_ERROR_IIS_NO_SOLN},
    {"IISCol", 0, TVX_ERROR_IIS_NO_SOLN},
    {"IISConstr", 1, TVX_ERROR_IIS_NO_SOLN},
    {"IISRow", 1, TVX_ERROR_IIS_NO_SOLN},
    {"SPX/NumIters", -1, TVX_ERROR_NO_STATISTICS},
    {"IPM/NumIters", -1, TVX_ERROR_NO_STATISTICS},
    {"PresolverTime", -1, TVX_ERROR_NO_STATISTICS},
    {"SolverTime", -1, TVX_ERROR_NO_STATISTICS},
    {"SolutionTime", -1, TVX_ERROR_NO_STATISTICS},
};

class AttrUnsolved : public ::testing::TestWithParam<Unsolved> {};

TEST_P(AttrUnsolved, AnswersUntilASolveGivesIt) {
  const Unsolved &c = GetParam();
  Store s;
  fill(s);
  Value got;
  EXPECT_EQ(read(s, c.name, c.index, got), c.code);
  s.set_results(solved());
  EXPECT_EQ(read(s, c.name, c.index, got), TVX_ERROR_OKAY);
  // A change of the problem takes it away again.
  const double ub[] = {3};
  ASSERT_EQ(tvx::set_dbl_attrs(s, "UB", 1, k0, ub), TVX_ERROR_OKAY);
  EXPECT_EQ(read(s, c.name, c.index, got), c.code);
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrUnsolved, ::testing::ValuesIn(kUnsolved), CaseName());

TEST(AttrUnsolvedModel, ReportsNoSolutionThroughFlagsAndStatus) {
  Store s;
  fill(s);
  for (const char *name : {"HasSolution", "HasPrimalRay", "HasDualRay", "Status"}) {
    Value got;
    ASSERT_EQ(read(s, name, -1, got), TVX_ERROR_OKAY) << name;
    EXPECT_EQ(got, Value(0)) << name;
  }
}

// A result vector of the wrong length (a solver fault) is never indexed.
TEST(AttrUnsolvedModel, ResultOfTheWrongLengthIsNotRead) {
  Store s;
  fill(s);
  tvx::Results r = solved();
  r.x = std::vector<double>{1};
  r.iis_row = std::vector<int>{1};
  r.psd_x->back().pop_back();
  s.set_results(r);
  Value got;
  EXPECT_EQ(read(s, "X", 2, got), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(read(s, "IISRow", 2, got), TVX_ERROR_IIS_NO_SOLN);
  EXPECT_EQ(read(s, "PsdX", 0, got), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(read(s, "RC", 2, got), TVX_ERROR_OKAY);
}

}  // namespace
