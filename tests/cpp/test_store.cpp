// The model store: values, defaults and growth of its elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "store/store.h"
#include "store_fixture.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace store_fixture;

// ---- Values and defaults --------------------------------------------------

TEST(Store, VariablesKeepTheirValuesAndTakeDefaults) {
  Store s;
  ASSERT_EQ(
      s.add_vars(2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      TVX_ERROR_OKAY);
  const double obj[] = {-0.5, 1e30, 3}, lb[] = {-kIeeeInf, -1e30, 2}, ub[] = {1e30, kIeeeInf, 1};
  const char *names[] = {"a", nullptr, "é"};
  ASSERT_EQ(s.add_vars(3, 0, nullptr, nullptr, nullptr, obj, lb, ub, "bIn", names), TVX_ERROR_OKAY);

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
            std::vector<double>({-kIeeeInf, -1e30, 2}));
  EXPECT_EQ(std::vector<double>(v.ub.begin() + 2, v.ub.end()),
            std::vector<double>({1e30, kIeeeInf, 1}));
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
  ASSERT_EQ(s.add_rows(2, 0, beg, nullptr, nullptr, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(s.rows().lhs[3], -TVX_INFINITY);
  EXPECT_EQ(s.rows().rhs[4], TVX_INFINITY);
  EXPECT_EQ(s.rows().psd[4], -1);
}

TEST(Store, QuadraticTermsAreKeptAsGiven) {
  Store s;
  ASSERT_EQ(
      s.add_vars(2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      TVX_ERROR_OKAY);
  // Neither merged nor mirrored: x0*x1 twice and x1*x0 stay three triples.
  const int row[] = {0, 0, 1}, col[] = {1, 1, 0};
  const double val[] = {2, 3, 4};
  ASSERT_EQ(s.add_qterms(3, row, col, val), TVX_ERROR_OKAY);
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
  ASSERT_EQ(s.add_rows(kRows, 0, beg.data(), nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
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
              TVX_ERROR_OKAY);
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
  ASSERT_EQ(s.add_rows(2, 0, rbeg, nullptr, nullptr, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  // Three columns: {r1: 1}, {}, {r0: 2, r1: 3}.
  const int beg[] = {0, 1, 1}, ind[] = {1, 0, 1};
  const double val[] = {1, 2, 3};
  ASSERT_EQ(s.add_vars(3, 3, beg, ind, val, nullptr, nullptr, nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
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
  ASSERT_EQ(s.set_coeffs(4, row, col, val), TVX_ERROR_OKAY);
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{0, 7.0}, {3, -2.5}, {1, 0.0}}));
  EXPECT_EQ(terms_of(s.rows().terms, 2), Terms({{1, 3.5}, {2, 4.5}, {3, 2.0}}));
  EXPECT_EQ(s.num_nz(), 7u);
  const tvx::ColumnView &after = s.columns();
  EXPECT_EQ(after.val[after.beg[0]], 7.0);
  EXPECT_EQ(after.beg[4] - after.beg[3], 2u);  // column 3: rows 0 and 2
}

}  // namespace
