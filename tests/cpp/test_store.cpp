// The model store: appends, name lookups, deletion with renumbering, batch
// validation and results; models through the C interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "store/store.h"
#include "tarvex.h"

namespace {

using tvx::Store;
using Terms = std::vector<std::pair<int, double>>;

constexpr int kOk = TVX_ERROR_OKAY;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Terms terms_of(const tvx::SparseList &list, int k) {
  Terms out;
  for (int e = 0; e < list.length(k); ++e) out.emplace_back(list.index(k)[e], list.value(k)[e]);
  return out;
}

// The whole problem as text, values bit-exact, so that two dumps are equal
// exactly when two stores hold the same data.
std::string dump(const Store &s) {
  std::ostringstream out;
  out << std::hexfloat << "model '" << s.name() << "' " << s.sense() << ' ' << s.objcon() << " nnz "
      << s.num_nz() << '\n';
  const tvx::Vars &v = s.vars();
  for (int j = 0; j < s.num_vars(); ++j) {
    out << "var " << v.lb[j] << ' ' << v.ub[j] << ' ' << v.obj[j] << ' ' << v.start[j] << ' '
        << v.type[j] << " '" << v.names[j] << "'\n";
  }
  const tvx::Rows &r = s.rows();
  for (int i = 0; i < s.num_rows(); ++i) {
    out << "row " << r.lhs[i] << ' ' << r.rhs[i] << " '" << r.names[i] << "'";
    for (const auto &t : terms_of(r.terms, i)) out << ' ' << t.first << ':' << t.second;
    if (const tvx::PsdRowPart *p = s.psd_part(i)) {
      for (std::size_t k = 0; k < p->var.size(); ++k) out << " P" << p->var[k] << '@' << p->beg[k];
      for (std::size_t k = 0; k < p->pos.size(); ++k) out << ' ' << p->pos[k] << '=' << p->val[k];
    }
    out << '\n';
  }
  for (int k = 0; k < s.num_sos(); ++k) {
    out << "sos " << s.sos().type[k];
    for (const auto &t : terms_of(s.sos().members, k)) out << ' ' << t.first << ':' << t.second;
    out << '\n';
  }
  const tvx::GenConstrs &g = s.genconstrs();
  for (int k = 0; k < s.num_genconstrs(); ++k) {
    out << "gen " << g.type[k] << ' ' << g.binvar[k] << ' ' << g.binval[k] << ' ' << g.sense[k]
        << ' ' << g.rhs[k] << " '" << g.names[k] << "'";
    for (const auto &t : terms_of(g.terms, k)) out << ' ' << t.first << ':' << t.second;
    out << '\n';
  }
  for (int k = 0; k < s.num_psd_vars(); ++k) {
    out << "psdvar " << s.psd_vars().dim[k] << " '" << s.psd_vars().names[k] << "'";
    for (const auto &t : terms_of(s.psd_vars().obj, k)) out << ' ' << t.first << ':' << t.second;
    out << '\n';
  }
  const tvx::QTerms &q = s.qterms();
  for (std::size_t k = 0; k < q.val.size(); ++k)
    out << "q " << q.row[k] << ' ' << q.col[k] << ' ' << q.val[k] << '\n';
  return out.str();
}

// Four variables x, y, z, y; rows r0 (linear), p1 (PSD), r2 (linear); one
// SOS, one indicator on y, one 2 x 2 PSD variable, four quadratic terms.
void fill_sample(Store &s) {
  const double obj[] = {1, 2, 3, 4}, lb[] = {0, -1, -2, -3}, ub[] = {10, 20, 30, 40};
  const char *names[] = {"x", "y", "z", "y"};
  ASSERT_EQ(s.add_vars(4, 0, nullptr, nullptr, nullptr, obj, lb, ub, "CBIC", names), kOk);
  const int r0[] = {0, 3}, beg0[] = {0};
  const double v0[] = {1.5, -2.5}, lo0[] = {-kInf}, up0[] = {5};
  const char *n0[] = {"r0"};
  ASSERT_EQ(s.add_rows(1, 2, beg0, r0, v0, lo0, up0, n0), kOk);
  const int ppos[] = {0, 1, 3};
  const double pval[] = {1, 2, 3};
  ASSERT_EQ(s.add_psd_var(2, 3, ppos, pval, "P"), kOk);
  const int lind[] = {2}, vidx[] = {0}, pbeg[] = {0}, rpos[] = {0, 3};
  const double lval[] = {9}, rval[] = {1, 1};
  ASSERT_EQ(s.add_psd_row(1, lind, lval, 1, vidx, pbeg, 2, rpos, rval, 1, 1, "p1"), kOk);
  const int r2[] = {1, 2};
  const double v2[] = {3.5, 4.5}, lo2[] = {1}, up2[] = {7};
  const char *n2[] = {"r2"};
  ASSERT_EQ(s.add_rows(1, 2, beg0, r2, v2, lo2, up2, n2), kOk);
  const int types[] = {TVX_SOS_TYPE1}, members[] = {0, 1, 3};
  const double weights[] = {1, 2, 3};
  ASSERT_EQ(s.add_sos(1, 3, types, beg0, members, weights), kOk);
  const int gind[] = {0, 2};
  const double gval[] = {1, 1};
  ASSERT_EQ(s.add_indicator("g", 1, 1, 2, gind, gval, '<', 4), kOk);
  const int qrow[] = {0, 1, 2, 3}, qcol[] = {0, 2, 1, 3};
  const double qval[] = {1, 2, 3, 4};
  ASSERT_EQ(s.add_qterms(4, qrow, qcol, qval), kOk);
}

tvx::Results solved() {
  tvx::Results r;
  r.status = TVX_STATUS_OPTIMAL;
  r.primal_obj = 1.25;
  r.x = std::vector<double>{1, 2, 3, 4};
  return r;
}

// ---- Values and defaults --------------------------------------------------

TEST(Store, VariablesKeepTheirValuesAndTakeDefaults) {
  Store s;
  ASSERT_EQ(
      s.add_vars(2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      kOk);
  const double obj[] = {-0.5, 1e30, 3}, lb[] = {-kInf, -1e30, 2}, ub[] = {1e30, kInf, 1};
  const char *names[] = {"a", nullptr, "é"};
  ASSERT_EQ(s.add_vars(3, 0, nullptr, nullptr, nullptr, obj, lb, ub, "bIn", names), kOk);

  const tvx::Vars &v = s.vars();
  ASSERT_EQ(s.num_vars(), 5);
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(v.lb[j], 0.0);
    EXPECT_EQ(v.ub[j], TVX_INFINITY);
    EXPECT_EQ(v.obj[j], 0.0);
    EXPECT_EQ(v.type[j], 'C');
    EXPECT_EQ(v.names[j], "");
  }
  // As given: 1e30 stays 1e30, IEEE infinity stays infinity, lb > ub stays.
  EXPECT_EQ(std::vector<double>(v.lb.begin() + 2, v.lb.end()),
            std::vector<double>({-kInf, -1e30, 2}));
  EXPECT_EQ(std::vector<double>(v.ub.begin() + 2, v.ub.end()),
            std::vector<double>({1e30, kInf, 1}));
  EXPECT_EQ(std::vector<double>(v.obj.begin() + 2, v.obj.end()),
            std::vector<double>({-0.5, 1e30, 3}));
  EXPECT_EQ(std::string(v.type.begin(), v.type.end()), "CCBIN");
  EXPECT_EQ(v.names[2], "a");
  EXPECT_EQ(v.names[3], "");
  EXPECT_EQ(v.names[4], "é");
  for (double start : v.start) EXPECT_EQ(start, TVX_UNDEFINED);
}

TEST(Store, RowsOfBothKindsShareOneIndexSpace) {
  Store s;
  fill_sample(s);
  EXPECT_EQ(s.num_rows(), 3);
  EXPECT_EQ(s.num_psd_rows(), 1);
  EXPECT_EQ(s.psd_part(0), nullptr);
  ASSERT_NE(s.psd_part(1), nullptr);
  EXPECT_EQ(s.psd_part(2), nullptr);
  EXPECT_EQ(s.psd_part(1)->pos, std::vector<int>({0, 3}));
  EXPECT_EQ(s.rows().names[1], "p1");
  EXPECT_EQ(terms_of(s.rows().terms, 1), Terms({{2, 9.0}}));
  EXPECT_EQ(s.num_nz(), 5u);

  // Null sides mean unbounded on that side.
  const int beg[] = {0, 0};
  ASSERT_EQ(s.add_rows(2, 0, beg, nullptr, nullptr, nullptr, nullptr, nullptr), kOk);
  EXPECT_EQ(s.rows().lhs[3], -TVX_INFINITY);
  EXPECT_EQ(s.rows().rhs[4], TVX_INFINITY);
  EXPECT_EQ(s.rows().psd[4], -1);
}

TEST(Store, QuadraticTermsAreKeptAsGiven) {
  Store s;
  ASSERT_EQ(
      s.add_vars(2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      kOk);
  // Neither merged nor mirrored: x0*x1 twice and x1*x0 stay three triples.
  const int row[] = {0, 0, 1}, col[] = {1, 1, 0};
  const double val[] = {2, 3, 4};
  ASSERT_EQ(s.add_qterms(3, row, col, val), kOk);
  EXPECT_EQ(s.qterms().row, std::vector<int>({0, 0, 1}));
  EXPECT_EQ(s.qterms().col, std::vector<int>({1, 1, 0}));
  EXPECT_EQ(s.qterms().val, std::vector<double>({2, 3, 4}));
  s.clear_qterms();
  EXPECT_TRUE(s.qterms().val.empty());
}

// ---- Growth ---------------------------------------------------------------

// Random appends, pushes, replacements, removals and renumberings against a
// plain vector of vectors, compared after every step. Vectors moved by their
// growth and removed vectors leave garbage, so the pool compacts now and then
// while dozens of vectors are live.
TEST(SparseList, MatchesAReferenceThroughGrowthAndCompaction) {
  std::mt19937 rng(12345);
  tvx::SparseList list;
  std::vector<Terms> ref;
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto check = [&]() {
    ASSERT_EQ(list.size(), static_cast<int>(ref.size()));
    std::size_t nnz = 0;
    for (int k = 0; k < list.size(); ++k) {
      ASSERT_EQ(terms_of(list, k), ref[k]) << "vector " << k;
      nnz += ref[k].size();
    }
    ASSERT_EQ(list.nnz(), nnz);
  };
  for (int step = 0; step < 30000; ++step) {
    const int op = pick(100);
    if (op < 20 || ref.empty()) {
      const int n = pick(9);
      std::vector<int> ind(n);
      std::vector<double> val(n);
      for (int e = 0; e < n; ++e) ind[e] = pick(1000), val[e] = step + e * 0.25;
      list.reserve_append(1, n);
      list.append(n, ind.data(), val.data());
      Terms t;
      for (int e = 0; e < n; ++e) t.emplace_back(ind[e], val[e]);
      ref.push_back(t);
    } else if (op < 90) {
      const int k = pick(static_cast<int>(ref.size()));
      list.reserve_push(k, 1);
      list.push(k, pick(1000), step + 0.5);
      ref[k].emplace_back(list.index(k)[list.length(k) - 1], step + 0.5);
    } else if (op < 95) {
      const int k = pick(static_cast<int>(ref.size()));
      const int n = pick(8);
      std::vector<int> ind(n, step % 1000);
      std::vector<double> val(n, -step);
      list.reserve_push(k, std::max(0, n - list.length(k)));
      list.assign(k, n, ind.data(), val.data());
      ref[k].assign(n, {step % 1000, -step});
    } else if (op < 96) {
      std::vector<int> new_index(ref.size());
      std::vector<Terms> kept;
      for (std::size_t k = 0; k < ref.size(); ++k) {
        new_index[k] = pick(2) ? static_cast<int>(kept.size()) : -1;
        if (new_index[k] >= 0) kept.push_back(ref[k]);
      }
      list.remove_vectors(new_index);
      ref = kept;
    } else {
      // Drop every index divisible by 7 and close the gaps.
      std::vector<int> new_index(1000);
      int next = 0;
      for (int i = 0; i < 1000; ++i) new_index[i] = i % 7 == 0 ? -1 : next++;
      list.remap_entries(new_index);
      for (Terms &t : ref) {
        Terms kept;
        for (const auto &e : t) {
          if (new_index[e.first] >= 0) kept.emplace_back(new_index[e.first], e.second);
        }
        t = kept;
      }
    }
    check();
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Variables added one at a time with coefficients in existing rows: each row
// receives its entries in variable order, and the column view agrees.
TEST(Store, ColumnsAddedOneByOneFillTheRows) {
  Store s;
  constexpr int kRows = 40, kVars = 3000;
  std::vector<int> beg(kRows, 0);
  ASSERT_EQ(s.add_rows(kRows, 0, beg.data(), nullptr, nullptr, nullptr, nullptr, nullptr), kOk);
  std::vector<Terms> rows(kRows);
  std::vector<Terms> cols(kVars);
  for (int j = 0; j < kVars; ++j) {
    std::vector<int> ind;
    std::vector<double> val;
    // Rows in descending order: a column need not be sorted.
    for (int r = kRows - 1; r >= 0; --r) {
      if ((j * 7 + r * 13) % 5 < 2) {
        ind.push_back(r);
        val.push_back(j + r / 64.0 + 1);
        rows[r].emplace_back(j, val.back());
        cols[j].emplace_back(r, val.back());
      }
    }
    const int zero = 0;
    ASSERT_EQ(s.add_vars(1, static_cast<int>(ind.size()), &zero, ind.data(), val.data(), nullptr,
                         nullptr, nullptr, nullptr, nullptr),
              kOk);
  }
  std::size_t nnz = 0;
  for (int r = 0; r < kRows; ++r) {
    ASSERT_EQ(terms_of(s.rows().terms, r), rows[r]) << "row " << r;
    nnz += rows[r].size();
  }
  EXPECT_EQ(s.num_nz(), nnz);
  const tvx::ColumnView &view = s.columns();
  for (int j = 0; j < kVars; ++j) {
    Terms col;
    for (std::size_t e = view.beg[j]; e < view.beg[j + 1]; ++e)
      col.emplace_back(view.row[e], view.val[e]);
    std::sort(cols[j].begin(), cols[j].end());
    ASSERT_EQ(col, cols[j]) << "column " << j;
  }
}

TEST(Store, ColumnBatchUsesItsStarts) {
  Store s;
  const int rbeg[] = {0, 0};
  ASSERT_EQ(s.add_rows(2, 0, rbeg, nullptr, nullptr, nullptr, nullptr, nullptr), kOk);
  // Three columns: {r1: 1}, {}, {r0: 2, r1: 3}.
  const int beg[] = {0, 1, 1}, ind[] = {1, 0, 1};
  const double val[] = {1, 2, 3};
  ASSERT_EQ(s.add_vars(3, 3, beg, ind, val, nullptr, nullptr, nullptr, nullptr, nullptr), kOk);
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{2, 2.0}}));
  EXPECT_EQ(terms_of(s.rows().terms, 1), Terms({{0, 1.0}, {2, 3.0}}));
}

TEST(Store, SetCoeffsUpdatesAddsAndKeepsZeros) {
  Store s;
  fill_sample(s);
  const tvx::ColumnView &before = s.columns();
  EXPECT_EQ(before.beg[1], 1u);  // column 0 has one entry (row 0)
  // (0,0) exists; (0,1) is new and zero; (2,3) appears twice: the last wins.
  const int row[] = {0, 0, 2, 2}, col[] = {0, 1, 3, 3};
  const double val[] = {7, 0, 1, 2};
  ASSERT_EQ(s.set_coeffs(4, row, col, val), kOk);
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{0, 7.0}, {3, -2.5}, {1, 0.0}}));
  EXPECT_EQ(terms_of(s.rows().terms, 2), Terms({{1, 3.5}, {2, 4.5}, {3, 2.0}}));
  EXPECT_EQ(s.num_nz(), 7u);
  const tvx::ColumnView &after = s.columns();
  EXPECT_EQ(after.val[after.beg[0]], 7.0);
  EXPECT_EQ(after.beg[4] - after.beg[3], 2u);  // column 3: rows 0 and 2
}

