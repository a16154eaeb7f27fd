// Writing files: models written in MPS, QPS and LP (plain and compressed)
// read back to the same store; the names files give elements; HiGHS's own
// readers find the same optimum in our files, and CoinUtils' LP reader the
// same model; solution, MIP start, basis
// and parameter files written and read back; files replaced whole or not at
// all; refusals and failures through TVXread and TVXwrite.
#include <CoinLpIO.hpp>
#include <CoinMessageHandler.hpp>
#include <CoinMpsIO.hpp>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "solve/dispatch.h"
#include "solve/engine.h"
#include "io/file_names.h"
#include "io/text_writer.h"
#include "interfaces/highs_c_api.h"
#include "io/formats.h"
#include "io/model_files.h"
#include "store/params.h"
#include "io/result_files.h"
#include "store/store.h"
#include "tarvex.h"
#include "model_text.h"
#include "test_support.h"

namespace {

using namespace test_support;
using namespace model_text;

namespace fs = std::filesystem;
using tvx::Compression;
using tvx::Store;
using Terms = std::vector<std::pair<int, double>>;

// ---- Stores ---------------------------------------------------------------

struct Builder {
  int var(const char *name, char type, double lb, double ub, double obj = 0) {
    EXPECT_EQ(store.add_vars(1, 0, nullptr, nullptr, nullptr, &obj, &lb, &ub, &type, &name),
              TVX_ERROR_OKAY);
    return store.num_vars() - 1;
  }
  int row(const char *name, const Terms &terms, double lower, double upper) {
    std::vector<int> ind;
    std::vector<double> val;
    split(terms, ind, val);
    const int beg = 0;
    EXPECT_EQ(store.add_rows(1, static_cast<int>(ind.size()), &beg, ind.data(), val.data(), &lower,
                             &upper, &name),
              TVX_ERROR_OKAY);
    return store.num_rows() - 1;
  }
  void sos(int type, const Terms &members) {
    std::vector<int> ind;
    std::vector<double> val;
    split(members, ind, val);
    const int beg = 0;
    EXPECT_EQ(store.add_sos(1, static_cast<int>(ind.size()), &type, &beg, ind.data(), val.data()),
              TVX_ERROR_OKAY);
  }
  void indicator(const char *name, int binvar, int binval, const Terms &terms, char sense,
                 double rhs) {
    std::vector<int> ind;
    std::vector<double> val;
    split(terms, ind, val);
    EXPECT_EQ(store.add_indicator(name, binvar, binval, static_cast<int>(ind.size()), ind.data(),
                                  val.data(), sense, rhs),
              TVX_ERROR_OKAY);
  }
  void quad(int i, int j, double v) { EXPECT_EQ(store.add_qterms(1, &i, &j, &v), TVX_ERROR_OKAY); }

  static void split(const Terms &terms, std::vector<int> &ind, std::vector<double> &val) {
    for (const auto &t : terms) {
      ind.push_back(t.first);
      val.push_back(t.second);
    }
  }

  Store store;
};

// Every kind of element and bound either format states, with names both
// formats hold (brackets, a slash, non-ASCII letters) and values that need
// all their digits.
Store rich_model() {
  Builder b;
  b.store.set_name("rich model");
  b.store.set_sense(TVX_MAXIMIZE);
  b.store.set_objcon(-2.5);
  const int x = b.var("x[1,2]", 'C', 0, 4, 1);
  const int y = b.var("y", 'I', -3, 10, -1);
  const int bin = b.var("b/in", 'B', 0, 1, 0.5);
  const int f = b.var("f", 'C', -kTvxInfinity, kTvxInfinity);
  const int m = b.var("m", 'C', -kTvxInfinity, 5, 0.1);
  const int n = b.var("n", 'C', -kTvxInfinity, -2);
  const int z = b.var("z", 'C', 3, 3, 2);
  const int s = b.var("s\xc3\xbc", 'S', 1.5, 8);
  const int k = b.var("k", 'I', 2, 1e30, 1e-3);
  const int w = b.var("w", 'C', 0, -1);                         // needs its 0 lower bound stated
  const int u = b.var("u", 'C', 0.1, 1e20, 1.0 / 3);            // TVX_INFINITY as given
  const int t = b.var("t", 'I', 0, kTvxInfinity);               // an integer left unbounded
  const int b0 = b.var("b0", 'B', 0, 0);                        // a binary fixed at 0
  const int h = b.var("h", 'C', 2, 1);                          // crossed bounds
  const int sfree = b.var("sf", 'S', 0, kTvxInfinity, 1e-300);  // semi-continuous, no upper bound
  b.var("lonely", 'C', -1e-7, 1e15);                            // in no row, objective 0
  b.row("r_eq", {{x, 1}, {y, 1}}, 5, 5);
  b.row("r_le", {{x, 2}, {n, 1.5}}, -kTvxInfinity, 10);
  b.row("r_ge", {{y, 3}, {f, -1}, {s, 1}}, 1, kTvxInfinity);
  b.row("r_rng", {{x, 1}, {u, 0.3}}, 0.1, 0.7);
  b.row("r_free", {{f, 1}, {t, 1e-12}}, -kTvxInfinity, kTvxInfinity);
  b.row("r_wide", {{k, 1}}, -3, 1e30);
  b.row("r_back", {{z, 7}, {x, -1}, {h, 0}}, -0.0625, 1.0 / 7);  // unsorted, an explicit zero
  b.row("r_neg", {{w, 1}, {b0, 1}, {sfree, 2}}, -1e-5, -1e-6);
  b.sos(TVX_SOS_TYPE1, {{x, 1}, {y, 2}});
  b.sos(TVX_SOS_TYPE2, {{n, 3}, {f, 1}, {m, 2.5}});
  b.sos(TVX_SOS_TYPE1, {});
  b.indicator("ind1", bin, 1, {{z, 1}, {x, 1}}, '<', 3);
  b.indicator("ind2", b0, 0, {{m, -2}}, '=', -1);
  b.indicator("ind3", bin, 0, {{k, 0.5}, {t, 1}}, '>', 1e-9);
  b.quad(x, x, 1);
  b.quad(x, y, 3);
  b.quad(y, x, 0.25);
  b.quad(s, s, -0.1);
  return Store(b.store);
}

struct FileCase {
  const char *name;
  bool sorted_terms;  // MPS states coefficients by column
};

void PrintTo(const FileCase &c, std::ostream *os) { *os << c.name; }

class RoundTrip : public ::testing::TestWithParam<FileCase> {};

TEST_P(RoundTrip, ReadsBackTheSameModel) {
  const FileCase &c = GetParam();
  const Store model = rich_model();
  const std::string path = temp_path(c.name);
  ASSERT_EQ(tvx::write_model_file(path.c_str(), model), TVX_ERROR_OKAY);
  int rc;
  EXPECT_EQ(read_back(path, &rc, c.sorted_terms), describe(model, c.sorted_terms));
  EXPECT_EQ(rc, TVX_ERROR_OKAY);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RoundTrip,
    ::testing::Values(FileCase{"rich.mps", true}, FileCase{"rich.mps.gz", true},
                      FileCase{"rich.mps.bz2", true}, FileCase{"rich.qps", true},
                      FileCase{"rich.QPS.gz", true}, FileCase{"rich.lp", false},
                      FileCase{"rich.lp.gz", false}, FileCase{"rich.lp.bz2", false}),
    CaseName());

// Ranges are stated as a side and a width in MPS: the other side comes back
// exactly wherever some double width gives it, which covers ranges whose
// sides share a sign or are close, over every magnitude.
TEST(RoundTrip, MpsRangesKeepBothSides) {
  Builder b;
  const int x = b.var("x", 'C', 0, 1);
  std::vector<std::pair<double, double>> ranges = {{0.1, 0.7},
                                                   {-0.7, -0.1},
                                                   {1e-300, 1e300},
                                                   {-1e300, -1e-300},
                                                   {1e17, 1e17 + 64},
                                                   {-1e20 + 1e4, 5},
                                                   {0.1, 0.30000000000000004},
                                                   {-5e-324, 0},
                                                   {-3, 3}};
  unsigned seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<double>((seed >> 8) & 0xffff) / 65536.0;
  };
  for (int k = 0; k < 200; ++k) {
    const double sign = k % 2 ? -1 : 1;
    const double lo = sign * (1 + next()) * std::pow(10.0, static_cast<int>(next() * 40) - 20);
    const double hi = lo + std::fabs(lo) * next() * std::pow(2.0, -static_cast<int>(next() * 50));
    if (lo != hi) ranges.emplace_back(std::min(lo, hi), std::max(lo, hi));
  }
  for (const auto &[lo, hi] : ranges) b.row(nullptr, {{x, 1}}, lo, hi);
  const std::string path = temp_path("ranges.mps");
  ASSERT_EQ(tvx::write_model_file(path.c_str(), b.store), TVX_ERROR_OKAY);
  Store back;
  ASSERT_EQ(tvx::read_model_file(path.c_str(), back), TVX_ERROR_OKAY);
  ASSERT_EQ(back.num_rows(), b.store.num_rows());
  for (int i = 0; i < back.num_rows(); ++i) {
    EXPECT_EQ(back.rows().lhs[i], b.store.rows().lhs[i]) << "row " << i;
    EXPECT_EQ(back.rows().rhs[i], b.store.rows().rhs[i]) << "row " << i;
  }
}

