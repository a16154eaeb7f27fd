// Environments: parameters, parameter files and the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "io/file_io.h"
#include "store/params.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

namespace fs = std::filesystem;

struct Param {
  const char *name;
  bool is_int;
};

// The module's parameter table: every name the library must know, with its type.
const Param kParams[] = {
    {"Method", true},
    {"Presolve", true},
    {"Dualization", true},
    {"NumThreads", true},
    {"EnableNetworkFlow", true},
    {"EnableStochasticLP", true},
    {"SPX/ColumnGeneration", true},
    {"SPX/CrashStart", true},
    {"SPX/MaxIterations", true},
    {"SPX/PrimalPricing", true},
    {"SPX/DualPricing", true},
    {"IPM/MaxIterations", true},
    {"MIP/MaxNodes", true},
    {"MIP/RootParallelism", true},
    {"MIP/AutoConfiguration", true},
    {"MIP/MaxSols", true},
    {"MIP/AllowDualPresolve", true},
    {"MIP/DetectDisconnectedComponents", true},
    {"MIP/SolutionPoolSize", true},
    {"MIP/MaxStallingNodes", true},
    {"SolutionTarget", true},
    {"MaxTime", false},
    {"SPX/PrimalTolerance", false},
    {"SPX/DualTolerance", false},
    {"IPM/PrimalTolerance", false},
    {"IPM/DualTolerance", false},
    {"IPM/GapTolerance", false},
    {"MIP/IntegerTolerance", false},
    {"MIP/ObjectiveTolerance", false},
    {"MIP/GapAbs", false},
    {"MIP/GapRel", false},
    {"MIP/LinearizationBigM", false},
    {"MIP/Cutoff", false},
};

// "MIP/GapAbs" as the module's table keys it: "mip_gapabs".
std::string key_of(const char *name) {
  std::string key(name);
  for (char &c : key) c = c == '/' ? '_' : static_cast<char>(std::tolower(c));
  return key;
}

struct Info {
  double current, minimum, maximum, defval;
};

// The four info values through the parameter's own typed function.
int info(TVXenv *env, const Param &p, Info *out) {
  if (p.is_int) {
    int c, lo, hi, d;
    const int rc = TVXgetintparaminfo(env, p.name, &c, &lo, &hi, &d);
    *out = {double(c), double(lo), double(hi), double(d)};
    return rc;
  }
  return TVXgetdblparaminfo(env, p.name, &out->current, &out->minimum, &out->maximum, &out->defval);
}

int set(TVXenv *env, const char *name, bool is_int, double value) {
  return is_int ? TVXsetintparam(env, name, static_cast<int>(value))
                : TVXsetdblparam(env, name, value);
}

double get(TVXenv *env, const char *name, bool is_int) {
  if (is_int) {
    int v = -12345;
    EXPECT_EQ(TVXgetintparam(env, name, &v), TVX_ERROR_OKAY) << name;
    return v;
  }
  double v = -12345;
  EXPECT_EQ(TVXgetdblparam(env, name, &v), TVX_ERROR_OKAY) << name;
  return v;
}

// A legal value other than the default, with all 17 digits significant for
// a double so that a file round trip through a short format would show.
double other_value(const Info &i, bool is_int) {
  if (is_int) return i.defval < i.maximum ? i.defval + 1 : i.defval - 1;
  double lo = std::isfinite(i.minimum) ? i.minimum : -1e6;
  double hi = std::isfinite(i.maximum) && i.maximum < 1e20 ? i.maximum : lo + 1e6;
  return lo + (hi - lo) / 3.0;
}

TVXenv *load_env(const char *log = "") {
  TVXenv *env = nullptr;
  EXPECT_EQ(TVXloadenv(&env, log), TVX_ERROR_OKAY);
  return env;
}

class EveryParam : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override { env_ = load_env(); }
  void TearDown() override { EXPECT_EQ(TVXfreeenv(env_), TVX_ERROR_OKAY); }
  TVXenv *env_ = nullptr;
};

