// Linear rows through TVXaddrangeconstr and TVXaddrangeconstrs, and the
// quadratic objective terms through TVXaddqpterms, TVXdelq and TVXgetq:
// values are stored as given, null side arrays mean open sides, every
// refused call changes nothing, and a solve sees what was added.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

constexpr int kColIdx = TVX_ERROR_MODEL_INVALID_COL_IDX;

struct Rows : ModelTest {
  void SetUp() override {
    ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
    const char *names[] = {"x", "y", "z"};
    ASSERT_EQ(TVXnewmodel(env, &model, "m", 3, nullptr, nullptr, nullptr, nullptr, names),
              TVX_ERROR_OKAY);
  }
  std::vector<double> row_attr(const char *attr) {
    const int n = num("NumConstrs");
    std::vector<int> ind(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) ind[static_cast<std::size_t>(i)] = i;
    std::vector<double> v(static_cast<std::size_t>(n));
    EXPECT_EQ(TVXgetdblattrlist(model, attr, n, ind.data(), v.data()), TVX_ERROR_OKAY);
    return v;
  }
  std::string row_name(int i) {
    const char *s = nullptr;
    EXPECT_EQ(TVXgetstrattrlist(model, "ConstrName", 1, &i, &s), TVX_ERROR_OKAY);
    return s ? s : "";
  }
  double solve(int sense) {
    EXPECT_EQ(TVXsetintattr(model, "ModelSense", sense), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXoptimize(model), TVX_ERROR_OKAY);
    double v = kNaN;
    EXPECT_EQ(TVXgetdblattr(model, "ObjVal", &v), TVX_ERROR_OKAY);
    return v;
  }
};

