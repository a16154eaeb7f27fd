// Attributes: reading every one, writing and reading back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "attr_fixture.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace attr_fixture;

// ---- Reading every attribute ------------------------------------------------

struct ReadCase {
  const char *name;
  int index;  // -1: a model attribute
  Value expected;
};

const ReadCase kReads[] = {
    {"MinSense", -1, 0},
    {"ModelSense", -1, -1},
    {"HasSolution", -1, 1},
    {"HasPrimalRay", -1, 0},
    {"HasDualRay", -1, 1},
    {"NumVars", -1, 3},
    {"NumConss", -1, 3},
    {"NumConstrs", -1, 3},
    {"NumSOS", -1, 1},
    {"NumGenConstrs", -1, 1},
    {"NumEnts", -1, 5},
    {"NumNZs", -1, 5},
    {"SPX/NumIters", -1, 11},
    {"IPM/NumIters", -1, 22},
    {"IsInteger", 0, 0},
    {"IsInteger", 1, 1},
    {"IsInteger", 2, 1},
    {"IISVar", 2, 1},
    {"IISCol", 1, 0},
    {"IISConstr", 1, 1},
    {"IISRow", 0, 0},
    {"ColBasis", 2, 3},
    {"RowBasis", 1, 1},
    {"GenConstrType", 0, TVX_GENCONSTR_INDICATOR},
    {"Status", -1, TVX_STATUS_OPTIMAL},
    {"Dim", 1, 3},
    {"NumPsdVars", -1, 2},
    {"NumPsdConstrs", -1, 1},
    {"ObjConst", -1, 4.5},
    {"ObjCon", -1, 4.5},
    {"PrimalObjVal", -1, 7.5},
    {"ObjVal", -1, 7.5},
    {"DualObjVal", -1, 7.25},
    {"PresolverTime", -1, 0.125},
    {"SolverTime", -1, 0.25},
    {"SolutionTime", -1, 0.5},
    {"MIP/GapAbs", -1, 0.01},
    {"MIP/GapRel", -1, 0.02},
    {"LB", 0, -1.0},
    {"UB", 2, 1e30},
    {"Obj", 1, -1.0},
    {"LHS", 2, -1e20},
    {"RHS", 0, 5.0},
    {"PrimalSoln", 0, 1.5},
    {"X", 2, 2.0},
    {"Start", 0, 0.5},
    {"Start", 1, TVX_UNDEFINED},
    {"DualSoln", 1, -2.5},
    {"Activity", 2, 0.5},
    {"ReducedCost", 1, -0.5},
    {"RC", 2, 0.75},
    {"PsdCLHS", 1, 2.0},
    {"PsdCRHS", 1, 6.0},
    {"PsdCLHS", 0, 1.0},  // a linear row read as PSD row: rows share one index space
    {"ProbName", -1, std::string("diet")},
    {"ModelName", -1, std::string("diet")},
    {"RowName", 0, std::string("r0")},
    {"ConstrName", 1, std::string("p1")},
    {"ColName", 1, std::string("y")},
    {"VarName", 2, std::string("z")},
    {"PsdVarName", 1, std::string("P1")},
    {"PsdCName", 1, std::string("p1")},
    {"GenConstrName", 0, std::string("g0")},
    {"VType", 1, 'B'},
    {"VType", 2, 'I'},
    {"PsdX", 0, 4},  // entry counts; the entries are checked below
    {"PsdObj", 0, 2},
};

class AttrRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(AttrRead, GivesTheStoredValue) {
  const ReadCase &c = GetParam();
  Store s;
  fill(s);
  s.set_results(solved());
  Value got;
  ASSERT_EQ(read(s, c.name, c.index, got), TVX_ERROR_OKAY);
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrRead, ::testing::ValuesIn(kReads), NumberedName());

TEST(AttrList, ReadsElementsInTheGivenOrderRepeatsIncluded) {
  Store s;
  fill(s);
  const int ind[] = {2, 0, 2};
  double ub[3];
  ASSERT_EQ(tvx::get_dbl_attrs(s, "UB", 3, ind, ub), TVX_ERROR_OKAY);
  EXPECT_EQ(std::vector<double>(ub, ub + 3), (std::vector<double>{1e30, 4, 1e30}));
  const char *names[3];
  ASSERT_EQ(tvx::get_str_attrs(s, "VarName", 3, ind, names), TVX_ERROR_OKAY);
  EXPECT_STREQ(names[0], "z");
  EXPECT_STREQ(names[1], "x");
  char types[3];
  ASSERT_EQ(tvx::get_char_attrs(s, "VType", 3, ind, types), TVX_ERROR_OKAY);
  EXPECT_EQ(std::string(types, 3), "ICI");
  // An empty list needs no arrays.
  EXPECT_EQ(tvx::get_dbl_attrs(s, "UB", 0, nullptr, nullptr), TVX_ERROR_OKAY);
}

