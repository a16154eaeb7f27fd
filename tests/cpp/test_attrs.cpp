// Attributes: the table, reading every attribute, writing and reading back,
// refusals that change nothing, values that need a solve, matrices, and the
// exported functions on live models.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"

namespace {

using tvx::Store;
using Value = std::variant<int, double, std::string, char>;

constexpr int kOk = TVX_ERROR_OKAY;
constexpr int kArg = TVX_ERROR_INVALID_ARGUMENT;
constexpr int kInput = TVX_ERROR_MODEL_INPUT_ERROR;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

constexpr int C = TVX_ATTRTYPE_CHAR, I = TVX_ATTRTYPE_INT, D = TVX_ATTRTYPE_DBL,
              S = TVX_ATTRTYPE_STR, M = TVX_ATTRTYPE_MAT;
constexpr int kModel = TVX_ATTRKIND_MODEL, kVar = TVX_ATTRKIND_VAR, kRow = TVX_ATTRKIND_LINCONSTR,
              kGen = TVX_ATTRKIND_GENCONSTR, kPsdVar = TVX_ATTRKIND_PSDVAR,
              kPsdRow = TVX_ATTRKIND_PSDCONSTR;

std::string test_name(const char *attr) {
  std::string name = attr;
  for (char &c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

// Variables x, y, z; rows r0 (linear), p1 (PSD), r2 (linear); one SOS, one
// indicator g0 on y; PSD variables P0 (2 x 2) and P1 (3 x 3). Every value is
// distinct and non-zero where it can be, so a read of the wrong element or
// field shows.
void fill(Store &s) {
  const double obj[] = {2.5, -1, 0.5}, lb[] = {-1, 0, 2}, ub[] = {4, 1, 1e30};
  const char *names[] = {"x", "y", "z"};
  ASSERT_EQ(s.add_vars(3, 0, nullptr, nullptr, nullptr, obj, lb, ub, "CBI", names), kOk);
  const int p0pos[] = {0, 3};
  const double p0val[] = {1, 1};
  ASSERT_EQ(s.add_psd_var(2, 2, p0pos, p0val, "P0"), kOk);
  ASSERT_EQ(s.add_psd_var(3, 0, nullptr, nullptr, "P1"), kOk);
  const int beg[] = {0}, r0[] = {0, 1};
  const double v0[] = {1, 2}, lo0[] = {1}, up0[] = {5};
  const char *n0[] = {"r0"};
  ASSERT_EQ(s.add_rows(1, 2, beg, r0, v0, lo0, up0, n0), kOk);
  const int lind[] = {2}, vidx[] = {0}, rpos[] = {0, 3};
  const double lval[] = {3}, rval[] = {1, 1};
  ASSERT_EQ(s.add_psd_row(1, lind, lval, 1, vidx, beg, 2, rpos, rval, 2, 6, "p1"), kOk);
  const int r2[] = {0, 2};
  const double v2[] = {-1, 1}, lo2[] = {-1e20}, up2[] = {7};
  const char *n2[] = {"r2"};
  ASSERT_EQ(s.add_rows(1, 2, beg, r2, v2, lo2, up2, n2), kOk);
  const int types[] = {TVX_SOS_TYPE1}, members[] = {0, 2};
  const double weights[] = {1, 2};
  ASSERT_EQ(s.add_sos(1, 2, types, beg, members, weights), kOk);
  const int gind[] = {0};
  const double gval[] = {1};
  ASSERT_EQ(s.add_indicator("g0", 1, 1, 1, gind, gval, '<', 3), kOk);
  s.set_name("diet");
  s.set_sense(TVX_MAXIMIZE);
  s.set_objcon(4.5);
  s.set_var_start(0, 0.5);
}

tvx::Results solved() {
  tvx::Results r;
  r.status = TVX_STATUS_OPTIMAL;
  r.primal_obj = 7.5;
  r.dual_obj = 7.25;
  r.mip_gap_abs = 0.01;
  r.mip_gap_rel = 0.02;
  r.x = std::vector<double>{1.5, 1, 2};
  r.reduced_cost = std::vector<double>{0.25, -0.5, 0.75};
  r.dual = std::vector<double>{1.25, -2.5, 3.75};
  r.activity = std::vector<double>{3.5, 6, 0.5};
  r.psd_x = std::vector<std::vector<double>>{{1, 0.5, 0.5, 2}, {0, 0, 0, 0, 5, 0, 0, 0, 0}};
  r.dual_ray = std::vector<double>{1, 1, 1};
  r.basis = tvx::Basis{{1, 2, 3}, {0, 1, 2}};
  r.iis_col = std::vector<int>{1, 0, 1};
  r.iis_row = std::vector<int>{0, 1, 0};
  r.stats = tvx::SolveStats{11, 22, 0.125, 0.25, 0.5};
  return r;
}

// Everything an attribute write can change, values bit-exact.
std::string dump(const Store &s) {
  std::ostringstream out;
  out << std::hexfloat << s.name() << '|' << s.sense() << '|' << s.objcon() << '\n';
  const tvx::Vars &v = s.vars();
  for (int j = 0; j < s.num_vars(); ++j) {
    out << v.lb[j] << ' ' << v.ub[j] << ' ' << v.obj[j] << ' ' << v.start[j] << ' ' << v.type[j]
        << ' ' << v.names[j] << '\n';
  }
  for (int i = 0; i < s.num_rows(); ++i)
    out << s.rows().lhs[i] << ' ' << s.rows().rhs[i] << ' ' << s.rows().names[i] << '\n';
  for (int g = 0; g < s.num_genconstrs(); ++g) out << s.genconstrs().names[g] << '\n';
  const tvx::PsdVars &p = s.psd_vars();
  for (int k = 0; k < s.num_psd_vars(); ++k) {
    out << p.names[k];
    for (int e = 0; e < p.obj.length(k); ++e)
      out << ' ' << p.obj.index(k)[e] << ':' << p.obj.value(k)[e];
    out << '\n';
  }
  return out.str();
}

// Reads one attribute through the function of its data type: the model
// level when index is -1, else a list of that one element.
int read(const Store &s, const char *name, int index, Value &out) {
  int type = -1, kind = -1;
  int rc = tvx::attr_info(name, &type, &kind, nullptr);
  if (rc != kOk) return rc;
  const int one[] = {index};
  if (type == I) {
    int v = -77;
    rc = index < 0 ? tvx::get_int_attr(s, name, &v) : tvx::get_int_attrs(s, name, 1, one, &v);
    out = v;
  } else if (type == D) {
    double v = -77;
    rc = index < 0 ? tvx::get_dbl_attr(s, name, &v) : tvx::get_dbl_attrs(s, name, 1, one, &v);
    out = v;
  } else if (type == S) {
    const char *v = nullptr;
    rc = index < 0 ? tvx::get_str_attr(s, name, &v) : tvx::get_str_attrs(s, name, 1, one, &v);
    out = std::string(rc == kOk && v != nullptr ? v : "<null>");
  } else if (type == C) {
    char v = '?';
    rc = tvx::get_char_attrs(s, name, 1, one, &v);
    out = v;
  } else {
    int nnz = 0;
    rc = tvx::get_mat_attrs(s, name, 1, one, &nnz, nullptr, nullptr, nullptr, nullptr, nullptr);
    out = nnz;
  }
  return rc;
}

int write(Store &s, const char *name, int index, const Value &value) {
  const int one[] = {index};
  if (const int *v = std::get_if<int>(&value))
    return index < 0 ? tvx::set_int_attr(s, name, *v) : tvx::set_int_attrs(s, name, 1, one, v);
  if (const double *v = std::get_if<double>(&value))
    return index < 0 ? tvx::set_dbl_attr(s, name, *v) : tvx::set_dbl_attrs(s, name, 1, one, v);
  if (const std::string *v = std::get_if<std::string>(&value)) {
    const char *text = v->c_str();
    return index < 0 ? tvx::set_str_attr(s, name, text)
                     : tvx::set_str_attrs(s, name, 1, one, &text);
  }
  return tvx::set_char_attrs(s, name, 1, one, &std::get<char>(value));
}

// ---- The table --------------------------------------------------------------

struct InfoCase {
  const char *name;
  int type, kind;
  bool settable;
};

// Data types as the attribute list gives them; owners as the module asks.
const InfoCase kInfo[] = {
    {"MinSense", I, kModel, false},
    {"ModelSense", I, kModel, true},
    {"HasSolution", I, kModel, false},
    {"HasPrimalRay", I, kModel, false},
    {"HasDualRay", I, kModel, false},
    {"NumVars", I, kModel, false},
    {"NumConss", I, kModel, false},
    {"NumConstrs", I, kModel, false},
    {"NumSOS", I, kModel, false},
    {"NumGenConstrs", I, kModel, false},
    {"NumEnts", I, kModel, false},
    {"NumNZs", I, kModel, false},
    {"SPX/NumIters", I, kModel, false},
    {"IPM/NumIters", I, kModel, false},
    {"IsInteger", I, kVar, false},
    {"IISVar", I, kVar, false},
    {"IISConstr", I, kRow, false},
    {"IISCol", I, kVar, false},
    {"IISRow", I, kRow, false},
    {"ColBasis", I, kVar, false},
    {"RowBasis", I, kRow, false},
    {"GenConstrType", I, kGen, false},
    {"Status", I, kModel, false},
    {"Dim", I, kPsdVar, false},
    {"NumPsdVars", I, kModel, false},
    {"NumPsdConstrs", I, kModel, false},
    {"ObjConst", D, kModel, true},
    {"ObjCon", D, kModel, true},
    {"PrimalObjVal", D, kModel, false},
    {"ObjVal", D, kModel, false},
    {"DualObjVal", D, kModel, false},
    {"PresolverTime", D, kModel, false},
    {"SolverTime", D, kModel, false},
    {"SolutionTime", D, kModel, false},
    {"MIP/GapAbs", D, kModel, false},
    {"MIP/GapRel", D, kModel, false},
    {"LB", D, kVar, true},
    {"UB", D, kVar, true},
    {"Obj", D, kVar, true},
    {"LHS", D, kRow, true},
    {"RHS", D, kRow, true},
    {"PrimalSoln", D, kVar, false},
    {"X", D, kVar, false},
    {"Start", D, kVar, true},
    {"DualSoln", D, kRow, false},
    {"Activity", D, kRow, false},
    {"ReducedCost", D, kVar, false},
    {"RC", D, kVar, false},
    {"PsdCLHS", D, kPsdRow, true},
    {"PsdCRHS", D, kPsdRow, true},
    {"ProbName", S, kModel, true},
    {"ModelName", S, kModel, true},
    {"RowName", S, kRow, true},
    {"ConstrName", S, kRow, true},
    {"ColName", S, kVar, true},
    {"VarName", S, kVar, true},
    {"PsdVarName", S, kPsdVar, true},
    {"PsdCName", S, kPsdRow, true},
    {"GenConstrName", S, kGen, true},
    {"VType", C, kVar, true},
    {"PsdX", M, kPsdVar, false},
    {"PsdObj", M, kPsdVar, true},
};

TEST(AttrTable, EveryAttributeHasItsTypeOwnerAndWritability) {
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), kOk);
  ASSERT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr), kOk);
  for (const InfoCase &c : kInfo) {
    int type = -1, kind = -1, settable = -1;
    ASSERT_EQ(TVXgetattrinfo(model, c.name, &type, &kind, &settable), kOk) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(kind, c.kind) << c.name;
    EXPECT_EQ(settable != 0, c.settable) << c.name;
  }
  // And the library knows no other attribute.
  for (int k = 0; k < tvx::kNumAttrs; ++k) {
    const char *name = tvx::attr_def(k).name;
    bool listed = false;
    for (const InfoCase &c : kInfo) listed = listed || std::strcmp(c.name, name) == 0;
    EXPECT_TRUE(listed) << name;
  }
  EXPECT_EQ(TVXfreemodel(model), kOk);
  EXPECT_EQ(TVXfreeenv(env), kOk);
}