TEST_F(Rows, SingleRowsKeepTheirSidesAndNames) {
  const int ind[] = {2, 0};
  const double val[] = {1.5, -2};
  ASSERT_EQ(TVXaddrangeconstr(model, 2, ind, val, -kIeeeInf, 1e30, "c0"), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddrangeconstr(model, 0, nullptr, nullptr, 3, 3, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumConstrs"), 2);
  EXPECT_EQ(num("NumNZs"), 2);
  EXPECT_EQ(row_attr("LHS"), (std::vector<double>{-kIeeeInf, 3}));
  EXPECT_EQ(row_attr("RHS"), (std::vector<double>{1e30, 3}));
  EXPECT_EQ(row_name(0), "c0");
  EXPECT_EQ(row_name(1), "");
}

TEST_F(Rows, BatchNumbersRowsInOrderAndNullSidesAreOpen) {
  const int beg[] = {0, 1, 1};
  const int ind[] = {1, 0, 2};
  const double val[] = {1, 2, 3};
  const double lower[] = {1, 2, 3};
  const char *names[] = {"a", "b", "c"};
  ASSERT_EQ(TVXaddrangeconstrs(model, 3, 3, beg, ind, val, lower, nullptr, names), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddrangeconstrs(model, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddrangeconstrs(model, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumConstrs"), 5);
  EXPECT_EQ(num("NumNZs"), 3);
  EXPECT_EQ(row_attr("LHS"), (std::vector<double>{1, 2, 3, -1e20, -1e20}));
  EXPECT_EQ(row_attr("RHS"), (std::vector<double>{1e20, 1e20, 1e20, 1e20, 1e20}));
  EXPECT_EQ(row_name(2), "c");
  EXPECT_EQ(row_name(4), "");
}

struct Refusal {
  const char *what;
  int status;
  std::function<int(TVXmodel *)> call;
};

class RowRefusals : public Rows, public ::testing::WithParamInterface<Refusal> {};

const int kBad[] = {0, 3};
const int kRepeat[] = {1, 1};
const int kNeg[] = {-1};
const double kVals[] = {1, 1};
const double kNaNVal[] = {1, kNaN};
const int kBegDown[] = {1, 0};
const int kBegPast[] = {0, 5};

INSTANTIATE_TEST_SUITE_P(
    All, RowRefusals,
    ::testing::Values(
        Refusal{"column past the end", kColIdx,
                [](TVXmodel *m) { return TVXaddrangeconstr(m, 2, kBad, kVals, 0, 1, "r"); }},
        Refusal{"negative column", kColIdx,
                [](TVXmodel *m) { return TVXaddrangeconstr(m, 1, kNeg, kVals, 0, 1, "r"); }},
        Refusal{"repeated column", kInput,
                [](TVXmodel *m) { return TVXaddrangeconstr(m, 2, kRepeat, kVals, 0, 1, "r"); }},
        Refusal{"NaN coefficient", kInput,
                [](TVXmodel *m) { return TVXaddrangeconstr(m, 2, kBegDown, kNaNVal, 0, 1, "r"); }},
        Refusal{
            "NaN side", kInput,
            [](TVXmodel *m) { return TVXaddrangeconstr(m, 0, nullptr, nullptr, kNaN, 1, "r"); }},
        Refusal{"terms without arrays", kArg,
                [](TVXmodel *m) { return TVXaddrangeconstr(m, 2, nullptr, nullptr, 0, 1, "r"); }},
        Refusal{"negative count", kArg,
                [](TVXmodel *m) { return TVXaddrangeconstr(m, -1, kBad, kVals, 0, 1, "r"); }},
        Refusal{
            "bad UTF-8 name", TVX_ERROR_MODEL_INVALID_ROW_NAME,
            [](TVXmodel *m) { return TVXaddrangeconstr(m, 0, nullptr, nullptr, 0, 1, "\xff"); }},
        Refusal{"second row of a batch bad", kColIdx,
                [](TVXmodel *m) {
                  const int beg[] = {0, 1};
                  return TVXaddrangeconstrs(m, 2, 2, beg, kBad, kVals, nullptr, nullptr, nullptr);
                }},
        Refusal{"row starts descending", kInput,
                [](TVXmodel *m) {
                  return TVXaddrangeconstrs(m, 2, 2, kBegDown, kRepeat, kVals, nullptr, nullptr,
                                            nullptr);
                }},
        Refusal{"row start past the terms", kInput,
                [](TVXmodel *m) {
                  return TVXaddrangeconstrs(m, 2, 2, kBegPast, kRepeat, kVals, nullptr, nullptr,
                                            nullptr);
                }},
        Refusal{"negative row count", kArg,
                [](TVXmodel *m) {
                  return TVXaddrangeconstrs(m, -1, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr);
                }},
        Refusal{"NaN in a side array", kInput,
                [](TVXmodel *m) {
                  const int beg[] = {0, 0};
                  const double lower[] = {0, kNaN};
                  return TVXaddrangeconstrs(m, 2, 0, beg, nullptr, nullptr, lower, nullptr,
                                            nullptr);
                }}),
    NameBy<&Refusal::what>());

TEST_P(RowRefusals, ChangeNothing) {
  const int ind[] = {0};
  const double val[] = {1};
  ASSERT_EQ(TVXaddrangeconstr(model, 1, ind, val, 0, 1, "keep"), TVX_ERROR_OKAY);
  EXPECT_EQ(GetParam().call(model), GetParam().status);
  EXPECT_EQ(num("NumConstrs"), 1);
  EXPECT_EQ(num("NumNZs"), 1);
}

TEST_F(Rows, QuadraticTermsAreKeptAsGivenAndCleared) {
  const int r[] = {1, 0, 1};
  const int c[] = {0, 0, 0};
  const double v[] = {3, 1, -0.5};
  ASSERT_EQ(TVXaddqpterms(model, 3, r, c, v), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddqpterms(model, 0, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  int n = -1;
  ASSERT_EQ(TVXgetq(model, &n, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  ASSERT_EQ(n, 3);
  std::vector<int> gr(3), gc(3);
  std::vector<double> gv(3);
  ASSERT_EQ(TVXgetq(model, &n, gr.data(), gc.data(), gv.data()), TVX_ERROR_OKAY);
  EXPECT_EQ(gr, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(gc, (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(gv, (std::vector<double>{3, 1, -0.5}));
  // Room for fewer terms than stored: refused, nothing written past it.
  int small = 2;
  EXPECT_EQ(TVXgetq(model, &small, gr.data(), gc.data(), gv.data()), kArg);
  EXPECT_EQ(TVXgetq(model, nullptr, nullptr, nullptr, nullptr), kArg);
  EXPECT_EQ(TVXgetq(model, &n, gr.data(), nullptr, gv.data()), kArg);

  ASSERT_EQ(TVXdelq(model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXdelq(model), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXgetq(model, &n, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(n, 0);
}

TEST_F(Rows, RefusedQuadraticTermsChangeNothing) {
  const int r[] = {0, 3};
  const int c[] = {0, 0};
  const int ok[] = {0, 1};
  const int neg[] = {0, -1};
  const double v[] = {1, 1};
  const double nan[] = {1, kNaN};
  const double inf[] = {kIeeeInf, 1};
  ASSERT_EQ(TVXaddqpterms(model, 1, ok, ok, v), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXaddqpterms(model, 2, r, c, v), kColIdx);
  EXPECT_EQ(TVXaddqpterms(model, 2, ok, neg, v), kColIdx);
  EXPECT_EQ(TVXaddqpterms(model, 2, ok, c, nan), kInput);
  EXPECT_EQ(TVXaddqpterms(model, 2, ok, c, inf), kInput);
  EXPECT_EQ(TVXaddqpterms(model, 1, nullptr, c, v), kArg);
  EXPECT_EQ(TVXaddqpterms(model, -1, ok, c, v), kArg);
  int n = -1;
  ASSERT_EQ(TVXgetq(model, &n, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(n, 1);
}

TEST_F(Rows, StaleModelIsRefused) {
  TVXmodel *gone = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &gone, "g", 1, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  ASSERT_EQ(TVXfreemodel(gone), TVX_ERROR_OKAY);
  int n = 0;
  EXPECT_EQ(TVXaddrangeconstr(gone, 0, nullptr, nullptr, 0, 1, "r"), kArg);
  EXPECT_EQ(TVXaddqpterms(gone, 0, nullptr, nullptr, nullptr), kArg);
  EXPECT_EQ(TVXdelq(gone), kArg);
  EXPECT_EQ(TVXgetq(gone, &n, nullptr, nullptr, nullptr), kArg);
}

// max x + y s.t. x + 2y <= 4, 3x + y <= 6: x = 1.6, y = 1.2.
TEST_F(Rows, SolveSeesTheRows) {
  const int beg[] = {0, 2};
  const int ind[] = {1, 0, 0, 1};
  const double val[] = {2, 1, 3, 1};
  const double upper[] = {4, 6};
  ASSERT_EQ(TVXaddrangeconstrs(model, 2, 4, beg, ind, val, nullptr, upper, nullptr),
            TVX_ERROR_OKAY);
  const int vars[] = {0, 1};
  const double obj[] = {1, 1};
  ASSERT_EQ(TVXsetdblattrlist(model, "Obj", 2, vars, obj), TVX_ERROR_OKAY);
  EXPECT_NEAR(solve(TVX_MAXIMIZE), 2.8, 1e-7);
}

// min x^2 + y^2 - 2x - 4y s.t. x + y <= 2: x = 0.5, y = 1.5, value -4.5;
// after TVXdelq the same model is an LP whose minimum sits at x + y = 2.
TEST_F(Rows, SolveSeesTheQuadraticTerms) {
  const int ind[] = {0, 1};
  const double one[] = {1, 1};
  ASSERT_EQ(TVXaddrangeconstr(model, 2, ind, one, -kIeeeInf, 2, "cap"), TVX_ERROR_OKAY);
  const double obj[] = {-2, -4};
  ASSERT_EQ(TVXsetdblattrlist(model, "Obj", 2, ind, obj), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddqpterms(model, 2, ind, ind, one), TVX_ERROR_OKAY);
  EXPECT_NEAR(solve(TVX_MINIMIZE), -4.5, 1e-6);
  ASSERT_EQ(TVXdelq(model), TVX_ERROR_OKAY);
  EXPECT_NEAR(solve(TVX_MINIMIZE), -8, 1e-7);
}

}  // namespace