// Names a format cannot hold, names an earlier element already carries and
// missing names become generated ones, which never take a name that a
// later element keeps; LP keeps unnamed rows unnamed.
TEST(FileNames, GeneratedWhereTheFormatNeedsThem) {
  Builder b;
  const char *cols[] = {nullptr, "C0", "a", "a", "has space", "end", "x+y", "#c", "3d"};
  for (const char *name : cols) b.var(name, 'C', 0, 1, 1);
  const char *rows[] = {nullptr, "dup", "R0", "dup", "'MARKER'", "max"};
  for (const char *name : rows) b.row(name, {{0, 1}, {2, 1}}, 0, 1);
  b.indicator(nullptr, 1, 1, {{2, 1}}, '<', 1);
  b.indicator("dup", 1, 0, {{2, 1}}, '<', 1);

  struct Expect {
    const char *file;
    std::vector<std::string> cols, rows, gens;
  };
  const Expect cases[] = {
      {"names.mps",
       {"C0_1", "C0", "a", "C3", "C4", "end", "x+y", "C7", "3d"},
       {"R0_1", "dup", "R0", "R3", "R4", "max"},
       {"G0", "G1"}},
      {"names.lp",
       {"C0_1", "C0", "a", "C3", "C4", "C5", "C6", "#c", "C8"},
       {"", "dup", "R0", "R3", "'MARKER'", "max"},
       {"", "G1"}},
  };
  for (const Expect &e : cases) {
    const std::string path = temp_path(e.file);
    ASSERT_EQ(tvx::write_model_file(path.c_str(), b.store), TVX_ERROR_OKAY) << e.file;
    Store back;
    ASSERT_EQ(tvx::read_model_file(path.c_str(), back), TVX_ERROR_OKAY) << e.file;
    std::vector<std::string> got_cols, got_rows, got_gens;
    for (int j = 0; j < back.num_vars(); ++j) got_cols.push_back(back.vars().names[j]);
    for (int i = 0; i < back.num_rows(); ++i) got_rows.push_back(back.rows().names[i]);
    for (int k = 0; k < back.num_genconstrs(); ++k) got_gens.push_back(back.genconstrs().names[k]);
    EXPECT_EQ(got_cols, e.cols) << e.file;
    EXPECT_EQ(got_rows, e.rows) << e.file;
    EXPECT_EQ(got_gens, e.gens) << e.file;
  }
}

// What one format cannot state is refused before the file is touched.
TEST(WriteModel, RefusesWhatTheFormatCannotState) {
  Builder crossed;
  crossed.var("x", 'C', 0, 1);
  crossed.row("r", {{0, 1}}, 2, 1);
  Builder huge_quad;
  huge_quad.var("x", 'C', 0, 1);
  huge_quad.quad(0, 0, 1e308);
  Builder no_vars;
  no_vars.row("r", {}, 0, 1);
  Builder psd;
  const int pos = 0;
  const double one = 1;
  ASSERT_EQ(psd.store.add_psd_var(2, 1, &pos, &one, "p"), TVX_ERROR_OKAY);

  const struct {
    const char *label;
    const Store &model;
    const char *file;
  } cases[] = {
      {"crossed row", crossed.store, "refused.mps"},
      {"huge quadratic", huge_quad.store, "refused.lp"},
      {"row without variables", no_vars.store, "refused.lp"},
      {"psd variable", psd.store, "refused.mps"},
      {"unknown suffix", crossed.store, "refused.txt"},
  };
  for (const auto &c : cases) {
    const std::string path = temp_path(c.file);
    put_bytes(path, "old");
    EXPECT_EQ(tvx::write_model_file(path.c_str(), c.model), kFormat) << c.label;
    EXPECT_EQ(bytes_of(path), "old") << c.label;
  }
  // LP states both sides of a crossed row.
  const std::string path = temp_path("crossed.lp");
  ASSERT_EQ(tvx::write_model_file(path.c_str(), crossed.store), TVX_ERROR_OKAY);
  int rc;
  EXPECT_EQ(read_back(path, &rc, false), describe(crossed.store, false));
}