// ---- Names ----------------------------------------------------------------

TEST(NameTable, FindsTheLowestIndexThroughRenamesAndDeletions) {
  Store s;
  const char *names[] = {"x", "y", "x", "", "x"};
  ASSERT_EQ(s.add_vars(5, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, names),
            kOk);
  const tvx::NameTable &t = s.vars().names;
  EXPECT_EQ(t.find("x"), 0);
  EXPECT_EQ(t.find("y"), 1);
  EXPECT_EQ(t.find(""), -1);  // the empty name is no name
  EXPECT_EQ(t.find("X"), -1);
  s.set_var_name(0, "z");  // the lowest "x" leaves: the next one is found
  EXPECT_EQ(t.find("x"), 2);
  EXPECT_EQ(t.find("z"), 0);
  s.set_var_name(3, "x");
  EXPECT_EQ(t.find("x"), 2);
  s.set_var_name(1, "x");
  EXPECT_EQ(t.find("x"), 1);
  const int gone[] = {1, 2};
  ASSERT_EQ(s.delete_vars(2, gone), kOk);  // names now z, x(old 3), x(old 4)
  EXPECT_EQ(t.find("x"), 1);
  EXPECT_EQ(t.find("y"), -1);
  s.set_var_name(1, "");
  EXPECT_EQ(t.find("x"), 2);
}

