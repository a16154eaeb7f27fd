// The dispatcher's refusals: which problem classes an engine is found for,
// with and without a callback, and which are refused with no solution.
#include <gtest/gtest.h>

#include <functional>

#include "solve/engine.h"
#include "solve_fixture.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

struct ClassCase {
  const char *name;
  std::function<void(Builder &)> build;
  bool callback;
  int code;
};

class ProblemClass : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ProblemClass, PicksAnEngineOrRefuses) {
  const ClassCase &c = GetParam();
  const Builder b = class_model(c.build);
  const tvx::SolveOutcome out = solve(b.store, {}, c.callback);
  EXPECT_EQ(out.code, c.code);
  if (c.code == TVX_ERROR_OKAY) {
    EXPECT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  } else {
    EXPECT_EQ(out.results.status, TVX_STATUS_UNKNOWN);
    expect_no_solution(out.results);
  }
}

constexpr int kRefused = TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE;

const ClassCase kClassCases[] = {
    {"Lp", [](Builder &) {}, false, TVX_ERROR_OKAY},
    // Every callback event is a MIP event.
    {"LpWithCallback", [](Builder &) {}, true, TVX_ERROR_OKAY},
    {"SingularConvexQp",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(0, 1, 2);
       b.quad(1, 1, 1);
     },
     false, TVX_ERROR_OKAY},
    {"QuadraticTermsThatCancelLeaveAMip",
     [](Builder &b) {
       b.store.set_var_type(0, 'I');
       b.quad(0, 1, 1);
       b.quad(1, 0, -1);
     },
     false, TVX_ERROR_OKAY},
    {"NonConvexDiagonal",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(1, 1, -1);
     },
     false, kRefused},
    {"NonConvexCrossTerm",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.quad(0, 1, 3);
       b.quad(1, 1, 1);
     },
     false, kRefused},
    {"ConvexObjectiveMaximised",
     [](Builder &b) {
       b.quad(0, 0, 1);
       b.store.set_sense(TVX_MAXIMIZE);
     },
     false, kRefused},
    {"IntegerWithQuadraticObjective",
     [](Builder &b) {
       b.store.set_var_type(1, 'I');
       b.quad(0, 0, 1);
     },
     false, kRefused},
    {"SemiContinuousWithQuadraticObjective",
     [](Builder &b) {
       b.store.set_var_type(1, 'S');
       b.quad(0, 0, 1);
     },
     false, kRefused},
    {"Sos",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, TVX_ERROR_OKAY},
    {"Indicator",
     [](Builder &b) {
       b.indicator(b.var(0, 1, 0, 'B'), 1, {{0, 1}}, '<', 1);
     },
     false, TVX_ERROR_OKAY},
    {"SosWithQuadraticObjective",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
       b.quad(0, 0, 1);
     },
     false, kRefused},
    // A MIP with a callback goes to CBC.
    {"MipWithCallback", [](Builder &b) { b.store.set_var_type(0, 'B'); }, true, TVX_ERROR_OKAY},
    {"SosWithCallback",
     [](Builder &b) {
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     true, TVX_ERROR_OKAY},
    {"QuadraticMipWithCallback",
     [](Builder &b) {
       b.store.set_var_type(0, 'I');
       b.quad(0, 0, 1);
     },
     true, kRefused},
    {"SemidefiniteVariable", [](Builder &b) { add_identity_psd_var(b); }, false, TVX_ERROR_OKAY},
    {"SemidefiniteWithCallback", [](Builder &b) { add_identity_psd_var(b); }, true, TVX_ERROR_OKAY},
    {"SemidefiniteWithInteger",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.store.set_var_type(0, 'I');
     },
     false, kRefused},
    {"SemidefiniteWithSemiContinuous",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.store.set_var_type(1, 'S');
     },
     false, kRefused},
    {"SemidefiniteWithSos",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.sos(TVX_SOS_TYPE1, {{0, 1}, {1, 2}});
     },
     false, kRefused},
    {"SemidefiniteWithIndicator",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.indicator(b.var(0, 1, 0, 'B'), 1, {{0, 1}}, '<', 1);
     },
     false, kRefused},
    {"SemidefiniteWithQuadraticObjective",
     [](Builder &b) {
       add_identity_psd_var(b);
       b.quad(0, 0, 1);
     },
     false, kRefused},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProblemClass, ::testing::ValuesIn(kClassCases), CaseName());

}  // namespace