// ---- Writing and reading back -----------------------------------------------

struct WriteCase {
  const char *name;
  int index;
  Value value;
  Value expected;
  bool invalidates;  // the solution goes with the change
};

const WriteCase kWrites[] = {
    {"ModelSense", -1, TVX_MINIMIZE, TVX_MINIMIZE, true},
    {"ObjConst", -1, -2.0, -2.0, true},
    {"ObjCon", -1, 3.0, 3.0, true},
    {"LB", 0, -kIeeeInf, -kIeeeInf, true},
    {"UB", 2, 9.0, 9.0, true},
    {"UB", 1, 1e30, 1e30, true},
    {"Obj", 1, 4.0, 4.0, true},
    {"LHS", 2, -3.0, -3.0, true},
    {"RHS", 0, 1e30, 1e30, true},
    {"PsdCLHS", 1, 1.5, 1.5, true},
    {"PsdCRHS", 1, 8.0, 8.0, true},
    {"Start", 2, 2.5, 2.5, false},
    {"Start", 0, TVX_UNDEFINED, TVX_UNDEFINED, false},
    {"VType", 0, 'i', 'I', true},
    {"VType", 1, 'S', 'S', true},
    {"ProbName", -1, std::string("p"), std::string("p"), false},
    {"ModelName", -1, std::string("Modèle"), std::string("Modèle"), false},
    {"RowName", 2, std::string("rr"), std::string("rr"), false},
    {"ConstrName", 0, std::string(""), std::string(""), false},
    {"ColName", 0, std::string("xx"), std::string("xx"), false},
    {"VarName", 2, std::string("zz"), std::string("zz"), false},
    {"PsdVarName", 0, std::string("Q"), std::string("Q"), false},
    {"PsdCName", 1, std::string("pc"), std::string("pc"), false},
    {"GenConstrName", 0, std::string("gg"), std::string("gg"), false},
};

class AttrWrite : public ::testing::TestWithParam<WriteCase> {};

// The value reads back; writing the old value back restores the store
// exactly, so nothing else was touched.
TEST_P(AttrWrite, ReadsBackAndTouchesNothingElse) {
  const WriteCase &c = GetParam();
  Store s;
  fill(s);
  s.set_results(solved());
  const std::string before = dump(s);
  Value old, got;
  ASSERT_EQ(read(s, c.name, c.index, old), TVX_ERROR_OKAY);
  ASSERT_NE(old, c.expected);

  ASSERT_EQ(write(s, c.name, c.index, c.value), TVX_ERROR_OKAY);
  ASSERT_EQ(read(s, c.name, c.index, got), TVX_ERROR_OKAY);
  EXPECT_EQ(got, c.expected);
  EXPECT_EQ(s.results().x.has_value(), !c.invalidates);
  int status = -1;
  ASSERT_EQ(tvx::get_int_attr(s, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, c.invalidates ? TVX_STATUS_UNKNOWN : TVX_STATUS_OPTIMAL);

  ASSERT_EQ(write(s, c.name, c.index, old), TVX_ERROR_OKAY);
  EXPECT_EQ(dump(s), before);
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrWrite, ::testing::ValuesIn(kWrites), NumberedName());

TEST(AttrList, WritesInOrderTheLastOfRepeatedIndicesWinning) {
  Store s;
  fill(s);
  const int ind[] = {2, 0, 2};
  const double ub[] = {7, 8, 9};
  ASSERT_EQ(tvx::set_dbl_attrs(s, "UB", 3, ind, ub), TVX_ERROR_OKAY);
  EXPECT_EQ(s.vars().ub, (std::vector<double>{8, 1, 9}));
  const char *names[] = {"c", nullptr, "d"};
  ASSERT_EQ(tvx::set_str_attrs(s, "VarName", 3, ind, names), TVX_ERROR_OKAY);
  EXPECT_EQ(s.vars().names[0], "");  // a null text is no name
  EXPECT_EQ(s.vars().names[2], "d");
  const char types[] = {'b', 'n', 'C'};
  ASSERT_EQ(tvx::set_char_attrs(s, "VType", 3, ind, types), TVX_ERROR_OKAY);
  EXPECT_EQ(s.vars().type, (std::vector<char>{'N', 'B', 'C'}));
}

}  // namespace