// Random appends, renames and deletions against a brute-force lookup.
TEST(NameTable, AgreesWithAScan) {
  std::mt19937 rng(777);
  const std::vector<std::string> pool = {"", "a", "b", "c", "é", "a/b"};
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  tvx::NameTable table;
  std::vector<std::string> ref;
  for (int step = 0; step < 5000; ++step) {
    const int op = pick(10);
    if (op < 4 || ref.empty()) {
      std::string name = pool[pick(static_cast<int>(pool.size()))];
      ref.push_back(name);
      table.reserve_extra(1, !name.empty());
      table.append(std::move(name));
    } else if (op < 9) {
      const int i = pick(static_cast<int>(ref.size()));
      std::string name = pool[pick(static_cast<int>(pool.size()))];
      ref[i] = name;
      table.set(i, std::move(name));
    } else {
      std::vector<int> new_index(ref.size());
      std::vector<std::string> kept;
      for (std::size_t i = 0; i < ref.size(); ++i) {
        new_index[i] = pick(4) ? static_cast<int>(kept.size()) : -1;
        if (new_index[i] >= 0) kept.push_back(ref[i]);
      }
      table.compact(new_index);
      ref = kept;
    }
    for (const std::string &name : pool) {
      int lowest = -1;
      if (!name.empty()) {
        const auto hit = std::find(ref.begin(), ref.end(), name);
        if (hit != ref.end()) lowest = static_cast<int>(hit - ref.begin());
      }
      ASSERT_EQ(table.find(name), lowest) << "step " << step << " name '" << name << "'";
    }
  }
  ASSERT_EQ(table.size(), static_cast<int>(ref.size()));
  for (int i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], ref[i]);
}