// ---- Other solvers read our files ------------------------------------------

// rows: how many HiGHS must read, -1 for an MPS file, whose free rows it
// drops.
double highs_optimum(const std::string &path, const Store &model, int rows) {
  void *highs = Highs_create();
  EXPECT_EQ(Highs_setBoolOptionValue(highs, "output_flag", 0), kHighsStatusOk);
  const HighsInt read = Highs_readModel(highs, path.c_str());
  EXPECT_TRUE(read == kHighsStatusOk || read == kHighsStatusWarning) << path;
  EXPECT_EQ(Highs_getNumCol(highs), model.num_vars()) << path;
  if (rows >= 0) {
    EXPECT_EQ(Highs_getNumRow(highs), rows) << path;
  }
  EXPECT_NE(Highs_run(highs), kHighsStatusError) << path;
  EXPECT_EQ(Highs_getModelStatus(highs), kHighsModelStatusOptimal) << path;
  const double value = Highs_getObjectiveValue(highs);
  Highs_destroy(highs);
  return value;
}

tvx::SolveOutcome solve(const Store &model) {
  return tvx::solve(
      tvx::SolveInput{std::make_shared<Store>(model), tvx::ParamValues(), std::string()});
}

// max with ranges, a free row, a negative upper bound on a column without
// a stated lower bound, a free column and an objective constant.
Store highs_lp() {
  Builder b;
  b.store.set_sense(TVX_MAXIMIZE);
  b.store.set_objcon(12.25);
  const int x = b.var("x", 'C', 0, 4, 3);
  const int y = b.var("y", 'C', -kTvxInfinity, -0.5, 1);
  const int f = b.var("f", 'C', -kTvxInfinity, kTvxInfinity, -1);
  const int w = b.var("w", 'C', -2, 2.5, 2);
  b.row("cap", {{x, 1}, {y, 2}, {w, 1}}, -kTvxInfinity, 6);
  b.row("band", {{x, 1}, {f, -1}, {w, -1}}, -1, 2.5);
  b.row("tie", {{f, 1}, {y, 1}}, 0.75, 0.75);
  b.row("floor", {{x, 1}, {w, 1}}, 1, kTvxInfinity);
  b.row("watch", {{x, 5}, {f, 5}}, -kTvxInfinity, kTvxInfinity);
  return Store(b.store);
}

Store highs_mip() {
  Builder b;
  b.store.set_objcon(-3);
  const int x = b.var("x", 'I', -5, 7, -2);
  const int y = b.var("y", 'I', 0, kTvxInfinity, -3);
  const int z = b.var("z", 'B', 0, 1, 4);
  const int s = b.var("s", 'S', 2, 6, 1);  // at 0 only as semi-continuous
  const int c = b.var("c", 'C', 0, 10, 0.5);
  b.row("r1", {{x, 2}, {y, 3}, {c, -1}}, -kTvxInfinity, 12.5);
  b.row("r2", {{x, 1}, {y, -1}, {z, 4}}, -3, 3);
  b.row("r3", {{y, 1}, {z, -6}}, -kTvxInfinity, 1);
  b.row("r4", {{s, 1}, {x, 1}, {c, 1}}, 3.5, kTvxInfinity);
  return Store(b.store);
}

Store highs_qp() {
  Builder b;
  const int x = b.var("x", 'C', -kTvxInfinity, kTvxInfinity, -1);
  const int y = b.var("y", 'C', 0, 3, -2);
  b.row("r", {{x, 1}, {y, 1}}, -kTvxInfinity, 2);
  b.quad(x, x, 1);
  b.quad(x, y, -0.5);
  b.quad(y, y, 1.5);
  return Store(b.store);
}

// Semi-integer as other solvers read it: 0, or an integer in [1, 5].
Store highs_semi_integer() {
  Builder b;
  const int x = b.var("x", 'N', 1, 5, 1);
  const int y = b.var("y", 'C', 0, 1, 3);  // x = 1.5 would cost 1.5; x = 2 costs 2
  b.row("r", {{x, 1}, {y, 1}}, 1.5, kTvxInfinity);
  return Store(b.store);
}

struct HighsCase {
  const char *name;
  Store (*model)();
};

void PrintTo(const HighsCase &c, std::ostream *os) { *os << c.name; }

class HighsReads : public ::testing::TestWithParam<HighsCase> {};

TEST_P(HighsReads, TheSameOptimumFromOurFiles) {
  const Store model = GetParam().model();
  const tvx::SolveOutcome ours = solve(model);
  ASSERT_EQ(ours.code, TVX_ERROR_OKAY);
  ASSERT_EQ(ours.results.status, TVX_STATUS_OPTIMAL);
  ASSERT_TRUE(ours.results.primal_obj);
  // HiGHS's LP reader has no form for a range row (io/lp/writer.cpp).
  bool ranges = false;
  for (int i = 0; i < model.num_rows(); ++i) {
    const double lo = model.rows().lhs[i], hi = model.rows().rhs[i];
    ranges = ranges || (lo > -kTvxInfinity && hi < kTvxInfinity && lo != hi);
  }
  for (const char *suffix : {".mps", ".lp"}) {
    if (ranges && std::string(suffix) == ".lp") continue;
    const std::string path = temp_path(std::string("highs_") + GetParam().name + suffix);
    ASSERT_EQ(tvx::write_model_file(path.c_str(), model), TVX_ERROR_OKAY);
    const int rows = std::string(suffix) == ".lp" ? model.num_rows() : -1;
    EXPECT_NEAR(highs_optimum(path, model, rows), *ours.results.primal_obj, 1e-6) << suffix;
  }
}

INSTANTIATE_TEST_SUITE_P(Models, HighsReads,
                         ::testing::Values(HighsCase{"lp", highs_lp}, HighsCase{"mip", highs_mip},
                                           HighsCase{"qp", highs_qp},
                                           HighsCase{"semi_integer", highs_semi_integer}),
                         CaseName());

