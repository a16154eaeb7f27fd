// Reading the stored problem back and editing it through the C interface:
// rows and columns in two calls, single coefficients, SOS and indicator
// constraints, and deletions that renumber every reference. Every refused
// call must leave the model exactly as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace test_support;

constexpr int kRowIdx = TVX_ERROR_MODEL_INVALID_ROW_IDX;
constexpr int kColIdx = TVX_ERROR_MODEL_INVALID_COL_IDX;
constexpr int kSosIdx = TVX_ERROR_MODEL_INVALID_SOS_IDX;
constexpr int kSosType = TVX_ERROR_MODEL_INVALID_SOS_TYPE;
constexpr int kIndCol = TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX;
constexpr int kIndRow = TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX;

// A compressed read: one start per element, then its entries.
struct Sparse {
  std::vector<int> beg, ind;
  std::vector<double> val;
  bool operator==(const Sparse &o) const { return beg == o.beg && ind == o.ind && val == o.val; }
};

struct Sos {
  int type;
  std::vector<int> ind;
  std::vector<double> weight;
  bool operator==(const Sos &o) const {
    return type == o.type && ind == o.ind && weight == o.weight;
  }
};

struct Indicator {
  int binvar, binval;
  std::vector<int> ind;
  std::vector<double> val;
  char sense;
  double rhs;
  bool operator==(const Indicator &o) const {
    return binvar == o.binvar && binval == o.binval && ind == o.ind && val == o.val &&
           sense == o.sense && rhs == o.rhs;
  }
};

using Reader = int (*)(TVXmodel *, int *, int *, int *, double *, int, int);

// The two-call read the module makes; the first call must fill nothing.
Sparse read(TVXmodel *model, Reader reader, int start, int count) {
  int numnz = -1;
  EXPECT_EQ(reader(model, &numnz, nullptr, nullptr, nullptr, start, count), TVX_ERROR_OKAY);
  Sparse s;
  s.beg.assign(static_cast<std::size_t>(count), -1);
  s.ind.assign(static_cast<std::size_t>(numnz), -1);
  s.val.assign(static_cast<std::size_t>(numnz), kNaN);
  EXPECT_EQ(reader(model, &numnz, s.beg.data(), s.ind.data(), s.val.data(), start, count),
            TVX_ERROR_OKAY);
  EXPECT_EQ(static_cast<std::size_t>(numnz), s.ind.size());
  return s;
}

Sos get_sos(TVXmodel *model, int index) {
  int n = -1, type = -1, beg = -1;
  EXPECT_EQ(TVXgetsos(model, &n, &type, &beg, nullptr, nullptr, index, 1), TVX_ERROR_OKAY);
  Sos s{-1, std::vector<int>(static_cast<std::size_t>(n), -1),
        std::vector<double>(static_cast<std::size_t>(n), kNaN)};
  EXPECT_EQ(TVXgetsos(model, &n, &s.type, &beg, s.ind.data(), s.weight.data(), index, 1),
            TVX_ERROR_OKAY);
  EXPECT_EQ(beg, 0);
  return s;
}

Indicator get_indicator(TVXmodel *model, int index) {
  Indicator g{-1, -1, {}, {}, 0, kNaN};
  int n = -1;
  EXPECT_EQ(TVXgetgenconstrIndicator(model, index, &g.binvar, &g.binval, &n, nullptr, nullptr,
                                     &g.sense, &g.rhs),
            TVX_ERROR_OKAY);
  g.ind.assign(static_cast<std::size_t>(n), -1);
  g.val.assign(static_cast<std::size_t>(n), kNaN);
  EXPECT_EQ(TVXgetgenconstrIndicator(model, index, &g.binvar, &g.binval, &n, g.ind.data(),
                                     g.val.data(), &g.sense, &g.rhs),
            TVX_ERROR_OKAY);
  return g;
}

