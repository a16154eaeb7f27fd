// The attribute table: types, owners, writability, exact names.
#include <gtest/gtest.h>

#include <cstring>

#include "attr_fixture.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace attr_fixture;

// ---- The table --------------------------------------------------------------

struct InfoCase {
  const char *name;
  int type, kind;
  bool settable;
};

// Data types as the attribute list gives them; owners as the module asks.
const InfoCase kInfo[] = {
    {"MinSense", I, kModel, false},
    {"ModelSense", I, kModel, true},
    {"HasSolution", I, kModel, false},
    {"HasPrimalRay", I, kModel, false},
    {"HasDualRay", I, kModel, false},
    {"NumVars", I, kModel, false},
    {"NumConss", I, kModel, false},
    {"NumConstrs", I, kModel, false},
    {"NumSOS", I, kModel, false},
    {"NumGenConstrs", I, kModel, false},
    {"NumEnts", I, kModel, false},
    {"NumNZs", I, kModel, false},
    {"SPX/NumIters", I, kModel, false},
    {"IPM/NumIters", I, kModel, false},
    {"IsInteger", I, kVar, false},
    {"IISVar", I, kVar, false},
    {"IISConstr", I, kRow, false},
    {"IISCol", I, kVar, false},
    {"IISRow", I, kRow, false},
    {"ColBasis", I, kVar, false},
    {"RowBasis", I, kRow, false},
    {"GenConstrType", I, kGen, false},
    {"Status", I, kModel, false},
    {"Dim", I, kPsdVar, false},
    {"NumPsdVars", I, kModel, false},
    {"NumPsdConstrs", I, kModel, false},
    {"ObjConst", D, kModel, true},
    {"ObjCon", D, kModel, true},
    {"PrimalObjVal", D, kModel, false},
    {"ObjVal", D, kModel, false},
    {"DualObjVal", D, kModel, false},
    {"PresolverTime", D, kModel, false},
    {"SolverTime", D, kModel, false},
    {"SolutionTime", D, kModel, false},
    {"MIP/GapAbs", D, kModel, false},
    {"MIP/GapRel", D, kModel, false},
    {"LB", D, kVar, true},
    {"UB", D, kVar, true},
    {"Obj", D, kVar, true},
    {"LHS", D, kRow, true},
    {"RHS", D, kRow, true},
    {"PrimalSoln", D, kVar, false},
    {"X", D, kVar, false},
    {"Start", D, kVar, true},
    {"DualSoln", D, kRow, false},
    {"Activity", D, kRow, false},
    {"ReducedCost", D, kVar, false},
    {"RC", D, kVar, false},
    {"PsdCLHS", D, kPsdRow, true},
    {"PsdCRHS", D, kPsdRow, true},
    {"ProbName", S, kModel, true},
    {"ModelName", S, kModel, true},
    {"RowName", S, kRow, true},
    {"ConstrName", S, kRow, true},
    {"ColName", S, kVar, true},
    {"VarName", S, kVar, true},
    {"PsdVarName", S, kPsdVar, true},
    {"PsdCName", S, kPsdRow, true},
    {"GenConstrName", S, kGen, true},
    {"VType", C, kVar, true},
    {"PsdX", M, kPsdVar, false},
    {"PsdObj", M, kPsdVar, true},
};

TEST(AttrTable, EveryAttributeHasItsTypeOwnerAndWritability) {
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  for (const InfoCase &c : kInfo) {
    int type = -1, kind = -1, settable = -1;
    ASSERT_EQ(TVXgetattrinfo(model, c.name, &type, &kind, &settable), TVX_ERROR_OKAY) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(kind, c.kind) << c.name;
    EXPECT_EQ(settable != 0, c.settable) << c.name;
  }
  // And the library knows no other attribute.
  for (int k = 0; k < tvx::kNumAttrs; ++k) {
    const char *name = tvx::attr_def(k).name;
    bool listed = false;
    for (const InfoCase &c : kInfo) listed = listed || std::strcmp(c.name, name) == 0;
    EXPECT_TRUE(listed) << name;
  }
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(AttrTable, NamesAreExact) {
  int type = -1;
  for (const char *name :
       {"numvars", "NUMVARS", "mip_gapabs", "MIP_GapAbs", "x", "VarName ", "", "Slack"}) {
    EXPECT_EQ(tvx::attr_info(name, &type, nullptr, nullptr), TVX_ERROR_MODEL_INVALID_ATTR_NAME)
        << '"' << name << '"';
  }
  EXPECT_EQ(type, -1);
  EXPECT_EQ(tvx::attr_info(nullptr, &type, nullptr, nullptr), kArg);
}

}  // namespace