// CoinUtils' LP reader (CoinLpIO) reads our LP files as the same model:
// names, bounds, types, objective, rows, coefficients and SOS. Each model is
// stated in our LP syntax, read by our reader and written by our writer. Only
// forms CoinLpIO has are used: it has none for range rows, quadratic
// objectives, semi-continuous variables, indicators, or names beyond its
// characters or 100 bytes (see io/lp/writer.cpp).
struct CoinCase {
  const char *name;
  const char *lp;  // in our LP syntax
};

void PrintTo(const CoinCase &c, std::ostream *os) { *os << c.name; }

const CoinCase kCoinCases[] = {
    {"bounds_of_each_kind",
     "\\Problem name: bounds\n"
     "Minimize\n obj: -3 x - y + f + 2 w + k + u + 4\n"
     "Subject To\n cap: x + 2 y + w <= 6\n tie: f + y = 0.75\n floor: x + w >= 1\n"
     " watch: 5 x + 5 f >= -inf\n up: x - f <= 2.5\n empty: 0 u <= 1\n"
     "Bounds\n x <= 4\n -inf <= y <= -0.5\n f free\n w >= -2\n k = 3\n"
     "End\n"},
    {"mip_with_binaries",
     "Maximize\n obj: 2 x + 3 y - 4 b + c + d + 0.5 z + 7.5\n"
     "Subject To\n r1: 2 x + 3 y + z <= 12.5\n r2: y - 6 b <= 1\n"
     " obj: x + c + d <= 10\n"  // a row named like the objective's label
     " r3: x - y >= -3\n"
     "Bounds\n -5 <= x <= 7\n 0 <= c <= inf\n d = 1\n z <= 10\n"
     "Generals\n x y\nBinaries\n b c d\n"
     "End\n"},
    {"ordered_sets",
     "Minimize\n obj: - x1 - 2 x2 - 3 x3 - x4\n"
     "Subject To\n r: x1 + x2 + x3 + x4 <= 3\n"
     "Bounds\n x1 <= 2\n x2 <= 2\n x3 <= 2\n x4 <= 2\n"
     "SOS\n s1: S1:: x1:1 x2:2 x3:3\n s2: S2:: x2:1.5 x3:2.5 x4:4\n"
     "End\n"},
    {"names_and_unnamed_rows",
     "Minimize\n obj: - a!#$%& - b'() - c,.;?@_ - d`{}~ - E1 - e\n"
     "Subject To\n a!#$%& + b'() + c,.;?@_ + d`{}~ + E1 + e <= 3.5\n"
     " r;?@_: a!#$%& + b'() <= 1\n"
     " c,.;?@_ - d`{}~ >= -1\n"
     "Bounds\n a!#$%& <= 1\n b'() <= 1\n c,.;?@_ <= 1\n d`{}~ <= 1\n E1 <= 1\n e <= 1\n"
     "End\n"},
    {"constant_only", "Minimize\n obj: -7.5\nSubject To\nEnd\n"},
};

class CoinLpReads : public ::testing::TestWithParam<CoinCase> {};

// Sides and bounds compared with infinite ones as IEEE infinities: ours at
// TVX_INFINITY, CoinLpIO's at its infinity or beyond.
double ours(double v) {
  if (tvx::is_plus_infinite(v)) return HUGE_VAL;
  return tvx::is_minus_infinite(v) ? -HUGE_VAL : v;
}
double theirs(double v, double infinity) {
  if (v >= infinity) return HUGE_VAL;
  return v <= -infinity ? -HUGE_VAL : v;
}

std::vector<std::pair<int, double>> sorted_terms(int n, const int *ind, const double *val) {
  std::vector<std::pair<int, double>> t;
  for (int k = 0; k < n; ++k) t.emplace_back(ind[k], val[k]);
  std::sort(t.begin(), t.end());
  return t;
}

TEST_P(CoinLpReads, TheSameModelFromOurFile) {
  const std::string source = temp_path(std::string("coin_") + GetParam().name + "_source.lp");
  put_bytes(source, GetParam().lp);
  Store model;
  ASSERT_EQ(tvx::read_model_file(source.c_str(), model), TVX_ERROR_OKAY);
  const std::string written = temp_path(std::string("coin_") + GetParam().name + ".lp");
  ASSERT_EQ(tvx::write_model_file(written.c_str(), model), TVX_ERROR_OKAY);

  CoinLpIO lp;
  lp.messageHandler()->setLogLevel(0);
  try {
    lp.readLp(written.c_str());
  } catch (const CoinError &e) {
    FAIL() << "CoinLpIO refused the file: " << e.message();
  }
  const double inf = lp.getInfinity();
  const tvx::FileNames names = tvx::file_names(model, tvx::NameStyle::Lp);
  const tvx::Vars &v = model.vars();
  const double sense = model.sense() == TVX_MAXIMIZE ? -1 : 1;  // CoinLpIO minimises
  EXPECT_EQ(lp.wasMaximization(), model.sense() == TVX_MAXIMIZE);
  EXPECT_EQ(lp.objectiveOffset(), model.objcon());

  ASSERT_EQ(lp.getNumCols(), model.num_vars());
  for (int j = 0; j < model.num_vars(); ++j) {
    const auto jj = static_cast<std::size_t>(j);
    double lb = ours(v.lb[jj]), ub = ours(v.ub[jj]);
    if (v.type[jj] == 'B') lb = std::max(lb, 0.0), ub = std::min(ub, 1.0);
    EXPECT_EQ(lp.columnName(j), names.cols[jj]);
    EXPECT_EQ(theirs(lp.getColLower()[j], inf), lb) << names.cols[jj];
    EXPECT_EQ(theirs(lp.getColUpper()[j], inf), ub) << names.cols[jj];
    EXPECT_EQ(lp.isInteger(j), v.type[jj] == 'I' || v.type[jj] == 'B') << names.cols[jj];
    EXPECT_EQ(lp.getObjCoefficients()[j], sense * v.obj[jj]) << names.cols[jj];
  }

  ASSERT_EQ(lp.getNumRows(), model.num_rows());
  const CoinPackedMatrix *by_row = lp.getMatrixByRow();
  const tvx::Rows &r = model.rows();
  for (int i = 0; i < model.num_rows(); ++i) {
    const auto ii = static_cast<std::size_t>(i);
    // An unnamed row gets CoinLpIO's own name, and keeps every other row's.
    const std::string name = names.rows[ii].empty() ? "cons" + std::to_string(i) : names.rows[ii];
    EXPECT_EQ(lp.rowName(i), name);
    EXPECT_EQ(theirs(lp.getRowLower()[i], inf), ours(r.lhs[ii])) << name;
    EXPECT_EQ(theirs(lp.getRowUpper()[i], inf), ours(r.rhs[ii])) << name;
    const CoinBigIndex at = by_row->getVectorStarts()[i];
    EXPECT_EQ(sorted_terms(by_row->getVectorLengths()[i], by_row->getIndices() + at,
                           by_row->getElements() + at),
              sorted_terms(r.terms.length(i), r.terms.index(i), r.terms.value(i)))
        << name;
  }

  ASSERT_EQ(lp.numberSets(), model.num_sos());
  const tvx::SosSets &sos = model.sos();
  for (int k = 0; k < model.num_sos(); ++k) {
    const CoinSet &set = *lp.setInformation()[k];
    EXPECT_EQ(set.setType(), sos.type[static_cast<std::size_t>(k)]);
    const int n = sos.members.length(k);
    ASSERT_EQ(set.numberEntries(), n);
    EXPECT_EQ(std::vector<int>(set.which(), set.which() + n),
              std::vector<int>(sos.members.index(k), sos.members.index(k) + n));
    EXPECT_EQ(std::vector<double>(set.weights(), set.weights() + n),
              std::vector<double>(sos.members.value(k), sos.members.value(k) + n));
  }
}