// Dense matrix from a compressed read, by rows or (transposed) by columns.
std::vector<std::vector<double>> dense(const Sparse &s, int rows, int cols, bool by_column) {
  std::vector<std::vector<double>> a(static_cast<std::size_t>(rows),
                                     std::vector<double>(static_cast<std::size_t>(cols), 0));
  const int outer = static_cast<int>(s.beg.size());
  for (int k = 0; k < outer; ++k) {
    const int end = k + 1 < outer ? s.beg[k + 1] : static_cast<int>(s.ind.size());
    for (int e = s.beg[k]; e < end; ++e) {
      const int i = by_column ? s.ind[e] : k, j = by_column ? k : s.ind[e];
      a[i][j] += s.val[e];
    }
  }
  return a;
}

// Five variables x0..x4 (x4 binary), rows
//   r0: x0 + 2 x1 + 3 x2     r1: (empty)     r2: 4 x3 - 5 x1 + 0 x0
// an SOS {x1 w1, x2 w2, x3 w3}, an indicator x4 = 1 -> 6 x2 + 7 x3 <= 8,
// quadratic terms 9 x1 x3 and 10 x0 x0, objective 11 x3 + 12 x2.
struct Edit : ModelTest {
  void SetUp() override {
    ASSERT_EQ(TVXloadenv(&env, nullptr), TVX_ERROR_OKAY);
    const double obj[] = {0, 0, 12, 11, 0};
    const char type[] = {'C', 'C', 'C', 'I', 'B'};
    const char *names[] = {"x0", "x1", "x2", "x3", "x4"};
    ASSERT_EQ(TVXnewmodel(env, &model, "m", 5, obj, nullptr, nullptr, type, names), TVX_ERROR_OKAY);
    const int beg[] = {0, 3, 3};
    const int ind[] = {0, 1, 2, 3, 1, 0};
    const double val[] = {1, 2, 3, 4, -5, 0};
    const double lower[] = {0, 1, 2};
    const char *rnames[] = {"r0", "r1", "r2"};
    ASSERT_EQ(TVXaddrangeconstrs(model, 3, 6, beg, ind, val, lower, nullptr, rnames),
              TVX_ERROR_OKAY);
    const int types[] = {TVX_SOS_TYPE1}, sbeg[] = {0}, sind[] = {1, 2, 3};
    const double weight[] = {1, 2, 3};
    ASSERT_EQ(TVXaddsos(model, 1, 3, types, sbeg, sind, weight), TVX_ERROR_OKAY);
    const int gind[] = {2, 3};
    const double gval[] = {6, 7};
    ASSERT_EQ(TVXaddgenconstrIndicator(model, "g0", 4, 1, 2, gind, gval, '<', 8), TVX_ERROR_OKAY);
    const int qr[] = {1, 0}, qc[] = {3, 0};
    const double qv[] = {9, 10};
    ASSERT_EQ(TVXaddqpterms(model, 2, qr, qc, qv), TVX_ERROR_OKAY);
  }
  Sparse rows() { return read(model, TVXgetconstrs, 0, num("NumConstrs")); }
  Sparse cols() { return read(model, TVXgetvars, 0, num("NumVars")); }
  std::vector<std::string> names(const char *attr, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
      const char *s = nullptr;
      EXPECT_EQ(TVXgetstrattrlist(model, attr, 1, &i, &s), TVX_ERROR_OKAY);
      out.emplace_back(s ? s : "?");
    }
    return out;
  }
  std::vector<double> var_dbl(const char *attr) {
    const int n = num("NumVars");
    std::vector<int> all;
    for (int j = 0; j < n; ++j) all.push_back(j);
    std::vector<double> v(static_cast<std::size_t>(n), kNaN);
    EXPECT_EQ(TVXgetdblattrlist(model, attr, n, all.data(), v.data()), TVX_ERROR_OKAY);
    return v;
  }
  std::vector<int> qterms(std::vector<double> *val) {
    int n = -1;
    EXPECT_EQ(TVXgetq(model, &n, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
    std::vector<int> r(static_cast<std::size_t>(n)), c(r.size());
    val->assign(r.size(), kNaN);
    EXPECT_EQ(TVXgetq(model, &n, r.data(), c.data(), val->data()), TVX_ERROR_OKAY);
    std::vector<int> pairs;
    for (std::size_t k = 0; k < r.size(); ++k) {
      pairs.push_back(r[k]);
      pairs.push_back(c[k]);
    }
    return pairs;
  }

  // Everything a refused call must leave alone.
  struct Snapshot {
    Sparse rows;
    std::vector<Sos> sos;
    std::vector<Indicator> gen;
    std::vector<std::string> var_names, row_names;
    std::vector<int> q;
    bool operator==(const Snapshot &o) const {
      return rows == o.rows && sos == o.sos && gen == o.gen && var_names == o.var_names &&
             row_names == o.row_names && q == o.q;
    }
  };
  Snapshot snapshot() {
    Snapshot s{
        rows(), {}, {}, names("VarName", num("NumVars")), names("ConstrName", num("NumConstrs")),
        {}};
    for (int k = 0; k < num("NumSOS"); ++k) s.sos.push_back(get_sos(model, k));
    for (int k = 0; k < num("NumGenConstrs"); ++k) s.gen.push_back(get_indicator(model, k));
    std::vector<double> qv;
    s.q = qterms(&qv);
    return s;
  }
};

TEST_F(Edit, RowsAndColumnsReadInTwoCallsAgree) {
  const Sparse r = rows();
  EXPECT_EQ(r.beg, (std::vector<int>{0, 3, 3}));
  // As given: unsorted, the explicit zero kept.
  EXPECT_EQ(r.ind, (std::vector<int>{0, 1, 2, 3, 1, 0}));
  EXPECT_EQ(r.val, (std::vector<double>{1, 2, 3, 4, -5, 0}));

  const Sparse c = cols();
  EXPECT_EQ(c.beg, (std::vector<int>{0, 2, 4, 5, 6}));
  EXPECT_EQ(c.ind, (std::vector<int>{0, 2, 0, 2, 0, 2}));  // rows ascending
  EXPECT_EQ(dense(c, 3, 5, true), dense(r, 3, 5, false));

  // Sub-ranges start their own numbering at 0; empty ranges are fine.
  EXPECT_EQ(read(model, TVXgetconstrs, 1, 2), (Sparse{{0, 0}, {3, 1, 0}, {4, -5, 0}}));
  EXPECT_EQ(read(model, TVXgetconstrs, 1, 1), (Sparse{{0}, {}, {}}));
  EXPECT_EQ(read(model, TVXgetconstrs, 3, 0), (Sparse{}));
  EXPECT_EQ(read(model, TVXgetvars, 4, 1), (Sparse{{0}, {}, {}}));
  EXPECT_EQ(read(model, TVXgetvars, 3, 1), (Sparse{{0}, {2}, {4}}));
  // Arrays for an empty row may be null or not.
  int numnz = 0, beg = -1;
  EXPECT_EQ(TVXgetconstrs(model, &numnz, &beg, nullptr, nullptr, 1, 1), TVX_ERROR_OKAY);
  EXPECT_EQ(beg, 0);
}

TEST_F(Edit, ReadRefusalsWriteNothing) {
  int beg[4] = {-7, -7, -7, -7}, ind[8];
  double val[8], value = -7;
  int small = 2;
  const struct {
    const char *what;
    int status;
    std::function<int()> call;
  } cases[] = {
      {"null count", kArg, [&] { return TVXgetconstrs(model, nullptr, beg, ind, val, 0, 1); }},
      {"negative count", kArg, [&] { return TVXgetconstrs(model, &small, beg, ind, val, 0, -1); }},
      {"negative start", kRowIdx,
       [&] { return TVXgetconstrs(model, &small, beg, ind, val, -1, 1); }},
      {"range past the end", kRowIdx,
       [&] { return TVXgetconstrs(model, &small, beg, ind, val, 2, 2); }},
      {"start past the end", kRowIdx,
       [&] { return TVXgetconstrs(model, &small, beg, ind, val, 4, 0); }},
      {"room smaller than the rows", kArg,
       [&] { return TVXgetconstrs(model, &small, beg, ind, val, 0, 1); }},
      {"missing start array", kArg,
       [&] { return TVXgetconstrs(model, &small, nullptr, ind, val, 1, 1); }},
      {"missing value array", kArg,
       [&] { return TVXgetvars(model, &small, beg, ind, nullptr, 0, 1); }},
      {"column past the end", kColIdx,
       [&] { return TVXgetvars(model, &small, beg, ind, val, 5, 1); }},
      {"column room too small", kArg,
       [&] { return TVXgetvars(model, &small, beg, ind, val, 0, 3); }},
      {"coefficient of no row", kRowIdx, [&] { return TVXgetcoeff(model, 3, 0, &value); }},
      {"coefficient of no variable", kColIdx, [&] { return TVXgetcoeff(model, 0, -1, &value); }},
      {"coefficient without output", kArg, [&] { return TVXgetcoeff(model, 0, 0, nullptr); }},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.call(), c.status) << c.what;
    EXPECT_EQ(small, 2) << c.what;
    EXPECT_EQ(beg[0], -7) << c.what;
    EXPECT_EQ(value, -7) << c.what;
  }
}