TEST(AttrTable, NamesAreExact) {
  int type = -1;
  for (const char *name :
       {"numvars", "NUMVARS", "mip_gapabs", "MIP_GapAbs", "x", "VarName ", "", "Slack"}) {
    EXPECT_EQ(tvx::attr_info(name, &type, nullptr, nullptr), TVX_ERROR_MODEL_INVALID_ATTR_NAME)
        << '"' << name << '"';
  }
  EXPECT_EQ(type, -1);
  EXPECT_EQ(tvx::attr_info(nullptr, &type, nullptr, nullptr), kArg);
}

// ---- Reading every attribute ------------------------------------------------

struct ReadCase {
  const char *name;
  int index;  // -1: a model attribute
  Value expected;
};

const ReadCase kReads[] = {
    {"MinSense", -1, 0},
    {"ModelSense", -1, -1},
    {"HasSolution", -1, 1},
    {"HasPrimalRay", -1, 0},
    {"HasDualRay", -1, 1},
    {"NumVars", -1, 3},
    {"NumConss", -1, 3},
    {"NumConstrs", -1, 3},
    {"NumSOS", -1, 1},
    {"NumGenConstrs", -1, 1},
    {"NumEnts", -1, 5},
    {"NumNZs", -1, 5},
    {"SPX/NumIters", -1, 11},
    {"IPM/NumIters", -1, 22},
    {"IsInteger", 0, 0},
    {"IsInteger", 1, 1},
    {"IsInteger", 2, 1},
    {"IISVar", 2, 1},
    {"IISCol", 1, 0},
    {"IISConstr", 1, 1},
    {"IISRow", 0, 0},
    {"ColBasis", 2, 3},
    {"RowBasis", 1, 1},
    {"GenConstrType", 0, TVX_GENCONSTR_INDICATOR},
    {"Status", -1, TVX_STATUS_OPTIMAL},
    {"Dim", 1, 3},
    {"NumPsdVars", -1, 2},
    {"NumPsdConstrs", -1, 1},
    {"ObjConst", -1, 4.5},
    {"ObjCon", -1, 4.5},
    {"PrimalObjVal", -1, 7.5},
    {"ObjVal", -1, 7.5},
    {"DualObjVal", -1, 7.25},
    {"PresolverTime", -1, 0.125},
    {"SolverTime", -1, 0.25},
    {"SolutionTime", -1, 0.5},
    {"MIP/GapAbs", -1, 0.01},
    {"MIP/GapRel", -1, 0.02},
    {"LB", 0, -1.0},
    {"UB", 2, 1e30},
    {"Obj", 1, -1.0},
    {"LHS", 2, -1e20},
    {"RHS", 0, 5.0},
    {"PrimalSoln", 0, 1.5},
    {"X", 2, 2.0},
    {"Start", 0, 0.5},
    {"Start", 1, TVX_UNDEFINED},
    {"DualSoln", 1, -2.5},
    {"Activity", 2, 0.5},
    {"ReducedCost", 1, -0.5},
    {"RC", 2, 0.75},
    {"PsdCLHS", 1, 2.0},
    {"PsdCRHS", 1, 6.0},
    {"PsdCLHS", 0, 1.0},  // a linear row read as PSD row: rows share one index space
    {"ProbName", -1, std::string("diet")},
    {"ModelName", -1, std::string("diet")},
    {"RowName", 0, std::string("r0")},
    {"ConstrName", 1, std::string("p1")},
    {"ColName", 1, std::string("y")},
    {"VarName", 2, std::string("z")},
    {"PsdVarName", 1, std::string("P1")},
    {"PsdCName", 1, std::string("p1")},
    {"GenConstrName", 0, std::string("g0")},
    {"VType", 1, 'B'},
    {"VType", 2, 'I'},
    {"PsdX", 0, 4},  // entry counts; the entries are checked below
    {"PsdObj", 0, 2},
};

class AttrRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(AttrRead, GivesTheStoredValue) {
  const ReadCase &c = GetParam();
  Store s;
  fill(s);
  s.set_results(solved());
  Value got;
  ASSERT_EQ(read(s, c.name, c.index, got), kOk);
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrRead, ::testing::ValuesIn(kReads),
                         [](const ::testing::TestParamInfo<ReadCase> &info) {
                           return test_name(info.param.name) + "_" + std::to_string(info.index);
                         });

TEST(AttrList, ReadsElementsInTheGivenOrderRepeatsIncluded) {
  Store s;
  fill(s);
  const int ind[] = {2, 0, 2};
  double ub[3];
  ASSERT_EQ(tvx::get_dbl_attrs(s, "UB", 3, ind, ub), kOk);
  EXPECT_EQ(std::vector<double>(ub, ub + 3), (std::vector<double>{1e30, 4, 1e30}));
  const char *names[3];
  ASSERT_EQ(tvx::get_str_attrs(s, "VarName", 3, ind, names), kOk);
  EXPECT_STREQ(names[0], "z");
  EXPECT_STREQ(names[1], "x");
  char types[3];
  ASSERT_EQ(tvx::get_char_attrs(s, "VType", 3, ind, types), kOk);
  EXPECT_EQ(std::string(types, 3), "ICI");
  // An empty list needs no arrays.
  EXPECT_EQ(tvx::get_dbl_attrs(s, "UB", 0, nullptr, nullptr), kOk);
}

