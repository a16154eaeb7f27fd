// Handles: creation, freeing, and refusal of null, stale, forged and
// wrong-kind handles by every function.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "tarvex.h"
#include "test_support.h"

namespace {

using test_support::CaseName;
using test_support::forged_handle;

constexpr int kInvalid = TVX_ERROR_INVALID_ARGUMENT;

TVXenv *load_env() {
  TVXenv *env = nullptr;
  EXPECT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  EXPECT_NE(env, nullptr);
  return env;
}

TVXmodel *new_model(TVXenv *env) {
  TVXmodel *model = nullptr;
  EXPECT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  EXPECT_NE(model, nullptr);
  return model;
}

// A caller's pointer to real memory of its own, full of garbage.
alignas(16) unsigned char g_garbage[256];

TEST(Env, LoadedAndEmptyEnvironmentsAreDistinctAndFreedOnce) {
  TVXenv *loaded = load_env();
  TVXenv *empty = nullptr;
  ASSERT_EQ(TVXemptyenv(&empty), TVX_ERROR_OKAY);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(loaded, empty);
  EXPECT_EQ(TVXfreeenv(loaded), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(empty), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(loaded), kInvalid);
  EXPECT_EQ(TVXfreeenv(empty), kInvalid);
}

TEST(Env, EmptyEnvironmentTakesModelsOnlyOnceStarted) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXemptyenv(&env), TVX_ERROR_OKAY);
  TVXmodel *model = forged_handle<TVXmodel>();
  EXPECT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            kInvalid);
  EXPECT_EQ(model, nullptr);
  ASSERT_EQ(TVXstartenv(env), TVX_ERROR_OKAY);
  model = new_model(env);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Env, StartingAStartedEnvironmentIsHarmless) {
  TVXenv *env = load_env();
  EXPECT_EQ(TVXstartenv(env), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXstartenv(env), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(new_model(env)), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Env, NullLogFileMeansNoLog) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Creation, RefusesMissingOutputsAndBadCounts) {
  EXPECT_EQ(TVXemptyenv(nullptr), kInvalid);
  EXPECT_EQ(TVXloadenv(nullptr, ""), kInvalid);
  TVXenv *env = load_env();
  EXPECT_EQ(TVXnewmodel(env, nullptr, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            kInvalid);
  TVXmodel *model = forged_handle<TVXmodel>();
  EXPECT_EQ(TVXnewmodel(env, &model, "m", -1, nullptr, nullptr, nullptr, nullptr, nullptr),
            kInvalid);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(TVXnewmodel(env, &model, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Model, OwnsItsEnvironment) {
  TVXenv *env = load_env();
  TVXmodel *model = new_model(env);
  TVXenv *own = TVXgetenv(model);
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, env);
  EXPECT_EQ(TVXgetenv(model), own);

  // Only the model frees its environment.
  EXPECT_EQ(TVXfreeenv(own), kInvalid);
  EXPECT_EQ(TVXgetenv(model), own);
  EXPECT_EQ(TVXstartenv(own), TVX_ERROR_OKAY);

  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXgetenv(model), nullptr);
  EXPECT_EQ(TVXstartenv(own), kInvalid);
  EXPECT_EQ(TVXfreeenv(own), kInvalid);
  EXPECT_EQ(TVXfreemodel(model), kInvalid);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Model, OutlivesTheEnvironmentItWasCreatedIn) {
  TVXenv *env = load_env();
  TVXmodel *model = new_model(env);
  ASSERT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);

  TVXenv *own = TVXgetenv(model);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(TVXstartenv(own), TVX_ERROR_OKAY);
  TVXmodel *copy = TVXcopymodel(model);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
}

