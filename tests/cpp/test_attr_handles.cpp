// The exported attribute functions on live models.
#include <gtest/gtest.h>

#include <string>

#include "attr_fixture.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace attr_fixture;

// ---- The exported functions ---------------------------------------------------

class AttrModel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TVXloadenv(&env_, ""), TVX_ERROR_OKAY);
    const double obj[] = {1, 2, 3}, lb[] = {0, -1, -2}, ub[] = {10, 20, 30};
    const char *names[] = {"a", "b", "c"};
    ASSERT_EQ(TVXnewmodel(env_, &model_, "base", 3, obj, lb, ub, "CIB", names), TVX_ERROR_OKAY);
  }
  void TearDown() override {
    EXPECT_EQ(TVXfreemodel(model_), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXfreeenv(env_), TVX_ERROR_OKAY);
  }
  TVXenv *env_ = nullptr;
  TVXmodel *model_ = nullptr;
};

TEST_F(AttrModel, ReadsAndWritesThroughTheHandle) {
  int n = -1;
  ASSERT_EQ(TVXgetintattr(model_, "NumVars", &n), TVX_ERROR_OKAY);
  EXPECT_EQ(n, 3);
  const int ind[] = {2, 0};
  double ub[2];
  ASSERT_EQ(TVXgetdblattrlist(model_, "UB", 2, ind, ub), TVX_ERROR_OKAY);
  EXPECT_EQ(ub[0], 30);
  EXPECT_EQ(ub[1], 10);
  char types[2];
  ASSERT_EQ(TVXgetcharattrlist(model_, "VType", 2, ind, types), TVX_ERROR_OKAY);
  EXPECT_EQ(std::string(types, 2), "BC");

  const char *names[] = {"cc", "aa"};
  ASSERT_EQ(TVXsetstrattrlist(model_, "VarName", 2, ind, names), TVX_ERROR_OKAY);
  const char *got[2] = {nullptr, nullptr};
  ASSERT_EQ(TVXgetstrattrlist(model_, "VarName", 2, ind, got), TVX_ERROR_OKAY);
  EXPECT_STREQ(got[0], "cc");
  EXPECT_STREQ(got[1], "aa");
  ASSERT_EQ(TVXsetstrattr(model_, "ModelName", "renamed"), TVX_ERROR_OKAY);
  const char *text = nullptr;
  ASSERT_EQ(TVXgetstrattr(model_, "ModelName", &text), TVX_ERROR_OKAY);
  EXPECT_STREQ(text, "renamed");

  ASSERT_EQ(TVXsetintattr(model_, "ModelSense", TVX_MAXIMIZE), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetdblattr(model_, "ObjCon", 2.5), TVX_ERROR_OKAY);
  const double lb[] = {-4};
  ASSERT_EQ(TVXsetdblattrlist(model_, "LB", 1, ind, lb), TVX_ERROR_OKAY);
  const char b[] = {'C'};
  ASSERT_EQ(TVXsetcharattrlist(model_, "VType", 1, ind, b), TVX_ERROR_OKAY);
  double d = 0;
  ASSERT_EQ(TVXgetdblattr(model_, "ObjConst", &d), TVX_ERROR_OKAY);
  EXPECT_EQ(d, 2.5);
  ASSERT_EQ(TVXgetintattr(model_, "MinSense", &n), TVX_ERROR_OKAY);
  EXPECT_EQ(n, 0);
  ASSERT_EQ(TVXgetdblattrlist(model_, "LB", 1, ind, &d), TVX_ERROR_OKAY);
  EXPECT_EQ(d, -4);
  ASSERT_EQ(TVXgetintattrlist(model_, "IsInteger", 1, ind, &n), TVX_ERROR_OKAY);
  EXPECT_EQ(n, 0);

  // No model here has PSD variables or integer attributes to write.
  int nnz = -1;
  EXPECT_EQ(TVXgetmatattrlist(model_, "PsdObj", 0, nullptr, &nnz, nullptr, nullptr, nullptr,
                              nullptr, nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(nnz, 0);
  EXPECT_EQ(
      TVXsetmatattrlist(model_, "PsdObj", 1, ind, 0, nullptr, nullptr, nullptr, nullptr, nullptr),
      kArg);
  EXPECT_EQ(TVXsetintattrlist(model_, "ColBasis", 1, ind, &n), TVX_ERROR_MODEL_INVALID_INT_ATTR);
}

TEST_F(AttrModel, NewModelHasNoSolution) {
  double d = -1;
  EXPECT_EQ(TVXgetdblattr(model_, "ObjVal", &d), TVX_ERROR_NO_SOLN);
  const int ind[] = {0};
  EXPECT_EQ(TVXgetdblattrlist(model_, "X", 1, ind, &d), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(d, -1);
  int status = -1;
  ASSERT_EQ(TVXgetintattr(model_, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_UNKNOWN);
}

TEST_F(AttrModel, CopyHasTheSameAttributesAndItsOwn) {
  const int ind[] = {1};
  const char *name[] = {"bee"};
  ASSERT_EQ(TVXsetstrattrlist(model_, "VarName", 1, ind, name), TVX_ERROR_OKAY);
  const double start[] = {0.5};
  ASSERT_EQ(TVXsetdblattrlist(model_, "Start", 1, ind, start), TVX_ERROR_OKAY);
  TVXmodel *copy = TVXcopymodel(model_);
  ASSERT_NE(copy, nullptr);

  const char *text = nullptr;
  ASSERT_EQ(TVXgetstrattrlist(copy, "VarName", 1, ind, &text), TVX_ERROR_OKAY);
  EXPECT_STREQ(text, "bee");
  double d = 0;
  ASSERT_EQ(TVXgetdblattrlist(copy, "Start", 1, ind, &d), TVX_ERROR_OKAY);
  EXPECT_EQ(d, 0.5);

  const double ub[] = {-9};
  ASSERT_EQ(TVXsetdblattrlist(copy, "UB", 1, ind, ub), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetstrattr(copy, "ModelName", "copy"), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetdblattrlist(model_, "UB", 1, ind, &d), TVX_ERROR_OKAY);
  EXPECT_EQ(d, 20);
  ASSERT_EQ(TVXgetstrattr(model_, "ModelName", &text), TVX_ERROR_OKAY);
  EXPECT_STREQ(text, "base");
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXgetstrattr(copy, "ModelName", &text), kArg);
}

}  // namespace