// ---- Writing and reading back -----------------------------------------------

struct WriteCase {
  const char *name;
  int index;
  Value value;
  Value expected;
  bool invalidates;  // the solution goes with the change
};

const WriteCase kWrites[] = {
    {"ModelSense", -1, TVX_MINIMIZE, TVX_MINIMIZE, true},
    {"ObjConst", -1, -2.0, -2.0, true},
    {"ObjCon", -1, 3.0, 3.0, true},
    {"LB", 0, -kInf, -kInf, true},
    {"UB", 2, 9.0, 9.0, true},
    {"UB", 1, 1e30, 1e30, true},
    {"Obj", 1, 4.0, 4.0, true},
    {"LHS", 2, -3.0, -3.0, true},
    {"RHS", 0, 1e30, 1e30, true},
    {"PsdCLHS", 1, 1.5, 1.5, true},
    {"PsdCRHS", 1, 8.0, 8.0, true},
    {"Start", 2, 2.5, 2.5, false},
    {"Start", 0, TVX_UNDEFINED, TVX_UNDEFINED, false},
    {"VType", 0, 'i', 'I', true},
    {"VType", 1, 'S', 'S', true},
    {"ProbName", -1, std::string("p"), std::string("p"), false},
    {"ModelName", -1, std::string("Modèle"), std::string("Modèle"), false},
    {"RowName", 2, std::string("rr"), std::string("rr"), false},
    {"ConstrName", 0, std::string(""), std::string(""), false},
    {"ColName", 0, std::string("xx"), std::string("xx"), false},
    {"VarName", 2, std::string("zz"), std::string("zz"), false},
    {"PsdVarName", 0, std::string("Q"), std::string("Q"), false},
    {"PsdCName", 1, std::string("pc"), std::string("pc"), false},
    {"GenConstrName", 0, std::string("gg"), std::string("gg"), false},
};

