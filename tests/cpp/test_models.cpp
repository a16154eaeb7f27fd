// Models through the C interface: creation and freeing.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "store/store.h"
#include "store_fixture.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace store_fixture;

// ---- Models through the C interface --------------------------------------

struct NewModelCase {
  const char *name;
  int expected;
  const char *model_name;
  int numvars;
  const double *obj, *lb, *ub;
  const char *vtype;
  const char *const *varnames;
};

void PrintTo(const NewModelCase &c, std::ostream *os) { *os << c.name; }

const double kObj[] = {1, -2, 3}, kLb[] = {5, -kIeeeInf, 0}, kUb[] = {1, 1e30, kIeeeInf};
const double kNaNs[] = {0, kNaN, 0}, kInfs[] = {0, 0, kIeeeInf};
const char *const kNames[] = {"a", nullptr, "a"};
const char *const kBadNames[] = {"a", "\xFF", "c"};

const NewModelCase kNewModelCases[] = {
    {"Empty", TVX_ERROR_OKAY, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"NullName", TVX_ERROR_OKAY, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"Defaults", TVX_ERROR_OKAY, "m", 3, nullptr, nullptr, nullptr, nullptr, nullptr},
    // lb > ub is an infeasible model, for the solve to report.
    {"AllArrays", TVX_ERROR_OKAY, "m", 3, kObj, kLb, kUb, "CbI", kNames},
    {"NegativeCount", kArg, "m", -1, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"BadType", kInput, "m", 3, nullptr, nullptr, nullptr, "CZC", nullptr},
    {"NaNBound", kInput, "m", 3, nullptr, nullptr, kNaNs, nullptr, nullptr},
    {"InfiniteObjective", kInput, "m", 3, kInfs, nullptr, nullptr, nullptr, nullptr},
    {"BadVarName", TVX_ERROR_MODEL_INVALID_COL_NAME, "m", 3, nullptr, nullptr, nullptr, nullptr,
     kBadNames},
    {"BadModelName", kInput, "\xC3(", 0, nullptr, nullptr, nullptr, nullptr, nullptr},
};

class NewModel : public ::testing::TestWithParam<NewModelCase> {};

TEST_P(NewModel, CreatesOrRefuses) {
  const NewModelCase &c = GetParam();
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  TVXmodel *model = forged_handle<TVXmodel>();
  EXPECT_EQ(TVXnewmodel(env, &model, c.model_name, c.numvars, c.obj, c.lb, c.ub, c.vtype,
                        const_cast<const char **>(c.varnames)),
            c.expected);
  if (c.expected == TVX_ERROR_OKAY) {
    ASSERT_NE(model, nullptr);
    EXPECT_NE(TVXgetenv(model), nullptr);
    TVXmodel *copy = TVXcopymodel(model);
    EXPECT_NE(copy, nullptr);
    EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXgetenv(model), nullptr);
    EXPECT_EQ(TVXfreemodel(model), kArg);
  } else {
    EXPECT_EQ(model, nullptr);
  }
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

INSTANTIATE_TEST_SUITE_P(Models, NewModel, ::testing::ValuesIn(kNewModelCases), CaseName());

// Freeing a model while other threads copy it: each copy either fails with
// NULL or is a whole model of its own, and the freed handle stays refused.
TEST(Models, FreeWhileOtherThreadsCopy) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &model, "m", 1000, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  std::atomic<bool> go{false};
  std::vector<std::vector<TVXmodel *>> copies(4);
  std::vector<std::thread> threads;
  for (auto &mine : copies) {
    threads.emplace_back([&go, &mine, model] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < 200; ++i) {
        if (TVXmodel *copy = TVXcopymodel(model)) mine.push_back(copy);
      }
    });
  }
  go = true;
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(TVXcopymodel(model), nullptr);
  EXPECT_EQ(TVXgetenv(model), nullptr);
  for (const auto &mine : copies) {
    for (TVXmodel *copy : mine) {
      EXPECT_NE(TVXgetenv(copy), nullptr);
      EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
    }
  }
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

}  // namespace