INSTANTIATE_TEST_SUITE_P(Models, CoinLpReads, ::testing::ValuesIn(kCoinCases), CaseName());

// ---- Result files ----------------------------------------------------------

// A copy of a store carries no results, so they are stored in place.
void solve_into(Store &model) {
  tvx::SolveOutcome out = solve(model);
  ASSERT_EQ(out.code, TVX_ERROR_OKAY);
  model.set_results(std::move(out.results));
}

std::vector<double> starts(const Store &s) { return s.vars().start; }

TEST(SolutionFile, ListsEveryValueAndReadsBackAsStart) {
  Store model = highs_lp();
  solve_into(model);
  ASSERT_TRUE(model.results().x);
  const std::string path = temp_path("lp.sol");
  ASSERT_EQ(tvx::write_solution_file(path.c_str(), Compression::None, model), TVX_ERROR_OKAY);
  std::istringstream text(bytes_of(path));
  std::string line;
  ASSERT_TRUE(std::getline(text, line));
  const std::string objective = "# Objective value = ";
  ASSERT_EQ(line.substr(0, objective.size()), objective);
  EXPECT_EQ(std::strtod(line.c_str() + objective.size(), nullptr), *model.results().primal_obj);
  for (const char *name : {"x", "y", "f", "w"}) {
    ASSERT_TRUE(std::getline(text, line));
    const std::size_t blank = line.find(' ');
    EXPECT_EQ(line.substr(0, blank), name);
    const int j = model.vars().names.find(name);
    EXPECT_EQ(std::strtod(line.c_str() + blank, nullptr), (*model.results().x)[j]) << name;
  }
  EXPECT_FALSE(std::getline(text, line));

  Store other(model);
  ASSERT_EQ(tvx::read_start_file(path.c_str(), Compression::None, other), TVX_ERROR_OKAY);
  EXPECT_EQ(starts(other), *model.results().x);
}

// The stored start, with variables without one left out; a start read
// replaces the whole start. Unnamed variables come back through their
// generated names.
TEST(StartFile, RoundTripsThroughEveryCompression) {
  Builder b;
  for (const char *name : {"a", static_cast<const char *>(nullptr), "C1", "d e"})
    b.var(name, 'I', 0, 9);
  b.store.set_var_start(0, 0.1 + 0.2);
  b.store.set_var_start(1, -7);
  b.store.set_var_start(3, 1e-310);
  for (const char *file : {"start.mst", "start.mst.gz", "start.mst.bz2"}) {
    const std::string path = temp_path(file);
    const Compression c = tvx::file_kind(path.c_str()).compression;
    ASSERT_EQ(tvx::write_start_file(path.c_str(), c, b.store), TVX_ERROR_OKAY);
    Store other(b.store);
    for (int j = 0; j < 4; ++j) other.set_var_start(j, 5);
    ASSERT_EQ(tvx::read_start_file(path.c_str(), c, other), TVX_ERROR_OKAY);
    EXPECT_EQ(starts(other), starts(b.store)) << file;
  }
  // With a solution, the start written is the solution.
  Store model = highs_mip();
  solve_into(model);
  ASSERT_TRUE(model.results().x);
  const std::string path = temp_path("solution.mst");
  ASSERT_EQ(tvx::write_start_file(path.c_str(), Compression::None, model), TVX_ERROR_OKAY);
  Store other(model);
  ASSERT_EQ(tvx::read_start_file(path.c_str(), Compression::None, other), TVX_ERROR_OKAY);
  EXPECT_EQ(starts(other), *model.results().x);
}

TEST(BasisFile, RoundTripsAndWarmStartsTheSolve) {
  Store model = highs_lp();
  solve_into(model);
  ASSERT_TRUE(model.results().x);
  ASSERT_TRUE(model.results().basis);
  const std::string path = temp_path("lp.bas.gz");
  ASSERT_EQ(tvx::write_basis_file(path.c_str(), Compression::Gzip, model), TVX_ERROR_OKAY);
  Store other(model);
  ASSERT_FALSE(other.start_basis());
  ASSERT_EQ(tvx::read_basis_file(path.c_str(), Compression::Gzip, other), TVX_ERROR_OKAY);
  ASSERT_TRUE(other.start_basis());
  EXPECT_EQ(other.start_basis()->col, model.results().basis->col);
  EXPECT_EQ(other.start_basis()->row, model.results().basis->row);

  // Without results the start basis is written, to the same text.
  const std::string again = temp_path("again.bas");
  ASSERT_EQ(tvx::write_basis_file(again.c_str(), Compression::None, other), TVX_ERROR_OKAY);
  const std::string plain = temp_path("plain.bas");
  ASSERT_EQ(tvx::write_basis_file(plain.c_str(), Compression::None, model), TVX_ERROR_OKAY);
  EXPECT_EQ(bytes_of(again), bytes_of(plain));

  const tvx::SolveOutcome warm = solve(other);
  ASSERT_EQ(warm.code, TVX_ERROR_OKAY);
  ASSERT_TRUE(warm.results.stats);
  EXPECT_EQ(warm.results.stats->spx_iters, 0);
  EXPECT_NEAR(*warm.results.primal_obj, *model.results().primal_obj, 1e-9);
}