TEST(Model, CopyIsIndependentOfItsSource) {
  TVXenv *env = load_env();
  TVXmodel *model = new_model(env);
  TVXmodel *copy = TVXcopymodel(model);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, model);
  ASSERT_NE(TVXgetenv(copy), nullptr);
  EXPECT_NE(TVXgetenv(copy), TVXgetenv(model));

  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXcopymodel(model), nullptr);
  TVXenv *copy_env = TVXgetenv(copy);
  EXPECT_NE(copy_env, nullptr);
  EXPECT_EQ(TVXstartenv(copy_env), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXstartenv(copy_env), kInvalid);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Handles, AreNeverReused) {
  std::set<const void *> issued;
  std::vector<TVXenv *> dead_envs;
  std::vector<TVXmodel *> dead_models;
  for (int round = 0; round < 300; ++round) {
    TVXenv *env = load_env();
    TVXmodel *model = new_model(env);
    TVXmodel *copy = TVXcopymodel(model);
    ASSERT_NE(copy, nullptr);
    for (const void *h :
         {static_cast<const void *>(env), static_cast<const void *>(model),
          static_cast<const void *>(copy), static_cast<const void *>(TVXgetenv(model)),
          static_cast<const void *>(TVXgetenv(copy))}) {
      EXPECT_TRUE(issued.insert(h).second) << "handle issued twice at round " << round;
    }
    dead_envs.push_back(TVXgetenv(model));
    ASSERT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
    ASSERT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
    dead_models.push_back(model);
    dead_envs.push_back(env);
    if (round % 2 == 0) {
      dead_envs.push_back(TVXgetenv(copy));
      ASSERT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
      dead_models.push_back(copy);
    }
  }
  for (TVXenv *env : dead_envs) EXPECT_EQ(TVXstartenv(env), kInvalid);
  for (TVXmodel *model : dead_models) EXPECT_EQ(TVXgetenv(model), nullptr);
}

TEST(Handles, AreUniqueAcrossThreads) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 200;
  std::vector<std::vector<const void *>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] {
      for (int i = 0; i < kRounds; ++i) {
        TVXenv *env = nullptr;
        TVXmodel *model = nullptr;
        if (TVXloadenv(&env, "") != TVX_ERROR_OKAY) return;
        if (TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr) !=
            TVX_ERROR_OKAY)
          return;
        seen[t].insert(seen[t].end(), {env, model, TVXgetenv(model)});
        TVXfreeenv(env);
        if (i % 2 == 0) TVXfreemodel(model);
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  std::set<const void *> all;
  std::size_t total = 0;
  for (const auto &handles : seen) {
    EXPECT_EQ(handles.size(), 3u * kRounds);
    total += handles.size();
    all.insert(handles.begin(), handles.end());
  }
  EXPECT_EQ(all.size(), total);
  // Frees the models still alive; the other handles are simply refused.
  for (const void *h : all) TVXfreemodel(static_cast<TVXmodel *>(const_cast<void *>(h)));
}

// ---- Every function checks its handle first ------------------------------

enum class Kind { Env, Model, Callback };

struct Call {
  const char *name;
  Kind kind;
  // Not built yet: a live handle must not be answered with success.
  bool unbuilt;
  int (*run)(void *handle);
};

TVXenv *E(void *h) { return static_cast<TVXenv *>(h); }
TVXmodel *M(void *h) { return static_cast<TVXmodel *>(h); }

// Pointer results count as success when non-NULL.
int status_of(const void *result) { return result ? TVX_ERROR_OKAY : kInvalid; }

// Out-parameters point to scratch space, so a function that wrongly writes
// through them on refusal cannot corrupt the test.
int gi[64];
double gd[64];
char gc[TVX_MAX_STRLEN * 2];
const char *gs[64];
TVXmodel *gm;

