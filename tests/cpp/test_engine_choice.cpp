// The choice of engine by problem class, callback and the engines built.
#include <gtest/gtest.h>

#include <functional>

#include "solve/dispatch.h"
#include "solve/engine.h"
#include "solve_fixture.h"
#include "store/params.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

const tvx::Engines kAll = tvx::built_engines();
const tvx::Engines kLinearOnly{&tvx::highs_engine(), nullptr, nullptr};
const tvx::Engines kNone{};
const tvx::Engine *const kHighs = &tvx::highs_engine();
const tvx::Engine *const kCbc = &tvx::cbc_engine();
const tvx::Engine *const kDsdp = &tvx::dsdp_engine();

struct ChoiceCase {
  const char *name;
  std::function<void(Builder &)> build;
  bool callback;
  const tvx::Engines &engines;
  const tvx::Engine *chosen;  // null: none
  bool refused;
};

class EngineChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(EngineChoice, FollowsTheProblemClass) {
  const ChoiceCase &c = GetParam();
  const Builder b = class_model(c.build);
  const tvx::ParamValues params;
  tvx::SolveContext context("");
  tvx::CallbackContext go(go_on, nullptr, nullptr, context);
  if (c.callback) context.callback = &go;
  const tvx::EngineChoice choice =
      tvx::choose_engine(tvx::make_problem(b.store, params, context), c.engines);
  EXPECT_EQ(choice.engine, c.chosen);
  EXPECT_EQ(!choice.refusal.empty(), c.refused) << choice.refusal;
}

const ChoiceCase kChoiceCases[] = {
    {"Lp", [](Builder &) {}, false, kAll, kHighs, false},
    {"LpWithCallback", [](Builder &) {}, true, kAll, kHighs, false},
    {"ConvexQp", [](Builder &b) { b.quad(0, 0, 1); }, false, kAll, kHighs, false},
    {"Mip", [](Builder &b) { b.store.set_var_type(0, 'I'); }, false, kAll, kHighs, false},
    {"MipWithCallback", [](Builder &b) { b.store.set_var_type(0, 'I'); }, true, kAll, kCbc, false},
    {"Sos",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kAll, kCbc, false},
    {"Indicator",
     [](Builder &b) {
       b.indicator(b.var(0, 1, 0, 'B'), 1, {{0, 1}}, '<', 1);
     },
     false, kAll, kCbc, false},
    // A semi-continuous range that excludes 0 and has no far side goes to CBC
    // where it is built (HiGHS would state that side with a finite bound).
    {"SemiContinuousWithoutUpperBound", [](Builder &b) { b.var(1, kTvxInfinity, 1, 'S'); }, false,
     kAll, kCbc, false},
    {"SemiContinuousWithoutUpperBoundLinearOnly",
     [](Builder &b) { b.var(1, kTvxInfinity, 1, 'S'); }, false, kLinearOnly, kHighs, false},
    {"SemiContinuousBounded", [](Builder &b) { b.var(1, 5, 1, 'S'); }, false, kAll, kHighs, false},
    {"Semidefinite", [](Builder &b) { add_identity_psd_var(b); }, false, kAll, kDsdp, false},
    {"SemidefiniteWithCallback", [](Builder &b) { add_identity_psd_var(b); }, true, kAll, kDsdp,
     false},
    {"NonConvexQp",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(1, 1, -1);
     },
     false, kAll, nullptr, true},
    {"QuadraticMip",
     [](Builder &b) {
       b.store.set_var_type(0, 'I');
       b.quad(0, 0, 1);
     },
     false, kAll, nullptr, true},
    {"SemidefiniteWithInteger",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.store.set_var_type(0, 'I');
     },
     false, kAll, nullptr, true},
    {"SosWithoutCbc",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kLinearOnly, nullptr, true},
    {"MipWithCallbackWithoutCbc", [](Builder &b) { b.store.set_var_type(0, 'I'); }, true,
     kLinearOnly, nullptr, true},
    {"SemidefiniteWithoutDsdp", [](Builder &b) { add_identity_psd_var(b); }, false, kLinearOnly,
     nullptr, true},
    // Refused by the run only if it needs an engine (a model without
    // variables does not).
    {"LpWithoutEngines", [](Builder &) {}, false, kNone, nullptr, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, EngineChoice, ::testing::ValuesIn(kChoiceCases), CaseName());

}  // namespace