TEST_P(EveryParam, InfoIsConsistentAndStartsAtTheDefault) {
  const Param &p = GetParam();
  Info i;
  ASSERT_EQ(info(env_, p, &i), TVX_ERROR_OKAY);
  EXPECT_LE(i.minimum, i.defval);
  EXPECT_LE(i.defval, i.maximum);
  EXPECT_LT(i.minimum, i.maximum);
  EXPECT_EQ(i.current, i.defval);
  EXPECT_EQ(get(env_, p.name, p.is_int), i.defval);

  // Every output is optional.
  if (p.is_int) {
    int d = 0;
    EXPECT_EQ(TVXgetintparaminfo(env_, p.name, nullptr, nullptr, nullptr, &d), TVX_ERROR_OKAY);
    EXPECT_EQ(d, i.defval);
  } else {
    double d = 0;
    EXPECT_EQ(TVXgetdblparaminfo(env_, p.name, nullptr, nullptr, nullptr, &d), TVX_ERROR_OKAY);
    EXPECT_EQ(d, i.defval);
  }
}

TEST_P(EveryParam, SetGetRoundTripAndReset) {
  const Param &p = GetParam();
  Info i;
  ASSERT_EQ(info(env_, p, &i), TVX_ERROR_OKAY);
  for (double v : {i.minimum, i.maximum, other_value(i, p.is_int)}) {
    if (p.is_int && std::fabs(v) > INT_MAX) continue;
    ASSERT_EQ(set(env_, p.name, p.is_int, v), TVX_ERROR_OKAY) << p.name << " " << v;
    EXPECT_EQ(get(env_, p.name, p.is_int), v) << p.name;
  }
  Info after;
  ASSERT_EQ(info(env_, p, &after), TVX_ERROR_OKAY);
  EXPECT_EQ(after.current, other_value(i, p.is_int));
  EXPECT_EQ(after.defval, i.defval);

  ASSERT_EQ(TVXresetparams(env_), TVX_ERROR_OKAY);
  EXPECT_EQ(get(env_, p.name, p.is_int), i.defval);
}

TEST_P(EveryParam, OutOfRangeValuesAreRefusedAndChangeNothing) {
  const Param &p = GetParam();
  Info i;
  ASSERT_EQ(info(env_, p, &i), TVX_ERROR_OKAY);
  const double kept = other_value(i, p.is_int);
  ASSERT_EQ(set(env_, p.name, p.is_int, kept), TVX_ERROR_OKAY);

  std::vector<double> bad;
  if (p.is_int) {
    if (i.minimum > INT_MIN) bad.push_back(i.minimum - 1);
    if (i.maximum < INT_MAX) bad.push_back(i.maximum + 1);
    bad.push_back(INT_MIN);
  } else {
    if (std::isfinite(i.minimum)) {
      bad.push_back(std::nextafter(i.minimum, -kIeeeInf));
      bad.push_back(-kIeeeInf);
    }
    if (std::isfinite(i.maximum)) {
      bad.push_back(std::nextafter(i.maximum, kIeeeInf));
      bad.push_back(kIeeeInf);
    }
    bad.push_back(kNaN);
  }
  for (double v : bad) {
    EXPECT_EQ(set(env_, p.name, p.is_int, v), TVX_ERROR_PARAM_SET_ERROR) << p.name << " " << v;
    EXPECT_EQ(get(env_, p.name, p.is_int), kept) << p.name;
  }
}

TEST_P(EveryParam, OtherTypesAndStringAccessAreRefused) {
  const Param &p = GetParam();
  int iv = 7;
  double dv = 7;
  char buf[TVX_MAX_STRLEN] = "untouched";
  char buf2[TVX_MAX_STRLEN] = "untouched";
  if (p.is_int) {
    EXPECT_EQ(TVXgetdblparam(env_, p.name, &dv), TVX_ERROR_PARAM_GET_ERROR);
    EXPECT_EQ(TVXgetdblparaminfo(env_, p.name, &dv, &dv, &dv, &dv), TVX_ERROR_PARAM_GET_ERROR);
    EXPECT_EQ(TVXsetdblparam(env_, p.name, 1), TVX_ERROR_PARAM_SET_ERROR);
  } else {
    EXPECT_EQ(TVXgetintparam(env_, p.name, &iv), TVX_ERROR_PARAM_GET_ERROR);
    EXPECT_EQ(TVXgetintparaminfo(env_, p.name, &iv, &iv, &iv, &iv), TVX_ERROR_PARAM_GET_ERROR);
    EXPECT_EQ(TVXsetintparam(env_, p.name, 1), TVX_ERROR_PARAM_SET_ERROR);
  }
  EXPECT_EQ(TVXgetstrparam(env_, p.name, buf), TVX_ERROR_PARAM_GET_ERROR);
  EXPECT_EQ(TVXgetstrparaminfo(env_, p.name, buf, buf2), TVX_ERROR_PARAM_GET_ERROR);
  EXPECT_EQ(TVXsetstrparam(env_, p.name, "1"), TVX_ERROR_PARAM_SET_ERROR);
  EXPECT_EQ(iv, 7);
  EXPECT_EQ(dv, 7);
  EXPECT_STREQ(buf, "untouched");
}