const Call kCalls[] = {
    {"TVXstartenv", Kind::Env, false, [](void *h) { return TVXstartenv(E(h)); }},
    {"TVXmsg", Kind::Env, false, [](void *h) { return TVXmsg(E(h), "hello"); }},
    {"TVXgetintparam", Kind::Env, false,
     [](void *h) { return TVXgetintparam(E(h), "NumThreads", gi); }},
    {"TVXgetdblparam", Kind::Env, false,
     [](void *h) { return TVXgetdblparam(E(h), "MaxTime", gd); }},
    {"TVXgetstrparam", Kind::Env, false,
     [](void *h) { return TVXgetstrparam(E(h), "LogFile", gc); }},
    {"TVXgetintparaminfo", Kind::Env, false,
     [](void *h) { return TVXgetintparaminfo(E(h), "NumThreads", gi, gi + 1, gi + 2, gi + 3); }},
    {"TVXgetdblparaminfo", Kind::Env, false,
     [](void *h) { return TVXgetdblparaminfo(E(h), "MaxTime", gd, gd + 1, gd + 2, gd + 3); }},
    {"TVXgetstrparaminfo", Kind::Env, false,
     [](void *h) { return TVXgetstrparaminfo(E(h), "LogFile", gc, gc + TVX_MAX_STRLEN); }},
    {"TVXsetintparam", Kind::Env, false,
     [](void *h) { return TVXsetintparam(E(h), "NumThreads", 1); }},
    {"TVXsetdblparam", Kind::Env, false,
     [](void *h) { return TVXsetdblparam(E(h), "MaxTime", 1); }},
    {"TVXsetstrparam", Kind::Env, false,
     [](void *h) { return TVXsetstrparam(E(h), "LogFile", "x"); }},
    {"TVXresetparams", Kind::Env, false, [](void *h) { return TVXresetparams(E(h)); }},
    {"TVXreadparams", Kind::Env, false, [](void *h) { return TVXreadparams(E(h), "none.prm"); }},
    {"TVXwriteparams", Kind::Env, false,
     [](void *h) { return TVXwriteparams(E(h), "/nonexistent/x.prm"); }},
    {"TVXnewmodel", Kind::Env, false,
     [](void *h) {
       const int rc = TVXnewmodel(E(h), &gm, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr);
       if (rc == TVX_ERROR_OKAY) TVXfreemodel(gm);
       return rc;
     }},
    {"TVXreadmodel", Kind::Env, false,
     [](void *h) {
       const int rc = TVXreadmodel(E(h), "none.mps", &gm);
       if (rc == TVX_ERROR_OKAY) TVXfreemodel(gm);
       return rc;
     }},
    {"TVXgetenv", Kind::Model, false, [](void *h) { return status_of(TVXgetenv(M(h))); }},
    {"TVXcopymodel", Kind::Model, false,
     [](void *h) {
       TVXmodel *copy = TVXcopymodel(M(h));
       if (copy) TVXfreemodel(copy);
       return status_of(copy);
     }},
    {"TVXread", Kind::Model, false, [](void *h) { return TVXread(M(h), "none.mst"); }},
    {"TVXwrite", Kind::Model, false, [](void *h) { return TVXwrite(M(h), "/nonexistent/x.mps"); }},
    {"TVXreset", Kind::Model, false, [](void *h) { return TVXreset(M(h), 0); }},
    {"TVXcleanupmilp", Kind::Model, false, [](void *h) { return TVXcleanupmilp(M(h), gi); }},
    {"TVXgetattrinfo", Kind::Model, false,
     [](void *h) { return TVXgetattrinfo(M(h), "NumVars", gi, gi + 1, gi + 2); }},
    {"TVXgetintattr", Kind::Model, false,
     [](void *h) { return TVXgetintattr(M(h), "NumVars", gi); }},
    {"TVXgetdblattr", Kind::Model, false,
     [](void *h) { return TVXgetdblattr(M(h), "ObjCon", gd); }},
    {"TVXgetstrattr", Kind::Model, false,
     [](void *h) { return TVXgetstrattr(M(h), "ModelName", gs); }},
    {"TVXsetintattr", Kind::Model, false,
     [](void *h) { return TVXsetintattr(M(h), "ModelSense", 1); }},
    {"TVXsetdblattr", Kind::Model, false, [](void *h) { return TVXsetdblattr(M(h), "ObjCon", 1); }},
    {"TVXsetstrattr", Kind::Model, false,
     [](void *h) { return TVXsetstrattr(M(h), "ModelName", "x"); }},
    {"TVXgetcharattrlist", Kind::Model, false,
     [](void *h) { return TVXgetcharattrlist(M(h), "VType", 0, nullptr, nullptr); }},
    {"TVXgetintattrlist", Kind::Model, false,
     [](void *h) { return TVXgetintattrlist(M(h), "ColBasis", 0, nullptr, nullptr); }},
    {"TVXgetdblattrlist", Kind::Model, false,
     [](void *h) { return TVXgetdblattrlist(M(h), "LB", 0, nullptr, nullptr); }},
    {"TVXgetstrattrlist", Kind::Model, false,
     [](void *h) { return TVXgetstrattrlist(M(h), "VarName", 0, nullptr, nullptr); }},
    {"TVXgetmatattrlist", Kind::Model, false,
     [](void *h) {
       return TVXgetmatattrlist(M(h), "PsdObj", 0, nullptr, gi, nullptr, nullptr, nullptr, nullptr,
                                nullptr);
     }},
    {"TVXsetcharattrlist", Kind::Model, false,
     [](void *h) { return TVXsetcharattrlist(M(h), "VType", 0, nullptr, nullptr); }},
    {"TVXsetintattrlist", Kind::Model, false,
     [](void *h) { return TVXsetintattrlist(M(h), "ColBasis", 0, nullptr, nullptr); }},
    {"TVXsetdblattrlist", Kind::Model, false,
     [](void *h) { return TVXsetdblattrlist(M(h), "LB", 0, nullptr, nullptr); }},
    {"TVXsetstrattrlist", Kind::Model, false,
     [](void *h) { return TVXsetstrattrlist(M(h), "VarName", 0, nullptr, nullptr); }},
    {"TVXsetmatattrlist", Kind::Model, false,
     [](void *h) {
       return TVXsetmatattrlist(M(h), "PsdObj", 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr,
                                nullptr);
     }},
    {"TVXaddvar", Kind::Model, false,
     [](void *h) { return TVXaddvar(M(h), 0, nullptr, nullptr, 1, 0, 1, 'C', "x"); }},
    {"TVXaddvars", Kind::Model, false,
     [](void *h) {
       return TVXaddvars(M(h), 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    {"TVXaddrangeconstr", Kind::Model, false,
     [](void *h) { return TVXaddrangeconstr(M(h), 0, nullptr, nullptr, 0, 1, "c"); }},
    {"TVXaddrangeconstrs", Kind::Model, false,
     [](void *h) {
       return TVXaddrangeconstrs(M(h), 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
    {"TVXaddsos", Kind::Model, false,
     [](void *h) { return TVXaddsos(M(h), 0, 0, nullptr, nullptr, nullptr, nullptr); }},
    {"TVXaddgenconstrIndicator", Kind::Model, false,
     [](void *h) {
       return TVXaddgenconstrIndicator(M(h), "g", 0, 1, 0, nullptr, nullptr, '<', 1);
     }},
    {"TVXaddqpterms", Kind::Model, false,
     [](void *h) { return TVXaddqpterms(M(h), 0, nullptr, nullptr, nullptr); }},
    {"TVXdelq", Kind::Model, false, [](void *h) { return TVXdelq(M(h)); }},
    {"TVXaddpsdvar", Kind::Model, false,
     [](void *h) { return TVXaddpsdvar(M(h), 2, 0, nullptr, nullptr, "p"); }},
    {"TVXaddrangepsdconstr", Kind::Model, false,
     [](void *h) {
       return TVXaddrangepsdconstr(M(h), 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, 0, 1, "pc");
     }},
    {"TVXgetconstrs", Kind::Model, false,
     [](void *h) { return TVXgetconstrs(M(h), gi, nullptr, nullptr, nullptr, 0, 0); }},
    {"TVXgetvars", Kind::Model, false,
     [](void *h) { return TVXgetvars(M(h), gi, nullptr, nullptr, nullptr, 0, 0); }},
    {"TVXgetcoeff", Kind::Model, false, [](void *h) { return TVXgetcoeff(M(h), 0, 0, gd); }},
    {"TVXchgcoeffs", Kind::Model, false,
     [](void *h) { return TVXchgcoeffs(M(h), 0, nullptr, nullptr, nullptr); }},
    {"TVXgetq", Kind::Model, false,
     [](void *h) { return TVXgetq(M(h), gi, nullptr, nullptr, nullptr); }},
    {"TVXgetsos", Kind::Model, false,
     [](void *h) { return TVXgetsos(M(h), gi, gi + 1, gi + 2, nullptr, nullptr, 0, 1); }},
    {"TVXgetgenconstrIndicator", Kind::Model, false,
     [](void *h) {
       return TVXgetgenconstrIndicator(M(h), 0, gi, gi + 1, gi + 2, nullptr, nullptr, gc, gd);
     }},
    {"TVXgetvarbyname", Kind::Model, false, [](void *h) { return TVXgetvarbyname(M(h), "x", gi); }},
    {"TVXgetconstrbyname", Kind::Model, false,
     [](void *h) { return TVXgetconstrbyname(M(h), "c", gi); }},
    {"TVXdelvars", Kind::Model, false, [](void *h) { return TVXdelvars(M(h), 0, nullptr); }},
    {"TVXdelconstrs", Kind::Model, false, [](void *h) { return TVXdelconstrs(M(h), 0, nullptr); }},
    {"TVXdelsos", Kind::Model, false, [](void *h) { return TVXdelsos(M(h), 0, nullptr); }},
    {"TVXdelgenconstrs", Kind::Model, false,
     [](void *h) { return TVXdelgenconstrs(M(h), 0, nullptr); }},
    {"TVXsetcallbackfunc", Kind::Model, false,
     [](void *h) { return TVXsetcallbackfunc(M(h), nullptr, nullptr); }},
    {"TVXoptimize", Kind::Model, false, [](void *h) { return TVXoptimize(M(h)); }},
    {"TVXcomputeIIS", Kind::Model, false, [](void *h) { return TVXcomputeIIS(M(h)); }},
    {"TVXcbget", Kind::Callback, false, [](void *h) { return TVXcbget(h, 4, 307, gi); }},
    {"TVXcbcut", Kind::Callback, false,
     [](void *h) { return TVXcbcut(h, 0, nullptr, nullptr, '<', 0); }},
    {"TVXcbcutp", Kind::Callback, false,
     [](void *h) { return TVXcbcutp(h, 0, nullptr, nullptr, '<', 0); }},
    {"TVXcbbranch", Kind::Callback, false, [](void *h) { return TVXcbbranch(h, 0, 1, 0.5); }},
    {"TVXcbbranchp", Kind::Callback, false, [](void *h) { return TVXcbbranchp(h, 0, 1, 0.5); }},
    {"TVXcbsolution", Kind::Callback, false, [](void *h) { return TVXcbsolution(h, gd, gd + 1); }},
    {"TVXcbsolutionp", Kind::Callback, false,
     [](void *h) { return TVXcbsolutionp(h, gd, gd + 1); }},
    // Given only refused handles, so nothing live is freed.
    {"TVXfreemodel", Kind::Model, false, [](void *h) { return TVXfreemodel(M(h)); }},
    {"TVXfreeenv", Kind::Env, false, [](void *h) { return TVXfreeenv(E(h)); }},
};

class EveryCall : public ::testing::TestWithParam<Call> {
 protected:
  void SetUp() override {
    env_ = load_env();
    model_ = new_model(env_);
    stale_env_ = load_env();
    // The freed model held variables: its store is gone with it.
    const char *names[] = {"x", "y"};
    ASSERT_EQ(TVXnewmodel(env_, &stale_model_, "stale", 2, nullptr, nullptr, nullptr, "CB", names),
              TVX_ERROR_OKAY);
    ASSERT_EQ(TVXfreeenv(stale_env_), TVX_ERROR_OKAY);
    stale_model_env_ = TVXgetenv(stale_model_);
    ASSERT_EQ(TVXfreemodel(stale_model_), TVX_ERROR_OKAY);
  }
  void TearDown() override {
    EXPECT_EQ(TVXfreemodel(model_), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXfreeenv(env_), TVX_ERROR_OKAY);
  }

  // Handles that must all be refused by a function taking `kind`.
  std::vector<void *> bad_handles(Kind kind) {
    std::vector<void *> bad = {
        nullptr,       forged_handle<void>(),           g_garbage, g_garbage + 1, g_garbage + 2,
        g_garbage + 3, forged_handle<void>(UINTPTR_MAX)};
    if (kind == Kind::Env) {
      bad.insert(bad.end(), {stale_env_, stale_model_env_, model_});
    } else if (kind == Kind::Model) {
      bad.insert(bad.end(), {stale_model_, env_, TVXgetenv(model_)});
    } else {
      bad.insert(bad.end(), {env_, model_, TVXgetenv(model_), stale_env_, stale_model_});
    }
    return bad;
  }

  TVXenv *env_ = nullptr;
  TVXmodel *model_ = nullptr;
  TVXenv *stale_env_ = nullptr;
  TVXenv *stale_model_env_ = nullptr;
  TVXmodel *stale_model_ = nullptr;
};

TEST_P(EveryCall, RefusesBadHandles) {
  const Call &call = GetParam();
  std::memset(g_garbage, 0xff, sizeof g_garbage);
  for (void *handle : bad_handles(call.kind)) {
    EXPECT_EQ(call.run(handle), kInvalid) << call.name << " accepted handle " << handle;
  }
  // A refused call leaves the live handles working.
  EXPECT_NE(TVXgetenv(model_), nullptr);
  EXPECT_EQ(TVXstartenv(env_), TVX_ERROR_OKAY);
}

INSTANTIATE_TEST_SUITE_P(Handles, EveryCall, ::testing::ValuesIn(kCalls), CaseName());

// A placeholder reached with a live handle must fail, so the caller never
// trusts outputs it did not fill. (Callback functions have no live handle
// outside a solve.) An entry leaves this test when its function is built.
TEST(Unbuilt, LiveHandleIsNotAnsweredWithSuccess) {
  TVXenv *env = load_env();
  TVXmodel *model = new_model(env);
  for (const Call &call : kCalls) {
    if (!call.unbuilt || call.kind == Kind::Callback) continue;
    const int rc = call.run(call.kind == Kind::Env ? static_cast<void *>(env) : model);
    EXPECT_NE(rc, TVX_ERROR_OKAY) << call.name;
    EXPECT_NE(rc, kInvalid) << call.name << " refused a live handle";
  }
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

}  // namespace