class AttrWrite : public ::testing::TestWithParam<WriteCase> {};

// The value reads back; writing the old value back restores the store
// exactly, so nothing else was touched.
TEST_P(AttrWrite, ReadsBackAndTouchesNothingElse) {
  const WriteCase &c = GetParam();
  Store s;
  fill(s);
  s.set_results(solved());
  const std::string before = dump(s);
  Value old, got;
  ASSERT_EQ(read(s, c.name, c.index, old), kOk);
  ASSERT_NE(old, c.expected);

  ASSERT_EQ(write(s, c.name, c.index, c.value), kOk);
  ASSERT_EQ(read(s, c.name, c.index, got), kOk);
  EXPECT_EQ(got, c.expected);
  EXPECT_EQ(s.results().x.has_value(), !c.invalidates);
  int status = -1;
  ASSERT_EQ(tvx::get_int_attr(s, "Status", &status), kOk);
  EXPECT_EQ(status, c.invalidates ? TVX_STATUS_UNKNOWN : TVX_STATUS_OPTIMAL);

  ASSERT_EQ(write(s, c.name, c.index, old), kOk);
  EXPECT_EQ(dump(s), before);
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrWrite, ::testing::ValuesIn(kWrites),
                         [](const ::testing::TestParamInfo<WriteCase> &info) {
                           return test_name(info.param.name) + "_" + std::to_string(info.index);
                         });

TEST(AttrList, WritesInOrderTheLastOfRepeatedIndicesWinning) {
  Store s;
  fill(s);
  const int ind[] = {2, 0, 2};
  const double ub[] = {7, 8, 9};
  ASSERT_EQ(tvx::set_dbl_attrs(s, "UB", 3, ind, ub), kOk);
  EXPECT_EQ(s.vars().ub, (std::vector<double>{8, 1, 9}));
  const char *names[] = {"c", nullptr, "d"};
  ASSERT_EQ(tvx::set_str_attrs(s, "VarName", 3, ind, names), kOk);
  EXPECT_EQ(s.vars().names[0], "");  // a null text is no name
  EXPECT_EQ(s.vars().names[2], "d");
  const char types[] = {'b', 'n', 'C'};
  ASSERT_EQ(tvx::set_char_attrs(s, "VType", 3, ind, types), kOk);
  EXPECT_EQ(s.vars().type, (std::vector<char>{'N', 'B', 'C'}));
}

// ---- Refusals ---------------------------------------------------------------

struct Refusal {
  const char *what;
  int code;
  int (*run)(Store &);
};

const int k0[] = {0}, k1[] = {1}, k2[] = {2}, k3[] = {3}, kNeg[] = {-1};
const int k02[] = {0, 2}, k03[] = {0, 3};
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
       const double v[] = {1, kInf};
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
                         [](const ::testing::TestParamInfo<Refusal> &info) {
                           return std::string(info.param.what);
                         });

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

// ---- Values that need a solve -----------------------------------------------

struct Unsolved {
  const char *name;
  int index;
  int code;
};

const Unsolved kUnsolved[] = {
    {"ObjVal", -1, TVX_ERROR_NO_SOLN},
    {"PrimalObjVal", -1, TVX_ERROR_NO_SOLN},
    {"DualObjVal", -1, TVX_ERROR_NO_SOLN},
    {"MIP/GapAbs", -1, TVX_ERROR_NO_SOLN},
    {"MIP/GapRel", -1, TVX_ERROR_NO_SOLN},
    {"X", 0, TVX_ERROR_NO_SOLN},
    {"PrimalSoln", 2, TVX_ERROR_NO_SOLN},
    {"RC", 0, TVX_ERROR_NO_SOLN},
    {"ReducedCost", 1, TVX_ERROR_NO_SOLN},
    {"DualSoln", 0, TVX_ERROR_NO_SOLN},
    {"Activity", 1, TVX_ERROR_NO_SOLN},
    {"ColBasis", 0, TVX_ERROR_NO_SOLN},
    {"RowBasis", 2, TVX_ERROR_NO_SOLN},
    {"PsdX", 1, TVX_ERROR_NO_SOLN},
    {"IISVar", 0, TVX_ERROR_IIS_NO_SOLN},
    {"IISCol", 0, TVX_ERROR_IIS_NO_SOLN},
    {"IISConstr", 1, TVX_ERROR_IIS_NO_SOLN},
    {"IISRow", 1, TVX_ERROR_IIS_NO_SOLN},
    {"SPX/NumIters", -1, TVX_ERROR_NO_STATISTICS},
    {"IPM/NumIters", -1, TVX_ERROR_NO_STATISTICS},
    {"PresolverTime", -1, TVX_ERROR_NO_STATISTICS},
    {"SolverTime", -1, TVX_ERROR_NO_STATISTICS},
    {"SolutionTime", -1, TVX_ERROR_NO_STATISTICS},
};

