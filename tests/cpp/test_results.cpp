// Results: which changes keep them, the start basis, copies.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "store/store.h"
#include "store_fixture.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace store_fixture;

// ---- Results --------------------------------------------------------------

struct Change {
  const char *name;
  bool clears;  // whether it changes the problem, and so drops the results
  std::function<void(Store &)> run;
};

void PrintTo(const Change &c, std::ostream *os) { *os << c.name; }

const Change kChanges[] = {
    {"VarName", false, [](Store &s) { s.set_var_name(0, "w"); }},
    {"RowName", false, [](Store &s) { s.set_row_name(0, "w"); }},
    {"ModelName", false, [](Store &s) { s.set_name("w"); }},
    {"MipStart", false, [](Store &s) { s.set_var_start(0, 1); }},
    {"StartBasis", false,
     [](Store &s) {
       s.set_start_basis(tvx::Basis{{0, 0, 0, 0}, {0, 0, 0}});
     }},
    {"EmptyBatches", false,
     [](Store &s) {
       ASSERT_EQ(
           s.add_vars(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
           TVX_ERROR_OKAY);
       ASSERT_EQ(s.delete_rows(0, nullptr), TVX_ERROR_OKAY);
       ASSERT_EQ(s.add_qterms(0, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
     }},
    {"LowerBound", true, [](Store &s) { s.set_var_lb(1, 0.5); }},
    {"Type", true, [](Store &s) { s.set_var_type(0, 'I'); }},
    {"Rhs", true, [](Store &s) { s.set_row_rhs(2, 8); }},
    {"Sense", true, [](Store &s) { s.set_sense(TVX_MAXIMIZE); }},
    {"ObjCon", true, [](Store &s) { s.set_objcon(2); }},
    {"AddVar", true,
     [](Store &s) {
       ASSERT_EQ(
           s.add_vars(1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
           TVX_ERROR_OKAY);
     }},
    {"ClearQ", true, [](Store &s) { s.clear_qterms(); }},
    {"DeleteSos", true,
     [](Store &s) {
       const int first = 0;
       ASSERT_EQ(s.delete_sos(1, &first), TVX_ERROR_OKAY);
     }},
};

class Results : public ::testing::TestWithParam<Change> {};

TEST_P(Results, SurviveOnlyChangesOutsideTheProblem) {
  Store s;
  fill_sample(s);
  s.set_results(solved());
  const std::uint64_t revision = s.revision();
  GetParam().run(s);
  EXPECT_EQ(s.results().x.has_value(), !GetParam().clears);
  EXPECT_EQ(s.results().primal_obj.has_value(), !GetParam().clears);
  EXPECT_EQ(s.results().status, GetParam().clears ? TVX_STATUS_UNKNOWN : TVX_STATUS_OPTIMAL);
  EXPECT_EQ(s.revision() != revision, GetParam().clears);
}

INSTANTIATE_TEST_SUITE_P(Store, Results, ::testing::ValuesIn(kChanges), CaseName());

TEST(Store, StartBasisGoesWithAChangeOfShape) {
  Store s;
  fill_sample(s);
  s.set_start_basis(tvx::Basis{{0, 0, 0, 0}, {0, 0, 0}});
  s.set_var_ub(0, 3);
  EXPECT_TRUE(s.start_basis().has_value());
  const int first = 0;
  ASSERT_EQ(s.delete_rows(1, &first), TVX_ERROR_OKAY);
  EXPECT_FALSE(s.start_basis().has_value());
}

TEST(Store, CopyHoldsTheProblemWithoutResults) {
  Store s;
  fill_sample(s);
  s.set_var_start(1, 4);
  s.set_results(solved());
  const Store copy(s);
  EXPECT_EQ(dump(copy), dump(s));
  EXPECT_FALSE(copy.results().x.has_value());
  EXPECT_EQ(copy.results().status, TVX_STATUS_UNKNOWN);
  EXPECT_EQ(copy.vars().names.find("y"), 1);
}

}  // namespace