TEST_P(EveryParam, NamesIgnoreCaseWithUnderscoreForSlash) {
  const Param &p = GetParam();
  Info i;
  ASSERT_EQ(info(env_, p, &i), TVX_ERROR_OKAY);
  const double v = other_value(i, p.is_int);
  std::string upper = key_of(p.name);
  for (char &c : upper) c = static_cast<char>(std::toupper(c));
  ASSERT_EQ(set(env_, key_of(p.name).c_str(), p.is_int, v), TVX_ERROR_OKAY);
  EXPECT_EQ(get(env_, upper.c_str(), p.is_int), v);
  EXPECT_EQ(get(env_, p.name, p.is_int), v);
}

INSTANTIATE_TEST_SUITE_P(Params, EveryParam, ::testing::ValuesIn(kParams), CaseName());

// The library reads parameters by id: each id must name its own row of the
// table, the one its identifier spells ("/" written "_").
TEST(Params, EachIdNamesItsTableRow) {
#define ID_ROW(id) std::pair<tvx::Param, const char *>(tvx::Param::id, #id)
  const std::pair<tvx::Param, const char *> rows[] = {
      ID_ROW(Method),
      ID_ROW(Presolve),
      ID_ROW(Dualization),
      ID_ROW(NumThreads),
      ID_ROW(EnableNetworkFlow),
      ID_ROW(EnableStochasticLP),
      ID_ROW(SPX_ColumnGeneration),
      ID_ROW(SPX_CrashStart),
      ID_ROW(SPX_MaxIterations),
      ID_ROW(SPX_PrimalPricing),
      ID_ROW(SPX_DualPricing),
      ID_ROW(IPM_MaxIterations),
      ID_ROW(MIP_MaxNodes),
      ID_ROW(MIP_RootParallelism),
      ID_ROW(MIP_AutoConfiguration),
      ID_ROW(MIP_MaxSols),
      ID_ROW(MIP_AllowDualPresolve),
      ID_ROW(MIP_DetectDisconnectedComponents),
      ID_ROW(MIP_SolutionPoolSize),
      ID_ROW(MIP_MaxStallingNodes),
      ID_ROW(SolutionTarget),
      ID_ROW(MaxTime),
      ID_ROW(SPX_PrimalTolerance),
      ID_ROW(SPX_DualTolerance),
      ID_ROW(IPM_PrimalTolerance),
      ID_ROW(IPM_DualTolerance),
      ID_ROW(IPM_GapTolerance),
      ID_ROW(MIP_IntegerTolerance),
      ID_ROW(MIP_ObjectiveTolerance),
      ID_ROW(MIP_GapAbs),
      ID_ROW(MIP_GapRel),
      ID_ROW(MIP_LinearizationBigM),
      ID_ROW(MIP_Cutoff),
  };
#undef ID_ROW
  ASSERT_EQ(std::size(rows), static_cast<std::size_t>(tvx::kNumParams));
  for (int k = 0; k < tvx::kNumParams; ++k) {
    const auto &[id, spelled] = rows[k];
    EXPECT_EQ(tvx::index_of(id), k) << spelled;
    std::string name = tvx::param_def(id).name;
    std::replace(name.begin(), name.end(), '/', '_');
    EXPECT_EQ(name, spelled);
  }
}