// The basis statuses as stated by hand: a basic column pairs with a
// nonbasic row, a later line wins; columns not named sit at their lower
// bound, or between their bounds when they have none.
TEST(BasisFile, ReadsTheCommonFormat) {
  Store model = highs_lp();  // x, y, f (free), w; cap, band, tie, floor, watch
  const std::string path = temp_path("hand.bas");
  put_bytes(path,
            "* written by hand\n"
            "NAME          whatever it says\n"
            " XU x         cap\n"
            " xl y         tie\n"
            " UL w\n"
            " LL w\n"
            "ENDATA\n");
  ASSERT_EQ(tvx::read_basis_file(path.c_str(), Compression::None, model), TVX_ERROR_OKAY);
  ASSERT_TRUE(model.start_basis());
  using namespace tvx;
  EXPECT_EQ(model.start_basis()->col,
            (std::vector<int>{kBasisBasic, kBasisBasic, kBasisSuperbasic, kBasisLower}));
  EXPECT_EQ(model.start_basis()->row,
            (std::vector<int>{kBasisUpper, kBasisBasic, kBasisLower, kBasisBasic, kBasisBasic}));
}

// Files that pair a basic column with a nonbasic column, and UL or LL lines
// that name a row.
TEST(BasisFile, PairsColumnsAndNamesNonbasicRows) {
  Store model = highs_lp();  // x, y, f (free), w; cap, band, tie, floor, watch
  const std::string path = temp_path("columns.bas");
  put_bytes(path, "NAME\n XU x y\n UL cap\nENDATA\n");
  ASSERT_EQ(tvx::read_basis_file(path.c_str(), Compression::None, model), TVX_ERROR_OKAY);
  ASSERT_TRUE(model.start_basis());
  using namespace tvx;
  EXPECT_EQ(model.start_basis()->col,
            (std::vector<int>{kBasisBasic, kBasisUpper, kBasisSuperbasic, kBasisLower}));
  EXPECT_EQ(model.start_basis()->row,
            (std::vector<int>{kBasisUpper, kBasisBasic, kBasisBasic, kBasisBasic, kBasisBasic}));
}

// Bad content is refused whole: the start and the start basis stay.
TEST(ResultFiles, BadContentChangesNothing) {
  const struct {
    const char *file;
    std::string text;
  } cases[] = {
      {"unknown.mst", "x 1\nnobody 2\n"},
      {"number.mst", "x 1\ny one\n"},
      {"fields.sol", "# Objective value = 3\nx 1 2\n"},
      {"infinite.mst", "x inf\n"},
      {"unknown.bas", "NAME\n XU x nowhere\nENDATA\n"},
      {"count.bas", "NAME\n XU x cap\n XL y cap\nENDATA\n"},
      {"type.bas", "NAME\n BS x\nENDATA\n"},
      {"cut.bas", "NAME\n XU x cap\n"},
      {"header.bas", "NAME\nROWS\nENDATA\n"},
      {"fields.bas", "NAME\n XU x cap y\nENDATA\n"},
      {"pair.bas", "NAME\n XL x\nENDATA\n"},
      {"basic.bas", "NAME\n XU nobody cap\nENDATA\n"},
      {"single.bas", "NAME\n UL w cap\nENDATA\n"},
      {"nonbasic.bas", "NAME\n LL nobody\nENDATA\n"},
      {"nul.mst", std::string("x 1\n\0y 2\n", 9)},
  };
  Store model = highs_lp();
  model.set_var_start(1, 4);
  const std::string good = temp_path("good.bas");
  put_bytes(good, "NAME\n XU x cap\nENDATA\n");
  ASSERT_EQ(tvx::read_basis_file(good.c_str(), Compression::None, model), TVX_ERROR_OKAY);
  const std::vector<int> cols = model.start_basis()->col;
  const std::vector<double> start = starts(model);
  for (const auto &c : cases) {
    const std::string path = temp_path(c.file);
    put_bytes(path, c.text);
    const bool basis = fs::path(path).extension() == ".bas";
    const int rc = basis ? tvx::read_basis_file(path.c_str(), Compression::None, model)
                         : tvx::read_start_file(path.c_str(), Compression::None, model);
    EXPECT_EQ(rc, kFormat) << c.file;
    EXPECT_EQ(model.start_basis()->col, cols) << c.file;
    EXPECT_EQ(starts(model), start) << c.file;
  }
}

// ---- Replacing files -------------------------------------------------------

