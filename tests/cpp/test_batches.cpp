// Batches the store refuses change nothing.
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

// ---- Refused batches change nothing --------------------------------------

struct BadBatch {
  const char *name;
  int expected;
  std::function<int(Store &)> run;
};

void PrintTo(const BadBatch &b, std::ostream *os) { *os << b.name; }

const int kZero[] = {0, 0, 0};
const double kOne[] = {1, 1, 1};
const char *const kNoNames[] = {nullptr, nullptr, nullptr};

int vars_with(Store &s, const double *obj, const double *lb, const char *vtype,
              const char *const *names) {
  return s.add_vars(2, 0, nullptr, nullptr, nullptr, obj, lb, nullptr, vtype, names);
}

int column(Store &s, int nnz, const int *ind, const double *val, const int *beg = kZero) {
  return s.add_vars(1, nnz, beg, ind, val, nullptr, nullptr, nullptr, nullptr, nullptr);
}

int row(Store &s, int nnz, const int *ind, const double *val, const double *lo = nullptr,
        const char *const *names = nullptr) {
  return s.add_rows(1, nnz, kZero, ind, val, lo, nullptr, names);
}

const BadBatch kBadBatches[] = {
    {"VarsNegativeCount", kArg,
     [](Store &s) {
       return s.add_vars(-1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
     }},
    {"VarsEntriesWithoutArrays", kArg, [](Store &s) { return column(s, 1, nullptr, nullptr); }},
    {"VarsFirstStartNotZero", kInput,
     [](Store &s) {
       const int beg[] = {1}, ind[] = {0, 1};
       return column(s, 2, ind, kOne, beg);
     }},
    {"VarsStartBeyondEntries", kInput,
     [](Store &s) {
       const int beg[] = {0, 2}, ind[] = {0};
       return s.add_vars(2, 1, beg, ind, kOne, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
    {"VarsRowOutOfRange", TVX_ERROR_MODEL_INVALID_ROW_IDX,
     [](Store &s) {
       const int ind[] = {0, 3};
       return column(s, 2, ind, kOne);
     }},
    {"VarsRowTwice", kInput,
     [](Store &s) {
       const int ind[] = {2, 0, 2};
       return column(s, 3, ind, kOne);
     }},
    {"VarsNaNCoefficient", kInput,
     [](Store &s) {
       const int ind[] = {0};
       const double val[] = {kNaN};
       return column(s, 1, ind, val);
     }},
    {"VarsInfiniteObjective", kInput,
     [](Store &s) {
       const double obj[] = {1, kIeeeInf};
       return vars_with(s, obj, nullptr, nullptr, nullptr);
     }},
    {"VarsNaNBound", kInput,
     [](Store &s) {
       const double lb[] = {0, kNaN};
       return vars_with(s, nullptr, lb, nullptr, nullptr);
     }},
    {"VarsBadTypeSecond", kInput,
     [](Store &s) { return vars_with(s, nullptr, nullptr, "CX", nullptr); }},
    {"VarsNulTypeByte", kInput,
     [](Store &s) { return vars_with(s, nullptr, nullptr, "\0C", nullptr); }},
    {"VarsOverlongName", TVX_ERROR_MODEL_INVALID_COL_NAME,
     [](Store &s) {
       const char *names[] = {"ok", "\xC0\xAF"};
       return vars_with(s, nullptr, nullptr, nullptr, names);
     }},
    {"RowsVarOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int ind[] = {4};
       return row(s, 1, ind, kOne);
     }},
    {"RowsNegativeVar", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int ind[] = {-1};
       return row(s, 1, ind, kOne);
     }},
    {"RowsVarTwiceUnsorted", kInput,
     [](Store &s) {
       const int ind[] = {2, 0, 2};
       return row(s, 3, ind, kOne);
     }},
    {"RowsNaNLower", kInput,
     [](Store &s) {
       const double lo[] = {kNaN};
       return row(s, 0, nullptr, nullptr, lo);
     }},
    {"RowsSurrogateName", TVX_ERROR_MODEL_INVALID_ROW_NAME,
     [](Store &s) {
       const char *names[] = {"\xED\xA0\x80"};
       return row(s, 0, nullptr, nullptr, nullptr, names);
     }},
    {"RowsEntriesWithoutRows", kInput,
     [](Store &s) {
       const int ind[] = {0};
       return s.add_rows(0, 1, kZero, ind, kOne, nullptr, nullptr, kNoNames);
     }},
    {"SosBadType", TVX_ERROR_MODEL_INVALID_SOS_TYPE,
     [](Store &s) {
       const int types[] = {1, 3}, beg[] = {0, 1}, ind[] = {0, 1};
       return s.add_sos(2, 2, types, beg, ind, kOne);
     }},
    {"SosMemberTwice", kInput,
     [](Store &s) {
       const int types[] = {2}, ind[] = {1, 1};
       return s.add_sos(1, 2, types, kZero, ind, kOne);
     }},
    {"SosMemberOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int types[] = {1}, ind[] = {4};
       return s.add_sos(1, 1, types, kZero, ind, kOne);
     }},
    {"SosInfiniteWeight", kInput,
     [](Store &s) {
       const int types[] = {1}, ind[] = {0};
       const double w[] = {-kIeeeInf};
       return s.add_sos(1, 1, types, kZero, ind, w);
     }},
    {"IndicatorBinvarOutOfRange", TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX,
     [](Store &s) { return s.add_indicator("g", 4, 1, 0, nullptr, nullptr, '<', 1); }},
    {"IndicatorBinvalTwo", kInput,
     [](Store &s) { return s.add_indicator("g", 1, 2, 0, nullptr, nullptr, '<', 1); }},
    {"IndicatorBadSense", kInput,
     [](Store &s) { return s.add_indicator("g", 1, 1, 0, nullptr, nullptr, 'L', 1); }},
    {"IndicatorVarOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int ind[] = {0, 9};
       return s.add_indicator("g", 1, 1, 2, ind, kOne, '<', 1);
     }},
    {"IndicatorTruncatedName", TVX_ERROR_MODEL_INVALID_ROW_NAME,
     [](Store &s) { return s.add_indicator("\xE2\x82", 1, 1, 0, nullptr, nullptr, '<', 1); }},
    {"QTermsSecondOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int qrow[] = {0, 1}, qcol[] = {0, 4};
       return s.add_qterms(2, qrow, qcol, kOne);
     }},
    {"QTermsNaN", kInput,
     [](Store &s) {
       const int q[] = {0};
       const double val[] = {kNaN};
       return s.add_qterms(1, q, q, val);
     }},
    {"PsdVarDimZero", kInput, [](Store &s) { return s.add_psd_var(0, 0, nullptr, nullptr, "Q"); }},
    {"PsdVarPositionsBeyondInt", kInput,
     [](Store &s) { return s.add_psd_var(46341, 0, nullptr, nullptr, "Q"); }},
    {"PsdVarPositionBeyond", TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX,
     [](Store &s) {
       const int pos[] = {3, 4};
       return s.add_psd_var(2, 2, pos, kOne, "Q");
     }},
    {"PsdRowUnknownPsdVar", TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX,
     [](Store &s) {
       const int vidx[] = {1};
       return s.add_psd_row(0, nullptr, nullptr, 1, vidx, kZero, 0, nullptr, nullptr, 0, 1, "q");
     }},
    {"PsdRowPositionBeyond", TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX,
     [](Store &s) {
       const int vidx[] = {0}, pos[] = {4};
       return s.add_psd_row(0, nullptr, nullptr, 1, vidx, kZero, 1, pos, kOne, 0, 1, "q");
     }},
    {"PsdRowNaNUpper", kInput,
     [](Store &s) {
       return s.add_psd_row(0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, kNaN,
                            "q");
     }},
    {"CoeffsSecondRowOutOfRange", TVX_ERROR_MODEL_INVALID_ROW_IDX,
     [](Store &s) {
       const int rows[] = {0, 3}, cols[] = {1, 1};
       return s.set_coeffs(2, rows, cols, kOne);
     }},
    {"CoeffsColOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int rows[] = {0}, cols[] = {4};
       return s.set_coeffs(1, rows, cols, kOne);
     }},
    {"CoeffsInfinite", kInput,
     [](Store &s) {
       const int rows[] = {0, 0}, cols[] = {1, 2};
       const double val[] = {2, kIeeeInf};
       return s.set_coeffs(2, rows, cols, val);
     }},
    {"PsdObjUnknownVar", TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX,
     [](Store &s) {
       const int which[] = {0, 1};
       return s.set_psd_obj(2, which, kZero, 0, nullptr, nullptr);
     }},
    {"PsdObjPositionBeyond", TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX,
     [](Store &s) {
       const int which[] = {0}, pos[] = {1, 9};
       return s.set_psd_obj(1, which, kZero, 2, pos, kOne);
     }},
    {"DeleteVarsOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int ind[] = {2, 4};
       return s.delete_vars(2, ind);
     }},
    {"DeleteVarsNegative", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int ind[] = {-1};
       return s.delete_vars(1, ind);
     }},
    {"DeleteIndicatorBinaryVariable", TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX,
     [](Store &s) {
       const int ind[] = {0, 1};
       return s.delete_vars(2, ind);
     }},
    {"DeleteVarsNullArray", kArg, [](Store &s) { return s.delete_vars(1, nullptr); }},
    {"DeleteRowsOutOfRange", TVX_ERROR_MODEL_INVALID_ROW_IDX,
     [](Store &s) {
       const int ind[] = {0, 3};
       return s.delete_rows(2, ind);
     }},
    {"DeleteSosOutOfRange", TVX_ERROR_MODEL_INVALID_SOS_IDX,
     [](Store &s) {
       const int ind[] = {1};
       return s.delete_sos(1, ind);
     }},
    {"DeleteGenConstrsOutOfRange", TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX,
     [](Store &s) {
       const int ind[] = {1};
       return s.delete_genconstrs(1, ind);
     }},
};

class Refused : public ::testing::TestWithParam<BadBatch> {};

TEST_P(Refused, ChangesNothing) {
  Store s;
  fill_sample(s);
  s.set_results(solved());
  const std::string before = dump(s);
  const std::uint64_t revision = s.revision();
  EXPECT_EQ(GetParam().run(s), GetParam().expected);
  EXPECT_EQ(dump(s), before);
  EXPECT_EQ(s.revision(), revision);
  EXPECT_EQ(s.results().status, TVX_STATUS_OPTIMAL);
  EXPECT_TRUE(s.results().x.has_value());
}

INSTANTIATE_TEST_SUITE_P(Store, Refused, ::testing::ValuesIn(kBadBatches), CaseName());

}  // namespace
