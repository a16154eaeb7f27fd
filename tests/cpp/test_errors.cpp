// Status codes and their texts.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

#include "tarvex.h"

namespace {

struct Code {
  const char *name;
  int code;      // the header's constant
  int expected;  // the published value
};

#define CODE(name, value) \
  { #name, TVX_ERROR_##name, value }

const Code kCodes[] = {
    CODE(OKAY, 0),
    CODE(ERROR, -1),
    CODE(NOMEMORY, -2),
    CODE(INVALID_ARGUMENT, -3),
    CODE(HOME_ENV_NOT_FOUND, -11),
    CODE(DLL_ERROR, -12),
    CODE(IO_ERROR, -1000),
    CODE(FILE_READ_ERROR, -1001),
    CODE(FILE_WRITE_ERROR, -1002),
    CODE(DIRECTORY_ERROR, -1003),
    CODE(FORMAT_ERROR, -1100),
    CODE(VERSION_ERROR, -1101),
    CODE(REMOTE_INVALID_TOKEN, -1200),
    CODE(REMOTE_CONNECTION_ERROR, -1201),
    CODE(MODEL_INPUT_ERROR, -2000),
    CODE(MODEL_EMPTY, -2001),
    CODE(MODEL_INVALID_ROW_IDX, -2002),
    CODE(MODEL_INVALID_COL_IDX, -2003),
    CODE(MODEL_INVALID_ROW_NAME, -2004),
    CODE(MODEL_INVALID_COL_NAME, -2005),
    CODE(MODEL_INVALID_SYM_MAT_IDX, -2006),
    CODE(MODEL_INVALID_SYM_MAT_ROW_IDX, -2007),
    CODE(MODEL_INVALID_SYM_MAT_COL_IDX, -2008),
    CODE(MODEL_INVALID_STR_ATTR, -2010),
    CODE(MODEL_INVALID_INT_ATTR, -2011),
    CODE(MODEL_INVALID_REAL_ATTR, -2012),
    CODE(MODEL_INVALID_REAL_ATTR_SYM_MAT, -2013),
    CODE(MODEL_INVALID_CHAR_ATTR, -2014),
    CODE(MODEL_INVALID_MAT_ATTR, -2015),
    CODE(MODEL_INVALID_ATTR_NAME, -2019),
    CODE(MODEL_INVALID_SOS_TYPE, -2020),
    CODE(MODEL_INVALID_SOS_IDX, -2021),
    CODE(MODEL_INVALID_INDICATOR_COL_IDX, -2022),
    CODE(MODEL_INVALID_INDICATOR_ROW_IDX, -2023),
    CODE(MODEL_INVALID_INT_RELAX, -2024),
    CODE(DATA_NOT_AVAILABLE, -2025),
    CODE(NO_SOLN, -3000),
    CODE(NO_RAY, -3001),
    CODE(NO_STATISTICS, -3002),
    CODE(INVALID_BASIS_STATUS, -3003),
    CODE(IIS_NO_SOLN, -3004),
    CODE(IIS_FEASIBLE, -3005),
    CODE(PARAM_SET_ERROR, -4000),
    CODE(PARAM_GET_ERROR, -4001),
    CODE(CB_INVALID_WHERE, -5000),
    CODE(CB_INVALID_WHAT, -5001),
    CODE(CB_INVALID_SUBMISSION, -5002),
    CODE(ABORT_ITERATION_LIMIT, -9000),
    CODE(ABORT_TIME_LIMIT, -9001),
    CODE(ABORT_CTRL_C, -9002),
    CODE(ABORT_NODE_LIMIT, -9003),
    CODE(ABORT_STALLING_NODE_LIMIT, -9004),
    CODE(ABORT_SOLUTION_LIMIT, -9005),
    CODE(ABORT_INVALID_METHOD, -9011),
    CODE(ABORT_SOLVER_NOT_AVAILABLE, -9012),
    CODE(SIMPLEX_NUMERIC, -10000),
    CODE(INTERIOR_NUMERIC, -20000),
    CODE(IIS_NUMERIC, -30000),
};

#undef CODE

// Codes next to or between published ones, and the extremes.
const int kUnknownCodes[] = {1,     -4,    -10,   -13,   -999,   -1004,  -1099,   -1102,  -1202,
                             -2009, -2016, -2018, -2026, -2999,  -3006,  -4002,   -4999,  -5003,
                             -8999, -9006, -9010, -9013, -10001, -30001, INT_MIN, INT_MAX};

TEST(ErrorCodes, HeaderConstantsHavePublishedValues) {
  for (const Code &c : kCodes) EXPECT_EQ(c.code, c.expected) << c.name;
}

TEST(ErrorCodes, EveryCodeHasItsOwnText) {
  const std::string unknown = TVXexplainerror(kUnknownCodes[0]);
  std::set<std::string> seen;
  for (const Code &c : kCodes) {
    const char *text = TVXexplainerror(c.code);
    ASSERT_NE(text, nullptr) << c.name;
    EXPECT_GT(std::strlen(text), 0u) << c.name;
    EXPECT_NE(text, unknown) << c.name;
    EXPECT_TRUE(seen.insert(text).second) << c.name << " shares its text: " << text;
    EXPECT_STREQ(TVXexplainerror(c.code), text) << c.name << " text is not fixed";
  }
}

TEST(ErrorCodes, UnknownCodesShareOneFixedText) {
  const char *first = TVXexplainerror(kUnknownCodes[0]);
  ASSERT_NE(first, nullptr);
  EXPECT_GT(std::strlen(first), 0u);
  for (int code : kUnknownCodes) {
    const char *text = TVXexplainerror(code);
    ASSERT_NE(text, nullptr) << code;
    EXPECT_STREQ(text, first) << code;
  }
}

}  // namespace