TEST(Validators, NamesMustBeUtf8) {
  for (const char *good : {"", "x[1,2]", "é", "日本", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"})
    EXPECT_TRUE(tvx::valid_name(good)) << good;
  EXPECT_TRUE(tvx::valid_name(nullptr));
  for (const char *bad : {"\x80", "a\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xE2\x82"})
    EXPECT_FALSE(tvx::valid_name(bad));
}

// ---- Deleting -------------------------------------------------------------

TEST(Store, DeletingVariablesRenumbersEveryReference) {
  Store s;
  fill_sample(s);
  s.set_var_start(2, 7.5);
  s.set_results(solved());
  const std::uint64_t revision = s.revision();

  // Any order, repeats allowed: deletes x (0) and the second y (3).
  const int gone[] = {3, 0, 3};
  ASSERT_EQ(s.delete_vars(3, gone), kOk);

  ASSERT_EQ(s.num_vars(), 2);
  const tvx::Vars &v = s.vars();
  EXPECT_EQ(v.obj, std::vector<double>({2, 3}));
  EXPECT_EQ(v.lb, std::vector<double>({-1, -2}));
  EXPECT_EQ(v.ub, std::vector<double>({20, 30}));
  EXPECT_EQ(std::string(v.type.begin(), v.type.end()), "BI");
  EXPECT_EQ(v.start, std::vector<double>({TVX_UNDEFINED, 7.5}));
  EXPECT_EQ(v.names.find("y"), 0);
  EXPECT_EQ(v.names.find("z"), 1);
  EXPECT_EQ(v.names.find("x"), -1);

  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms());
  EXPECT_EQ(terms_of(s.rows().terms, 1), Terms({{1, 9.0}}));  // the PSD row's linear part
  EXPECT_EQ(terms_of(s.rows().terms, 2), Terms({{0, 3.5}, {1, 4.5}}));
  EXPECT_EQ(s.num_nz(), 3u);
  EXPECT_EQ(s.columns().beg, std::vector<std::size_t>({0, 1, 3}));
  // The SOS keeps its other member.
  EXPECT_EQ(terms_of(s.sos().members, 0), Terms({{0, 2.0}}));
  // The indicator's binary variable y moves from 1 to 0, its row loses x.
  EXPECT_EQ(s.genconstrs().binvar[0], 0);
  EXPECT_EQ(terms_of(s.genconstrs().terms, 0), Terms({{1, 1.0}}));
  // Terms on a deleted variable go; the others are renumbered.
  EXPECT_EQ(s.qterms().row, std::vector<int>({0, 1}));
  EXPECT_EQ(s.qterms().col, std::vector<int>({1, 0}));
  EXPECT_EQ(s.qterms().val, std::vector<double>({2, 3}));
  // Nothing else moves.
  EXPECT_EQ(s.num_rows(), 3);
  EXPECT_EQ(s.num_psd_vars(), 1);
  EXPECT_EQ(s.psd_part(1)->var, std::vector<int>({0}));

  EXPECT_FALSE(s.results().x.has_value());
  EXPECT_EQ(s.results().status, TVX_STATUS_UNKNOWN);
  EXPECT_GT(s.revision(), revision);
}

TEST(Store, DeletingVariablesThreeAndSevenOfTen) {
  Store s;
  std::vector<std::string> text;
  std::vector<const char *> names;
  std::vector<int> ind;
  std::vector<double> val;
  for (int j = 0; j < 10; ++j) text.push_back("v" + std::to_string(j));
  for (int j = 0; j < 10; ++j)
    names.push_back(text[j].c_str()), ind.push_back(j), val.push_back(j + 1);
  ASSERT_EQ(s.add_vars(10, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       names.data()),
            kOk);
  const int beg = 0;
  ASSERT_EQ(s.add_rows(1, 10, &beg, ind.data(), val.data(), nullptr, nullptr, nullptr), kOk);
  const int gone[] = {3, 7};
  ASSERT_EQ(s.delete_vars(2, gone), kOk);
  std::vector<std::string> left;
  for (int j = 0; j < s.num_vars(); ++j) left.push_back(s.vars().names[j]);
  EXPECT_EQ(left, std::vector<std::string>({"v0", "v1", "v2", "v4", "v5", "v6", "v8", "v9"}));
  EXPECT_EQ(
      terms_of(s.rows().terms, 0),
      Terms({{0, 1.0}, {1, 2.0}, {2, 3.0}, {3, 5.0}, {4, 6.0}, {5, 7.0}, {6, 9.0}, {7, 10.0}}));
}

TEST(Store, DeletingRowsCarriesPsdPartsAndTouchesNoOtherKind) {
  Store s;
  fill_sample(s);
  const int first[] = {0};
  ASSERT_EQ(s.delete_rows(1, first), kOk);
  ASSERT_EQ(s.num_rows(), 2);
  EXPECT_EQ(s.rows().names[0], "p1");
  ASSERT_NE(s.psd_part(0), nullptr);
  EXPECT_EQ(s.psd_part(0)->pos, std::vector<int>({0, 3}));
  EXPECT_EQ(s.psd_part(1), nullptr);
  EXPECT_EQ(s.rows().lhs, std::vector<double>({1, 1}));
  EXPECT_EQ(s.rows().names.find("r2"), 1);
  EXPECT_EQ(s.rows().names.find("r0"), -1);
  EXPECT_EQ(s.num_nz(), 3u);

  ASSERT_EQ(s.delete_rows(1, first), kOk);  // the PSD row itself
  EXPECT_EQ(s.num_psd_rows(), 0);
  EXPECT_EQ(s.rows().names[0], "r2");
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{1, 3.5}, {2, 4.5}}));

  EXPECT_EQ(s.num_vars(), 4);
  EXPECT_EQ(s.num_sos(), 1);
  EXPECT_EQ(s.num_genconstrs(), 1);
  EXPECT_EQ(s.qterms().val.size(), 4u);

  ASSERT_EQ(s.delete_sos(1, first), kOk);
  ASSERT_EQ(s.delete_genconstrs(1, first), kOk);
  EXPECT_EQ(s.num_sos(), 0);
  EXPECT_EQ(s.num_genconstrs(), 0);
  EXPECT_EQ(s.genconstrs().names.find("g"), -1);
  EXPECT_EQ(s.num_rows(), 1);
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{1, 3.5}, {2, 4.5}}));
}