// A folder of its own for a test that looks at what a folder holds.
fs::path fresh_folder(const std::string &name) {
  fs::path dir = temp_dir() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> listing(const fs::path &dir) {
  std::vector<std::string> names;
  for (const auto &e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::string>;

const char kOld[] = "the file that was there\n";

std::string decoded(const fs::path &path) {
  std::string text;
  EXPECT_EQ(
      tvx::read_small_file(path.c_str(), tvx::file_kind(path.c_str()).compression, 1 << 20, text),
      TVX_ERROR_OKAY)
      << path;
  return text;
}

TEST(OutputFile, ReplacesTheFileOnlyWhenClosed) {
  for (const char *name : {"f.txt", "f.txt.gz", "f.txt.bz2"}) {
    const fs::path dir = fresh_folder("closed");
    const fs::path path = dir / name;
    put_bytes(path, kOld);
    const Compression c = tvx::file_kind(name).compression;
    {
      tvx::OutputFile out;
      ASSERT_EQ(out.open(path.c_str(), c), TVX_ERROR_OKAY);
      ASSERT_EQ(out.write("new text\n"), TVX_ERROR_OKAY);
      EXPECT_EQ(bytes_of(path), kOld) << name;
    }  // dropped without close()
    EXPECT_EQ(bytes_of(path), kOld) << name;
    EXPECT_EQ(listing(dir), Names{name});
    tvx::OutputFile out;
    ASSERT_EQ(out.open(path.c_str(), c), TVX_ERROR_OKAY);
    ASSERT_EQ(out.write("new text\n"), TVX_ERROR_OKAY);
    ASSERT_EQ(out.close(), TVX_ERROR_OKAY);
    EXPECT_EQ(decoded(path), "new text\n") << name;
    EXPECT_EQ(listing(dir), Names{name});
  }
}

// The file a chain of links leads to is replaced; the links stay links, and
// the file its permission bits.
TEST(OutputFile, ReplacesTheFileBehindLinks) {
  const fs::path dir = fresh_folder("links");
  fs::create_directories(dir / "real");
  put_bytes(dir / "real" / "m.lp", kOld);
  fs::permissions(dir / "real" / "m.lp", fs::perms(0640));
  fs::create_symlink("real/m.lp", dir / "second.lp");
  fs::create_symlink(dir / "second.lp", dir / "first.lp");  // absolute
  fs::create_symlink("real/new.lp", dir / "dangling.lp");
  {
    tvx::OutputFile dropped;
    ASSERT_EQ(dropped.open((dir / "first.lp").c_str(), Compression::None), TVX_ERROR_OKAY);
    ASSERT_EQ(dropped.write("cut"), TVX_ERROR_OKAY);
  }
  EXPECT_EQ(bytes_of(dir / "real" / "m.lp"), kOld);
  for (const char *link : {"first.lp", "dangling.lp"}) {
    tvx::OutputFile out;
    ASSERT_EQ(out.open((dir / link).c_str(), Compression::None), TVX_ERROR_OKAY);
    ASSERT_EQ(out.write(link), TVX_ERROR_OKAY);
    ASSERT_EQ(out.close(), TVX_ERROR_OKAY);
  }
  EXPECT_EQ(bytes_of(dir / "real" / "m.lp"), "first.lp");
  EXPECT_EQ(bytes_of(dir / "real" / "new.lp"), "dangling.lp");
  EXPECT_EQ(fs::status(dir / "real" / "m.lp").permissions(), fs::perms(0640));
  for (const char *link : {"first.lp", "second.lp", "dangling.lp"})
    EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
  EXPECT_EQ(listing(dir / "real"), (Names{"m.lp", "new.lp"}));

  // A new file's bits are those a plain open gives.
  const mode_t mask = umask(027);
  tvx::OutputFile out;
  ASSERT_EQ(out.open((dir / "fresh.lp").c_str(), Compression::None), TVX_ERROR_OKAY);
  ASSERT_EQ(out.close(), TVX_ERROR_OKAY);
  umask(mask);
  EXPECT_EQ(fs::status(dir / "fresh.lp").permissions(), fs::perms(0640));

  // What cannot be written: a loop of links, a folder.
  fs::create_symlink("loop_b.lp", dir / "loop_a.lp");
  fs::create_symlink("loop_a.lp", dir / "loop_b.lp");
  fs::create_directory(dir / "folder.lp");
  for (const char *name : {"loop_a.lp", "folder.lp"})
    EXPECT_EQ(out.open((dir / name).c_str(), Compression::None), TVX_ERROR_FILE_WRITE_ERROR);
  EXPECT_EQ(listing(dir), (Names{"dangling.lp", "first.lp", "folder.lp", "fresh.lp", "loop_a.lp",
                                 "loop_b.lp", "real", "second.lp"}));
}

// Continuous columns in [0, inf) and equality rows, as every format states
// them, with the solution and the basis of min x0 + 2 x1 + 3 x2 + 4 x3.
Store every_format_model() {
  Builder b;
  for (const char *name : {"x0", "x1", "x2", "x3"})
    b.var(name, 'C', 0, kTvxInfinity, 1 + b.store.num_vars());
  b.row("a", {{0, 1}, {1, 1}}, 1, 1);
  b.row("b", {{2, 1}, {3, 1}}, 2, 2);
  Store s(b.store);
  tvx::Results r;
  r.x = std::vector<double>{1, 0, 2, 0};
  r.primal_obj = 7;
  r.basis = tvx::Basis{{tvx::kBasisBasic, tvx::kBasisLower, tvx::kBasisBasic, tvx::kBasisLower},
                       {tvx::kBasisLower, tvx::kBasisLower}};
  s.set_results(std::move(r));
  return s;
}

// Every kind of file the library writes, plain and compressed.
const char *const kEveryWriter[] = {
    "m.lp",  "m.lp.gz",  "m.mps", "m.mps.bz2", "m.qps", "m.qps.gz", "m.dat-s", "m.dat-s.bz2",
    "m.sol", "m.sol.gz", "m.mst", "m.mst.bz2", "m.bas", "m.bas.gz", "m.prm",   "m.prm.bz2",
};

// Writes every kind of file over an old one in a child process whose files
// may not grow beyond 16 bytes, SIGXFSZ set to action (ignored: the writes
// fail; the default: the first kills the writer). The child's statuses come
// back in codes; returns the wait status.
int write_all_limited(const fs::path &dir, void (*action)(int), std::vector<int> &codes) {
  const Store model = every_format_model();
  for (const char *name : kEveryWriter) put_bytes(dir / name, kOld);
  int pipe_fd[2];
  EXPECT_EQ(pipe(pipe_fd), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fd[0]);
    signal(SIGXFSZ, action);
    const rlimit no_core{0, 0}, limit{16, RLIM_INFINITY};
    setrlimit(RLIMIT_CORE, &no_core);
    setrlimit(RLIMIT_FSIZE, &limit);
    for (const char *name : kEveryWriter) {
      const int rc = tvx::write_model_data((dir / name).c_str(), model, tvx::ParamValues());
      if (write(pipe_fd[1], &rc, sizeof rc) != sizeof rc) _exit(2);
    }
    _exit(0);
  }
  close(pipe_fd[1]);
  int rc;
  while (read(pipe_fd[0], &rc, sizeof rc) == sizeof rc) codes.push_back(rc);
  close(pipe_fd[0]);
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  return status;
}

TEST(ReplaceFiles, AFailedWriteKeepsEveryKindOfFile) {
  const fs::path dir = fresh_folder("limited");
  std::vector<int> codes;
  const int status = write_all_limited(dir, SIG_IGN, codes);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(codes.size(), std::size(kEveryWriter));
  for (std::size_t k = 0; k < codes.size(); ++k) {
    EXPECT_EQ(codes[k], TVX_ERROR_FILE_WRITE_ERROR) << kEveryWriter[k];
    EXPECT_EQ(bytes_of(dir / kEveryWriter[k]), kOld) << kEveryWriter[k];
  }
  Names all(std::begin(kEveryWriter), std::end(kEveryWriter));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(listing(dir), all);  // no file of a fresh name left behind

  // Without the limit each of them is written whole.
  const Store model = every_format_model();
  for (const char *name : kEveryWriter) {
    ASSERT_EQ(tvx::write_model_data((dir / name).c_str(), model, tvx::ParamValues()),
              TVX_ERROR_OKAY)
        << name;
    EXPECT_NE(decoded(dir / name), kOld) << name;
  }
}

TEST(ReplaceFiles, AWriterKilledHalfWayLeavesTheOldFile) {
  const fs::path dir = fresh_folder("killed");
  std::vector<int> codes;
  const int status = write_all_limited(dir, SIG_DFL, codes);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  EXPECT_TRUE(codes.empty());
  for (const char *name : kEveryWriter) EXPECT_EQ(bytes_of(dir / name), kOld) << name;
}

// ---- Through the C interface ------------------------------------------------

struct ApiModel {
  ApiModel() {
    EXPECT_EQ(TVXloadenv(&env, nullptr), TVX_ERROR_OKAY);
    const double lb[] = {0, -1, 0}, ub[] = {1, 1, 10};
    const char type[] = {'B', 'C', 'I'};
    const char *names[] = {"a", "b", nullptr};
    EXPECT_EQ(TVXnewmodel(env, &model, "api", 3, nullptr, lb, ub, type, names), TVX_ERROR_OKAY);
  }
  ~ApiModel() {
    TVXfreemodel(model);
    TVXfreeenv(env);
  }
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;
};

TEST(Api, ParameterFilesOfTheModelsOwnEnvironment) {
  for (const char *file : {"model.prm", "model.prm.gz", "model.PRM.bz2"}) {
    ApiModel src, dst;
    ASSERT_EQ(TVXsetdblparam(TVXgetenv(src.model), "MaxTime", 12.5), TVX_ERROR_OKAY);
    ASSERT_EQ(TVXsetintparam(TVXgetenv(src.model), "NumThreads", 3), TVX_ERROR_OKAY);
    const std::string path = temp_path(file);
    ASSERT_EQ(TVXwrite(src.model, path.c_str()), TVX_ERROR_OKAY) << file;
    ASSERT_EQ(TVXread(dst.model, path.c_str()), TVX_ERROR_OKAY) << file;
    double time = 0;
    int threads = 0;
    EXPECT_EQ(TVXgetdblparam(TVXgetenv(dst.model), "MaxTime", &time), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXgetintparam(TVXgetenv(dst.model), "NumThreads", &threads), TVX_ERROR_OKAY);
    EXPECT_EQ(time, 12.5) << file;
    EXPECT_EQ(threads, 3) << file;
    // The environment the model was created in keeps its own settings.
    EXPECT_EQ(TVXgetdblparam(dst.env, "MaxTime", &time), TVX_ERROR_OKAY);
    EXPECT_NE(time, 12.5);
  }
}

TEST(Api, StartAndModelFilesByName) {
  ApiModel m;
  const int ind[] = {0, 2};
  const double start[] = {1, 4};
  ASSERT_EQ(TVXsetdblattrlist(m.model, "Start", 2, ind, start), TVX_ERROR_OKAY);
  const std::string mst = temp_path("api.mst.bz2");
  ASSERT_EQ(TVXwrite(m.model, mst.c_str()), TVX_ERROR_OKAY);
  ApiModel other;
  ASSERT_EQ(TVXread(other.model, mst.c_str()), TVX_ERROR_OKAY);
  const int all[] = {0, 1, 2};
  double got[3];
  ASSERT_EQ(TVXgetdblattrlist(other.model, "Start", 3, all, got), TVX_ERROR_OKAY);
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(got[1], TVX_UNDEFINED);
  EXPECT_EQ(got[2], 4);

  for (const char *file : {"api.mps", "api.lp.gz", "api.qps.bz2"}) {
    const std::string path = temp_path(file);
    ASSERT_EQ(TVXwrite(m.model, path.c_str()), TVX_ERROR_OKAY) << file;
    TVXmodel *back = nullptr;
    ASSERT_EQ(TVXreadmodel(m.env, path.c_str(), &back), TVX_ERROR_OKAY) << file;
    const char *name = nullptr;
    ASSERT_EQ(TVXgetstrattr(back, "ModelName", &name), TVX_ERROR_OKAY);
    EXPECT_STREQ(name, "api");
    const char *names[3];
    ASSERT_EQ(TVXgetstrattrlist(back, "VarName", 3, all, names), TVX_ERROR_OKAY);
    EXPECT_STREQ(names[2], "C2");
    TVXfreemodel(back);
  }
}

TEST(Api, RefusalsAndFailures) {
  ApiModel m;
  const std::string model_file = temp_path("exists.mps");
  ASSERT_EQ(TVXwrite(m.model, model_file.c_str()), TVX_ERROR_OKAY);
  // A symbolic link to a full device: open succeeds, writing fails.
  const std::string full = temp_path("full.lp");
  ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);

  const struct {
    const char *label;
    bool write;
    std::string file;
    int rc;
  } cases[] = {
      {"unknown suffix", true, temp_path("x.txt"), kFormat},
      {"no suffix", true, temp_path("noext"), kFormat},
      {"semidefinite format", true, temp_path("x.dat-s"), kFormat},
      {"no directory", true, "/nonexistent/dir/x.mps", TVX_ERROR_FILE_WRITE_ERROR},
      {"device full", true, full, TVX_ERROR_FILE_WRITE_ERROR},
      {"no solution", true, temp_path("x.sol"), TVX_ERROR_NO_SOLN},
      {"no basis", true, temp_path("x.bas"), TVX_ERROR_NO_SOLN},
      {"model file", false, model_file, kFormat},
      {"missing start", false, temp_path("missing.mst"), TVX_ERROR_FILE_READ_ERROR},
      {"missing params", false, temp_path("missing.prm.gz"), TVX_ERROR_FILE_READ_ERROR},
      {"unknown suffix", false, model_file + ".txt", kFormat},
  };
  for (const auto &c : cases) {
    const int rc = c.write ? TVXwrite(m.model, c.file.c_str()) : TVXread(m.model, c.file.c_str());
    EXPECT_EQ(rc, c.rc) << c.label;
    // A refused or failed write leaves nothing at the path; the device,
    // written in place, stays the device behind its link.
    if (c.write && c.file != full) {
      EXPECT_FALSE(fs::exists(fs::symlink_status(c.file))) << c.label;
    }
  }
  EXPECT_TRUE(fs::is_symlink(full));
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_EQ(TVXwrite(m.model, nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXread(m.model, nullptr), TVX_ERROR_INVALID_ARGUMENT);

  // A parameter file with a bad line changes no parameter.
  const std::string prm = temp_path("bad.prm.gz");
  {
    tvx::OutputFile out;
    ASSERT_EQ(out.open(prm.c_str(), Compression::Gzip), TVX_ERROR_OKAY);
    ASSERT_EQ(out.write("MaxTime 3\nNoSuchParam 1\n"), TVX_ERROR_OKAY);
    ASSERT_EQ(out.close(), TVX_ERROR_OKAY);
  }
  EXPECT_EQ(TVXread(m.model, prm.c_str()), kFormat);
  double time = 0;
  EXPECT_EQ(TVXgetdblparam(TVXgetenv(m.model), "MaxTime", &time), TVX_ERROR_OKAY);
  EXPECT_NE(time, 3);
}

}  // namespace