class AttrUnsolved : public ::testing::TestWithParam<Unsolved> {};

TEST_P(AttrUnsolved, AnswersUntilASolveGivesIt) {
  const Unsolved &c = GetParam();
  Store s;
  fill(s);
  Value got;
  EXPECT_EQ(read(s, c.name, c.index, got), c.code);
  s.set_results(solved());
  EXPECT_EQ(read(s, c.name, c.index, got), kOk);
  // A change of the problem takes it away again.
  const double ub[] = {3};
  ASSERT_EQ(tvx::set_dbl_attrs(s, "UB", 1, k0, ub), kOk);
  EXPECT_EQ(read(s, c.name, c.index, got), c.code);
}

INSTANTIATE_TEST_SUITE_P(Attrs, AttrUnsolved, ::testing::ValuesIn(kUnsolved),
                         [](const ::testing::TestParamInfo<Unsolved> &info) {
                           return test_name(info.param.name);
                         });

TEST(AttrUnsolvedModel, ReportsNoSolutionThroughFlagsAndStatus) {
  Store s;
  fill(s);
  for (const char *name : {"HasSolution", "HasPrimalRay", "HasDualRay", "Status"}) {
    Value got;
    ASSERT_EQ(read(s, name, -1, got), kOk) << name;
    EXPECT_EQ(got, Value(0)) << name;
  }
}