TEST_F(Edit, CoefficientChangesShowInEveryRead) {
  double v = kNaN;
  EXPECT_EQ(TVXgetcoeff(model, 2, 1, &v), TVX_ERROR_OKAY);
  EXPECT_EQ(v, -5);
  EXPECT_EQ(TVXgetcoeff(model, 1, 1, &v), TVX_ERROR_OKAY);
  EXPECT_EQ(v, 0);

  // Changes an entry, adds two (one to the empty row), and a later pair
  // wins over an earlier equal one.
  const int ci[] = {0, 1, 2, 2, 0};
  const int vi[] = {1, 4, 4, 4, 1};
  const double vals[] = {20, 0.5, 7, 8, -2};
  ASSERT_EQ(TVXchgcoeffs(model, 5, ci, vi, vals), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumNZs"), 8);
  for (const auto &[i, j, want] :
       std::vector<std::tuple<int, int, double>>{{0, 1, -2}, {1, 4, 0.5}, {2, 4, 8}, {0, 0, 1}}) {
    EXPECT_EQ(TVXgetcoeff(model, i, j, &v), TVX_ERROR_OKAY);
    EXPECT_EQ(v, want) << i << "," << j;
  }
  const Sparse r = rows();
  EXPECT_EQ(r.beg, (std::vector<int>{0, 3, 4}));
  EXPECT_EQ(r.ind, (std::vector<int>{0, 1, 2, 4, 3, 1, 0, 4}));
  EXPECT_EQ(r.val, (std::vector<double>{1, -2, 3, 0.5, 4, -5, 0, 8}));
  EXPECT_EQ(dense(cols(), 3, 5, true), dense(r, 3, 5, false));

  // A batch with one bad pair is refused whole.
  const Snapshot before = snapshot();
  const int bad_row[] = {0, 3}, bad_col[] = {0, 5}, ok2[] = {0, 0};
  const double two[] = {99, 99}, nan2[] = {99, kNaN};
  EXPECT_EQ(TVXchgcoeffs(model, 2, bad_row, ok2, two), kRowIdx);
  EXPECT_EQ(TVXchgcoeffs(model, 2, ok2, bad_col, two), kColIdx);
  EXPECT_EQ(TVXchgcoeffs(model, 2, ok2, ok2, nan2), kInput);
  EXPECT_EQ(TVXchgcoeffs(model, 2, ok2, ok2, nullptr), kArg);
  EXPECT_EQ(TVXchgcoeffs(model, -1, ok2, ok2, two), kArg);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(Edit, SosAddAndReadBack) {
  // Two sets in one batch, weights kept in the order given.
  const int types[] = {TVX_SOS_TYPE2, TVX_SOS_TYPE1}, beg[] = {0, 2}, ind[] = {4, 0, 2};
  const double weight[] = {3, 1, -2.5};
  ASSERT_EQ(TVXaddsos(model, 2, 3, types, beg, ind, weight), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumSOS"), 3);
  EXPECT_EQ(get_sos(model, 0), (Sos{TVX_SOS_TYPE1, {1, 2, 3}, {1, 2, 3}}));
  EXPECT_EQ(get_sos(model, 1), (Sos{TVX_SOS_TYPE2, {4, 0}, {3, 1}}));
  EXPECT_EQ(get_sos(model, 2), (Sos{TVX_SOS_TYPE1, {2}, {-2.5}}));

  // A range read gives each set's type and start; the sizing call too.
  int n = -1, t[2] = {-1, -1}, b[2] = {-1, -1};
  ASSERT_EQ(TVXgetsos(model, &n, t, b, nullptr, nullptr, 1, 2), TVX_ERROR_OKAY);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(b[1], 2);
  EXPECT_EQ(t[1], TVX_SOS_TYPE1);

  // A set without members is the caller's choice.
  const int zero[] = {0};
  ASSERT_EQ(TVXaddsos(model, 1, 0, types, zero, nullptr, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(get_sos(model, 3), (Sos{TVX_SOS_TYPE2, {}, {}}));
}

TEST_F(Edit, SosRefusalsChangeNothing) {
  const Snapshot before = snapshot();
  const int t1[] = {TVX_SOS_TYPE1}, t3[] = {3}, beg0[] = {0}, beg1[] = {1};
  const int ok[] = {0, 1}, past[] = {0, 5}, twice[] = {1, 1};
  const double w[] = {1, 2}, wnan[] = {1, kNaN};
  const struct {
    const char *what;
    int status;
    std::function<int()> call;
  } cases[] = {
      {"type 3", kSosType, [&] { return TVXaddsos(model, 1, 2, t3, beg0, ok, w); }},
      {"member past the end", kColIdx, [&] { return TVXaddsos(model, 1, 2, t1, beg0, past, w); }},
      {"member twice", kInput, [&] { return TVXaddsos(model, 1, 2, t1, beg0, twice, w); }},
      {"NaN weight", kInput, [&] { return TVXaddsos(model, 1, 2, t1, beg0, ok, wnan); }},
      {"first start not 0", kInput, [&] { return TVXaddsos(model, 1, 2, t1, beg1, ok, w); }},
      {"missing weights", kArg, [&] { return TVXaddsos(model, 1, 2, t1, beg0, ok, nullptr); }},
      {"negative count", kArg, [&] { return TVXaddsos(model, -1, 0, t1, beg0, ok, w); }},
      {"delete past the end", kSosIdx, [&] { return TVXdelsos(model, 2, past); }},
      {"delete without indices", kArg, [&] { return TVXdelsos(model, 1, nullptr); }},
  };
  for (const auto &c : cases) EXPECT_EQ(c.call(), c.status) << c.what;
  EXPECT_EQ(snapshot(), before);

  int n = 1, type = -1, beg = -1, ind[1];
  double weight[1];
  EXPECT_EQ(TVXgetsos(model, &n, &type, &beg, nullptr, nullptr, 1, 1), kSosIdx);
  EXPECT_EQ(TVXgetsos(model, &n, &type, &beg, nullptr, nullptr, -1, 1), kSosIdx);
  EXPECT_EQ(TVXgetsos(model, nullptr, &type, &beg, nullptr, nullptr, 0, 1), kArg);
  // Room for one member of three: refused, not overrun.
  EXPECT_EQ(TVXgetsos(model, &n, &type, &beg, ind, weight, 0, 1), kArg);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(type, -1);
}

TEST_F(Edit, IndicatorAddAndReadBack) {
  EXPECT_EQ(get_indicator(model, 0), (Indicator{4, 1, {2, 3}, {6, 7}, '<', 8}));
  const int ind[] = {1, 0};
  const double val[] = {-1.5, 2};
  ASSERT_EQ(TVXaddgenconstrIndicator(model, nullptr, 4, 0, 2, ind, val, '=', -3), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddgenconstrIndicator(model, "g2", 0, 1, 0, nullptr, nullptr, '>', 1e30),
            TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumGenConstrs"), 3);
  EXPECT_EQ(get_indicator(model, 1), (Indicator{4, 0, {1, 0}, {-1.5, 2}, '=', -3}));
  EXPECT_EQ(get_indicator(model, 2), (Indicator{0, 1, {}, {}, '>', 1e30}));
}

TEST_F(Edit, IndicatorRefusalsChangeNothing) {
  const Snapshot before = snapshot();
  const int ok[] = {0, 1}, past[] = {0, 5}, twice[] = {1, 1};
  const double v[] = {1, 2}, vnan[] = {1, kNaN};
  const auto add = [&](int binvar, int binval, const int *ind, const double *val, char sense,
                       double rhs) {
    return TVXaddgenconstrIndicator(model, "g", binvar, binval, 2, ind, val, sense, rhs);
  };
  const struct {
    const char *what;
    int status;
    std::function<int()> call;
  } cases[] = {
      {"binary past the end", kIndCol, [&] { return add(5, 1, ok, v, '<', 1); }},
      {"negative binary", kIndCol, [&] { return add(-1, 1, ok, v, '<', 1); }},
      {"binary value 2", kInput, [&] { return add(4, 2, ok, v, '<', 1); }},
      {"term past the end", kColIdx, [&] { return add(4, 1, past, v, '<', 1); }},
      {"term twice", kInput, [&] { return add(4, 1, twice, v, '<', 1); }},
      {"NaN coefficient", kInput, [&] { return add(4, 1, ok, vnan, '<', 1); }},
      {"NaN right-hand side", kInput, [&] { return add(4, 1, ok, v, '<', kNaN); }},
      {"unknown sense", kInput, [&] { return add(4, 1, ok, v, 'x', 1); }},
      {"missing coefficients", kArg, [&] { return add(4, 1, ok, nullptr, '<', 1); }},
      {"delete past the end", kIndRow, [&] { return TVXdelgenconstrs(model, 2, ok); }},
  };
  for (const auto &c : cases) EXPECT_EQ(c.call(), c.status) << c.what;
  EXPECT_EQ(snapshot(), before);

  int binvar = -1, binval = -1, n = 1, ind[1];
  double val[1], rhs = kNaN;
  char sense = 0;
  EXPECT_EQ(
      TVXgetgenconstrIndicator(model, 1, &binvar, &binval, &n, nullptr, nullptr, &sense, &rhs),
      kIndRow);
  EXPECT_EQ(
      TVXgetgenconstrIndicator(model, 0, &binvar, &binval, &n, nullptr, nullptr, nullptr, &rhs),
      kArg);
  // Room for one term of two: refused, not overrun.
  EXPECT_EQ(TVXgetgenconstrIndicator(model, 0, &binvar, &binval, &n, ind, val, &sense, &rhs), kArg);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(binvar, -1);
}

TEST_F(Edit, DeletingVariablesRenumbersEveryReference) {
  // Any order, repeats allowed: x1 and x3 go, x0 x2 x4 become 0 1 2.
  const int del[] = {3, 1, 3};
  ASSERT_EQ(TVXdelvars(model, 3, del), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumVars"), 3);
  EXPECT_EQ(names("VarName", 3), (std::vector<std::string>{"x0", "x2", "x4"}));
  EXPECT_EQ(var_dbl("Obj"), (std::vector<double>{0, 12, 0}));
  EXPECT_EQ(rows(), (Sparse{{0, 2, 2}, {0, 1, 0}, {1, 3, 0}}));
  EXPECT_EQ(read(model, TVXgetvars, 1, 1), (Sparse{{0}, {0}, {3}}));
  EXPECT_EQ(names("ConstrName", 3), (std::vector<std::string>{"r0", "r1", "r2"}));
  // The SOS keeps its surviving member.
  EXPECT_EQ(get_sos(model, 0), (Sos{TVX_SOS_TYPE1, {1}, {2}}));
  EXPECT_EQ(get_indicator(model, 0), (Indicator{2, 1, {1}, {6}, '<', 8}));
  std::vector<double> qv;
  EXPECT_EQ(qterms(&qv), (std::vector<int>{0, 0}));
  EXPECT_EQ(qv, (std::vector<double>{10}));

  EXPECT_EQ(TVXdelvars(model, 0, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumVars"), 3);
}

TEST_F(Edit, DeletionRefusalsChangeNothing) {
  const Snapshot before = snapshot();
  const int with_binary[] = {0, 4}, past[] = {0, 5}, negative[] = {-1}, row_past[] = {3};
  const struct {
    const char *what;
    int status;
    std::function<int()> call;
  } cases[] = {
      {"binary of an indicator", kIndCol, [&] { return TVXdelvars(model, 2, with_binary); }},
      {"variable past the end", kColIdx, [&] { return TVXdelvars(model, 2, past); }},
      {"negative variable", kColIdx, [&] { return TVXdelvars(model, 1, negative); }},
      {"variables without indices", kArg, [&] { return TVXdelvars(model, 1, nullptr); }},
      {"negative count", kArg, [&] { return TVXdelvars(model, -1, past); }},
      {"row past the end", kRowIdx, [&] { return TVXdelconstrs(model, 1, row_past); }},
      {"negative row", kRowIdx, [&] { return TVXdelconstrs(model, 1, negative); }},
  };
  for (const auto &c : cases) EXPECT_EQ(c.call(), c.status) << c.what;
  EXPECT_EQ(snapshot(), before);

  // With its indicator gone the binary may go too.
  const int first[] = {0};
  ASSERT_EQ(TVXdelgenconstrs(model, 1, first), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXdelvars(model, 2, with_binary), TVX_ERROR_OKAY);
  EXPECT_EQ(names("VarName", num("NumVars")), (std::vector<std::string>{"x1", "x2", "x3"}));
}

TEST_F(Edit, DeletingRowsSosAndIndicatorsRenumbersOnlyTheirKind) {
  const int types[] = {TVX_SOS_TYPE2}, beg[] = {0}, ind[] = {0, 4};
  const double weight[] = {1, 2};
  ASSERT_EQ(TVXaddsos(model, 1, 2, types, beg, ind, weight), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddgenconstrIndicator(model, "g1", 3, 0, 1, ind, weight, '>', 2), TVX_ERROR_OKAY);

  const int rows_gone[] = {2, 0};
  ASSERT_EQ(TVXdelconstrs(model, 2, rows_gone), TVX_ERROR_OKAY);
  EXPECT_EQ(names("ConstrName", 1), (std::vector<std::string>{"r1"}));
  EXPECT_EQ(rows(), (Sparse{{0}, {}, {}}));
  EXPECT_EQ(num("NumNZs"), 0);
  EXPECT_EQ(read(model, TVXgetvars, 0, 5).ind, std::vector<int>{});

  const int first[] = {0};
  ASSERT_EQ(TVXdelsos(model, 1, first), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumSOS"), 1);
  EXPECT_EQ(get_sos(model, 0), (Sos{TVX_SOS_TYPE2, {0, 4}, {1, 2}}));

  ASSERT_EQ(TVXdelgenconstrs(model, 1, first), TVX_ERROR_OKAY);
  EXPECT_EQ(num("NumGenConstrs"), 1);
  EXPECT_EQ(get_indicator(model, 0), (Indicator{3, 0, {0}, {1}, '>', 2}));
  EXPECT_EQ(num("NumVars"), 5);
}

// What the files carry reads back as the same SOS and indicators.
TEST_F(Edit, SosAndIndicatorsSurviveModelFiles) {
  const int types[] = {TVX_SOS_TYPE2}, beg[] = {0}, ind[] = {0, 2};
  const double weight[] = {4, 1.5};
  ASSERT_EQ(TVXaddsos(model, 1, 2, types, beg, ind, weight), TVX_ERROR_OKAY);
  const int gind[] = {0};
  const double gval[] = {-2};
  ASSERT_EQ(TVXaddgenconstrIndicator(model, "g1", 4, 0, 1, gind, gval, '>', -1), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXaddgenconstrIndicator(model, "g2", 4, 1, 1, gind, gval, '=', 3), TVX_ERROR_OKAY);
  const Snapshot want = snapshot();
  for (const char *suffix : {".mps", ".lp"}) {
    const std::string path =
        ::testing::TempDir() + "tvx_edit_" + std::to_string(::getpid()) + suffix;
    ASSERT_EQ(TVXwrite(model, path.c_str()), TVX_ERROR_OKAY) << suffix;
    TVXmodel *back = nullptr;
    ASSERT_EQ(TVXreadmodel(env, path.c_str(), &back), TVX_ERROR_OKAY) << suffix;
    std::swap(model, back);
    const Snapshot got = snapshot();
    std::swap(model, back);
    EXPECT_EQ(got.sos, want.sos) << suffix;
    EXPECT_EQ(got.gen, want.gen) << suffix;
    EXPECT_EQ(TVXfreemodel(back), TVX_ERROR_OKAY);
    std::remove(path.c_str());
  }
}

}  // namespace
