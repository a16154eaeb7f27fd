// TVXoptimize through the C interface: the results the attributes read, the
// model's own parameters, and models solved on several threads at once.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "solve_fixture.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

// Variables only, through the C interface: min sum c_j x_j over boxes, and
// integers with fractional bounds.
TVXmodel *box_model(TVXenv *env, int n, const double *obj, const double *lb, const double *ub,
                    const char *vtype) {
  TVXmodel *model = nullptr;
  EXPECT_EQ(TVXnewmodel(env, &model, "box", n, obj, lb, ub, vtype, nullptr), TVX_ERROR_OKAY);
  return model;
}

TEST(Optimize, StoresResultsThatTheAttributesRead) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  const double obj[] = {1, -2, 3};
  const double lb[] = {-1.5, -4, 0.5};
  const double ub[] = {4, 2.5, 7};
  TVXmodel *model = box_model(env, 3, obj, lb, ub, "CIC");
  int status = -1;
  ASSERT_EQ(TVXgetintattr(model, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_UNKNOWN);
  double value = 0;
  EXPECT_EQ(TVXgetdblattr(model, "ObjVal", &value), TVX_ERROR_NO_SOLN);

  ASSERT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetintattr(model, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_OPTIMAL);
  const int ind[] = {0, 1, 2};
  double x[3] = {0, 0, 0};
  ASSERT_EQ(TVXgetdblattrlist(model, "X", 3, ind, x), TVX_ERROR_OKAY);
  EXPECT_NEAR(x[0], -1.5, 1e-9);
  EXPECT_NEAR(x[1], 2, 1e-9);  // integer: 2.5 rounds down
  EXPECT_NEAR(x[2], 0.5, 1e-9);
  ASSERT_EQ(TVXgetdblattr(model, "ObjVal", &value), TVX_ERROR_OKAY);
  EXPECT_NEAR(value, -1.5 - 4 + 1.5, 1e-9);

  // A change of the problem withdraws the results.
  ASSERT_EQ(TVXsetdblattr(model, "ObjCon", 10), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXgetdblattr(model, "ObjVal", &value), TVX_ERROR_NO_SOLN);
  ASSERT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetdblattr(model, "ObjVal", &value), TVX_ERROR_OKAY);
  EXPECT_NEAR(value, 6, 1e-9);

  // An unbounded variable.
  const double down[] = {-1};
  const double free_lb[] = {-1e30};
  const double free_ub[] = {0};
  TVXmodel *unbounded = box_model(env, 1, down, free_lb, free_ub, nullptr);
  ASSERT_EQ(TVXsetintattr(unbounded, "ModelSense", TVX_MAXIMIZE), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXoptimize(unbounded), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetintattr(unbounded, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_UNBOUNDED);
  EXPECT_EQ(TVXgetdblattr(unbounded, "ObjVal", &value), TVX_ERROR_NO_SOLN);

  EXPECT_EQ(TVXfreemodel(unbounded), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Optimize, TakesTheModelsOwnParameters) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  const double obj[] = {1};
  const double lb[] = {0};
  const double ub[] = {1};
  TVXmodel *model = box_model(env, 1, obj, lb, ub, "I");
  TVXmodel *copy = TVXcopymodel(model);
  ASSERT_NE(copy, nullptr);
  // A cutoff below the optimum 0 leaves nothing to find, in this model only.
  ASSERT_EQ(TVXsetdblparam(TVXgetenv(model), "MIP/Cutoff", -0.5), TVX_ERROR_OKAY);
  int status = -1;
  ASSERT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetintattr(model, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_INFEASIBLE);
  ASSERT_EQ(TVXoptimize(copy), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetintattr(copy, "Status", &status), TVX_ERROR_OKAY);
  EXPECT_EQ(status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

// Separate models solved at once on several threads, each solve creating and
// freeing its own engine instance.
TEST(Optimize, SolvesModelsOnSeveralThreadsAtOnce) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  constexpr int kThreads = 4, kRounds = 15;
  std::vector<TVXmodel *> models;
  for (int t = 0; t < kThreads; ++t) {
    const double obj[] = {-1.0 - t, 1};
    const double lb[] = {0, -2};
    const double ub[] = {3.5 + t, 5};
    models.push_back(box_model(env, 2, obj, lb, ub, "IC"));
  }
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        double value = 0;
        if (TVXoptimize(models[t]) != TVX_ERROR_OKAY ||
            TVXgetdblattr(models[t], "ObjVal", &value) != TVX_ERROR_OKAY ||
            std::fabs(value - (-(1.0 + t) * (3 + t) - 2)) > 1e-9) {
          ++failures[t];
        }
      }
    });
  }
  for (std::thread &th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(TVXfreemodel(models[t]), TVX_ERROR_OKAY);
  }
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

}  // namespace