// A result vector of the wrong length (a solver fault) is never indexed.
TEST(AttrUnsolvedModel, ResultOfTheWrongLengthIsNotRead) {
  Store s;
  fill(s);
  tvx::Results r = solved();
  r.x = std::vector<double>{1};
  r.iis_row = std::vector<int>{1};
  r.psd_x->back().pop_back();
  s.set_results(r);
  Value got;
  EXPECT_EQ(read(s, "X", 2, got), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(read(s, "IISRow", 2, got), TVX_ERROR_IIS_NO_SOLN);
  EXPECT_EQ(read(s, "PsdX", 0, got), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(read(s, "RC", 2, got), kOk);
}

// ---- Matrices ---------------------------------------------------------------

struct Matrices {
  int nnz = 0;
  std::vector<int> beg, rows, cols, pos;
  std::vector<double> val;
};

// The two calls a reader makes: the count, then the entries.
int read_matrices(const Store &s, const char *name, const std::vector<int> &ind, Matrices &m) {
  const int n = static_cast<int>(ind.size());
  int rc = tvx::get_mat_attrs(s, name, n, ind.data(), &m.nnz, nullptr, nullptr, nullptr, nullptr,
                              nullptr);
  if (rc != kOk) return rc;
  m.beg.assign(ind.size(), -1);
  m.rows.assign(ind.size(), -1);
  m.cols.assign(ind.size(), -1);
  m.pos.assign(static_cast<std::size_t>(m.nnz), -1);
  m.val.assign(static_cast<std::size_t>(m.nnz), -1);
  return tvx::get_mat_attrs(s, name, n, ind.data(), &m.nnz, m.beg.data(), m.rows.data(),
                            m.cols.data(), m.pos.data(), m.val.data());
}

TEST(AttrMatrix, ObjectiveReadsAsStoredAndWritesBack) {
  Store s;
  fill(s);
  Matrices m;
  ASSERT_EQ(read_matrices(s, "PsdObj", {1, 0}, m), kOk);
  EXPECT_EQ(m.nnz, 2);
  EXPECT_EQ(m.beg, (std::vector<int>{0, 0}));
  EXPECT_EQ(m.rows, (std::vector<int>{3, 2}));
  EXPECT_EQ(m.cols, (std::vector<int>{3, 2}));
  EXPECT_EQ(m.pos, (std::vector<int>{0, 3}));
  EXPECT_EQ(m.val, (std::vector<double>{1, 1}));

  // Repeated positions and explicit zeros are kept; P0 is emptied.
  s.set_results(solved());
  const int ind[] = {1, 0}, beg[] = {0, 3}, rows[] = {3, 2}, pos[] = {4, 8, 4};
  const double val[] = {2, -3, 0};
  ASSERT_EQ(tvx::set_mat_attrs(s, "PsdObj", 2, ind, 3, beg, rows, rows, pos, val), kOk);
  EXPECT_FALSE(s.results().x.has_value());
  ASSERT_EQ(read_matrices(s, "PsdObj", {0, 1}, m), kOk);
  EXPECT_EQ(m.nnz, 3);
  EXPECT_EQ(m.beg, (std::vector<int>{0, 0}));
  EXPECT_EQ(m.pos, (std::vector<int>{4, 8, 4}));
  EXPECT_EQ(m.val, (std::vector<double>{2, -3, 0}));
}

TEST(AttrMatrix, SolutionGivesItsNonZeroEntries) {
  Store s;
  fill(s);
  s.set_results(solved());
  Matrices m;
  ASSERT_EQ(read_matrices(s, "PsdX", {0, 1}, m), kOk);
  EXPECT_EQ(m.nnz, 5);
  EXPECT_EQ(m.beg, (std::vector<int>{0, 4}));
  EXPECT_EQ(m.rows, (std::vector<int>{2, 3}));
  EXPECT_EQ(m.pos, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(m.val, (std::vector<double>{1, 0.5, 0.5, 2, 5}));
}

TEST(AttrMatrix, RefusesTooLittleRoomAndMixedArrays) {
  Store s;
  fill(s);
  int nnz = 1, beg = -1, side = -1, pos[2] = {-1, -1};
  double val[2] = {-1, -1};
  // P0 has two entries: room for one is refused, nothing written.
  EXPECT_EQ(tvx::get_mat_attrs(s, "PsdObj", 1, k0, &nnz, &beg, &side, &side, pos, val), kArg);
  EXPECT_EQ(nnz, 1);
  EXPECT_EQ(beg, -1);
  EXPECT_EQ(side, -1);
  EXPECT_EQ(pos[0], -1);
  EXPECT_EQ(val[0], -1);
  nnz = 2;
  EXPECT_EQ(tvx::get_mat_attrs(s, "PsdObj", 1, k0, &nnz, &beg, nullptr, &side, pos, val), kArg);
  EXPECT_EQ(tvx::get_mat_attrs(s, "PsdObj", 1, k0, &nnz, nullptr, nullptr, nullptr, pos, val),
            kArg);
  EXPECT_EQ(tvx::get_mat_attrs(s, "PsdObj", 1, k0, &nnz, &beg, &side, &side, nullptr, nullptr),
            kArg);
  EXPECT_EQ(
      tvx::get_mat_attrs(s, "PsdObj", 1, k0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      kArg);
  EXPECT_EQ(
      tvx::get_mat_attrs(s, "PsdObj", 1, k2, &nnz, nullptr, nullptr, nullptr, nullptr, nullptr),
      TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX);
  // An element without entries needs no entry arrays.
  nnz = 0;
  EXPECT_EQ(tvx::get_mat_attrs(s, "PsdObj", 1, k1, &nnz, &beg, &side, &side, nullptr, nullptr),
            kOk);
  EXPECT_EQ(side, 3);
}

// ---- The exported functions ---------------------------------------------------

class AttrModel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TVXloadenv(&env_, ""), kOk);
    const double obj[] = {1, 2, 3}, lb[] = {0, -1, -2}, ub[] = {10, 20, 30};
    const char *names[] = {"a", "b", "c"};
    ASSERT_EQ(TVXnewmodel(env_, &model_, "base", 3, obj, lb, ub, "CIB", names), kOk);
  }
  void TearDown() override {
    EXPECT_EQ(TVXfreemodel(model_), kOk);
    EXPECT_EQ(TVXfreeenv(env_), kOk);
  }
  TVXenv *env_ = nullptr;
  TVXmodel *model_ = nullptr;
};

TEST_F(AttrModel, ReadsAndWritesThroughTheHandle) {
  int n = -1;
  ASSERT_EQ(TVXgetintattr(model_, "NumVars", &n), kOk);
  EXPECT_EQ(n, 3);
  const int ind[] = {2, 0};
  double ub[2];
  ASSERT_EQ(TVXgetdblattrlist(model_, "UB", 2, ind, ub), kOk);
  EXPECT_EQ(ub[0], 30);
  EXPECT_EQ(ub[1], 10);
  char types[2];
  ASSERT_EQ(TVXgetcharattrlist(model_, "VType", 2, ind, types), kOk);
  EXPECT_EQ(std::string(types, 2), "BC");

  const char *names[] = {"cc", "aa"};
  ASSERT_EQ(TVXsetstrattrlist(model_, "VarName", 2, ind, names), kOk);
  const char *got[2] = {nullptr, nullptr};
  ASSERT_EQ(TVXgetstrattrlist(model_, "VarName", 2, ind, got), kOk);
  EXPECT_STREQ(got[0], "cc");
  EXPECT_STREQ(got[1], "aa");
  ASSERT_EQ(TVXsetstrattr(model_, "ModelName", "renamed"), kOk);
  const char *text = nullptr;
  ASSERT_EQ(TVXgetstrattr(model_, "ModelName", &text), kOk);
  EXPECT_STREQ(text, "renamed");

  ASSERT_EQ(TVXsetintattr(model_, "ModelSense", TVX_MAXIMIZE), kOk);
  ASSERT_EQ(TVXsetdblattr(model_, "ObjCon", 2.5), kOk);
  const double lb[] = {-4};
  ASSERT_EQ(TVXsetdblattrlist(model_, "LB", 1, ind, lb), kOk);
  const char b[] = {'C'};
  ASSERT_EQ(TVXsetcharattrlist(model_, "VType", 1, ind, b), kOk);
  double d = 0;
  ASSERT_EQ(TVXgetdblattr(model_, "ObjConst", &d), kOk);
  EXPECT_EQ(d, 2.5);
  ASSERT_EQ(TVXgetintattr(model_, "MinSense", &n), kOk);
  EXPECT_EQ(n, 0);
  ASSERT_EQ(TVXgetdblattrlist(model_, "LB", 1, ind, &d), kOk);
  EXPECT_EQ(d, -4);
  ASSERT_EQ(TVXgetintattrlist(model_, "IsInteger", 1, ind, &n), kOk);
  EXPECT_EQ(n, 0);

  // No model here has PSD variables or integer attributes to write.
  int nnz = -1;
  EXPECT_EQ(TVXgetmatattrlist(model_, "PsdObj", 0, nullptr, &nnz, nullptr, nullptr, nullptr,
                              nullptr, nullptr),
            kOk);
  EXPECT_EQ(nnz, 0);
  EXPECT_EQ(
      TVXsetmatattrlist(model_, "PsdObj", 1, ind, 0, nullptr, nullptr, nullptr, nullptr, nullptr),
      kArg);
  EXPECT_EQ(TVXsetintattrlist(model_, "ColBasis", 1, ind, &n), TVX_ERROR_MODEL_INVALID_INT_ATTR);
}

TEST_F(AttrModel, NewModelHasNoSolution) {
  double d = -1;
  EXPECT_EQ(TVXgetdblattr(model_, "ObjVal", &d), TVX_ERROR_NO_SOLN);
  const int ind[] = {0};
  EXPECT_EQ(TVXgetdblattrlist(model_, "X", 1, ind, &d), TVX_ERROR_NO_SOLN);
  EXPECT_EQ(d, -1);
  int status = -1;
  ASSERT_EQ(TVXgetintattr(model_, "Status", &status), kOk);
  EXPECT_EQ(status, TVX_STATUS_UNKNOWN);
}

TEST_F(AttrModel, CopyHasTheSameAttributesAndItsOwn) {
  const int ind[] = {1};
  const char *name[] = {"bee"};
  ASSERT_EQ(TVXsetstrattrlist(model_, "VarName", 1, ind, name), kOk);
  const double start[] = {0.5};
  ASSERT_EQ(TVXsetdblattrlist(model_, "Start", 1, ind, start), kOk);
  TVXmodel *copy = TVXcopymodel(model_);
  ASSERT_NE(copy, nullptr);

  const char *text = nullptr;
  ASSERT_EQ(TVXgetstrattrlist(copy, "VarName", 1, ind, &text), kOk);
  EXPECT_STREQ(text, "bee");
  double d = 0;
  ASSERT_EQ(TVXgetdblattrlist(copy, "Start", 1, ind, &d), kOk);
  EXPECT_EQ(d, 0.5);

  const double ub[] = {-9};
  ASSERT_EQ(TVXsetdblattrlist(copy, "UB", 1, ind, ub), kOk);
  ASSERT_EQ(TVXsetstrattr(copy, "ModelName", "copy"), kOk);
  ASSERT_EQ(TVXgetdblattrlist(model_, "UB", 1, ind, &d), kOk);
  EXPECT_EQ(d, 20);
  ASSERT_EQ(TVXgetstrattr(model_, "ModelName", &text), kOk);
  EXPECT_STREQ(text, "base");
  EXPECT_EQ(TVXfreemodel(copy), kOk);
  EXPECT_EQ(TVXgetstrattr(copy, "ModelName", &text), kArg);
}

}  // namespace