TEST(Params, UnknownNamesAndMissingArguments) {
  TVXenv *env = load_env();
  int iv = 5;
  double dv = 5;
  char buf[TVX_MAX_STRLEN] = "";
  for (const char *name : {"", "MaxTim", "MaxTimeX", "Max Time", "MaxTime ", "Threads"}) {
    EXPECT_EQ(TVXgetdblparam(env, name, &dv), TVX_ERROR_PARAM_GET_ERROR) << name;
    EXPECT_EQ(TVXsetdblparam(env, name, 1), TVX_ERROR_PARAM_SET_ERROR) << name;
    EXPECT_EQ(TVXgetintparam(env, name, &iv), TVX_ERROR_PARAM_GET_ERROR) << name;
    EXPECT_EQ(TVXsetintparam(env, name, 1), TVX_ERROR_PARAM_SET_ERROR) << name;
  }
  EXPECT_EQ(iv, 5);
  EXPECT_EQ(dv, 5);
  EXPECT_EQ(TVXgetintparam(env, nullptr, &iv), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXgetintparam(env, "Method", nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXgetdblparam(env, "MaxTime", nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXsetdblparam(env, nullptr, 1), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXgetdblparaminfo(env, nullptr, &dv, &dv, &dv, &dv), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXgetstrparam(env, "x", nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXsetstrparam(env, "x", nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXgetstrparaminfo(env, nullptr, buf, buf), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXreadparams(env, nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXwriteparams(env, nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Params, EmptyEnvironmentTakesParametersBeforeItStarts) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXemptyenv(&env), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetdblparam(env, "MaxTime", 7.5), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXstartenv(env), TVX_ERROR_OKAY);
  EXPECT_EQ(get(env, "MaxTime", false), 7.5);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

TEST(Params, EachModelHasItsOwnCopy) {
  TVXenv *env = load_env();
  ASSERT_EQ(TVXsetdblparam(env, "MaxTime", 10), TVX_ERROR_OKAY);
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  TVXenv *own = TVXgetenv(model);
  EXPECT_EQ(get(own, "MaxTime", false), 10);

  ASSERT_EQ(TVXsetdblparam(env, "MaxTime", 20), TVX_ERROR_OKAY);
  EXPECT_EQ(get(own, "MaxTime", false), 10);
  ASSERT_EQ(TVXsetintparam(own, "Method", 2), TVX_ERROR_OKAY);
  EXPECT_EQ(get(env, "Method", true), -1);

  TVXmodel *copy = TVXcopymodel(model);
  ASSERT_NE(copy, nullptr);
  TVXenv *copy_env = TVXgetenv(copy);
  EXPECT_EQ(get(copy_env, "Method", true), 2);
  ASSERT_EQ(TVXresetparams(copy_env), TVX_ERROR_OKAY);
  EXPECT_EQ(get(own, "Method", true), 2);
  EXPECT_EQ(get(copy_env, "Method", true), -1);

  // The model's settings outlive the environment it was created in.
  ASSERT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
  EXPECT_EQ(get(own, "MaxTime", false), 10);
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
}

// ---- Files ----------------------------------------------------------------

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tarvex-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    env_ = load_env();
  }
  void TearDown() override {
    EXPECT_EQ(TVXfreeenv(env_), TVX_ERROR_OKAY);
    fs::remove_all(dir_);
  }
  std::string path(const char *name) const { return (dir_ / name).string(); }
  std::string write(const char *name, const std::string &text) const {
    std::string p = path(name);
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
  static std::string read(const std::string &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Every parameter's value, for whole-state comparisons.
  static std::vector<double> values(TVXenv *env) {
    std::vector<double> out;
    for (const Param &p : kParams) out.push_back(get(env, p.name, p.is_int));
    return out;
  }

  fs::path dir_;
  TVXenv *env_ = nullptr;
};

TEST_F(Files, WhatIsWrittenReadsBackExactly) {
  for (const Param &p : kParams) {
    Info i;
    ASSERT_EQ(info(env_, p, &i), TVX_ERROR_OKAY);
    ASSERT_EQ(set(env_, p.name, p.is_int, other_value(i, p.is_int)), TVX_ERROR_OKAY);
  }
  ASSERT_EQ(TVXsetdblparam(env_, "MIP/Cutoff", -INFINITY), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetdblparam(env_, "MIP/GapRel", DBL_MIN), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetdblparam(env_, "MIP/GapAbs", 0.1 + 0.2), TVX_ERROR_OKAY);
  const std::vector<double> before = values(env_);

  const std::string file = path("settings.prm");
  ASSERT_EQ(TVXwriteparams(env_, file.c_str()), TVX_ERROR_OKAY);
  // One "Name value" line per parameter, in table order.
  std::istringstream lines(read(file));
  std::string line;
  for (const Param &p : kParams) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.substr(0, line.find(' ')), p.name);
    EXPECT_EQ(line.find(' ', line.find(' ') + 1), std::string::npos) << line;
  }
  EXPECT_FALSE(std::getline(lines, line));

  ASSERT_EQ(TVXresetparams(env_), TVX_ERROR_OKAY);
  ASSERT_NE(values(env_), before);
  ASSERT_EQ(TVXreadparams(env_, file.c_str()), TVX_ERROR_OKAY);
  EXPECT_EQ(values(env_), before);

  // A fresh environment reads the same state.
  TVXenv *other = load_env();
  ASSERT_EQ(TVXreadparams(other, file.c_str()), TVX_ERROR_OKAY);
  EXPECT_EQ(values(other), before);
  EXPECT_EQ(TVXfreeenv(other), TVX_ERROR_OKAY);
}

// Parameter files are found by their suffix like every other file: in any
// case, and compressed.
TEST_F(Files, CompressedFilesAndAnySuffixCase) {
  ASSERT_EQ(TVXsetdblparam(env_, "MaxTime", 42), TVX_ERROR_OKAY);
  for (const char *name : {"s.prm.gz", "S.PRM.bz2", "s.Prm"}) {
    SCOPED_TRACE(name);
    const std::string file = path(name);
    ASSERT_EQ(TVXwriteparams(env_, file.c_str()), TVX_ERROR_OKAY);
    TVXenv *other = load_env();
    ASSERT_EQ(TVXreadparams(other, file.c_str()), TVX_ERROR_OKAY);
    EXPECT_EQ(values(other), values(env_));
    EXPECT_EQ(TVXfreeenv(other), TVX_ERROR_OKAY);
  }
  // The size limit holds for the decoded text.
  const std::string huge = path("huge.prm.gz");
  tvx::OutputFile out;
  ASSERT_EQ(out.open(huge.c_str(), tvx::Compression::Gzip), TVX_ERROR_OKAY);
  ASSERT_EQ(out.write(std::string(2 << 20, '#')), TVX_ERROR_OKAY);
  ASSERT_EQ(out.close(), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXreadparams(env_, huge.c_str()), TVX_ERROR_FORMAT_ERROR);
}

TEST_F(Files, HandWrittenFilesAreRead) {
  const std::string file = write("hand.prm",
                                 "# settings\n"
                                 "\n"
                                 "  maxtime\t60   \r\n"
                                 "mip_gaprel 1e-3 # relative\n"
                                 "SPX/MAXITERATIONS +500\n"
                                 "Method 1\n"
                                 "Method 2\n"  // the last setting counts
                                 "MIP/Cutoff -inf");
  ASSERT_EQ(TVXreadparams(env_, file.c_str()), TVX_ERROR_OKAY);
  EXPECT_EQ(get(env_, "MaxTime", false), 60);
  EXPECT_EQ(get(env_, "MIP/GapRel", false), 1e-3);
  EXPECT_EQ(get(env_, "SPX/MaxIterations", true), 500);
  EXPECT_EQ(get(env_, "Method", true), 2);
  EXPECT_EQ(get(env_, "MIP/Cutoff", false), -INFINITY);
  // Parameters the file does not name keep their values.
  EXPECT_EQ(get(env_, "NumThreads", true), -1);

  const std::string empty = write("empty.prm", "");
  EXPECT_EQ(TVXreadparams(env_, empty.c_str()), TVX_ERROR_OKAY);
  EXPECT_EQ(get(env_, "MaxTime", false), 60);
}

struct BadFile {
  const char *what;
  const char *line;  // follows a valid setting of MaxTime
  int code;
};

const BadFile kBadFiles[] = {
    {"unknown_name", "NoSuchParam 1", TVX_ERROR_FORMAT_ERROR},
    {"prefix_of_a_name", "MaxTim 1", TVX_ERROR_FORMAT_ERROR},
    {"missing_value", "Method", TVX_ERROR_FORMAT_ERROR},
    {"extra_token", "Method 1 2", TVX_ERROR_FORMAT_ERROR},
    {"equals_sign", "Method = 1", TVX_ERROR_FORMAT_ERROR},
    {"fraction_for_integer", "Method 1.5", TVX_ERROR_FORMAT_ERROR},
    {"exponent_for_integer", "SPX/MaxIterations 1e3", TVX_ERROR_FORMAT_ERROR},
    {"not_a_number", "MIP/GapRel abc", TVX_ERROR_FORMAT_ERROR},
    {"trailing_junk", "MIP/GapRel 0.1x", TVX_ERROR_FORMAT_ERROR},
    {"double_sign", "MIP/Cutoff +-1", TVX_ERROR_FORMAT_ERROR},
    {"integer_above_maximum", "Method 4", TVX_ERROR_PARAM_SET_ERROR},
    {"integer_below_minimum", "NumThreads -2", TVX_ERROR_PARAM_SET_ERROR},
    {"integer_beyond_32_bits", "MIP/MaxNodes 99999999999", TVX_ERROR_PARAM_SET_ERROR},
    {"double_below_minimum", "MaxTime -1", TVX_ERROR_PARAM_SET_ERROR},
    {"double_overflow", "MIP/GapAbs 1e999", TVX_ERROR_PARAM_SET_ERROR},
    {"nan", "MIP/Cutoff nan", TVX_ERROR_PARAM_SET_ERROR},
};

class BadFiles : public Files, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, AreRefusedWholeAndChangeNothing) {
  const BadFile &bad = GetParam();
  ASSERT_EQ(TVXsetintparam(env_, "Method", 3), TVX_ERROR_OKAY);
  const std::vector<double> before = values(env_);
  const std::string file =
      write("bad.prm", std::string("MaxTime 5\nMethod 0\n") + bad.line + "\nMIP/GapRel 0.5\n");
  EXPECT_EQ(TVXreadparams(env_, file.c_str()), bad.code);
  EXPECT_EQ(values(env_), before);
}

INSTANTIATE_TEST_SUITE_P(Params, BadFiles, ::testing::ValuesIn(kBadFiles),
                         NameBy<&BadFile::what>());

TEST_F(Files, FileErrors) {
  const std::vector<double> before = values(env_);
  // Unknown suffix, read or written.
  const std::string txt = write("settings.txt", "MaxTime 5\n");
  EXPECT_EQ(TVXreadparams(env_, txt.c_str()), TVX_ERROR_FORMAT_ERROR);
  const std::string other = path("out.txt");
  EXPECT_EQ(TVXwriteparams(env_, other.c_str()), TVX_ERROR_FORMAT_ERROR);
  EXPECT_FALSE(fs::exists(other));
  // Missing, or a directory.
  EXPECT_EQ(TVXreadparams(env_, path("missing.prm").c_str()), TVX_ERROR_FILE_READ_ERROR);
  fs::create_directory(dir_ / "dir.prm");
  EXPECT_EQ(TVXreadparams(env_, path("dir.prm").c_str()), TVX_ERROR_FILE_READ_ERROR);
  EXPECT_EQ(TVXwriteparams(env_, path("dir.prm").c_str()), TVX_ERROR_FILE_WRITE_ERROR);
  EXPECT_EQ(TVXwriteparams(env_, path("no/such/dir.prm").c_str()), TVX_ERROR_FILE_WRITE_ERROR);
  // A file far larger than any parameter file.
  const std::string huge = write("huge.prm", std::string(2 << 20, '#'));
  EXPECT_EQ(TVXreadparams(env_, huge.c_str()), TVX_ERROR_FORMAT_ERROR);
  EXPECT_EQ(values(env_), before);
}

// ---- The log ---------------------------------------------------------------

TEST_F(Files, MessagesGoToTheLogFile) {
  const std::string log = path("run.log");
  TVXenv *env = load_env(log.c_str());
  ASSERT_NE(env, nullptr);
  EXPECT_TRUE(fs::exists(log));
  EXPECT_EQ(TVXmsg(env, "first"), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXmsg(env, "second\n"), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXmsg(env, ""), TVX_ERROR_OKAY);

  // A model logs where its environment did.
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &model, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  EXPECT_EQ(TVXmsg(TVXgetenv(model), "from the model"), TVX_ERROR_OKAY);
  EXPECT_EQ(read(log), "first\nsecond\n\nfrom the model\n");

  EXPECT_EQ(TVXmsg(env, nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);

  // An existing log is appended to, not replaced.
  env = load_env(log.c_str());
  EXPECT_EQ(TVXmsg(env, "again"), TVX_ERROR_OKAY);
  EXPECT_EQ(read(log), "first\nsecond\n\nfrom the model\nagain\n");
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);

  // Without a log file messages go nowhere, successfully.
  EXPECT_EQ(TVXmsg(env_, "nowhere"), TVX_ERROR_OKAY);
}

TEST_F(Files, UnwritableLogRefusesTheEnvironment) {
  TVXenv *env = forged_handle<TVXenv>();
  EXPECT_EQ(TVXloadenv(&env, path("no/such/dir/run.log").c_str()), TVX_ERROR_FILE_WRITE_ERROR);
  EXPECT_EQ(env, nullptr);
  env = forged_handle<TVXenv>();
  EXPECT_EQ(TVXloadenv(&env, dir_.c_str()), TVX_ERROR_FILE_WRITE_ERROR);
  EXPECT_EQ(env, nullptr);
}

}  // namespace
