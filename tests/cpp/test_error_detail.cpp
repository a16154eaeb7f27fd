// The detail of a failure (TVXerrordetail): what a refusal names, and how
// long it is kept: for its code only, until the thread's next call that
// returns a status, on that thread only.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

struct ErrorDetail : ModelTest {
  void SetUp() override {
    ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
    ASSERT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
              TVX_ERROR_OKAY);
  }
};

TEST_F(ErrorDetail, BelongsToItsCodeUntilTheNextCall) {
  ASSERT_EQ(TVXaddvar(model, 0, nullptr, nullptr, 0, 0, 1, 'C', "x"), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXaddvar(model, 0, nullptr, nullptr, 0, kNaN, 1, 'C', "y"), kInput);
  const std::string detail = "the lower bound of variable 1 cannot be nan";
  EXPECT_EQ(TVXerrordetail(kInput), detail);
  // Reading the code's text and asking again keep it.
  EXPECT_STRNE(TVXexplainerror(kInput), "");
  EXPECT_EQ(TVXerrordetail(kInput), detail);
  EXPECT_STREQ(TVXerrordetail(kArg), "");
  // Another thread has none of its own.
  std::string there = "unset";
  std::thread([&] { there = TVXerrordetail(kInput); }).join();
  EXPECT_EQ(there, "");
  // A later failure with the same code but nothing more to say leaves none.
  int numvars = 0;
  EXPECT_EQ(TVXgetintattr(model, "NumVars", &numvars), TVX_ERROR_OKAY);
  EXPECT_STREQ(TVXerrordetail(kInput), "");
  EXPECT_EQ(TVXsetintattr(model, "ModelSense", 5), kInput);
  EXPECT_EQ(TVXerrordetail(kInput), std::string("ModelSense of the model cannot be 5"));
  EXPECT_EQ(TVXsetstrattr(model, "ModelName", "\xff"), kInput);
  EXPECT_STREQ(TVXerrordetail(kInput), "");
}

// A coefficient HiGHS cannot take is refused when the model is solved,
// naming the entry and HiGHS's limit.
TEST_F(ErrorDetail, NamesTheEntryHighsRefuses) {
  ASSERT_EQ(TVXaddvar(model, 0, nullptr, nullptr, 1, 0, 1, 'C', "x"), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddvar(model, 0, nullptr, nullptr, 1, 0, 1, 'C', "y"), TVX_ERROR_OKAY);
  const int ind[] = {0, 1};
  const double val[] = {1, -3e17};
  ASSERT_EQ(TVXaddrangeconstr(model, 2, ind, val, -kTvxInfinity, 1, "c"), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXoptimize(model), kInput);
  EXPECT_EQ(TVXerrordetail(kInput),
            std::string("the coefficient -3e+17 of variable 1 in row 0 is beyond HiGHS's limit "
                        "of 1e+15"));
}

}  // namespace
