// Attribute calls refused change nothing and write no output.
#include <gtest/gtest.h>

#include <string>

#include "attr_fixture.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace attr_fixture;

// ---- Refusals ---------------------------------------------------------------

struct Refusal {
  const char *what;
  int code;
  int (*run)(Store &);
};

const char kBadUtf8[] = "\xC3\x28";

const Refusal kRefusals[] = {
    {"UnknownName", TVX_ERROR_MODEL_INVALID_ATTR_NAME,
     [](Store &s) { return tvx::set_dbl_attr(s, "Objcon", 1); }},
    {"NullName", kArg, [](Store &s) { return tvx::set_dbl_attr(s, nullptr, 1); }},
    {"IntWriteOfDouble", TVX_ERROR_MODEL_INVALID_INT_ATTR,
     [](Store &s) { return tvx::set_int_attr(s, "ObjCon", 1); }},
    {"ModelWriteOfVarAttr", TVX_ERROR_MODEL_INVALID_REAL_ATTR,
     [](Store &s) { return tvx::set_dbl_attr(s, "UB", 1); }},
    {"ListWriteOfModelAttr", TVX_ERROR_MODEL_INVALID_REAL_ATTR,
     [](Store &s) {
       const double v[] = {1};
       return tvx::set_dbl_attrs(s, "ObjCon", 1, k0, v);
     }},
    {"StrWriteOfChar", TVX_ERROR_MODEL_INVALID_STR_ATTR,
     [](Store &s) {
       const char *v[] = {"C"};
       return tvx::set_str_attrs(s, "VType", 1, k0, v);
     }},
    {"ReadOnlyCount", TVX_ERROR_MODEL_INVALID_INT_ATTR,
     [](Store &s) { return tvx::set_int_attr(s, "NumVars", 5); }},
    {"ReadOnlyObjVal", TVX_ERROR_MODEL_INVALID_REAL_ATTR,
     [](Store &s) { return tvx::set_dbl_attr(s, "ObjVal", 5); }},
    {"ReadOnlySolution", TVX_ERROR_MODEL_INVALID_REAL_ATTR,
     [](Store &s) {
       const double v[] = {1};
       return tvx::set_dbl_attrs(s, "X", 1, k0, v);
     }},
    {"ReadOnlyElementInt", TVX_ERROR_MODEL_INVALID_INT_ATTR,
     [](Store &s) {
       const int v[] = {1};
       return tvx::set_int_attrs(s, "Dim", 1, k0, v);
     }},
    {"ReadOnlyMatrix", TVX_ERROR_MODEL_INVALID_MAT_ATTR,
     [](Store &s) {
       const int beg[] = {0}, side[] = {2}, pos[] = {0};
       const double val[] = {1};
       return tvx::set_mat_attrs(s, "PsdX", 1, k0, 1, beg, side, side, pos, val);
     }},
    {"VarIndexPastEnd", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const double v[] = {1, 2};
       return tvx::set_dbl_attrs(s, "UB", 2, k03, v);
     }},
    {"NegativeIndex", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const char *v[] = {"a"};
       return tvx::set_str_attrs(s, "VarName", 1, kNeg, v);
     }},
    {"RowIndexPastEnd", TVX_ERROR_MODEL_INVALID_ROW_IDX,
     [](Store &s) {
       const double v[] = {1};
       return tvx::set_dbl_attrs(s, "PsdCRHS", 1, k3, v);
     }},
    {"GenConstrIndexPastEnd", TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX,
     [](Store &s) {
       const char *v[] = {"a"};
       return tvx::set_str_attrs(s, "GenConstrName", 1, k1, v);
     }},
    {"PsdVarIndexPastEnd", TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX,
     [](Store &s) {
       const char *v[] = {"a"};
       return tvx::set_str_attrs(s, "PsdVarName", 1, k2, v);
     }},
    {"NegativeCount", kArg,
     [](Store &s) {
       const double v[] = {1};
       return tvx::set_dbl_attrs(s, "UB", -1, k0, v);
     }},
    {"NullValues", kArg, [](Store &s) { return tvx::set_dbl_attrs(s, "UB", 1, k0, nullptr); }},
    {"NullIndices", kArg,
     [](Store &s) {
       const double v[] = {1};
       return tvx::set_dbl_attrs(s, "UB", 1, nullptr, v);
     }},
    {"NaNBoundSecond", kInput,
     [](Store &s) {
       const double v[] = {3, kNaN};
       return tvx::set_dbl_attrs(s, "LB", 2, k02, v);
     }},
    {"InfiniteObjective", kInput,
     [](Store &s) {
       const double v[] = {1, kIeeeInf};
       return tvx::set_dbl_attrs(s, "Obj", 2, k02, v);
     }},
    {"NaNRowSide", kInput,
     [](Store &s) {
       const double v[] = {kNaN};
       return tvx::set_dbl_attrs(s, "RHS", 1, k0, v);
     }},
    {"NaNStart", kInput,
     [](Store &s) {
       const double v[] = {kNaN};
       return tvx::set_dbl_attrs(s, "Start", 1, k0, v);
     }},
    {"BadTypeSecond", kInput,
     [](Store &s) {
       const char v[] = {'I', 'X'};
       return tvx::set_char_attrs(s, "VType", 2, k02, v);
     }},
    {"BadVarNameSecond", TVX_ERROR_MODEL_INVALID_COL_NAME,
     [](Store &s) {
       const char *v[] = {"a", kBadUtf8};
       return tvx::set_str_attrs(s, "VarName", 2, k02, v);
     }},
    {"BadRowName", TVX_ERROR_MODEL_INVALID_ROW_NAME,
     [](Store &s) {
       const char *v[] = {kBadUtf8};
       return tvx::set_str_attrs(s, "PsdCName", 1, k1, v);
     }},
    {"BadModelName", kInput, [](Store &s) { return tvx::set_str_attr(s, "ModelName", kBadUtf8); }},
    {"SenseZero", kInput, [](Store &s) { return tvx::set_int_attr(s, "ModelSense", 0); }},
    {"NaNObjCon", kInput, [](Store &s) { return tvx::set_dbl_attr(s, "ObjCon", kNaN); }},
    {"PsdObjWrongSide", TVX_ERROR_MODEL_INVALID_REAL_ATTR_SYM_MAT,
     [](Store &s) {
       const int ind[] = {0, 1}, beg[] = {0, 1}, rows[] = {2, 2}, cols[] = {2, 2}, pos[] = {0, 0};
       const double val[] = {1, 1};
       return tvx::set_mat_attrs(s, "PsdObj", 2, ind, 2, beg, rows, cols, pos, val);
     }},
    {"PsdObjPositionOutside", TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX,
     [](Store &s) {
       const int beg[] = {0}, side[] = {2}, pos[] = {1, 4};
       const double val[] = {1, 1};
       return tvx::set_mat_attrs(s, "PsdObj", 1, k0, 2, beg, side, side, pos, val);
     }},
    {"PsdObjBadStarts", kInput,
     [](Store &s) {
       const int ind[] = {0, 1}, beg[] = {0, 3}, rows[] = {2, 3}, pos[] = {0, 1};
       const double val[] = {1, 1};
       return tvx::set_mat_attrs(s, "PsdObj", 2, ind, 2, beg, rows, rows, pos, val);
     }},
    {"PsdObjNaN", kInput,
     [](Store &s) {
       const int beg[] = {0}, side[] = {2}, pos[] = {0};
       const double val[] = {kNaN};
       return tvx::set_mat_attrs(s, "PsdObj", 1, k0, 1, beg, side, side, pos, val);
     }},
    {"PsdObjMissingEntries", kArg,
     [](Store &s) {
       const int beg[] = {0}, side[] = {2};
       return tvx::set_mat_attrs(s, "PsdObj", 1, k0, 1, beg, side, side, nullptr, nullptr);
     }},
};

class AttrRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(AttrRefused, ChangesNothing) {
  Store s;
  fill(s);
  s.set_results(solved());
  const std::string before = dump(s);
  const auto revision = s.revision();
  EXPECT_EQ(GetParam().run(s), GetParam().code);
  EXPECT_EQ(dump(s), before);
  EXPECT_EQ(s.revision(), revision);
  EXPECT_TRUE(s.results().x.has_value());
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrRefused, ::testing::ValuesIn(kRefusals),
                         NameBy<&Refusal::what>());

TEST(AttrRefusedRead, WritesNoOutput) {
  Store s;
  fill(s);
  int i = -7;
  double d = -7;
  const char *text = "untouched";
  EXPECT_EQ(tvx::get_int_attr(s, "ObjCon", &i), TVX_ERROR_MODEL_INVALID_INT_ATTR);
  EXPECT_EQ(tvx::get_dbl_attr(s, "LB", &d), TVX_ERROR_MODEL_INVALID_REAL_ATTR);
  EXPECT_EQ(tvx::get_str_attr(s, "VarName", &text), TVX_ERROR_MODEL_INVALID_STR_ATTR);
  EXPECT_EQ(tvx::get_int_attrs(s, "NumVars", 1, k0, &i), TVX_ERROR_MODEL_INVALID_INT_ATTR);
  EXPECT_EQ(tvx::get_int_attr(s, "NumVars", nullptr), kArg);
  double two[] = {-7, -7};
  EXPECT_EQ(tvx::get_dbl_attrs(s, "UB", 2, k03, two), TVX_ERROR_MODEL_INVALID_COL_IDX);
  EXPECT_EQ(tvx::get_dbl_attrs(s, "X", 2, k02, two), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(i, -7);
  EXPECT_EQ(d, -7);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(two[0], -7);
  EXPECT_EQ(two[1], -7);
}

}  // namespace
