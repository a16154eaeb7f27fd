// Matrix attributes of PSD variables.
#include <gtest/gtest.h>

#include <vector>

#include "attr_fixture.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace attr_fixture;

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
  if (rc != TVX_ERROR_OKAY) return rc;
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
  ASSERT_EQ(read_matrices(s, "PsdObj", {1, 0}, m), TVX_ERROR_OKAY);
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
  ASSERT_EQ(tvx::set_mat_attrs(s, "PsdObj", 2, ind, 3, beg, rows, rows, pos, val), TVX_ERROR_OKAY);
  EXPECT_FALSE(s.results().x.has_value());
  ASSERT_EQ(read_matrices(s, "PsdObj", {0, 1}, m), TVX_ERROR_OKAY);
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
  ASSERT_EQ(read_matrices(s, "PsdX", {0, 1}, m), TVX_ERROR_OKAY);
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
            TVX_ERROR_OKAY);
  EXPECT_EQ(side, 3);
}

}  // namespace