TEST(Store, SosAndIndicatorsDeleteInTheMiddle) {
  Store s;
  ASSERT_EQ(
      s.add_vars(3, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      kOk);
  const int types[] = {1, 2, 1}, beg[] = {0, 1, 3}, ind[] = {0, 1, 2, 2};
  const double w[] = {1, 2, 3, 4};
  ASSERT_EQ(s.add_sos(3, 4, types, beg, ind, w), kOk);
  for (const char *name : {"g0", "g1", "g2"}) {
    ASSERT_EQ(s.add_indicator(name, 0, 0, 0, nullptr, nullptr, '=', 1), kOk);
  }
  const int middle[] = {1};
  ASSERT_EQ(s.delete_sos(1, middle), kOk);
  ASSERT_EQ(s.delete_genconstrs(1, middle), kOk);
  EXPECT_EQ(s.sos().type, std::vector<int>({1, 1}));
  EXPECT_EQ(terms_of(s.sos().members, 1), Terms({{2, 4.0}}));
  EXPECT_EQ(s.genconstrs().names[1], "g2");
  EXPECT_EQ(s.genconstrs().names.find("g2"), 1);
}

// ---- Refused batches change nothing --------------------------------------

struct BadBatch {
  const char *name;
  int expected;
  std::function<int(Store &)> run;
};

void PrintTo(const BadBatch &b, std::ostream *os) { *os << b.name; }

constexpr int kArg = TVX_ERROR_INVALID_ARGUMENT;
constexpr int kData = TVX_ERROR_MODEL_INPUT_ERROR;
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
    {"VarsFirstStartNotZero", kData,
     [](Store &s) {
       const int beg[] = {1}, ind[] = {0, 1};
       return column(s, 2, ind, kOne, beg);
     }},
    {"VarsStartBeyondEntries", kData,
     [](Store &s) {
       const int beg[] = {0, 2}, ind[] = {0};
       return s.add_vars(2, 1, beg, ind, kOne, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
    {"VarsRowOutOfRange", TVX_ERROR_MODEL_INVALID_ROW_IDX,
     [](Store &s) {
       const int ind[] = {0, 3};
       return column(s, 2, ind, kOne);
     }},
    {"VarsRowTwice", kData,
     [](Store &s) {
       const int ind[] = {2, 0, 2};
       return column(s, 3, ind, kOne);
     }},
    {"VarsNaNCoefficient", kData,
     [](Store &s) {
       const int ind[] = {0};
       const double val[] = {kNaN};
       return column(s, 1, ind, val);
     }},
    {"VarsInfiniteObjective", kData,
     [](Store &s) {
       const double obj[] = {1, kInf};
       return vars_with(s, obj, nullptr, nullptr, nullptr);
     }},
    {"VarsNaNBound", kData,
     [](Store &s) {
       const double lb[] = {0, kNaN};
       return vars_with(s, nullptr, lb, nullptr, nullptr);
     }},
    {"VarsBadTypeSecond", kData,
     [](Store &s) { return vars_with(s, nullptr, nullptr, "CX", nullptr); }},
    {"VarsNulTypeByte", kData,
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
    {"RowsVarTwiceUnsorted", kData,
     [](Store &s) {
       const int ind[] = {2, 0, 2};
       return row(s, 3, ind, kOne);
     }},
    {"RowsNaNLower", kData,
     [](Store &s) {
       const double lo[] = {kNaN};
       return row(s, 0, nullptr, nullptr, lo);
     }},
    {"RowsSurrogateName", TVX_ERROR_MODEL_INVALID_ROW_NAME,
     [](Store &s) {
       const char *names[] = {"\xED\xA0\x80"};
       return row(s, 0, nullptr, nullptr, nullptr, names);
     }},
    {"RowsEntriesWithoutRows", kData,
     [](Store &s) {
       const int ind[] = {0};
       return s.add_rows(0, 1, kZero, ind, kOne, nullptr, nullptr, kNoNames);
     }},
    {"SosBadType", TVX_ERROR_MODEL_INVALID_SOS_TYPE,
     [](Store &s) {
       const int types[] = {1, 3}, beg[] = {0, 1}, ind[] = {0, 1};
       return s.add_sos(2, 2, types, beg, ind, kOne);
     }},
    {"SosMemberTwice", kData,
     [](Store &s) {
       const int types[] = {2}, ind[] = {1, 1};
       return s.add_sos(1, 2, types, kZero, ind, kOne);
     }},
    {"SosMemberOutOfRange", TVX_ERROR_MODEL_INVALID_COL_IDX,
     [](Store &s) {
       const int types[] = {1}, ind[] = {4};
       return s.add_sos(1, 1, types, kZero, ind, kOne);
     }},
    {"SosInfiniteWeight", kData,
     [](Store &s) {
       const int types[] = {1}, ind[] = {0};
       const double w[] = {-kInf};
       return s.add_sos(1, 1, types, kZero, ind, w);
     }},
    {"IndicatorBinvarOutOfRange", TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX,
     [](Store &s) { return s.add_indicator("g", 4, 1, 0, nullptr, nullptr, '<', 1); }},
    {"IndicatorBinvalTwo", kData,
     [](Store &s) { return s.add_indicator("g", 1, 2, 0, nullptr, nullptr, '<', 1); }},
    {"IndicatorBadSense", kData,
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
    {"QTermsNaN", kData,
     [](Store &s) {
       const int q[] = {0};
       const double val[] = {kNaN};
       return s.add_qterms(1, q, q, val);
     }},
    {"PsdVarDimZero", kData, [](Store &s) { return s.add_psd_var(0, 0, nullptr, nullptr, "Q"); }},
    {"PsdVarPositionsBeyondInt", kData,
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
    {"PsdRowNaNUpper", kData,
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
    {"CoeffsInfinite", kData,
     [](Store &s) {
       const int rows[] = {0, 0}, cols[] = {1, 2};
       const double val[] = {2, kInf};
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

INSTANTIATE_TEST_SUITE_P(Store, Refused, ::testing::ValuesIn(kBadBatches),
                         [](const ::testing::TestParamInfo<BadBatch> &info) {
                           return std::string(info.param.name);
                         });

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
           kOk);
       ASSERT_EQ(s.delete_rows(0, nullptr), kOk);
       ASSERT_EQ(s.add_qterms(0, nullptr, nullptr, nullptr), kOk);
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
           kOk);
     }},
    {"ClearQ", true, [](Store &s) { s.clear_qterms(); }},
    {"DeleteSos", true,
     [](Store &s) {
       const int first = 0;
       ASSERT_EQ(s.delete_sos(1, &first), kOk);
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

INSTANTIATE_TEST_SUITE_P(Store, Results, ::testing::ValuesIn(kChanges),
                         [](const ::testing::TestParamInfo<Change> &info) {
                           return std::string(info.param.name);
                         });

TEST(Store, StartBasisGoesWithAChangeOfShape) {
  Store s;
  fill_sample(s);
  s.set_start_basis(tvx::Basis{{0, 0, 0, 0}, {0, 0, 0}});
  s.set_var_ub(0, 3);
  EXPECT_TRUE(s.start_basis().has_value());
  const int first = 0;
  ASSERT_EQ(s.delete_rows(1, &first), kOk);
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

// ---- Models through the C interface --------------------------------------

struct NewModelCase {
  const char *name;
  int expected;
  const char *model_name;
  int numvars;
  const double *obj, *lb, *ub;
  const char *vtype;
  const char *const *varnames;
};

void PrintTo(const NewModelCase &c, std::ostream *os) { *os << c.name; }

const double kObj[] = {1, -2, 3}, kLb[] = {5, -kInf, 0}, kUb[] = {1, 1e30, kInf};
const double kNaNs[] = {0, kNaN, 0}, kInfs[] = {0, 0, kInf};
const char *const kNames[] = {"a", nullptr, "a"};
const char *const kBadNames[] = {"a", "\xFF", "c"};

const NewModelCase kNewModelCases[] = {
    {"Empty", kOk, "m", 0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"NullName", kOk, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"Defaults", kOk, "m", 3, nullptr, nullptr, nullptr, nullptr, nullptr},
    // lb > ub is an infeasible model, for the solve to report.
    {"AllArrays", kOk, "m", 3, kObj, kLb, kUb, "CbI", kNames},
    {"NegativeCount", kArg, "m", -1, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"BadType", kData, "m", 3, nullptr, nullptr, nullptr, "CZC", nullptr},
    {"NaNBound", kData, "m", 3, nullptr, nullptr, kNaNs, nullptr, nullptr},
    {"InfiniteObjective", kData, "m", 3, kInfs, nullptr, nullptr, nullptr, nullptr},
    {"BadVarName", TVX_ERROR_MODEL_INVALID_COL_NAME, "m", 3, nullptr, nullptr, nullptr, nullptr,
     kBadNames},
    {"BadModelName", kData, "\xC3(", 0, nullptr, nullptr, nullptr, nullptr, nullptr},
};

class NewModel : public ::testing::TestWithParam<NewModelCase> {};

TEST_P(NewModel, CreatesOrRefuses) {
  const NewModelCase &c = GetParam();
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), kOk);
  TVXmodel *model = reinterpret_cast<TVXmodel *>(std::uintptr_t{3});
  EXPECT_EQ(TVXnewmodel(env, &model, c.model_name, c.numvars, c.obj, c.lb, c.ub, c.vtype,
                        const_cast<const char **>(c.varnames)),
            c.expected);
  if (c.expected == kOk) {
    ASSERT_NE(model, nullptr);
    EXPECT_NE(TVXgetenv(model), nullptr);
    TVXmodel *copy = TVXcopymodel(model);
    EXPECT_NE(copy, nullptr);
    EXPECT_EQ(TVXfreemodel(copy), kOk);
    EXPECT_EQ(TVXfreemodel(model), kOk);
    EXPECT_EQ(TVXgetenv(model), nullptr);
    EXPECT_EQ(TVXfreemodel(model), kArg);
  } else {
    EXPECT_EQ(model, nullptr);
  }
  EXPECT_EQ(TVXfreeenv(env), kOk);
}

INSTANTIATE_TEST_SUITE_P(Models, NewModel, ::testing::ValuesIn(kNewModelCases),
                         [](const ::testing::TestParamInfo<NewModelCase> &info) {
                           return std::string(info.param.name);
                         });

// Freeing a model while other threads copy it: each copy either fails with
// NULL or is a whole model of its own, and the freed handle stays refused.
TEST(Models, FreeWhileOtherThreadsCopy) {
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), kOk);
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXnewmodel(env, &model, "m", 1000, nullptr, nullptr, nullptr, nullptr, nullptr), kOk);
  std::atomic<bool> go{false};
  std::vector<std::vector<TVXmodel *>> copies(4);
  std::vector<std::thread> threads;
  for (auto &mine : copies) {
    threads.emplace_back([&go, &mine, model] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < 200; ++i) {
        if (TVXmodel *copy = TVXcopymodel(model)) mine.push_back(copy);
      }
    });
  }
  go = true;
  EXPECT_EQ(TVXfreemodel(model), kOk);
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(TVXcopymodel(model), nullptr);
  EXPECT_EQ(TVXgetenv(model), nullptr);
  for (const auto &mine : copies) {
    for (TVXmodel *copy : mine) {
      EXPECT_NE(TVXgetenv(copy), nullptr);
      EXPECT_EQ(TVXfreemodel(copy), kOk);
    }
  }
  EXPECT_EQ(TVXfreeenv(env), kOk);
}

}  // namespace
